// The player store and the desktop: play state and the screen's idle
// inhibition, audio interruptions and unplugged outputs, the metered network,
// the media controls over MPRIS (a real client on the session bus), Now
// Playing, Picture in Picture and the audio outputs of a real mpv engine.
#include "AppFixture.h"
#include "AudioSession.h"
#include "Defaults.h"
#include "Fixtures.h"
#include "LibraryStore.h"
#include "MprisService.h"
#include "MpvEngine.h"
#include "NetworkPath.h"
#include "NowPlaying.h"
#include "Orientation.h"
#include "PictureInPicture.h"
#include "PlayerStore.h"
#include "Pref.h"
#include "QmlHarness.h"
#include "RoutePicker.h"
#include "Screen.h"
#include "SimulatedEngine.h"
#include "StoreRig.h"
#include "VideoSurface.h"
#include "VolumeController.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QGuiApplication>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QUrlQuery>

#include <memory>

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

// D-Bus values as plain Qt values.
QVariant plain(const QVariant &v)
{
    if (v.userType() == qMetaTypeId<QDBusVariant>())
        return plain(v.value<QDBusVariant>().variant());
    if (v.userType() == qMetaTypeId<QDBusArgument>()) {
        const QDBusArgument arg = v.value<QDBusArgument>();
        if (arg.currentSignature() == QLatin1String("a{sv}"))
            return plain(qdbus_cast<QVariantMap>(arg));
    }
    if (v.userType() == QMetaType::QVariantMap) {
        QVariantMap map = v.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            it.value() = plain(it.value());
        return map;
    }
    return v;
}

} // namespace

// The desktop's screensaver, on a bus connection of its own as another
// process would be.
class FakeScreenSaver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    QStringList calls;
    uint nextCookie = 7;

public slots:
    uint Inhibit(const QString &, const QString &)
    {
        calls << QStringLiteral("Inhibit");
        return nextCookie++;
    }
    void UnInhibit(uint cookie) { calls << QStringLiteral("UnInhibit %1").arg(cookie); }
};

class TestPlayerSystem : public QObject
{
    Q_OBJECT

private:
    AppFixture backend;
    bool m_bus = false;
    QDBusConnection m_client{QString()};
    QDBusConnection m_fakeBus{QString()};
    FakeScreenSaver m_screenSaver;

