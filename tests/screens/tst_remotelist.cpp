#include "API.h"
#include "AppFixture.h"
#include "AuthStore.h"
#include "Defaults.h"
#include "MemoryKeychain.h"
#include "RemoteListModel.h"
#include "WebSignIn.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QCoroTask>

namespace {

// Videos p<from>..p<to>.
QJsonArray page(const QString &prefix, int from, int to)
{
    QJsonArray out;
    for (int i = from; i <= to; ++i)
        out.append(QJsonObject{{"id", prefix + QString::number(i)}, {"title", "Vídeo"}, {"channel", "Canal"}});
    return out;
}

QStringList ids(const RemoteListModel &m)
{
    QStringList out;
    for (const Video &v : m.items()->videos())
        out.append(v.id);
    return out;
}

QStringList idsOf(const QJsonArray &a)
{
    QStringList out;
    for (const QJsonValue &v : a)
        out.append(v[u"id"].toString());
    return out;
}

} // namespace

class TestRemoteList : public QObject
{
    Q_OBJECT

    AppFixture m_backend;

    // The account list's page `n` (any kind) answers `videos`, or fails with `status`.
    void serve(int n, const QJsonArray &videos, int status = 0, int delayMs = 0, int times = -1)
    {
        FaultRule rule;
        rule.pathPrefix = u"/api/me/feed"_qs;
        rule.id = QString::number(n);
        rule.status = status;
        rule.delayMs = delayMs;
        rule.times = times;
        if (!status) {
            rule.body = FaultRule::Body::Raw;
            rule.rawBody = QJsonDocument(videos).toJson(QJsonDocument::Compact);
        }
        m_backend->addFault(rule);
    }

    int requestsFor(int n) const
    {
        int count = 0;
        for (const RequestRecord &r : m_backend->requests().matching(u"/api/me/feed"_qs))
            count += r.rawQuery.contains(u"page="_qs + QString::number(n));
        return count;
    }

    static void await(QCoro::Task<> task) { QCoro::waitFor(std::move(task)); }

private slots:
    void initTestCase() { QVERIFY2(m_backend.start(), qPrintable(m_backend.error())); }

    void init()
    {
        m_backend.reset();
        API::shared().setSession(m_backend->session());
    }

    void secondPage_data()
    {
        QTest::addColumn<QJsonArray>("second");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<bool>("canMore");
        QTest::newRow("the same 20 again") << page(u"a"_qs, 1, 20) << 0 << QStringList() << false;
        QJsonArray mixed = page(u"a"_qs, 6, 20);
        for (int i = 1; i <= 5; ++i)
            mixed.insert(i * 3, page(u"b"_qs, i, i).first());
        QTest::newRow("5 new of 20") << mixed << 0 << QStringList{"b1", "b2", "b3", "b4", "b5"} << true;
        QTest::newRow("empty") << QJsonArray() << 0 << QStringList() << false;
        QTest::newRow("failing") << QJsonArray() << 500 << QStringList() << false;
    }

    void secondPage()
    {
        QFETCH(QJsonArray, second);
        QFETCH(int, status);
        QFETCH(QStringList, added);
        QFETCH(bool, canMore);
        serve(0, page(u"a"_qs, 1, 20));
        serve(1, second, status);
        RemoteListModel model;
        model.setKind(u"liked"_qs);
        QVERIFY(model.state().isLoading()); // the spinner from the first frame
        await(model.load());
        QVERIFY(model.state().isLoaded());
        QVERIFY(model.canMore());

        await(model.loadMore());
        QCOMPARE(ids(model), idsOf(page(u"a"_qs, 1, 20)) + added);
        QCOMPARE(model.canMore(), canMore);
        QCOMPARE(model.page(), added.isEmpty() ? 0 : 1);
        QVERIFY(!model.loadingMore());
        QVERIFY(model.state().isLoaded());

        // Stopped paging asks nothing more when the last row shows again.
        model.reached(ids(model).constLast());
        QTest::qWait(100);
        QCOMPARE(requestsFor(1), 1);
        QCOMPARE(requestsFor(2), canMore ? 1 : 0);
    }

    void emptyListAndFirstPageFailure()
    {
        serve(0, {});
        RemoteListModel model;
        model.setKind(u"later"_qs);
        await(model.load());
        QVERIFY(model.state().isLoaded());
        QCOMPARE(model.items()->count(), 0);
        QVERIFY(!model.canMore());

        m_backend->clearFaults();
        m_backend->failPath(u"/api/me/feed"_qs, 500, u"Algo falló"_qs);
        await(model.load());
        QCOMPARE(model.state(), LoadState::failed(u"Algo falló"_qs));
        QVERIFY(model.canMore()); // as the load set it
    }

    // Showing the last row again while a page is on its way asks once.
    void oneNextPageAtATime()
    {
        serve(0, page(u"a"_qs, 1, 20));
        serve(1, page(u"b"_qs, 1, 20), 0, 300);
        RemoteListModel model;
        model.setKind(u"history"_qs);
        await(model.load());
        model.reached(u"a20"_qs);
        QVERIFY(model.loadingMore());
        model.reached(u"a20"_qs);
        model.reached(u"a7"_qs);
        QTRY_VERIFY(!model.loadingMore());
        QCOMPARE(requestsFor(1), 1);
        QCOMPARE(model.items()->count(), 40);
    }

    // A next page that comes back after a new first load, or after the
    // account changed, changes nothing.
    void olderRepliesChangeNothing_data()
    {
        QTest::addColumn<bool>("signOut");
        QTest::newRow("reload") << false;
        QTest::newRow("sign-out") << true;
    }

    void olderRepliesChangeNothing()
    {
        QFETCH(bool, signOut);
        const QString session = m_backend->session();
        MemoryKeychain keychain;
        keychain.set(QString::fromLatin1(AuthStore::sessionKey), session);
        Defaults::shared().setValue(QString::fromLatin1(AuthStore::accountKey), u"{\"name\":\"Usuario de prueba\"}"_qs);
        WebSignIn web(WebSignIn::Backing::Memory);
        AuthStore auth(keychain, web);
        QVERIFY(auth.account());

        // Later first pages come from the account's own list.
        serve(0, page(u"a"_qs, 1, 20), 0, 0, 1);
        serve(1, page(u"b"_qs, 1, 20), 0, 400);
        RemoteListModel model;
        model.setKind(u"liked"_qs);
        model.setAuth(&auth);
        await(model.load());
        model.reached(u"a20"_qs);
        QVERIFY(model.loadingMore());
        if (signOut)
            await(auth.logout(false)); // reloads, without a session now
        else
            model.load();
        QVERIFY(!model.loadingMore());
        QTRY_VERIFY(!model.state().isLoading());
        QTest::qWait(600); // the older page lands meanwhile
        QCOMPARE(requestsFor(1), 1);
        QCOMPARE(model.state().isFailed(), signOut);
        if (signOut)
            QCOMPARE(ids(model), idsOf(page(u"a"_qs, 1, 20))); // kept, not shown while failed
        else
            QCOMPARE(model.items()->count(), 20);
        QCOMPARE(model.page(), 0);
        QVERIFY(!model.loadingMore());
    }
};

int main(int argc, char *argv[])
{
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);
    TestRemoteList test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_remotelist.moc"
