// The player store's state and its play and load flow, on the scripted
// engine against the in-process development backend: which stream is loaded
// where, the fallback to the progressive stream, resuming, the same-video
// shortcut, the back stack, what the detail does to the store, retry and
// stop, and replies that arrive for a video that is no longer current.
#include "API.h"
#include "Defaults.h"
#include "FaultSwitches.h"
#include "LibraryStore.h"
#include "Orientation.h"
#include "PlayerStore.h"
#include "Pref.h"
#include "SimulatedEngine.h"
#include "TestBackend.h"
#include "TestDirs.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

#include <cmath>
#include <limits>
#include <memory>

class PlayerStoreProbe
{
public:
    static void setOnCellular(PlayerStore &s, bool v) { s.setOnCellular(v); }
};

namespace {

using Probe = PlayerStoreProbe;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

Video makeVideo(const QString &id, qint64 duration = 600, const QString &title = QStringLiteral("Vídeo de prueba"))
{
    Video v;
    v.id = id;
    v.title = title;
    v.channel = QStringLiteral("Canal de prueba");
    v.duration = duration;
    return v;
}

VideoDetail makeDetail(const QString &id, bool canPlay = true, std::optional<bool> hls = std::nullopt)
{
    VideoDetail d;
    d.id = id;
    d.title = QStringLiteral("Título real de ") + id;
    d.description = QStringLiteral("Descripción");
    d.channel = QStringLiteral("Canal real");
    d.channelId = QStringLiteral("UCreal");
    d.duration = 321;
    d.canPlay = canPlay;
    d.hls = hls;
    return d;
}

QByteArray json(const QJsonValue &v)
{
    return v.isArray() ? QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact)
                       : QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact);
}

QJsonArray videosJson(const QStringList &ids)
{
    QJsonArray a;
    for (const QString &id : ids)
        a.append(makeVideo(id).toJson());
    return a;
}

QJsonArray segmentsJson(const QList<SponsorSegment> &list)
{
    QJsonArray a;
    for (const SponsorSegment &s : list)
        a.append(s.toJson());
    return a;
}

QString queryValue(const QUrl &url, const QString &key) { return QUrlQuery(url).queryItemValue(key); }

struct Rig
{
    SimulatedEngine *engine = new SimulatedEngine;
    PlayerStore store{engine};
    std::unique_ptr<LibraryStore> library = std::make_unique<LibraryStore>();
    QList<SyncEvent> synced;

    Rig()
    {
        store.setWaits({200, 20});
        library->onSync = [this](const SyncEvent &e) { synced << e; };
        store.attach(library.get());
    }

    // The metadata load ends with the comments, so their state says it is over.
    bool settle(int ms = 8000)
    {
        return QTest::qWaitFor([&] { return store.commentsState().isLoaded() || store.commentsState().isFailed(); }, ms);
    }
    SimulatedEngine::Load lastLoad() const { return engine->loads().isEmpty() ? SimulatedEngine::Load{} : engine->loads().last(); }
};

} // namespace

class TestPlayerStoreLoad : public QObject
{
    Q_OBJECT

private:
    TestBackend backend;

    void serve(const QString &path, const QByteArray &body, int delayMs = 0, const QString &id = {})
    {
        FaultRule r;
        r.pathPrefix = path;
        r.id = id;
        r.body = FaultRule::Body::Raw;
        r.rawBody = body;
        r.delayMs = delayMs;
        backend.addFault(r);
    }
    // The fast detail differs from the full one by its query value "1".
    void serveDetail(const QString &id, const VideoDetail &fast, const VideoDetail &full)
    {
        serve(QStringLiteral("/api/video/") + id, json(fast.toJson()), 0, QStringLiteral("1"));
        serve(QStringLiteral("/api/video/") + id, json(full.toJson()));
    }

private slots:
    void initTestCase()
    {
        TestDirs::isolate();
        QVERIFY(backend.isRunning());
        API::shared().setBaseUrl(QUrl(backend.origin()));
        Pref::registerDefaults();
    }

    void init()
    {
        LibraryStore::waitForWrites();
        QDir(TestDirs::dataDir()).removeRecursively(); // a fresh library each time
        Defaults::useMemory();
        Orientation::clearHistory();
        backend.clearFaults();
    }

