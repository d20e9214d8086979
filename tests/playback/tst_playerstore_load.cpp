// The player store's state and its play and load flow, on the scripted
// engine against the in-process development backend: which stream is loaded
// where, the fallback to the progressive stream, resuming, the same-video
// shortcut, the back stack, what the detail does to the store, retry and
// stop, and replies that arrive for a video that is no longer current.
#include "API.h"
#include "Defaults.h"
#include "FaultSwitches.h"
#include "Fixtures.h"
#include "JsonList.h"
#include "Orientation.h"
#include "Pref.h"
#include "StoreRig.h"
#include "TestBackend.h"
#include "TestDirs.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

#include <limits>

class PlayerStoreProbe
{
public:
    static void setOnCellular(PlayerStore &s, bool v) { s.setOnCellular(v); }
};

namespace {

using Probe = PlayerStoreProbe;

Video makeVideo(const QString &id, qint64 duration = 600, const QString &title = QStringLiteral("Vídeo de prueba"))
{
    Video v;
    v.id = id;
    v.title = title;
    v.channel = QStringLiteral("Canal de prueba");
    v.duration = duration;
    return v;
}

VideoDetail makeDetail(const QString &id, bool canPlay = true, std::optional<bool> hls = std::nullopt,
                       const QString &captionLang = {})
{
    VideoDetail d;
    d.id = id;
    d.title = QStringLiteral("Título real de ") + id;
    d.channel = QStringLiteral("Canal real");
    d.channelId = QStringLiteral("UCreal");
    d.duration = 321;
    d.canPlay = canPlay;
    d.hls = hls;
    if (!captionLang.isEmpty())
        d.captions = QList<CaptionTrack>{CaptionTrack{captionLang, QStringLiteral("Pista"), false}};
    return d;
}

QByteArray json(const QJsonObject &o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); }

QString qualityOf(const QUrl &url) { return QUrlQuery(url).queryItemValue(QStringLiteral("q")); }

QByteArray channelJson()
{
    return json(QJsonObject{{"id", "UCreal"}, {"name", "Canal real"}, {"description", ""}, {"verified", false},
                            {"avatar", "https://example.org/a.jpg"}, {"videos", QJsonArray()}});
}

struct Start
{
    double saved = 300; // the position saved before
    std::optional<double> given;
    double loadedAt = 0;
    int resumeMode = 0;
    qint64 duration = 600;
};

struct Rig : StoreRig
{
    QList<SyncEvent> synced;

    Rig() : StoreRig({200, 20})
    {
        library->onSync = [this](const SyncEvent &e) { synced << e; };
    }

    // The metadata load ends with the comments, so their state says it is over.
    bool settle(int ms = 8000)
    {
        return TestTime::waitFor([&] { return store.commentsState().isLoaded() || store.commentsState().isFailed(); }, ms);
    }
    SimulatedEngine::Load lastLoad() const { return engine->loads().last(); }
};

} // namespace

Q_DECLARE_METATYPE(Start)

class TestPlayerStoreLoad : public QObject
{
    Q_OBJECT

private:
    TestBackend backend;

    void serve(const QString &path, const QByteArray &body, int delayMs = 0, const QString &id = {})
    {
        backend.servePath(path, id, body, delayMs);
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

    // The speed setting is read at attach (not a positive number: 1); a
    // second attach only swaps the library, so the clock still counts each
    // tick once.
    void attach_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<float>("speed");
        QTest::newRow("1.5") << QVariant(1.5) << 1.5f;
        QTest::newRow("zero") << QVariant(0.0) << 1.0f;
        QTest::newRow("nothing stored") << QVariant() << 1.0f;
    }

    void attach()
    {
        QFETCH(QVariant, stored);
        QFETCH(float, speed);
        if (stored.isValid())
            Defaults::shared().setValue(Pref::speed, stored);
        Rig rig;
        QCOMPARE(rig.store.speed(), speed);
        QCOMPARE(rig.engine->defaultRate(), double(speed));

        LibraryStore other;
        rig.store.attach(&other);
        QCOMPARE(rig.store.library(), &other);
        rig.playAt(makeVideo(QStringLiteral("once")), 1.0);
        QCOMPARE(rig.store.watchedSeconds(), double(speed)); // a second at that speed
    }

