#include "AppFixture.h"
#include "AuthStore.h"
#include "Defaults.h"
#include "LibraryStore.h"
#include "MemoryKeychain.h"
#include "QmlHarness.h"
#include "Router.h"
#include "WebSignIn.h"

#include <QGuiApplication>
#include <QJSValue>
#include <QTest>
#include <memory>

namespace {

// The settings screen over stores of its own, in a window tall enough for
// every row.
struct SettingsScreen
{
    SettingsScreen(MemoryKeychain &keychain, WebSignIn &web) : auth(keychain, web) {}

    AuthStore auth;
    LibraryStore library;
    Router router;
    QmlHarness qml;

    QQuickItem *load()
    {
        qml.window()->resize(430, 3000);
        return qml.load(QUrl(u"qrc:/Nimbelora/Settings/qml/SettingsView.qml"_qs),
                        {{u"library"_qs, QVariant::fromValue(&library)}, {u"auth"_qs, QVariant::fromValue(&auth)},
                         {u"router"_qs, QVariant::fromValue(&router)}});
    }
};

} // namespace

class TestSettingsView : public QObject
{
    Q_OBJECT

    AppFixture m_backend;
    std::unique_ptr<WebSignIn> m_web;

    static bool shown(QQuickItem *root, const QString &name)
    {
        QQuickItem *item = QmlHarness::findIn(root, name);
        return item && item->isVisible();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_backend.start(), qPrintable(m_backend.error()));
        m_web = std::make_unique<WebSignIn>(WebSignIn::Backing::Memory);
    }
    void init() { AppFixture::clearData(); }

    void account_data()
    {
        QTest::addColumn<bool>("signedIn");
        QTest::newRow("signed out") << false;
        QTest::newRow("signed in") << true;
    }

    // The account row, the sync switch and the footer follow the account;
    // "Qué saltar" follows "Saltar patrocinios".
    void account()
    {
        QFETCH(bool, signedIn);
        MemoryKeychain keychain;
        if (signedIn) {
            keychain.set(QString::fromLatin1(AuthStore::sessionKey), u"s1.x.y.z"_qs);
            Defaults::shared().setValue(QString::fromLatin1(AuthStore::accountKey), u"{\"name\":\"Ana\"}"_qs);
        }
        SettingsScreen screen(keychain, *m_web);
        QQuickItem *root = screen.load();
        QVERIFY2(root, qPrintable(screen.qml.errors()));
        QQuickItem *account = QmlHarness::findIn(root, u"accountRow"_qs);
        QCOMPARE(account->property("text").toString(), signedIn ? u"Ana"_qs : u"Iniciar sesión con YouTube"_qs);
        QCOMPARE(account->property("subtitle").toString(),
                 signedIn ? u"Cuenta conectada"_qs : u"Recomendaciones, suscripciones e historial"_qs);
        QCOMPARE(shown(root, u"syncRow"_qs), signedIn);
        QCOMPARE(QmlHarness::findIn(root, u"accountSection"_qs)->property("footer").toString().isEmpty(), !signedIn);

        QVERIFY(shown(root, u"sponsorCategoriesRow"_qs));
        QVERIFY(screen.qml.click(QmlHarness::findIn(root, u"skipSponsorsRow"_qs)));
        QVERIFY(!Defaults::shared().boolValue(u"pref.skipSponsors"_qs));
        QVERIFY(!shown(root, u"sponsorCategoriesRow"_qs));
        QTRY_VERIFY(QmlHarness::findIn(root, u"updateBadge"_qs)->isVisible());
    }

    // However long a row's value, its title is read whole.
    void rowTitlesStayWhole_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("resumeMode");
        QTest::newRow("resume, short value") << u"Al reabrir un vídeo"_qs << 1;
        QTest::newRow("resume, long value") << u"Al reabrir un vídeo"_qs << 0;
        QTest::newRow("break reminder") << u"Recordatorio de descanso"_qs << 0;
        QTest::newRow("headphones") << u"Pausar al desconectar auriculares"_qs << 0;
        QTest::newRow("mobile data") << u"Con datos móviles"_qs << 0;
    }

    void rowTitlesStayWhole()
    {
        QFETCH(QString, title);
        QFETCH(int, resumeMode);
        Defaults::shared().setValue(u"pref.resumeMode"_qs, resumeMode);
        MemoryKeychain keychain;
        SettingsScreen screen(keychain, *m_web);
        QQuickItem *root = screen.load();
        QVERIFY2(root, qPrintable(screen.qml.errors()));
        QQuickItem *label = nullptr;
        for (QQuickItem *t : QmlHarness::findAllIn(root, u"groupedRowTitle"_qs))
            if (t->property("text").toString() == title)
                label = t;
        QVERIFY(label);
        QVERIFY(!label->property("truncated").toBool());
        QVERIFY(label->property("contentWidth").toDouble() <= label->width() + 0.5);
        // The value beside it ends inside the row, clear of the title.
        QQuickItem *row = label;
        while (row && !row->inherits("QQuickAbstractButton"))
            row = row->parentItem();
        QVERIFY(row);
        for (QQuickItem *value : QmlHarness::findAllIn(row, u"pickerValue"_qs)) {
            const QRectF v = value->mapRectToScene(QRectF(0, 0, value->width(), value->height()));
            const QRectF t = label->mapRectToScene(QRectF(0, 0, label->width(), label->height()));
            QVERIFY(v.left() >= t.right());
            QVERIFY(v.right() <= row->mapToScene(QPointF(row->width(), 0)).x());
        }
    }

    // Each row shows its own setting and writes that one: a picker shows the
    // stored choice and stores the one picked, a switch flips its Bool.
    void rowsWriteTheirSetting_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("shown"); // the picker's label for the default; empty for a switch
        QTest::addColumn<int>("pick");
        QTest::addColumn<QVariant>("written");
        QTest::newRow("quality") << u"Calidad preferida"_qs << u"pref.quality"_qs << u"720p HD"_qs << 1 << QVariant(360);
        QTest::newRow("boost, a Double") << u"Mantener pulsado"_qs << u"pref.boostSpeed"_qs << u"×2"_qs << 0 << QVariant(1.5);
        QTest::newRow("appearance") << u"Apariencia"_qs << u"pref.theme"_qs << u"Sistema"_qs << 2 << QVariant(2);
        QTest::newRow("seek step") << u"Saltos con doble toque"_qs << u"pref.seekStep"_qs << u"10 segundos"_qs << 3 << QVariant(30);
        QTest::newRow("autoplay") << u"Reproducción automática"_qs << u"pref.autoplay"_qs << QString() << -1 << QVariant(false);
        QTest::newRow("incognito") << u"Modo incógnito"_qs << u"pref.incognito"_qs << QString() << -1 << QVariant(true);
    }

    void rowsWriteTheirSetting()
    {
        QFETCH(QString, title);
        QFETCH(QString, key);
        QFETCH(QString, shown);
        QFETCH(int, pick);
        QFETCH(QVariant, written);
        MemoryKeychain keychain;
        SettingsScreen screen(keychain, *m_web);
        QQuickItem *root = screen.load();
        QVERIFY2(root, qPrintable(screen.qml.errors()));
        QQuickItem *row = nullptr;
        for (QQuickItem *t : QmlHarness::findAllIn(root, u"groupedRowTitle"_qs))
            if (t->property("text").toString() == title)
                row = t;
        while (row && !row->inherits("QQuickAbstractButton"))
            row = row->parentItem();
        QVERIFY(row);
        const QVariantMap before = Defaults::shared().registeredDefaults();
        if (pick >= 0) {
            QCOMPARE(QmlHarness::findIn(row, u"pickerValue"_qs)->property("text").toString(), shown);
            QObject *menu = row->findChild<QObject *>(u"pickerMenu"_qs);
            QVERIFY(menu);
            // A click anywhere on the row opens the menu, on the value above all.
            for (const QString &part : {u"groupedRowTitle"_qs, u"pickerValue"_qs, u"pickerChevron"_qs}) {
                QVERIFY(screen.qml.click(QmlHarness::findIn(row, part)));
                QVERIFY2(TestTime::waitFor([&] { return menu->property("opened").toBool(); }, 2000), qPrintable(part));
                QVERIFY(QMetaObject::invokeMethod(menu, "close"));
                QTRY_VERIFY(!menu->property("_menu").value<QObject *>()->property("visible").toBool());
            }
            // The menu marks the stored choice, and only it.
            QVERIFY(QMetaObject::invokeMethod(menu, "popup", Q_ARG(QVariant, 0), Q_ARG(QVariant, 0)));
            QVariant model = menu->property("model");
            if (model.canConvert<QJSValue>())
                model = model.value<QJSValue>().toVariant();
            QStringList checked;
            for (const QVariant &e : model.toList())
                if (e.toMap().value(u"symbol"_qs) == u"checkmark"_qs)
                    checked << e.toMap().value(u"title"_qs).toString();
            QCOMPARE(checked, QStringList{shown});
            QVERIFY(QMetaObject::invokeMethod(menu, "close"));
            QVERIFY(QMetaObject::invokeMethod(menu, "triggered", Q_ARG(int, pick), Q_ARG(QVariant, QVariant())));
        } else {
            QCOMPARE(QmlHarness::findIn(row, u"toggleSwitch"_qs)->property("checked").toBool(), !written.toBool());
            QVERIFY(screen.qml.click(row));
            QCOMPARE(QmlHarness::findIn(row, u"toggleSwitch"_qs)->property("checked").toBool(), written.toBool());
        }
        QCOMPARE(Defaults::shared().value(key), written);
        // Nothing else moved.
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            if (it.key() != key)
                QVERIFY2(!Defaults::shared().contains(it.key()), qPrintable(it.key()));
    }

    // When the screen first shows, the icon in use lies whole inside the
    // icon strip, wherever it is in the row, also when the screen gets its
    // width a moment after it is made (as in the app's window).
    void iconInUseShownAtFirst_data()
    {
        QTest::addColumn<QString>("alt");
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("late");
        for (bool late : {false, true}) {
            const char *when = late ? "width later" : "width at once";
            QTest::addRow("first, %s", when) << QString() << u"classic"_qs << late;
            QTest::addRow("middle, %s", when) << u"AppIcon-ocean"_qs << u"ocean"_qs << late;
            QTest::addRow("last, %s", when) << u"AppIcon-gold"_qs << u"gold"_qs << late;
        }
    }
    void iconInUseShownAtFirst()
    {
        QFETCH(QString, alt);
        QFETCH(QString, id);
        QFETCH(bool, late);
        if (!alt.isEmpty())
            Defaults::shared().setValue(u"appIcon"_qs, alt);
        MemoryKeychain keychain;
        SettingsScreen screen(keychain, *m_web);
        QQuickItem *root = nullptr;
        if (late) {
            screen.qml.window()->resize(430, 3000);
            root = screen.qml.loadSource(
                "import QtQuick\nimport Nimbelora.Settings\n"
                "Item { id: page\n"
                "  property var library; property var auth; property var router\n"
                "  property real laidOut: 0\n"
                "  Timer { running: true; interval: 20; onTriggered: page.laidOut = page.width }\n"
                "  SettingsView { width: page.laidOut; height: page.height; library: page.library; auth: page.auth; router: page.router }\n"
                "}\n",
                {{u"library"_qs, QVariant::fromValue(&screen.library)}, {u"auth"_qs, QVariant::fromValue(&screen.auth)},
                 {u"router"_qs, QVariant::fromValue(&screen.router)}});
        } else {
            root = screen.load();
        }
        QVERIFY2(root, qPrintable(screen.qml.errors()));
        QQuickItem *option = nullptr;
        QTRY_VERIFY((option = QmlHarness::findIn(root, u"icon-"_qs + id)) && option->width() > 0);
        QQuickItem *strip = option;
        while (strip && !strip->inherits("QQuickFlickable"))
            strip = strip->parentItem();
        QVERIFY(strip);
        QTRY_VERIFY(strip->width() > 0);
        QTest::qWait(300); // past any glide
        const QRectF seen = strip->mapRectToScene(QRectF(0, 0, strip->width(), strip->height()));
        const QRectF at = option->mapRectToScene(QRectF(0, 0, option->width(), option->height()));
        QVERIFY2(at.left() >= seen.left() - 0.5 && at.right() <= seen.right() + 0.5,
                 qPrintable(u"icon %1..%2, strip %3..%4"_qs.arg(at.left()).arg(at.right()).arg(seen.left()).arg(seen.right())));
        Defaults::shared().remove(u"appIcon"_qs);
    }

    // A switch of the home chooser lists its id as hidden, keeping the rest.
    void homeChooser()
    {
        Defaults::shared().setValue(u"pref.hiddenCats"_qs, u"foryou"_qs);
        QmlHarness qml;
        qml.window()->resize(430, 932);
        QQuickItem *root = qml.load(QUrl(u"qrc:/Nimbelora/Settings/qml/CategoriesScreen.qml"_qs));
        QVERIFY2(root, qPrintable(qml.errors()));
        QVERIFY(!QmlHarness::findIn(root, u"category-foryou"_qs));
        QVERIFY(qml.click(QmlHarness::findIn(root, u"category-news"_qs)));
        QCOMPARE(Defaults::shared().stringValue(u"pref.hiddenCats"_qs), u"foryou,news"_qs);
        QVERIFY(!QmlHarness::findIn(root, u"category-news"_qs)->property("isOn").toBool());
    }
};

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    TestSettingsView test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settingsview.moc"
