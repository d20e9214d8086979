#include "NetworkPath.h"
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <optional>

class TestNetworkPath : public QObject
{
    Q_OBJECT

private:
    static NetworkPath &path() { return NetworkPath::shared(); }

private slots:
    void init()
    {
        path().setOverride(std::nullopt);
        path().setExpensive(false);
    }

    void readingsAndOverride_data()
    {
        // Steps: "r1"/"r0" a reading of the monitor, "p1"/"p0" pin the answer,
        // "u" unpin.
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<int>("notifications");
        QTest::newRow("readings pass") << QStringList{"r1", "r1", "r0"} << QList<bool>{true, true, false} << 2;
        QTest::newRow("pinned beats readings")
            << QStringList{"p1", "r0", "r1", "r0"} << QList<bool>{true, true, true, true} << 1;
        QTest::newRow("unpinning shows the last reading")
            << QStringList{"p1", "r0", "u"} << QList<bool>{true, true, false} << 2;
        QTest::newRow("pinning the current answer is silent")
            << QStringList{"r1", "p1", "u"} << QList<bool>{true, true, true} << 1;
        QTest::newRow("pinned off on an expensive path")
            << QStringList{"r1", "p0", "r1", "u"} << QList<bool>{true, false, false, true} << 3;
    }

    void readingsAndOverride()
    {
        QFETCH(QStringList, steps);
        QFETCH(QList<bool>, answers);
        QFETCH(int, notifications);
        QSignalSpy changed(&path(), &NetworkPath::expensiveChanged);
        QList<bool> seen;
        for (const QString &s : steps) {
            if (s == "r1" || s == "r0")
                path().setExpensive(s == "r1");
            else if (s == "p1" || s == "p0")
                path().setOverride(s == "p1");
            else
                path().setOverride(std::nullopt);
            seen << path().isExpensive();
        }
        QCOMPARE(seen, answers);
        QCOMPARE(changed.size(), notifications);
    }

    void startReturnsAtOnceAndKeepsAPin()
    {
        path().setOverride(true);
        QElapsedTimer t;
        t.start();
        path().start();
        path().start();
        // The backend loads on the monitor's thread, not here.
        QVERIFY2(t.elapsed() < 500, qPrintable(QString::number(t.elapsed())));
        QVERIFY(path().isStarted());
        QTest::qWait(300);
        QVERIFY(path().isExpensive());
    }
};

QTEST_MAIN(TestNetworkPath)
#include "tst_networkpath.moc"
