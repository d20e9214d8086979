#include "AppFixture.h"
#include "FakeClock.h"
#include "StatsModel.h"

#include <QCoreApplication>
#include <QTest>
#include <ctime>

namespace {

QDateTime madrid(int d, int h, int min = 0)
{
    return QDateTime(QDate(2026, 3, d), QTime(h, min), Qt::LocalTime);
}

Video video(const QString &id, const QString &channel = u"Canal"_qs, qint64 duration = 0)
{
    Video v;
    v.id = id;
    v.channel = channel;
    v.duration = duration;
    return v;
}

} // namespace

// Local time is Madrid, whose clocks went forward on 2026-03-29.
class TestStats : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { AppFixture::prepare(); }
    void init() { AppFixture::clearData(); }

    void windows_data()
    {
        QTest::addColumn<QDateTime>("watched");
        QTest::addColumn<int>("bar"); // -1: none
        QTest::addColumn<bool>("inWeek");
        QTest::newRow("today just after midnight") << madrid(31, 0, 10) << 6 << true;
        QTest::newRow("yesterday") << madrid(30, 23, 30) << 5 << true;
        QTest::newRow("before the clock change") << madrid(29, 1, 30) << 4 << true;
        QTest::newRow("six days ago") << madrid(25, 0, 5) << 0 << true;
        QTest::newRow("seven days ago, later in the day") << madrid(24, 11) << -1 << true;
        // 167 hours back: inside a 168-hour window, outside seven calendar days.
        QTest::newRow("seven days ago, earlier in the day") << madrid(24, 9, 30) << -1 << false;
    }

    void windows()
    {
        QFETCH(QDateTime, watched);
        QFETCH(int, bar);
        QFETCH(bool, inWeek);
        FakeClock clock(watched);
        LibraryStore library;
        library.addToHistory(video(u"v"_qs, u"Canal"_qs, 120));
        clock.set(madrid(31, 10));
        StatsModel stats;
        stats.setLibrary(&library);
        QStringList labels;
        for (int i = 0; i < 7; ++i) {
            labels << stats.week().at(i).label;
            QCOMPARE(stats.week().at(i).count, i == bar ? 1 : 0);
        }
        QCOMPARE(labels, (QStringList{u"Mié"_qs, u"Jue"_qs, u"Vie"_qs, u"Sáb"_qs, u"Dom"_qs, u"Lun"_qs, u"Mar"_qs}));
        QCOMPARE(stats.chartMax(), 1);
        QCOMPARE(stats.weekCount(), inWeek ? 1 : 0);
        QCOMPARE(stats.estimatedSeconds(), inWeek ? 120.0 : 0.0);
    }

    void estimate_data()
    {
        QTest::addColumn<qint64>("duration");
        QTest::addColumn<double>("position"); // < 0: none saved
        QTest::addColumn<double>("counted");
        QTest::newRow("never tracked") << qint64(600) << -1.0 << 600.0;
        QTest::newRow("barely started") << qint64(600) << 5.0 << 600.0;
        QTest::newRow("half") << qint64(600) << 300.0 << 300.0;
        QTest::newRow("above 97 %") << qint64(600) << 590.0 << 600.0;
        QTest::newRow("no duration") << qint64(0) << -1.0 << 0.0;
        QTest::newRow("negative duration") << qint64(-50) << -1.0 << 0.0;
    }

    void estimate()
    {
        QFETCH(qint64, duration);
        QFETCH(double, position);
        QFETCH(double, counted);
        FakeClock clock(madrid(31, 10));
        LibraryStore library;
        library.addToHistory(video(u"v"_qs, u"Canal"_qs, duration));
        if (position >= 0)
            library.setPosition(u"v"_qs, position);
        StatsModel stats;
        stats.setLibrary(&library);
        QCOMPARE(stats.estimatedSeconds(), counted);
    }

    // The whole history counts; ties keep the order first seen (newest
    // first); empty names never count; a sixth channel drops out.
    void topChannels()
    {
        FakeClock clock(QDateTime(QDate(2025, 1, 1), QTime(12, 0), Qt::LocalTime));
        LibraryStore library;
        const QList<std::pair<QString, int>> watched{
            {u"F"_qs, 1}, {u"E"_qs, 2}, {u"D"_qs, 2}, {u""_qs, 5}, {u"C"_qs, 2}, {u"B"_qs, 3}, {u"A"_qs, 1},
        };
        int n = 0;
        for (const auto &[channel, times] : watched)
            for (int i = 0; i < times; ++i) {
                clock.advance(60);
                library.addToHistory(video(QString::number(++n), channel));
            }
        clock.set(QDateTime(QDate(2025, 2, 1), QTime(12, 0), Qt::LocalTime));
        StatsModel stats;
        stats.setLibrary(&library);
        QList<std::pair<QString, int>> expected{{u"B"_qs, 3}, {u"C"_qs, 2}, {u"D"_qs, 2}, {u"E"_qs, 2}, {u"A"_qs, 1}};
        QCOMPARE(stats.top(), expected);
        QCOMPARE(stats.historyCount(), n);
        QCOMPARE(stats.weekCount(), 0);

        // Watching an older video again moves its single entry to today.
        library.addToHistory(video(u"1"_qs, u"F"_qs));
        QCOMPARE(stats.week().last().count, 1);
        QCOMPARE(stats.historyCount(), n);
    }

    // A name typed composed or decomposed is one channel, shown as the newest
    // entry spells it; case and accents still tell channels apart.
    void topChannelsByCanonicalName_data()
    {
        QTest::addColumn<QStringList>("watched"); // oldest first
        QTest::addColumn<QStringList>("rows");
        const QString composed = u"M\u00fasica"_qs;
        const QString decomposed = u"Mu\u0301sica"_qs;
        QTest::newRow("composed, then decomposed") << QStringList{composed, decomposed} << QStringList{decomposed + u" 2"_qs};
        QTest::newRow("decomposed, then composed") << QStringList{decomposed, composed, composed}
                                                   << QStringList{composed + u" 3"_qs};
        QTest::newRow("case and accents differ") << QStringList{composed, u"m\u00fasica"_qs, u"Musica"_qs}
                                                 << QStringList{u"Musica 1"_qs, u"m\u00fasica 1"_qs, composed + u" 1"_qs};
    }

    void topChannelsByCanonicalName()
    {
        QFETCH(QStringList, watched);
        QFETCH(QStringList, rows);
        FakeClock clock(QDateTime(QDate(2025, 1, 1), QTime(12, 0), Qt::LocalTime));
        LibraryStore library;
        int n = 0;
        for (const QString &channel : watched) {
            clock.advance(60);
            library.addToHistory(video(QString::number(++n), channel));
        }
        StatsModel stats;
        stats.setLibrary(&library);
        QStringList seen;
        for (const auto &[name, count] : stats.top())
            seen << name + u' ' + QString::number(count);
        QCOMPARE(seen, rows);
    }
};

int main(int argc, char *argv[])
{
    qputenv("TZ", "Europe/Madrid");
    tzset();
    QCoreApplication app(argc, argv);
    TestStats test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_stats.moc"
