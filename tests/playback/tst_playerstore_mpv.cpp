// End to end: the player store with real mpv (no sound device, no window)
// against the in-process development backend and its real media.
#include "API.h"
#include "Defaults.h"
#include "FaultSwitches.h"
#include "Fixtures.h"
#include "LibraryStore.h"
#include "MpvEngine.h"
#include "PlayerStore.h"
#include "Pref.h"
#include "SampleClips.h"
#include "TestBackend.h"
#include "TestDirs.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QScopeGuard>
#include <QUrlQuery>

#include <memory>

// Plays a file of the test's own in place of the backend's stream.
class PlayerStoreProbe
{
public:
    static void playFile(PlayerStore &s, const Video &v, const QUrl &file)
    {
        s.play(v, std::nullopt, true);
        s.load(file, 0, true);
    }
};

namespace {

// The core is made in the background: only a started one can tell.
bool mpvWorks()
{
    MpvEngine e;
    e.prepare();
    return TestTime::waitFor([&] { return e.isAvailable(); }, 10000);
}

constexpr int kLong = 30000; // generous: the machine may be busy

Video toVideo(const FxVideo &f)
{
    Video v;
    v.id = f.id;
    v.title = f.title;
    v.channel = QStringLiteral("Canal");
    v.duration = f.duration;
    return v;
}

struct Rig
{
    QList<double> ticks; // outlives the engine
    MpvEngine *engine = new MpvEngine;
    PlayerStore store{engine};
    std::unique_ptr<LibraryStore> library = std::make_unique<LibraryStore>();

    Rig()
    {
        store.setWaits({300, 50});
        store.attach(library.get());
        QObject::connect(engine, &MediaEngine::periodicTime, [this](double t) { ticks << t; });
    }
    // What a failed wait saw.
    QString state() const
    {
        return QStringLiteral("store: playing %1, buffering %2, at %3; engine: time control %4, rate %5, at %6")
            .arg(store.isPlaying())
            .arg(store.isBuffering())
            .arg(store.currentTime())
            .arg(int(engine->timeControlStatus()))
            .arg(engine->rate())
            .arg(engine->currentTime());
    }
    bool playingPast(double t)
    {
        return TestTime::waitFor([&] { return store.isPlaying() && !store.isBuffering() && store.currentTime() > t; },
                               kLong);
    }
};

} // namespace

class TestPlayerStoreMpv : public QObject
{
    Q_OBJECT

private:
    TestBackend backend;
    QList<FxVideo> playable;
    QTemporaryDir clips;
    QUrl shortFile, shortHls; // a clip of 1.5 s, progressive and as HLS

private slots:
    void initTestCase()
    {
        qputenv("NIMBELORA_AUDIO", "null");
        TestDirs::isolate();
        QVERIFY(backend.isRunning());
        QVERIFY2(backend.prepareMedia(), qPrintable(backend.error()));
        API::shared().setBaseUrl(QUrl(backend.origin()));
        Pref::registerDefaults();
        for (const FxVideo &v : backend.fixtures().videos())
            if (v.canPlay && v.hls && !v.isShort && !v.live && v.duration > 60)
                playable << v;
        QVERIFY(playable.size() >= 4);
        if (!mpvWorks())
            QSKIP("mpv is not available");
        const QString file = clips.filePath(QStringLiteral("short.mp4"));
        QVERIFY(makeClip(file, QStringLiteral("testsrc2=size=640x360:rate=25:duration=1.5"), 2));
        shortFile = QUrl::fromLocalFile(file);
        QProcess hls;
        hls.start(QStringLiteral("ffmpeg"), {"-loglevel", "error", "-y", "-i", file, "-c", "copy", "-f", "hls",
                                             "-hls_time", "4", "-hls_playlist_type", "vod",
                                             clips.filePath(QStringLiteral("short.m3u8"))});
        QVERIFY(hls.waitForFinished(60000) && hls.exitCode() == 0);
        shortHls = QUrl::fromLocalFile(clips.filePath(QStringLiteral("short.m3u8")));
    }

    void init()
    {
        LibraryStore::waitForWrites();
        QDir(TestDirs::dataDir()).removeRecursively();
        Defaults::useMemory();
        Defaults::shared().setValue(Pref::skipSponsors, false);
        backend.clearFaults();
    }

    void cleanup() { LibraryStore::waitForWrites(); }

