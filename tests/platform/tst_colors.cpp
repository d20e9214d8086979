#include "AppScheme.h"
#include "ColorScheme.h"
#include "Colors.h"
#include "QmlHarness.h"
#include "TextStyle.h"
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QFontDatabase>
#include <QSignalSpy>
#include <QTest>

namespace {

// A desktop portal answering the appearance setting, on its own connection.
class FakePortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    uint scheme = 1;

public slots:
    QDBusVariant Read(const QString &ns, const QString &key)
    {
        if (ns != "org.freedesktop.appearance" || key != "color-scheme")
            return QDBusVariant(QVariant(QString()));
        // The portal wraps the value in a second variant.
        return QDBusVariant(QVariant::fromValue(QDBusVariant(scheme)));
    }
};

} // namespace

class TestColors : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        AppScheme::shared().setScheme(0);
        ColorScheme::shared().setDark(false);
    }

    // Every role's and named colour's QML property is wired to its own
    // colour and follows the app's scheme.
    void everyColourFollowsTheScheme()
    {
        QObject owner;
        Colors c(&owner);
        auto &scheme = AppScheme::shared();
        auto check = [&](const QMetaEnum &keys, auto colorOf) {
            for (int i = 0; i < keys.keyCount(); ++i) {
                const QByteArray name = keys.key(i);
                const QByteArray property = name.left(1).toLower() + name.mid(1);
                const QColor light = colorOf(keys.value(i), false), dark = colorOf(keys.value(i), true);
                scheme.setScheme(1);
                QCOMPARE(c.property(property).value<QColor>(), light);
                scheme.setScheme(2);
                QCOMPARE(c.property(property).value<QColor>(), dark);
                QVERIFY2(name == "Gray" || light != dark, name.constData());
            }
        };
        check(QMetaEnum::fromType<Colors::Role>(), [](int v, bool d) { return Colors::color(Colors::Role(v), d); });
        check(QMetaEnum::fromType<Colors::Named>(), [](int v, bool d) { return Colors::named(Colors::Named(v), d); });
        QCOMPARE(c.property("destructive").value<QColor>(), QColor(0xFF, 0x45, 0x3A));
        scheme.setScheme(1);
        QCOMPARE(c.property("destructive").value<QColor>(), QColor(0xFF, 0x3B, 0x30));
    }

    void schemeAndSystemDecideDark_data()
    {
        QTest::addColumn<int>("scheme");
        QTest::addColumn<bool>("systemDark");
        QTest::addColumn<bool>("dark");
        QTest::newRow("system light") << 0 << false << false;
        QTest::newRow("system dark") << 0 << true << true;
        QTest::newRow("light over dark system") << 1 << true << false;
        QTest::newRow("dark over light system") << 2 << false << true;
        QTest::newRow("unknown value means system") << 7 << true << true;
        QTest::newRow("negative means system") << -1 << false << false;
    }

    void schemeAndSystemDecideDark()
    {
        QFETCH(int, scheme);
        QFETCH(bool, systemDark);
        QFETCH(bool, dark);
        auto &p = AppScheme::shared();
        QObject owner;
        Colors colors(&owner);
        QSignalSpy darkChanged(&p, &AppScheme::darkChanged);
        ColorScheme::shared().setDark(systemDark);
        p.setScheme(scheme);
        QCOMPARE(p.systemDark(), systemDark);
        QCOMPARE(p.dark(), dark);
        QCOMPARE(colors.label(), dark ? QColor(Qt::white) : QColor(Qt::black));
        // From light: one flip when the system turns dark, one more when the scheme overrides it.
        const int flips = int(systemDark) + int(systemDark != dark);
        QCOMPARE(darkChanged.size(), flips);
    }

    void followsTheSystemLive()
    {
        auto &p = AppScheme::shared();
        QSignalSpy darkChanged(&p, &AppScheme::darkChanged);
        QSignalSpy systemChanged(&p, &AppScheme::systemDarkChanged);
        ColorScheme::shared().setDark(true);
        QVERIFY(p.dark());
        p.setScheme(1);
        QVERIFY(!p.dark());
        ColorScheme::shared().setDark(false); // no visible change while forced light
        ColorScheme::shared().setDark(true);
        QVERIFY(!p.dark());
        QCOMPARE(darkChanged.size(), 2);
        QCOMPARE(systemChanged.size(), 3);
    }

    void portalValues_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("expected"); // -1: not a scheme value
        QTest::newRow("prefer dark") << QVariant(1u) << 1;
        QTest::newRow("no preference") << QVariant(0u) << 0;
        QTest::newRow("prefer light") << QVariant(2u) << 0;
        QTest::newRow("wrapped") << QVariant::fromValue(QDBusVariant(1u)) << 1;
        QTest::newRow("wrapped twice") << QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(1u))))
                                       << 1;
        QTest::newRow("text") << QVariant("1") << -1;
        QTest::newRow("nothing") << QVariant() << -1;
    }

    void portalValues()
    {
        QFETCH(QVariant, value);
        QFETCH(int, expected);
        const auto dark = ColorScheme::darkFromValue(value);
        QCOMPARE(dark.has_value(), expected >= 0);
        if (dark)
            QCOMPARE(*dark, expected == 1);
    }

    // Reads the portal over a real session bus, then follows its change signal.
    void readsAndFollowsThePortal()
    {
        QDBusConnection service = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-portal");
        if (!service.isConnected())
            QSKIP("no session bus");
        if (service.interface()->isServiceRegistered("org.freedesktop.portal.Desktop"))
            QSKIP("a real desktop portal is running");
        FakePortal portal;
        QVERIFY(service.registerObject("/org/freedesktop/portal/desktop", &portal, QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService("org.freedesktop.portal.Desktop"));

        auto &scheme = ColorScheme::shared();
        scheme.start();
        QTRY_VERIFY(scheme.dark());

        auto signal = [&](uint value, const QString &key = "color-scheme") {
            QDBusMessage m = QDBusMessage::createSignal("/org/freedesktop/portal/desktop",
                                                        "org.freedesktop.portal.Settings", "SettingChanged");
            m << QString("org.freedesktop.appearance") << key << QVariant::fromValue(QDBusVariant(value));
            QVERIFY(service.send(m));
        };
        signal(2);
        QTRY_VERIFY(!scheme.dark());
        signal(1);
        QTRY_VERIFY(scheme.dark());

        signal(0, "accent-color"); // other settings do not count
        signal(1);
        QTest::qWait(100);
        QVERIFY(scheme.dark());

        service.unregisterService("org.freedesktop.portal.Desktop");
        QDBusConnection::disconnectFromBus("fake-portal");
    }

    // After the portal test: the harness starts following the real portal.
    void qmlBindingsFollowDark()
    {
        QmlHarness h;
        QQuickItem *root = h.loadSource(R"(
            import Nimbelora.Platform
            import QtQuick
            Rectangle {
                color: Colors.background
                property color text: Colors.label
                property bool dark: AppScheme.dark
                property string tileName: "pink"
                property color tile: Colors[tileName]
                property int headline: TextStyle.headline.pixelSize
                property color faint: Colors.alpha(Colors.label, 0.08)
                property color opaque: Colors.alpha(Colors.secondaryLabel, 1)
            })");
        QVERIFY2(root, qPrintable(h.errors()));
        AppScheme::shared().setScheme(1);
        QCOMPARE(root->property("color").value<QColor>().rgba(), QColor(Qt::white).rgba());
        QCOMPARE(root->property("text").value<QColor>().rgba(), QColor(Qt::black).rgba());
        QCOMPARE(root->property("tile").value<QColor>(), QColor(0xFF, 0x2D, 0x55));
        // Another opacity in place of the colour's own, following the scheme.
        auto faint = [&] { return root->property("faint").value<QColor>(); };
        QCOMPARE(faint().rgb(), QColor(Qt::black).rgb());
        QCOMPARE(qRound(faint().alphaF() * 100), 8);
        QCOMPARE(root->property("opaque").value<QColor>().rgba(), QColor(60, 60, 67).rgba());
        AppScheme::shared().setScheme(2);
        QCOMPARE(faint().rgb(), QColor(Qt::white).rgb());
        QCOMPARE(qRound(faint().alphaF() * 100), 8);
        QCOMPARE(root->property("tile").value<QColor>(), QColor(0xFF, 0x37, 0x5F));
        root->setProperty("tileName", "blue");
        QCOMPARE(root->property("tile").value<QColor>(), QColor(0x0A, 0x84, 0xFF));
        QVERIFY(root->property("dark").toBool());
        QCOMPARE(root->property("color").value<QColor>().rgba(), QColor(Qt::black).rgba());
        QCOMPARE(root->property("text").value<QColor>().rgba(), QColor(Qt::white).rgba());
        QCOMPARE(root->property("headline").toInt(), 17);
    }

    // A surface's override reaches its children, the content of a popup
    // declared in it and an item loaded into it; the nearest one wins.
    void scopedOverride()
    {
        AppScheme::shared().setScheme(1);
        QmlHarness h;
        QVERIFY2(h.loadSource(R"(
            import QtQuick
            import QtQuick.Templates as T
            import Nimbelora.Platform as Platform
            Item {
                Text { objectName: "outside"; color: Platform.Colors.label }
                Item {
                    Platform.Colors.dark: true
                    Text { objectName: "child"; color: Platform.Colors.label }
                    T.Popup { parent: T.Overlay.overlay; visible: true; contentItem: Text { objectName: "inPopup"; color: Platform.Colors.label } }
                    Loader { active: false; Component.onCompleted: active = true; sourceComponent: Text { objectName: "loaded"; color: Platform.Colors.label } }
                    Item { Platform.Colors.dark: false; Text { objectName: "nested"; color: Platform.Colors.label } }
                }
            })"), qPrintable(h.errors()));
        auto dark = [&](const char *name) {
            QQuickItem *text = h.find(QString::fromLatin1(name));
            return text && text->property("color").value<QColor>() == Colors::color(Colors::Label, true);
        };
        QTRY_VERIFY(dark("child") && dark("inPopup") && dark("loaded"));
        QVERIFY(!dark("outside") && !dark("nested"));
        AppScheme::shared().setScheme(2);
        QVERIFY(dark("outside") && !dark("nested"));
    }

    void textStylesUseInterWhenInstalled()
    {
        const auto &t = TextStyle::shared();
        const QString expected = QFontDatabase::families().contains("Inter")
                                     ? QStringLiteral("Inter")
                                     : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
        for (const QFont &f : {t.largeTitle(), t.headline(), t.body(), t.caption2()})
            QCOMPARE(f.family(), expected);
        QCOMPARE(t.font(0).pixelSize(), 1); // a zero size would make QFont warn and ignore it
    }
};

QTEST_MAIN(TestColors)
#include "tst_colors.moc"
