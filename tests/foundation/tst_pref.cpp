#include "Defaults.h"
#include "Pref.h"
#include "TestDirs.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>

class TestPref : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void registeredDefault_data();
    void registeredDefault();
    void tableHasEveryKeyOnce();
    void storedValueWins();
    void storedValueSurvivesTheFile();

private:
    static QVariant i64(qint64 v) { return QVariant::fromValue(v); }
};

void TestPref::initTestCase()
{
    TestDirs::isolate();
}

void TestPref::init()
{
    Defaults::useMemory();
    Pref::registerDefaults();
}

// The settings as users of each key expect them, written out independently
// of the table under test.
void TestPref::registeredDefault_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("quality") << "pref.quality" << i64(720);
    QTest::newRow("autoplay") << "pref.autoplay" << QVariant(true);
    QTest::newRow("skipSponsors") << "pref.skipSponsors" << QVariant(true);
    QTest::newRow("haptics") << "pref.haptics" << QVariant(true);
    QTest::newRow("sync") << "pref.sync" << QVariant(true);
    QTest::newRow("speed") << "pref.speed" << QVariant(1.0);
    QTest::newRow("captions") << "pref.captions" << QVariant(false);
    QTest::newRow("cellularCap") << "pref.cellularCap" << i64(0);
    QTest::newRow("theme") << "pref.theme" << i64(0);
    QTest::newRow("showProgress") << "pref.showProgress" << QVariant(true);
    QTest::newRow("seekStep") << "pref.seekStep" << i64(10);
    QTest::newRow("boostSpeed") << "pref.boostSpeed" << QVariant(2.0);
    QTest::newRow("captionSize") << "pref.captionSize" << QVariant(1.0);
    QTest::newRow("captionBg") << "pref.captionBg" << QVariant(true);
    QTest::newRow("resumeMode") << "pref.resumeMode" << i64(0);
    QTest::newRow("incognito") << "pref.incognito" << QVariant(false);
    QTest::newRow("breakReminder") << "pref.breakReminder" << i64(0);
    QTest::newRow("countdown") << "pref.countdown" << QVariant(true);
    QTest::newRow("homeLayout") << "pref.homeLayout" << i64(0);
    QTest::newRow("hideWatched") << "pref.hideWatched" << QVariant(false);
    QTest::newRow("hiddenCats") << "pref.hiddenCats" << QVariant(QStringLiteral(""));
    QTest::newRow("onboarded") << "pref.onboarded" << QVariant(false);
    QTest::newRow("pauseOnUnplug") << "pref.pauseOnUnplug" << QVariant(true);
    QTest::newRow("sponsorCats") << "pref.sponsorCats"
                                 << QVariant(QStringLiteral("sponsor,selfpromo,interaction,intro,outro"));
}

void TestPref::registeredDefault()
{
    QFETCH(QString, key);
    QFETCH(QVariant, expected);
    Defaults &d = Defaults::shared();

    const QVariant registered = d.registeredDefaults().value(key);
    QCOMPARE(registered.metaType(), expected.metaType());
    QCOMPARE(registered, expected);
    QVERIFY(!d.contains(key));
    QCOMPARE(d.value(key), expected);

    switch (expected.metaType().id()) {
    case QMetaType::Bool: QCOMPARE(d.boolValue(key), expected.toBool()); break;
    case QMetaType::LongLong: QCOMPARE(d.intValue(key), expected.toLongLong()); break;
    case QMetaType::Double: QCOMPARE(d.doubleValue(key), expected.toDouble()); break;
    case QMetaType::QString: QCOMPARE(d.stringValue(key), expected.toString()); break;
    default: QFAIL("unexpected type");
    }
}

void TestPref::tableHasEveryKeyOnce()
{
    QSet<QString> keys;
    for (const Pref::Entry &e : Pref::table()) {
        QVERIFY2(e.key.startsWith(QLatin1String("pref.")), e.key.data());
        keys.insert(e.key);
    }
    QCOMPARE(keys.size(), 24);
    QCOMPARE(Defaults::shared().registeredDefaults().size(), 24);
}

void TestPref::storedValueWins()
{
    Defaults &d = Defaults::shared();
    d.setValue(Pref::autoplay, false);
    d.setValue(Pref::quality, i64(1080));
    d.setValue(Pref::sponsorCats, QStringLiteral("sponsor"));
    QCOMPARE(d.boolValue(Pref::autoplay), false);
    QCOMPARE(d.intValue(Pref::quality), qint64(1080));
    QCOMPARE(d.stringValue(Pref::sponsorCats), QStringLiteral("sponsor"));

    // Registering again at start-up does not override what the user chose.
    Pref::registerDefaults();
    QCOMPARE(d.boolValue(Pref::autoplay), false);

    d.remove(Pref::autoplay);
    QCOMPARE(d.boolValue(Pref::autoplay), true);
}

void TestPref::storedValueSurvivesTheFile()
{
    // The INI file gives text back; the registered type reads it again.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString ini = dir.filePath(QStringLiteral("settings.ini"));
    Defaults &d = Defaults::shared();
    Defaults::useFile(ini);
    d.setValue(Pref::speed, 1.5);
    d.setValue(Pref::incognito, true);
    d.setValue(Pref::seekStep, i64(15));
    d.sync();

    Defaults::useFile(ini);
    QCOMPARE(d.doubleValue(Pref::speed), 1.5);
    QCOMPARE(d.boolValue(Pref::incognito), true);
    QCOMPARE(d.intValue(Pref::seekStep), qint64(15));
    QCOMPARE(d.value(Pref::seekStep).metaType(), QMetaType::fromType<qint64>());
    QCOMPARE(d.boolValue(Pref::haptics), true);
}

QTEST_MAIN(TestPref)
#include "tst_pref.moc"