    void playsHlsAtTheRequestedQuality()
    {
        Defaults::shared().setValue(Pref::quality, 360);
        Rig rig;
        const FxVideo &f = playable.at(0);
        const qint64 mark = backend.requests().lastSeq();
        rig.store.play(toVideo(f), std::nullopt, true);
        QVERIFY(rig.playingPast(1.0));
        QVERIFY(!rig.store.usingLegacy());
        QCOMPARE(rig.store.activeQuality(), 360);
        QCOMPARE(rig.engine->presentationSize(), QSize(640, 360));
        bool master = false, variant = false;
        for (const RequestRecord &r : backend.requests().since(mark)) {
            if (r.path == QStringLiteral("/api/hls/%1/master.m3u8").arg(f.id))
                master = master || QUrlQuery(r.rawQuery).queryItemValue(QStringLiteral("q")) == QStringLiteral("360");
            variant = variant || r.path.startsWith(QStringLiteral("/api/hls/%1/360/").arg(f.id));
            QVERIFY2(!r.path.startsWith(QStringLiteral("/api/hls/%1/720/").arg(f.id)), qPrintable(r.line()));
        }
        QVERIFY(master);
        QVERIFY(variant);
        // The clock corrects the listed length to the media's.
        QVERIFY(std::abs(rig.store.duration() - 16.0) < 0.5);
    }

    void startsAtAnExactTime()
    {
        Rig rig;
        rig.store.play(toVideo(playable.at(1)), 6.0, true);
        QVERIFY(rig.playingPast(6.5));
        QVERIFY(!rig.ticks.isEmpty());
        for (double t : std::as_const(rig.ticks))
            QVERIFY2(t >= 5.99, qPrintable(QString::number(t)));
        QVERIFY2(rig.ticks.first() < 6.3, qPrintable(QString::number(rig.ticks.first())));
    }

    // After a start time the item still seeks back to its beginning:
    // "previous" after a resume restarts it, and a loop wraps round.
    void seeksToTheBeginningAfterAStart()
    {
        Rig rig;
        const Video v = toVideo(playable.at(1));
        rig.library->setPosition(v.id, 11.0);
        rig.store.play(v, std::nullopt, true);
        QVERIFY(rig.playingPast(11.2));
        for (bool loop : {false, true}) {
            rig.store.setLoop(loop);
            loop ? rig.store.seek(14.0) : rig.store.playPrevious();
            QVERIFY2(TestTime::waitFor([&] { return rig.store.currentTime() < 3.0; }, kLong), qPrintable(rig.state()));
            QVERIFY2(rig.playingPast(1.0), qPrintable(QStringLiteral("loop %1; ").arg(loop) + rig.state()));
        }
        QCOMPARE(rig.store.current()->id, v.id);
        QVERIFY(rig.library->position(v.id) < 12.0); // the end was never kept
    }

    // "Repetir" restarts a short clip at every end. mpv pauses by itself at
    // the end of a file, and when its pause comes after the store's restart
    // was asked for, it must not hold the loop; the late pause is made
    // here at every end, queued behind the store's own reaction. Loop off
    // again, the clip stops at its end, and ▶ there starts it over.
    void loopRestartsAtEveryEnd_data()
    {
        QTest::addColumn<bool>("hls");
        QTest::addColumn<bool>("latePause");
        QTest::newRow("progressive") << false << false;
        QTest::newRow("hls") << true << false;
        QTest::newRow("progressive, late pause at the end") << false << true;
        QTest::newRow("hls, late pause at the end") << true << true;
    }

    void loopRestartsAtEveryEnd()
    {
        QFETCH(bool, hls);
        QFETCH(bool, latePause);
        constexpr int kEnds = 8;
        Rig rig;
        QSignalSpy ended(rig.engine, &MediaEngine::itemEnded);
        if (latePause) {
            QObject::connect(rig.engine, &MediaEngine::itemEnded, rig.engine, [&rig] {
                QMetaObject::invokeMethod(
                    rig.engine, [&rig] { rig.engine->writeMpvProperty("pause", true); }, Qt::QueuedConnection);
            });
        }
        rig.store.setLoop(true);
        Video v;
        v.id = QStringLiteral("short");
        v.title = QStringLiteral("Corto");
        PlayerStoreProbe::playFile(rig.store, v, hls ? shortHls : shortFile);
        QVERIFY(rig.playingPast(0.2));
        // 1.5 s a round; after a stuck end, neither a restart nor another end comes.
        auto restarted = [&] {
            return rig.store.isPlaying() && !rig.store.isBuffering() && rig.engine->currentTime() < 1.0;
        };
        for (int end = 1; end <= kEnds; ++end) {
            QVERIFY2(TestTime::waitFor([&] { return ended.size() >= end; }, 15000),
                     qPrintable(QStringLiteral("end %1 never came; at %2 s").arg(end).arg(rig.engine->currentTime())));
            QVERIFY2(TestTime::waitFor(restarted, kLong),
                     qPrintable(QStringLiteral("no restart after end %1; at %2 s").arg(end).arg(rig.engine->currentTime())));
        }
        QCOMPARE(rig.store.current()->id, v.id);

        rig.store.setLoop(false);
        QVERIFY(TestTime::waitFor([&] { return ended.size() > kEnds; }, 15000));
        QVERIFY(TestTime::waitFor([&] { return !rig.store.isPlaying(); }, kLong));
        QTest::qWait(300);
        QVERIFY(!rig.store.isPlaying());
        QVERIFY(rig.engine->currentTime() > 1.2);
        rig.store.togglePlay();
        if (latePause) {
            // mpv's pause at the end, later than ▶: the player shows it, and
            // ▶ again plays.
            rig.engine->writeMpvProperty("pause", true);
            QVERIFY(TestTime::waitFor([&] { return !rig.store.isPlaying(); }, kLong));
            rig.store.togglePlay();
        }
        QVERIFY(TestTime::waitFor(restarted, kLong));
        QVERIFY(rig.playingPast(0.3));
    }

