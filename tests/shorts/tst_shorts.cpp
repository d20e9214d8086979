#include "AppFixture.h"
#include "AudioSession.h"
#include "AvatarStore.h"
#include "Defaults.h"
#include "DiskCache.h"
#include "FileWriter.h"
#include "Haptics.h"
#include "LibraryStore.h"
#include "MpvEngine.h"
#include "PlayerStore.h"
#include "QmlHarness.h"
#include "SampleVideos.h"
#include "ShortsStore.h"
#include "SimulatedEngine.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>
#include <QUrlQuery>
#include <QWheelEvent>
#include <QCoroTask>
#include <memory>

namespace {

// Videos "<prefix><from>" … "<prefix><to>".
QJsonArray videos(const QString &prefix, int from, int to)
{
    QJsonArray out;
    for (int i = from; i <= to; ++i)
        out.append(QJsonObject{{"id", prefix + QString::number(i)}});
    return out;
}

QByteArray body(const QJsonArray &a) { return QJsonDocument(a).toJson(QJsonDocument::Compact); }

// Counts the times its core was asked to open.
class OpeningEngine : public SimulatedEngine
{
public:
    int opened = 0;
    void prepare() override { ++opened; }
};

QStringList cached()
{
    FileWriter::shared().drain();
    return ids(DiskCache::load<QList<Video>>(ShortsStore::cacheKey).result().value_or(QList<Video>{}));
}

} // namespace

class TestShorts : public QObject
{
    Q_OBJECT

    struct Stores
    {
        SimulatedEngine *main = new SimulatedEngine;
        PlayerStore player{main};
        LibraryStore library;
        AvatarStore avatars;
    };
    AppFixture m_fx;
    std::unique_ptr<ShortsStore> m_store;
    std::unique_ptr<Stores> m_stores;
    std::unique_ptr<QmlHarness> m_qml;
    QQuickItem *m_root = nullptr;
    ShortsStore *m_shorts = nullptr; // the store under test, or the screen's

    SimulatedEngine *engine() const { return static_cast<SimulatedEngine *>(m_shorts->player()); }
    // The one named item the user sees.
    QQuickItem *shown(const QString &name) const
    {
        const QList<QQuickItem *> items = QmlHarness::shownItems(m_root, name);
        return items.size() == 1 ? items.first() : nullptr;
    }

    // The reply to /api/shorts?page=<page> in place of the fixtures: the
    // list, or with a status a failure.
    void serve(int page, const QJsonArray &list, int delayMs = 0, int status = 0, int times = -1)
    {
        FaultRule rule{0, u"/api/shorts"_qs, QString::number(page)};
        rule.body = status ? FaultRule::Body::Default : FaultRule::Body::Raw;
        rule.rawBody = body(list);
        rule.delayMs = delayMs;
        rule.status = status;
        rule.message = u"Se cayó"_qs;
        rule.times = times;
        m_fx->addFault(rule);
    }
    QStringList pagesAsked() const
    {
        QStringList out;
        for (const RequestRecord &r : m_fx->requests().matching(u"/api/shorts"_qs))
            out.append(QUrlQuery(r.rawQuery).queryItemValue(u"page"_qs));
        return out;
    }
    // Ids whose first two stream bytes were asked for, sorted.
    QStringList warmed() const
    {
        QStringList out;
        for (const RequestRecord &r : m_fx->requests().matching(u"/api/stream/"_qs))
            if (r.header(u"Range"_qs) == u"bytes=0-1")
                out.append(r.path.section(QLatin1Char('/'), 3));
        return out.sort(), out;
    }
    // A store, on screen or not; on screen, its task has begun the first load.
    ShortsStore &make(bool shown = true)
    {
        m_store = std::make_unique<ShortsStore>();
        m_shorts = m_store.get();
        m_store->setOnScreen(shown);
        m_store->start();
        return *m_store;
    }
    // The first load has ended, with the list or its failure.
    static bool firstLoadEnded(const ShortsStore &store)
    {
        return TestTime::waitFor([&] { return store.state().isLoaded() || store.state().isFailed(); }, 10000);
    }
    // A shown store with the first page p0 … p9 loaded, p0 current; the log emptied.
    ShortsStore &loaded()
    {
        serve(0, videos(u"p"_qs, 0, 9));
        if (!firstLoadEnded(make()))
            qFatal("the first page never came");
        // Its own warming must be over before the log is cleared, however
        // slow the machine: a late one would count against the next step.
        const auto bothWarmed = [this] { return warmed().contains(u"p1"_qs) && warmed().contains(u"p2"_qs); };
        if (!TestTime::waitFor(bothWarmed, 60000))
            qFatal("the first two Shorts were never warmed");
        m_fx->requests().clear();
        return *m_store;
    }

