#include "YouTubeLink.h"

#include <QTest>

namespace {
const QString id = QStringLiteral("aB3_xY9-zQ0");
const QString other = QStringLiteral("Zz9-Yy8_Xx7");
QString L(const char *s) { return QString::fromUtf8(s).replace(QLatin1String("ID"), id).replace(QLatin1String("OTHER"), other); }
} // namespace

class TestYouTubeLink : public QObject
{
    Q_OBJECT

private slots:
    // "expected" empty: no video id.
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        // short links: only the first path segment counts
        QTest::newRow("short") << L("https://youtu.be/ID") << id;
        QTest::newRow("short without scheme") << L("youtu.be/ID") << id;
        QTest::newRow("short, blanks around") << L("  https://youtu.be/ID \n") << id;
        QTest::newRow("short, no-break space around") << L("\u00a0youtu.be/ID\u2028") << id;
        QTest::newRow("short with more segments") << L("https://youtu.be/ID/extra/x") << id;
        QTest::newRow("short, 12 characters") << L("https://youtu.be/IDx") << "";
        QTest::newRow("short, query not looked at") << L("https://youtu.be/?v=ID") << "";
        QTest::newRow("short, keyword not looked at") << L("https://youtu.be/shorts/ID") << "";
        QTest::newRow("short, escaped slash splits") << L("https://youtu.be/ID%2Fmore") << id;
        QTest::newRow("short, escaped new line") << L("https://youtu.be/ID%0A") << "";
        QTest::newRow("short host as a suffix") << L("https://notyoutu.be/ID") << "";

        // text that is no single link
        QTest::newRow("empty") << "" << "";
        QTest::newRow("sentence with a link") << L("mira https://youtu.be/ID") << "";
        QTest::newRow("space inside") << L("https://www.youtube.com/watch?v=ID &t=1") << "";
        QTest::newRow("no dot, no own scheme") << L("localhost/watch?v=ID") << "";
        QTest::newRow("bad port") << L("youtube.com:abc/watch?v=ID") << "";

        // main domain: first "v" item
        QTest::newRow("watch") << L("https://www.youtube.com/watch?v=ID") << id;
        QTest::newRow("watch without scheme") << L("youtube.com/watch?v=ID") << id;
        QTest::newRow("any host ending with the domain") << L("https://notyoutube.com/watch?v=ID") << id;
        QTest::newRow("v percent-encoded") << "https://www.youtube.com/watch?v=aB3_xY9-zQ%30" << id;
        QTest::newRow("v with escaped new line") << L("https://www.youtube.com/watch?v=ID%0A") << "";
        QTest::newRow("domain only in user info") << L("https://youtube.com@example.com/watch?v=ID") << "";
        QTest::newRow("domain not at the end") << L("https://youtube.com.example.net/watch?v=ID") << "";
        QTest::newRow("other host with shorts") << L("https://vimeo.com/shorts/ID") << "";
        QTest::newRow("name is case-sensitive") << L("https://www.youtube.com/watch?V=ID") << "";
        QTest::newRow("v without value") << L("https://www.youtube.com/watch?v&x=ID") << "";
        QTest::newRow("v empty") << L("https://www.youtube.com/watch?v=&v=ID") << "";
        QTest::newRow("only the first v counts") << L("https://www.youtube.com/watch?v=bad&v=ID") << "";

        // main domain: the segment after the first path keyword
        QTest::newRow("shorts") << L("https://www.youtube.com/shorts/ID?feature=share") << id;
        QTest::newRow("shorts with invalid v") << L("https://www.youtube.com/shorts/ID?v=bad") << id;
        QTest::newRow("embed") << L("https://www.youtube.com/embed/ID") << id;
        QTest::newRow("live") << L("https://www.youtube.com/live/ID?si=x") << id;
        QTest::newRow("short host in upper case") << L("https://YOUTU.BE/ID") << id;
        QTest::newRow("host in mixed case") << L("https://WWW.YouTube.COM/watch?v=ID") << id;
        QTest::newRow("keyword after other segments") << L("https://www.youtube.com/a/b/shorts/ID") << id;
        QTest::newRow("keyword percent-encoded") << L("https://www.youtube.com/%73horts/ID") << id;
        QTest::newRow("first keyword then keyword") << L("https://www.youtube.com/v/shorts/ID") << "";
        QTest::newRow("keyword with bad id") << L("https://www.youtube.com/shorts/IDx") << "";

