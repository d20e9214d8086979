#include "AppFixture.h"
#include "AuthStore.h"
#include "LoginCoordinator.h"
#include "MemoryKeychain.h"
#include "QmlHarness.h"
#include "SelfLaunch.h"
#include "TestDirs.h"
#include "WebSignIn.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QSignalSpy>
#include <QTest>
#include <cstring>
#include <memory>

namespace {

struct FakeCookie
{
    QString name;
    QString domain;
};
using FakeCookies = QList<FakeCookie>;

// Domains as the build names them, so the rows hold for any build.
QString site() { return WebSignIn::videoSiteDomain(); }
QString provider() { return QStringLiteral("accounts.") + WebSignIn::providerName() + QStringLiteral(".example"); }

QNetworkCookie cookie(const FakeCookie &f)
{
    QNetworkCookie c(f.name.toUtf8(), "v-" + f.name.toUtf8());
    c.setDomain(f.domain);
    c.setPath(QStringLiteral("/"));
    return c;
}

QStringList names(const QList<QNetworkCookie> &cookies)
{
    QStringList out;
    for (const QNetworkCookie &c : cookies)
        out << QString::fromUtf8(c.name());
    return out;
}

QUrl sitePage() { return QUrl(QStringLiteral("https://m.") + site() + QStringLiteral("/")); }

} // namespace

Q_DECLARE_METATYPE(FakeCookies)

// The test runs itself as a process that asks for the shared context
// ahead and ends at once, before any window.
constexpr const char *kAheadThenEnd = "--ahead-then-end";
// ... or that waits for it and tells whether its share group is the GUI
// thread's (exit code 0), another thread's (3), or there is no OpenGL (77).
constexpr const char *kAheadThenCheck = "--ahead-then-check";
constexpr int kNoOpenGL = 77;

class TestWebSignIn : public QObject
{
    Q_OBJECT

    AppFixture m_backend;
    std::unique_ptr<MemoryKeychain> m_keychain;

private slots:
    void initTestCase()
    {
        QVERIFY2(m_backend.start(), qPrintable(m_backend.error()));
    }

    void init()
    {
        m_backend.reset();
        m_keychain = std::make_unique<MemoryKeychain>();
    }

    void accountCookies_data()
    {
        QTest::addColumn<FakeCookies>("cookies");
        QTest::addColumn<QStringList>("kept");
        QTest::addColumn<bool>("marker");

        QTest::newRow("site and provider kept in order, others dropped")
            << FakeCookies{{u"A"_qs, u"."_qs + site()}, {u"B"_qs, u"ads.example"_qs}, {u"C"_qs, provider()},
                           {u"SAPISID"_qs, u"."_qs + site()}}
            << QStringList{u"A"_qs, u"C"_qs, u"SAPISID"_qs} << true;
        QTest::newRow("only __Secure-3PAPISID")
            << FakeCookies{{u"__Secure-3PAPISID"_qs, site()}} << QStringList{u"__Secure-3PAPISID"_qs} << true;
        QTest::newRow("marker in other letter case is no marker")
            << FakeCookies{{u"sapisid"_qs, site()}, {u"__secure-3papisid"_qs, site()}}
            << QStringList{u"sapisid"_qs, u"__secure-3papisid"_qs} << false;
        QTest::newRow("marker of a foreign domain does not count")
            << FakeCookies{{u"SAPISID"_qs, u"tracker.example"_qs}} << QStringList{} << false;
        QTest::newRow("provider's name without a dot is not the provider")
            << FakeCookies{{u"SAPISID"_qs, WebSignIn::providerName() + u"cdn-example"_qs}} << QStringList{} << false;
    }

    void accountCookies()
    {
        QFETCH(FakeCookies, cookies);
        QFETCH(QStringList, kept);
        QFETCH(bool, marker);
        QList<QNetworkCookie> all;
        for (const FakeCookie &f : cookies)
            all << cookie(f);
        const QList<QNetworkCookie> account = WebSignIn::accountCookies(all);
        QCOMPARE(names(account), kept);
        QCOMPARE(WebSignIn::hasMarker(account), marker);
    }

