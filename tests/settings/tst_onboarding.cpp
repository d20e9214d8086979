#include "AppFixture.h"
#include "AuthStore.h"
#include "DoubleClickTime.h"
#include "MemoryKeychain.h"
#include "QmlHarness.h"
#include "WebSignIn.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkCookie>
#include <QSignalSpy>
#include <QTest>
#include <QCoroTask>
#include <memory>

class TestOnboarding : public QObject
{
    Q_OBJECT

    AppFixture m_backend;
    std::unique_ptr<MemoryKeychain> m_keychain;
    std::unique_ptr<WebSignIn> m_web;
    std::unique_ptr<AuthStore> m_auth;
    std::unique_ptr<QmlHarness> m_qml;
    QQuickItem *m_view = nullptr;
    std::unique_ptr<QSignalSpy> m_finished;

    QQuickItem *find(const QString &name) const { return m_qml->find(name); }
    int page() const { return m_view->property("page").toInt(); }

    bool load()
    {
        m_qml = std::make_unique<QmlHarness>();
        m_view = m_qml->load(QUrl(u"qrc:/Nimbelora/Settings/qml/OnboardingView.qml"_qs),
                             {{u"auth"_qs, QVariant::fromValue(m_auth.get())}});
        if (!m_view) {
            qWarning("%s", qPrintable(m_qml->errors()));
            return false;
        }
        m_finished = std::make_unique<QSignalSpy>(m_view, SIGNAL(finish()));
        return true;
    }

    void signIn()
    {
        QList<QNetworkCookie> cookies;
        for (const QJsonValue &v : m_backend->signInCookies(u"Ana"_qs)) {
            const QJsonObject o = v.toObject();
            QNetworkCookie c(o.value(u"name").toString().toUtf8(), o.value(u"value").toString().toUtf8());
            c.setDomain(o.value(u"domain").toString());
            c.setPath(o.value(u"path").toString());
            cookies.append(c);
        }
        QCoro::waitFor(m_auth->login(cookies));
    }

