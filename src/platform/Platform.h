#pragma once

class QQmlEngine;

// What a QML engine needs from this layer before it loads anything: the
// "symbol" image provider. Also starts following the desktop's colour
// scheme and loads Qt's own Spanish texts (once per process).
void installPlatform(QQmlEngine &engine);
