#include "FakeClock.h"
#include "MprisService.h"
#include "NowPlaying.h"
#include "RemoteCommands.h"
#include "TestDirs.h"
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using Status = MediaEngine::TimeControlStatus;

namespace {
// Set in the child process that plays the second instance.
const char *kChildVariable = "NIMBELORA_MPRIS_SECOND_INSTANCE";

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

NowPlayingInfo video(const QString &id, Status status = Status::Playing)
{
    NowPlayingInfo info;
    info.videoId = id;
    info.title = QStringLiteral("Vídeo ") + id;
    info.artist = QStringLiteral("Canal");
    info.duration = 100;
    info.elapsed = 10;
    info.speed = 1;
    info.status = status;
    return info;
}
} // namespace

class TestMpris : public QObject
{
    Q_OBJECT

private:
    QDBusConnection m_client{QString()};
    QStringList m_heard;
    QList<QVariantMap> m_changes; // PropertiesChanged of the player interface
    QList<qlonglong> m_seeks;

    static bool isChild() { return qEnvironmentVariableIsSet(kChildVariable); }

    QDBusMessage call(const QString &interface, const QString &method, const QVariantList &args = {})
    {
        QDBusMessage m = QDBusMessage::createMethodCall(MprisService::serviceName, MprisService::objectPath,
                                                        interface, method);
        m.setArguments(args);
        QDBusPendingCallWatcher w(m_client.asyncCall(m, 5000));
        if (!w.isFinished()) {
            QSignalSpy done(&w, &QDBusPendingCallWatcher::finished);
            TestTime::wait(done, 6000);
        }
        return w.reply();
    }

    QDBusMessage player(const QString &method, const QVariantList &args = {})
    {
        return call(MprisService::playerInterface, method, args);
    }

    QVariant property(const QString &interface, const QString &name)
    {
        const QDBusMessage reply =
            call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"), {interface, name});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return {};
        return plain(reply.arguments().constFirst());
    }

    QVariant playerProperty(const QString &name) { return property(MprisService::playerInterface, name); }

    // A round trip through the service: whatever it sent before has arrived.
    void settle()
    {
        call(QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
        QCoreApplication::processEvents();
    }

private slots:
    void onPropertiesChanged(const QString &interface, const QVariantMap &changed, const QStringList &)
    {
        if (interface == MprisService::playerInterface)
            m_changes << plain(QVariant(changed)).toMap();
    }

    void onSeeked(qlonglong position) { m_seeks << position; }

    void initTestCase()
    {
        if (isChild())
            return;
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus");
        TestDirs::isolate();
        m_client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("mpris-client"));
        QVERIFY(m_client.isConnected());
        QVERIFY(m_client.connect(QString(), MprisService::objectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                 QStringLiteral("PropertiesChanged"), this,
                                 SLOT(onPropertiesChanged(QString, QVariantMap, QStringList))));
        QVERIFY(m_client.connect(QString(), MprisService::objectPath, MprisService::playerInterface,
                                 QStringLiteral("Seeked"), this, SLOT(onSeeked(qlonglong))));
        // A round trip to the bus: the match rules above are in place.
        QVERIFY(m_client.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.DBus")));

        RemoteCommands &r = RemoteCommands::shared();
        using Command = void (RemoteCommands::*)();
        const std::pair<Command, const char *> plainCommands[] = {
            {&RemoteCommands::playCommand, "play"},         {&RemoteCommands::pauseCommand, "pause"},
            {&RemoteCommands::togglePlayPauseCommand, "toggle"}, {&RemoteCommands::nextTrackCommand, "next"},
            {&RemoteCommands::previousTrackCommand, "previous"}};
        for (const auto &command : plainCommands) {
            const char *name = command.second;
            connect(&r, command.first, this, [this, name] { m_heard << name; });
        }
        connect(&r, &RemoteCommands::skipForwardCommand, this,
                [this](double s) { m_heard << QStringLiteral("forward %1").arg(s); });
        connect(&r, &RemoteCommands::skipBackwardCommand, this,
                [this](double s) { m_heard << QStringLiteral("backward %1").arg(s); });
        connect(&r, &RemoteCommands::changePlaybackPositionCommand, this,
                [this](double s) { m_heard << QStringLiteral("position %1").arg(s); });

        // Before the store registers anything, nothing is on the bus.
        QVERIFY(!MprisService::shared().isStarted());
        r.registerCommands(10);
        QTRY_VERIFY(MprisService::shared().ownsName());
    }

    void init()
    {
        if (isChild())
            return;
        NowPlaying::shared().clear();
        settle();
        m_heard.clear();
        m_changes.clear();
        m_seeks.clear();
    }

    void commandsReachTheStore_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("args");
        QTest::addColumn<QStringList>("heard");
        const auto us = [](qlonglong v) { return QVariant::fromValue(v); };
        QTest::newRow("play") << "Play" << QVariantList{} << QStringList{"play"};
        QTest::newRow("pause") << "Pause" << QVariantList{} << QStringList{"pause"};
        QTest::newRow("play/pause") << "PlayPause" << QVariantList{} << QStringList{"toggle"};
        QTest::newRow("next") << "Next" << QVariantList{} << QStringList{"next"};
        QTest::newRow("previous") << "Previous" << QVariantList{} << QStringList{"previous"};
        // By the offset asked for, whatever the registered step (10 s).
        QTest::newRow("seek forward 30 s") << "Seek" << QVariantList{us(30'000'000)} << QStringList{"forward 30"};
        QTest::newRow("seek forward 3 s") << "Seek" << QVariantList{us(3'000'000)} << QStringList{"forward 3"};
        QTest::newRow("seek forward 2.5 s") << "Seek" << QVariantList{us(2'500'000)} << QStringList{"forward 2.5"};
        QTest::newRow("seek back 1 s") << "Seek" << QVariantList{us(-1'000'000)} << QStringList{"backward 1"};
        QTest::newRow("seek back 1 µs") << "Seek" << QVariantList{us(-1)} << QStringList{"backward 1e-06"};
        QTest::newRow("seek by nothing") << "Seek" << QVariantList{us(0)} << QStringList{};
        QTest::newRow("stop is not a command") << "Stop" << QVariantList{} << QStringList{};
        QTest::newRow("uris are not opened") << "OpenUri" << QVariantList{"https://example.org/v"} << QStringList{};
    }