        // our own scheme
        QTest::newRow("own scheme watch") << L("nimbelora://watch?v=ID") << id;
        QTest::newRow("own scheme, path keyword") << L("nimbelora://open/shorts/ID") << id;
        QTest::newRow("own scheme, id as host") << L("nimbelora://ID") << "";
        QTest::newRow("own scheme, no host") << L("nimbelora:watch?v=ID.x") << "";
        QTest::newRow("own scheme, upper case") << L("NIMBELORA://watch?v=ID") << "";
        QTest::newRow("own host over https") << L("https://nimbelora/watch.html?v=ID") << id;
        QTest::newRow("starts like http, no scheme") << L("httpyoutube.com/watch?v=ID") << "";
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const std::optional<QString> got = YouTubeLink::parse(text);
        QCOMPARE(got.value_or(QString()), expected);
        QCOMPARE(got.has_value(), !expected.isEmpty());
    }

    void playlistID_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        QTest::newRow("playlist page") << "https://www.youtube.com/playlist?list=PL0123456789" << "PL0123456789";
        QTest::newRow("exactly 10") << "https://www.youtube.com/playlist?list=PL01234567" << "PL01234567";
        QTest::newRow("first list wins") << "https://www.youtube.com/playlist?list=PL01&list=PL0123456789" << "";
        QTest::newRow("decoded value") << "https://www.youtube.com/playlist?list=PL%2D0123456789" << "PL-0123456789";
        QTest::newRow("no value") << "https://www.youtube.com/playlist?list" << "";
        QTest::newRow("video in a playlist") << L("https://www.youtube.com/watch?v=ID&list=PL0123456789") << "";
        QTest::newRow("invalid v, playlist") << "https://www.youtube.com/watch?v=bad&list=PL0123456789" << "PL0123456789";
        QTest::newRow("short link with video") << L("https://youtu.be/ID?list=PL0123456789") << "";
        QTest::newRow("own scheme never") << "nimbelora://playlist?list=PL0123456789" << "";
        QTest::newRow("untrimmed text") << " https://www.youtube.com/playlist?list=PL0123456789" << "";
        // user-perceived characters: e + combining acute is one
        QTest::newRow("10 graphemes, 11 units") << "https://www.youtube.com/playlist?list=PL0123456e%CC%81"
                                                << QString::fromUtf8("PL0123456e\u0301");
        QTest::newRow("9 graphemes, 10 units") << "https://www.youtube.com/playlist?list=PL012345e%CC%81" << "";
        QTest::newRow("not UTF-8") << "https://www.youtube.com/playlist?list=PL0123456789%FF" << "";
        QTest::newRow("cut UTF-8 sequence") << "https://www.youtube.com/playlist?list=PL0123456789%C3" << "";
        QTest::newRow("stray percent kept") << "https://www.youtube.com/playlist?list=PL%zz0123456789" << "PL%zz0123456789";
    }

    void playlistID()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const std::optional<QString> got = YouTubeLink::playlistID(text);
        QCOMPARE(got.value_or(QString()), expected);
        QCOMPARE(got.has_value(), !expected.isEmpty());
    }

    void timestamp_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("found");
        QTest::addColumn<double>("seconds");

        const auto at = [](const char *value) { return L("https://www.youtube.com/watch?v=ID&") + QString::fromUtf8(value); };

        // plain form
        QTest::newRow("90") << at("t=90") << true << 90.0;
        QTest::newRow("0 is a time") << at("t=0") << true << 0.0;
        QTest::newRow("negative") << at("t=-5") << true << -5.0;
        QTest::newRow("hex form") << at("t=0x10") << true << 16.0;
        QTest::newRow("several s") << at("t=1s2s") << true << 12.0;

        // compound form
        QTest::newRow("1m30s") << at("t=1m30s") << true << 90.0;
        QTest::newRow("1h2m3s") << at("t=1h2m3s") << true << 3723.0;
        QTest::newRow("trailing digits dropped") << at("t=1m30") << true << 60.0;
        QTest::newRow("unknown unit loses its digits") << at("t=5x1m") << true << 60.0;
        QTest::newRow("0h0m") << at("t=0h0m") << false << 0.0;
        QTest::newRow("letters only") << at("t=abc") << false << 0.0;
        QTest::newRow("leading blank does not read") << at("t=%2090") << false << 0.0;

        // not a finite time
        QTest::newRow("inf") << at("t=inf") << false << 0.0;
        QTest::newRow("nan") << at("t=nan") << false << 0.0;
        QTest::newRow("1e999") << at("t=1e999") << false << 0.0;
        QTest::newRow("1e999s") << at("t=1e999s") << false << 0.0;
        QTest::newRow("huge hours") << at(("t=" + QByteArray(400, '9') + "h").constData()) << false << 0.0;

        // which item
        QTest::newRow("start before t") << at("start=5&t=9") << true << 5.0;
        QTest::newRow("t before start") << at("t=9&start=5") << true << 9.0;
        QTest::newRow("first t only") << at("t=&t=9") << false << 0.0;
        QTest::newRow("fragment is no query") << L("https://www.youtube.com/watch?v=ID#t=30") << false << 0.0;
        QTest::newRow("own scheme") << L("nimbelora://watch?v=ID&t=30") << true << 30.0;
        QTest::newRow("no host at all") << "nimbelora:x?t=7" << true << 7.0;
        QTest::newRow("unreadable link") << "https://exa mple.com/?t=5" << false << 0.0;
    }

    void timestamp()
    {
        QFETCH(QString, text);
        QFETCH(bool, found);
        QFETCH(double, seconds);
        const std::optional<double> got = YouTubeLink::timestamp(text);
        QCOMPARE(got.has_value(), found);
        if (found)
            QCOMPARE(*got, seconds);
    }
};

QTEST_GUILESS_MAIN(TestYouTubeLink)
#include "tst_youtubelink.moc"