    // The screen, shown, with its first Short current and ready.
    bool load()
    {
        m_qml = std::make_unique<QmlHarness>();
        m_root = m_qml->load(QUrl(u"qrc:/Nimbelora/Shorts/qml/ShortsView.qml"_qs),
                             {{u"player"_qs, QVariant::fromValue<QObject *>(&m_stores->player)},
                              {u"library"_qs, QVariant::fromValue<QObject *>(&m_stores->library)},
                              {u"avatars"_qs, QVariant::fromValue<QObject *>(&m_stores->avatars)}});
        m_shorts = m_root ? m_root->property("store").value<ShortsStore *>() : nullptr;
        // The screen holds its player a moment before the first Short loads.
        if (!m_shorts || !TestTime::waitFor([this] { return !m_shorts->currentID().isEmpty() && engine()->hasItem(); }))
            return false;
        engine()->makeReady(16);
        // The pager makes its pages when it next lays out.
        return TestTime::waitFor([this] { return shown(u"shortTapArea"_qs) != nullptr; });
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
        AppFixture::clearData();
        QDir(DiskCache::dir()).removeRecursively();
        Haptics::shared().clear();
        m_stores = std::make_unique<Stores>();
    }

    void cleanup()
    {
        m_qml.reset();
        m_stores.reset();
        m_store.reset();
        LibraryStore::waitForWrites();
        ShortsStore::setEngineFactory([] { return new SimulatedEngine; });
    }

    void firstLoad_data()
    {
        QTest::addColumn<QByteArray>("cacheFile");
        QTest::addColumn<int>("served"); // 0: the fixtures' page of 10
        QTest::newRow("no cache") << QByteArray() << 0;
        QTest::newRow("cached [] is no cache") << QByteArrayLiteral("[]") << 0;
        QTest::newRow("35 arrive, 30 cached") << QByteArray() << 35;
    }
    void firstLoad()
    {
        QFETCH(QByteArray, cacheFile);
        QFETCH(int, served);
        QDir().mkpath(DiskCache::dir());
        QFile file(DiskCache::path(ShortsStore::cacheKey));
        QVERIFY(cacheFile.isNull() || (file.open(QIODevice::WriteOnly) && file.write(cacheFile) == cacheFile.size()));
        file.close();
        if (served)
            serve(0, videos(u"s"_qs, 1, served));
        // The task's load is reading the cache when a second call comes.
        ShortsStore &store = make();
        store.loadInitial();
        QTRY_VERIFY(store.state().isLoaded() && !store.loadingMore());
        QCOMPARE(pagesAsked(), QStringList{u"0"_qs});
        QCOMPARE(store.nextPage(), 1);
        QCOMPARE(store.items().size(), served ? served : 10);
        QCOMPARE(store.currentID(), store.items().first().id);
        QCOMPARE(cached(), ids(store.items().mid(0, 30)));
    }

