#include "API.h"
#include "AppFixture.h"
#include "DiskCache.h"
#include "FileWriter.h"
#include "ShortsStore.h"
#include "SimulatedEngine.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>
#include <QUrlQuery>
#include <QCoroTask>
#include <cmath>
#include <memory>

namespace {

// Videos "<prefix><from>" … "<prefix><to>".
QJsonArray videos(const QString &prefix, int from, int to)
{
    QJsonArray out;
    for (int i = from; i <= to; ++i)
        out.append(QJsonObject{{"id", prefix + QString::number(i)}, {"title", QStringLiteral("Short")}});
    return out;
}

QByteArray body(const QJsonArray &a) { return QJsonDocument(a).toJson(QJsonDocument::Compact); }

QStringList ids(const QList<Video> &list)
{
    QStringList out;
    for (const Video &v : list)
        out.append(v.id);
    return out;
}

QList<Video> cached()
{
    FileWriter::shared().drain();
    return DiskCache::load<QList<Video>>(ShortsStore::cacheKey).result().value_or(QList<Video>{});
}

} // namespace

class TestShortsStore : public QObject
{
    Q_OBJECT

    AppFixture m_fx;
    std::unique_ptr<ShortsStore> m_store;

    SimulatedEngine *engine() const { return static_cast<SimulatedEngine *>(m_store->player()); }