    void cleanup() { LibraryStore::waitForWrites(); }

    // ---- state and attach

    void speedSettingAtAttach_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<float>("speed");
        QTest::newRow("1.5") << QVariant(1.5) << 1.5f;
        QTest::newRow("zero") << QVariant(0.0) << 1.0f;
        QTest::newRow("negative") << QVariant(-2.0) << 1.0f;
        QTest::newRow("nothing stored") << QVariant() << 1.0f;
    }

    void speedSettingAtAttach()
    {
        QFETCH(QVariant, stored);
        QFETCH(float, speed);
        if (stored.isValid())
            Defaults::shared().setValue(Pref::speed, stored);
        auto *engine = new SimulatedEngine;
        PlayerStore store(engine);
        LibraryStore library;
        store.attach(&library);
        QCOMPARE(store.speed(), speed);
        QCOMPARE(engine->defaultRate(), double(speed));
    }

    // A second attach only swaps the library: the clock still counts each
    // tick once.
    void attachWiresOnce()
    {
        Rig rig;
        LibraryStore other;
        rig.store.attach(&other);
        QCOMPARE(rig.store.library(), &other);
        rig.store.play(makeVideo(QStringLiteral("once")));
        rig.engine->makeReady(600);
        rig.engine->advance(1.0);
        QCOMPARE(rig.store.watchedSeconds(), 1.0);
        QCOMPARE(rig.store.surface()->engine(), rig.engine);
    }

    // Equal writes notify nobody; a different value notifies once. Also for
    // writes coming from QML.
    void equalWritesDoNotNotify_data()
    {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("expanded") << QByteArray("expanded") << QVariant(true);
        QTest::newRow("currentTime") << QByteArray("currentTime") << QVariant(12.5);
        QTest::newRow("isScrubbing") << QByteArray("isScrubbing") << QVariant(true);
        QTest::newRow("fillScreen") << QByteArray("fillScreen") << QVariant(true);
        QTest::newRow("loop") << QByteArray("loop") << QVariant(true);
        QTest::newRow("loopB") << QByteArray("loopB") << QVariant(42.0);
        QTest::newRow("sleepEndsAt") << QByteArray("sleepEndsAt")
                                     << QVariant(QDateTime(QDate(2026, 1, 2), QTime(3, 4), Qt::UTC));
        QTest::newRow("sleepAtEnd") << QByteArray("sleepAtEnd") << QVariant(true);
        QTest::newRow("activeCaption") << QByteArray("activeCaption") << QVariant(QStringLiteral("es"));
        QTest::newRow("captionText") << QByteArray("captionText") << QVariant(QStringLiteral("Hola"));
        QTest::newRow("queue") << QByteArray("queue")
                               << QVariant(QVariantList{QVariant::fromValue(makeVideo(QStringLiteral("q1")))});
    }

    void equalWritesDoNotNotify()
    {
        QFETCH(QByteArray, property);
        QFETCH(QVariant, value);
        PlayerStore store(new SimulatedEngine);
        const QMetaProperty meta = store.metaObject()->property(store.metaObject()->indexOfProperty(property));
        QVERIFY(meta.isWritable());
        QSignalSpy spy(&store, meta.notifySignal());
        const QVariant initial = store.property(property);
        QVERIFY(store.setProperty(property, initial));
        QCOMPARE(spy.size(), 0);
        QVERIFY(store.setProperty(property, value));
        QVERIFY(store.setProperty(property, value));
        QCOMPARE(spy.size(), 1);
    }

    // ---- play

    void playStartsTheHlsStream_data()
    {
        QTest::addColumn<bool>("incognito");
        QTest::newRow("normal") << false;
        QTest::newRow("incognito: no history, no sync") << true;
    }

    void playStartsTheHlsStream()
    {
        QFETCH(bool, incognito);
        Defaults::shared().setValue(Pref::incognito, incognito);
        Defaults::shared().setValue(Pref::quality, 480);
        Rig rig;
        const Video v = makeVideo(QStringLiteral("first"));
        QSignalSpy expanded(&rig.store, &PlayerStore::expandedChanged);
        rig.store.play(v, std::nullopt, true);

        QCOMPARE(rig.store.current(), std::optional<Video>(v));
        QCOMPARE(rig.store.activeQuality(), 480);
        QCOMPARE(rig.store.duration(), 600.0);
        QCOMPARE(rig.engine->loads().size(), 1);
        const auto load = rig.lastLoad();
        QCOMPARE(load.url, API::shared().hlsURL(v.id, 480));
        QCOMPARE(queryValue(load.url, QStringLiteral("q")), QStringLiteral("480"));
        QCOMPARE(load.start, 0.0);
        QVERIFY(load.play);
        QVERIFY(rig.store.expanded());
        QCOMPARE(expanded.size(), 1);
        QCOMPARE(Orientation::history(), QList<int>{26});
        if (incognito) {
            QVERIFY(rig.library->history().isEmpty());
            QVERIFY(rig.synced.isEmpty());
        } else {
            QCOMPARE(rig.library->history().size(), 1);
            QCOMPARE(rig.library->history().first().video, v);
            QCOMPARE(rig.synced, QList<SyncEvent>{SyncEvent::watched(v.id)});
        }

        rig.engine->makeReady(600);
        QVERIFY(rig.store.isPlaying());
        QCOMPARE(rig.engine->rate(), 1.0);
        QVERIFY(rig.settle());
    }

    void requestedQuality_data()
    {
        QTest::addColumn<bool>("cellular");
        QTest::addColumn<int>("cap");
        QTest::addColumn<int>("quality");
        QTest::addColumn<int>("expected");
        QTest::newRow("wifi 1080") << false << 480 << 1080 << 1080;
        QTest::newRow("wifi automatic") << false << 480 << 0 << 0;
        QTest::newRow("cellular above cap") << true << 480 << 1080 << 480;
        QTest::newRow("cellular below cap") << true << 480 << 360 << 360;
        QTest::newRow("cellular automatic") << true << 480 << 0 << 480;
        QTest::newRow("cellular without cap") << true << 0 << 1080 << 1080;
    }

    void requestedQuality()
    {
        QFETCH(bool, cellular);
        QFETCH(int, cap);
        QFETCH(int, quality);
        QFETCH(int, expected);
        Defaults::shared().setValue(Pref::quality, quality);
        Defaults::shared().setValue(Pref::cellularCap, cap);
        Rig rig;
        Probe::setOnCellular(rig.store, cellular);
        rig.store.play(makeVideo(QStringLiteral("quality")), std::nullopt, true);
        QCOMPARE(rig.store.activeQuality(), expected);
        QCOMPARE(queryValue(rig.lastLoad().url, QStringLiteral("q")), QString::number(expected));
    }

    // Where a video starts: a given time as it is (not finite: 0), else the
    // saved position inside (10, duration - 20); times of 1 s or less start
    // at the beginning.
    void startTime_data()
    {
        QTest::addColumn<int>("resumeMode");
        QTest::addColumn<qint64>("duration");
        QTest::addColumn<double>("saved");
        QTest::addColumn<QVariant>("startAt");
        QTest::addColumn<double>("loadedAt");
        QTest::newRow("saved 10") << 0 << qint64(600) << 10.0 << QVariant() << 0.0;
        QTest::newRow("saved 10.5") << 0 << qint64(600) << 10.5 << QVariant() << 10.5;
        QTest::newRow("saved 579.9") << 0 << qint64(600) << 579.9 << QVariant() << 579.9;
        QTest::newRow("saved 580") << 0 << qint64(600) << 580.0 << QVariant() << 0.0;
        QTest::newRow("nothing saved") << 0 << qint64(600) << 0.0 << QVariant() << 0.0;
        QTest::newRow("from the start mode") << 1 << qint64(600) << 300.0 << QVariant() << 0.0;
        QTest::newRow("placeholder never resumes") << 0 << qint64(0) << 300.0 << QVariant() << 0.0;
        QTest::newRow("given time wins") << 0 << qint64(600) << 300.0 << QVariant(95.0) << 95.0;
        QTest::newRow("given time, other mode") << 1 << qint64(600) << 300.0 << QVariant(95.0) << 95.0;
        QTest::newRow("given 1.0") << 0 << qint64(600) << 300.0 << QVariant(1.0) << 0.0;
        QTest::newRow("given 1.5") << 0 << qint64(600) << 0.0 << QVariant(1.5) << 1.5;
        QTest::newRow("given NaN") << 0 << qint64(600) << 300.0 << QVariant(kNaN) << 0.0;
        QTest::newRow("given infinity") << 0 << qint64(600) << 300.0 << QVariant(kInf) << 0.0;
    }

    void startTime()
    {
        QFETCH(int, resumeMode);
        QFETCH(qint64, duration);
        QFETCH(double, saved);
        QFETCH(QVariant, startAt);
        QFETCH(double, loadedAt);
        Defaults::shared().setValue(Pref::resumeMode, resumeMode);
        Rig rig;
        const Video v = makeVideo(QStringLiteral("resume"), duration);
        if (saved > 0)
            rig.library->setPosition(v.id, saved);
        rig.store.play(v, startAt.isValid() ? std::optional<double>(startAt.toDouble()) : std::nullopt, true);
        QCOMPARE(rig.lastLoad().start, loadedAt);
        QVERIFY(rig.lastLoad().play);
        rig.engine->makeReady(600);
        QVERIFY(rig.engine->seeks().isEmpty()); // the engine starts there itself
        QCOMPARE(rig.engine->currentTime(), loadedAt);
    }

    // Until the play head has reached the resume point, no tick overwrites
    // the saved position.
    void resumedPositionSurvivesEarlyTicks()
    {
        Rig rig;
        const Video v = makeVideo(QStringLiteral("kept"));
        rig.library->setPosition(v.id, 300);
        rig.store.play(v, std::nullopt, true);
        rig.engine->makeReady(600);
        rig.engine->setTime(6.0); // a stray early time
        QCOMPARE(rig.library->position(v.id), 300.0);
        rig.engine->setTime(300.25);
        rig.engine->advance(6);
        QVERIFY(rig.library->position(v.id) > 305.0);
        QVERIFY(rig.settle());
    }

    void sameVideoOnlySeeksAndExpands()
    {
        Rig rig;
        const Video v = makeVideo(QStringLiteral("same"));
        rig.store.play(makeVideo(QStringLiteral("before")), std::nullopt, true);
        rig.store.play(v, std::nullopt, true);
        rig.engine->makeReady(600);
        QVERIFY(rig.settle());
        rig.store.setExpanded(false);
        Orientation::clearHistory();
        const auto stack = rig.store.playedStack();
        const auto history = rig.library->history();
        rig.synced.clear();
        rig.engine->clearRecord();

        rig.store.play(v, 95.0, true);
        QCOMPARE(rig.engine->loads().size(), 0);
        QCOMPARE(rig.engine->seeks().size(), 1);
        QCOMPARE(rig.engine->seeks().first().target, 95.0);
        QCOMPARE(rig.store.currentTime(), 95.0);
        QVERIFY(rig.store.expanded());
        QCOMPARE(Orientation::history(), QList<int>{26});
        QCOMPARE(rig.store.playedStack(), stack);
        QCOMPARE(rig.library->history(), history);
        QVERIFY(rig.synced.isEmpty());
        QVERIFY(rig.store.commentsState().isFailed()); // no new metadata load

        rig.store.play(v, std::nullopt, false);
        QCOMPARE(rig.engine->seeks().size(), 1);
        QCOMPARE(Orientation::history(), QList<int>{26});

        // Without an item the same video starts in full.
        rig.store.stop();
        rig.store.play(v, std::nullopt, true);
        QCOMPARE(rig.engine->loads().size(), 1);
    }

    void playedStack_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<bool>("remember");
        QTest::addColumn<int>("after");
        QTest::newRow("grows") << 3 << true << 4;
        QTest::newRow("full stays 30") << 30 << true << 30;
        QTest::newRow("remember false") << 3 << false << 3;
    }

    void playedStack()
    {
        QFETCH(int, before);
        QFETCH(bool, remember);
        QFETCH(int, after);
        Rig rig;
        rig.store.play(makeVideo(QStringLiteral("v0")), std::nullopt, false); // nothing current: nothing pushed
        QVERIFY(rig.store.playedStack().isEmpty());
        for (int i = 1; i <= before; ++i)
            rig.store.play(makeVideo(QStringLiteral("v%1").arg(i)), std::nullopt, true);
        QCOMPARE(rig.store.playedStack().size(), before);
        const Video leaving = *rig.store.current();
        rig.store.play(makeVideo(QStringLiteral("next")), std::nullopt, remember);
        QCOMPARE(rig.store.playedStack().size(), after);
        if (remember) {
            QCOMPARE(rig.store.playedStack().last(), leaving);
            QCOMPARE(rig.store.playedStack().first().id, before == 30 ? QStringLiteral("v1") : QStringLiteral("v0"));
        }
    }

    // ---- streams

    void fallbackToProgressiveOnce()
    {
        Rig rig;
        Defaults::shared().setValue(Pref::quality, 720);
        const Video v = makeVideo(QStringLiteral("fails"));
        rig.store.play(v, 42.0, true);
        rig.engine->fail();
        QCOMPARE(rig.engine->loads().size(), 2);
        QCOMPARE(rig.lastLoad().url, API::shared().streamURL(v.id));
        QCOMPARE(rig.lastLoad().start, 42.0);
        QVERIFY(rig.lastLoad().play);
        QCOMPARE(rig.store.activeQuality(), 360);
        QVERIFY(rig.store.usingLegacy());
        QVERIFY(!rig.store.errorMessage());

        rig.engine->fail();
        QCOMPARE(rig.engine->loads().size(), 2);
        QCOMPARE(rig.store.errorMessage(), std::optional<QString>(QStringLiteral("No se pudo reproducir este vídeo.")));
        QVERIFY(rig.engine->hasItem()); // the failed item stays

        rig.store.setCurrentTime(17.0);
        rig.store.retry();
        QVERIFY(!rig.store.errorMessage());
        QVERIFY(!rig.store.usingLegacy());
        QCOMPARE(rig.store.activeQuality(), 720);
        QCOMPARE(rig.lastLoad().url, API::shared().hlsURL(v.id, 720));
        QCOMPARE(rig.lastLoad().start, 17.0);
        QVERIFY(rig.lastLoad().play);
        rig.engine->makeReady(600);
        QVERIFY(rig.store.isPlaying());
        QVERIFY(rig.settle());
    }

    void detailPlaysItsPart_data()
    {
        QTest::addColumn<bool>("canPlay");
        QTest::addColumn<QVariant>("hls");
        QTest::addColumn<bool>("fallback");
        QTest::newRow("hls absent") << true << QVariant() << false;
        QTest::newRow("hls true") << true << QVariant(true) << false;
        QTest::newRow("hls false") << true << QVariant(false) << true;
        QTest::newRow("cannot play") << false << QVariant(false) << false;
    }

    void detailPlaysItsPart()
    {
        QFETCH(bool, canPlay);
        QFETCH(QVariant, hls);
        QFETCH(bool, fallback);
        const QString id = QStringLiteral("detailed");
        VideoDetail d = makeDetail(id, canPlay, hls.isValid() ? std::optional<bool>(hls.toBool()) : std::nullopt);
        d.captions = QList<CaptionTrack>{CaptionTrack{QStringLiteral("es"), QStringLiteral("Español"), false}};
        serveDetail(id, d, d);
        Rig rig;
        rig.store.play(makeVideo(id), 30.0, true);
        QVERIFY(QTest::qWaitFor([&] { return rig.store.detail().has_value(); }, 5000));
        QCOMPARE(rig.store.duration(), 321.0);
        QCOMPARE(rig.engine->loads().size(), fallback ? 2 : 1);
        if (fallback) {
            QCOMPARE(rig.lastLoad().url, API::shared().streamURL(id));
            QCOMPARE(rig.lastLoad().start, 30.0); // where the player stood
            QCOMPARE(rig.store.activeQuality(), 360);
        }
        if (canPlay) {
            QVERIFY(!rig.store.errorMessage());
            QCOMPARE(rig.store.captionTracks().size(), 1);
        } else {
            QCOMPARE(rig.store.errorMessage(), std::optional<QString>(QStringLiteral("Este vídeo no está disponible.")));
            QVERIFY(rig.store.captionTracks().isEmpty());
            QVERIFY(rig.engine->isPaused());
        }
        QVERIFY(rig.settle());
    }

    // An unavailable video never starts under its message: not when its item
    // gets ready, not through the fallback.
    void unavailableVideoNeverStarts_data()
    {
        QTest::addColumn<bool>("itemFails");
        QTest::newRow("item gets ready") << false;
        QTest::newRow("item fails, fallback") << true;
    }

    void unavailableVideoNeverStarts()
    {
        QFETCH(bool, itemFails);
        const QString id = QStringLiteral("blocked");
        serveDetail(id, makeDetail(id, false), makeDetail(id, false));
        Rig rig;
        rig.store.play(makeVideo(id), std::nullopt, true);
        QVERIFY(QTest::qWaitFor([&] { return rig.store.errorMessage().has_value(); }, 5000));
        if (itemFails) {
            rig.engine->fail();
            QCOMPARE(rig.lastLoad().url, API::shared().streamURL(id));
            QVERIFY(!rig.lastLoad().play);
        }
        rig.engine->makeReady(600);
        QVERIFY(!rig.store.isPlaying());
        QVERIFY(rig.engine->isPaused());
        rig.engine->fail();
        QCOMPARE(rig.store.errorMessage(), std::optional<QString>(QStringLiteral("Este vídeo no está disponible.")));
        QVERIFY(rig.settle());
    }

    void placeholderIsFilledOnce()
    {
        const QString id = QStringLiteral("linked");
        VideoDetail fast = makeDetail(id);
        VideoDetail full = fast;
        full.title = QStringLiteral("Otro título");
        serveDetail(id, fast, full);
        Rig rig;
        Video placeholder = makeVideo(id, 0, QStringLiteral("Cargando…"));
        placeholder.handle = QStringLiteral("@mango");
        QSignalSpy current(&rig.store, &PlayerStore::currentChanged);
        rig.store.play(placeholder, std::nullopt, true);
        QVERIFY(rig.settle());
        QCOMPARE(current.size(), 2); // the start and the one fill
        const Video now = *rig.store.current();
        QCOMPARE(now.title, fast.title);
        QCOMPARE(now.channel, fast.channel);
        QCOMPARE(now.channelId, fast.channelId);
        QCOMPARE(now.duration, fast.duration);
        QCOMPARE(now.handle, placeholder.handle);
        QCOMPARE(rig.store.detail()->title, full.title);
        QCOMPARE(rig.library->history().size(), 1);
        QCOMPARE(rig.library->history().first().video, now);
    }

    void metadataIsLoaded()
    {
        const QString id = QStringLiteral("meta");
        serveDetail(id, makeDetail(id), makeDetail(id));
        serve(QStringLiteral("/api/related/") + id, json(videosJson({QStringLiteral("r1"), QStringLiteral("r2")})));
        const QList<SponsorSegment> all{{2, 6, QStringLiteral("intro")},
                                        {10, 20, QStringLiteral("sponsor")},
                                        {30, 40, QStringLiteral("filler")}};
        serve(QStringLiteral("/api/sponsor/") + id, json(segmentsJson(all)));
        serve(QStringLiteral("/api/channel/UCreal"),
              json(QJsonObject{{"id", "UCreal"}, {"name", "Canal real"}, {"description", ""}, {"verified", false},
                               {"avatar", "https://example.org/a.jpg"}, {"videos", QJsonArray()}}));
        Rig rig;
        rig.library->toggleSubscription(QStringLiteral("UCreal"), QStringLiteral("Canal real"), std::nullopt);
        Defaults::shared().setValue(Pref::sponsorCats, QStringLiteral("sponsor,intro"));
        rig.store.play(makeVideo(id), std::nullopt, true);
        QVERIFY(rig.settle());
        QCOMPARE(rig.store.related().size(), 2);
        QCOMPARE(rig.store.segments(), (QList<SponsorSegment>{all[0], all[1]}));
        QVERIFY(rig.store.commentsState().isFailed()); // the backend has no such video
        QVERIFY(QTest::qWaitFor([&] { return rig.store.channelAvatar().has_value(); }, 5000));
        QCOMPARE(*rig.store.channelAvatar(), QStringLiteral("https://example.org/a.jpg"));
        QCOMPARE(rig.library->subscriptions().first().avatar, rig.store.channelAvatar());
        const auto channelRequest = backend.requests().last(QStringLiteral("/api/channel/"));
        QVERIFY(channelRequest);
        const QString tab = QUrlQuery(channelRequest->rawQuery).queryItemValue(QStringLiteral("tab"));
        QVERIFY(tab.isEmpty() || tab == QStringLiteral("videos")); // the backend's default tab
        QCOMPARE(QUrlQuery(channelRequest->rawQuery).queryItemValue(QStringLiteral("page")), QStringLiteral("0"));
    }

    void sponsorCategories_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("two") << "sponsor,intro" << QStringList{"intro", "sponsor"};
        QTest::newRow("empty") << "" << QStringList{};
        QTest::newRow("space is not trimmed") << "sponsor, intro" << QStringList{"sponsor"};
        QTest::newRow("empty pieces") << ",,outro," << QStringList{"outro"};
    }

    void sponsorCategories()
    {
        QFETCH(QString, setting);
        QFETCH(QStringList, kept);
        const QString id = QStringLiteral("cats");
        serve(QStringLiteral("/api/sponsor/") + id,
              json(segmentsJson({{2, 6, QStringLiteral("intro")},
                                 {10, 20, QStringLiteral("sponsor")},
                                 {50, 60, QStringLiteral("outro")}})));
        Defaults::shared().setValue(Pref::sponsorCats, setting);
        Rig rig;
        rig.store.play(makeVideo(id), std::nullopt, true);
        QVERIFY(rig.settle());
        QStringList got;
        for (const SponsorSegment &s : rig.store.segments())
            got << s.category;
        QCOMPARE(got, kept);
    }

    void retryKeepsAndReplacesDetail()
    {
        const QString id = QStringLiteral("again");
        VideoDetail fast = makeDetail(id);
        VideoDetail full = fast;
        full.likes = 7;
        serveDetail(id, fast, full);
        Rig rig;
        rig.store.play(makeVideo(id), std::nullopt, true);
        QVERIFY(rig.settle());
        QCOMPARE(rig.store.detail(), std::optional<VideoDetail>(full));
        QSignalSpy detail(&rig.store, &PlayerStore::detailChanged);
        QSignalSpy state(&rig.store, &PlayerStore::commentsStateChanged);
        rig.store.retry();
        QVERIFY(QTest::qWaitFor([&] { return state.size() >= 2; }, 5000)); // loading, then failed
        QCOMPARE(detail.size(), 0); // the fast detail is skipped, the equal full one notifies nobody
        QCOMPARE(rig.store.detail(), std::optional<VideoDetail>(full));
    }

    // Replies for a video the user has left are never written: neither those
    // of its cancelled metadata load nor those of the tasks it left running.
    void staleRepliesAreDropped_data()
    {
        QTest::addColumn<bool>("metadataInFlight");
        QTest::newRow("metadata in flight") << true;
        QTest::newRow("avatar and comments in flight") << false;
    }

    void staleRepliesAreDropped()
    {
        QFETCH(bool, metadataInFlight);
        const QString a = QStringLiteral("slowA");
        const QString b = QStringLiteral("fastB");
        const int slow = metadataInFlight ? 600 : 0;
        VideoDetail da = makeDetail(a);
        da.captions = QList<CaptionTrack>{CaptionTrack{QStringLiteral("en"), QStringLiteral("English"), false}};
        serve(QStringLiteral("/api/video/") + a, json(da.toJson()), slow);
        serve(QStringLiteral("/api/related/") + a, json(videosJson({QStringLiteral("ra")})), slow);
        serve(QStringLiteral("/api/sponsor/") + a, json(segmentsJson({{1, 9, QStringLiteral("sponsor")}})), slow);
        serve(QStringLiteral("/api/comments/") + a, json(QJsonArray()), 600);
        serve(QStringLiteral("/api/channel/UCreal"),
              json(QJsonObject{{"id", "UCreal"}, {"name", "Canal real"}, {"description", ""}, {"verified", false},
                               {"avatar", "https://example.org/a.jpg"}, {"videos", QJsonArray()}}),
              600);
        serve(QStringLiteral("/api/related/") + b, json(videosJson({QStringLiteral("rb")})));

        Rig rig;
        rig.store.play(makeVideo(a), std::nullopt, true);
        if (metadataInFlight)
            QTest::qWait(50);
        else // A's load has reached its untracked tasks
            QVERIFY(QTest::qWaitFor([&] { return !rig.store.related().isEmpty(); }, 5000));
        rig.store.loadComments(a, QStringLiteral("new"));
        rig.store.play(makeVideo(b), std::nullopt, true);
        QVERIFY(rig.settle());
        QTest::qWait(1500); // every reply for A has come and gone

        QCOMPARE(rig.store.current()->id, b);
        QVERIFY(!rig.store.detail());
        QCOMPARE(rig.store.related().size(), 1);
        QCOMPARE(rig.store.related().first().id, QStringLiteral("rb"));
        QVERIFY(rig.store.segments().isEmpty());
        QVERIFY(rig.store.captionTracks().isEmpty());
        QVERIFY(rig.store.commentsState().isFailed());
        QVERIFY(rig.store.comments().isEmpty());
        QVERIFY(!rig.store.channelAvatar());
        QVERIFY(rig.store.artwork().isNull());
    }

    void comments()
    {
        const QString id = QStringLiteral("talk");
        const QJsonObject c{{"id", "c1"}, {"author", "Ana"}, {"text", "Hola"}, {"likes", 3},
                            {"time", "hace 1 día"}, {"pinned", false}, {"byUploader", false}};
        serve(QStringLiteral("/api/comments/") + id, json(QJsonArray{c}), 0, QStringLiteral("top"));
        Rig rig;
        rig.store.play(makeVideo(id), std::nullopt, true);
        QVERIFY(rig.settle());
        QVERIFY(rig.store.commentsState().isLoaded());
        QCOMPARE(rig.store.comments().size(), 1);
        QCOMPARE(rig.store.comments().first().author, QStringLiteral("Ana"));

        backend.failPath(QStringLiteral("/api/comments/") + id, 500, QStringLiteral("Sin comentarios ahora"));
        rig.store.loadComments(id, QStringLiteral("new"));
        QVERIFY(rig.store.commentsState().isLoading());
        QCOMPARE(rig.store.comments().size(), 1);
        QVERIFY(QTest::qWaitFor([&] { return rig.store.commentsState().isFailed(); }, 5000));
        QCOMPARE(rig.store.commentsState().message, QStringLiteral("Sin comentarios ahora"));
        QCOMPARE(rig.store.comments().size(), 1);
    }

    void stop_data()
    {
        QTest::addColumn<bool>("expanded");
        QTest::newRow("from the full player") << true;
        QTest::newRow("from the mini player") << false;
    }

    void stop()
    {
        QFETCH(bool, expanded);
        const QString id = QStringLiteral("halt");
        VideoDetail d = makeDetail(id);
        d.captions = QList<CaptionTrack>{CaptionTrack{QStringLiteral("es"), QStringLiteral("Español"), false}};
        serveDetail(id, d, d);
        serve(QStringLiteral("/api/sponsor/") + id, json(segmentsJson({{2, 6, QStringLiteral("sponsor")}})));
        Rig rig;
        rig.store.play(makeVideo(id), std::nullopt, true);
        rig.engine->makeReady(600);
        QVERIFY(rig.settle());
        rig.store.setLoopB(20.0);
        rig.store.setExpanded(expanded);
        rig.store.setQueue({makeVideo(QStringLiteral("queued"))});
        Orientation::clearHistory();

        rig.store.stop();
        QVERIFY(!rig.store.current() && !rig.store.detail() && !rig.store.loopB() && !rig.store.errorMessage());
        QVERIFY(rig.store.commentsState().isIdle());
        QVERIFY(!rig.store.expanded());
        QCOMPARE(Orientation::history(), expanded ? QList<int>{2} : QList<int>{});
        QVERIFY(!rig.engine->hasItem());
        QVERIFY(!rig.store.isPlaying());
        // Kept through stop.
        QCOMPARE(rig.store.segments().size(), 1);
        QCOMPARE(rig.store.captionTracks().size(), 1);
        QCOMPARE(rig.store.queue().size(), 1);
        QCOMPARE(rig.store.duration(), 321.0);
    }
};

QTEST_MAIN(TestPlayerStoreLoad)
#include "tst_playerstore_load.moc"