    // The cache shows at once; page 0 comes back as the next launch's cache,
    // unfiltered, and (three entries: every one is near the end) the first
    // paging asks page 0 again for what is new, each id once.
    void cacheShownThenRefreshed()
    {
        DiskCache::save(Json::decode<QList<Video>>(body(videos(u"c"_qs, 1, 3))), ShortsStore::cacheKey);
        FileWriter::shared().drain();
        serve(0, {videos(u"c"_qs, 2, 2)[0], videos(u"n"_qs, 1, 1)[0], videos(u"n"_qs, 1, 1)[0], videos(u"n"_qs, 2, 2)[0]});
        ShortsStore &store = make();
        QVERIFY(firstLoadEnded(store));
        QCOMPARE(ids(store.items()), (QStringList{u"c1"_qs, u"c2"_qs, u"c3"_qs}));
        QVERIFY(store.state().isLoaded());
        QCOMPARE(store.currentID(), u"c1"_qs);
        QTRY_COMPARE(ids(store.items()), (QStringList{u"c1"_qs, u"c2"_qs, u"c3"_qs, u"n1"_qs, u"n2"_qs}));
        QTRY_VERIFY(!store.loadingMore());
        QCOMPARE(store.nextPage(), 1);
        QCOMPARE(pagesAsked(), (QStringList{u"0"_qs, u"0"_qs}));
        QTRY_COMPARE(cached(), (QStringList{u"c2"_qs, u"n1"_qs, u"n1"_qs, u"n2"_qs}));
        // Shown again: nothing read or asked.
        store.setOnScreen(false);
        store.setOnScreen(true);
        QCOMPARE(pagesAsked().size(), 2);
    }

    // The first Short of a first load of three or fewer is near the end: the
    // next page is asked as soon as that load has ended, not at the first move.
    void shortFirstLoadAsksTheNextPage_data()
    {
        QTest::addColumn<int>("served");
        QTest::addColumn<QStringList>("asked");
        QTest::newRow("one") << 1 << QStringList{u"0"_qs, u"1"_qs};
        QTest::newRow("three") << 3 << QStringList{u"0"_qs, u"1"_qs};
        QTest::newRow("four: not near the end") << 4 << QStringList{u"0"_qs};
    }
    void shortFirstLoadAsksTheNextPage()
    {
        QFETCH(int, served);
        QFETCH(QStringList, asked);
        serve(0, videos(u"s"_qs, 1, served));
        serve(1, videos(u"t"_qs, 1, 2));
        ShortsStore &store = make();
        QVERIFY(firstLoadEnded(store));
        QCOMPARE(store.currentID(), u"s1"_qs);
        QTRY_VERIFY(!store.loadingMore());
        QCOMPARE(pagesAsked(), asked);
        QCOMPARE(store.items().size(), served + (asked.size() > 1 ? 2 : 0));
        QCOMPARE(cached().size(), served); // later pages never reach the cache
    }

    // A second call while one runs is dropped; every reply asked is used.
    void paging_data()
    {
        QTest::addColumn<QStringList>("replies"); // pages 1, 2, …: known, new, empty, fail
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("added");
        QTest::newRow("three without news end the call") << QStringList{u"known"_qs, u"empty"_qs, u"known"_qs} << 4 << 0;
        QTest::newRow("stops at the first news, each id once") << QStringList{u"known"_qs, u"new"_qs} << 3 << 2;
        QTest::newRow("a failure keeps page and list") << QStringList{u"known"_qs, u"fail"_qs} << 2 << 0;
    }
    void paging()
    {
        QFETCH(QStringList, replies);
        QFETCH(int, page);
        QFETCH(int, added);
        ShortsStore &store = loaded();
        const QJsonArray fresh{videos(u"q"_qs, 1, 1)[0], videos(u"q"_qs, 1, 1)[0], videos(u"r"_qs, 1, 1)[0]};
        for (int i = 0; i < replies.size(); ++i)
            serve(i + 1, replies[i] == u"known" ? videos(u"p"_qs, 3, 4) : replies[i] == u"new" ? fresh : QJsonArray(),
                  50, replies[i] == u"fail" ? 500 : 0);
        store.loadMore();
        QVERIFY(store.loadingMore());
        QCoro::waitFor(store.loadMore());
        QTRY_VERIFY(!store.loadingMore());
        QCOMPARE(pagesAsked().size(), replies.size());
        QCOMPARE(store.nextPage(), page);
        QCOMPARE(store.items().size(), 10 + added);
        QVERIFY(store.state().isLoaded());
    }

    void failedFirstLoadThenRetry()
    {
        serve(0, {}, 0, 500, 1);
        ShortsStore &store = make();
        QVERIFY(firstLoadEnded(store));
        QCOMPARE(store.state(), LoadState::failed(u"Se cayó"_qs));
        QCOMPARE(store.nextPage(), 0);
        QVERIFY(store.currentID().isEmpty() && !store.loadingMore());
        QVERIFY(!QFile::exists(DiskCache::path(ShortsStore::cacheKey)));
        store.retry();
        QTRY_VERIFY(store.state().isLoaded());
        QCOMPARE(cached().size(), 10);
    }

