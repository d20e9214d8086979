#include "QuitSignals.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <csignal>

// Each signal ends the event loop the normal way (unhandled, it would end
// the process).
class TestQuitSignals : public QObject
{
    Q_OBJECT

private slots:
    void signalQuitsNormally_data()
    {
        QTest::addColumn<int>("sig");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void signalQuitsNormally()
    {
        QFETCH(int, sig);
        QuitSignals::install();
        QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
        QTimer::singleShot(0, [sig] { std::raise(sig); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(quitting.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestQuitSignals)
#include "tst_quitsignals.moc"
