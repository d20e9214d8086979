// Types 20 characters into the search field, 40 ms apart in four bursts with
// a pause after each, against a suggestion endpoint that answers after
// 300 ms, and then lets further result pages land in the grid. Reports the
// suggestion requests (one per pause is right) and the longest gap between
// frames while typing and while a page lands, against the same typing into
// the bare SearchField (at most 1.5 times its gap is right).
#include "SearchRig.h"
#include "WebSignIn.h"

#include <QGuiApplication>
#include <QTest>

using namespace homefeed;

namespace {

const QStringList bursts{u"recet"_qs, u"as fa"_qs, u"ciles"_qs, u" casa"_qs};
constexpr int keyGapMs = 40;
constexpr int pauseMs = 400;

// The longest gap between frames while `work` runs, with a frame asked for
// every 8 ms so that idle time is not counted as a gap.
double longestFrameGap(QQuickWindow *window, const std::function<void()> &work)
{
    QElapsedTimer clock;
    qint64 last = -1, longest = 0;
    const auto c = QObject::connect(window, &QQuickWindow::frameSwapped, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last >= 0)
            longest = std::max(longest, now - last);
        last = now;
    });
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, window, [window] { window->update(); });
    ticker.start(8);
    clock.start();
    nextFrame(window);
    work();
    ticker.stop();
    QObject::disconnect(c);
    return longest / 1e6;
}

void type(QQuickWindow *window)
{
    for (const QString &burst : bursts) {
        for (QChar ch : burst) {
            QTest::keyClick(window, ch.toLatin1());
            QTest::qWait(keyGapMs);
        }
        QTest::qWait(pauseMs);
    }
}

bool focus(QmlHarness &qml)
{
    qml.window()->requestActivate();
    if (!QTest::qWaitForWindowActive(qml.window()))
        return false;
    return qml.click(qml.find(u"searchInput"_qs));
}

} // namespace

int main(int argc, char *argv[])
{
    preferOffscreen();
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);

    // The bare field first.
    double bare = 0;
    {
        QmlHarness qml;
        qml.window()->resize(430, 932);
        if (!qml.loadSource("import QtQuick\nimport Nimbelora.Foundation\n"
                            "Item { SearchField { x: 16; y: 52; width: 398 } }\n")
            || !focus(qml)) {
            std::fprintf(stderr, "bare field: %s\n", qPrintable(qml.errors()));
            return 1;
        }
        bare = longestFrameGap(qml.window(), [&] { type(qml.window()); });
    }

    HomeRig rig;
    if (!rig.start())
        return 1;
    rig.reset();
    rig.backend().delayPath(u"/api/suggest"_qs, 300);
    QQuickItem *root = rig.load(430, 932, searchView, searchStores);
    auto *search = root ? root->property("model").value<SearchModel *>() : nullptr;
    if (!search || !focus(rig.qml())) {
        std::fprintf(stderr, "no search view\n");
        return 1;
    }
    const double typing = longestFrameGap(rig.window(), [&] { type(rig.window()); });
    QTest::qWait(500); // the last reply (requests are logged as they are answered)
    const qsizetype asked = rig.backend().requests().matching(u"/api/suggest"_qs).size();

    search->run(u"de"_qs, false);
    if (!QmlHarness::waitFor([&] { return search->state().isLoaded(); }, 8000)) {
        std::fprintf(stderr, "no results\n");
        return 1;
    }
    QTest::qWait(1000);
    double landing = 0;
    int pages = 0;
    while (search->canMore() && pages < 4) {
        landing = std::max(landing, longestFrameGap(rig.window(), [&] {
            search->fetchMore();
            QmlHarness::waitFor([&] { return !search->loadingMore(); }, 8000);
            QTest::qWait(300);
        }));
        ++pages;
    }

    const double limit = 1.5 * bare;
    std::printf("suggestion requests       %lld for %lld pauses%s\n", qlonglong(asked), qlonglong(bursts.size()),
                asked == bursts.size() ? "" : "  (expected one per pause)");
    std::printf("bare field, typing        longest frame gap %.2f ms\n", bare);
    std::printf("search view, typing       longest frame gap %.2f ms%s\n", typing, typing <= limit ? "" : "  (over 1.5x)");
    std::printf("search view, %d pages land longest frame gap %.2f ms%s\n", pages, landing,
                landing <= limit ? "" : "  (over 1.5x)");
    for (const RequestRecord &r : rig.backend().requests().matching(u"/api/suggest"_qs))
        std::printf("  asked                   %s\n", qPrintable(QUrl::fromPercentEncoding(r.rawQuery.toUtf8())));
    rig.unload();
    return 0;
}
