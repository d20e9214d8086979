// The app itself, started as usual, reporting its first frame and peak memory.
// With STARTUP_TABS_MS set it selects every tab in turn, that long apart,
// after the first frame, and ends back on home.
#include "NimbeloraApp.h"
#include "StartupProbe.h"
#include "LayerPlugins.h"

#include <QTimer>

int main(int argc, char *argv[])
{
    const int settleMs = qEnvironmentVariableIntValue("STARTUP_SETTLE_MS");
    const int tabsMs = qEnvironmentVariableIntValue("STARTUP_TABS_MS");
    NimbeloraApp::Hooks hooks;
    hooks.windowCreated = [settleMs, tabsMs](QQuickWindow *window, NimbeloraApp *app) {
        StartupProbe::watch(window, settleMs);
        if (tabsMs <= 0)
            return;
        QObject::connect(
            window, &QQuickWindow::frameSwapped, app,
            [app, tabsMs] {
                const AppTab tabs[] = {AppTab::shorts, AppTab::search, AppTab::subscriptions, AppTab::library,
                                       AppTab::home};
                int delay = 0;
                for (AppTab tab : tabs)
                    QTimer::singleShot(delay += tabsMs, app, [app, tab] { app->router()->setTab(tab); });
            },
            Qt::ConnectionType(Qt::DirectConnection | Qt::SingleShotConnection));
    };
    return NimbeloraApp::main(argc, argv, hooks);
}
