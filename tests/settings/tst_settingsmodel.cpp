#include "AppFixture.h"
#include "ChangelogModel.h"
#include "Defaults.h"
#include "DiskCache.h"
#include "ListSetting.h"
#include "SettingsModel.h"

#include <QCoroTask>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>

class TestSettingsModel : public QObject
{
    Q_OBJECT

    AppFixture m_backend;

private slots:
    void initTestCase() { QVERIFY2(m_backend.start(), qPrintable(m_backend.error())); }
    void init() { m_backend.reset(); }

    void listSetting_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("changes"); // "+id" inserts, "-id" removes
        QTest::addColumn<QString>("written");
        const QString sponsors = u"sponsor,selfpromo,interaction,intro,outro"_qs;
        QTest::newRow("off and on again sorts") << sponsors << QStringList{u"-intro"_qs, u"+intro"_qs}
                                                << u"interaction,intro,outro,selfpromo,sponsor"_qs;
        QTest::newRow("one off") << sponsors << QStringList{u"-intro"_qs} << u"interaction,outro,selfpromo,sponsor"_qs;
        QTest::newRow("two hidden") << QString() << QStringList{u"+news"_qs, u"+movies"_qs} << u"movies,news"_qs;
        QTest::newRow("empty parts and repeats collapse") << u",news,,news"_qs << QStringList{u"-tech"_qs} << u"news"_qs;
        QTest::newRow("spaces and unlisted ids survive") << u"foryou, tech"_qs << QStringList{u"+news"_qs}
                                                         << u" tech,foryou,news"_qs;
        QTest::newRow("all off") << sponsors
                                 << QStringList{u"-sponsor"_qs, u"-selfpromo"_qs, u"-interaction"_qs, u"-intro"_qs, u"-outro"_qs}
                                 << QString();
        QTest::newRow("all on") << u"music,news"_qs << QStringList{u"-music"_qs, u"-news"_qs} << QString();
    }

    void listSetting()
    {
        QFETCH(QString, stored);
        QFETCH(QStringList, changes);
        QFETCH(QString, written);
        QString raw = stored;
        for (const QString &c : changes)
            raw = ListSetting::with(raw, c.mid(1), c.startsWith(u'+'));
        QCOMPARE(raw, written);
        QVERIFY(!ListSetting::lists(raw, u"tech"_qs));
    }

    void versions_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("numeric runs") << u"1.10.0"_qs << u"1.9.2"_qs << 1;
        QTest::newRow("equal") << u"0.2.0"_qs << u"0.2.0"_qs << 0;
        QTest::newRow("smaller") << u"0.1.9"_qs << u"0.2.0"_qs << -1;
        QTest::newRow("shorter is smaller") << u"1.0"_qs << u"1.0.0"_qs << -1;
        QTest::newRow("leading zeros") << u"1.02"_qs << u"1.2"_qs << 0;
        QTest::newRow("30-digit run") << u"1.100000000000000000000000000000"_qs << u"1.99999999999999999999999999999"_qs << 1;
        QTest::newRow("letters by code point") << u"1.0b"_qs << u"1.0a"_qs << 1;
    }

    void versions()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        QCOMPARE(SettingsModel::compareVersions(a, b), order);
        QCOMPARE(SettingsModel::compareVersions(b, a), -order);
        QCOMPARE(SettingsModel::isUpdate(QString(), b), false);
    }

    void badge()
    {
        QCOMPARE(SettingsModel::version(), u"0.1.0"_qs);
        SettingsModel model;
        QCoro::waitFor(model.loadLatest());
        QCOMPARE(model.badge(), u"v0.2.0 disponible"_qs);

        // A failure is silent and keeps what was known.
        FaultRule down;
        down.pathPrefix = u"/api/changelog"_qs;
        down.status = 500;
        m_backend->addFault(down);
        QCoro::waitFor(model.loadLatest());
        QVERIFY(model.hasUpdate());
        SettingsModel fresh;
        QCoro::waitFor(fresh.loadLatest());
        QVERIFY(!fresh.hasUpdate());
        QCOMPARE(fresh.badge(), QString());
    }

    // A walk begun before "Vaciar" never writes its older, larger size.
    void staleSize()
    {
        QDir().mkpath(DiskCache::dir());
        QFile big(DiskCache::dir() + u"/big.json"_qs);
        QVERIFY(big.open(QIODevice::WriteOnly));
        big.write(QByteArray(200000, 'x'));
        big.close();
        SettingsModel model;
        QCoro::Task<> early = model.measure();
        QCoro::waitFor(model.clearThenMeasure());
        QCoro::waitFor(std::move(early));
        QVERIFY(model.cacheSize() < 200000);
        QCOMPARE(model.cacheText(), SettingsModel::sizeText(model.cacheSize()));
    }

    void changelog()
    {
        QCOMPARE(ChangelogModel::badgeText(u"fixed"_qs), u"Corrección"_qs);
        QCOMPARE(ChangelogModel::badgeText(u"New"_qs), u"Mejora"_qs);
        Release r;
        r.date = u"2026-03-05"_qs;
        r.title = QString();
        QVERIFY(!ChangelogModel::subtitle(r).contains(u'·'));
        r.date = u"ayer"_qs;
        r.title = u"Primavera"_qs;
        QCOMPARE(ChangelogModel::subtitle(r), u"ayer · Primavera"_qs);

        ChangelogModel model;
        FaultRule down;
        down.pathPrefix = u"/api/changelog"_qs;
        down.status = 500;
        down.times = 1;
        m_backend->addFault(down);
        QCOMPARE(model.state(), LoadState::loading());
        QCoro::waitFor(model.load());
        QCOMPARE(model.state(), LoadState::failed(u"No se pudo cargar el registro de cambios."_qs));
        QCoro::waitFor(model.load()); // the failure stays while this one runs
        QCOMPARE(model.state(), LoadState::loaded());
        QVERIFY(!model.releases().isEmpty());
        m_backend->addFault(down); // a failure after a success keeps the list
        QCoro::waitFor(model.load());
        QCOMPARE(model.state(), LoadState::loaded());
        QVERIFY(!model.releases().isEmpty());
    }
};

QTEST_MAIN(TestSettingsModel)
#include "tst_settingsmodel.moc"
