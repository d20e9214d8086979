#include "Defaults.h"
#include "Haptics.h"
#include "Pref.h"
#include "Preferences.h"
#include "QmlHarness.h"
#include "TestDirs.h"

#include <QMetaProperty>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>

// How stored values, re-registering and the file behave is the settings
// store's own test (tst_defaults); here the 24 defaults as the app must
// register them, each read through the getter of its type.
class TestPref : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestDirs::isolate();
        Defaults::useMemory();
        Pref::registerDefaults();
    }

    void defaultReadsAsListed_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        auto row = [](const char *key, QVariant value) { QTest::newRow(key) << QString::fromLatin1(key) << value; };
        row("pref.quality", qint64(720)), row("pref.autoplay", true);
        row("pref.skipSponsors", true), row("pref.haptics", true);
        row("pref.sync", true), row("pref.speed", 1.0);
        row("pref.captions", false), row("pref.cellularCap", qint64(0));
        row("pref.theme", qint64(0)), row("pref.showProgress", true);
        row("pref.seekStep", qint64(10)), row("pref.boostSpeed", 2.0);
        row("pref.captionSize", 1.0), row("pref.captionBg", true);
        row("pref.resumeMode", qint64(0)), row("pref.incognito", false);
        row("pref.breakReminder", qint64(0)), row("pref.countdown", true);
        row("pref.homeLayout", qint64(0)), row("pref.hideWatched", false);
        row("pref.hiddenCats", QString()), row("pref.onboarded", false);
        row("pref.pauseOnUnplug", true), row("pref.sponsorCats", QStringLiteral("sponsor,selfpromo,interaction,intro,outro"));
    }

    void defaultReadsAsListed()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        Defaults &d = Defaults::shared();
        QVERIFY(!d.contains(key));
        QCOMPARE(d.value(key).metaType(), value.metaType());
        switch (value.metaType().id()) {
        case QMetaType::Bool: QCOMPARE(d.boolValue(key), value.toBool()); break;
        case QMetaType::LongLong: QCOMPARE(d.intValue(key), value.toLongLong()); break;
        case QMetaType::Double: QCOMPARE(d.doubleValue(key), value.toDouble()); break;
        default: QCOMPARE(d.stringValue(key), value.toString()); break;
        }
    }

    void registersNothingElse() { QCOMPARE(Defaults::shared().registeredDefaults().size(), 24); }

    void cleanup() { Defaults::useMemory(); }

    void keys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("fallback");
        for (const Pref::Entry &e : Pref::table())
            QTest::newRow(e.key.data()) << QString(e.key) << e.value;
    }

    // Each key is a property of its own type that reads the store, writes
    // it, and notifies for its own key only, whoever changed it.
    void keys()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, fallback);
        Preferences &prefs = Preferences::shared();
        const QByteArray name = key.mid(5).toLatin1();
        const QMetaProperty property = prefs.metaObject()->property(prefs.metaObject()->indexOfProperty(name));
        QVERIFY2(property.isValid() && property.isWritable() && property.hasNotifySignal(), name.constData());
        QCOMPARE(property.metaType(), fallback.metaType());
        QCOMPARE(property.read(&prefs), fallback);

        QVariant other;
        switch (fallback.metaType().id()) {
        case QMetaType::Bool: other = !fallback.toBool(); break;
        case QMetaType::LongLong: other = QVariant::fromValue(fallback.toLongLong() + 5); break;
        case QMetaType::Double: other = fallback.toDouble() + 0.5; break;
        default: other = fallback.toString() + u",x"_qs; break;
        }
        QSignalSpy notified(&prefs, property.notifySignal());
        QVERIFY(property.write(&prefs, other));
        QCOMPARE(Defaults::shared().value(key), other);
        QCOMPARE(property.read(&prefs), other);
        QCOMPARE(notified.size(), 1);
        QVERIFY(property.write(&prefs, other)); // unchanged: no news
        QCOMPARE(notified.size(), 1);
        Defaults::shared().remove(key);
        QCOMPARE(property.read(&prefs), fallback);
        QCOMPARE(notified.size(), 2);
        Defaults::shared().setValue(key == Pref::onboarded ? Pref::incognito : Pref::onboarded, true);
        QCOMPARE(notified.size(), 2);
    }

    // Every menu offers the key's default, in the key's type, each value once.
    void choices_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("fallback");
        QTest::addColumn<int>("count");
        auto row = [](QLatin1StringView key, int count) {
            QTest::newRow(key.data()) << QString(key) << Pref::defaults().value(key) << count;
        };
        row(Pref::quality, 5), row(Pref::cellularCap, 4), row(Pref::resumeMode, 2), row(Pref::seekStep, 4);
        row(Pref::boostSpeed, 3), row(Pref::breakReminder, 4), row(Pref::theme, 3), row(Pref::homeLayout, 2);
    }

    void choices()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, fallback);
        QFETCH(int, count);
        const QVariantList list = Pref::choices(QLatin1StringView(key.toLatin1()));
        QCOMPARE(list.size(), count);
        QVariantList values;
        for (const QVariant &c : list) {
            const QVariantMap m = c.toMap();
            QVERIFY(!m.value(u"label"_qs).toString().isEmpty());
            QCOMPARE(m.value(u"value"_qs).metaType(), fallback.metaType());
            QVERIFY(!values.contains(m.value(u"value"_qs)));
            values << m.value(u"value"_qs);
        }
        QVERIFY(values.contains(fallback));
        const QByteArray property = key.mid(5).toLatin1() + "Choices";
        QCOMPARE(Preferences::shared().property(property).toList(), list);
    }

    // Haptics sit below the settings and are told: whoever writes the key,
    // in whatever form a file holds it, and after a fresh store.
    void hapticsFollowTheSetting()
    {
        auto &h = Haptics::shared();
        h.clear();
        h.light();
        Defaults::shared().setValue(QString(Pref::haptics), false);
        h.success();
        Preferences::shared().setHaptics(true);
        h.light();
        Defaults::shared().setValue(QString(Pref::haptics), "false"); // as an INI file would hold it
        h.success();
        Defaults::shared().remove(QString(Pref::haptics)); // back to the registered default: on
        h.success();
        QCOMPARE(h.given(), (QStringList{"light", "light", "success"}));

        Defaults::shared().setValue(QString(Pref::haptics), false);
        Defaults::useMemory(); // a fresh store: the default again, without a per-key signal
        h.light();
        QCOMPARE(h.given().size(), 4);
        h.clear();
    }

    void keysWithoutAMenuOfferNone() { QVERIFY(Pref::choices(Pref::autoplay).isEmpty()); }

    // QML bindings follow the store, and QML writes land in it.
    void qmlBindsAndWrites()
    {
        QmlHarness h;
        QQuickItem *root = h.loadSource(R"(
            import QtQuick
            import Nimbelora.Foundation
            Item {
                property bool shown: Preferences.showProgress
                property int step: Preferences.seekStep
                property string firstSpeed: Preferences.boostSpeedChoices[0].label
                function choose(v) { Preferences.seekStep = v }
            })");
        QVERIFY2(root, qPrintable(h.errors()));
        QCOMPARE(root->property("shown").toBool(), true);
        Defaults::shared().setValue(Pref::showProgress, false);
        QCOMPARE(root->property("shown").toBool(), false);
        QMetaObject::invokeMethod(root, "choose", Q_ARG(QVariant, 30));
        QCOMPARE(Defaults::shared().intValue(Pref::seekStep), 30);
        QCOMPARE(root->property("step").toInt(), 30);
        QCOMPARE(root->property("firstSpeed").toString(), u"×1,5"_qs);
    }
};

QTEST_MAIN(TestPref)
#include "tst_pref.moc"
