// The player store and the desktop: play state and the screen's idle timer,
// audio interruptions and unplugged outputs, the metered network, the media
// controls over MPRIS (a real client on the session bus), Now Playing,
// Picture in Picture and the audio outputs of a real mpv engine. What MPRIS
// and the screensaver make of these is tested with the platform layer.
#include "AppFixture.h"
#include "AudioSession.h"
#include "Defaults.h"
#include "Fixtures.h"
#include "MprisService.h"
#include "MediaEngineFactory.h"
#include "MpvEngine.h"
#include "NetworkPath.h"
#include "NowPlaying.h"
#include "Orientation.h"
#include "PictureInPicture.h"
#include "Pref.h"
#include "QmlHarness.h"
#include "RemoteCommands.h"
#include "RoutePicker.h"
#include "Screen.h"
#include "StoreRig.h"
#include "VideoSurface.h"
#include "VolumeController.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QGuiApplication>
#include <QQuickWindow>
#include <QTest>
#include <QThread>

using Status = MediaEngine::TimeControlStatus;

namespace {

Video makeVideo(const QString &id, const QString &title = {})
{
    Video v;
    v.id = id;
    v.title = title.isEmpty() ? QStringLiteral("Vídeo ") + id : title;
    v.channel = QStringLiteral("Canal de ") + id;
    v.duration = 600;
    return v;
}

struct Rig : StoreRig
{
    Rig() : StoreRig({5000, 20}, Seeks::atOnce) {}
    void playAt(const QString &id, double t = 0) { StoreRig::playAt(makeVideo(id), t); }
};

// The core is made in the background: only a started one can tell.
bool started(MpvEngine &engine)
{
    engine.prepare();
    return TestTime::waitFor([&] { return engine.isAvailable(); }, 10000);
}

} // namespace

class TestPlayerSystem : public QObject
{
    Q_OBJECT

private:
    AppFixture backend;
    bool m_bus = false;
    QDBusConnection m_client{QString()};