    // Equal writes from QML notify nobody (a binding would loop); one row
    // per kind of conversion.
    void equalWritesDoNotNotify_data()
    {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("bool") << QByteArray("fillScreen") << QVariant(true);
        QTest::newRow("optional double") << QByteArray("loopB") << QVariant(42.0);
        QTest::newRow("optional time") << QByteArray("sleepEndsAt")
                                       << QVariant(QDateTime(QDate(2026, 1, 2), QTime(3, 4), Qt::UTC));
        QTest::newRow("optional string") << QByteArray("activeCaption") << QVariant(QStringLiteral("es"));
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
        rig.store.play(v, std::nullopt, true);

        QCOMPARE(rig.store.current(), std::optional<Video>(v));
        QCOMPARE(rig.store.activeQuality(), 480);
        QCOMPARE(rig.engine->loads().size(), 1);
        QCOMPARE(rig.lastLoad().url, API::shared().hlsURL(v.id, 480));
        QCOMPARE(rig.engine->currentTime(), 0.0);
        QVERIFY(rig.lastLoad().play);
        QVERIFY(rig.store.expanded());
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
        QCOMPARE(qualityOf(rig.lastLoad().url), QString::number(expected));
    }

    // Where a video starts: a given time as it is (not finite: 0), else the
    // saved position inside (10, duration - 20); times of 1 s or less start
    // at the beginning. The item loads at 0 and holds still until the exact
    // seek to its start, asked for once it is ready, has landed.
    void startTime_data()
    {
        QTest::addColumn<Start>("c");
        QTest::newRow("saved 10") << Start{.saved = 10};
        QTest::newRow("saved 10.5") << Start{.saved = 10.5, .loadedAt = 10.5};
        QTest::newRow("saved 579.9") << Start{.saved = 579.9, .loadedAt = 579.9};
        QTest::newRow("saved 580") << Start{.saved = 580};
        QTest::newRow("from the start mode") << Start{.resumeMode = 1};
        QTest::newRow("placeholder never resumes") << Start{.duration = 0};
        QTest::newRow("given time wins") << Start{.given = 95, .loadedAt = 95};
        QTest::newRow("given time, other mode") << Start{.given = 95, .loadedAt = 95, .resumeMode = 1};
        QTest::newRow("given 1.0") << Start{.given = 1.0};
        QTest::newRow("given 1.5") << Start{.saved = 0, .given = 1.5, .loadedAt = 1.5};
        QTest::newRow("given infinity") << Start{.given = std::numeric_limits<double>::infinity()};
    }

    void startTime()
    {
        QFETCH(Start, c);
        Defaults::shared().setValue(Pref::resumeMode, c.resumeMode);
        Rig rig;
        const Video v = makeVideo(QStringLiteral("resume"), c.duration);
        if (c.saved > 0)
            rig.library->setPosition(v.id, c.saved);
        rig.store.play(v, c.given, true);
        QCOMPARE(rig.engine->currentTime(), 0.0);
        QCOMPARE(rig.lastLoad().play, c.loadedAt == 0);
        QCOMPARE(rig.readyAt(), c.loadedAt);
        QVERIFY(!rig.engine->isPaused());
        // Playing on the engine's own ready (and landed) news, nothing in between.
        QCOMPARE(rig.engine->timeControlStatus(), MediaEngine::TimeControlStatus::Playing);
        QVERIFY(rig.store.isPlaying());
    }

    // A pause asked for while the item loads (the Shorts tab pausing the
    // main player) wins over the load's own start: at ready, after the start
    // seek, and through the fallback to the progressive stream.
    void pauseWhileLoadingStaysPaused_data()
    {
        QTest::addColumn<std::optional<double>>("startAt");
        QTest::addColumn<QString>("when");
        QTest::newRow("before ready") << std::optional<double>() << "loading";
        QTest::newRow("before ready, start seek") << std::optional<double>(42.0) << "loading";
        QTest::newRow("during the start seek") << std::optional<double>(42.0) << "seeking";
        QTest::newRow("before the fallback") << std::optional<double>() << "fallback";
    }