    // Swipes the pager one page to the left, as a finger would.
    void swipeLeft()
    {
        QQuickItem *pager = find(u"onboardingPages"_qs);
        const QPointF from = pager->mapToScene(QPointF(pager->width() * 0.85, pager->height() / 2));
        const QPointF to = pager->mapToScene(QPointF(pager->width() * 0.1, pager->height() / 2));
        QTest::mousePress(m_qml->window(), Qt::LeftButton, {}, from.toPoint());
        for (int i = 1; i <= 10; ++i)
            QTest::mouseMove(m_qml->window(), (from + (to - from) * (i / 10.0)).toPoint(), 10);
        QTest::mouseRelease(m_qml->window(), Qt::LeftButton, {}, to.toPoint(), 10);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_backend.start(), qPrintable(m_backend.error()));
    }

    void init()
    {
        m_backend.reset();
        m_keychain = std::make_unique<MemoryKeychain>();
        m_web = std::make_unique<WebSignIn>(WebSignIn::Backing::Memory);
        m_auth = std::make_unique<AuthStore>(*m_keychain, *m_web);
    }

    void cleanup()
    {
        m_finished.reset();
        m_qml.reset();
        m_auth.reset();
    }

    void pages()
    {
        QVERIFY(load());
        QStringList titles;
        for (int i = 0; i < 3; ++i)
            titles.append(QmlHarness::findIn(find(u"onboardingPage"_qs + QString::number(i)), u"onboardingTitle"_qs)->property("text").toString());
        QCOMPARE(titles, (QStringList{u"Sin anuncios, de verdad"_qs, u"Rápida y fluida"_qs, u"Con tu cuenta, si quieres"_qs}));
        QCOMPARE(find(u"onboardingName"_qs)->property("text").toString(), u"Nimbelora"_qs);
        QVERIFY(find(u"onboardingDots"_qs)->isVisible());
    }

    // "Continuar" walks the pages; the last one offers the sign-in instead.
    void continueToTheLastPage()
    {
        QVERIFY(load());
        QCOMPARE(page(), 0);
        QCOMPARE(find(u"onboardingSkip"_qs)->property("text").toString(), u"Saltar"_qs);
        QVERIFY(m_qml->click(u"onboardingContinue"_qs));
        QCOMPARE(page(), 1);
        QVERIFY(m_qml->click(u"onboardingContinue"_qs));
        QCOMPARE(page(), 2);
        QVERIFY(!find(u"onboardingContinue"_qs));
        QCOMPARE(find(u"onboardingSignIn"_qs)->property("text").toString(), u"Iniciar sesión con YouTube"_qs);
        QCOMPARE(find(u"onboardingNoAccount"_qs)->property("text").toString(), u"Empezar sin cuenta"_qs);
        QVERIFY(find(u"onboardingDots"_qs)->isVisible());
        QCOMPARE(m_finished->count(), 0);
    }

    // The button that brings the last page turns into the sign-in: the
    // second press of a double click there signs nothing in, a later one does.
    void doubleClickOntoTheLastPage_data()
    {
        QTest::addColumn<int>("pause"); // ms between the two clicks
        QTest::addColumn<bool>("signIn");
        QTest::newRow("double click") << 0 << false;
        QTest::newRow("after the double-click time") << 2150 << true;
    }
    void doubleClickOntoTheLastPage()
    {
        QFETCH(int, pause);
        QFETCH(bool, signIn);
        const DoubleClickTime doubleClick(2000);
        QVERIFY(load());
        QVERIFY(m_qml->click(u"onboardingContinue"_qs));
        doubleClick.apart();
        QQuickItem *button = find(u"onboardingContinue"_qs);
        QVERIFY(m_qml->click(button));
        QCOMPARE(page(), 2);
        DoubleClickTime::pass(pause);
        QVERIFY(m_qml->click(button));
        QTest::qWait(100);
        QCOMPARE(m_view->property("showLogin").toBool(), signIn);
    }

    void swipingFollowsTheButtons()
    {
        QVERIFY(load());
        swipeLeft();
        QTRY_COMPARE(page(), 1);
        swipeLeft();
        QTRY_COMPARE(page(), 2);
        QTRY_VERIFY(find(u"onboardingSignIn"_qs));
        QVERIFY(find(u"onboardingNoAccount"_qs));
    }

    void endings_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("button");
        QTest::newRow("Saltar on the first page") << 0 << u"onboardingSkip"_qs;
        QTest::newRow("Saltar on the second page") << 1 << u"onboardingSkip"_qs;
        QTest::newRow("Empezar sin cuenta") << 2 << u"onboardingNoAccount"_qs;
    }

    void endings()
    {
        QFETCH(int, page);
        QFETCH(QString, button);
        QVERIFY(load());
        m_view->setProperty("page", page);
        QVERIFY(m_qml->click(button));
        QCOMPARE(m_finished->count(), 1);
    }

    // The third ending: an account signs in while the pages are shown.
    void signInEnds()
    {
        QVERIFY(load());
        m_view->setProperty("page", 2);
        QVERIFY(m_qml->click(u"onboardingSignIn"_qs));
        QTRY_VERIFY(m_view->property("showLogin").toBool());
        QObject *login = nullptr;
        QTRY_VERIFY((login = [&]() -> QObject * {
            for (QObject *o : m_view->findChildren<QObject *>())
                if (o->inherits("QQuickPopup") && o->property("title").toString() == u"Iniciar sesión"_qs)
                    return o;
            return nullptr;
        }()));
        QTRY_VERIFY(login->property("visible").toBool());
        QCOMPARE(m_finished->count(), 0);

        signIn();
        QVERIFY(m_auth->account());
        QTRY_COMPARE(m_finished->count(), 1);
        // Signing out later changes nothing.
        QCoro::waitFor(m_auth->logout(false));
        QTest::qWait(100);
        QCOMPARE(m_finished->count(), 1);
    }

    // Shown again while signed in: only the text buttons end it.
    void alreadySignedIn()
    {
        signIn();
        QVERIFY(m_auth->account());
        QVERIFY(load());
        m_view->setProperty("page", 2);
        signIn(); // a new sign-in: still signed in, nothing changes
        QVERIFY(m_auth->account());
        QTest::qWait(50);
        QCOMPARE(m_finished->count(), 0);
        QVERIFY(m_qml->click(u"onboardingNoAccount"_qs));
        QCOMPARE(m_finished->count(), 1);
    }

    // A failed sign-in keeps the pages on the last one.
    void failedSignInStays()
    {
        QVERIFY(load());
        m_view->setProperty("page", 2);
        m_backend->failPath(u"/api/auth/session"_qs, 500, u"No se pudo iniciar sesión"_qs);
        signIn();
        m_backend->clearFaults();
        QVERIFY(!m_auth->account());
        QTest::qWait(50);
        QCOMPARE(m_finished->count(), 0);
        QCOMPARE(page(), 2);
    }
};

int main(int argc, char *argv[])
{
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);
    TestOnboarding test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_onboarding.moc"
