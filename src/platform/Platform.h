#pragma once

class QQmlEngine;

// What a QML engine needs from this layer before it loads anything: the
// "symbol" image provider. Also starts following the desktop's colour
// scheme, loads Qt's own Spanish texts and puts the mouse's and the keys'
// rules on every window (once per process).
void installPlatform(QQmlEngine &engine);
