// The player store's clock and transport on the scripted engine: what each
// tick publishes, corrects, skips, loops, pauses and saves, and how play and
// pause, seeking and going back behave.
#include "AppFixture.h"
#include "Defaults.h"
#include "FakeClock.h"
#include "Pref.h"
#include "SampleVideos.h"
#include "StoreRig.h"

#include <QSignalSpy>
#include <QTest>

#include <limits>

class PlayerStoreProbe
{
public:
    static void tick(PlayerStore &s, double t) { s.tick(t); }
    static void setSegments(PlayerStore &s, QList<SponsorSegment> v) { s.setSegments(std::move(v)); }
    static void setLoopA(PlayerStore &s, std::optional<double> v) { s.setLoopA(v); }
};

namespace {

using Probe = PlayerStoreProbe;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

Video makeVideo(const QString &id, qint64 duration = 600) { return sampleVideo(id, duration); }

QList<double> seekTargets(const SimulatedEngine &e)
{
    QList<double> out;
    for (const auto &s : e.seeks())
        out << s.target;
    return out;
}

struct Skip
{
    QList<SponsorSegment> segments{{5.0, 10.0, QStringLiteral("sponsor")}};
    std::optional<double> lastSkip; // a skip made just before
    double t = 7.0;
    bool on = true;
    bool scrubbing = false;
    QList<double> seeks;
};

// A store playing one video whose metadata load is over (the backend knows
// none of these ids, so nothing arrives later to disturb a test).
struct Rig : StoreRig
{
    Rig() : StoreRig({200, 20}) {}
    bool start(const Video &v, double mediaDuration = 600)
    {
        store.play(v, std::nullopt, true);
        engine->makeReady(mediaDuration);
        return TestTime::waitFor([&] { return store.commentsState().isFailed(); }, 8000);
    }
    void tick(double t) { Probe::tick(store, t); }
};

} // namespace

Q_DECLARE_METATYPE(Skip)

class TestPlayerStoreClock : public QObject
{
    Q_OBJECT

private:
    AppFixture backend;

private slots:
    void initTestCase() { QVERIFY2(backend.start(), qPrintable(backend.error())); }
    void init() { AppFixture::clearData(); }

    void cleanup() { LibraryStore::waitForWrites(); }