    void pauseWhileLoadingStaysPaused()
    {
        QFETCH(std::optional<double>, startAt);
        QFETCH(QString, when);
        Rig rig;
        const Video v = makeVideo(QStringLiteral("held"));
        rig.store.play(v, startAt, true);
        if (when == "seeking")
            rig.engine->makeReady(600);
        rig.store.player()->pause();
        if (when == "fallback") {
            rig.engine->fail();
            QCOMPARE(rig.lastLoad().url, API::shared().streamURL(v.id));
            QVERIFY(!rig.lastLoad().play);
        }
        const int plays = rig.engine->playCalls();
        if (when == "seeking")
            rig.engine->completeSeek();
        else
            rig.readyAt();
        QVERIFY(rig.engine->isPaused());
        QCOMPARE(rig.engine->playCalls(), plays);
        QVERIFY(!rig.store.isPlaying());
        // The user's play still plays.
        rig.store.togglePlay();
        QVERIFY(!rig.engine->isPaused());
        QVERIFY(rig.settle());
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
        rig.engine->completeSeek();
        rig.engine->advance(6);
        QCOMPARE(rig.library->position(v.id), 305.0);
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
        rig.store.setPresented(false);
        Orientation::clearHistory();
        const auto stack = rig.store.playedStack();
        const auto history = rig.library->history();
        rig.engine->clearRecord();

        rig.store.play(v, 95.0, true);
        QCOMPARE(rig.engine->loads().size(), 0);
        QCOMPARE(rig.engine->seeks().size(), 1);
        QCOMPARE(rig.engine->seeks().first().target, 95.0);
        QVERIFY(rig.store.expanded());
        QCOMPARE(Orientation::history(), QList<int>{26});
        QCOMPARE(rig.store.playedStack(), stack);
        QCOMPARE(rig.library->history(), history);
        QVERIFY(rig.store.commentsState().isFailed()); // no new metadata load

        rig.store.play(v, std::nullopt, false);
        QCOMPARE(rig.engine->seeks().size(), 1);

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
        QCOMPARE(rig.store.activeQuality(), 360);
        QVERIFY(rig.store.usingLegacy());
        QVERIFY(!rig.store.errorMessage());

        rig.engine->fail();
        QCOMPARE(rig.engine->loads().size(), 2);
        QCOMPARE(rig.store.errorMessage(), std::optional<QString>(QStringLiteral("No se pudo reproducir este vídeo.")));

        rig.store.setCurrentTime(17.0);
        rig.store.retry();
        QVERIFY(!rig.store.errorMessage());
        QVERIFY(!rig.store.usingLegacy());
        QCOMPARE(rig.store.activeQuality(), 720);
        QCOMPARE(rig.lastLoad().url, API::shared().hlsURL(v.id, 720));
        rig.engine->fail(); // the fallback starts where the failed load was to start
        QCOMPARE(rig.readyAt(), 17.0);
        QVERIFY(!rig.engine->isPaused());
        QVERIFY(rig.settle());
    }

    // The detail may send the player to the progressive stream, or stop it
    // for good: an unavailable video never starts under its message, not
    // when its item gets ready, not through the fallback.
    void detailPlaysItsPart_data()
    {
        QTest::addColumn<bool>("canPlay");
        QTest::addColumn<QVariant>("hls");
        QTest::addColumn<bool>("itemFails");
        QTest::newRow("hls absent") << true << QVariant() << false;
        QTest::newRow("hls true") << true << QVariant(true) << false;
        QTest::newRow("hls false") << true << QVariant(false) << false;
        QTest::newRow("unavailable, item gets ready") << false << QVariant(false) << false;
        QTest::newRow("unavailable, item fails") << false << QVariant(false) << true;
    }

