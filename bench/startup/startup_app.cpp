// The app itself, started as usual, reporting its first frame and peak memory.
#include "NimbeloraApp.h"
#include "StartupProbe.h"
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
    const int settleMs = qEnvironmentVariableIntValue("STARTUP_SETTLE_MS");
    NimbeloraApp::Hooks hooks;
    hooks.windowCreated = [settleMs](QQuickWindow *window, NimbeloraApp *) { StartupProbe::watch(window, settleMs); };
    return NimbeloraApp::main(argc, argv, hooks);
}
