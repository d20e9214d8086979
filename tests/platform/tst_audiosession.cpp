#include "AudioSession.h"
#include "DefaultOutputWatch.h"
#include "RoutePicker.h"
#include "VolumeController.h"
#include <QSignalSpy>
#include <QTest>
#include <cmath>

using Reason = AudioSession::RouteChangeReason;

namespace {
// "name" or "name=description", the list an engine reports.
QList<AudioDevice> devices(const QStringList &lines)
{
    QList<AudioDevice> list;
    for (const QString &s : lines) {
        const qsizetype eq = s.indexOf('=');
        list.append(eq < 0 ? AudioDevice{s, s.toUpper()} : AudioDevice{s.left(eq), s.mid(eq + 1)});
    }
    return list;
}

const QStringList kSpeakersAndHeadphones{"auto", "pipewire/speakers", "pipewire/headphones"};
} // namespace

class TestAudioSession : public QObject
{
    Q_OBJECT

private:
    static AudioSession &session() { return AudioSession::shared(); }

private slots:
    void init()
    {
        session().setAudioDevices({}, QString());
        VolumeController::setApplier({});
        RoutePicker::setChooser({});
    }

    void routeChangesWhenTheDeviceInUseGoes_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("afterCurrent");
        QTest::addColumn<int>("unplugs");
        const QString phones = "pipewire/headphones", speakers = "pipewire/speakers";
        QTest::newRow("headphones in use unplugged")
            << kSpeakersAndHeadphones << phones << QStringList{"auto", speakers} << phones << 1;
        QTest::newRow("engine falls back in the same report")
            << kSpeakersAndHeadphones << phones << QStringList{"auto", speakers} << "auto" << 1;
        QTest::newRow("another device unplugged")
            << kSpeakersAndHeadphones << speakers << QStringList{"auto", speakers} << speakers << 0;
        QTest::newRow("a device plugged in")
            << QStringList{"auto", speakers} << speakers << kSpeakersAndHeadphones << speakers << 0;
        QTest::newRow("default output while devices go")
            << kSpeakersAndHeadphones << "auto" << QStringList{"auto"} << "auto" << 0;
        QTest::newRow("the user picks another device")
            << kSpeakersAndHeadphones << phones << kSpeakersAndHeadphones << speakers << 0;
        QTest::newRow("a device in use that was never listed")
            << QStringList{"auto"} << phones << QStringList{"auto"} << phones << 0;
        QTest::newRow("the first report")
            << QStringList{} << QString() << kSpeakersAndHeadphones << phones << 0;
    }

    void routeChangesWhenTheDeviceInUseGoes()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, current);
        QFETCH(QStringList, after);
        QFETCH(QString, afterCurrent);
        QFETCH(int, unplugs);
        session().setAudioDevices(devices(before), current);
        QSignalSpy route(&session(), &AudioSession::routeChanged);
        session().setAudioDevices(devices(after), afterCurrent);
        QCOMPARE(route.size(), unplugs);
        for (const auto &args : route)
            QCOMPARE(args.at(0).value<Reason>(), Reason::OldDeviceUnavailable);
        // Reported again, nothing new is lost.
        session().setAudioDevices(devices(after), afterCurrent);
        QCOMPARE(route.size(), unplugs);
    }

    // The sound server's news, one step each: "default <name>",
    // "sink <index> <name>:<active port> [-<unplugged port>…]", "remove <index>".
    void defaultOutputLoss_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("losses");
        const QStringList two{"default a", "sink 1 a:out", "sink 2 b:out"};
        QTest::newRow("default output removed") << two + QStringList{"remove 1"} << 1;
        QTest::newRow("another output removed") << two + QStringList{"remove 2"} << 0;
        QTest::newRow("old default removed after a new choice") << two + QStringList{"default b", "remove 1"} << 0;
        QTest::newRow("headphones unplugged") << QStringList{"default a", "sink 1 a:hp", "sink 1 a:sp -hp"} << 1;
        QTest::newRow("headphones plugged in") << QStringList{"default a", "sink 1 a:sp -hp", "sink 1 a:hp"} << 0;
        QTest::newRow("output never announced removed") << QStringList{"default a", "remove 7"} << 0;
        QTest::newRow("unknown removed beside the default") << two + QStringList{"remove 9", "remove 1"} << 1;
        QTest::newRow("unplugged elsewhere") << QStringList{"default a", "sink 2 b:hp", "sink 2 b:sp -hp"} << 0;
    }
    void defaultOutputLoss()
    {
        QFETCH(QStringList, steps);
        DefaultOutputWatch::Tracker tracker;
        int lost = 0;
        for (const QString &step : steps) {
            const QStringList w = step.split(' ');
            if (w[0] == "default")
                tracker.setDefault(w[1]);
            else if (w[0] == "remove")
                lost += tracker.remove(w[1].toUInt());
            else
                lost += tracker.update({w[1].toUInt(), w[2].section(':', 0, 0), w[2].section(':', 1),
                                        QSet<QString>{w.value(3).mid(1)} - QSet<QString>{QString()}});
        }
        QTEST(lost, "losses");
    }

    // The default output's loss is an unplug only while the engine follows it.
    void defaultOutputLossCountsForTheDefaultDevice()
    {
        DefaultOutputWatch idle; // no sound server here: it does nothing
        QSignalSpy route(&session(), &AudioSession::routeChanged);
        for (const QString &current : {"auto", "pipewire/headphones"}) {
            session().setAudioDevices(devices(kSpeakersAndHeadphones), current);
            session().defaultOutputLost();
        }
        QTest::qWait(100);
        QCOMPARE(route.size(), 1);
    }

    void volumeIsClamped_data()
    {
        QTest::addColumn<double>("set");
        QTest::addColumn<double>("applied");
        QTest::newRow("half") << 0.5 << 0.5;
        QTest::newRow("above full") << 1.7 << 1.0;
        QTest::newRow("below silent") << -0.2 << 0.0;
        QTest::newRow("not a number") << qQNaN() << 0.0;
        QTest::newRow("infinite") << qInf() << 1.0;
        QTest::newRow("minus infinite") << -qInf() << 0.0;
    }

    void volumeIsClamped()
    {
        QFETCH(double, set);
        QFETCH(double, applied);
        QList<double> given;
        VolumeController::setApplier([&given](double v) { given << v; });
        VolumeController::set(set);
        QCOMPARE(given, QList<double>{applied});
        // The next gesture starts from what was set.
        QCOMPARE(session().outputVolume(), applied);
    }

    void pickerListsTheSessionsDevices()
    {
        RoutePicker &picker = RoutePicker::shared();
        QSignalSpy changed(&picker, &RoutePicker::devicesChanged);
        session().setAudioDevices(devices({"auto=Autoselect device", "pipewire/bt=Auriculares BT", "alsa/raw="}), "auto");
        QCOMPARE(changed.size(), 1);
        const QVariantList rows = picker.devices();
        QCOMPARE(rows.size(), 3);
        const auto row = [&](int i, const char *key) { return rows.at(i).toMap().value(key); };
        QCOMPARE(row(0, "title").toString(), RoutePicker::defaultTitle);
        QCOMPARE(row(0, "current").toBool(), true);
        QCOMPARE(row(1, "name").toString(), QStringLiteral("pipewire/bt"));
        QCOMPARE(row(1, "current").toBool(), false);
        QCOMPARE(row(2, "title").toString(), QStringLiteral("alsa/raw")); // no description: the name
        QVERIFY(!picker.isActive());

        session().setAudioDevices(session().devices(), "pipewire/bt");
        QVERIFY(picker.isActive());
        QCOMPARE(picker.devices().at(1).toMap().value("current").toBool(), true);
    }

    void choosingGoesToTheEngine_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QStringList>("chosen");
        QTest::newRow("listed") << "pipewire/bt" << QStringList{"pipewire/bt"};
        QTest::newRow("not listed") << "pipewire/gone" << QStringList{};
        QTest::newRow("empty") << "" << QStringList{};
    }

    void choosingGoesToTheEngine()
    {
        QFETCH(QString, device);
        QFETCH(QStringList, chosen);
        session().setAudioDevices(devices({"auto", "pipewire/bt"}), "auto");
        QStringList got;
        RoutePicker::setChooser([&got](const QString &d) { got << d; });
        RoutePicker::shared().choose(device);
        QCOMPARE(got, chosen);
        // The mark moves only when the engine reports the new device.
        QCOMPARE(RoutePicker::shared().currentDevice(), QStringLiteral("auto"));
    }
};

QTEST_MAIN(TestAudioSession)
#include "tst_audiosession.moc"