    void detailPlaysItsPart()
    {
        QFETCH(bool, canPlay);
        QFETCH(QVariant, hls);
        QFETCH(bool, itemFails);
        const QString id = QStringLiteral("detailed");
        const VideoDetail d = makeDetail(id, canPlay, hls.isValid() ? std::optional<bool>(hls.toBool()) : std::nullopt,
                                         QStringLiteral("es"));
        serveDetail(id, d, d);
        Rig rig;
        rig.store.play(makeVideo(id), 30.0, true);
        QVERIFY(TestTime::waitFor([&] { return rig.store.detail().has_value(); }, 5000));
        QCOMPARE(rig.store.duration(), 321.0);
        if (canPlay) {
            const bool fallback = hls.isValid() && !hls.toBool();
            QCOMPARE(rig.engine->loads().size(), fallback ? 2 : 1);
            if (fallback) {
                QCOMPARE(rig.lastLoad().url, API::shared().streamURL(id));
                QCOMPARE(rig.readyAt(), 30.0); // where the item was to start
                QVERIFY(!rig.engine->isPaused());
                QCOMPARE(rig.store.activeQuality(), 360);
            }
            QVERIFY(!rig.store.errorMessage());
            QCOMPARE(rig.store.captionTracks().size(), 1);
            QVERIFY(rig.settle());
            return;
        }
        const std::optional<QString> unavailable(QStringLiteral("Este vídeo no está disponible."));
        QCOMPARE(rig.store.errorMessage(), unavailable);
        QVERIFY(rig.store.captionTracks().isEmpty());
        QCOMPARE(rig.engine->loads().size(), 1); // no fallback for it
        if (itemFails) {
            rig.engine->fail();
            QCOMPARE(rig.lastLoad().url, API::shared().streamURL(id));
            QVERIFY(!rig.lastLoad().play);
        }
        rig.engine->makeReady(600);
        QVERIFY(!rig.store.isPlaying());
        QVERIFY(rig.engine->isPaused());
        rig.engine->fail();
        QCOMPARE(rig.store.errorMessage(), unavailable);
        QVERIFY(rig.settle());
    }

    // A placeholder takes the fast detail's fields once; a retry keeps the
    // full detail shown rather than flashing the fast one again.
    void placeholderIsFilledOnce()
    {
        const QString id = QStringLiteral("linked");
        const VideoDetail fast = makeDetail(id);
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
        QCOMPARE(now.channelId, fast.channelId);
        QCOMPARE(now.duration, fast.duration);
        QCOMPARE(now.handle, placeholder.handle);
        QCOMPARE(rig.store.detail(), std::optional<VideoDetail>(full));
        QCOMPARE(rig.library->history().size(), 1);
        QCOMPARE(rig.library->history().first().video, now);

        QSignalSpy detail(&rig.store, &PlayerStore::detailChanged);
        QSignalSpy state(&rig.store, &PlayerStore::commentsStateChanged);
        rig.store.retry();
        QVERIFY(TestTime::waitFor([&] { return state.size() >= 2; }, 5000)); // loading, then failed
        QCOMPARE(detail.size(), 0);
        QCOMPARE(current.size(), 2);
    }

    // A link's placeholder is remembered only once a detail has named it:
    // no history entry ever holds "Cargando…", not even for a moment, and a
    // detail that comes later (the details area's retry) records the video
    // as it is known then.
    void placeholderIsRememberedOnceKnown_data()
    {
        QTest::addColumn<bool>("fastFails");
        QTest::addColumn<bool>("fullFails");
        QTest::newRow("both details") << false << false;
        QTest::newRow("only the full detail") << true << false;
        QTest::newRow("only the fast detail") << false << true;
        QTest::newRow("no detail, then a retry") << true << true;
    }

