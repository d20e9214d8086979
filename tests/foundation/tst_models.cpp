#include "Clock.h"
#include "FakeClock.h"
#include "Models.h"
#include "QmlHarness.h"
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTest>
#include <functional>

using Check = std::function<bool()>;
using Kind = DecodingError::Kind;
Q_DECLARE_METATYPE(Check)

namespace {

constexpr int Ok = -1;

// JSON written with single quotes, so test tables stay readable.
QByteArray j(const char *text)
{
    return QByteArray(text).replace('\'', '"');
}

QJsonObject object(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

// A valid object of each strictly decoded record; table rows patch it.
const QHash<QString, QByteArray> &validObjects()
{
    static const QHash<QString, QByteArray> objects = {
        {"VideoDetail", j("{'id':'v1','title':'T','description':'D','channel':'C','duration':60,'live':false,"
            "'verified':true,'qualities':[360,720],'chapters':[{'start':0,'title':'Intro'}],'canPlay':true}")},
        {"Chapter", j("{'start':0,'title':'Intro'}")},
        {"CaptionTrack", j("{'lang':'es','name':'Español','auto':false}")},
        {"Cue", j("{'s':1,'e':2.5,'t':'hola'}")},
        {"SponsorSegment", j("{'start':1.5,'end':30,'category':'sponsor'}")},
        {"Comment", j("{'id':'c1','author':'Ana','text':'hola','likes':3,'time':'hace 1 día','pinned':false,'byUploader':false}")},
        {"ChannelInfo", j("{'id':'UC1','name':'Canal','description':'','verified':false,'videos':[{'id':'a'}]}")},
        {"Category", j("{'id':'music','name':'Música'}")},
        {"YTPlaylist", j("{'id':'PL1','title':'Lista','channel':'C','videos':[]}")},
        {"Account", j("{'name':'Ana'}")},
        {"SessionResponse", j("{'session':'tok','account':{'name':'Ana'}}")},
        {"Subscription", j("{'id':'UC1','name':'Canal'}")},
        {"HistoryEntry", j("{'video':{'id':'a'},'date':0}")},
        {"UserPlaylist", j("{'id':'X','name':'N','videos':[],'created':0}")},
        {"Release", j("{'version':'1.2','date':'2024-05-01','changes':[{'type':'new','text':'x'}]}")},
        {"ReleaseChange", j("{'type':'fixed','text':'x'}")},
        {"Changelog", j("{'releases':[]}")},
    };
    return objects;
}

template<class T>
void decodeOne(const QByteArray &body) { (void)Json::decode<T>(body); }

void decodeAs(const QString &type, const QByteArray &body)
{
    static const QHash<QString, void (*)(const QByteArray &)> decoders = {
        {"VideoDetail", decodeOne<VideoDetail>}, {"Chapter", decodeOne<Chapter>},
        {"CaptionTrack", decodeOne<CaptionTrack>}, {"Cue", decodeOne<Cue>},
        {"SponsorSegment", decodeOne<SponsorSegment>}, {"Comment", decodeOne<Comment>},
        {"ChannelInfo", decodeOne<ChannelInfo>}, {"Category", decodeOne<Category>},
        {"YTPlaylist", decodeOne<YTPlaylist>}, {"Account", decodeOne<Account>},
        {"SessionResponse", decodeOne<SessionResponse>}, {"Subscription", decodeOne<Subscription>},
        {"HistoryEntry", decodeOne<HistoryEntry>}, {"UserPlaylist", decodeOne<UserPlaylist>},
        {"Release", decodeOne<Release>}, {"ReleaseChange", decodeOne<ReleaseChange>},
        {"Changelog", decodeOne<Changelog>},
        {"QList<Video>", decodeOne<QList<Video>>}, {"QList<Comment>", decodeOne<QList<Comment>>},
        {"QList<QString>", decodeOne<QList<QString>>}, {"QMap", decodeOne<QMap<QString, QString>>},
        {"QString", decodeOne<QString>}, {"qint64", decodeOne<qint64>},
        {"std::optional<Account>", decodeOne<std::optional<Account>>},
    };
    Q_ASSERT(decoders.contains(type));
    decoders.value(type)(body);
}

// -1 when the body decodes, else the error's kind.
int outcome(const QString &type, const QByteArray &body)
{
    try {
        decodeAs(type, body);
        return Ok;
    } catch (const DecodingError &e) {
        return int(e.kind);
    }
}

Video videoWith(const std::function<void(Video &)> &change)
{
    Video v;
    v.id = "a";
    change(v);
    return v;
}

const QString nfc = QStringLiteral("Canci\u00F3n");  // precomposed ó
const QString nfd = QStringLiteral("Cancio\u0301n"); // o + combining acute

} // namespace

class TestModels : public QObject
{
    Q_OBJECT

