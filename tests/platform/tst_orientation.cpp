#include "AppDelegate.h"
#include "Orientation.h"
#include <QQuickWindow>
#include <QTest>
#include <memory>

class TestOrientation : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QQuickWindow> m_window;

    static bool isFullScreen(const QWindow &w) { return w.windowStates() & Qt::WindowFullScreen; }

private slots:
    void init()
    {
        Orientation::setWindow(nullptr);
        Orientation::set(Orientation::Portrait);
        Orientation::clearHistory();
        m_window = std::make_unique<QQuickWindow>();
        m_window->resize(Orientation::portraitSize());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup() { m_window.reset(); }

    void everyWindowGetsTheMask()
    {
        QCOMPARE(AppDelegate::mask(), 2); // portrait from the start
        Orientation::set(26);
        Orientation::set(2);
        {
            QQuickWindow other;
            const QWindow *windows[] = {m_window.get(), &other, nullptr};
            for (const QWindow *w : windows)
                QCOMPARE(AppDelegate::supportedInterfaceOrientations(w), 2);
        }
        // Without the app window only the mask changes.
        m_window.reset();
        QCOMPARE(Orientation::window(), nullptr);
        Orientation::set(24);
        QCOMPARE(AppDelegate::mask(), 24);
    }

    void windowFollowsTheMask_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("mask");
        QTest::addColumn<QString>("after");
        // before/after: "portrait" (the 430 x 932 window), "tall" (a taller
        // user size), "wide" (a window wider than tall), "full" (full screen).
        QTest::newRow("portrait: full screen is left") << "full" << 2 << "portrait";
        QTest::newRow("portrait: a wide window turns") << "wide" << 2 << "portrait";
        QTest::newRow("portrait: a tall window stays") << "tall" << 2 << "tall";
        QTest::newRow("landscape: full screen") << "portrait" << 24 << "full";
        QTest::newRow("landscape: stays full screen") << "full" << 24 << "full";
        QTest::newRow("free: full screen stays") << "full" << 26 << "full";
        QTest::newRow("free: a wide window stays") << "wide" << 26 << "wide";
        QTest::newRow("free: portrait stays") << "portrait" << 26 << "portrait";
    }

    void windowFollowsTheMask()
    {
        QFETCH(QString, before);
        QFETCH(int, mask);
        QFETCH(QString, after);
        QQuickWindow &w = *m_window;
        Orientation::setWindow(&w);
        const QSize tall(500, 1000), wide(932, 430);
        if (before == "tall")
            w.resize(tall);
        else if (before == "wide")
            w.resize(wide);
        else if (before == "full")
            Orientation::set(24);
        QTRY_COMPARE(isFullScreen(w), before == "full");

        Orientation::set(mask);
        QCOMPARE(AppDelegate::mask(), mask);
        if (after == "full") {
            QTRY_VERIFY(isFullScreen(w));
            return;
        }
        const QSize expected = after == "tall" ? tall : after == "wide" ? wide : Orientation::portraitSize();
        QTRY_VERIFY(!isFullScreen(w));
        QTRY_COMPARE(w.size(), expected);
    }

    void theAppWindowIsFoundWithoutBeingNamed()
    {
        // An always-on-top window (a Picture in Picture window) is never resized.
        QQuickWindow pip;
        pip.setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        pip.resize(320, 180);
        pip.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pip));
        QCOMPARE(Orientation::window(), m_window.get());
        Orientation::set(24);
        QTRY_VERIFY(isFullScreen(*m_window));
        QVERIFY(!isFullScreen(pip));
        Orientation::set(2);
        QTRY_VERIFY(!isFullScreen(*m_window));
        QCOMPARE(pip.size(), QSize(320, 180));
    }

    void portraitLeavesAMinimisedWindowMinimised()
    {
        Orientation::set(24);
        QTRY_VERIFY(isFullScreen(*m_window));
        m_window->setWindowStates(Qt::WindowMinimized | Qt::WindowFullScreen);
        Orientation::set(Orientation::Portrait);
        QVERIFY(m_window->windowStates() & Qt::WindowMinimized);
        QVERIFY(!isFullScreen(*m_window));
    }

    void exitLandscapeFreesRotationLater()
    {
        Orientation::setWindow(m_window.get());
        Orientation::set(24);
        QTRY_VERIFY(isFullScreen(*m_window));
        Orientation::clearHistory();
        QElapsedTimer clock; // started before the later step's timer
        clock.start();
        Orientation::exitLandscape(true);
        // At once: portrait, and the window leaves full screen.
        QCOMPARE(AppDelegate::mask(), 2);
        QTRY_VERIFY(!isFullScreen(*m_window));
        // Rotation is freed no sooner than the delay after (a machine too
        // busy to look before then leaves the first half unseen).
        QTest::qWait(Orientation::laterDelayMs / 2);
        const int mask = AppDelegate::mask();
        if (!TestTime::notSooner(clock.elapsed(), Orientation::laterDelayMs))
            QCOMPARE(mask, 2);
        QTRY_COMPARE(AppDelegate::mask(), 26);
        QVERIFY2(TestTime::notSooner(clock.elapsed(), Orientation::laterDelayMs), qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(Orientation::history(), (QList<int>{2, 26}));
        QVERIFY(!isFullScreen(*m_window));
    }

    void exitLandscapeKeepsAChoiceMadeMeanwhile()
    {
        Orientation::setWindow(m_window.get());
        Orientation::exitLandscape(true);
        Orientation::set(24); // full screen again within 0.6 s
        QTest::qWait(Orientation::laterDelayMs + 300);
        QCOMPARE(AppDelegate::mask(), 24);
        QCOMPARE(Orientation::history(), (QList<int>{2, 24}));
        QVERIFY(isFullScreen(*m_window));
    }
};

QTEST_MAIN(TestOrientation)
#include "tst_orientation.moc"
