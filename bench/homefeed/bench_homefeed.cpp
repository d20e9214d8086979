// Shows the home screen with a 500-video feed offscreen and reports how long
// the first frame of the list takes, how long scrolling it end to end takes
// (one screen per rendered frame), and the peak resident size along the way.
#include "HomeRig.h"
#include "WebSignIn.h"

#include <QGuiApplication>
#include <QTest>
#include <algorithm>
#include <vector>

using namespace homefeed;

namespace {

constexpr int videoCount = 500;

double ms(qint64 ns) { return ns / 1e6; }

} // namespace

int main(int argc, char *argv[])
{
    preferOffscreen();
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);

    HomeRig rig;
    if (!rig.start())
        return 1;
    rig.reset();

    // Every page of the personal feed is the same 500 videos, so the first
    // page fills the list and the next adds nothing and ends paging. The
    // delay keeps the list from arriving before the window is shown.
    QJsonArray videos;
    for (int i = 0; i < videoCount; ++i)
        videos.append(videoJson(i));
    FaultRule rule;
    rule.pathPrefix = QStringLiteral("/api/feed");
    rule.id = QStringLiteral("foryou");
    rule.body = FaultRule::Body::Raw;
    rule.rawBody = QJsonDocument(videos).toJson(QJsonDocument::Compact);
    rule.delayMs = 300;
    rig.backend().faults().add(rule);
    // To tell the thumbnails' share of time and memory from the rest.
    const bool noThumbs = app.arguments().contains(QStringLiteral("--no-thumbnails"));
    if (noThumbs)
        rig.backend().failPath(QStringLiteral("/vi/"), 404);

    const long rssBefore = peakRssKb();
    if (!rig.load())
        return 1;
    QQuickWindow *window = rig.window();
    FeedModel *feed = rig.feed();
    if (feed->state().isLoaded()) {
        std::fprintf(stderr, "the feed arrived before the window was shown\n");
        return 1;
    }

    QElapsedTimer clock;
    qint64 firstFrame = -1, cardsFrame = -1;
    QObject::connect(feed, &FeedModel::stateChanged, [&] {
        if (!clock.isValid() && feed->state().isLoaded() && feed->items().size() == videoCount)
            clock.start();
    });
    QObject::connect(window, &QQuickWindow::frameSwapped, [&] {
        if (!clock.isValid())
            return;
        if (firstFrame < 0)
            firstFrame = clock.nsecsElapsed();
        if (cardsFrame < 0 && !rig.shown(QStringLiteral("videoCard")).isEmpty())
            cardsFrame = clock.nsecsElapsed();
    });
    if (!QmlHarness::waitFor([&] { return cardsFrame >= 0; }, 15000)) {
        std::fprintf(stderr, "no frame with cards (feed state loaded: %d, items: %lld)\n", feed->state().isLoaded(),
                     qlonglong(feed->items().size()));
        return 1;
    }
    QList<QQuickItem *> built = QmlHarness::findAllIn(rig.root(), QStringLiteral("videoCard"));
    const qsizetype cardsBuilt = built.size();
    const qsizetype cardsOnScreen = rig.shown(QStringLiteral("videoCard")).size();
    // Let thumbnails and the first paging request settle before scrolling.
    QTest::qWait(1000);
    const long rssShown = peakRssKb();

    auto *view = rig.root()->property("feedView").value<QQuickItem *>();
    if (!view) {
        std::fprintf(stderr, "no feed view\n");
        return 1;
    }
    auto num = [&](const char *name) { return view->property(name).toDouble(); };
    auto bottom = [&] {
        return num("originY") + num("contentHeight") + num("bottomMargin") - num("height");
    };
    const double screen = num("height");
    std::vector<qint64> steps;
    int missed = 0;
    QElapsedTimer scroll;
    scroll.start();
    while (steps.size() < 10000) {
        const double y = num("contentY");
        const double end = bottom();
        if (y >= end - 0.5)
            break;
        QElapsedTimer step;
        step.start();
        view->setProperty("contentY", std::min(y + screen, end));
        if (!nextFrame(window))
            ++missed;
        steps.push_back(step.nsecsElapsed());
    }
    const qint64 scrollNs = scroll.nsecsElapsed();
    const long rssScrolled = peakRssKb();
    // Pending thumbnails and the next page land before the requests are counted.
    QTest::qWait(1500);
    built = QmlHarness::findAllIn(rig.root(), QStringLiteral("videoCard"));
    const qsizetype cardsAfterScroll = built.size();

    std::vector<qint64> sorted = steps;
    std::sort(sorted.begin(), sorted.end());
    auto pct = [&](double p) { return sorted.empty() ? 0 : sorted[std::min(sorted.size() - 1, size_t(p * sorted.size()))]; };

    std::printf("thumbnails                %s\n", noThumbs ? "refused (404)" : "served");
    std::printf("videos in feed            %lld\n", qlonglong(feed->items().size()));
    std::printf("window                    %dx%d, %s\n", window->width(), window->height(),
                qPrintable(QQuickWindow::sceneGraphBackend().isEmpty() ? QStringLiteral("default") : QQuickWindow::sceneGraphBackend()));
    std::printf("first frame after list    %.2f ms\n", ms(firstFrame));
    std::printf("first frame with cards    %.2f ms (%lld cards built, %lld on screen)\n", ms(cardsFrame),
                qlonglong(cardsBuilt), qlonglong(cardsOnScreen));
    std::printf("scroll end to end         %.1f ms, %zu screens of %.0f px, %d without a frame\n", ms(scrollNs),
                steps.size(), screen, missed);
    std::printf("  per screen              median %.2f ms, p90 %.2f ms, max %.2f ms\n", ms(pct(0.5)), ms(pct(0.9)),
                sorted.empty() ? 0.0 : ms(sorted.back()));
    std::printf("  cards alive at the end  %lld\n", qlonglong(cardsAfterScroll));
    std::printf("  reached                 contentY %.0f of %.0f, content height %.0f\n", num("contentY"), bottom(),
                num("contentHeight"));
    std::printf("peak RSS before load      %.1f MiB\n", rssBefore / 1024.0);
    std::printf("peak RSS feed shown       %.1f MiB\n", rssShown / 1024.0);
    std::printf("peak RSS after scroll     %.1f MiB\n", rssScrolled / 1024.0);
    // What the screen asked of the backend, by first path segment and status.
    QMap<QString, int> asked;
    for (const RequestRecord &r : rig.backend().requests().all())
        ++asked[QStringLiteral("/%1 %2").arg(r.path.section(QLatin1Char('/'), 1, 1)).arg(r.status)];
    for (auto it = asked.cbegin(); it != asked.cend(); ++it)
        std::printf("requests %-24s %d\n", qPrintable(it.key()), it.value());
    rig.unload();
    return 0;
}