    // A desktop client: a blocking QDBusInterface on a thread of its own,
    // while this thread goes on serving the app's side.
    template<class F>
    void asClient(F work)
    {
        bool done = false;
        QThread *thread = QThread::create([&] {
            work();
            done = true;
        });
        thread->start();
        QVERIFY(QTest::qWaitFor([&] { return thread->isFinished(); }, 20000));
        delete thread;
        QVERIFY(done);
    }
    void callPlayer(const QString &method, const QVariantList &args = {})
    {
        QDBusMessage reply;
        asClient([&] {
            QDBusInterface player(MprisService::serviceName, MprisService::objectPath, MprisService::playerInterface,
                                  m_client);
            reply = player.callWithArgumentList(QDBus::Block, method, args);
        });
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage); // the desktop always hears success
    }
    QVariant playerProperty(const char *name)
    {
        QVariant value;
        asClient([&] {
            QDBusInterface player(MprisService::serviceName, MprisService::objectPath, MprisService::playerInterface,
                                  m_client);
            value = player.property(name);
        });
        return plain(value);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(backend.start(), qPrintable(backend.error()));
        QGuiApplication::setQuitOnLastWindowClosed(false);
        m_bus = QDBusConnection::sessionBus().isConnected();
        if (m_bus) {
            m_client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("desktop-client"));
            m_fakeBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-screensaver"));
            QVERIFY(m_fakeBus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &m_screenSaver,
                                             QDBusConnection::ExportAllSlots));
            QVERIFY(m_fakeBus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
        }
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

    void statusDrivesTheStoreAndTheScreen()
    {
        Rig rig;
        // At attach: paused, nothing to tell the desktop.
        QVERIFY(!rig.store.isPlaying());
        QVERIFY(!rig.store.isBuffering());
        QVERIFY(!Screen::shared().isIdleTimerDisabled());
        QVERIFY(!NowPlaying::shared().info());

        struct Seen { bool playing, buffering, idleOff; Status told; };
        QList<Seen> seen;
        const auto note = [&] {
            seen << Seen{rig.store.isPlaying(), rig.store.isBuffering(), Screen::shared().isIdleTimerDisabled(),
                         NowPlaying::shared().info() ? NowPlaying::shared().info()->status : Status::Paused};
        };
        rig.store.play(makeVideo(QStringLiteral("state")), std::nullopt, true); // waiting for the item
        note();
        rig.engine->makeReady(600);
        note();
        rig.engine->setBuffering(true);
        note();
        rig.engine->setBuffering(false);
        rig.store.togglePlay();
        note();

        QCOMPARE(seen.size(), 4);
        const QList<std::tuple<bool, bool, bool, Status>> expected{
            {true, true, false, Status::WaitingToPlay},
            {true, false, true, Status::Playing},
            {true, true, false, Status::WaitingToPlay},
            {false, false, false, Status::Paused},
        };
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(seen[i].playing, std::get<0>(expected[i]));
            QCOMPARE(seen[i].buffering, std::get<1>(expected[i]));
            QCOMPARE(seen[i].idleOff, std::get<2>(expected[i]));
            QCOMPARE(seen[i].told, std::get<3>(expected[i]));
        }

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
        QCOMPARE(info->status, Status::Playing);
        QVERIFY(std::abs(info->elapsed - 7.0) <= 0.5);
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

    void unplugging_data()
    {
        QTest::addColumn<bool>("setting");
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("pauses");
        QTest::newRow("device in use gone") << true << "gone" << true;
        QTest::newRow("device in use gone, setting off") << false << "gone" << false;
        QTest::newRow("another device chosen") << true << "chosen" << false;
        QTest::newRow("a device plugged in") << true << "added" << false;
    }

    void unplugging()
    {
        QFETCH(bool, setting);
        QFETCH(QString, change);
        QFETCH(bool, pauses);
        Defaults::shared().setValue(Pref::pauseOnUnplug, setting);
        const AudioDevice speakers{QStringLiteral("auto"), QStringLiteral("Altavoces")};
        const AudioDevice phones{QStringLiteral("pulse/phones"), QStringLiteral("Auriculares")};
        const AudioDevice bt{QStringLiteral("pulse/bt"), QStringLiteral("Bluetooth")};
        AudioSession::shared().setAudioDevices({speakers, phones}, phones.name);
        Rig rig;
        rig.playAt(QStringLiteral("music"), 2);
        if (change == QLatin1String("gone"))
            AudioSession::shared().setAudioDevices({speakers}, speakers.name);
        else if (change == QLatin1String("chosen"))
            AudioSession::shared().setAudioDevices({speakers, phones}, speakers.name);
        else
            AudioSession::shared().setAudioDevices({speakers, phones, bt}, phones.name);
        QCOMPARE(rig.engine->isPaused(), pauses);
    }

    // ---- network

    void meteredNetwork()
    {
        Defaults::shared().setValue(Pref::quality, 1080);
        Defaults::shared().setValue(Pref::cellularCap, 480);
        Rig rig;
        QVERIFY(NetworkPath::shared().isStarted());
        QVERIFY(!rig.store.onCellular());
        rig.playAt(QStringLiteral("wifi"));
        QCOMPARE(rig.store.activeQuality(), 1080);

        NetworkPath::shared().setOverride(true);
        QVERIFY(rig.store.onCellular());
        // The stream that plays stays; the next one is capped.
        QCOMPARE(rig.engine->loads().size(), 1);
        rig.playAt(QStringLiteral("cell"));
        QCOMPARE(rig.store.activeQuality(), 480);
        NetworkPath::shared().setOverride(false);
        QVERIFY(!rig.store.onCellular());
    }

    // ---- MPRIS

    void mprisCommands_data()
    {
        QTest::addColumn<int>("seekStep");
        QTest::addColumn<double>("step");
        QTest::newRow("step below the least") << 3 << 5.0;
        QTest::newRow("step 15") << 15 << 15.0;
    }

    void mprisCommands()
    {
        if (!m_bus)
            QSKIP("no session bus");
        QFETCH(int, seekStep);
        QFETCH(double, step);
        Defaults::shared().setValue(Pref::seekStep, seekStep);
        Rig rig;
        QTRY_VERIFY(MprisService::shared().ownsName());
        // Read once when registered: a later change does not count.
        Defaults::shared().setValue(Pref::seekStep, 60);
        rig.playAt(QStringLiteral("first"));
        rig.playAt(QStringLiteral("second"), 40);

        callPlayer(QStringLiteral("PlayPause"));
        QVERIFY(rig.engine->isPaused());
        callPlayer(QStringLiteral("PlayPause"));
        QVERIFY(!rig.engine->isPaused());
        callPlayer(QStringLiteral("Pause"));
        QVERIFY(rig.engine->isPaused());
        callPlayer(QStringLiteral("Play"));
        QVERIFY(!rig.engine->isPaused());

        callPlayer(QStringLiteral("Seek"), {QVariant::fromValue(qlonglong(1))});
        QCOMPARE(rig.engine->seeks().last().target, 40.0 + step);
        QTRY_COMPARE(rig.engine->currentTime(), 40.0 + step);
        callPlayer(QStringLiteral("Seek"), {QVariant::fromValue(qlonglong(-1))});
        QCOMPARE(rig.engine->seeks().last().target, 40.0);

        // A position for the track shown moves it; one for an older track does not.
        const QString track = NowPlaying::trackIdFor(QStringLiteral("second"));
        callPlayer(QStringLiteral("SetPosition"),
                   {QVariant::fromValue(QDBusObjectPath(track)), QVariant::fromValue(qlonglong(30'500'000))});
        QCOMPARE(rig.engine->seeks().last().target, 30.5);
        const qsizetype seeks = rig.engine->seeks().size();
        callPlayer(QStringLiteral("SetPosition"),
                   {QVariant::fromValue(QDBusObjectPath(NowPlaying::trackIdFor(QStringLiteral("first")))),
                    QVariant::fromValue(qlonglong(10'000'000))});
        QCOMPARE(rig.engine->seeks().size(), seeks);

        // Back near the start: the clamp of seek() keeps it at 0.
        QTRY_COMPARE(rig.engine->currentTime(), 30.5);
        rig.store.seek(2);
        QTRY_COMPARE(rig.engine->currentTime(), 2.0);
        callPlayer(QStringLiteral("Seek"), {QVariant::fromValue(qlonglong(-5))});
        QCOMPARE(rig.engine->seeks().last().target, 0.0);

        rig.store.enqueue(makeVideo(QStringLiteral("queued")));
        callPlayer(QStringLiteral("Next"));
        QCOMPARE(rig.store.current()->id, QStringLiteral("queued"));
        callPlayer(QStringLiteral("Previous"));
        QCOMPARE(rig.store.current()->id, QStringLiteral("second"));
    }

    void mprisShowsTheStore()
    {
        if (!m_bus)
            QSKIP("no session bus");
        Rig rig;
        QTRY_VERIFY(MprisService::shared().ownsName());
        QCOMPARE(playerProperty("PlaybackStatus").toString(), QStringLiteral("Stopped"));

        rig.playAt(QStringLiteral("shown"), 3);
        QCOMPARE(playerProperty("PlaybackStatus").toString(), QStringLiteral("Playing"));
        const QVariantMap meta = playerProperty("Metadata").toMap();
        QCOMPARE(meta.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(),
                 NowPlaying::trackIdFor(QStringLiteral("shown")));
        QCOMPARE(meta.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("Vídeo shown"));
        QCOMPARE(meta.value(QStringLiteral("mpris:length")).toLongLong(), 600'000'000LL);

        rig.store.setSpeed(1.5f);
        QCOMPARE(playerProperty("Rate").toDouble(), 1.5);
        rig.store.togglePlay();
        QCOMPARE(playerProperty("PlaybackStatus").toString(), QStringLiteral("Paused"));
        QCOMPARE(playerProperty("Rate").toDouble(), 1.5); // never 0: the status says it stands

        rig.playAt(QStringLiteral("other"));
        QCOMPARE(playerProperty("Metadata").toMap().value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(),
                 NowPlaying::trackIdFor(QStringLiteral("other")));
        rig.store.stop();
        QCOMPARE(playerProperty("PlaybackStatus").toString(), QStringLiteral("Stopped"));
        QVERIFY(playerProperty("Metadata").toMap().isEmpty());
    }

    void screenStaysOnWhilePlaying()
    {
        if (!m_bus)
            QSKIP("no session bus");
        m_screenSaver.calls.clear();
        Rig rig;
        rig.playAt(QStringLiteral("awake"), 1);
        QTRY_COMPARE(m_screenSaver.calls, QStringList{"Inhibit"});
        const uint cookie = m_screenSaver.nextCookie - 1;
        rig.engine->setBuffering(true);
        rig.store.togglePlay();
        QTRY_COMPARE(m_screenSaver.calls, (QStringList{"Inhibit", QStringLiteral("UnInhibit %1").arg(cookie)}));
        rig.store.togglePlay();
        rig.engine->setBuffering(false);
        QTRY_COMPARE(m_screenSaver.calls.size(), 3);
        QCOMPARE(m_screenSaver.calls.last(), QStringLiteral("Inhibit"));
    }

    // ---- Picture in Picture

    void pipPossibleFollowsTheItem()
    {
        Rig rig;
        QVERIFY(rig.store.pip());
        QVERIFY(!rig.store.pipPossible());
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

    void pipStartAndRestore_data()
    {
        QTest::addColumn<bool>("expandedAtStart");
        QTest::addColumn<bool>("expandedAtRestore");
        QTest::addColumn<QList<int>>("masks");
        QTest::newRow("from the full player") << true << false << QList<int>{2, 26};
        QTest::newRow("from the mini player") << false << false << QList<int>{26};
        QTest::newRow("full player opened meanwhile") << false << true << QList<int>{};
    }

    void pipStartAndRestore()
    {
        QFETCH(bool, expandedAtStart);
        QFETCH(bool, expandedAtRestore);
        QFETCH(QList<int>, masks);
        Rig rig;
        rig.playAt(QStringLiteral("float"), 1);
        rig.store.setExpanded(expandedAtStart);
        Orientation::clearHistory();
        PictureInPicture *pip = rig.store.pip();
        QVERIFY(rig.store.surface()->isActive());

        pip->start();
        QVERIFY(rig.store.pipActive());
        QVERIFY(pip->isActive());
        QVERIFY(!rig.store.expanded());
        QVERIFY(pip->window() && pip->window()->isVisible());
        QVERIFY(pip->window()->flags() & Qt::WindowStaysOnTopHint);
        QVERIFY(pip->window()->flags() & Qt::FramelessWindowHint);
        QCOMPARE(rig.engine->videoHolder(), pip->surface());
        QVERIFY(!rig.store.surface()->isActive());
        pip->start(); // already running
        QVERIFY(pip->isActive());

        rig.store.setExpanded(expandedAtRestore);
        pip->restore();
        QVERIFY(rig.store.expanded());
        QVERIFY(!rig.store.pipActive());
        QVERIFY(!pip->window()->isVisible());
        QCOMPARE(Orientation::history(), masks);
        // The pictures go back to the one surface.
        QVERIFY(rig.store.surface()->isActive());
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
            QVERIFY(item);
            QVERIFY(item->isVisible());
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
        QVERIFY(!rig.store.pipActive());
    }

    void pipEndsWithTheVideo()
    {
        Rig rig;
        rig.playAt(QStringLiteral("gone"), 1);
        rig.store.pip()->start();
        QVERIFY(rig.store.pipActive());
        rig.playAt(QStringLiteral("next")); // a new item keeps it
        QVERIFY(rig.store.pipActive());
        rig.store.stop();
        QVERIFY(!rig.store.pipActive());
        QVERIFY(!rig.store.pip()->window()->isVisible());
    }

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
        rig.store.setExpanded(expanded);
        if (!playing)
            rig.store.togglePlay();
        QVERIFY(rig.store.pip()->canStartAutomaticallyFromInline());

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
        QCOMPARE(Orientation::history().last(), 2);
        // Restoring brings the app back with the full player.
        rig.store.pip()->restore();
        QTRY_VERIFY(main->isVisible() && main->visibility() != QWindow::Minimized);
        QVERIFY(rig.store.expanded());
        QVERIFY(!rig.store.pipActive());
    }

    // Closing the main window while the video floats takes the floating
    // window away too, so the app can end.
    void closingTheAppEndsPip()
    {
        QmlHarness harness;
        QVERIFY(harness.loadSource("import QtQuick\nItem {}"));
        Rig rig;
        rig.store.pip()->setMainWindow(harness.window());
        rig.playAt(QStringLiteral("end"), 1);
        rig.store.pip()->start();
        QVERIFY(rig.store.pip()->window()->isVisible());
        harness.window()->close();
        QVERIFY(!rig.store.pipActive());
        QVERIFY(!rig.store.pip()->window()->isVisible());
    }

    // ---- a real engine

    void audioOutputsFromMpv()
    {
        qputenv("NIMBELORA_AUDIO", "null");
        auto *engine = new MpvEngine;
        if (!engine->isAvailable()) {
            delete engine;
            QSKIP("mpv is not available");
        }
        PlayerStore store(engine);
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
        RoutePicker::shared().choose(session.devices().last().name);
        const QString chosen = session.devices().last().name;
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
        if (!engine->isAvailable())
            QSKIP("mpv is not available");
        PlayerStore store(engine);
        LibraryStore library;
        store.attach(&library);
        Video v = makeVideo(id, QStringLiteral("Imagen en imagen"));
        store.play(v, 2.0, true);
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