    void current_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("pages");
        QTest::addColumn<QStringList>("warms");
        QTest::newRow("the current one: no restart") << u"p0"_qs << false << QStringList{};
        QTest::newRow("index 1: p2 warmed before") << u"p1"_qs << false << QStringList{u"p3"_qs};
        QTest::newRow("index 6") << u"p6"_qs << false << QStringList{u"p7"_qs, u"p8"_qs};
        QTest::newRow("index 7") << u"p7"_qs << true << QStringList{u"p8"_qs, u"p9"_qs};
        QTest::newRow("index 9") << u"p9"_qs << true << QStringList{};
        QTest::newRow("not in the list") << u"zz"_qs << false << QStringList{};
    }
    void current()
    {
        QFETCH(QString, id);
        QFETCH(bool, pages);
        QFETCH(QStringList, warms);
        ShortsStore &store = loaded();
        store.togglePause();
        const qsizetype loads = engine()->loads().size();
        store.setCurrent(id);
        QCOMPARE(store.currentID(), id);
        QCOMPARE(engine()->loads().size(), loads + (id == u"p0" ? 0 : 1));
        QCOMPARE(store.paused(), id == u"p0");
        QVERIFY(engine()->itemUrl().path().endsWith(u"/api/stream/"_qs + id));
        QTRY_COMPARE(warmed(), warms);
        QTRY_COMPARE(store.items().size() > 10, pages);
        QTest::qWait(100);
        QCOMPARE(warmed(), warms);
    }

    void loop_data()
    {
        QTest::addColumn<bool>("paused");
        QTest::addColumn<bool>("shown");
        QTest::newRow("playing") << false << true;
        QTest::newRow("paused by the user") << true << true;
        QTest::newRow("screen hidden") << false << false;
    }
    // Hidden before the item is ready: neither readiness nor the loop plays.
    void loop()
    {
        QFETCH(bool, paused);
        QFETCH(bool, shown);
        ShortsStore &store = loaded();
        store.setOnScreen(shown);
        if (paused)
            store.togglePause();
        engine()->makeReady(10);
        QCOMPARE(engine()->isPaused(), paused || !shown);
        engine()->end();
        QTRY_COMPARE(engine()->seeks().size(), 1);
        QCOMPARE(engine()->seeks().first().target, 0.0);
        QCOMPARE(engine()->isPaused(), paused || !shown);
        QCOMPARE(store.paused(), paused);
        // The end of an item the store did not load is not looped.
        engine()->load(QUrl(u"http://127.0.0.1:9/other"_qs), true);
        engine()->makeReady(10);
        engine()->end();
        QTest::qWait(50);
        QCOMPARE(engine()->seeks().size(), 1);
    }

    void progress_data()
    {
        QTest::addColumn<double>("duration");
        QTest::addColumn<double>("played");
        QTest::addColumn<double>("progress");
        QTest::newRow("half") << 10.0 << 5.0 << 0.5;
        QTest::newRow("to the end") << 10.0 << 12.0 << 1.0;
        QTest::newRow("unknown length") << qQNaN() << 2.0 << 0.0;
        QTest::newRow("length 0") << 0.0 << 2.0 << 0.0;
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

    // Each action acts with haptics off too; only the haptic goes. The
    // button's icon follows the library at once.
    void actions_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("haptics");
        QTest::addColumn<QStringList>("given");
        QTest::addColumn<QString>("symbol");
        QTest::newRow("tap") << u"shortTapArea"_qs << true << QStringList{u"light"_qs} << QString();
        QTest::newRow("tap, haptics off") << u"shortTapArea"_qs << false << QStringList{} << QString();
        QTest::newRow("like") << u"shortLike"_qs << true << QStringList{u"success"_qs} << u"hand.thumbsup.fill"_qs;
        QTest::newRow("like, haptics off") << u"shortLike"_qs << false << QStringList{} << u"hand.thumbsup.fill"_qs;
        QTest::newRow("later") << u"shortLater"_qs << true << QStringList{u"light"_qs} << u"clock.badge.checkmark.fill"_qs;
    }
    void actions()
    {
        QFETCH(QString, button);
        QFETCH(bool, haptics);
        QFETCH(QStringList, given);
        QFETCH(QString, symbol);
        Defaults::shared().setValue(u"pref.haptics"_qs, haptics);
        QVERIFY(load());
        const QString id = m_shorts->currentID();
        QQuickItem *clicked = shown(button);
        QVERIFY(m_qml->click(clicked));
        QCOMPARE(Haptics::shared().given(), given);
        QCOMPARE(clicked->property("symbol").toString(), symbol);
        QCOMPARE(m_shorts->paused(), button == u"shortTapArea");
        QCOMPARE(m_stores->library.isLiked(id), button == u"shortLike");
        QCOMPARE(m_stores->library.isWatchLater(id), button == u"shortLater");
    }

    // A key press or a wheel notch moves one page; the page at rest is current.
    void pagingInput()
    {
        QVERIFY(load());
        const QPoint centre(m_root->width() / 2, m_root->height() / 2);
        auto send = [&](int key, int notch, int page) {
            QWheelEvent wheel(centre, m_qml->window()->mapToGlobal(centre), QPoint(), QPoint(0, notch), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            key ? QTest::keyClick(m_qml->window(), Qt::Key(key)) : void(QGuiApplication::sendEvent(m_qml->window(), &wheel));
            QTRY_COMPARE(m_shorts->currentID(), m_shorts->items().at(page).id);
        };
        send(Qt::Key_Down, 0, 1);
        send(0, -120, 2);
        send(Qt::Key_PageUp, 0, 1);
        send(0, 120, 0);
        send(Qt::Key_PageDown, 0, 1);
    }

    // While a swipe has not settled, the page in view is not the current one.
    void tapOnAnotherPage()
    {
        QVERIFY(load());
        QQuickItem *pager = m_qml->find(u"shortsPager"_qs);
        pager->setProperty("contentY", pager->height());
        QTRY_VERIFY(shown(u"shortTapArea"_qs));
        QVERIFY(m_qml->click(shown(u"shortTapArea"_qs)));
        QVERIFY(!m_shorts->paused());
        QVERIFY(Haptics::shared().given().isEmpty());
        QVERIFY(!shown(u"shortProgress"_qs));
    }

    // Showing pauses the main player every time; leaving pauses the Short
    // and keeps the user's pause for the next showing.
    void appearAndDisappear()
    {
        m_stores->main->load(QUrl(u"http://127.0.0.1:9/main"_qs), true);
        QVERIFY(load());
        QVERIFY(m_stores->main->isPaused() && !engine()->isPaused());
        m_root->setProperty("active", false);
        QVERIFY(engine()->isPaused() && !m_shorts->paused());
        m_root->setProperty("active", true);
        QVERIFY(!engine()->isPaused());
        m_shorts->togglePause();
        m_root->setProperty("active", false);
        m_stores->main->play();
        m_root->setProperty("active", true);
        QVERIFY(m_stores->main->isPaused() && m_shorts->paused() && engine()->isPaused());
    }

    // The store's part of the screen coming and going: the app's player
    // pauses each time, the Short plays unless the user paused it, an empty
    // list fills (once); going away pauses the Short and keeps the choice.
    void appearOnStore()
    {
        serve(0, videos(u"p"_qs, 0, 9));
        SimulatedEngine &main = *m_stores->main;
        main.load(QUrl(u"http://127.0.0.1:9/main"_qs), true);
        ShortsStore &store = make(false);
        store.setMainPlayer(&main);
        QVERIFY(!main.isPaused());

        store.setOnScreen(true);
        QVERIFY(main.isPaused());
        QTRY_VERIFY(store.state().isLoaded() && !store.currentID().isEmpty());
        engine()->makeReady(16);
        QVERIFY(!engine()->isPaused());

        for (bool userPaused : {false, true}) {
            if (userPaused)
                store.togglePause();
            store.setOnScreen(false);
            QVERIFY(engine()->isPaused());
            QCOMPARE(store.paused(), userPaused);
            main.play();
            store.setOnScreen(true);
            QVERIFY(main.isPaused());
            QCOMPARE(engine()->isPaused(), userPaused);
        }
        QTest::qWait(100);
        QCOMPARE(pagesAsked(), QStringList{u"0"_qs});
    }

    void held_data()
    {
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("userPaused");
        QTest::newRow("shown") << true << false;
        QTest::newRow("hidden") << false << false;
        QTest::newRow("paused by the user while held") << true << true;
    }
    // A held player stays closed and the current Short waits; the release
    // opens it and loads the Short, playing only when shown and not paused.
    void held()
    {
        QFETCH(bool, shown);
        QFETCH(bool, userPaused);
        auto *opening = new OpeningEngine;
        ShortsStore::setEngineFactory([opening] { return opening; });
        m_store = std::make_unique<ShortsStore>();
        m_shorts = m_store.get();
        ShortsStore &store = *m_store;
        store.setPlayerHeld(true);
        serve(0, videos(u"p"_qs, 0, 9));
        store.setOnScreen(shown);
        store.start();
        // Shown, the screen's task loads the list; hidden, the test does.
        if (!shown)
            QCoro::waitFor(store.loadInitial());
        QVERIFY(firstLoadEnded(store));
        QCOMPARE(store.currentID(), u"p0"_qs);
        store.setCurrent(u"p0"_qs);
        if (userPaused)
            store.togglePause();
        QCOMPARE(opening->opened, 0);
        QVERIFY(opening->loads().isEmpty());
        // Warming and paging do not wait for the player.
        QTRY_VERIFY(warmed().contains(u"p1"_qs) && warmed().contains(u"p2"_qs));

        store.setPlayerHeld(false);
        QCOMPARE(opening->opened, 1);
        QCOMPARE(opening->loads().size(), 1);
        QVERIFY(opening->itemUrl().path().endsWith(u"/api/stream/p0"_qs));
        QCOMPARE(opening->loads().first().play, shown && !userPaused);
        opening->makeReady(16);
        QVERIFY(store.ready());
        QCOMPARE(opening->isPaused(), !shown || userPaused);
        // Released once: the next Short loads at once, the same one not again.
        store.setCurrent(u"p1"_qs);
        store.setCurrent(u"p1"_qs);
        QCOMPARE(opening->loads().size(), 2);
        QCOMPARE(opening->opened, 1);
    }

    // A Short made current while held, then another: only the last loads,
    // and what the engine held before neither plays nor counts.
    void heldKeepsTheLast()
    {
        ShortsStore &store = loaded();
        engine()->makeReady(16);
        QVERIFY(!engine()->isPaused());
        store.setPlayerHeld(true);
        store.setCurrent(u"p1"_qs);
        store.setCurrent(u"p2"_qs);
        QVERIFY(!store.ready());
        // The Short left behind neither plays on nor moves the progress.
        QVERIFY(engine()->isPaused());
        engine()->makeReady(16);
        engine()->advance(4);
        QVERIFY(!store.ready());
        QCOMPARE(store.progress(), 0.0);
        const qsizetype loads = engine()->loads().size();
        store.setPlayerHeld(false);
        QCOMPARE(engine()->loads().size(), loads + 1);
        QVERIFY(engine()->itemUrl().path().endsWith(u"/api/stream/p2"_qs));
        engine()->makeReady(16);
        QVERIFY(store.ready());
    }

    // The screen opens its player only once shown with its content; a screen
    // made while its tab is hidden loads nothing and plays nothing.
    void screenHoldsItsPlayer()
    {
        serve(0, videos(u"p"_qs, 0, 9));
        m_qml = std::make_unique<QmlHarness>();
        m_root = m_qml->load(QUrl(u"qrc:/Nimbelora/Shorts/qml/ShortsView.qml"_qs),
                             {{u"player"_qs, QVariant::fromValue<QObject *>(&m_stores->player)},
                              {u"library"_qs, QVariant::fromValue<QObject *>(&m_stores->library)},
                              {u"avatars"_qs, QVariant::fromValue<QObject *>(&m_stores->avatars)},
                              {u"active"_qs, false}});
        QVERIFY(m_root);
        m_shorts = m_root->property("store").value<ShortsStore *>();
        QVERIFY(m_shorts->playerHeld());
        QTest::qWait(400);
        QVERIFY(m_shorts->playerHeld() && !engine()->hasItem());
        QVERIFY(m_shorts->items().isEmpty());

        m_root->setProperty("active", true);
        QVERIFY(m_shorts->playerHeld());
        QTRY_VERIFY(!m_shorts->playerHeld());
        QVERIFY(engine()->hasItem() && engine()->loads().size() == 1);
        QVERIFY(engine()->loads().first().play);
        m_root->setProperty("active", false);
        engine()->makeReady(16);
        QVERIFY(engine()->isPaused());
    }

    // With nothing to play the player is never opened.
    void screenLeavesItsPlayerClosedWithoutShorts_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("failed first load") << 500;
        QTest::newRow("empty first load") << 0;
    }
    void screenLeavesItsPlayerClosedWithoutShorts()
    {
        QFETCH(int, status);
        auto *opening = new OpeningEngine;
        ShortsStore::setEngineFactory([opening] { return opening; });
        serve(0, {}, 0, status);
        serve(1, {});
        serve(2, {});
        m_qml = std::make_unique<QmlHarness>();
        m_root = m_qml->load(QUrl(u"qrc:/Nimbelora/Shorts/qml/ShortsView.qml"_qs),
                             {{u"player"_qs, QVariant::fromValue<QObject *>(&m_stores->player)},
                              {u"library"_qs, QVariant::fromValue<QObject *>(&m_stores->library)},
                              {u"avatars"_qs, QVariant::fromValue<QObject *>(&m_stores->avatars)}});
        QVERIFY(m_root);
        m_shorts = m_root->property("store").value<ShortsStore *>();
        QTRY_VERIFY(status ? m_shorts->state().isFailed() : m_shorts->state().isLoaded());
        QTest::qWait(400);
        QVERIFY(m_shorts->playerHeld());
        QCOMPARE(opening->opened, 0);
    }

    // Real mpv: the first Short plays; from 15 s of 16 it loops to the start
    // and plays on. Its output follows the one chosen for the main player.
    void realMpv()
    {
        constexpr int kLong = 30000; // generous: the machine may be busy
        QVERIFY2(m_fx->prepareMedia(), qPrintable(m_fx->error()));
        AudioSession::shared().setAudioDevices({{u"auto"_qs, {}}, {u"null/a"_qs, {}}}, u"null/a"_qs);
        ShortsStore::setEngineFactory(nullptr);
        ShortsStore &store = make();
        auto *mpv = qobject_cast<MpvEngine *>(store.player());
        QVERIFY(mpv);
        QString device;
        QVariant threads;
        connect(mpv, &MpvEngine::mpvPropertyChanged, this, [&](const QByteArray &name, const QVariant &value) {
            if (name == "audio-device")
                device = value.toString();
            else if (name == "vd-lavc-threads")
                threads = value;
        });
        mpv->observeMpvProperty("audio-device");
        mpv->observeMpvProperty("vd-lavc-threads");
        QVERIFY(TestTime::waitFor([&] { return store.ready() && store.progress() > 0.05; }, kLong));
        QVERIFY(mpv->presentationSize().height() > mpv->presentationSize().width());
        // One decoding thread, not one per core: each holds reference frames.
        QTRY_COMPARE_WITH_TIMEOUT(threads.toLongLong(), 1, kLong);
        QTRY_COMPARE_WITH_TIMEOUT(device, u"null/a"_qs, kLong);
        mpv->seek(15);
        QVERIFY(TestTime::waitFor([&] { return mpv->currentTime() >= 15.2; }, kLong));
        QVERIFY(TestTime::waitFor([&] { return mpv->currentTime() > 0.3 && mpv->currentTime() < 5; }, kLong));
        QVERIFY(TestTime::waitFor([&] { return mpv->timeControlStatus() == MediaEngine::TimeControlStatus::Playing; }, kLong));
        AudioSession::shared().setAudioDevices({{u"auto"_qs, {}}, {u"null/b"_qs, {}}}, u"null/b"_qs);
        QTRY_COMPARE_WITH_TIMEOUT(device, u"null/b"_qs, kLong);
    }
};

QTEST_MAIN(TestShorts)
#include "tst_shorts.moc"