    void placeholderIsRememberedOnceKnown()
    {
        QFETCH(bool, fastFails);
        QFETCH(bool, fullFails);
        const QString id = QStringLiteral("linkonly"); // unknown to the backend: 404 unless served
        const QString path = QStringLiteral("/api/video/") + id;
        const VideoDetail d = makeDetail(id);
        // The fast request ("fast" = "1") meets its own rule first.
        if (fastFails) {
            FaultRule broken;
            broken.pathPrefix = path;
            broken.id = QStringLiteral("1");
            broken.status = 500;
            backend.addFault(broken);
        } else {
            serve(path, json(d.toJson()), 0, QStringLiteral("1"));
        }
        if (!fullFails)
            serve(path, json(d.toJson()));
        Video placeholder; // as an opened link makes it
        placeholder.id = id;
        placeholder.title = PlayerStore::placeholderTitle;
        Rig rig;
        QStringList titles; // of every history the library ever held
        QObject::connect(rig.library.get(), &LibraryStore::historyChanged, [&] {
            for (const HistoryEntry &e : rig.library->history())
                titles << e.video.title;
        });
        rig.store.play(placeholder, std::nullopt, true);
        QVERIFY(rig.settle());

        if (fastFails && fullFails) {
            QVERIFY(rig.library->history().isEmpty());
            QVERIFY(rig.store.detailState().isFailed());
            backend.clearFaults();
            serve(path, json(d.toJson()));
            rig.store.reloadDetails();
        }
        QTRY_COMPARE_WITH_TIMEOUT(rig.library->history().size(), 1, 8000);
        const Video stored = rig.library->history().first().video;
        QCOMPARE(stored.id, id);
        QCOMPARE(stored.title, d.title);
        QCOMPARE(stored.channel, d.channel);
        QCOMPARE(stored.channelId, d.channelId);
        QCOMPARE(stored.duration, d.duration);
        QVERIFY2(!titles.contains(PlayerStore::placeholderTitle), qPrintable(titles.join(u'|')));

        LibraryStore::waitForWrites();
        QFile file(QDir(TestDirs::dataDir()).filePath(QStringLiteral("library.json")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!QString::fromUtf8(file.readAll()).contains(PlayerStore::placeholderTitle));
    }

    // The sponsor category setting is split on commas as it is: a space
    // stays part of a name.
    void metadataIsLoaded_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("two") << "sponsor,intro" << QStringList{"intro", "sponsor"};
        QTest::newRow("space is not trimmed") << "sponsor, intro" << QStringList{"sponsor"};
        QTest::newRow("empty names") << ",,filler," << QStringList{"filler"};
    }

    void metadataIsLoaded()
    {
        QFETCH(QString, setting);
        QFETCH(QStringList, kept);
        const QString id = QStringLiteral("meta");
        serveDetail(id, makeDetail(id), makeDetail(id));
        serve(QStringLiteral("/api/related/") + id,
              jsonList(QList<Video>{makeVideo(QStringLiteral("r1")), makeVideo(QStringLiteral("r2"))}));
        serve(QStringLiteral("/api/sponsor/") + id,
              jsonList(QList<SponsorSegment>{{2, 6, QStringLiteral("intro")},
                                             {10, 20, QStringLiteral("sponsor")},
                                             {30, 40, QStringLiteral("filler")}}));
        serve(QStringLiteral("/api/channel/UCreal"), channelJson());
        Defaults::shared().setValue(Pref::sponsorCats, setting);
        Rig rig;
        rig.library->toggleSubscription(QStringLiteral("UCreal"), QStringLiteral("Canal real"), std::nullopt);
        rig.store.play(makeVideo(id), std::nullopt, true);
        QVERIFY(rig.settle());
        QCOMPARE(rig.store.related().size(), 2);
        QStringList got;
        for (const SponsorSegment &s : rig.store.segments())
            got << s.category;
        QCOMPARE(got, kept);
        QVERIFY(rig.store.commentsState().isFailed()); // the backend has no such video
        QVERIFY(TestTime::waitFor([&] { return rig.store.channelAvatar().has_value(); }, 5000));
        QCOMPARE(*rig.store.channelAvatar(), QStringLiteral("https://example.org/a.jpg"));
        QCOMPARE(rig.library->subscriptions().first().avatar, rig.store.channelAvatar());
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
        const VideoDetail da = makeDetail(a, true, std::nullopt, QStringLiteral("en"));
        serve(QStringLiteral("/api/video/") + a, json(da.toJson()), slow);
        serve(QStringLiteral("/api/related/") + a, jsonList(QList<Video>{makeVideo(QStringLiteral("ra"))}), slow);
        serve(QStringLiteral("/api/sponsor/") + a, jsonList(QList<SponsorSegment>{{1, 9, QStringLiteral("sponsor")}}),
              slow);
        serve(QStringLiteral("/api/comments/") + a, QByteArrayLiteral("[]"), 600);
        serve(QStringLiteral("/api/channel/UCreal"), channelJson(), 600);
        serve(QStringLiteral("/api/related/") + b, jsonList(QList<Video>{makeVideo(QStringLiteral("rb"))}));

        Rig rig;
        rig.store.play(makeVideo(a), std::nullopt, true);
        if (metadataInFlight)
            QTest::qWait(50);
        else // A's load has reached its untracked tasks
            QVERIFY(TestTime::waitFor([&] { return !rig.store.related().isEmpty(); }, 5000));
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

    // The Now Playing artwork is fetched only once the video has settled, so
    // it never competes with the opening of the stream: not while the item
    // loads or its start seek runs, and never for a video stopped before.
    void artworkWaitsForTheStart_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("fixture");
        QTest::newRow("plays") << QStringLiteral("plays") << 0;
        QTest::newRow("resumes") << QStringLiteral("resumes") << 1;
        QTest::newRow("fails twice") << QStringLiteral("fails") << 2;
        QTest::newRow("stopped while loading") << QStringLiteral("stopped") << 3;
        QTest::newRow("left for a resumed video") << QStringLiteral("skipped") << 4;
    }

