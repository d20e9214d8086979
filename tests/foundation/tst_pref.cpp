#include "Defaults.h"
#include "Pref.h"
#include "TestDirs.h"

#include <QSet>
#include <QTest>

// How stored values, re-registering and the file behave is the settings
// store's own test (tst_defaults); here only what the table hands it.
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

    // Readers use the typed getters: a default of another type (an int for a
    // qint64, say) would read wrong. Every key is registered once.
    void everyDefaultReadsAsItsType()
    {
        Defaults &d = Defaults::shared();
        QSet<QString> keys;
        for (const Pref::Entry &e : Pref::table()) {
            const QString key = e.key;
            QVERIFY2(key.startsWith(QLatin1String("pref.")), qPrintable(key));
            keys.insert(key);
            QVERIFY(!d.contains(key));
            QCOMPARE(d.value(key), e.value);
            switch (e.value.metaType().id()) {
            case QMetaType::Bool: QCOMPARE(d.boolValue(key), e.value.toBool()); break;
            case QMetaType::LongLong: QCOMPARE(d.intValue(key), e.value.toLongLong()); break;
            case QMetaType::Double: QCOMPARE(d.doubleValue(key), e.value.toDouble()); break;
            case QMetaType::QString: QCOMPARE(d.stringValue(key), e.value.toString()); break;
            default: QFAIL(qPrintable(key + QStringLiteral(": unexpected type")));
            }
        }
        QCOMPARE(keys.size(), qsizetype(Pref::table().size()));
        QCOMPARE(d.registeredDefaults().size(), keys.size());
    }
};

QTEST_MAIN(TestPref)
#include "tst_pref.moc"