    // The reply to /api/shorts?page=<page>, in place of the fixtures.
    void serve(int page, const QJsonArray &list, int delayMs = 0)
    {
        FaultRule rule;
        rule.pathPrefix = QStringLiteral("/api/shorts");
        rule.id = QString::number(page);
        rule.body = FaultRule::Body::Raw;
        rule.rawBody = body(list);
        rule.delayMs = delayMs;
        m_fx->addFault(rule);
    }
    void fail(int page, int times = -1)
    {
        FaultRule rule;
        rule.pathPrefix = QStringLiteral("/api/shorts");
        rule.id = QString::number(page);
        rule.status = 500;
        rule.message = QStringLiteral("Se cayó");
        rule.times = times;
        m_fx->addFault(rule);
    }
    // The pages asked for, in order.
    QStringList pagesAsked() const
    {
        QStringList out;
        for (const RequestRecord &r : m_fx->requests().matching(QStringLiteral("/api/shorts")))
            out.append(QUrlQuery(r.rawQuery).queryItemValue(QStringLiteral("page")));
        return out;
    }
    QStringList warmed() const
    {
        QStringList out;
        for (const RequestRecord &r : m_fx->requests().matching(QStringLiteral("/api/stream/")))
            if (r.header(QStringLiteral("Range")) == QLatin1String("bytes=0-1"))
                out.append(r.path.section(QLatin1Char('/'), 3));
        out.sort();
        return out;
    }
    ShortsStore &make(bool shown = true)
    {
        m_store = std::make_unique<ShortsStore>();
        m_store->setShown(shown);
        m_store->start();
        return *m_store;
    }
    // A shown store with the first page p0 … p9 loaded; the log emptied.
    ShortsStore &loaded()
    {
        serve(0, videos(QStringLiteral("p"), 0, 9));
        make();
        QCoro::waitFor(m_store->loadInitial());
        QTest::qWaitFor([this] { return warmed().size() == 2; });
        m_fx->requests().clear();
        return *m_store;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_fx.start(), qPrintable(m_fx.error()));
        ShortsStore::setEngineFactory([] { return new SimulatedEngine; });
    }

    void init()
    {
        m_fx.reset();
        QDir(DiskCache::dir()).removeRecursively();
    }

    void cleanup()
    {
        m_store.reset();
        FileWriter::shared().drain();
    }

    void firstLoad_data()
    {
        QTest::addColumn<QByteArray>("cacheFile");
        QTest::addColumn<int>("served"); // 0: the fixtures' page of 10
        QTest::addColumn<int>("cachedCount");
        QTest::newRow("no cache") << QByteArray() << 0 << 10;
        QTest::newRow("cached [] is no cache") << QByteArrayLiteral("[]") << 0 << 10;
        QTest::newRow("damaged cache") << QByteArrayLiteral("[{") << 0 << 10;
        QTest::newRow("35 arrive, 30 cached") << QByteArray() << 35 << 30;
    }
    void firstLoad()
    {
        QFETCH(QByteArray, cacheFile);
        QFETCH(int, served);
        QFETCH(int, cachedCount);
        if (!cacheFile.isNull()) {
            QDir().mkpath(DiskCache::dir());
            QFile f(DiskCache::path(ShortsStore::cacheKey));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(cacheFile) == cacheFile.size());
        }
        if (served)
            serve(0, videos(QStringLiteral("s"), 1, served));
        ShortsStore &store = make();
        // The second call comes while the first reads the cache.
        store.startLoadInitial();
        store.startLoadInitial();
        QTRY_VERIFY(store.state().isLoaded());
        QVERIFY(!store.loading());
        QCOMPARE(pagesAsked(), QStringList{u"0"_qs});
        QCOMPARE(store.page(), 1);
        QCOMPARE(store.items().size(), served ? served : 10);
        QCOMPARE(store.currentID(), store.items().first().id);
        QCOMPARE(ids(cached()), ids(store.items().mid(0, cachedCount)));
    }

    // The cache shows at once; page 0 comes back as the next launch's cache,
    // unfiltered, and (three entries: every one is near the end) the first
    // paging asks page 0 again for what is new, each id once.
    void cacheShownThenRefreshed()
    {
        DiskCache::save(Json::decode<QList<Video>>(body(videos(u"c"_qs, 1, 3))), ShortsStore::cacheKey);
        FileWriter::shared().drain();
        const QJsonArray page0{videos(u"c"_qs, 2, 2)[0], videos(u"n"_qs, 1, 1)[0], videos(u"n"_qs, 1, 2)[0],
                               videos(u"n"_qs, 2, 2)[0]};
        serve(0, page0);
        ShortsStore &store = make();
        QCoro::waitFor(store.loadInitial());
        QCOMPARE(ids(store.items()), (QStringList{u"c1"_qs, u"c2"_qs, u"c3"_qs}));
        QVERIFY(store.state().isLoaded());
        QCOMPARE(store.currentID(), u"c1"_qs);
        QTRY_COMPARE(ids(store.items()), (QStringList{u"c1"_qs, u"c2"_qs, u"c3"_qs, u"n1"_qs, u"n2"_qs}));
        QTRY_VERIFY(!store.loading());
        QCOMPARE(store.page(), 1);
        QCOMPARE(pagesAsked(), (QStringList{u"0"_qs, u"0"_qs}));
        QTRY_COMPARE(ids(cached()), (QStringList{u"c2"_qs, u"n1"_qs, u"n1"_qs, u"n2"_qs}));
        // Shown again: nothing is read or asked.
        QCoro::waitFor(store.loadInitial());
        QCOMPARE(pagesAsked().size(), 2);
    }

    void paging_data()
    {
        QTest::addColumn<QStringList>("replies"); // pages 1, 2, …: known, new, empty, fail
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("added");
        QTest::newRow("three without news end the call") << QStringList{u"known"_qs, u"empty"_qs, u"known"_qs} << 4 << 0;
        QTest::newRow("stops at the first news") << QStringList{u"known"_qs, u"new"_qs, u"new"_qs} << 3 << 2;
        QTest::newRow("a failure keeps page and list") << QStringList{u"known"_qs, u"fail"_qs} << 2 << 0;
    }
    void paging()
    {
        QFETCH(QStringList, replies);
        QFETCH(int, page);
        QFETCH(int, added);
        ShortsStore &store = loaded();
        for (int i = 0; i < replies.size(); ++i) {
            if (replies[i] == u"fail")
                fail(i + 1);
            else
                serve(i + 1, replies[i] == u"known" ? videos(u"p"_qs, 3, 4)
                              : replies[i] == u"new" ? QJsonArray{videos(u"q"_qs, i, i)[0], videos(u"q"_qs, i, i)[0], videos(u"r"_qs, i, i)[0]}
                                                     : QJsonArray());
        }
        QCoro::waitFor(store.loadMore(false));
        QCOMPARE(store.page(), page);
        QCOMPARE(store.items().size(), 10 + added);
        QVERIFY(store.state().isLoaded());
        QVERIFY(!store.loading());
    }

    void failedFirstLoadThenRetry()
    {
        fail(0, 1);
        ShortsStore &store = make();
        QCoro::waitFor(store.loadInitial());
        QCOMPARE(store.state(), LoadState::failed(u"Se cayó"_qs));
        QCOMPARE(store.page(), 0);
        QVERIFY(store.currentID().isEmpty());
        QVERIFY(!store.loading());
        QVERIFY(!QFile::exists(DiskCache::path(ShortsStore::cacheKey)));
        QCoro::waitFor(store.loadInitial());
        QVERIFY(store.state().isLoaded());
        QCOMPARE(cached().size(), 10);
    }

    void overlappingCallDropped()
    {
        ShortsStore &store = loaded();
        serve(1, videos(u"q"_qs, 1, 2), 300);
        store.loadMore(false);
        QVERIFY(store.loading());
        QCoro::waitFor(store.loadMore(false));
        QTRY_VERIFY(!store.loading());
        QCOMPARE(pagesAsked(), QStringList{u"1"_qs});
        QCOMPARE(store.page(), 2);
    }

    void current_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("pages");
        QTest::addColumn<QStringList>("warms");
        QTest::newRow("index 1: p2 warmed before") << u"p1"_qs << false << QStringList{u"p3"_qs};
        QTest::newRow("index 6") << u"p6"_qs << false << QStringList{u"p7"_qs, u"p8"_qs};
        QTest::newRow("index 7") << u"p7"_qs << true << QStringList{u"p8"_qs, u"p9"_qs};
        QTest::newRow("index 8") << u"p8"_qs << true << QStringList{u"p9"_qs};
        QTest::newRow("index 9") << u"p9"_qs << true << QStringList{};
        QTest::newRow("not in the list") << u"zz"_qs << false << QStringList{};
    }
    void current()
    {
        QFETCH(QString, id);
        QFETCH(bool, pages);
        QFETCH(QStringList, warms);
        ShortsStore &store = loaded();
        store.setCurrent(id);
        QCOMPARE(store.currentID(), id);
        QVERIFY(engine()->itemUrl().path().endsWith(u"/api/stream/"_qs + id));
        QTRY_COMPARE(warmed(), warms);
        QTRY_COMPARE(store.items().size() > 10, pages);
        QTest::qWait(100);
        QCOMPARE(warmed(), warms);
    }

    void sameIdIsNoRestart()
    {
        ShortsStore &store = loaded();
        store.togglePause();
        const int loads = engine()->loads().size();
        store.setCurrent(u"p0"_qs);
        QCOMPARE(engine()->loads().size(), loads);
        QVERIFY(store.paused());
        engine()->unload();
        store.setCurrent(u"p0"_qs);
        QCOMPARE(engine()->loads().size(), loads + 1);
        QVERIFY(!store.paused());
    }

    void loop_data()
    {
        QTest::addColumn<bool>("paused");
        QTest::addColumn<bool>("shown");
        QTest::newRow("playing") << false << true;
        QTest::newRow("paused by the user") << true << true;
        QTest::newRow("screen hidden") << false << false;
    }
    void loop()
    {
        QFETCH(bool, paused);
        QFETCH(bool, shown);
        ShortsStore &store = loaded();
        engine()->makeReady(10);
        QVERIFY(store.ready());
        if (paused)
            store.togglePause();
        store.setShown(shown);
        engine()->end();
        QTRY_COMPARE(engine()->seeks().size(), 1);
        QCOMPARE(engine()->seeks().first().target, 0.0);
        QCOMPARE(engine()->isPaused(), paused || !shown);
        QCOMPARE(store.paused(), paused);
    }

    // Ends and readiness of an item the store did not load change nothing.
    void staleItemIgnored()
    {
        ShortsStore &store = loaded();
        engine()->load(QUrl(u"http://127.0.0.1:9/other"_qs), 0, false);
        engine()->makeReady(10);
        QVERIFY(!store.ready());
        engine()->play();
        engine()->end();
        QTest::qWait(50);
        QVERIFY(engine()->seeks().isEmpty());
    }

    void progress_data()
    {
        QTest::addColumn<double>("duration");
        QTest::addColumn<double>("played");
        QTest::addColumn<double>("progress");
        QTest::newRow("half") << 10.0 << 5.0 << 0.5;
        QTest::newRow("to the end") << 10.0 << 12.0 << 1.0;
        QTest::newRow("unknown length") << std::nan("") << 2.0 << 0.0;
        QTest::newRow("endless") << double(INFINITY) << 2.0 << 0.0;
        QTest::newRow("zero length") << 0.0 << 2.0 << 0.0;
    }
    void progress()
    {
        QFETCH(double, duration);
        QFETCH(double, played);
        QFETCH(double, progress);
        ShortsStore &store = loaded();
        engine()->makeReady(duration);
        engine()->advance(played);
        QCOMPARE(store.progress(), progress);
    }

    // A first load that ends while the screen is away leaves its Short
    // paused, ready or not; the next showing plays it.
    void nothingPlaysWhileHidden()
    {
        ShortsStore &store = make(false);
        QCoro::waitFor(store.loadInitial());
        QVERIFY(!store.currentID().isEmpty());
        engine()->makeReady(10);
        QVERIFY(engine()->isPaused());
        store.setShown(true);
        QVERIFY(!engine()->isPaused());
        store.setShown(false);
        QVERIFY(engine()->isPaused());
        QVERIFY(!store.paused());
    }
};

QTEST_GUILESS_MAIN(TestShortsStore)
#include "tst_shortsstore.moc"