    void artworkWaitsForTheStart()
    {
        QFETCH(QString, how);
        QFETCH(int, fixture);
        QVERIFY2(backend.prepareMedia(), qPrintable(backend.error()));
        QList<FxVideo> withThumbs;
        for (const FxVideo &f : backend.fixtures().videos())
            if (f.thumbHq && !f.isShort)
                withThumbs << f;
        QVERIFY(withThumbs.size() > fixture);
        const Video v = makeVideo(withThumbs.at(fixture).id);
        const QString thumbs = QStringLiteral("/vi/") + v.id + QLatin1Char('/');
        const qsizetype before = backend.requests().matching(thumbs).size();
        const auto asked = [&] { return backend.requests().matching(thumbs).size() - before; };
        Rig rig;
        if (how == QStringLiteral("resumes"))
            rig.library->setPosition(v.id, 300);
        rig.store.play(v, std::nullopt, true);
        QTest::qWait(150);
        QCOMPARE(asked(), 0);

        if (how == QStringLiteral("skipped")) {
            // Left before it started, for a video that resumes (and so
            // loads paused): the first one's artwork is never fetched.
            const Video next = makeVideo(withThumbs.at(0).id);
            rig.library->setPosition(next.id, 300);
            rig.store.play(next, std::nullopt, true);
            QTest::qWait(300);
            QCOMPARE(asked(), 0);
            return;
        }
        if (how == QStringLiteral("stopped")) {
            rig.store.stop();
            rig.engine->makeReady(600);
            QTest::qWait(300);
            QCOMPARE(asked(), 0);
            QVERIFY(rig.store.artwork().isNull());
            return;
        }
        if (how == QStringLiteral("resumes")) {
            rig.engine->makeReady(600);
            QTest::qWait(150);
            QCOMPARE(asked(), 0); // the start seek has not landed
            rig.engine->completeSeek();
        } else if (how == QStringLiteral("fails")) {
            rig.engine->fail();
            QTest::qWait(150);
            QCOMPARE(asked(), 0); // the progressive stream is loading
            rig.engine->fail();
            QVERIFY(rig.store.errorMessage());
        } else {
            rig.engine->makeReady(600);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!rig.store.artwork().isNull(), 5000);
        QVERIFY(asked() >= 1);
        QVERIFY(rig.settle());
    }