    // A desktop client calls the player: a blocking QDBusInterface on a
    // thread of its own, while this thread goes on serving the app's side.
    void callPlayer(const QString &method, const QVariantList &args = {})
    {
        QDBusMessage reply;
        QThread *thread = QThread::create([&] {
            QDBusInterface player(MprisService::serviceName, MprisService::objectPath, MprisService::playerInterface,
                                  m_client);
            reply = player.callWithArgumentList(QDBus::Block, method, args);
        });
        thread->start();
        QVERIFY(TestTime::waitFor([&] { return thread->isFinished(); }, 20000));
        delete thread;
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage); // the desktop always hears success
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(backend.start(), qPrintable(backend.error()));
        QGuiApplication::setQuitOnLastWindowClosed(false);
        m_bus = QDBusConnection::sessionBus().isConnected();
        if (m_bus)
            m_client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("desktop-client"));
    }

    void init()
    {
        AppFixture::clearData();
        Defaults::shared().setValue(Pref::skipSponsors, false);
        backend->clearFaults();
        Orientation::clearHistory();
        NetworkPath::shared().setOverride(false);
        AudioSession::shared().setAudioDevices({}, QString());
        Screen::shared().setIdleTimerDisabled(false);
        NowPlaying::shared().clear();
    }

    void cleanup() { LibraryStore::waitForWrites(); }

    // ---- play state

    // The engine's status makes the store's state, keeps the screen awake
    // only while the video really plays, and is what the desktop is told.
    void statusDrivesTheStoreAndTheScreen()
    {
        Rig rig;
        QVERIFY(!rig.store.isPlaying() && !Screen::shared().isIdleTimerDisabled() && !NowPlaying::shared().info());
        const auto expect = [&](bool playing, bool buffering, Status told) {
            QCOMPARE(rig.store.isPlaying(), playing);
            QCOMPARE(rig.store.isBuffering(), buffering);
            QCOMPARE(Screen::shared().isIdleTimerDisabled(), told == Status::Playing);
            QCOMPARE(NowPlaying::shared().info()->status, told);
        };
        rig.store.play(makeVideo(QStringLiteral("state")), std::nullopt, true); // waiting for the item
        expect(true, true, Status::WaitingToPlay);
        rig.engine->makeReady(600);
        expect(true, false, Status::Playing);
        rig.engine->setBuffering(true);
        expect(true, true, Status::WaitingToPlay);
        rig.engine->setBuffering(false);
        rig.store.togglePlay();
        expect(false, false, Status::Paused);
        rig.store.stop();
        QVERIFY(!NowPlaying::shared().info());
    }

    void nowPlayingTellsTheVideo()
    {
        Rig rig;
        rig.playAt(QStringLiteral("np"), 7.0);
        rig.store.setSpeed(1.5f);
        const std::optional<NowPlayingInfo> info = NowPlaying::shared().info();
        QVERIFY(info);
        QCOMPARE(info->videoId, QStringLiteral("np"));
        QCOMPARE(info->title, QStringLiteral("Vídeo np"));
        QCOMPARE(info->artist, QStringLiteral("Canal de np"));
        QCOMPARE(info->duration, 600.0);
        QCOMPARE(info->speed, 1.5);
        QVERIFY(std::abs(info->elapsed - 7.0) <= 0.5);
        // Paused, the desktop still hears the chosen speed: the status says it stands.
        rig.store.togglePlay();
        QCOMPARE(NowPlaying::shared().info()->speed, 1.5);
    }

    // ---- audio session

    void interruptions_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<uint>("options");
        QTest::addColumn<bool>("plays");
        QTest::newRow("ended, resume") << int(AudioSession::InterruptionType::Ended) << 1u << true;
        QTest::newRow("ended, resume among other bits") << int(AudioSession::InterruptionType::Ended) << 5u << true;
        QTest::newRow("ended, no resume") << int(AudioSession::InterruptionType::Ended) << 0u << false;
        QTest::newRow("began") << int(AudioSession::InterruptionType::Began) << 1u << false;
    }

    // The resume comes even when the user had paused before.
    void interruptions()
    {
        QFETCH(int, type);
        QFETCH(uint, options);
        QFETCH(bool, plays);
        Rig rig;
        rig.playAt(QStringLiteral("call"), 2);
        rig.store.togglePlay();
        QVERIFY(rig.engine->isPaused());
        emit AudioSession::shared().interruption(AudioSession::InterruptionType(type), options);
        QCOMPARE(!rig.engine->isPaused(), plays);
    }

    // Losing the output in use pauses when the setting asks for it; the
    // sound server's default output counts only while the engine follows it.
    // Which device changes are such a loss is the audio session's own test.
    void unplugging_data()
    {
        QTest::addColumn<bool>("setting");
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("defaultLost"); // else the device in use is no longer listed
        QTest::addColumn<bool>("paused");
        QTest::newRow("setting on") << true << "pulse/phones" << false << true;
        QTest::newRow("setting off") << false << "pulse/phones" << false << false;
        QTest::newRow("default output lost, following it") << true << "auto" << true << true;
        QTest::newRow("default output lost, device chosen") << true << "pulse/phones" << true << false;
        QTest::newRow("default output lost, setting off") << false << "auto" << true << false;
    }

    void unplugging()
    {
        QFETCH(bool, setting);
        QFETCH(QString, current);
        QFETCH(bool, defaultLost);
        Defaults::shared().setValue(Pref::pauseOnUnplug, setting);
        const AudioDevice speakers{QStringLiteral("auto"), QStringLiteral("Altavoces")};
        const AudioDevice phones{QStringLiteral("pulse/phones"), QStringLiteral("Auriculares")};
        AudioSession::shared().setAudioDevices({speakers, phones}, current);
        Rig rig;
        rig.playAt(QStringLiteral("music"), 2);
        QVERIFY(!rig.engine->isPaused());
        if (defaultLost)
            AudioSession::shared().defaultOutputLost();
        else
            AudioSession::shared().setAudioDevices({speakers}, speakers.name);
        QTEST(rig.engine->isPaused(), "paused");
    }

    // ---- network

    // A metered network caps the next stream, not the one playing.
    void meteredNetwork()
    {
        Defaults::shared().setValue(Pref::quality, 1080);
        Defaults::shared().setValue(Pref::cellularCap, 480);
        Rig rig;
        QVERIFY(NetworkPath::shared().isStarted()); // the store is what starts the monitor
        rig.playAt(QStringLiteral("wifi"));
        QCOMPARE(rig.store.activeQuality(), 1080);
        NetworkPath::shared().setOverride(true);
        QVERIFY(rig.store.onCellular());
        QCOMPARE(rig.engine->loads().size(), 1);
        rig.playAt(QStringLiteral("cell"));
        QCOMPARE(rig.store.activeQuality(), 480);
    }

    // ---- MPRIS

    void mprisCommands_data()
    {
        QTest::addColumn<int>("seekStep");
        QTest::addColumn<double>("step");
        QTest::newRow("step below the least") << 3 << 5.0;
        QTest::newRow("step 15") << 15 << 15.0;
    }

    // The desktop's commands reach the store; the skip step is read once,
    // when the commands are registered, and is at least 5 s.
    void mprisCommands()
    {
        if (!m_bus)
            QSKIP("no session bus");
        QFETCH(int, seekStep);
        QFETCH(double, step);
        Defaults::shared().setValue(Pref::seekStep, seekStep);
        Rig rig;
        QTRY_VERIFY(MprisService::shared().ownsName());
        Defaults::shared().setValue(Pref::seekStep, 60);
        rig.playAt(QStringLiteral("first"));
        rig.playAt(QStringLiteral("second"), 2);

        callPlayer(QStringLiteral("PlayPause"));
        QVERIFY(rig.engine->isPaused());
        callPlayer(QStringLiteral("Play"));
        QVERIFY(!rig.engine->isPaused());
        callPlayer(QStringLiteral("Pause"));
        QVERIFY(rig.engine->isPaused());

        // The step is what the app offers; a Seek moves by its own offset.
        QCOMPARE(RemoteCommands::shared().skipInterval(), step);
        callPlayer(QStringLiteral("Seek"), {QVariant::fromValue(qlonglong(-3'000'000))});
        QCOMPARE(rig.engine->seeks().last().target, 0.0); // not before the start
        QTRY_COMPARE(rig.engine->currentTime(), 0.0);
        callPlayer(QStringLiteral("Seek"), {QVariant::fromValue(qlonglong(1))});
        QCOMPARE(rig.engine->seeks().last().target, 1e-6);
        callPlayer(QStringLiteral("SetPosition"),
                   {QVariant::fromValue(QDBusObjectPath(NowPlaying::trackIdFor(QStringLiteral("second")))),
                    QVariant::fromValue(qlonglong(30'500'000))});
        QCOMPARE(rig.engine->seeks().last().target, 30.5);

        rig.store.enqueue(makeVideo(QStringLiteral("queued")));
        callPlayer(QStringLiteral("Next"));
        QCOMPARE(rig.store.current()->id, QStringLiteral("queued"));
        callPlayer(QStringLiteral("Previous"));
        QCOMPARE(rig.store.current()->id, QStringLiteral("second"));
    }

    void mprisSeekMovesByTheOffset_data()
    {
        QTest::addColumn<double>("from");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<qlonglong>("offset"); // µs
        QTest::addColumn<double>("to");        // negative: the next item plays
        QTest::newRow("back 1 s") << 100.0 << false << -1'000'000LL << 99.0;
        QTest::newRow("on 3 s") << 100.0 << false << 3'000'000LL << 103.0;
        QTest::newRow("on 30 s") << 100.0 << false << 30'000'000LL << 130.0;
        QTest::newRow("on 2.5 s") << 100.0 << false << 2'500'000LL << 102.5;
        QTest::newRow("paused, on 3 s") << 100.0 << true << 3'000'000LL << 103.0;
        QTest::newRow("paused, back 1 s") << 100.0 << true << -1'000'000LL << 99.0;
        QTest::newRow("back past the start") << 2.0 << false << -30'000'000LL << 0.0;
        QTest::newRow("on to the very end") << 590.0 << false << 10'000'000LL << 600.0;
        QTest::newRow("past the end") << 590.0 << false << 30'000'000LL << -1.0;
        QTest::newRow("paused, past the end") << 590.0 << true << 30'000'000LL << -1.0;
    }

    // A desktop's Seek moves by the offset it sends, within the item; past
    // its end the next item plays. The desktop sees the new position at
    // once, paused too.
    void mprisSeekMovesByTheOffset()
    {
        if (!m_bus)
            QSKIP("no session bus");
        QFETCH(double, from);
        QFETCH(bool, paused);
        QFETCH(qlonglong, offset);
        QFETCH(double, to);
        Defaults::shared().setValue(Pref::seekStep, 10);
        Rig rig;
        QTRY_VERIFY(MprisService::shared().ownsName());
        rig.playAt(QStringLiteral("seek"), from);
        rig.store.enqueue(makeVideo(QStringLiteral("after")));
        if (paused)
            rig.store.togglePlay();
        QCOMPARE(rig.engine->isPaused(), paused);
        QCOMPARE(rig.engine->currentTime(), from);
        if (paused) // what the desktop seeks from
            QCOMPARE(NowPlaying::shared().position(), qint64(from * 1e6));

        callPlayer(QStringLiteral("Seek"), {QVariant::fromValue(offset)});
        if (to < 0) {
            QCOMPARE(rig.store.current()->id, QStringLiteral("after"));
            return;
        }
        QCOMPARE(rig.store.current()->id, QStringLiteral("seek"));
        QCOMPARE(rig.engine->seeks().last().target, to);
        QTRY_COMPARE(rig.engine->currentTime(), to);
        QCOMPARE(rig.store.currentTime(), to);
        QCOMPARE(rig.engine->isPaused(), paused);
        // Playing, the desktop runs the position on by itself meanwhile.
        const double told = NowPlaying::shared().position() / 1e6;
        QVERIFY2(told >= to && told <= to + (paused ? 0.0 : 0.5), qPrintable(QString::number(told)));
    }

    // ---- Picture in Picture

    void pipPossibleFollowsTheItem()
    {
        Rig rig;
        QVERIFY(rig.store.pip());
        rig.store.play(makeVideo(QStringLiteral("pip")), std::nullopt, true);
        QVERIFY(!rig.store.pipPossible()); // loading
        rig.engine->makeReady(600, QSize(1280, 720));
        QVERIFY(rig.store.pipPossible());
        // Sound alone has no picture to float.
        rig.store.play(makeVideo(QStringLiteral("sound")), std::nullopt, true);
        rig.engine->makeReady(600, QSize());
        QVERIFY(!rig.store.pipPossible());
        rig.playAt(QStringLiteral("pic"));
        QVERIFY(rig.store.pipPossible());
        rig.store.stop();
        QVERIFY(!rig.store.pipPossible());
    }

    // Starting closes the full player; restoring opens it again, with the
    // orientation asked only for the changes actually made.
    void pipStartAndRestore_data()
    {
        QTest::addColumn<bool>("expandedAtStart");
        QTest::addColumn<bool>("expandedAtRestore");
        QTest::addColumn<QList<int>>("masks");
        QTest::newRow("from the full player") << true << false << QList<int>{2, 26};
        QTest::newRow("from the mini player") << false << false << QList<int>{26};
        // Opening it brings its own orientation; the restore asks for nothing more.
        QTest::newRow("full player opened meanwhile") << false << true << QList<int>{26};
    }

    void pipStartAndRestore()
    {
        QFETCH(bool, expandedAtStart);
        QFETCH(bool, expandedAtRestore);
        QFETCH(QList<int>, masks);
        Rig rig;
        rig.playAt(QStringLiteral("float"), 1);
        rig.store.setPresented(expandedAtStart);
        Orientation::clearHistory();
        PictureInPicture *pip = rig.store.pip();

        pip->start();
        QVERIFY(rig.store.pipActive());
        QVERIFY(!rig.store.expanded());
        QVERIFY(pip->window() && pip->window()->isVisible());
        QVERIFY(pip->window()->flags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(rig.engine->videoHolder(), pip->surface());
        QVERIFY(!rig.store.surface()->isActive());

        rig.store.setPresented(expandedAtRestore);
        pip->restore();
        QVERIFY(rig.store.expanded());
        QVERIFY(!rig.store.pipActive());
        QVERIFY(!pip->window()->isVisible());
        QCOMPARE(Orientation::history(), masks);
        QVERIFY(rig.store.surface()->isActive()); // the pictures are back
        QVERIFY(!rig.engine->isPaused());
    }

    // The floating window's own buttons.
    void pipWindowButtons()
    {
        Rig rig;
        rig.playAt(QStringLiteral("buttons"), 1);
        PictureInPicture *pip = rig.store.pip();
        pip->start();
        QQuickWindow *window = pip->window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const auto click = [&](const QString &name) {
            auto *item = window->findChild<QQuickItem *>(name);
            QVERIFY(item && item->isVisible());
            QTest::mouseClick(window, Qt::LeftButton, {}, item->mapToScene(item->boundingRect().center()).toPoint());
        };
        auto *controls = window->findChild<QQuickItem *>(QStringLiteral("pipControls"));
        QVERIFY(controls);
        // Playing with the pointer away, the video is left alone; paused,
        // the controls show.
        QVERIFY(!controls->isVisible());
        rig.store.togglePlay();
        QVERIFY(controls->isVisible());
        click(QStringLiteral("pipPlayPause"));
        QVERIFY(!rig.engine->isPaused());
        // The pointer is over the window: the controls stay while it plays.
        QTRY_VERIFY(controls->isVisible());
        click(QStringLiteral("pipClose"));
        QVERIFY(!rig.store.pipActive());
        QVERIFY(!window->isVisible());
        QVERIFY(rig.engine->isPaused());
        QVERIFY(!rig.store.expanded()); // closing is not restoring
    }

    // Someone who claims the pictures while the window floats keeps them.
    void pipLeavesALaterClaim()
    {
        Rig rig;
        rig.playAt(QStringLiteral("claim"), 1);
        rig.store.pip()->start();
        VideoSurface other;
        other.setEngine(rig.engine);
        rig.store.pip()->stop();
        QCOMPARE(rig.engine->videoHolder(), &other);
    }

    // A new video keeps the floating window; the end of playback, or closing
    // the main window (so the app can end), takes it away.
    void pipEnds_data()
    {
        QTest::addColumn<bool>("closeApp");
        QTest::newRow("video stopped") << false;
        QTest::newRow("main window closed") << true;
    }

    void pipEnds()
    {
        QFETCH(bool, closeApp);
        QmlHarness harness;
        QVERIFY(harness.loadSource("import QtQuick\nItem {}"));
        Rig rig;
        rig.store.pip()->setMainWindow(harness.window());
        rig.playAt(QStringLiteral("gone"), 1);
        rig.store.pip()->start();
        rig.playAt(QStringLiteral("next"));
        QVERIFY(rig.store.pipActive());
        if (closeApp)
            harness.window()->close();
        else
            rig.store.stop();
        QVERIFY(!rig.store.pipActive());
        QVERIFY(!rig.store.pip()->window()->isVisible());
    }

    // The window floats by itself only when the app goes out of sight while
    // the full player plays.
    void pipStartsByItself_data()
    {
        QTest::addColumn<bool>("expanded");
        QTest::addColumn<bool>("playing");
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("starts");
        QTest::newRow("minimised while watching") << true << true << "minimise" << true;
        QTest::newRow("hidden while watching") << true << true << "hide" << true;
        QTest::newRow("closed while watching") << true << true << "close" << false;
        QTest::newRow("minimised from the mini player") << false << true << "minimise" << false;
        QTest::newRow("minimised while paused") << true << false << "minimise" << false;
    }

    void pipStartsByItself()
    {
        QFETCH(bool, expanded);
        QFETCH(bool, playing);
        QFETCH(QString, how);
        QFETCH(bool, starts);
        QmlHarness harness;
        QVERIFY(harness.loadSource("import QtQuick\nItem {}"));
        Rig rig;
        rig.store.pip()->setMainWindow(harness.window());
        rig.playAt(QStringLiteral("auto"), 1);
        rig.store.setPresented(expanded);
        if (!playing)
            rig.store.togglePlay();

        QWindow *main = harness.window();
        if (how == QLatin1String("minimise"))
            main->showMinimized();
        else if (how == QLatin1String("hide"))
            main->hide();
        else
            main->close();
        QTest::qWait(50);
        QTRY_COMPARE(rig.store.pipActive(), starts);
        if (!starts)
            return;
        QVERIFY(!rig.store.expanded());
        // Restoring brings the app back with the full player.
        rig.store.pip()->restore();
        QTRY_VERIFY(main->isVisible() && main->visibility() != QWindow::Minimized);
        QVERIFY(rig.store.expanded());
    }

    // ---- a real engine

    void audioOutputsFromMpv()
    {
        qputenv("NIMBELORA_AUDIO", "null");
        auto *engine = qobject_cast<MpvEngine *>(MediaEngineFactory::create(MediaEngineFactory::Role::Main));
        QVERIFY(engine);
        PlayerStore store(engine);
        if (!started(*engine))
            QSKIP("mpv is not available");
        LibraryStore library;
        store.attach(&library);
        AudioSession &session = AudioSession::shared();
        QTRY_VERIFY(!session.devices().isEmpty());
        QCOMPARE(session.currentDevice(), AudioSession::defaultDevice);
        QCOMPARE(session.devices().first().name, AudioSession::defaultDevice);

        // The null output has no volume of its own: the player's is used.
        VolumeController::set(0.4);
        QTRY_COMPARE(engine->volume(), 0.4);
        QCOMPARE(session.outputVolume(), 0.4);

        // A choice in the picker becomes mpv's device, and the session follows.
        const QString chosen = session.devices().last().name;
        RoutePicker::shared().choose(chosen);
        QTRY_COMPARE(session.currentDevice(), chosen);
        RoutePicker::shared().choose(AudioSession::defaultDevice);
        QTRY_COMPARE(session.currentDevice(), AudioSession::defaultDevice);
    }

    // For looking, not asserting: set NIMBELORA_PIP_SHOT to the seconds the
    // floating window should stay up with a real clip playing.
    void pictureInPictureOnScreen()
    {
        const int hold = qEnvironmentVariableIntValue("NIMBELORA_PIP_SHOT");
        if (hold <= 0)
            QSKIP("only on request (NIMBELORA_PIP_SHOT)");
        QVERIFY2(backend->prepareMedia(), qPrintable(backend->error()));
        QString id;
        for (const FxVideo &v : backend->fixtures().videos())
            if (v.canPlay && v.hls && !v.isShort && !v.live && v.duration > 60 && id.isEmpty())
                id = v.id;
        auto *engine = new MpvEngine;
        PlayerStore store(engine);
        if (!started(*engine))
            QSKIP("mpv is not available");
        LibraryStore library;
        store.attach(&library);
        store.play(makeVideo(id, QStringLiteral("Imagen en imagen")), 2.0, true);
        QTRY_VERIFY_WITH_TIMEOUT(store.pipPossible() && store.isPlaying(), 30000);
        store.pip()->start();
        QVERIFY(QTest::qWaitForWindowExposed(store.pip()->window()));
        QTRY_VERIFY_WITH_TIMEOUT(!engine->videoFrame().image.isNull(), 20000);
        QTest::qWait(hold * 1000);
        QVERIFY(store.pipActive());
    }
};

QTEST_MAIN(TestPlayerSystem)
#include "tst_playersystem.moc"
