#include "Defaults.h"
#include "Pref.h"
#include "TestDirs.h"

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
};

QTEST_MAIN(TestPref)
#include "tst_pref.moc"