    template<class T>
    static void equalityRow(const char *name, const T &a, const T &b, bool equal)
    {
        QTest::newRow(name) << Check([a, b] { return a == b; })
                            << Check([a, b] { return qHash(a, 7) == qHash(b, 7); }) << equal;
    }

    template<class T>
    static void roundTripRow(const char *name, const T &value)
    {
        QTest::newRow(name) << Check([value] {
            const QByteArray bytes = Json::encode(value);
            const T back = Json::decode<T>(bytes);
            if constexpr (std::equality_comparable<T>) {
                if (!(back == value))
                    return false;
            }
            return Json::encode(back) == bytes;
        });
    }

private slots:
    void videoDecodesTolerantly_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<Video>("expected");

        QTest::newRow("only id") << (j("{'id':'a'}")) << videoWith([](Video &) {});
        QTest::newRow("empty id is present") << (j("{'id':''}")) << videoWith([](Video &v) { v.id = ""; });
        QTest::newRow("all fields") << (j("{'id':'a','title':'T','channel':'C','channelId':'UC','handle':'@c',"
            "'avatar':'https://x/a.jpg','duration':600,'views':1200,'live':true,'verified':true}"))
                                    << videoWith([](Video &v) {
                                           v.title = "T", v.channel = "C", v.channelId = "UC", v.handle = "@c";
                                           v.avatar = "https://x/a.jpg", v.duration = 600, v.views = 1200;
                                           v.live = v.verified = true;
                                       });
        QTest::newRow("duration as text") << (j("{'id':'a','duration':'600'}")) << videoWith([](Video &) {});
        QTest::newRow("duration 600.0") << (j("{'id':'a','duration':600.0}"))
                                        << videoWith([](Video &v) { v.duration = 600; });
        QTest::newRow("duration 12.5") << (j("{'id':'a','duration':12.5}")) << videoWith([](Video &) {});
        QTest::newRow("duration 1e300") << (j("{'id':'a','duration':1e300}")) << videoWith([](Video &) {});
        QTest::newRow("duration negative") << (j("{'id':'a','duration':-5}"))
                                           << videoWith([](Video &v) { v.duration = -5; });
        QTest::newRow("views max Int") << (j("{'id':'a','views':9223372036854775807}"))
                                       << videoWith([](Video &v) { v.views = std::numeric_limits<qint64>::max(); });
        QTest::newRow("views past max Int") << (j("{'id':'a','views':9223372036854775808}"))
                                            << videoWith([](Video &) {});
        QTest::newRow("views as text") << (j("{'id':'a','views':'12'}")) << videoWith([](Video &) {});
        QTest::newRow("live as 1") << (j("{'id':'a','live':1}")) << videoWith([](Video &) {});
        QTest::newRow("verified as text") << (j("{'id':'a','verified':'true'}")) << videoWith([](Video &) {});
        QTest::newRow("nulls") << (j("{'id':'a','title':null,'channelId':null,'views':null,'live':null}"))
                               << videoWith([](Video &) {});
        QTest::newRow("empty channelId is present") << (j("{'id':'a','channelId':''}"))
                                                    << videoWith([](Video &v) { v.channelId = ""; });
        QTest::newRow("title of another kind") << (j("{'id':'a','title':{'x':1},'channel':['C']}"))
                                               << videoWith([](Video &) {});
        QTest::newRow("extra keys") << (j("{'id':'a','foo':1,'title':'T'}"))
                                    << videoWith([](Video &v) { v.title = "T"; });
    }
    void videoDecodesTolerantly()
    {
        QFETCH(QByteArray, json);
        QFETCH(Video, expected);
        QCOMPARE(Json::decode<Video>(json), expected);
    }