    void comments()
    {
        const QString id = QStringLiteral("talk");
        const QJsonObject c{{"id", "c1"}, {"author", "Ana"}, {"text", "Hola"}, {"likes", 3},
                            {"time", "hace 1 día"}, {"pinned", false}, {"byUploader", false}};
        serve(QStringLiteral("/api/comments/") + id, QJsonDocument(QJsonArray{c}).toJson(), 0, QStringLiteral("top"));
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
        QVERIFY(TestTime::waitFor([&] { return rig.store.commentsState().isFailed(); }, 5000));
        QCOMPARE(rig.store.commentsState().message, QStringLiteral("Sin comentarios ahora"));
        QCOMPARE(rig.store.comments().size(), 1);

        // Only the newest request writes: a slow "new" list never lands
        // after the "top" one asked for later.
        backend.clearFaults();
        QJsonObject late = c;
        late.insert("id", "c2");
        serve(QStringLiteral("/api/comments/") + id, QJsonDocument(QJsonArray{late}).toJson(), 500, QStringLiteral("new"));
        serve(QStringLiteral("/api/comments/") + id, QJsonDocument(QJsonArray{c}).toJson(), 0, QStringLiteral("top"));
        rig.store.loadComments(id, QStringLiteral("new"));
        rig.store.loadComments(id, QStringLiteral("top"));
        QVERIFY(TestTime::waitFor([&] { return rig.store.commentsState().isLoaded(); }, 5000));
        QTest::qWait(800);
        QCOMPARE(rig.store.comments().first().id, QStringLiteral("c1"));
    }

    // Stop clears the video and closes the player; the queue is the user's
    // and stays.
    void stop_data()
    {
        QTest::addColumn<bool>("expanded");
        QTest::newRow("from the full player") << true;
        QTest::newRow("from the mini player") << false;
    }

    void stop()
    {
        QFETCH(bool, expanded);
        Rig rig;
        rig.playAt(makeVideo(QStringLiteral("halt")), 30);
        rig.store.setLoopB(40.0);
        rig.store.setPresented(expanded);
        rig.store.setQueue({makeVideo(QStringLiteral("queued"))});
        Orientation::clearHistory();

        rig.store.stop();
        QVERIFY(!rig.store.current() && !rig.store.loopB() && !rig.store.expanded() && !rig.store.isPlaying());
        QVERIFY(rig.store.commentsState().isIdle());
        QCOMPARE(Orientation::history(), expanded ? QList<int>{2} : QList<int>{});
        QVERIFY(!rig.engine->hasItem());
        QCOMPARE(rig.store.queue().size(), 1);
    }

    // Presenting and hiding the player bring the orientation with them, and
    // only a real change does anything: a repeat neither notifies nor sets
    // the mask again.
    void presentedBringsItsOrientation_data()
    {
        QTest::addColumn<bool>("from");
        QTest::addColumn<bool>("to");
        QTest::addColumn<QList<int>>("masks");
        QTest::newRow("expand") << false << true << QList<int>{26};
        QTest::newRow("collapse") << true << false << QList<int>{2};
        QTest::newRow("already full") << true << true << QList<int>{};
        QTest::newRow("already collapsed") << false << false << QList<int>{};
    }

    void presentedBringsItsOrientation()
    {
        QFETCH(bool, from);
        QFETCH(bool, to);
        QFETCH(QList<int>, masks);
        Rig rig;
        rig.store.setPresented(from);
        Orientation::clearHistory();
        QSignalSpy changed(&rig.store, &PlayerStore::expandedChanged);
        QVERIFY(QMetaObject::invokeMethod(&rig.store, "setPresented", Q_ARG(bool, to)));
        QCOMPARE(rig.store.expanded(), to);
        QCOMPARE(changed.size(), from == to ? 0 : 1);
        QCOMPARE(Orientation::history(), masks);
        // No write of the property itself passes the orientation by.
        QVERIFY(!rig.store.setProperty("expanded", !to));
        QCOMPARE(rig.store.expanded(), to);
    }
};

QTEST_MAIN(TestPlayerStoreLoad)
#include "tst_playerstore_load.moc"
