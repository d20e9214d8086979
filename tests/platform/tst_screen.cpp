#include "Screen.h"
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <cmath>

// The desktop's screensaver, as far as inhibiting goes. It lives on a bus
// connection of its own, like a separate process would.
class FakeScreenSaver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    QStringList calls;
    QSet<uint> held;
    int mostHeld = 0;
    uint nextCookie = 41;

public slots:
    uint Inhibit(const QString &application, const QString &reason)
    {
        calls << QStringLiteral("Inhibit %1").arg(application);
        if (reason.isEmpty())
            calls << QStringLiteral("no reason");
        held.insert(nextCookie);
        mostHeld = std::max(mostHeld, int(held.size()));
        return nextCookie++;
    }

    void UnInhibit(uint cookie)
    {
        calls << QStringLiteral("UnInhibit %1").arg(cookie);
        if (!held.remove(cookie))
            calls << QStringLiteral("unknown cookie");
    }
};

class TestScreen : public QObject
{
    Q_OBJECT

private:
    QDBusConnection m_fakeBus{QString()};
    FakeScreenSaver m_fake;

    static Screen &screen() { return Screen::shared(); }

    bool serve() { return m_fakeBus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")); }
    void stopServing() { m_fakeBus.unregisterService(QStringLiteral("org.freedesktop.ScreenSaver")); }

    void settleTo(bool disabled)
    {
        screen().setIdleTimerDisabled(disabled);
        QTRY_COMPARE(screen().isInhibited(), disabled);
        QTRY_COMPARE(m_fake.held.size(), disabled ? 1 : 0);
    }

private slots:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus");
        m_fakeBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-screensaver"));
        QVERIFY(m_fakeBus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &m_fake,
                                         QDBusConnection::ExportAllSlots));
        QVERIFY(serve());
    }

    void init()
    {
        screen().setIdleTimerDisabled(false);
        QTRY_VERIFY(!screen().isInhibited());
        QTRY_VERIFY(m_fake.held.isEmpty());
        m_fake.calls.clear();
        m_fake.mostHeld = 0;
    }

    void inhibitsWhilePlayingAndReleasesTheSameCookie()
    {
        QSignalSpy changed(&screen(), &Screen::idleTimerDisabledChanged);
        const uint cookie = m_fake.nextCookie;
        screen().setIdleTimerDisabled(true);
        screen().setIdleTimerDisabled(true);
        QTRY_VERIFY(screen().isInhibited());
        QCOMPARE(changed.size(), 1);
        QCOMPARE(m_fake.calls, QStringList{"Inhibit Nimbelora"});

        screen().setIdleTimerDisabled(false);
        QVERIFY(!screen().isInhibited());
        QTRY_COMPARE(m_fake.calls, (QStringList{"Inhibit Nimbelora", QStringLiteral("UnInhibit %1").arg(cookie)}));
        QCOMPARE(changed.size(), 2);
        QVERIFY(m_fake.held.isEmpty());
    }

    void quickChangesSettleOnTheLastOne_data()
    {
        QTest::addColumn<QList<bool>>("sets");
        QTest::addColumn<bool>("held");
        QTest::newRow("on, off") << QList<bool>{true, false} << false;
        QTest::newRow("on, off, on") << QList<bool>{true, false, true} << true;
        QTest::newRow("off while off") << QList<bool>{false, false} << false;
    }

    void quickChangesSettleOnTheLastOne()
    {
        QFETCH(QList<bool>, sets);
        QFETCH(bool, held);
        // All before the screensaver has answered anything.
        for (bool s : sets.first(sets.size() - 1))
            screen().setIdleTimerDisabled(s);
        settleTo(held);
        QTest::qWait(100);
        QCOMPARE(m_fake.held.size(), held ? 1 : 0);
        QVERIFY(m_fake.mostHeld <= 1);
        QVERIFY(!m_fake.calls.contains("unknown cookie"));
    }

    void withoutTheServiceNothingBreaks()
    {
        stopServing();
        screen().setIdleTimerDisabled(true);
        QTest::qWait(300);
        QVERIFY(!screen().isInhibited());
        QVERIFY(m_fake.calls.isEmpty());
        QVERIFY(screen().isIdleTimerDisabled());
        screen().setIdleTimerDisabled(false);

        // Back again: the next disable tries anew.
        QVERIFY(serve());
        settleTo(true);
        settleTo(false);
        QCOMPARE(m_fake.calls.size(), 2);
    }

    void brightnessIsClamped_data()
    {
        QTest::addColumn<double>("set");
        QTest::addColumn<double>("brightness");
        QTest::addColumn<int>("notifications");
        QTest::newRow("inside") << 0.4 << 0.4 << 1;
        QTest::newRow("above") << 1.7 << 1.0 << 0;
        QTest::newRow("below") << -0.2 << 0.0 << 1;
        QTest::newRow("not a number") << qQNaN() << 1.0 << 0;
        QTest::newRow("infinite") << -qInf() << 0.0 << 1;
    }

    void brightnessIsClamped()
    {
        QFETCH(double, set);
        QFETCH(double, brightness);
        QFETCH(int, notifications);
        screen().setBrightness(1.0);
        QSignalSpy changed(&screen(), &Screen::brightnessChanged);
        screen().setBrightness(set);
        QCOMPARE(screen().brightness(), brightness);
        QCOMPARE(changed.size(), notifications);
    }
};

QTEST_MAIN(TestScreen)
#include "tst_screen.moc"