    void decodingFailures_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("error");

        QTest::newRow("video id number") << "QList<Video>" << (j("[{'id':5}]")) << int(Kind::typeMismatch);
        QTest::newRow("video id null") << "QList<Video>" << (j("[{'id':null}]")) << int(Kind::valueNotFound);
        QTest::newRow("video id missing") << "QList<Video>" << (j("[{'title':'T'}]")) << int(Kind::keyNotFound);
        QTest::newRow("video not an object") << "QList<Video>" << (j("['a']")) << int(Kind::typeMismatch);
        QByteArray twenty = "[";
        for (int i = 0; i < 20; ++i)
            twenty += i == 13 ? j("{'title':'sin id'},") : (j("{'id':'v")) + QByteArray::number(i) + "\"},";
        twenty.back() = ']';
        QTest::newRow("one of twenty lacks id") << "QList<Video>" << twenty << int(Kind::keyNotFound);
        QTest::newRow("comments with extra keys") << "QList<Comment>"
            << (j("[{'id':'c','author':'A','text':'t','likes':1,'time':'x','pinned':true,'byUploader':false,'x':[1]}]"))
            << Ok;
        QTest::newRow("one bad comment fails the list") << "QList<Comment>"
            << (j("[{'id':'c','author':'A','text':'t','likes':1,'time':'x','pinned':true,'byUploader':false},"
            "{'id':'d','author':'A','text':'t','likes':1.5,'time':'x','pinned':true,'byUploader':false}]"))
            << int(Kind::dataCorrupted);
        QTest::newRow("string list") << "QList<QString>" << (j("['a','b']")) << Ok;
        QTest::newRow("string list with number") << "QList<QString>" << (j("['a',1]")) << int(Kind::typeMismatch);
        QTest::newRow("string map") << "QMap" << (j("{'UC1':'https://a','@b':'https://b'}")) << Ok;
        QTest::newRow("string map with null") << "QMap" << (j("{'UC1':null}")) << int(Kind::valueNotFound);
        QTest::newRow("record as array") << "Account" << (j("[{'name':'Ana'}]")) << int(Kind::typeMismatch);
    }
    void decodingFailures()
    {
        QFETCH(QString, type);
        QFETCH(QByteArray, json);
        QFETCH(int, error);
        QCOMPARE(outcome(type, json), error);
    }

    // Each row patches a valid object of the record: set keys (null included)
    // from `patch`, remove those in `drop`.
    void strictDecoding_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("patch");
        QTest::addColumn<QStringList>("drop");
        QTest::addColumn<int>("error");

        const auto row = [](const char *name, const char *type, const QByteArray &patch, QStringList drop, int error) {
            QTest::newRow(name) << QString(type) << patch << drop << error;
        };
        for (auto it = validObjects().begin(); it != validObjects().end(); ++it)
            QTest::newRow(qPrintable(it.key() + " valid")) << it.key() << QByteArray("{}") << QStringList() << Ok;

        row("detail without captions", "VideoDetail", "{}", {"captions"}, Ok);
        row("detail captions null", "VideoDetail", j("{'captions':null}"), {}, Ok);
        row("detail captions bad element", "VideoDetail", j("{'captions':[{'lang':'es','name':'E'}]}"), {}, int(Kind::keyNotFound));
        row("detail hls as text", "VideoDetail", j("{'hls':'false'}"), {}, int(Kind::typeMismatch));
        row("detail without chapters", "VideoDetail", "{}", {"chapters"}, int(Kind::keyNotFound));
        row("detail chapters null", "VideoDetail", j("{'chapters':null}"), {}, int(Kind::valueNotFound));
        row("detail chapter start 1.5", "VideoDetail", j("{'chapters':[{'start':1.5,'title':'a'}]}"), {}, int(Kind::dataCorrupted));
        row("detail duration 12.0", "VideoDetail", j("{'duration':12.0}"), {}, Ok);
        row("detail duration 12.5", "VideoDetail", j("{'duration':12.5}"), {}, int(Kind::dataCorrupted));
        row("detail duration 1e300", "VideoDetail", j("{'duration':1e300}"), {}, int(Kind::dataCorrupted));
        row("detail quality fraction", "VideoDetail", j("{'qualities':[360,720.5]}"), {}, int(Kind::dataCorrupted));
        row("detail views as text", "VideoDetail", j("{'views':'12'}"), {}, int(Kind::typeMismatch));
        row("detail optional null", "VideoDetail", j("{'views':null,'channelId':null,'uploadDate':null}"), {}, Ok);
        row("detail canPlay as 1", "VideoDetail", j("{'canPlay':1}"), {}, int(Kind::typeMismatch));
        row("channel nested video tolerant", "ChannelInfo", j("{'videos':[{'id':'a','duration':'x'}]}"), {}, Ok);
        row("channel video without id", "ChannelInfo", j("{'videos':[{'id':'a'},{'title':'b'}]}"), {}, int(Kind::keyNotFound));
        row("channel without description", "ChannelInfo", "{}", {"description"}, int(Kind::keyNotFound));
        row("comment without avatar", "Comment", "{}", {"avatar"}, Ok);
        row("comment avatar of another kind", "Comment", j("{'avatar':5}"), {}, int(Kind::typeMismatch));
        row("comment likes 3.5", "Comment", j("{'likes':3.5}"), {}, int(Kind::dataCorrupted));
        row("comment likes as text", "Comment", j("{'likes':'3'}"), {}, int(Kind::typeMismatch));
        row("comment pinned as 0", "Comment", j("{'pinned':0}"), {}, int(Kind::typeMismatch));
        row("comment extra keys", "Comment", j("{'reply':{'a':1},'score':2.5}"), {}, Ok);
        row("playlist without created", "UserPlaylist", "{}", {"created"}, int(Kind::keyNotFound));
        row("playlist without id", "UserPlaylist", "{}", {"id"}, int(Kind::keyNotFound));
        row("playlist without videos", "UserPlaylist", "{}", {"videos"}, int(Kind::keyNotFound));
        row("playlist video without id", "UserPlaylist", j("{'videos':[{'title':'x'}]}"), {}, int(Kind::keyNotFound));
        row("history date as text", "HistoryEntry", j("{'date':'0'}"), {}, int(Kind::typeMismatch));
        row("history without video", "HistoryEntry", "{}", {"video"}, int(Kind::keyNotFound));
        row("history video only id", "HistoryEntry", j("{'video':{'id':'b','live':'yes'}}"), {}, Ok);
        row("account name null", "Account", j("{'name':null}"), {}, int(Kind::valueNotFound));
        row("account handle null", "Account", j("{'handle':null}"), {}, Ok);
        row("session account without name", "SessionResponse", j("{'account':{'handle':'@a'}}"), {}, int(Kind::keyNotFound));
        row("session token number", "SessionResponse", j("{'session':12}"), {}, int(Kind::typeMismatch));
        row("caption auto missing", "CaptionTrack", "{}", {"auto"}, int(Kind::keyNotFound));
        row("cue whole seconds", "Cue", j("{'s':0,'e':3}"), {}, Ok);
        row("cue text number", "Cue", j("{'t':1}"), {}, int(Kind::typeMismatch));
        row("segment end as text", "SponsorSegment", j("{'end':'5'}"), {}, int(Kind::typeMismatch));
        row("category id number", "Category", j("{'id':3}"), {}, int(Kind::typeMismatch));
        row("ytplaylist without channel", "YTPlaylist", "{}", {"channel"}, int(Kind::keyNotFound));
        row("release without changes", "Release", "{}", {"changes"}, int(Kind::keyNotFound));
        row("release title null", "Release", j("{'title':null}"), {}, Ok);
        row("changelog latest number", "Changelog", j("{'latest':2}"), {}, int(Kind::typeMismatch));
        row("changelog bad release", "Changelog", j("{'releases':[{'version':'1','changes':[]}]}"), {}, int(Kind::keyNotFound));
        row("changelog without releases", "Changelog", "{}", {"releases"}, int(Kind::keyNotFound));
    }
    void strictDecoding()
    {
        QFETCH(QString, type);
        QFETCH(QByteArray, patch);
        QFETCH(QStringList, drop);
        QFETCH(int, error);

        QJsonObject o = object(validObjects().value(type));
        QVERIFY(!o.isEmpty());
        const QJsonObject p = object(patch);
        for (auto it = p.begin(); it != p.end(); ++it)
            o.insert(it.key(), it.value());
        for (const QString &key : drop)
            o.remove(key);
        QCOMPARE(outcome(type, QJsonDocument(o).toJson()), error);
    }

    void detailOptionalsStayAbsent()
    {
        const auto d = Json::decode<VideoDetail>(validObjects().value("VideoDetail"));
        QVERIFY(!d.captions && !d.hls && !d.views && !d.channelId);
        QCOMPARE(d.chapters.size(), 1);
        QCOMPARE(d.qualities, (QList<qint64>{360, 720}));
        const auto c = Json::decode<CaptionTrack>(j("{'lang':'en','name':'English','auto':true}"));
        QVERIFY(c.isAuto);
        QCOMPARE(c.id(), QString("en"));
    }

    void topLevelBodies_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("error");

        QTest::newRow("null as optional") << "std::optional<Account>" << QByteArray("null") << Ok;
        QTest::newRow("null with spaces") << "std::optional<Account>" << QByteArray(" \n null \n") << Ok;
        QTest::newRow("null as list") << "QList<Video>" << QByteArray("null") << int(Kind::valueNotFound);
        QTest::newRow("bare string") << "QString" << (j("'hola'")) << Ok;
        QTest::newRow("bare number") << "qint64" << QByteArray("12") << Ok;
        QTest::newRow("bare fraction") << "qint64" << QByteArray("12.5") << int(Kind::dataCorrupted);
        QTest::newRow("empty list") << "QList<Video>" << QByteArray(" [ ] ") << Ok;
        QTest::newRow("empty body") << "std::optional<Account>" << QByteArray("") << int(Kind::dataCorrupted);
        QTest::newRow("only spaces") << "std::optional<Account>" << QByteArray("  ") << int(Kind::dataCorrupted);
        QTest::newRow("two values") << "qint64" << QByteArray("1,2") << int(Kind::dataCorrupted);
        QTest::newRow("escape from wrapper") << "QList<Video>" << QByteArray("1],[2") << int(Kind::dataCorrupted);
        QTest::newRow("garbage after list") << "QList<Video>" << QByteArray("[] x") << int(Kind::dataCorrupted);
        QTest::newRow("garbage after object") << "Account" << (j("{'name':'a'} {}")) << int(Kind::dataCorrupted);
        QTest::newRow("garbage after null") << "std::optional<Account>" << QByteArray("null x") << int(Kind::dataCorrupted);
        QTest::newRow("truncated") << "Account" << (j("{'name':'a'")) << int(Kind::dataCorrupted);
        QTest::newRow("html page") << "Account" << QByteArray("<html><body>502</body></html>") << int(Kind::dataCorrupted);
        QTest::newRow("nul") << "std::optional<Account>" << QByteArray("nul") << int(Kind::dataCorrupted);
    }
    void topLevelBodies()
    {
        QFETCH(QString, type);
        QFETCH(QByteArray, body);
        QFETCH(int, error);
        QCOMPARE(outcome(type, body), error);
    }

    void topLevelValues()
    {
        QVERIFY(!Json::decode<std::optional<Account>>("null"));
        QCOMPARE(Json::decode<QString>(j("'a\\u00f1o'")), QString("año"));
        QCOMPARE(Json::encode(QString("año")), QByteArray("\"año\""));
        QCOMPARE(Json::encode(std::optional<Account>()), QByteArray("null"));
        const auto map = Json::decode<QMap<QString, QString>>(j("{'UC1':'https://a'}"));
        QCOMPARE(map.value("UC1"), QString("https://a"));
    }

    void errorDescription()
    {
        try {
            (void)Json::decode<Account>("{}");
            QFAIL("decoded");
        } catch (const DecodingError &e) {
            QCOMPARE(e.key, QString("name"));
            QCOMPARE(e.description(), QString("No se han podido leer los datos porque faltan."));
        }
        QCOMPARE(DecodingError(Kind::typeMismatch).description(),
                 QString("No se han podido leer los datos porque no tienen el formato correcto."));
    }

    void encodeLeavesOutAbsentOptionals()
    {
        Video v;
        v.id = "a";
        v.title = "T";
        const QJsonObject o = v.toJson();
        QStringList keys = o.keys();
        keys.sort();
        QCOMPARE(keys, (QStringList{"channel", "duration", "id", "live", "title", "verified"}));
        QCOMPARE(Json::decode<Video>(Json::encode(v)), v);

        Comment c;
        QVERIFY(!c.toJson().contains("avatar"));
        CaptionTrack t;
        QVERIFY(t.toJson().contains("auto"));
    }

    void roundTrips_data()
    {
        QTest::addColumn<Check>("check");

        Video full = videoWith([](Video &v) {
            v.title = nfd, v.channel = "Canal", v.channelId = "", v.handle = "@c", v.avatar = "https://x/y.jpg";
            v.duration = -1, v.views = std::numeric_limits<qint64>::max(), v.live = true, v.verified = true;
        });
        roundTripRow("video full", full);
        roundTripRow("video sparse", videoWith([](Video &) {}));
        roundTripRow("videos", QList<Video>{full, Video::placeholder(3)});

        for (double date : {0.0, 86400.5, 0.1 + 0.2, 7.123456789012345e8, -978307200.25, 1e-300, 4.0e15 + 0.5})
            roundTripRow(qPrintable(QString("history date %1").arg(date, 0, 'g', 17)), HistoryEntry{full, date});

        roundTripRow("playlist", UserPlaylist::create("Mía", std::nullopt, {full, full}, 12345.678901234));
        roundTripRow("subscription", Subscription{"UC", "Canal", "https://a"});
        roundTripRow("subscription no avatar", Subscription{"UC", "Canal", std::nullopt});
        roundTripRow("account", Account{"Ana", "@ana", std::nullopt});

        VideoDetail d;
        d.id = "v", d.title = "T", d.views = 0, d.uploadDate = "2024-01-31", d.duration = 61;
        d.qualities = {144, 2160}, d.chapters = {{0, "a"}, {30, "b"}}, d.hls = false;
        d.captions = QList<CaptionTrack>{{"es", "Español", true}};
        roundTripRow("detail", d);
        d.captions = QList<CaptionTrack>{};
        roundTripRow("detail empty captions", d);
        roundTripRow("cues", QList<Cue>{{0.1, 2.25, "hola"}, {-0.0, 1e-9, ""}});
        roundTripRow("segments", QList<SponsorSegment>{{1.5, 30.75, "intro"}});
        roundTripRow("comment", Comment{"c", "A", "t", -3, "ayer", "https://a", true, true});
        roundTripRow("categories", QList<Category>{{"foryou", "Para ti"}});
        roundTripRow("release", Release{"2.0", "Título", "2024-05-01", {{"new", "a"}, {"other", "b"}}});
        roundTripRow("changelog", Changelog{"2.0", {Release{"2.0", std::nullopt, "2024-05-01", {}}}});
        roundTripRow("channel", ChannelInfo{"UC", "C", "@c", 10, "d", std::nullopt, "https://b", true, {full}});
        roundTripRow("ytplaylist", YTPlaylist{"PL", "L", "C", {full}});
        roundTripRow("session", SessionResponse{"tok", Account{"Ana", std::nullopt, "https://a"}});
    }
    void roundTrips()
    {
        QFETCH(Check, check);
        QVERIFY(check());
    }

    void datesAreReferenceSeconds()
    {
        const auto e = Json::decode<HistoryEntry>(j("{'video':{'id':'a'},'date':86400.5}"));
        QCOMPARE(e.date, 86400.5);
        QCOMPARE(Clock::fromReferenceSeconds(e.date), QDateTime(QDate(2001, 1, 2), QTime(0, 0, 0, 500), Qt::UTC));
        QCOMPARE(Clock::fromReferenceSeconds(Json::decode<HistoryEntry>(j("{'video':{'id':'a'},'date':0}")).date),
                 QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC));
    }

    void equality_data()
    {
        QTest::addColumn<Check>("equal");
        QTest::addColumn<Check>("sameHash");
        QTest::addColumn<bool>("expected");

        const Video a = videoWith([](Video &v) { v.title = nfc, v.views = 10; });
        equalityRow("video NFC vs NFD title", a, videoWith([](Video &v) { v.title = nfd, v.views = 10; }), true);
        equalityRow("video differs in views", a, videoWith([](Video &v) { v.title = nfc, v.views = 11; }), false);
        equalityRow("video views absent", a, videoWith([](Video &v) { v.title = nfc; }), false);
        equalityRow("video empty vs absent channelId", videoWith([](Video &v) { v.channelId = ""; }),
                    videoWith([](Video &) {}), false);
        equalityRow("history 0.0 vs -0.0", HistoryEntry{a, 0.0}, HistoryEntry{a, -0.0}, true);
        equalityRow("history dates differ", HistoryEntry{a, 1.0}, HistoryEntry{a, 1.0000001}, false);
        equalityRow("cue -0.0", Cue{-0.0, 1, nfd}, Cue{0.0, 1, nfc}, true);
        equalityRow("account NFD name", Account{nfd, std::nullopt, std::nullopt}, Account{nfc, std::nullopt, std::nullopt}, true);
        equalityRow("account handle", Account{"a", "@a", std::nullopt}, Account{"a", std::nullopt, std::nullopt}, false);
        equalityRow("playlist order", UserPlaylist{"p", "n", {a, Video::placeholder(1)}, 0},
                    UserPlaylist{"p", "n", {Video::placeholder(1), a}, 0}, false);
        equalityRow("playlist nested NFD", UserPlaylist{"p", nfc, {a}, -0.0},
                    UserPlaylist{"p", nfd, {videoWith([](Video &v) { v.title = nfd, v.views = 10; })}, 0.0}, true);
        VideoDetail d1, d2;
        d1.captions = QList<CaptionTrack>{};
        equalityRow("detail empty vs absent captions", d1, d2, false);
        d2.captions = QList<CaptionTrack>{};
        d1.chapters = {{0, nfc}}, d2.chapters = {{0, nfd}};
        equalityRow("detail chapters NFD", d1, d2, true);
        equalityRow("channel route", ChannelRoute{"UC", nfc}, ChannelRoute{"UC", nfd}, true);
        equalityRow("channel route name", ChannelRoute{"UC", "a"}, ChannelRoute{"UC", "b"}, false);
        equalityRow("playlist route", YTPlaylistRoute{"PL1"}, YTPlaylistRoute{"PL2"}, false);
        equalityRow("sync watched ignores flag", SyncEvent{SyncEvent::Kind::watched, "a", true}, SyncEvent::watched("a"), true);
        equalityRow("sync like flag", SyncEvent::like("a", true), SyncEvent::like("a", false), false);
    }
    void equality()
    {
        QFETCH(Check, equal);
        QFETCH(Check, sameHash);
        QFETCH(bool, expected);
        QCOMPARE(equal(), expected);
        if (expected)
            QVERIFY(sameHash());
    }

    void loadStateEquality()
    {
        QCOMPARE(LoadState::failed(nfc), LoadState::failed(nfd));
        QVERIFY(LoadState::failed("a") != LoadState::failed("b"));
        QVERIFY(LoadState::loaded() != LoadState::loading());
        QCOMPARE(LoadState(), LoadState::idle());
    }

    void identities()
    {
        const Video v = Video::placeholder(7);
        HistoryEntry e1{v, 1}, e2{v, 2};
        QCOMPARE(e1.id(), e2.id());
        QVERIFY(!(e1 == e2));
        const Release r{"3.1", std::nullopt, "2024-01-01", {}};
        QCOMPARE(r.id(), QString("3.1"));
    }

    void placeholder_data()
    {
        QTest::addColumn<qint64>("n");
        QTest::addColumn<QString>("id");
        QTest::newRow("0") << qint64(0) << "placeholder0";
        QTest::newRow("-1") << qint64(-1) << "placeholder-1";
        QTest::newRow("42") << qint64(42) << "placeholder42";
    }
    void placeholder()
    {
        QFETCH(qint64, n);
        QFETCH(QString, id);
        const Video v = Video::placeholder(n);
        QCOMPARE(v.id, id);
        QCOMPARE(v.title, QString("Título del vídeo de ejemplo que ocupa dos líneas"));
        QCOMPARE(v.channel, QString("Nombre del canal"));
        QCOMPARE(v.duration, qint64(600));
        QCOMPARE(v.views, std::optional<qint64>(120000));
        QVERIFY(!v.channelId && !v.handle && !v.avatar && !v.live && !v.verified);
    }

    void newPlaylist()
    {
        FakeClock clock;
        const UserPlaylist p = UserPlaylist::create("Favoritos");
        static const QRegularExpression uuid("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
        QVERIFY2(uuid.match(p.id).hasMatch(), qPrintable(p.id));
        QVERIFY(p.videos.isEmpty());
        QCOMPARE(p.created, Clock::referenceSeconds(clock.now()));
        QVERIFY(UserPlaylist::create("Otra").id != p.id);
    }

    void readableFromQml()
    {
        QmlHarness qml;
        const Video v = videoWith([](Video &v) { v.title = "T", v.duration = 61, v.channelId = "UC"; });
        HistoryEntry entry{v, 3.5};
        QQuickItem *root = qml.loadSource(
            "import QtQuick\n"
            "import Nimbelora.Foundation\n"
            "Item {\n"
            "property historyEntry entry\n"
            "property loadState load\n"
            "readonly property string title: entry.video.title\n"
            "readonly property real duration: entry.video.duration\n"
            "readonly property bool viewsUndefined: entry.video.views === undefined\n"
            "readonly property string channelId: entry.video.channelId\n"
            "readonly property bool failed: load.isFailed\n"
            "readonly property bool homeFirst: AppTab.Home === 0 && AppTab.Library === 4\n"
            "}\n",
            {{"entry", QVariant::fromValue(entry)}, {"load", QVariant::fromValue(LoadState::failed("x"))}});
        QVERIFY2(root, qPrintable(qml.errors()));
        QCOMPARE(root->property("title").toString(), QString("T"));
        QCOMPARE(root->property("duration").toDouble(), 61.0);
        QVERIFY(root->property("viewsUndefined").toBool());
        QCOMPARE(root->property("channelId").toString(), QString("UC"));
        QVERIFY(root->property("failed").toBool());
        QVERIFY(root->property("homeFirst").toBool());
    }
};

QTEST_MAIN(TestModels)
#include "tst_models.moc"