    void commandsReachTheStore()
    {
        QFETCH(QString, method);
        QFETCH(QVariantList, args);
        QFETCH(QStringList, heard);
        const QDBusMessage reply = player(method, args);
        // The desktop always hears success.
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(m_heard, heard);
    }

    void setPositionIgnoresAStaleTrack_data()
    {
        QTest::addColumn<QString>("track");
        QTest::addColumn<qlonglong>("position");
        QTest::addColumn<QStringList>("heard");
        const QString current = NowPlaying::trackIdFor("a-b_c");
        QTest::newRow("current track") << current << 30'500'000LL << QStringList{"position 30.5"};
        QTest::newRow("at the very end") << current << 100'000'000LL << QStringList{"position 100"};
        QTest::newRow("older track") << NowPlaying::trackIdFor("older") << 30'000'000LL << QStringList{};
        QTest::newRow("a look-alike id") << NowPlaying::trackIdFor("a_b-c") << 30'000'000LL << QStringList{};
        QTest::newRow("no track") << NowPlaying::noTrack << 30'000'000LL << QStringList{};
        QTest::newRow("before the start") << current << -1LL << QStringList{};
        QTest::newRow("past the end") << current << 100'000'001LL << QStringList{};
    }

    void setPositionIgnoresAStaleTrack()
    {
        QFETCH(QString, track);
        QFETCH(qlonglong, position);
        QFETCH(QStringList, heard);
        NowPlaying::shared().setInfo(video("a-b_c"));
        const QDBusMessage reply =
            player("SetPosition", {QVariant::fromValue(QDBusObjectPath(track)), QVariant::fromValue(position)});
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(m_heard, heard);
    }

