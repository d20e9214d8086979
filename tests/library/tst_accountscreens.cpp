#include "API.h"
#include "AppFixture.h"
#include "AuthStore.h"
#include "Defaults.h"
#include "LoginCoordinator.h"
#include "MemoryKeychain.h"
#include "QmlHarness.h"
#include "WebSignIn.h"

#include <QGuiApplication>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {

// Popups live in the window's overlay, outside the root's item tree: walk the window.
// Visible texts under `item`, in item order.
void collectTexts(QQuickItem *item, QStringList &out)
{
    if (!item->isVisible())
        return;
    if (item->inherits("QQuickText")) {
        const QString text = item->property("text").toString();
        if (!text.isEmpty())
            out << text;
    }
    for (QQuickItem *child : item->childItems())
        collectTexts(child, out);
}

QStringList textsIn(QQuickItem *item)
{
    QStringList out;
    if (item)
        collectTexts(item, out);
    return out;
}

QString recordOf(const QString &name, std::optional<QString> handle, std::optional<QString> avatar)
{
    Account a;
    a.name = name;
    a.handle = std::move(handle);
    a.avatar = std::move(avatar);
    return QString::fromUtf8(QJsonDocument(a.toJson()).toJson(QJsonDocument::Compact));
}

const QByteArray sheets = R"(
    import QtQuick
    import Nimbelora.Library
    Item {
        id: root
        property var store
        property alias account: account
        property alias avatar: avatar
        property alias avatarSmall: avatarSmall
        AccountAvatar { id: avatar; objectName: "avatar30"; auth: root.store; size: 30 }
        AccountAvatar { id: avatarSmall; auth: root.store; size: 20; x: 40 }
        AccountSheet { id: account; auth: root.store }
    })";

} // namespace

class TestAccountScreens : public QObject
{
    Q_OBJECT

    AppFixture m_backend;
    std::unique_ptr<MemoryKeychain> m_keychain;
    std::unique_ptr<WebSignIn> m_web;
    std::unique_ptr<AuthStore> m_auth;
    std::unique_ptr<QmlHarness> m_qml;
    QQuickItem *m_root = nullptr;
    QObject *m_sheet = nullptr;

    QQuickItem *find(const QString &name) const { return m_qml->find(name); }

    void signIn(const QString &name, std::optional<QString> handle, std::optional<QString> avatar)
    {
        m_keychain->set(u"session"_qs, m_backend->session(name));
        Defaults::shared().setValue(QLatin1String(AuthStore::accountKey), recordOf(name, handle, avatar));
    }

    bool load()
    {
        m_auth = std::make_unique<AuthStore>(*m_keychain, *m_web);
        m_qml = std::make_unique<QmlHarness>();
        m_root = m_qml->loadSource(sheets, {{u"store"_qs, QVariant::fromValue(static_cast<QObject *>(m_auth.get()))}});
        if (!m_root) {
            qWarning("%s", qPrintable(m_qml->errors()));
            return false;
        }
        m_sheet = m_root->property("account").value<QObject *>();
        return m_sheet != nullptr;
    }

    bool openSheet()
    {
        QSignalSpy opened(m_sheet, SIGNAL(opened()));
        QMetaObject::invokeMethod(m_sheet, "open");
        return opened.wait(3000);
    }

    QObject *loginSheet() const
    {
        for (QObject *o : m_sheet->findChildren<QObject *>()) {
            if (o->inherits("QQuickPopup") && o->property("title").toString() == u"Iniciar sesión"_qs)
                return o;
        }
        return nullptr;
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
    }

    void cleanup()
    {
        m_qml.reset();
        m_auth.reset();
    }

    void accountAvatar_data()
    {
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<QString>("avatarUrl"); // empty: none
        QTest::newRow("signed out: the person symbol") << false << QString();
        QTest::newRow("signed in with a picture") << true << u"https://img.example/ana.jpg"_qs;
        QTest::newRow("signed in without a picture: the initial") << true << QString();
    }

