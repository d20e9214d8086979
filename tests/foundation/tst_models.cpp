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
    // Lists of videos come from many endpoints: a field of the wrong kind is
    // left out rather than failing the page. `expected` is clean JSON.
    void videoDecodesTolerantly_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char *name, const char *json, const char *expected) {
            QTest::newRow(name) << j(json) << j(expected);
        };
        row("empty id is present", "{'id':''}", "{'id':''}");
        row("fields of another kind are absent",
            "{'id':'a','duration':'600','views':'12','live':1,'verified':'true','title':{'x':1},'channel':['C']}",
            "{'id':'a'}");
        row("duration 600.0", "{'id':'a','duration':600.0}", "{'id':'a','duration':600}");
        row("duration 12.5", "{'id':'a','duration':12.5}", "{'id':'a'}");
        row("duration 1e300", "{'id':'a','duration':1e300}", "{'id':'a'}");
        row("duration negative", "{'id':'a','duration':-5}", "{'id':'a','duration':-5}");
        row("views past max Int", "{'id':'a','views':9223372036854775808}", "{'id':'a'}");
        row("nulls", "{'id':'a','title':null,'channelId':null,'views':null,'live':null}", "{'id':'a'}");
        row("empty channelId is present", "{'id':'a','channelId':''}", "{'id':'a','channelId':''}");
        row("extra keys", "{'id':'a','foo':1,'title':'T'}", "{'id':'a','title':'T'}");
    }
    void videoDecodesTolerantly()
    {
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, expected);
        QCOMPARE(Json::decode<Video>(json), Json::decode<Video>(expected));
    }

    void decoding_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("error");

        QTest::newRow("video id number") << "QList<Video>" << (j("[{'id':5}]")) << int(Kind::typeMismatch);
        QTest::newRow("video id null") << "QList<Video>" << (j("[{'id':null}]")) << int(Kind::valueNotFound);
        QTest::newRow("video id missing") << "QList<Video>" << (j("[{'title':'T'}]")) << int(Kind::keyNotFound);
        QTest::newRow("video not an object") << "QList<Video>" << (j("['a']")) << int(Kind::typeMismatch);
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
        // whole bodies
        QTest::newRow("null as optional") << "std::optional<Account>" << QByteArray("null") << Ok;
        QTest::newRow("null as list") << "QList<Video>" << QByteArray("null") << int(Kind::valueNotFound);
        QTest::newRow("bare string") << "QString" << (j("'hola'")) << Ok;
        QTest::newRow("bare number") << "qint64" << QByteArray("12") << Ok;
        QTest::newRow("bare fraction") << "qint64" << QByteArray("12.5") << int(Kind::dataCorrupted);
        QTest::newRow("empty list") << "QList<Video>" << QByteArray(" [ ] ") << Ok;
        QTest::newRow("empty body") << "std::optional<Account>" << QByteArray("") << int(Kind::dataCorrupted);
        QTest::newRow("two values") << "qint64" << QByteArray("1,2") << int(Kind::dataCorrupted);
        QTest::newRow("escape from wrapper") << "QList<Video>" << QByteArray("1],[2") << int(Kind::dataCorrupted);
        QTest::newRow("garbage after list") << "QList<Video>" << QByteArray("[] x") << int(Kind::dataCorrupted);
        QTest::newRow("garbage after null") << "std::optional<Account>" << QByteArray("null x") << int(Kind::dataCorrupted);
        QTest::newRow("truncated") << "Account" << (j("{'name':'a'")) << int(Kind::dataCorrupted);
        QTest::newRow("html page") << "Account" << QByteArray("<html><body>502</body></html>") << int(Kind::dataCorrupted);
        QTest::newRow("nul") << "std::optional<Account>" << QByteArray("nul") << int(Kind::dataCorrupted);
    }
    void decoding()
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
        row("detail captions bad element", "VideoDetail", j("{'captions':[{'lang':'es','name':'E'}]}"), {}, int(Kind::keyNotFound));
        row("detail hls as text", "VideoDetail", j("{'hls':'false'}"), {}, int(Kind::typeMismatch));
        row("detail without chapters", "VideoDetail", "{}", {"chapters"}, int(Kind::keyNotFound));
        row("detail chapters null", "VideoDetail", j("{'chapters':null}"), {}, int(Kind::valueNotFound));
        row("detail chapter start 1.5", "VideoDetail", j("{'chapters':[{'start':1.5,'title':'a'}]}"), {}, int(Kind::dataCorrupted));
        row("detail duration 12.5", "VideoDetail", j("{'duration':12.5}"), {}, int(Kind::dataCorrupted));
        row("detail duration 1e300", "VideoDetail", j("{'duration':1e300}"), {}, int(Kind::dataCorrupted));
        row("detail optional null", "VideoDetail", j("{'views':null,'channelId':null,'uploadDate':null}"), {}, Ok);
        row("detail canPlay as 1", "VideoDetail", j("{'canPlay':1}"), {}, int(Kind::typeMismatch));
        row("channel nested video tolerant", "ChannelInfo", j("{'videos':[{'id':'a','duration':'x'}]}"), {}, Ok);
        row("channel video without id", "ChannelInfo", j("{'videos':[{'id':'a'},{'title':'b'}]}"), {}, int(Kind::keyNotFound));
        row("channel without description", "ChannelInfo", "{}", {"description"}, int(Kind::keyNotFound));
        row("comment without avatar", "Comment", "{}", {"avatar"}, Ok);
        row("playlist without created", "UserPlaylist", "{}", {"created"}, int(Kind::keyNotFound));
        row("history date as text", "HistoryEntry", j("{'date':'0'}"), {}, int(Kind::typeMismatch));
        row("history without video", "HistoryEntry", "{}", {"video"}, int(Kind::keyNotFound));
        row("history video only id", "HistoryEntry", j("{'video':{'id':'b','live':'yes'}}"), {}, Ok);
        row("account name null", "Account", j("{'name':null}"), {}, int(Kind::valueNotFound));
        row("account handle null", "Account", j("{'handle':null}"), {}, Ok);
        row("session account without name", "SessionResponse", j("{'account':{'handle':'@a'}}"), {}, int(Kind::keyNotFound));
        row("caption auto missing", "CaptionTrack", "{}", {"auto"}, int(Kind::keyNotFound));
        row("cue whole seconds", "Cue", j("{'s':0,'e':3}"), {}, Ok);
        row("release without changes", "Release", "{}", {"changes"}, int(Kind::keyNotFound));
        row("release title null", "Release", j("{'title':null}"), {}, Ok);
        row("changelog bad release", "Changelog", j("{'releases':[{'version':'1','changes':[]}]}"), {}, int(Kind::keyNotFound));
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
        QVERIFY(Json::decode<CaptionTrack>(j("{'lang':'en','name':'English','auto':true}")).isAuto);
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

    // The backend's key names, and what stored lists leave out.
    void videoKeys()
    {
        const Video all = videoWith([](Video &v) {
            v.title = "T", v.channel = "C", v.channelId = "UC", v.handle = "@c", v.avatar = "https://x/a.jpg";
            v.duration = 600, v.views = std::numeric_limits<qint64>::max(), v.live = v.verified = true;
        });
        QCOMPARE(Json::decode<Video>(j("{'id':'a','title':'T','channel':'C','channelId':'UC','handle':'@c',"
                                       "'avatar':'https://x/a.jpg','duration':600,'views':9223372036854775807,"
                                       "'live':true,'verified':true}")),
                 all);
        QStringList keys = videoWith([](Video &v) { v.title = "T"; }).toJson().keys();
        keys.sort();
        QCOMPARE(keys, (QStringList{"channel", "duration", "id", "live", "title", "verified"}));
        QVERIFY(!Comment().toJson().contains("avatar"));
        QVERIFY(CaptionTrack().toJson().contains("auto"));
    }

    // The texts a reply brings to the screen drop their control characters
    // as they are read (\u0007 bell, \u001b escape, \u009b C1); line breaks
    // and tabs stay, and so do ids and links.
    void shownTextsArePlain_data()
    {
        QTest::addColumn<Check>("check");
        const auto row = [](const char *name, Check check) { QTest::newRow(name) << check; };
        row("video", [] {
            const Video v = Json::decode<Video>(j("{'id':'v\\u0007','title':'T\\u0007\\u009bí\\ttulo','channel':'Ca\\u001bnal'}"));
            return v.title == u"Tí\ttulo"_qs && v.channel == u"Canal"_qs && v.id == u"v\u0007"_qs;
        });
        row("detail", [] {
            QJsonObject o = object(validObjects().value("VideoDetail"));
            o.insert("title", u"T\u0007"_qs);
            o.insert("description", u"Línea\u0000 uno\r\nLínea\u009b dos"_qs);
            o.insert("channel", u"\u001bC"_qs);
            const VideoDetail d = Json::decode<VideoDetail>(QJsonDocument(o).toJson());
            return d.title == u"T"_qs && d.description == u"Línea uno\r\nLínea dos"_qs && d.channel == u"C"_qs;
        });
        row("comment", [] {
            const Comment c = Json::decode<Comment>(j("{'id':'c\\u0001','author':'A\\u0007na','text':'ho\\u0000la\\n',"
                                                      "'likes':3,'time':'x','pinned':false,'byUploader':false}"));
            return c.author == u"Ana"_qs && c.text == u"hola\n"_qs && c.id == u"c\u0001"_qs;
        });
        row("channel", [] {
            const ChannelInfo c = Json::decode<ChannelInfo>(j("{'id':'UC1','name':'Ca\\u0007nal','description':'D\\u009b\\tx',"
                                                              "'verified':false,'videos':[{'id':'a','title':'\\u0007V'}]}"));
            return c.name == u"Canal"_qs && c.description == u"D\tx"_qs && c.videos.value(0).title == u"V"_qs;
        });
        row("site playlist", [] {
            const YTPlaylist p = Json::decode<YTPlaylist>(j("{'id':'PL1','title':'L\\u0007ista','channel':'C\\u0080','videos':[]}"));
            return p.title == u"Lista"_qs && p.channel == u"C"_qs;
        });
        row("subscription, account, category", [] {
            return Json::decode<Subscription>(j("{'id':'UC1','name':'\\u0007Canal'}")).name == u"Canal"_qs
                && Json::decode<Account>(j("{'name':'A\\u001bna'}")).name == u"Ana"_qs
                && Json::decode<Category>(j("{'id':'music','name':'Mú\\u0007sica'}")).name == u"Música"_qs;
        });
        row("chapter, captions, cue", [] {
            return Json::decode<Chapter>(j("{'start':0,'title':'In\\u0007tro'}")).title == u"Intro"_qs
                && Json::decode<CaptionTrack>(j("{'lang':'es','name':'Espa\\u009bñol','auto':false}")).name == u"Español"_qs
                && Json::decode<Cue>(j("{'s':1,'e':2,'t':'ho\\u0007la\\nadiós'}")).t == u"hola\nadiós"_qs;
        });
        row("release notes", [] {
            const Release r = Json::decode<Release>(j("{'version':'1.2','title':'N\\u0007uevo','date':'2024-05-01',"
                                                      "'changes':[{'type':'new','text':'x\\u001b'}]}"));
            return r.title == u"Nuevo"_qs && r.changes.value(0).text == u"x"_qs;
        });
    }
    void shownTextsArePlain()
    {
        QFETCH(Check, check);
        QVERIFY(check());
    }

    // What is stored on disk (cached lists, the library, the account) must
    // read back the same and encode to the same bytes again.
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
        for (double date : {0.1 + 0.2, 7.123456789012345e8, -978307200.25, 4.0e15 + 0.5})
            roundTripRow(qPrintable(QString("history date %1").arg(date, 0, 'g', 17)), HistoryEntry{full, date});
        roundTripRow("playlist", UserPlaylist::create("Mía", std::nullopt, {full, full}, 12345.678901234));
        roundTripRow("subscription", Subscription{"UC", "Canal", "https://a"});
        roundTripRow("account", Account{"Ana", "@ana", std::nullopt});
    }
    void roundTrips()
    {
        QFETCH(Check, check);
        QVERIFY(check());
    }

    // Stored dates count seconds from 2001-01-01 UTC.
    void datesAreReferenceSeconds()
    {
        const auto e = Json::decode<HistoryEntry>(j("{'video':{'id':'a'},'date':86400.5}"));
        QCOMPARE(Clock::fromReferenceSeconds(e.date), QDateTime(QDate(2001, 1, 2), QTime(0, 0, 0, 500), Qt::UTC));
    }

    void equality_data()
    {
        QTest::addColumn<Check>("equal");
        QTest::addColumn<Check>("sameHash");
        QTest::addColumn<bool>("expected");

        const Video a = videoWith([](Video &v) { v.title = nfc, v.views = 10; });
        equalityRow("video NFC vs NFD title", a, videoWith([](Video &v) { v.title = nfd, v.views = 10; }), true);
        equalityRow("video empty vs absent channelId", videoWith([](Video &v) { v.channelId = ""; }),
                    videoWith([](Video &) {}), false);
        equalityRow("history 0.0 vs -0.0", HistoryEntry{a, 0.0}, HistoryEntry{a, -0.0}, true);
        equalityRow("playlist order", UserPlaylist{"p", "n", {a, Video::placeholder(1)}, 0},
                    UserPlaylist{"p", "n", {Video::placeholder(1), a}, 0}, false);
        equalityRow("playlist nested NFD", UserPlaylist{"p", nfc, {a}, -0.0},
                    UserPlaylist{"p", nfd, {videoWith([](Video &v) { v.title = nfd, v.views = 10; })}, 0.0}, true);
        VideoDetail d1, d2;
        d1.captions = QList<CaptionTrack>{};
        equalityRow("detail empty vs absent captions", d1, d2, false);
        equalityRow("channel route", ChannelRoute{"UC", nfc}, ChannelRoute{"UC", nfd}, true);
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

    void identities()
    {
        QCOMPARE(LoadState::failed(nfc), LoadState::failed(nfd));
        // One video watched twice is one row that changed.
        const HistoryEntry e1{Video::placeholder(7), 1}, e2{Video::placeholder(7), 2};
        QCOMPARE(e1.id(), e2.id());
        QVERIFY(!(e1 == e2));
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
            "readonly property bool viewsUndefined: entry.video.views === undefined\n"
            "readonly property bool failed: load.isFailed\n"
            "readonly property bool homeFirst: AppTab.Home === 0 && AppTab.Library === 4\n"
            "}\n",
            {{"entry", QVariant::fromValue(entry)}, {"load", QVariant::fromValue(LoadState::failed("x"))}});
        QVERIFY2(root, qPrintable(qml.errors()));
        QCOMPARE(root->property("title").toString(), QString("T"));
        QVERIFY(root->property("viewsUndefined").toBool());
        QVERIFY(root->property("failed").toBool());
        QVERIFY(root->property("homeFirst").toBool());
    }
};

QTEST_MAIN(TestModels)
#include "tst_models.moc"
