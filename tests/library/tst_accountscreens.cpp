#include "AppFixture.h"
#include "AppScheme.h"
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
        AccountAvatar { id: avatar; auth: root.store }
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

    bool load(QSize window = {})
    {
        m_auth = std::make_unique<AuthStore>(*m_keychain, *m_web);
        m_qml = std::make_unique<QmlHarness>();
        if (window.isValid())
            m_qml->window()->resize(window);
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
        return TestTime::wait(opened, 3000);
    }

    QObject *loginSheet() const
    {
        for (QObject *o : m_sheet->findChildren<QObject *>()) {
            if (o->inherits("QQuickPopup") && o->property("title").toString() == u"Iniciar sesión"_qs)
                return o;
        }
        return nullptr;
    }

    // The continue button of the signed-out account sheet presents the sign-in sheet.
    QObject *openLogin()
    {
        if (!m_qml->click(find(u"continueButton"_qs))
            || !TestTime::waitFor([&] { return loginSheet() && loginSheet()->property("opened").toBool(); }, 3000))
            return nullptr;
        return loginSheet();
    }

    // The shown parts of the account sheet, top to bottom, each where it is
    // drawn in the sheet's scrolled content; a text's lines may reach past
    // the box its layout gave it.
    QList<std::pair<QString, QRectF>> sheetParts(QQuickItem *content) const
    {
        QList<std::pair<QString, QRectF>> parts;
        for (const char *name : {"accountAvatar", "accountName", "accountHandle", "accountBlurb", "signOutButton",
                                 "accountMark", "signInTitle", "signInPitch", "continueButton", "signInNote"}) {
            QQuickItem *item = find(QString::fromLatin1(name));
            if (!item->isVisible())
                continue;
            const qreal drawn = item->inherits("QQuickText") ? item->property("contentHeight").toReal() : 0;
            parts.append({QString::fromLatin1(name),
                          item->mapRectToItem(content, QRectF(0, 0, item->width(), std::max(item->height(), drawn)))});
        }
        return parts;
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
        AppScheme::shared().setScheme(0);
        m_qml.reset();
        m_auth.reset();
    }

    // The account's picture, or its initial, while signed in; the person
    // symbol once signed out.
    void accountAvatar_data()
    {
        QTest::addColumn<QString>("avatarUrl"); // empty: none
        QTest::newRow("with a picture") << u"https://img.example/ana.jpg"_qs;
        QTest::newRow("without a picture: the initial") << QString();
    }
    void accountAvatar()
    {
        QFETCH(QString, avatarUrl);
        signIn(u"Ana"_qs, u"@ana"_qs, avatarUrl.isEmpty() ? std::nullopt : std::optional<QString>(avatarUrl));
        QVERIFY(load());
        auto *avatar = m_root->property("avatar").value<QQuickItem *>();
        QQuickItem *symbol = avatar->findChild<QQuickItem *>(u"accountSymbol"_qs);
        QQuickItem *view = avatar->findChild<QQuickItem *>(u"accountAvatarView"_qs);
        QVERIFY(view->isVisible() && !symbol->isVisible());
        QCOMPARE(view->property("name").toString(), u"Ana"_qs);
        QCOMPARE(view->property("url").toString(), avatarUrl);
        // Only the look shown is made.
        const auto shows = [view](const QString &name) {
            auto *item = view->findChild<QQuickItem *>(name);
            return item && item->isVisible();
        };
        QCOMPARE(shows(u"avatarFallback"_qs), avatarUrl.isEmpty());
        QCOMPARE(shows(u"avatarImage"_qs), !avatarUrl.isEmpty());

        QCoro::waitFor(m_auth->logout(false));
        QVERIFY(symbol->isVisible() && !view->isVisible());
    }

    // The account and sign-in sheets are raised over the page: in the dark
    // scheme their empty part is not the page's black; in the light one it stays white.
    void sheetsAreRaisedOverThePage_data()
    {
        QTest::addColumn<bool>("login");
        QTest::addColumn<int>("scheme");
        QTest::addColumn<QColor>("sheet");
        for (bool login : {false, true}) {
            const char *name = login ? "sign-in" : "account";
            QTest::addRow("%s, dark", name) << login << 2 << QColor(0x1C, 0x1C, 0x1E);
            QTest::addRow("%s, light", name) << login << 1 << QColor(Qt::white);
        }
    }
    void sheetsAreRaisedOverThePage()
    {
        QFETCH(bool, login);
        QFETCH(int, scheme);
        QFETCH(QColor, sheet);
        AppScheme::shared().setScheme(scheme);
        QVERIFY(load());
        QVERIFY(openSheet());
        QObject *shown = m_sheet;
        if (login)
            QVERIFY((shown = openLogin()));
        QTRY_COMPARE(shown->property("presentation").toDouble(), 1.0);
        QTest::qWait(100);
        const QImage shot = m_qml->window()->grabWindow();
        // Below everything on the sheet, at its left edge.
        const QPoint empty(4, m_qml->window()->height() - 4);
        QCOMPARE(shot.pixelColor(empty), sheet);
    }

    // Signed in: name, the handle only when there is one, and sign-out.
    void signedInSheet_data()
    {
        QTest::addColumn<QString>("handle"); // null: none
        QTest::newRow("with handle") << u"@Ana.Ruiz"_qs;
        QTest::newRow("without handle") << QString();
    }
    void signedInSheet()
    {
        QFETCH(QString, handle);
        signIn(u"Ana Ruiz"_qs, handle.isNull() ? std::nullopt : std::optional<QString>(handle), std::nullopt);
        QVERIFY(load());
        QVERIFY(openSheet());
        QCOMPARE(find(u"accountName"_qs)->property("text").toString(), u"Ana Ruiz"_qs);
        QCOMPARE(find(u"accountHandle"_qs)->isVisible(), !handle.isNull());
        QCOMPARE(find(u"accountHandle"_qs)->property("text").toString(), handle);
        QVERIFY(find(u"signOutButton"_qs)->isVisible());
        QVERIFY(!find(u"signInPitch"_qs)->isVisible());
    }

    void longAccountName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("handle");
        QTest::newRow("81 characters in words")
            << u"Ana María de los Ángeles Fernández-Villaverde y Rodríguez de la Fuente Castillo"_qs << u"@ana"_qs;
        QTest::newRow("81 characters, one word") << QString(81, u'W') << u"@ana"_qs;
        QTest::newRow("long handle") << u"Ana"_qs << u"@"_qs + QString(80, u'a');
    }
    // A long name wraps inside the sheet: nothing grows past the window and
    // "Cerrar sesión" is read whole.
    void longAccountName()
    {
        QFETCH(QString, name);
        QFETCH(QString, handle);
        signIn(name, handle, std::nullopt);
        QVERIFY(load());
        QVERIFY(openSheet());
        const qreal windowWidth = m_qml->window()->width();
        for (const QString &part : {u"accountName"_qs, u"accountHandle"_qs, u"signOutButton"_qs, u"accountBlurb"_qs}) {
            QQuickItem *item = find(part);
            QVERIFY2(item && item->isVisible(), qPrintable(part));
            const QRectF r = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
            QVERIFY2(r.left() >= 0 && r.right() <= windowWidth, qPrintable(part));
        }
        QCOMPARE(find(u"accountName"_qs)->property("text").toString(), name);
        auto *label = find(u"signOutButton"_qs)->property("contentItem").value<QQuickItem *>();
        QVERIFY(label->implicitWidth() <= label->width());
        QVERIFY(!label->property("truncated").toBool());
    }

    void sheetLayout_data()
    {
        QTest::addColumn<QString>("name"); // null: signed out
        QTest::addColumn<QString>("handle"); // null: none
        QTest::addColumn<QSize>("window");
        const QString longName = u"Ana María de los Ángeles Fernández-Villaverde y Rodríguez de la Fuente Castillo"_qs;
        const QString longHandle = u"@"_qs + QString(80, u'a');
        const struct {
            const char *name;
            QString account, handle;
        } accounts[] = {
            {"short name", u"Ana Ruiz"_qs, u"@ana"_qs},
            {"long name", longName, u"@ana"_qs},
            {"long name, one word", QString(81, u'W'), u"@ana"_qs},
            {"long handle", u"Ana"_qs, longHandle},
            {"long name and handle", longName, longHandle},
            {"no handle", u"Ana Ruiz"_qs, QString()},
            {"long name, no handle", longName, QString()},
            {"signed out", QString(), QString()},
        };
        const struct {
            const char *name;
            QSize size;
        } windows[] = {{"narrow", {320, 568}}, {"phone", {430, 932}}, {"wide", {1280, 800}}};
        for (const auto &w : windows)
            for (const auto &a : accounts)
                QTest::addRow("%s, %s", a.name, w.name) << a.account << a.handle << w.size;
    }
    // Signed in, avatar, name, handle, note and "Cerrar sesión" each keep
    // their own place, top to bottom, inside the sheet, as the sign-in pitch
    // does signed out; also after the window is made narrower or wider with
    // the sheet open.
    void sheetLayout()
    {
        QFETCH(QString, name);
        QFETCH(QString, handle);
        QFETCH(QSize, window);
        if (!name.isNull())
            signIn(name, handle.isNull() ? std::nullopt : std::optional<QString>(handle), std::nullopt);
        QVERIFY(load(window));
        QVERIFY(openSheet());
        QTRY_COMPARE(m_sheet->property("presentation").toDouble(), 1.0);
        QQuickItem *flick = find(u"signOutButton"_qs);
        while (flick && !flick->inherits("QQuickFlickable"))
            flick = flick->parentItem();
        QVERIFY(flick);
        QQuickItem *content = flick->property("contentItem").value<QQuickItem *>();

        for (const QSize size : {window, QSize(300, 640), QSize(1400, 700), window}) {
            m_qml->window()->resize(size);
            QTRY_COMPARE(flick->width(), qreal(size.width()));
            QTest::qWait(50);
            const QList<std::pair<QString, QRectF>> parts = sheetParts(content);
            QCOMPARE(parts.size(), name.isNull() || !handle.isNull() ? 5 : 4);
            // Within half a pixel: positions add up in floating point.
            const QRectF sheetArea = QRectF(0, 0, flick->width(), flick->property("contentHeight").toReal())
                                         .adjusted(-0.5, -0.5, 0.5, 0.5);
            for (qsizetype i = 0; i < parts.size(); ++i) {
                const auto &[part, r] = parts.at(i);
                const QByteArray where = QStringLiteral("%1 at %2x%3: %4,%5 %6x%7")
                                             .arg(part).arg(size.width()).arg(size.height())
                                             .arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toUtf8();
                QVERIFY2(sheetArea.contains(r), where.constData());
                if (i > 0) {
                    const auto &[above, a] = parts.at(i - 1);
                    QVERIFY2(a.bottom() <= r.top() + 0.5, qPrintable(where + " overlaps " + above));
                }
            }
        }
    }

    // The sheet stays while the server is asked and closes once the store has signed out.
    void signOutClosesAfterTheStoreIsDone()
    {
        signIn(u"Usuario de prueba"_qs, u"@prueba"_qs, std::nullopt);
        QVERIFY(load());
        QVERIFY(openSheet());
        m_backend->delayPath(u"/api/me"_qs, 300);
        QSignalSpy closed(m_sheet, SIGNAL(closed()));

        QVERIFY(m_qml->click(find(u"signOutButton"_qs)));
        QTest::qWait(100);
        QVERIFY(m_sheet->property("opened").toBool());
        QVERIFY(m_auth->account());

        QVERIFY(TestTime::wait(closed, 5000));
        QVERIFY(!m_auth->account());
    }

    // Signed out the sheet shows the pitch and opens the sign-in sheet. While
    // exchanging that is dimmed, shows progress and cannot be dragged away;
    // "Cancelar" still closes it at once and the store signs in anyway.
    void signInFromTheAccountSheet()
    {
        QVERIFY(load());
        // An earlier failure shows on a newly opened sheet until the next exchange starts.
        QCoro::waitFor(m_auth->login({}));
        const QString failure = m_auth->error().value_or(QString());
        QVERIFY(!failure.isEmpty());

        QVERIFY(openSheet());
        QVERIFY(find(u"signInPitch"_qs)->isVisible());
        QVERIFY(!find(u"signOutButton"_qs)->isVisible());
        QObject *login = openLogin();
        QVERIFY(login);
        QVERIFY(login->property("dismissable").toBool());
        QVERIFY(!find(u"loginProgress"_qs)->isVisible());
        QCOMPARE(find(u"loginErrorText"_qs)->property("text").toString(), failure);
        QVERIFY(find(u"loginError"_qs)->isVisible());

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

        QVERIFY(TestTime::waitFor([&] { return coordinator->finishing(); }, 2000));
        QVERIFY(!login->property("dismissable").toBool());
        QVERIFY(find(u"loginProgress"_qs)->isVisible());
        QVERIFY(!find(u"loginError"_qs)->isVisible());

        QVERIFY(m_qml->click(find(u"loginCancel"_qs)));
        QVERIFY(TestTime::waitFor([&] { return !loginSheet(); }, 3000));
        QVERIFY(!m_auth->account());
        QVERIFY(TestTime::waitFor([&] { return m_auth->account().has_value(); }, 5000));
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
