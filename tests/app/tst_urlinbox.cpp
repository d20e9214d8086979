#include "UrlInbox.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QSignalSpy>
#include <QTest>
#include <QtConcurrent/QtConcurrentRun>

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

    void noBus()
    {
        UrlInbox inbox(QDBusConnection(u"never-connected"_qs), testService());
        QCOMPARE(inbox.claim(), UrlInbox::Claim::noBus);
        QVERIFY(!UrlInbox::forward(QDBusConnection(u"never-connected"_qs), testService(), u"x"_qs));
    }
};

QTEST_GUILESS_MAIN(TestUrlInbox)

#include "tst_urlinbox.moc"
