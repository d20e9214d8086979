// Cost of one pointer move while scrubbing, offscreen: a horizontal pan on
// the video against a drag on the timeline's seek bar, over the same sheet,
// the same number of moves and the same distances. Prints the medians of
// several rounds and their ratio; fails when the pan costs more than 1.5×.
#include "API.h"
#include "HomeRig.h"
#include "PlayerRig.h"
#include "WebSignIn.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace playertest;

namespace {

constexpr int kMoves = 600;
constexpr int kRounds = 21;
constexpr double kLimit = 1.5;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Microseconds per move of one drag from `from` across `span` points and
// back; negative when the drag did not scrub.
double dragCost(QWindow *w, const PlayerStore &store, QPoint from, int span)
{
    QTest::mousePress(w, Qt::LeftButton, {}, from);
    QElapsedTimer t;
    t.start();
    for (int i = 1; i <= kMoves; ++i) {
        const int step = i % (2 * span);
        QTest::mouseMove(w, from + QPoint(step < span ? step : 2 * span - step, 0), 1);
    }
    QCoreApplication::processEvents();
    const double us = store.isScrubbing() ? t.nsecsElapsed() / 1e3 / kMoves : -1;
    QTest::mouseRelease(w, Qt::LeftButton, {}, from, 1);
    QTest::qWait(50);
    return us;
}

} // namespace

int main(int argc, char *argv[])
{
    homefeed::preferOffscreen();
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);
    TestDirs::isolate();
    Pref::registerDefaults();
    // Nothing listens there: the video's details never arrive.
    API::shared().setBaseUrl(QUrl(QStringLiteral("http://127.0.0.1:9")));

    Rig rig;
    rig.start(makeVideo(QStringLiteral("bench"), 3600), 3600);
    rig.engine->pause();
    QmlHarness h;
    QQuickItem *root = rig.loadSheet(h);
    if (!root) {
        std::fprintf(stderr, "%s\n", qPrintable(h.errors()));
        return 1;
    }
    QQuickItem *bar = h.find(QStringLiteral("scrubberTouch"));
    QQuickItem *area = h.find(QStringLiteral("playerArea"));
    const QPoint onBar = bar->mapToScene(QPointF(bar->width() * 0.2, bar->height() / 2)).toPoint();
    // Between the top bar and the transport row: only the video is there.
    const QPoint onVideo = area->mapToScene(QPointF(area->width() * 0.2, 60)).toPoint();
    const int span = int(bar->width() * 0.6);

    std::vector<double> timeline, pan;
    for (int r = 0; r < kRounds; ++r) {
        timeline.push_back(dragCost(h.window(), rig.store, onBar, span));
        pan.push_back(dragCost(h.window(), rig.store, onVideo, span));
    }
    if (std::min(*std::min_element(timeline.begin(), timeline.end()), *std::min_element(pan.begin(), pan.end())) < 0) {
        std::fprintf(stderr, "a drag did not scrub\n");
        return 1;
    }
    const double t = median(timeline), p = median(pan);
    std::printf("timeline scrubber: %.1f µs per move\n", t);
    std::printf("pan on the video:  %.1f µs per move\n", p);
    std::printf("ratio: %.2f (limit %.1f)\n", p / t, kLimit);
    return p / t <= kLimit ? 0 : 1;
}
