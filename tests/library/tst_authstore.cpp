#include "API.h"
#include "AppFixture.h"
#include "AuthStore.h"
#include "Defaults.h"
#include "DiskCache.h"
#include "FileWriter.h"
#include "Haptics.h"
#include "Keychain.h"
#include "MemoryKeychain.h"
#include "Pref.h"
#include "WebSignIn.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>
#include <QCoroTask>
#include <memory>

namespace {

QList<QNetworkCookie> cookiesFrom(const QJsonArray &records)
{
    QList<QNetworkCookie> out;
    for (const QJsonValue &v : records) {
        const QJsonObject o = v.toObject();
        QNetworkCookie c(o.value(u"name").toString().toUtf8(), o.value(u"value").toString().toUtf8());
        c.setDomain(o.value(u"domain").toString());
        c.setPath(o.value(u"path").toString());
        c.setSecure(o.value(u"secure").toBool());
        c.setHttpOnly(o.value(u"httpOnly").toBool());
        out.append(c);
    }
    return out;
}

QString storedRecord() { return Defaults::shared().value(QLatin1String(AuthStore::accountKey)).toString(); }

Account account(const QString &name, std::optional<QString> handle = std::nullopt)
{
    Account a;
    a.name = name;
    a.handle = std::move(handle);
    return a;
}

QString recordOf(const Account &a) { return QString::fromUtf8(QJsonDocument(a.toJson()).toJson(QJsonDocument::Compact)); }

bool secretServiceRunning()
{
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(QStringLiteral("org.freedesktop.secrets"));
}

} // namespace

class TestAuthStore : public QObject
{
    Q_OBJECT

    AppFixture m_backend;
    std::unique_ptr<MemoryKeychain> m_keychain;
    std::unique_ptr<WebSignIn> m_web;

    std::unique_ptr<AuthStore> makeStore()
    {
        return std::make_unique<AuthStore>(*m_keychain, *m_web);
    }