    void fallsBackToTheProgressiveStream()
    {
        const FxVideo &f = playable.at(2);
        FaultRule missing;
        missing.pathPrefix = QStringLiteral("/api/hls/") + f.id;
        missing.missing = FaultRule::Missing::Hls;
        backend.addFault(missing);
        Rig rig;
        rig.store.play(toVideo(f), 3.0, true);
        QVERIFY(rig.playingPast(3.5));
        QVERIFY(rig.store.usingLegacy());
        QCOMPARE(rig.store.activeQuality(), 360);
        QVERIFY(rig.engine->itemUrl().path().startsWith(QStringLiteral("/api/stream/")));
        QVERIFY(!rig.store.errorMessage());
        QVERIFY(backend.requests().last(QStringLiteral("/api/stream/") + f.id));
    }

    // Each start asks for its master playlist once, and the engine starts
    // without waiting for the details, held back here: the log has a
    // request once it is answered.
    void startsBeforeTheDetailsOncePerMaster()
    {
        const qint64 delay = backend.delayPath(QStringLiteral("/api/video/"), 20000);
        const auto undo = qScopeGuard([&] { backend.faults().remove(delay); });
        Rig rig;
        const qint64 mark = backend.requests().lastSeq();
        const QList<Video> videos{toVideo(playable.at(0)), toVideo(playable.at(1))};
        for (const Video &v : videos) {
            rig.store.play(v, std::nullopt, true);
            QVERIFY(rig.playingPast(0.5));
        }
        rig.store.setQuality(360);
        QVERIFY(TestTime::waitFor([&] { return rig.store.activeQuality() == 360; }, kLong));
        QVERIFY(rig.playingPast(0.5));
        const auto key = [](const QString &id, const QString &query) {
            return id + u'@' + QUrlQuery(query).queryItemValue(QStringLiteral("q"));
        };
        const auto keyFor = [&](const Video &v, qint64 quality) { return key(v.id, API::shared().hlsURL(v.id, quality).query()); };
        QMap<QString, int> masters;
        for (const RequestRecord &r : backend.requests().since(mark)) {
            QVERIFY2(!r.path.startsWith(QStringLiteral("/api/video/")), qPrintable(r.line()));
            if (r.path.endsWith(QStringLiteral("/master.m3u8")))
                ++masters[key(r.path.section(u'/', 3, 3), r.rawQuery)];
        }
        const qint64 first = Defaults::shared().intValue(Pref::quality);
        QCOMPARE(masters, (QMap<QString, int>{{keyFor(videos[0], first), 1},
                                              {keyFor(videos[1], first), 1},
                                              {keyFor(videos[1], 360), 1}}));
        QVERIFY(!rig.store.detail());
    }

    void endsAndPlaysTheNext()
    {
        Defaults::shared().setValue(Pref::autoplay, true);
        Defaults::shared().setValue(Pref::countdown, true);
        Rig rig;
        const Video first = toVideo(playable.at(3));
        rig.library->setPosition(first.id, 5.0);
        rig.store.play(first, 12.0, true);
        QVERIFY(TestTime::waitFor([&] { return !rig.store.related().isEmpty(); }, kLong));
        const std::optional<Video> candidate = rig.store.nextCandidate();
        QVERIFY(candidate);
        QSignalSpy countdown(&rig.store, &PlayerStore::countdownChanged);
        QVERIFY(TestTime::waitFor([&] { return rig.store.current() && rig.store.current()->id != first.id; }, kLong));
        QCOMPARE(rig.store.current()->id, candidate->id);
        QVERIFY(countdown.size() >= 6); // 5 … 0
        QCOMPARE(rig.store.playedStack().last().id, first.id);
        QCOMPARE(rig.library->position(first.id), 0.0); // finished: forgotten
        QVERIFY(rig.engine->itemUrl().path().contains(candidate->id));
    }
};

QTEST_MAIN(TestPlayerStoreMpv)
#include "tst_playerstore_mpv.moc"