    void trackIdsAreValidAndDistinct_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("other");
        QTest::newRow("plain") << "dQw4w9WgXcQ" << "dQw4w9WgXcq";
        QTest::newRow("dash and underscore") << "a-b_c" << "a_b-c";
        QTest::newRow("escape look-alike") << "_2d" << "-";
        QTest::newRow("empty") << "" << "_";
        QTest::newRow("path characters") << "../x/y z" << "..%2Fx";
        QTest::newRow("non-ascii") << QString::fromUtf8("ñú€") << "n";
    }

    void trackIdsAreValidAndDistinct()
    {
        QFETCH(QString, id);
        QFETCH(QString, other);
        static const QRegularExpression objectPath(QStringLiteral("^(/[A-Za-z0-9_]+)+$"));
        const QString path = NowPlaying::trackIdFor(id);
        QVERIFY2(objectPath.match(path).hasMatch(), qPrintable(path));
        QVERIFY(!path.startsWith("/org/mpris"));
        QVERIFY(path != NowPlaying::trackIdFor(other));
        QCOMPARE(NowPlaying::trackIdFor(id), path);
    }

    void metadataFollowsTheStore()
    {
        NowPlayingInfo info = video("dQw4w9WgXcQ");
        info.title = QStringLiteral("Título con acentos");
        info.artist = QStringLiteral("Canal Ñ");
        info.duration = 212.5;
        NowPlaying::shared().setInfo(info);
        QVariantMap m = playerProperty("Metadata").toMap();
        QCOMPARE(m.value("mpris:trackid").value<QDBusObjectPath>().path(), NowPlaying::trackIdFor("dQw4w9WgXcQ"));
        QCOMPARE(m.value("xesam:title").toString(), info.title);
        QCOMPARE(m.value("xesam:artist").toStringList(), QStringList{info.artist});
        QCOMPARE(m.value("mpris:length").toLongLong(), 212'500'000LL);
        QVERIFY(!m.contains("mpris:artUrl"));

        // A placeholder: no length and no channel yet.
        info.videoId = "next";
        info.artist.clear();
        info.duration = 0;
        NowPlaying::shared().setInfo(info);
        m = playerProperty("Metadata").toMap();
        QCOMPARE(m.value("mpris:trackid").value<QDBusObjectPath>().path(), NowPlaying::trackIdFor("next"));
        QVERIFY(!m.contains("mpris:length"));
        QVERIFY(!m.contains("xesam:artist"));

        NowPlaying::shared().clear();
        QVERIFY(playerProperty("Metadata").toMap().isEmpty());
        QCOMPARE(playerProperty("PlaybackStatus").toString(), QStringLiteral("Stopped"));
    }

    void statusAndRate_data()
    {
        QTest::addColumn<Status>("status");
        QTest::addColumn<double>("speed");
        QTest::addColumn<QString>("playback");
        QTest::addColumn<double>("rate");
        QTest::newRow("playing at 1.5") << Status::Playing << 1.5 << "Playing" << 1.5;
        QTest::newRow("waiting is not playing") << Status::WaitingToPlay << 1.5 << "Paused" << 1.5;
        QTest::newRow("paused keeps the speed") << Status::Paused << 0.25 << "Paused" << 0.25;
        QTest::newRow("a zero speed is never published") << Status::Playing << 0.0 << "Playing" << 1.0;
        QTest::newRow("nor a negative one") << Status::Paused << -2.0 << "Paused" << 1.0;
        QTest::newRow("nor not a number") << Status::Playing << qQNaN() << "Playing" << 1.0;
    }

    void statusAndRate()
    {
        QFETCH(Status, status);
        QFETCH(double, speed);
        QFETCH(QString, playback);
        QFETCH(double, rate);
        NowPlayingInfo info = video("v1", status);
        info.speed = speed;
        NowPlaying::shared().setInfo(info);
        QCOMPARE(playerProperty("PlaybackStatus").toString(), playback);
        QCOMPARE(playerProperty("Rate").toDouble(), rate);
        QVERIFY(playerProperty("MinimumRate").toDouble() <= rate);
        QVERIFY(playerProperty("MaximumRate").toDouble() >= rate);
    }

    void propertiesChangedOnlyForRealChanges()
    {
        NowPlaying::shared().setInfo(video("v1", Status::Playing));
        QTRY_VERIFY(!m_changes.isEmpty());
        QVERIFY(m_changes.last().contains("Metadata"));
        QCOMPARE(m_changes.last().value("PlaybackStatus").toString(), QStringLiteral("Playing"));
        QCOMPARE(m_changes.last().value("Metadata").toMap().value("mpris:trackid").value<QDBusObjectPath>().path(),
                 NowPlaying::trackIdFor("v1"));
        QVERIFY(!m_changes.last().contains("Position"));

        // The clock's position save: only the elapsed time moved.
        m_changes.clear();
        NowPlayingInfo same = video("v1", Status::Playing);
        same.elapsed = 10.2;
        NowPlaying::shared().setInfo(same);
        settle();
        QCOMPARE(m_changes.size(), 0);

        same.status = Status::WaitingToPlay;
        NowPlaying::shared().setInfo(same);
        QTRY_COMPARE(m_changes.size(), 1);
        QCOMPARE(m_changes.last().keys(), QStringList{"PlaybackStatus"});
        QCOMPARE(m_changes.last().value("PlaybackStatus").toString(), QStringLiteral("Paused"));
    }

    void positionRunsOnWhilePlaying()
    {
        FakeClock clock;
        NowPlayingInfo info = video("v1", Status::Playing);
        info.elapsed = 10;
        info.speed = 2;
        NowPlaying::shared().setInfo(info);
        clock.advance(3);
        QCOMPARE(playerProperty("Position").toLongLong(), 16'000'000LL);
        clock.advance(100);
        QCOMPARE(NowPlaying::shared().position(), 100'000'000LL); // not past the end

        info.elapsed = 40;
        info.status = Status::WaitingToPlay;
        NowPlaying::shared().setInfo(info);
        clock.advance(5);
        QCOMPARE(playerProperty("Position").toLongLong(), 40'000'000LL);
    }

    void jumpsAreAnnouncedAsSeeks()
    {
        FakeClock clock;
        NowPlayingInfo info = video("v1", Status::Playing);
        NowPlaying::shared().setInfo(info); // a new video is not a seek
        clock.advance(5);
        info.elapsed = 15.3; // where the clock says it is
        NowPlaying::shared().setInfo(info);
        info.elapsed = 60; // a seek
        NowPlaying::shared().setInfo(info);
        info.videoId = "v2"; // another video, elsewhere
        info.elapsed = 0;
        NowPlaying::shared().setInfo(info);
        QTRY_COMPARE(m_seeks, QList<qlonglong>{60'000'000});
        settle();
        QCOMPARE(m_seeks, QList<qlonglong>{60'000'000});
    }

    void artworkIsPublishedAsAFile()
    {
        QImage red(64, 48, QImage::Format_RGB32);
        red.fill(Qt::red);
        NowPlayingInfo info = video("v1");
        info.artwork = red;
        NowPlaying::shared().setInfo(info);
        QTRY_VERIFY(NowPlaying::shared().artworkUrl().isLocalFile());
        const QString first = NowPlaying::shared().artworkUrl().toLocalFile();
        QCOMPARE(QImage(first).size(), QSize(64, 48));
        QCOMPARE(playerProperty("Metadata").toMap().value("mpris:artUrl").toString(),
                 QUrl::fromLocalFile(first).toString());
        // The same picture with a new position is not written again.
        info.elapsed = 12;
        NowPlaying::shared().setInfo(info);
        QCOMPARE(NowPlaying::shared().artworkUrl().toLocalFile(), first);

        // The next video: no artwork until its own arrives, then a new file
        // that replaces the old one.
        info.videoId = "v2";
        info.artwork = QImage();
        NowPlaying::shared().setInfo(info);
        QVERIFY(!playerProperty("Metadata").toMap().contains("mpris:artUrl"));
        QImage blue(32, 32, QImage::Format_ARGB32);
        blue.fill(Qt::blue);
        info.artwork = blue;
        NowPlaying::shared().setInfo(info);
        QTRY_VERIFY(NowPlaying::shared().artworkUrl().isLocalFile());
        const QString second = NowPlaying::shared().artworkUrl().toLocalFile();
        QVERIFY(second != first);
        QCOMPARE(QImage(second).size(), QSize(32, 32));
        QTRY_VERIFY(!QFileInfo::exists(first));
    }

    void aStaleArtworkWriteIsNotPublished()
    {
        QImage big(1280, 720, QImage::Format_RGB32);
        big.fill(Qt::green);
        NowPlayingInfo info = video("v1");
        info.artwork = big;
        NowPlaying::shared().setInfo(info);
        // Stopped before the write lands.
        NowPlaying::shared().clear();
        QTest::qWait(300);
        QVERIFY(NowPlaying::shared().artworkUrl().isEmpty());
        NowPlaying::shared().setInfo(video("v2"));
        QTest::qWait(100);
        QVERIFY(!NowPlaying::shared().metadata().contains("mpris:artUrl"));
    }

    void aSecondInstanceStaysQuiet()
    {
        if (isChild()) {
            // Run alone in a second process while the first one holds the
            // name: this one must go on without it.
            RemoteCommands::shared().registerCommands(10);
            NowPlaying::shared().setInfo(video("v1"));
            QTest::qWait(500);
            QVERIFY(MprisService::shared().isStarted());
            QVERIFY(!MprisService::shared().ownsName());
            return;
        }
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kChildVariable, "1");
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {"aSecondInstanceStaysQuiet"});
        QVERIFY(child.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(child.state() == QProcess::NotRunning, 30000);
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, child.readAll().constData());
        // The first instance still answers under the name.
        QVERIFY(MprisService::shared().ownsName());
        QCOMPARE(playerProperty("CanPlay").toBool(), true);
    }
};

QTEST_MAIN(TestMpris)
#include "tst_mpris.moc"