    void accountAvatar()
    {
        QFETCH(bool, signedIn);
        QFETCH(QString, avatarUrl);
        if (signedIn)
            signIn(u"Ana"_qs, u"@ana"_qs, avatarUrl.isEmpty() ? std::nullopt : std::optional<QString>(avatarUrl));
        QVERIFY(load());
        auto *avatar = m_root->property("avatar").value<QQuickItem *>();
        QVERIFY(avatar);
        QCOMPARE(avatar->width(), 30.0);
        QCOMPARE(avatar->height(), 30.0);
        QQuickItem *symbol = avatar->findChild<QQuickItem *>(u"accountSymbol"_qs);
        QQuickItem *view = avatar->findChild<QQuickItem *>(u"accountAvatarView"_qs);
        QCOMPARE(symbol->isVisible(), !signedIn);
        QCOMPARE(view->isVisible(), signedIn);
        if (!signedIn) {
            QCOMPARE(symbol->property("size").toReal(), 25.5);
            QCOMPARE(symbol->property("name").toString(), u"person.crop.circle"_qs);
            auto *small = m_root->property("avatarSmall").value<QQuickItem *>();
            QCOMPARE(small->findChild<QQuickItem *>(u"accountSymbol"_qs)->property("size").toReal(), 17.0);
            return;
        }
        QCOMPARE(view->property("name").toString(), u"Ana"_qs);
        QCOMPARE(view->property("url").toString(), avatarUrl);
        QCOMPARE(view->property("size").toReal(), 30.0);
        QCOMPARE(view->findChild<QQuickItem *>(u"avatarFallback"_qs)->isVisible(), avatarUrl.isEmpty());

        // It follows the store.
        QCoro::waitFor(m_auth->logout(false));
        QVERIFY(symbol->isVisible());
        QVERIFY(!view->isVisible());
    }

    void signedOutSheet()
    {
        QVERIFY(load());
        QVERIFY(openSheet());
        QCOMPARE(m_sheet->property("title").toString(), u"Cuenta"_qs);
        QCOMPARE(m_sheet->property("detents").toStringList(), (QStringList{u"medium"_qs, u"large"_qs}));
        QCOMPARE(find(u"accountDone"_qs)->property("text").toString(), u"Hecho"_qs);
        const QStringList texts = textsIn(m_sheet->property("contentItem").value<QQuickItem *>());
        const QStringList expected = {
            u"Inicia sesión con YouTube"_qs,
            u"Verás tus recomendaciones, suscripciones, historial y «me gusta» de siempre, pero sin un solo anuncio."_qs,
            u"Continuar con Google"_qs,
            u"Escribes tus datos solo en la página de Google. Nimbelora guarda únicamente una sesión en tu servidor privado."_qs,
        };
        for (const QString &t : expected)
            QVERIFY2(texts.contains(t), qPrintable(t));
        QVERIFY(!texts.contains(u"Cerrar sesión"_qs));
        QVERIFY(find(u"accountMark"_qs)->isVisible());

        // "Continuar con Google" presents a sign-in sheet; "Cancelar" closes it.
        QVERIFY(m_qml->click(find(u"continueButton"_qs)));
        QVERIFY(QTest::qWaitFor([&] { return loginSheet() && loginSheet()->property("opened").toBool(); }, 3000));
        QObject *login = loginSheet();
        QVERIFY(login->property("dismissable").toBool());
        QVERIFY(!find(u"loginError"_qs)->isVisible());
        QVERIFY(!find(u"loginProgress"_qs)->isVisible());
        QVERIFY(m_qml->click(find(u"loginCancel"_qs)));
        QVERIFY(QTest::qWaitFor([&] { return !loginSheet(); }, 3000));
        QVERIFY(!m_sheet->property("showLogin").toBool());
        QVERIFY(m_sheet->property("opened").toBool());
    }

    void signedInSheet_data()
    {
        QTest::addColumn<QVariant>("handle");
        QTest::newRow("with handle") << QVariant(u"@Ana.Ruiz"_qs);
        QTest::newRow("without handle: only the name") << QVariant();
    }

