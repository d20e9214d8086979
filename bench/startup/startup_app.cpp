// The app itself, started as usual, reporting its first frame and peak memory.
// With STARTUP_TABS_MS set it selects every tab in turn, that long apart,
// after the first frame, and ends back on home. With STARTUP_SHORTS_MS set it
// selects the Shorts tab that long after the first frame, goes back home and
// selects it again, and reports the longest frame of each visit's first
// moments (SHORTS_FIRST, SHORTS_AGAIN, in ms). With STARTUP_SHOT set to a
// file name it saves a picture of the window as its first frame is done
// (to compare the first frame before and after a change).
#include "NimbeloraApp.h"
#include "StartupProbe.h"
#include "LayerPlugins.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QTimer>
#include <algorithm>
#include <mutex>
#include <vector>

namespace {

// Frame times as the render thread swaps them.
struct FrameLog
{
    std::mutex lock;
    std::vector<qint64> swaps;

    void add(qint64 ns)
    {
        std::lock_guard g(lock);
        swaps.push_back(ns);
    }
    // The longest wait for a frame from `from` on, for `spanNs`: from the
    // switch to the first frame after it, then between frames.
    double worstMs(qint64 from, qint64 spanNs)
    {
        std::lock_guard g(lock);
        qint64 last = from, worst = 0;
        for (qint64 t : swaps) {
            if (t <= from || t > from + spanNs)
                continue;
            worst = std::max(worst, t - last);
            last = t;
        }
        return worst / 1e6;
    }
};

void probeShorts(QQuickWindow *window, NimbeloraApp *app, int delayMs)
{
    // A dot that always moves keeps frames coming, so a long wait between
    // two of them is a frame that came late, not a screen at rest (the
    // playing Short alone gives a frame per video frame).
    QQmlComponent ticker(qmlEngine(window));
    ticker.setData("import QtQuick\nRectangle { width: 1; height: 1; color: \"#02000000\"; z: 1e9\n"
                   "NumberAnimation on x { from: 0; to: 1; duration: 1000; loops: Animation.Infinite } }",
                   QUrl());
    if (auto *dot = qobject_cast<QQuickItem *>(ticker.create()))
        dot->setParentItem(window->contentItem());
    auto *log = new FrameLog;
    QObject::connect(window, &QQuickWindow::frameSwapped, window, [log] { log->add(StartupProbe::monotonicNs()); },
                     Qt::DirectConnection);
    // The Shorts load and the first one starts playing in this time.
    constexpr int span = 1500;
    auto visit = [app, log](int at, const char *label) {
        QTimer::singleShot(at, app, [app, log, label] {
            const qint64 from = StartupProbe::monotonicNs();
            std::printf("%s_AT %lld\n", label, static_cast<long long>(from));
            app->router()->setTab(AppTab::shorts);
            QTimer::singleShot(span + 100, app, [app, log, label, from] {
                std::printf("%s %.2f\n", label, log->worstMs(from, qint64(span) * 1'000'000));
                std::fflush(stdout);
                app->router()->setTab(AppTab::home);
            });
        });
    };
    visit(delayMs, "SHORTS_FIRST");
    visit(delayMs + span + 1200, "SHORTS_AGAIN");
}

} // namespace

int main(int argc, char *argv[])
{
    const int settleMs = qEnvironmentVariableIntValue("STARTUP_SETTLE_MS");
    const int tabsMs = qEnvironmentVariableIntValue("STARTUP_TABS_MS");
    const int shortsMs = qEnvironmentVariableIntValue("STARTUP_SHORTS_MS");
    NimbeloraApp::Hooks hooks;
    hooks.windowCreated = [settleMs, tabsMs, shortsMs](QQuickWindow *window, NimbeloraApp *app) {
        StartupProbe::watch(window, settleMs);
        if (const QString shot = qEnvironmentVariable("STARTUP_SHOT"); !shot.isEmpty()) {
            QObject::connect(
                window, &QQuickWindow::frameSwapped, app, [window, shot] { window->grabWindow().save(shot); },
                Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
        }
        if (shortsMs > 0) {
            QObject::connect(
                window, &QQuickWindow::frameSwapped, app, [window, app, shortsMs] { probeShorts(window, app, shortsMs); },
                Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
        }
        if (tabsMs <= 0)
            return;
        QObject::connect(
            window, &QQuickWindow::frameSwapped, app,
            [app, tabsMs] {
                const AppTab tabs[] = {AppTab::shorts, AppTab::search, AppTab::subscriptions, AppTab::library,
                                       AppTab::home};
                int delay = 0;
                for (AppTab tab : tabs)
                    QTimer::singleShot(delay += tabsMs, app, [app, tab] {
                        // What the tab being left brought the peak and present memory to.
                        std::printf("TAB %d %lld %lld\n", int(app->router()->tab()),
                                    static_cast<long long>(StartupProbe::peakRssKb()),
                                    static_cast<long long>(StartupProbe::rssKb()));
                        std::fflush(stdout);
                        app->router()->setTab(tab);
                    });
            },
            Qt::ConnectionType(Qt::DirectConnection | Qt::SingleShotConnection));
    };
    return NimbeloraApp::main(argc, argv, hooks);
}
