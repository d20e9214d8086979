#pragma once
// The layers are static QML modules: an executable that loads the app's QML
// imports them all. Include in exactly one file of that executable.
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Nimbelora_PlatformPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_FoundationPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_LibraryPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_PlaybackPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_ShellPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_PlayerPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_ShortsPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_ScreensPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_SettingsPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_AppPlugin)