    void signedInSheet()
    {
        QFETCH(QVariant, handle);
        signIn(u"Ana Ruiz"_qs, handle.isValid() ? std::optional<QString>(handle.toString()) : std::nullopt, std::nullopt);
        QVERIFY(load());
        QVERIFY(openSheet());
        const QStringList texts = textsIn(m_sheet->property("contentItem").value<QQuickItem *>());
        QStringList expected = {u"Ana Ruiz"_qs};
        if (handle.isValid())
            expected << handle.toString();
        expected << u"Tu inicio, suscripciones, historial y «me gusta» vienen de tu cuenta de YouTube, sin anuncios."_qs
                 << u"Cerrar sesión"_qs;
        // Title, button label and texts in order, nothing of the signed-out pitch.
        QCOMPARE(texts.mid(texts.indexOf(u"Ana Ruiz"_qs)), expected);
        QVERIFY(!find(u"accountMark"_qs)->isVisible());
        QQuickItem *avatar = find(u"accountAvatar"_qs);
        QCOMPARE(avatar->property("size").toReal(), 84.0);
        QCOMPARE(avatar->property("name").toString(), u"Ana Ruiz"_qs);
        QVERIFY(QmlHarness::findIn(avatar, u"avatarInitial"_qs)->isVisible());
    }

    void signOutClosesAfterTheStoreIsDone()
    {
        signIn(u"Usuario de prueba"_qs, u"@prueba"_qs, std::nullopt);
        QVERIFY(load());
        QVERIFY(openSheet());
        m_backend->delayPath(u"/api/me"_qs, 300);
        QSignalSpy closed(m_sheet, SIGNAL(closed()));

        QVERIFY(m_qml->click(find(u"signOutButton"_qs)));
        // Still open and unchanged while the server is asked.
        QTest::qWait(100);
        QVERIFY(m_sheet->property("opened").toBool());
        QVERIFY(m_auth->account());

        QVERIFY(closed.wait(5000));
        QVERIFY(!m_auth->account());
        QVERIFY(!API::shared().session());
        QVERIFY(!m_keychain->get(u"session"_qs));
        QCOMPARE(m_web->wipes(), 1);
    }

    // Exchanging: dimmed, progress card, no drag-dismiss; "Cancelar" still
    // closes at once and the store finishes the sign-in anyway.
    void loginSheetWhileExchanging()
    {
        QVERIFY(load());
        // An earlier failure shows on a newly opened sheet until the next exchange starts.
        QCoro::waitFor(m_auth->login({}));
        const QString failure = m_auth->error().value_or(QString());
        QVERIFY(!failure.isEmpty());

        QVERIFY(openSheet());
        QVERIFY(m_qml->click(find(u"continueButton"_qs)));
        QVERIFY(QTest::qWaitFor([&] { return loginSheet() && loginSheet()->property("opened").toBool(); }, 3000));
        QObject *login = loginSheet();
        QVERIFY(find(u"loginError"_qs)->isVisible());
        QCOMPARE(find(u"loginErrorText"_qs)->property("text").toString(), failure);

        for (const QJsonValue &v : m_backend->signInCookies()) {
            const QJsonObject o = v.toObject();
            QNetworkCookie c(o.value(u"name").toString().toUtf8(), o.value(u"value").toString().toUtf8());
            c.setDomain(o.value(u"domain").toString());
            m_web->cookieAdded(c);
        }
        m_backend->delayPath(u"/api/auth/session"_qs, 400);
        auto *coordinator = login->findChild<LoginCoordinator *>();
        QVERIFY(coordinator);
        coordinator->pageFinished(QUrl(u"http://"_qs + WebSignIn::videoSiteDomain() + u"/signin/done"_qs));

        QVERIFY(QTest::qWaitFor([&] { return coordinator->finishing(); }, 2000));
        QVERIFY(!login->property("dismissable").toBool());
        QVERIFY(find(u"loginProgress"_qs)->isVisible());
        QVERIFY(textsIn(find(u"loginProgress"_qs)).contains(u"Conectando con tu cuenta…"_qs));
        QVERIFY(!find(u"loginError"_qs)->isVisible());

        QVERIFY(m_qml->click(find(u"loginCancel"_qs)));
        QVERIFY(QTest::qWaitFor([&] { return !loginSheet(); }, 3000));
        QVERIFY(!m_auth->account());
        QVERIFY(QTest::qWaitFor([&] { return m_auth->account().has_value(); }, 5000));
        // The account sheet stays, now signed in.
        QVERIFY(m_sheet->property("opened").toBool());
        QVERIFY(find(u"signOutButton"_qs)->isVisible());
    }
};

int main(int argc, char *argv[])
{
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);
    TestAccountScreens test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_accountscreens.moc"
