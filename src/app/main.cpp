#include "NimbeloraApp.h"
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

int main(int argc, char *argv[])
{
    return NimbeloraApp::main(argc, argv);
}