    void videoSitePage_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<bool>("isSite");
        QTest::newRow("mobile home") << sitePage() << true;
        QTest::newRow("site itself") << QUrl(u"http://"_qs + site() + u":8765/signin/done"_qs) << true;
        QTest::newRow("provider") << QUrl(u"https://"_qs + provider() + u"/ServiceLogin"_qs) << false;
        QTest::newRow("site name inside another host") << QUrl(u"https://"_qs + site() + u".evil.example/"_qs) << false;
        QTest::newRow("no host") << QUrl(u"about:blank"_qs) << false;
    }

    void videoSitePage()
    {
        QFETCH(QUrl, url);
        QFETCH(bool, isSite);
        QCOMPARE(WebSignIn::isVideoSitePage(url), isSite);
    }

    // The hand-over rules, with cookies fed to the mirror by hand.
    void handOverRules()
    {
        WebSignIn web(WebSignIn::Backing::Memory);
        AuthStore auth(*m_keychain, web);
        auto coordinator = std::make_unique<LoginCoordinator>();
        coordinator->setAuth(&auth);
        QSignalSpy handed(coordinator.get(), &LoginCoordinator::cookiesHandedOver);

        // The provider's page starts no read, even with its markers set.
        web.cookieAdded(cookie({u"SAPISID"_qs, provider()}));
        coordinator->pageFinished(QUrl(u"https://"_qs + provider() + u"/ServiceLogin"_qs));
        QTest::qWait(50);
        QCOMPARE(handed.size(), 0);

        // Remove it again: the site's page without a marker hands nothing over.
        web.cookieRemoved(cookie({u"SAPISID"_qs, provider()}));
        web.cookieAdded(cookie({u"PREF"_qs, site()}));
        web.cookieAdded(cookie({u"NID"_qs, u"ads.example"_qs}));
        coordinator->pageFinished(sitePage());
        QTest::qWait(50);
        QCOMPARE(handed.size(), 0);
        QVERIFY(!coordinator->handedOver());

        // Signed in: two overlapping reads hand over once, every kept cookie.
        web.cookieAdded(cookie({u"SAPISID"_qs, u"."_qs + site()}));
        coordinator->pageFinished(sitePage());
        coordinator->pageFinished(sitePage());
        QVERIFY(TestTime::wait(handed, 2000));
        QTest::qWait(50);
        QCOMPARE(handed.size(), 1);
        QCOMPARE(names(handed.first().first().value<QList<QNetworkCookie>>()),
                 (QStringList{u"PREF"_qs, u"SAPISID"_qs}));

        // Later pages hand nothing over, whatever they set.
        web.cookieAdded(cookie({u"__Secure-3PAPISID"_qs, site()}));
        coordinator->pageFinished(sitePage());
        QTest::qWait(50);
        QCOMPARE(handed.size(), 1);
    }

    void viewGoneBeforeCookiesArrive()
    {
        WebSignIn web(WebSignIn::Backing::Memory);
        AuthStore auth(*m_keychain, web);
        web.cookieAdded(cookie({u"SAPISID"_qs, site()}));
        auto coordinator = std::make_unique<LoginCoordinator>();
        coordinator->setAuth(&auth);
        QSignalSpy handed(coordinator.get(), &LoginCoordinator::cookiesHandedOver);
        coordinator->pageFinished(sitePage());
        coordinator.reset();
        QTest::qWait(50);
        QCOMPARE(handed.size(), 0);
        QVERIFY(!auth.busy());
    }

    void exchangeOutcome_data()
    {
        QTest::addColumn<bool>("accepted");
        QTest::newRow("accepted: the sheet is asked to close") << true;
        QTest::newRow("refused: the page comes back") << false;
    }

    void exchangeOutcome()
    {
        QFETCH(bool, accepted);
        WebSignIn web(WebSignIn::Backing::Memory);
        AuthStore auth(*m_keychain, web);
        if (!accepted)
            m_backend->failPath(u"/api/auth/session"_qs, 401, u"Las cookies de tu cuenta no son válidas."_qs);
        for (const QJsonValue &v : m_backend->signInCookies()) {
            const QJsonObject o = v.toObject();
            QNetworkCookie c(o.value(u"name").toString().toUtf8(), o.value(u"value").toString().toUtf8());
            c.setDomain(o.value(u"domain").toString());
            web.cookieAdded(c);
        }
        LoginCoordinator coordinator;
        coordinator.setAuth(&auth);
        QSignalSpy dismiss(&coordinator, &LoginCoordinator::dismissRequested);
        QSignalSpy finishing(&coordinator, &LoginCoordinator::finishingChanged);

        coordinator.pageFinished(sitePage());
        QVERIFY(TestTime::waitFor([&] { return !auth.busy() && finishing.size() >= 1; }, 5000));
        QTest::qWait(20);

        QCOMPARE(dismiss.size(), accepted ? 1 : 0);
        QCOMPARE(coordinator.finishing(), accepted); // stays dimmed while the sheet closes
        QCOMPARE(auth.account().has_value(), accepted);
        QCOMPARE(auth.error().has_value(), !accepted);
    }

    // The engine's contexts share one with the windows': made off the GUI
    // thread, it is in place, valid and the GUI thread's, its share group
    // too, once the engine's profile exists (here before any window).
    void shareContextBeforeTheEngine()
    {
        WebSignIn web(WebSignIn::Backing::Engine);
        QVERIFY(web.profile());
        QOpenGLContext *shared = QOpenGLContext::globalShareContext();
        if (!shared || !shared->isValid()) {
            QOpenGLContext probe;
            QVERIFY2(!probe.create(), "OpenGL works here, yet no valid context is shared");
            QSKIP("no OpenGL on this platform");
        }
        QCOMPARE(shared->thread(), qApp->thread());
        QCOMPARE(shared->shareGroup()->thread(), qApp->thread());
    }

    void endingBeforeAnyWindow_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::newRow("offscreen") << u"offscreen"_qs;
        QTest::newRow("X") << u"xcb"_qs;
    }

    // The worker may still be making the context when the process ends:
    // the application object goes without pulling anything from under it.
    void endingBeforeAnyWindow()
    {
        QFETCH(QString, platform);
        const SelfLaunch launch(platform);
        if (!launch.ready())
            QSKIP("no Xvfb");
        for (int i = 0; i < 5; ++i) {
            const QString problem = launch.run({QLatin1String(kAheadThenEnd)});
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        }
    }

    void shareGroupOnTheGuiThread_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::newRow("offscreen") << u"offscreen"_qs;
        QTest::newRow("X") << u"xcb"_qs;
    }

    // The group is deleted on its own thread once its last context goes: left
    // with the worker, which has ended by then, it would never be.
    void shareGroupOnTheGuiThread()
    {
        QFETCH(QString, platform);
        const SelfLaunch launch(platform);
        if (!launch.ready())
            QSKIP("no Xvfb");
        const QString problem = launch.run({QLatin1String(kAheadThenCheck)});
        if (problem.startsWith(QStringLiteral("exit code %1:").arg(kNoOpenGL)))
            QSKIP("no OpenGL on this platform");
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    // The development backend's sign-in page in the real web view.
    void realPageHandsOverOnce()
    {
        TestDirs::isolate();
        WebSignIn web(WebSignIn::Backing::Engine);
        AuthStore auth(*m_keychain, web);
        QObject *profile = web.profile();
        QVERIFY(profile);
        QVERIFY(profile->property("offTheRecord").toBool()); // nothing of it on disk
        QVERIFY(profile->property("httpUserAgent").toString().endsWith(u" Version/17.5 Mobile/15E148 Safari/604.1"_qs));

        QmlHarness qml;
        QQuickItem *root = qml.loadSource(R"(
            import QtQuick
            import Nimbelora.Library
            Item {
                property var store
                LoginSheet { objectName: "sheet"; auth: store }
            })",
                                          {{u"store"_qs, QVariant::fromValue(static_cast<QObject *>(&auth))}});
        QVERIFY2(root, qPrintable(qml.errors()));
        QObject *sheet = root->findChild<QObject *>(u"sheet"_qs);
        QVERIFY(sheet);
        auto *coordinator = sheet->findChild<LoginCoordinator *>();
        QVERIFY(coordinator);
        QSignalSpy handed(coordinator, &LoginCoordinator::cookiesHandedOver);
        QMetaObject::invokeMethod(sheet, "open");

        QQuickItem *view = nullptr;
        QVERIFY(TestTime::waitFor([&] { return (view = qml.find(u"loginWebView"_qs)); }, 5000));
        // The form page, loaded from the provider's host.
        QVERIFY2(TestTime::waitFor([&] {
            return !view->property("loading").toBool() && view->property("title").toString() == u"Iniciar sesión"_qs;
        }, 30000), qPrintable(view->property("url").toUrl().toString()));
        QCOMPARE(view->property("url").toUrl().host(), WebSignIn::signInPage().host());
        QCOMPARE(WebSignIn::signInPage().path() + u'?' + WebSignIn::signInPage().query(QUrl::FullyEncoded),
                 u"/ServiceLogin?service=youtube&hl=es&continue=https%3A%2F%2Fm."_qs + site() + u"%2F"_qs);

        QVERIFY(QMetaObject::invokeMethod(view, "runJavaScript",
                                          Q_ARG(QString, u"document.getElementById('next').click()"_qs)));

        QVERIFY(TestTime::wait(handed, 30000));
        const QStringList handedNames = names(handed.first().first().value<QList<QNetworkCookie>>());
        QVERIFY2(handedNames.contains(u"SAPISID"_qs), qPrintable(handedNames.join(u',')));
        QVERIFY(TestTime::waitFor([&] { return auth.account().has_value(); }, 10000));
        QCOMPARE(auth.account()->name, u"Usuario de prueba"_qs);
        QVERIFY(TestTime::waitFor([&] { return !sheet->property("visible").toBool(); }, 5000));
        // Signing in wiped the cookies and retired the profile with its storage.
        QVERIFY(TestTime::waitFor([&] { return web.cookies().isEmpty(); }, 5000));
        QVERIFY(web.profile() && web.profile() != profile);

        // Another finished page of the site, with fresh cookies: nothing more.
        const QString again = u"http://"_qs + site() + u":"_qs + QString::number(QUrl(m_backend->origin()).port()) +
                              u"/signin/done?name=Otra"_qs;
        view->setProperty("url", QUrl(again));
        QVERIFY(TestTime::waitFor([&] {
            return !view->property("loading").toBool() && view->property("url").toUrl() == QUrl(again)
                   && view->property("title").toString() == u"Sesión iniciada"_qs;
        }, 30000));
        QTest::qWait(200);
        QCOMPARE(handed.size(), 1);
        QCOMPARE(auth.account()->name, u"Usuario de prueba"_qs);
    }
};

int main(int argc, char *argv[])
{
    if (argc >= 2 && std::strcmp(argv[1], kAheadThenEnd) == 0) {
        SelfLaunch::keepLibrariesLoaded();
        QGuiApplication app(argc, argv);
        WebSignIn::prepareAhead();
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], kAheadThenCheck) == 0) {
        SelfLaunch::keepLibrariesLoaded();
        QGuiApplication app(argc, argv);
        WebSignIn::prepareAhead();
        WebSignIn::awaitApplication();
        QOpenGLContext *shared = QOpenGLContext::globalShareContext();
        if (!shared || !shared->isValid())
            return kNoOpenGL;
        return shared->shareGroup()->thread() == app.thread() ? 0 : 3;
    }
    // As the app starts: the shared context made on a worker, waited for
    // before anything else, before the tests change the environment.
    QGuiApplication app(argc, argv);
    WebSignIn::prepareAhead();
    WebSignIn::awaitApplication();
    WebSignIn(WebSignIn::Backing::Engine).profile();
    TestWebSignIn test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_websignin.moc"
