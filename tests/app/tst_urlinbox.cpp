#include "NimbeloraApp.h"
#include "SelfLaunch.h"
#include "UrlInbox.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QtConcurrent/QtConcurrentRun>
#include <cstring>

namespace {

// Not the app's own name: a running app on the same bus stays out of it.
QString testService()
{
    return u"org.nimbelora.Test.P"_qs + QString::number(QCoreApplication::applicationPid());
}

// A later launch: its own connection, on its own thread.
QFuture<bool> launchLater(const QString &url)
{
    return QtConcurrent::run([url] {
        const QString name = u"later-launch-"_qs + QString::number(quintptr(QThread::currentThreadId()));
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
        const bool answered = UrlInbox::forward(bus, testService(), url, 5000);
        QDBusConnection::disconnectFromBus(name);
        return answered;
    });
}

// The test runs itself as a later launch of the whole program:
// `--launch [url]` is `nimbelora [url]`.
constexpr const char *kLaunch = "--launch";

} // namespace

class TestUrlInbox : public QObject
{
    Q_OBJECT

private slots:
    void urlFromArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("url");
        QTest::newRow("none") << QStringList{u"nimbelora"_qs} << QString();
        QTest::newRow("a link") << QStringList{u"nimbelora"_qs, u"https://youtu.be/dQw4w9WgXcQ"_qs} << u"https://youtu.be/dQw4w9WgXcQ"_qs;
        QTest::newRow("own scheme") << QStringList{u"nimbelora"_qs, u"nimbelora://watch?v=dQw4w9WgXcQ"_qs}
                                    << u"nimbelora://watch?v=dQw4w9WgXcQ"_qs;
        QTest::newRow("options skipped") << QStringList{u"nimbelora"_qs, u"--verbose"_qs, u"youtu.be/x"_qs} << u"youtu.be/x"_qs;
        QTest::newRow("after --, even a dash") << QStringList{u"nimbelora"_qs, u"--"_qs, u"-odd"_qs} << u"-odd"_qs;
        QTest::newRow("first one wins") << QStringList{u"nimbelora"_qs, u"a"_qs, u"b"_qs} << u"a"_qs;
    }

    void urlFromArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, url);
        QCOMPARE(UrlInbox::urlFromArguments(arguments), url);
    }

    void laterLaunchHandsItsUrlToTheFirst()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus (run under dbus-run-session)");

        UrlInbox first(UrlInbox::ownBus(), testService());
        QCOMPARE(first.claim(), UrlInbox::Claim::owner);
        QSignalSpy opened(&first, &UrlInbox::opened);

        {
            const QString name = u"second-instance"_qs;
            UrlInbox second(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name), testService());
            QCOMPARE(second.claim(), UrlInbox::Claim::taken);
        }
        QDBusConnection::disconnectFromBus(u"second-instance"_qs);

        // Answered while this thread is busy (blocked here on the answer).
        QVERIFY(launchLater(u"https://youtu.be/dQw4w9WgXcQ?t=5"_qs).result());
        QTRY_COMPARE(opened.count(), 1);
        QCOMPARE(opened.first().first().toString(), u"https://youtu.be/dQw4w9WgXcQ?t=5"_qs);

        // A launch without a URL only asks for the window.
        QFuture<bool> bare = launchLater(QString());
        QTRY_VERIFY(bare.isFinished());
        QVERIFY(bare.result());
        QTRY_COMPARE(opened.count(), 2);
        QCOMPARE(opened.last().first().toString(), QString());
    }

    void nameIsFreeAgainWhenTheFirstQuits()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus (run under dbus-run-session)");
        {
            UrlInbox first(QDBusConnection::sessionBus(), testService());
            QCOMPARE(first.claim(), UrlInbox::Claim::owner);
        }
        QFuture<bool> nobody = launchLater(u"x"_qs);
        QTRY_VERIFY(nobody.isFinished());
        QVERIFY(!nobody.result());

        UrlInbox next(QDBusConnection::sessionBus(), testService());
        QCOMPARE(next.claim(), UrlInbox::Claim::owner);
    }

    void launchWhileRunning_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::newRow("offscreen") << u"offscreen"_qs;
        // As a desktop starts it: on X, where OpenGL is there to be set up.
        QTest::newRow("X") << u"xcb"_qs;
    }

    // The whole program launched while an instance runs: it hands its link
    // over and ends well, time after time.
    void launchWhileRunning()
    {
        QFETCH(QString, platform);
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus (run under dbus-run-session)");
        const SelfLaunch launch(platform);
        if (!launch.ready())
            QSKIP("no Xvfb");
        UrlInbox running(UrlInbox::ownBus(), QLatin1String(UrlInbox::serviceName));
        if (running.claim() != UrlInbox::Claim::owner)
            QSKIP("the app runs on this bus");
        QSignalSpy opened(&running, &UrlInbox::opened);

        const QStringList links = {u"https://www.youtube.com/watch?v=dQw4w9WgXcQ"_qs, QString(),
                                   u"nimbelora://watch?v=jNQXAC9IVRw&t=5"_qs, u"https://youtu.be/9bZkp7q19f0"_qs,
                                   QString()};
        for (qsizetype i = 0; i < links.size(); ++i) {
            const QString &link = links.at(i);
            QStringList arguments{QLatin1String(kLaunch)};
            if (!link.isEmpty())
                arguments << link;
            const QString problem = launch.run(arguments);
            QVERIFY2(problem.isEmpty(), qPrintable(link + u": "_qs + problem));
            QTRY_COMPARE(opened.size(), i + 1);
            QCOMPARE(opened.last().first().toString(), link);
        }
    }

    void noBus()
    {
        UrlInbox inbox(QDBusConnection(u"never-connected"_qs), testService());
        QCOMPARE(inbox.claim(), UrlInbox::Claim::noBus);
        QVERIFY(!UrlInbox::forward(QDBusConnection(u"never-connected"_qs), testService(), u"x"_qs));
    }
};

int main(int argc, char *argv[])
{
    if (argc >= 2 && std::strcmp(argv[1], kLaunch) == 0) {
        QStandardPaths::setTestModeEnabled(true);
        argv[1] = argv[0];
        return NimbeloraApp::main(argc - 1, argv + 1);
    }
    QCoreApplication app(argc, argv);
    TestUrlInbox test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_urlinbox.moc"
