#include "FakeClock.h"
#include "Fmt.h"
#include "QmlHarness.h"
#include "TextBlocks.h"
#include "Video.h"

#include <QTest>
#include <cmath>
#include <limits>
#include <time.h>

class TestFmt : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Days are local midnights: pin the zone, with its DST change.
        qputenv("TZ", "Europe/Madrid");
        tzset();
    }

    void compact_data()
    {
        QTest::addColumn<qint64>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("1000") << qint64(1000) << "1 mil";
        QTest::newRow("1250 rounds half to even") << qint64(1250) << "1,2 mil";
        QTest::newRow("1350 rounds up (binary above half)") << qint64(1350) << "1,4 mil";
        QTest::newRow("9950 stays below 10") << qint64(9950) << "9,9 mil";
        QTest::newRow("10500 half to even") << qint64(10500) << "10 mil";
        QTest::newRow("11500 half to even") << qint64(11500) << "12 mil";
        QTest::newRow("999999 keeps its unit") << qint64(999999) << "1000 mil";
        QTest::newRow("1000000") << qint64(1000000) << "1 M";
        QTest::newRow("1000000000 takes the largest unit") << qint64(1000000000) << "1 mil M";
        QTest::newRow("max") << std::numeric_limits<qint64>::max() << "9223372037 mil M";
        QTest::newRow("-2000") << qint64(-2000) << "-2000";
        QTest::newRow("min") << std::numeric_limits<qint64>::min() << "-9223372036854775808";
    }
    void compact()
    {
        QFETCH(qint64, count);
        QFETCH(QString, text);
        QCOMPARE(Fmt::compact(count), text);
    }

    void clock_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("-0") << -0.0 << "0:00";
        QTest::newRow("-1") << -1.0 << "0:00";
        QTest::newRow("59.9 truncates") << 59.9 << "0:59";
        QTest::newRow("3600") << 3600.0 << "1:00:00";
        QTest::newRow("90000 past a day") << 90000.0 << "25:00:00";
        QTest::newRow("inf") << std::numeric_limits<double>::infinity() << "0:00";
        QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << "0:00";
    }
    void clock()
    {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(Fmt::clock(seconds), text);
    }

    void meta_data()
    {
        QTest::addColumn<QString>("channel");
        QTest::addColumn<QVariant>("views"); // invalid: no count
        QTest::addColumn<QString>("text");
        QTest::newRow("channel and 1 view") << "Canal" << QVariant(qint64(1)) << QString::fromUtf8("Canal · 1 vista");
        QTest::newRow("no channel, 1200") << "" << QVariant(qint64(1200)) << "1,2 mil vistas";
        QTest::newRow("channel only") << "Canal" << QVariant() << "Canal";
        QTest::newRow("0 views") << "" << QVariant(qint64(0)) << "0 vistas";
        QTest::newRow("a channel with a line break") << "Canal\r\nDos" << QVariant() << "Canal Dos";
    }
    void meta()
    {
        QFETCH(QString, channel);
        QFETCH(QVariant, views);
        QFETCH(QString, text);
        Video v;
        v.id = QStringLiteral("aB3_xY9-zQ0");
        v.channel = channel;
        if (views.isValid())
            v.views = views.toLongLong();
        QCOMPARE(Fmt::meta(v), text);
    }

    void ago_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("text");

        // 13:00 in Madrid (CET)
        const QDateTime noon(QDate(2026, 3, 14), QTime(12, 0), Qt::UTC);
        QTest::newRow("today") << noon << "2026-03-14" << "hace 13 horas";
        QTest::newRow("yesterday") << noon << "2026-03-13" << QString::fromUtf8("hace 1 día");
        QTest::newRow("days, plural") << noon << "2026-03-11" << QString::fromUtf8("hace 3 días");
        QTest::newRow("1 week") << noon << "2026-03-07" << "hace 1 semana";
        QTest::newRow("3 weeks, not a month") << noon << "2026-02-15" << "hace 3 semanas";
        QTest::newRow("1 month") << noon << "2026-02-14" << "hace 1 mes";
        QTest::newRow("1 year") << noon << "2025-03-14" << QString::fromUtf8("hace 1 año");
        QTest::newRow("year 1") << noon << "0001-01-01" << QString::fromUtf8("hace 2025 años");
        QTest::newRow("tomorrow") << noon << "2026-03-15" << "dentro de 11 horas";

        // just after local midnight (23:00 UTC)
        const QDateTime midnight(QDate(2026, 3, 13), QTime(23, 0), Qt::UTC);
        QTest::newRow("5 minutes") << midnight.addSecs(300) << "2026-03-14" << "hace 5 minutos";
        QTest::newRow("1 minute") << midnight.addSecs(60) << "2026-03-14" << "hace 1 minuto";
        QTest::newRow("1 second") << midnight.addSecs(1) << "2026-03-14" << "hace 1 segundo";
        QTest::newRow("same moment") << midnight << "2026-03-14" << "dentro de 0 segundos";
        QTest::newRow("half a second ahead") << midnight.addMSecs(-500) << "2026-03-14" << "dentro de 0 segundos";

        // month ends clamp; 12:00 CEST after the change to summer time
        const QDateTime endOfMarch(QDate(2026, 3, 31), QTime(10, 0), Qt::UTC);
        QTest::newRow("clamped month") << endOfMarch << "2026-02-28" << "hace 1 mes";
        QTest::newRow("30 days, no month") << endOfMarch << "2026-03-01" << "hace 4 semanas";
        QTest::newRow("day of the change: 11 hours") << QDateTime(QDate(2026, 3, 29), QTime(10, 0), Qt::UTC)
                                                     << "2026-03-29" << "hace 11 horas";
        QTest::newRow("leap day") << QDateTime(QDate(2025, 2, 28), QTime(12, 0), Qt::UTC) << "2024-02-29"
                                  << "hace 11 meses";

        // not a "yyyy-MM-dd" day
        QTest::newRow("no such day") << noon << "2024-02-30" << "";
        QTest::newRow("unpadded") << noon << "2024-3-5" << "";
        QTest::newRow("with a time") << noon << "2024-03-05T10:00" << "";
        QTest::newRow("year 0") << noon << "0000-01-01" << "";
    }
    void ago()
    {
        QFETCH(QDateTime, now);
        QFETCH(QString, date);
        QFETCH(QString, text);
        FakeClock clock(now);
        QCOMPARE(Fmt::ago(date), text);
        QCOMPARE(Fmt::ago(std::optional<QString>(date)), text);
        QCOMPARE(Fmt::ago(std::nullopt), QString());
    }

    void longDate_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("text");
        QTest::newRow("march") << "2024-03-05" << "5 de marzo de 2024";
        QTest::newRow("leap day") << "2024-02-29" << "29 de febrero de 2024";
        QTest::newRow("short year") << "0024-07-04" << "4 de julio de 24";
        // anything else is shown as it came
        QTest::newRow("no such day") << "2023-02-29" << "2023-02-29";
        QTest::newRow("unpadded") << "2024-3-5" << "2024-3-5";
        QTest::newRow("trailing blank") << "2024-03-05 " << "2024-03-05 ";
        QTest::newRow("other digits") << QString::fromUtf8("٢٠٢٤-٠٣-٠٥") << QString::fromUtf8("٢٠٢٤-٠٣-٠٥");
    }
    void longDate()
    {
        QFETCH(QString, date);
        QFETCH(QString, text);
        QCOMPARE(Fmt::longDate(date), text);
    }

    void oneLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        QTest::newRow("plain") << u"gatos"_qs << u"gatos"_qs;
        QTest::newRow("CR LF is one space") << u"a\r\nb"_qs << u"a b"_qs;
        QTest::newRow("LF, CR") << u"a\nb\rc"_qs << u"a b c"_qs;
        QTest::newRow("LF CR is two") << u"a\n\rb"_qs << u"a  b"_qs;
        QTest::newRow("line and paragraph separators") << u"a\u2028b\u2029c"_qs << u"a b c"_qs;
        QTest::newRow("next line, vertical tab, form feed") << u"a\u0085b\vc\fd"_qs << u"a b c d"_qs;
        QTest::newRow("trailing CR") << u"a\r"_qs << u"a "_qs;
        QTest::newRow("tabs and other text kept") << u"a\tb ñ 😀"_qs << u"a\tb ñ 😀"_qs;
        QTest::newRow("control characters dropped") << u"a\u0001b\u0085c\u001bd\u0000e\u009ff"_qs << u"ab cdef"_qs;
    }
    void plain_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("nothing to drop") << u"Canción «uno» ñ 😀"_qs << u"Canción «uno» ñ 😀"_qs;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("NUL") << u"a\u0000b"_qs << u"ab"_qs;
        QTest::newRow("bell, backspace, escape") << u"a\u0007b\u0008c\u001bd"_qs << u"abcd"_qs;
        QTest::newRow("an escape sequence leaves its text") << u"\u001b[31mrojo\u001b[0m"_qs << u"[31mrojo[0m"_qs;
        QTest::newRow("unit separator, DEL") << u"a\u001fb\u007fc"_qs << u"abc"_qs;
        QTest::newRow("C1") << u"a\u0080b\u0090c\u009fd"_qs << u"abcd"_qs;
        QTest::newRow("only control characters") << u"\u0001\u0002\u0080"_qs << u""_qs;
        QTest::newRow("line breaks and tabs kept") << u"a\r\nb\nc\u2028d\u2029e\tf"_qs << u"a\r\nb\nc\u2028d\u2029e\tf"_qs;
        // Drawn as a box (VT, NEL) or as nothing (FF, a lone CR) otherwise.
        QTest::newRow("other line breaks become LF") << u"a\vb\u0085c\fd\re\r"_qs << u"a\nb\nc\nd\ne\n"_qs;
        // Not control characters: they shape the text.
        QTest::newRow("joiners, marks, soft hyphen kept") << u"👩\u200D💻 \u200Fa\u00ADb \u00A0c"_qs
                                                          << u"👩\u200D💻 \u200Fa\u00ADb \u00A0c"_qs;
    }
    void plain()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(Fmt::plain(text), shown);
    }

    void oneLine()
    {
        QFETCH(QString, text);
        QFETCH(QString, line);
        QCOMPARE(Fmt::oneLine(text), line);
    }

    void textBlocks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("blocks");
        QTest::newRow("empty") << QString() << QStringList{QString()};
        QTest::newRow("short, its breaks kept") << u"ab\ncd"_qs << QStringList{u"ab\ncd"_qs};
        QTest::newRow("cut at the last break, which goes") << u"ab\ncd\nefg"_qs << QStringList{u"ab\ncd"_qs, u"efg"_qs};
        QTest::newRow("CR LF goes whole") << u"abc\r\ndefg"_qs << QStringList{u"abc"_qs, u"defg"_qs};
        QTest::newRow("empty lines stay") << u"\n\n\n\n\n\n\n"_qs << QStringList{u"\n\n\n\n\n\n"_qs, QString()};
        QTest::newRow("no break: after a space") << u"abcd efgh ij"_qs << QStringList{u"abcd "_qs, u"efgh "_qs, u"ij"_qs};
        QTest::newRow("no space: anywhere") << u"abcdefghijkl"_qs << QStringList{u"abcdef"_qs, u"ghijkl"_qs};
        QTest::newRow("not inside a surrogate pair") << u"abcde😀fgh"_qs << QStringList{u"abcde"_qs, u"😀fgh"_qs};
    }
    // Blocks of at most six characters here.
    void textBlocks()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, blocks);
        QCOMPARE(TextBlocks::split(text, 6), blocks);
    }

    // A long description comes back whole, block after block.
    void textBlocksKeepEverything()
    {
        QString text;
        for (int i = 0; text.size() < 100000; ++i)
            text += (i % 7 == 0 ? u"\n"_qs : u" "_qs) + QString(i % 40 + 1, QChar(u'a' + i % 26));
        text += QString(5000, u'z');
        const QStringList blocks = TextBlocks::split(text);
        QVERIFY(blocks.size() > 40);
        QString joined;
        for (const QString &b : blocks) {
            QVERIFY(b.size() <= TextBlocks::defaultSize);
            // A cut at a line break dropped it; any other cut dropped nothing.
            if (&b != &blocks.first() && text.at(joined.size()) == u'\n')
                joined += u'\n';
            joined += b;
        }
        QCOMPARE(joined, text);
    }

    // What views call from QML.
    void dayLabels_data()
    {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("label");
        QTest::newRow("today") << QDate(2026, 3, 14) << QDate(2026, 3, 14) << u"Hoy"_qs;
        QTest::newRow("yesterday over New Year") << QDate(2025, 12, 31) << QDate(2026, 1, 1) << u"Ayer"_qs;
        QTest::newRow("every word capitalised") << QDate(2026, 4, 1) << QDate(2026, 4, 20) << u"Miércoles 1 De Abril"_qs;
        QTest::newRow("no year") << QDate(2020, 3, 9) << QDate(2026, 3, 14) << u"Lunes 9 De Marzo"_qs;
        QTest::newRow("tomorrow is a date") << QDate(2026, 3, 15) << QDate(2026, 3, 14) << u"Domingo 15 De Marzo"_qs;
    }

    void dayLabels()
    {
        QFETCH(QDate, day);
        QFETCH(QDate, today);
        QFETCH(QString, label);
        QCOMPARE(Fmt::dayLabel(day, today), label);
    }

    void hours_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << 0.0 << u"0 min"_qs;
        QTest::newRow("59:59") << 3599.0 << u"59 min"_qs;
        QTest::newRow("an hour") << 3600.0 << u"1 h 00 min"_qs;
        QTest::newRow("125 minutes") << 7500.0 << u"2 h 05 min"_qs;
    }

    void hours()
    {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(Fmt::hours(seconds), text);
    }

    void videoCount_data()
    {
        QTest::addColumn<qsizetype>("videos");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << qsizetype(0) << QStringLiteral("0 vídeos");
        QTest::newRow("one keeps the plural") << qsizetype(1) << QStringLiteral("1 vídeos");
        QTest::newRow("no separators") << qsizetype(12345) << QStringLiteral("12345 vídeos");
    }

    void videoCount()
    {
        QFETCH(qsizetype, videos);
        QFETCH(QString, text);
        QCOMPARE(Fmt::videoCount(videos), text);
    }

    void qmlSingleton()
    {
        Video v;
        v.id = QStringLiteral("aB3_xY9-zQ0");
        v.channel = QStringLiteral("Canal");
        v.views = 1500;
        QmlHarness qml;
        QQuickItem *root = qml.loadSource(R"(
            import QtQuick
            import Nimbelora.Foundation
            Item {
                property var video
                property string meta: video ? Fmt.meta(video) : ""
                property string compact: Fmt.compact(2500000)
                property string clock: Fmt.clock(3661.5)
            })",
                                          {{QStringLiteral("video"), QVariant::fromValue(v)}});
        QVERIFY2(root, qPrintable(qml.errors()));
        QCOMPARE(root->property("meta").toString(), QString::fromUtf8("Canal · 1,5 mil vistas"));
        QCOMPARE(root->property("compact").toString(), QStringLiteral("2,5 M"));
        QCOMPARE(root->property("clock").toString(), QStringLiteral("1:01:01"));
    }
};

QTEST_MAIN(TestFmt)
#include "tst_fmt.moc"
