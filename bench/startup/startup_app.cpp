// The app itself, started as usual, reporting its first frame and peak memory.
#include "NimbeloraApp.h"
#include "StartupProbe.h"
#include "LayerPlugins.h"

int main(int argc, char *argv[])
{
    const int settleMs = qEnvironmentVariableIntValue("STARTUP_SETTLE_MS");
    NimbeloraApp::Hooks hooks;
    hooks.windowCreated = [settleMs](QQuickWindow *window, NimbeloraApp *) { StartupProbe::watch(window, settleMs); };
    return NimbeloraApp::main(argc, argv, hooks);
}
