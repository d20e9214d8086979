// Pages through 200 Shorts offscreen, one page at a time as a settled swipe
// does, and reports the page delegates and video surfaces alive, the GUI time
// of each page change (the pager settling, the store making the Short
// current, the new delegate built) and of its first frame, and the resident
// memory after 20 and after 200 pages. With --no-thumbnails the thumbnail
// host refuses, which leaves out the image loader's memory cache (it keeps up
// to 400 decoded pictures by design).
#include "ShortsRig.h"
#include "WebSignIn.h"

#include <QFile>
#include <QGuiApplication>
#include <QTest>
#include <algorithm>
#include <vector>

using namespace shorts;

namespace {

constexpr int pages = 200;

double ms(qint64 ns) { return ns / 1e6; }

long rssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

qint64 median(std::vector<qint64> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    homefeed::preferOffscreen();
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);

    ShortsRig rig;
    if (!rig.start())
        return 1;
    rig.reset([] { return new SimulatedEngine; });
    // Raw pages of ten Shorts each, enough for every step and the paging ahead.
    for (int p = 0; p * 10 < pages + 20; ++p) {
        QJsonArray list;
        for (int i = 0; i < 10; ++i)
            list.append(homefeed::videoJson(p * 10 + i));
        FaultRule rule;
        rule.pathPrefix = QStringLiteral("/api/shorts");
        rule.id = QString::number(p);
        rule.body = FaultRule::Body::Raw;
        rule.rawBody = QJsonDocument(list).toJson(QJsonDocument::Compact);
        rig.backend().faults().add(rule);
    }
    const bool noThumbs = app.arguments().contains(QStringLiteral("--no-thumbnails"));
    if (noThumbs)
        rig.backend().failPath(QStringLiteral("/vi/"), 404);
    if (!rig.load() || !QmlHarness::waitFor([&] { return !rig.store()->currentID().isEmpty(); }, 15000)) {
        std::fprintf(stderr, "no first Short\n");
        return 1;
    }
    ShortsStore *store = rig.store();
    auto *engine = static_cast<SimulatedEngine *>(store->player());
    engine->makeReady(16);
    QQuickItem *pager = rig.pager();
    QQuickWindow *window = rig.window();
    homefeed::nextFrame(window);

    std::vector<qint64> changes, frames;
    qsizetype mostPages = 0, mostSurfaces = 0;
    long rss20 = 0;
    for (int step = 1; step <= pages; ++step) {
        if (!QmlHarness::waitFor([&] { return store->items().size() > step; }, 15000)) {
            std::fprintf(stderr, "the list stopped at %lld\n", qlonglong(store->items().size()));
            return 1;
        }
        QElapsedTimer clock;
        clock.start();
        pager->setProperty("contentY", pager->property("originY").toDouble() + step * pager->height());
        QMetaObject::invokeMethod(pager, "settle");
        changes.push_back(clock.nsecsElapsed());
        homefeed::nextFrame(window);
        frames.push_back(clock.nsecsElapsed());
        if (store->currentID() != store->items().at(step).id) {
            std::fprintf(stderr, "step %d did not make its Short current\n", step);
            return 1;
        }
        engine->makeReady(16);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        mostPages = std::max(mostPages, rig.alive(QStringLiteral("shortTapArea")));
        mostSurfaces = std::max(mostSurfaces, rig.alive(QStringLiteral("shortSurface")));
        if (step == 20)
            rss20 = rssKb();
    }
    QTest::qWait(500);
    const long rss200 = rssKb();

    std::printf("thumbnails                %s\n", noThumbs ? "refused (404)" : "served");
    std::printf("Shorts paged              %d of %lld loaded\n", pages, qlonglong(store->items().size()));
    std::printf("page delegates alive      at most %lld\n", qlonglong(mostPages));
    std::printf("video surfaces alive      at most %lld\n", qlonglong(mostSurfaces));
    std::printf("page change (GUI time)    median %.2f ms, max %.2f ms\n", ms(median(changes)),
                ms(*std::max_element(changes.begin(), changes.end())));
    std::printf("  to its frame            median %.2f ms, max %.2f ms\n", ms(median(frames)),
                ms(*std::max_element(frames.begin(), frames.end())));
    std::printf("RSS after 20 pages        %.1f MiB\n", rss20 / 1024.0);
    std::printf("RSS after 200 pages       %.1f MiB (%+.1f %%)\n", rss200 / 1024.0,
                rss20 ? 100.0 * (rss200 - rss20) / rss20 : 0.0);
    rig.unload();
    return 0;
}