    // Quitting or closing the player keeps the play head itself, not the
    // last 5 s step; where nothing has played yet, or the video ended, the
    // saved position is left as it was.
    void savePositionKeepsThePlayHead_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("byStop");
        QTest::addColumn<double>("expected");
        QTest::newRow("playing") << "playing" << false << 23.4;
        QTest::newRow("closing the player") << "playing" << true << 23.4;
        QTest::newRow("still loading") << "loading" << false << 300.0;
        QTest::newRow("start seek under way") << "seeking" << false << 300.0;
        QTest::newRow("ended") << "ended" << false << 0.0;
        QTest::newRow("incognito") << "incognito" << true << 300.0;
    }

    void savePositionKeepsThePlayHead()
    {
        QFETCH(QString, state);
        QFETCH(bool, byStop);
        QFETCH(double, expected);
        Rig rig;
        const Video v = makeVideo(QStringLiteral("quit"));
        rig.library->setPosition(v.id, 300);
        Defaults::shared().setValue(Pref::incognito, state == "incognito");
        rig.store.play(v, state == "playing" || state == "incognito" || state == "ended" ? std::optional(0.0)
                                                                                         : std::nullopt,
                       true);
        if (state != "loading")
            rig.engine->makeReady(600);
        if (state == "playing" || state == "incognito")
            rig.engine->advance(23.4);
        if (state == "ended") {
            rig.engine->advance(700);
            QCoreApplication::processEvents(); // the end forgets the position
        }
        if (byStop)
            rig.store.stop();
        else
            rig.store.savePosition();
        Defaults::shared().setValue(Pref::incognito, false);
        QCOMPARE(rig.library->position(v.id), expected);
    }

    // A tick with nothing current, or with no finite time, is dropped whole.
    void ticksWithoutTimeOrVideoChangeNothing()
    {
        Rig rig;
        QSignalSpy time(&rig.store, &PlayerStore::currentTimeChanged);
        rig.tick(12); // nothing current
        QVERIFY(rig.start(makeVideo(QStringLiteral("t"))));
        time.clear();
        const double saved = rig.store.lastSave();
        rig.tick(kNaN);
        rig.tick(std::numeric_limits<double>::infinity());
        QCOMPARE(time.size(), 0);
        QCOMPARE(rig.store.lastSave(), saved);
        QCOMPARE(rig.store.watchedSeconds(), 0.0);
    }

    // Published in steps of at least 0.45 s, never while scrubbing.
    void publishing_data()
    {
        QTest::addColumn<QList<double>>("ticks");
        QTest::addColumn<bool>("scrubbing");
        QTest::addColumn<QList<double>>("published");
        QTest::newRow("every second tick")
            << QList<double>{0.25, 0.5, 0.75, 1.0, 1.25} << false << QList<double>{0.25, 0.75, 1.25};
        QTest::newRow("a jump back") << QList<double>{10.0, 10.25, 3.0} << false << QList<double>{10.0, 3.0};
        QTest::newRow("scrubbing") << QList<double>{0.25, 0.75, 1.25} << true << QList<double>{};
    }

    void publishing()
    {
        QFETCH(QList<double>, ticks);
        QFETCH(bool, scrubbing);
        QFETCH(QList<double>, published);
        Rig rig;
        QVERIFY(rig.start(makeVideo(QStringLiteral("pub"))));
        rig.store.setIsScrubbing(scrubbing);
        QList<double> seen;
        connect(&rig.store, &PlayerStore::currentTimeChanged, this, [&] { seen << rig.store.currentTime(); });
        for (double t : ticks)
            rig.tick(t);
        QCOMPARE(seen, published);
    }

    void durationFollowsTheItem_data()
    {
        QTest::addColumn<qint64>("listed");
        QTest::addColumn<double>("media");
        QTest::addColumn<double>("expected");
        QTest::newRow("placeholder") << qint64(0) << 16.0 << 16.0;
        QTest::newRow("off by more than 1 s") << qint64(600) << 598.5 << 598.5;
        QTest::newRow("off by 1 s") << qint64(600) << 599.0 << 600.0;
    }

    void durationFollowsTheItem()
    {
        QFETCH(qint64, listed);
        QFETCH(double, media);
        QFETCH(double, expected);
        Rig rig;
        QVERIFY(rig.start(makeVideo(QStringLiteral("dur"), listed), media));
        rig.tick(0.25);
        QCOMPARE(rig.store.duration(), expected);
    }

    // A segment is skipped from its start until its last 0.7 s, once: a
    // segment starting within 1 s of the last skip is left alone.
    void sponsorSkipping_data()
    {
        QTest::addColumn<Skip>("c");
        const QList<SponsorSegment> two{{5.0, 10.0, QStringLiteral("a")}, {6.0, 30.0, QStringLiteral("b")}};
        QTest::newRow("inside") << Skip{.t = 9.2, .seeks = {10.0}};
        QTest::newRow("last 0.7 s begun") << Skip{.t = 9.6};
        QTest::newRow("at its start") << Skip{.t = 5.0, .seeks = {10.0}};
        QTest::newRow("before it") << Skip{.t = 4.9};
        QTest::newRow("setting off") << Skip{.on = false};
        QTest::newRow("scrubbing") << Skip{.scrubbing = true};
        QTest::newRow("skipped last, within 1 s")
            << Skip{.segments = {{5.8, 10.0, QStringLiteral("intro")}}, .lastSkip = 5.0};
        QTest::newRow("skipped last, 1.5 s apart")
            << Skip{.segments = {{6.5, 10.0, QStringLiteral("intro")}}, .lastSkip = 5.0, .seeks = {10.0}};
        QTest::newRow("first qualifying only") << Skip{.segments = two, .seeks = {10.0}};
    }

    void sponsorSkipping()
    {
        QFETCH(Skip, c);
        Defaults::shared().setValue(Pref::skipSponsors, c.on);
        Rig rig;
        QVERIFY(rig.start(makeVideo(QStringLiteral("sp"))));
        if (c.lastSkip) {
            Probe::setSegments(rig.store, {{*c.lastSkip, *c.lastSkip + 0.9, QStringLiteral("x")}});
            rig.tick(*c.lastSkip);
            QCOMPARE(rig.store.lastSkip(), *c.lastSkip);
            QVERIFY(TestTime::waitFor([&] { return !rig.store.toast(); }, 2000));
        }
        rig.engine->clearRecord();
        Probe::setSegments(rig.store, c.segments);
        rig.store.setIsScrubbing(c.scrubbing);
        rig.tick(c.t);
        QCOMPARE(seekTargets(*rig.engine), c.seeks);
        QCOMPARE(rig.store.toast(), c.seeks.isEmpty() ? std::optional<QString>()
                                                      : std::optional<QString>(QStringLiteral("Patrocinio omitido")));
    }

    void loopAB()
    {
        Rig rig;
        QVERIFY(rig.start(makeVideo(QStringLiteral("loop"))));
        Probe::setSegments(rig.store, {{19.0, 40.0, QStringLiteral("sponsor")}});
        Probe::setLoopA(rig.store, 10.0);
        rig.store.setLoopB(20.0);
        rig.engine->clearRecord();
        rig.tick(19.75); // not there yet: the sponsor is skipped as usual
        QCOMPARE(seekTargets(*rig.engine), QList<double>{40.0});
        rig.engine->clearRecord();
        const double saved = rig.store.lastSave();
        rig.tick(25.0);
        QCOMPARE(seekTargets(*rig.engine), QList<double>{10.0});
        QCOMPARE(rig.store.currentTime(), 10.0);
        QCOMPARE(rig.store.lastSave(), saved); // that tick saves nothing
    }

    void sleepDeadline()
    {
        FakeClock clock;
        Rig rig;
        QVERIFY(rig.start(makeVideo(QStringLiteral("zz"))));
        rig.store.setSleep(15, false);
        QCOMPARE(rig.store.toast(), std::optional<QString>(QStringLiteral("Se pausará en 15 min")));
        clock.advance(15 * 60 - 1);
        rig.tick(1.0);
        QVERIFY(rig.store.isPlaying());
        clock.advance(1);
        rig.tick(1.25);
        QVERIFY(!rig.store.isPlaying());
        QVERIFY(!rig.store.sleepEndsAt());
        QCOMPARE(rig.store.toast(), std::optional<QString>(QStringLiteral("Temporizador: pausado")));
        // At the end and after some minutes exclude each other.
        rig.store.setSleep(QVariant(), true);
        QCOMPARE(rig.store.toast(), std::optional<QString>(QStringLiteral("Se pausará al terminar")));
        rig.store.setSleep(30, false);
        QVERIFY(!rig.store.sleepAtEnd());
        rig.store.setSleep(QVariant(), true);
        QVERIFY(!rig.store.sleepEndsAt());
        // A deadline survives a change of video.
        rig.store.setSleep(30, false);
        rig.store.play(makeVideo(QStringLiteral("zz2")), std::nullopt, true);
        QVERIFY(rig.store.sleepEndsAt());
    }

    void breakReminder()
    {
        Defaults::shared().setValue(Pref::breakReminder, 1);
        Rig rig;
        QVERIFY(rig.start(makeVideo(QStringLiteral("rest"))));
        QSignalSpy toast(&rig.store, &PlayerStore::toastChanged);
        rig.engine->advance(59.75);
        QCOMPARE(toast.size(), 0);
        rig.engine->advance(0.25);
        QCOMPARE(rig.store.toast(),
                 std::optional<QString>(QStringLiteral("Llevas un buen rato viendo vídeos. Quizá toca descansar.")));
        QCOMPARE(rig.store.watchedSeconds(), 0.0);
        // Paused ticks (a seek while paused) do not count.
        rig.engine->pause();
        rig.tick(70);
        QCOMPARE(rig.store.watchedSeconds(), 0.0);
        // Waiting for data does not count either.
        rig.engine->play();
        rig.engine->setBuffering(true);
        rig.tick(71);
        QCOMPARE(rig.store.watchedSeconds(), 0.0);
    }

    // Positions are saved every 5 s of play-head movement, and in
    // incognito mode not at all.
    void positionSaving_data()
    {
        QTest::addColumn<bool>("incognito");
        QTest::newRow("normal") << false;
        QTest::newRow("incognito") << true;
    }

    void positionSaving()
    {
        QFETCH(bool, incognito);
        Defaults::shared().setValue(Pref::incognito, incognito);
        Rig rig;
        const Video v = makeVideo(QStringLiteral("pos"));
        QVERIFY(rig.start(v));
        QList<double> saves;
        for (int i = 1; i <= 48; ++i) {
            rig.tick(i * 0.25);
            if (rig.library->position(v.id) != (saves.isEmpty() ? 0.0 : saves.last()))
                saves << rig.library->position(v.id);
        }
        QCOMPARE(saves, incognito ? QList<double>{} : (QList<double>{5.0, 10.0}));
        QCOMPARE(rig.store.lastSave(), 10.0);

        // lastSave carries over to the next video.
        rig.store.play(makeVideo(QStringLiteral("pos2")), std::nullopt, true);
        rig.engine->makeReady(600);
        rig.tick(12.0);
        QCOMPARE(rig.library->position(QStringLiteral("pos2")), 0.0);
        rig.tick(15.0);
        QCOMPARE(rig.library->position(QStringLiteral("pos2")), incognito ? 0.0 : 15.0);
    }

    // ---- transport

    void togglePlay_data()
    {
        QTest::addColumn<bool>("playing");
        QTest::addColumn<double>("at");
        QTest::addColumn<bool>("playsAfter");
        QTest::addColumn<QList<double>>("seeks");
        QTest::newRow("pauses") << true << 100.0 << false << QList<double>{};
        QTest::newRow("0.6 s before the end") << false << 599.4 << true << QList<double>{};
        QTest::newRow("0.3 s before the end") << false << 599.7 << true << QList<double>{0.0};
    }

    void togglePlay()
    {
        QFETCH(bool, playing);
        QFETCH(double, at);
        QFETCH(bool, playsAfter);
        QFETCH(QList<double>, seeks);
        Defaults::shared().setValue(Pref::speed, 1.25);
        Rig rig;
        QVERIFY(rig.start(makeVideo(QStringLiteral("tog"))));
        if (!playing)
            rig.engine->pause();
        rig.store.setCurrentTime(at);
        rig.engine->clearRecord();
        rig.store.togglePlay();
        QCOMPARE(rig.store.isPlaying(), playsAfter);
        QCOMPARE(seekTargets(*rig.engine), seeks);
        if (playsAfter)
            QCOMPARE(rig.engine->rate(), 1.25);
    }

    void seekLimits_data()
    {
        QTest::addColumn<qint64>("duration");
        QTest::addColumn<double>("target");
        QTest::addColumn<double>("landed");
        QTest::newRow("negative") << qint64(600) << -4.0 << 0.0;
        QTest::newRow("past the end") << qint64(600) << 700.0 << 600.0;
        QTest::newRow("no duration yet") << qint64(0) << 700.0 << 700.0;
        QTest::newRow("NaN") << qint64(600) << kNaN << 0.0;
        QTest::newRow("inside") << qint64(600) << 12.5 << 12.5;
    }

    void seekLimits()
    {
        QFETCH(qint64, duration);
        QFETCH(double, target);
        QFETCH(double, landed);
        Rig rig;
        rig.store.play(makeVideo(QStringLiteral("seek"), duration), std::nullopt, true);
        rig.store.seek(target);
        QCOMPARE(rig.store.currentTime(), landed);
        QCOMPARE(rig.store.lastPublish(), landed);
        QCOMPARE(seekTargets(*rig.engine), QList<double>{landed});
        // The next tick at that time does not publish again.
        QSignalSpy spy(&rig.store, &PlayerStore::currentTimeChanged);
        rig.engine->makeReady(1000);
        rig.tick(landed + 0.25);
        QCOMPARE(spy.size(), 0);
    }

    void playPrevious_data()
    {
        QTest::addColumn<double>("at");
        QTest::addColumn<bool>("withStack");
        QTest::addColumn<QString>("playing");
        QTest::addColumn<QList<double>>("seeks");
        QTest::newRow("at 5.0 goes back") << 5.0 << true << "first" << QList<double>{};
        QTest::newRow("at 5.1 restarts") << 5.1 << true << "second" << QList<double>{0.0};
        QTest::newRow("empty stack restarts") << 2.0 << false << "second" << QList<double>{0.0};
    }

    void playPrevious()
    {
        QFETCH(double, at);
        QFETCH(bool, withStack);
        QFETCH(QString, playing);
        QFETCH(QList<double>, seeks);
        Rig rig;
        rig.store.play(makeVideo(QStringLiteral("first")), std::nullopt, true);
        rig.store.play(makeVideo(QStringLiteral("second")), std::nullopt, withStack);
        rig.engine->makeReady(600);
        rig.store.setCurrentTime(at);
        rig.engine->clearRecord();
        rig.store.playPrevious();
        QCOMPARE(rig.store.current()->id, playing);
        QCOMPARE(seekTargets(*rig.engine), seeks);
        // Going back pushes nothing.
        QCOMPARE(rig.store.playedStack().size(), withStack && playing == QStringLiteral("second") ? 1 : 0);
    }
};

QTEST_MAIN(TestPlayerStoreClock)
#include "tst_playerstore_clock.moc"