    // A store signed in as `name` with a token the backend knows.
    std::unique_ptr<AuthStore> signedIn(const QString &name = QStringLiteral("Usuario de prueba"))
    {
        m_keychain->set(QStringLiteral("session"), m_backend->session(name));
        Defaults::shared().setValue(QLatin1String(AuthStore::accountKey), recordOf(account(name)));
        return makeStore();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_backend.start(), qPrintable(m_backend.error()));
    }

    void init()
    {
        m_backend.reset();
        API::shared().setTransferTimeout(60000);
        m_keychain = std::make_unique<MemoryKeychain>();
        m_web = std::make_unique<WebSignIn>(WebSignIn::Backing::Memory);
        Haptics::shared().clear();
    }

    void restore_data()
    {
        QTest::addColumn<QVariant>("token"); // invalid: no keychain item
        QTest::addColumn<QString>("record"); // null: nothing under "account"
        QTest::addColumn<QString>("name");   // null: no account

        const QString record = recordOf(account(QStringLiteral("Ana"), QStringLiteral("@ana")));
        QTest::newRow("token and record") << QVariant(u"tok"_qs) << record << u"Ana"_qs;
        QTest::newRow("token without record: half state") << QVariant(u"tok"_qs) << QString() << QString();
        QTest::newRow("unreadable record") << QVariant(u"tok"_qs) << u"{\"name\":3}"_qs << QString();
        QTest::newRow("record left over without token") << QVariant() << record << QString();
        QTest::newRow("empty token is a token") << QVariant(u""_qs) << record << u"Ana"_qs;
    }

    // Start-up never touches the stored record, readable or not; without a
    // token a refresh asks nothing.
    void restore()
    {
        QFETCH(QVariant, token);
        QFETCH(QString, record);
        QFETCH(QString, name);
        if (token.isValid())
            m_keychain->set(QStringLiteral("session"), token.toString());
        if (!record.isNull())
            Defaults::shared().setValue(QLatin1String(AuthStore::accountKey), record);

        auto auth = makeStore();

        QCOMPARE(auth->account() ? auth->account()->name : QString(), name);
        QCOMPARE(API::shared().session(), token.isValid() ? std::optional<QString>(token.toString()) : std::nullopt);
        QCOMPARE(storedRecord(), record);
        QVERIFY(!auth->busy());
        QVERIFY(!auth->error());
        if (!token.isValid()) {
            QCoro::waitFor(auth->refresh());
            QVERIFY(m_backend->requests().matching(u"/api/me"_qs).isEmpty());
            QCOMPARE(storedRecord(), record);
        }
    }

    void refreshCompletesHalfState()
    {
        m_keychain->set(QStringLiteral("session"), m_backend->session(u"Usuario de prueba"_qs));
        auto auth = makeStore();
        QCoro::waitFor(auth->refresh());
        QCOMPARE(auth->account()->name, u"Usuario de prueba"_qs);
        QCOMPARE(Json::decode<Account>(storedRecord().toUtf8()), *auth->account());
    }

    void refreshFailure_data()
    {
        QTest::addColumn<int>("status"); // 0: no reply in time; -1: malformed body; -2: a token the backend never issued
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("signsOut");

        QTest::newRow("sesión mid-sentence") << 401 << u"La sesión ha caducado o no es válida."_qs << true;
        QTest::newRow("Sesión at the start") << 403 << u"Sesión no válida"_qs << true;
        QTest::newRow("capitals only") << 401 << u"SESIÓN CADUCADA"_qs << false;
        QTest::newRow("without accent") << 401 << u"La sesion ha caducado"_qs << false;
        QTest::newRow("other server message") << 500 << u"Error interno"_qs << false;
        QTest::newRow("no reply in time") << 0 << QString() << false;
        QTest::newRow("malformed reply") << -1 << QString() << false;
        QTest::newRow("backend's own answer to a revoked token") << -2 << QString() << true;
    }

    void refreshFailure()
    {
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(bool, signsOut);
        auto auth = signedIn();
        if (status > 0) {
            m_backend->failPath(u"/api/me"_qs, status, message);
        } else if (status == 0) {
            API::shared().setTransferTimeout(200);
            m_backend->delayPath(u"/api/me"_qs, 1500);
        } else if (status == -1) {
            FaultRule rule;
            rule.pathPrefix = u"/api/me"_qs;
            rule.body = FaultRule::Body::Malformed;
            m_backend->addFault(rule);
        } else {
            API::shared().setSession(u"revocada"_qs);
            m_keychain->set(u"session"_qs, u"revocada"_qs);
        }

        QCoro::waitFor(auth->refresh());

        QCOMPARE(!auth->account(), signsOut);
        QCOMPARE(!API::shared().session(), signsOut);
        QCOMPARE(!m_keychain->get(u"session"_qs), signsOut);
        QCOMPARE(storedRecord().isEmpty(), signsOut);
        QCOMPARE(m_web->wipes(), signsOut ? 1 : 0);
    }

    // A refresh reply that arrives after the token changed is dropped.
    void staleRefreshDropped_data()
    {
        QTest::addColumn<bool>("signInMeanwhile"); // else a sign-out meanwhile
        QTest::newRow("sign-out meanwhile") << false;
        QTest::newRow("new sign-in meanwhile") << true;
    }

    void staleRefreshDropped()
    {
        QFETCH(bool, signInMeanwhile);
        auto auth = signedIn(u"Ana"_qs);
        m_backend->delayPath(u"/api/me"_qs, 400);
        bool refreshed = false;
        QCoro::connect(auth->refresh(), auth.get(), [&] { refreshed = true; });

        if (signInMeanwhile)
            QCoro::waitFor(auth->login(cookiesFrom(m_backend->signInCookies(u"Bea"_qs))));
        else
            QCoro::waitFor(auth->logout(false));
        const std::optional<QString> tokenAfter = API::shared().session();
        QVERIFY(TestTime::waitFor([&] { return refreshed; }, 5000));

        QCOMPARE(API::shared().session(), tokenAfter);
        if (signInMeanwhile) {
            QCOMPARE(auth->account()->name, u"Bea"_qs);
            QCOMPARE(Json::decode<Account>(storedRecord().toUtf8()).name, u"Bea"_qs);
        } else {
            QVERIFY(!auth->account());
            QVERIFY(storedRecord().isEmpty());
        }
    }

    // A failed exchange shows the error and moves nothing else.
    void loginFailure_data()
    {
        QTest::addColumn<int>("fault");        // status forced on the exchange; 0 for the backend's own refusal
        QTest::addColumn<int>("cookies");      // how many of the sign-in cookies are sent
        QTest::addColumn<QString>("expected"); // the error text

        const QString refused = u"No se encontraron las cookies de tu cuenta. Vuelve a iniciar sesión en la página de acceso."_qs;
        QTest::newRow("backend refuses cookies without the marker") << 0 << 1 << refused;
        QTest::newRow("no cookies at all: still sent") << 0 << 0 << refused;
        QTest::newRow("server error message verbatim") << 503 << 0 << u"Servidor en mantenimiento"_qs;
    }

    void loginFailure()
    {
        QFETCH(int, fault);
        QFETCH(int, cookies);
        QFETCH(QString, expected);
        Defaults::shared().setValue(QString(Pref::haptics), true);
        auto auth = signedIn(u"Ana"_qs);
        const std::optional<QString> tokenBefore = API::shared().session();
        if (fault)
            m_backend->failPath(u"/api/auth/session"_qs, fault, expected);

        QCoro::waitFor(auth->login(cookiesFrom(m_backend->signInCookies()).mid(0, cookies)));

        const auto sent = m_backend->requests().last(u"/api/auth/session"_qs);
        QVERIFY(sent);
        QCOMPARE(QJsonDocument::fromJson(sent->body).object().value(u"cookies"_qs).toArray().size(), cookies);
        QCOMPARE(auth->error(), std::optional<QString>(expected));
        QVERIFY(!auth->busy());
        QCOMPARE(auth->account()->name, u"Ana"_qs);
        QCOMPARE(API::shared().session(), tokenBefore);
        QCOMPARE(m_keychain->get(u"session"_qs), tokenBefore);
        QCOMPARE(Json::decode<Account>(storedRecord().toUtf8()).name, u"Ana"_qs);
        QCOMPARE(m_web->wipes(), 0);
        QVERIFY(Haptics::shared().given().isEmpty());

        // The next attempt clears the error as it starts, and signs in.
        m_backend->clearFaults();
        auto next = auth->login(cookiesFrom(m_backend->signInCookies()));
        QVERIFY(auth->busy());
        QVERIFY(!auth->error());
        QCoro::waitFor(next);
        QVERIFY(!auth->busy());
        QVERIFY(!auth->error());
        QCOMPARE(auth->account()->name, u"Usuario de prueba"_qs);
        const std::optional<QString> token = m_keychain->get(u"session"_qs);
        QVERIFY(token && !token->isEmpty() && token != tokenBefore);
        QCOMPARE(API::shared().session(), token);
        QCOMPARE(Json::decode<Account>(storedRecord().toUtf8()), *auth->account());
        QCOMPARE(m_web->wipes(), 1);
        QCOMPARE(Haptics::shared().given(), QStringList{u"success"_qs});
    }

    // "Signed in" changes only between no account and one; a sign-in is
    // announced only when it comes after none.
    void signedInEdges_data()
    {
        QTest::addColumn<QString>("before"); // null: signed out
        QTest::addColumn<QString>("step");   // login, login-fails, logout, refresh
        QTest::addColumn<bool>("after");
        QTest::addColumn<int>("changes");
        QTest::addColumn<int>("signIns");

        QTest::newRow("signed out, signs in") << QString() << u"login"_qs << true << 1 << 1;
        QTest::newRow("another account replaces one") << u"Ana"_qs << u"login"_qs << true << 0 << 0;
        QTest::newRow("signed out, sign-in fails") << QString() << u"login-fails"_qs << false << 0 << 0;
        QTest::newRow("signs out") << u"Ana"_qs << u"logout"_qs << false << 1 << 0;
        QTest::newRow("half state completed by a refresh") << u"-"_qs << u"refresh"_qs << true << 1 << 1;
    }

    void signedInEdges()
    {
        QFETCH(QString, before);
        QFETCH(QString, step);
        QFETCH(bool, after);
        QFETCH(int, changes);
        QFETCH(int, signIns);
        std::unique_ptr<AuthStore> auth;
        if (before == u"-") {
            m_keychain->set(QStringLiteral("session"), m_backend->session(u"Usuario de prueba"_qs));
            auth = makeStore();
        } else {
            auth = before.isNull() ? makeStore() : signedIn(before);
        }
        QCOMPARE(auth->signedIn(), before.size() > 1);
        QSignalSpy changed(auth.get(), &AuthStore::signedInChanged);
        QSignalSpy didSignIn(auth.get(), &AuthStore::didSignIn);

        if (step == u"login") {
            QCoro::waitFor(auth->login(cookiesFrom(m_backend->signInCookies())));
        } else if (step == u"login-fails") {
            m_backend->failPath(u"/api/auth/session"_qs, 503, u"Servidor en mantenimiento"_qs);
            QCoro::waitFor(auth->login(cookiesFrom(m_backend->signInCookies())));
        } else if (step == u"logout") {
            QCoro::waitFor(auth->logout(false));
        } else {
            QCoro::waitFor(auth->refresh());
        }

        QCOMPARE(auth->signedIn(), after);
        QCOMPARE(auth->property("signedIn").toBool(), after);
        QCOMPARE(changed.size(), changes);
        QCOMPARE(didSignIn.size(), signIns);
    }

    // Expiry in seconds with its fraction; 0 for a session cookie.
    void cookieRecord()
    {
        QNetworkCookie c("__Secure-3PAPISID", "x/y=");
        c.setDomain(u"accounts.example"_qs);
        c.setPath(u"/cuenta"_qs);
        c.setSecure(true);
        c.setExpirationDate(QDateTime::fromMSecsSinceEpoch(1700000000123, Qt::UTC));
        QCOMPARE(AuthStore::cookieRecord(c),
                 (QJsonObject{{"name", "__Secure-3PAPISID"}, {"value", "x/y="}, {"domain", "accounts.example"},
                              {"path", "/cuenta"}, {"secure", true}, {"httpOnly", false}, {"expires", 1700000000.123}}));
        c.setExpirationDate({});
        c.setHttpOnly(true);
        const QJsonObject session = AuthStore::cookieRecord(c);
        QCOMPARE(session.value("expires"), QJsonValue(0));
        QCOMPARE(session.value("httpOnly"), QJsonValue(true));
    }

    void logout_data()
    {
        QTest::addColumn<bool>("remote");
        QTest::addColumn<int>("serverStatus"); // forced on DELETE /api/me; 0 leaves it alone, -1 no server

        QTest::newRow("remote, server agrees") << true << 0;
        QTest::newRow("remote, server fails") << true << 500;
        QTest::newRow("remote, server unreachable") << true << -1;
        QTest::newRow("local only") << false << 0;
    }

    void logout()
    {
        QFETCH(bool, remote);
        QFETCH(int, serverStatus);
        auto auth = signedIn();
        for (const QString &key : {u"feed-me-home"_qs, u"subs-me"_qs, u"feed-music"_qs})
            DiskCache::save(QList<Video>{}, key);
        const QString token = *API::shared().session();
        if (serverStatus > 0)
            m_backend->failPath(u"/api/me"_qs, serverStatus, u"Error interno"_qs);
        if (serverStatus < 0)
            QVERIFY(API::shared().setBaseUrl(QUrl(u"http://127.0.0.1:9"_qs)));
        QCoro::waitFor(auth->logout(remote));
        API::shared().setBaseUrl(QUrl(m_backend->origin()));

        QList<RequestRecord> deletes = m_backend->requests().matching(u"/api/me"_qs);
        deletes.removeIf([](const RequestRecord &r) { return r.method != u"DELETE"; });
        QCOMPARE(deletes.size(), remote && serverStatus >= 0 ? 1 : 0);
        if (!deletes.isEmpty())
            QCOMPARE(deletes.first().header(u"X-Ombri-Session"_qs), token);
        QVERIFY(!auth->account());
        QVERIFY(!API::shared().session());
        QVERIFY(!m_keychain->get(u"session"_qs));
        QVERIFY(!Defaults::shared().contains(QLatin1String(AuthStore::accountKey)));
        QCOMPARE(m_web->wipes(), 1);
        FileWriter::shared().drain(); // only the account's own lists go
        QVERIFY(!QFile::exists(DiskCache::path(u"feed-me-home"_qs)) && !QFile::exists(DiskCache::path(u"subs-me"_qs)));
        QVERIFY(QFile::exists(DiskCache::path(u"feed-music"_qs)));
    }

    // With the desktop's keyring: what the app itself uses.
    void realKeychain()
    {
        if (!secretServiceRunning())
            QSKIP("No Secret Service on the session bus");
        Keychain keychain(u"Nimbelora-test"_qs);
        keychain.set(u"session"_qs, std::nullopt);
        QCOMPARE(keychain.get(u"session"_qs), std::nullopt);
        keychain.set(u"session"_qs, std::nullopt); // nothing to delete: no harm

        keychain.set(u"session"_qs, u"tóken-1"_qs);
        QCOMPARE(keychain.get(u"session"_qs), std::optional<QString>(u"tóken-1"_qs));
        keychain.set(u"session"_qs, u"token-2"_qs);
        QCOMPARE(keychain.get(u"session"_qs), std::optional<QString>(u"token-2"_qs));
        keychain.set(u"session"_qs, u""_qs);
        QCOMPARE(keychain.get(u"session"_qs), std::optional<QString>(u""_qs));

        // A read started early answers the next get, unless a write came between.
        keychain.prefetch(u"session"_qs);
        QCOMPARE(keychain.get(u"session"_qs), std::optional<QString>(u""_qs));
        keychain.prefetch(u"session"_qs);
        keychain.set(u"session"_qs, u"token-3"_qs);
        QCOMPARE(keychain.get(u"session"_qs), std::optional<QString>(u"token-3"_qs));
        // Another keychain object shares the one job thread.
        QCOMPARE(Keychain(u"Nimbelora-test"_qs).get(u"session"_qs), std::optional<QString>(u"token-3"_qs));

        // The store restores from it synchronously, and a sign-out removes it.
        keychain.set(u"session"_qs, m_backend->session());
        {
            AuthStore auth(keychain, *m_web);
            QVERIFY(API::shared().session());
            QCoro::waitFor(auth.refresh());
            QVERIFY(auth.account());
            QCoro::waitFor(auth.logout(true));
        }
        QCOMPARE(keychain.get(u"session"_qs), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestAuthStore)
#include "tst_authstore.moc"
