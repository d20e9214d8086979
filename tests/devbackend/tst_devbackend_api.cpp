#include "DevBackend.h"
#include "Fixtures.h"
#include "TestBackend.h"

#include <httplib.h>

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <functional>
#include <limits>

namespace {

// Checks of the JSON forms the app decodes strictly; each returns "" when the
// value fits, else what is wrong.
using Check = std::function<QString(const QJsonValue &)>;

bool isInt(const QJsonValue &v) { return v.isDouble() && v.toDouble() == double(qint64(v.toDouble())); }

QString fields(const QJsonValue &v, const QStringList &texts, const QStringList &ints, const QStringList &bools,
               const QStringList &numbers = {}, const QStringList &optTexts = {}, const QStringList &optInts = {},
               const QStringList &optBools = {})
{
    if (!v.isObject())
        return QStringLiteral("not an object");
    const QJsonObject o = v.toObject();
    for (const QString &k : texts)
        if (!o.value(k).isString()) return k + QStringLiteral(" is not text");
    for (const QString &k : ints)
        if (!isInt(o.value(k))) return k + QStringLiteral(" is not a whole number");
    for (const QString &k : bools)
        if (!o.value(k).isBool()) return k + QStringLiteral(" is not a Bool");
    for (const QString &k : numbers)
        if (!o.value(k).isDouble()) return k + QStringLiteral(" is not a number");
    for (const QString &k : optTexts)
        if (o.contains(k) && !o.value(k).isString()) return k + QStringLiteral(" is not text");
    for (const QString &k : optInts)
        if (o.contains(k) && !isInt(o.value(k))) return k + QStringLiteral(" is not a whole number");
    for (const QString &k : optBools)
        if (o.contains(k) && !o.value(k).isBool()) return k + QStringLiteral(" is not a Bool");
    for (auto it = o.begin(); it != o.end(); ++it)
        if (it->isNull()) return it.key() + QStringLiteral(" is null (absent fields are left out)");
    return {};
}

Check listOf(Check item)
{
    return [item](const QJsonValue &v) -> QString {
        if (!v.isArray())
            return QStringLiteral("not a list");
        for (const QJsonValue &e : v.toArray())
            if (const QString why = item(e); !why.isEmpty())
                return why;
        return {};
    };
}

const Check video = [](const QJsonValue &v) {
    return fields(v, {"id", "title", "channel"}, {"duration"}, {"live", "verified"}, {}, {"channelId", "handle", "avatar"},
                  {"views"});
};
const Check chapter = [](const QJsonValue &v) { return fields(v, {"title"}, {"start"}, {}); };
const Check track = [](const QJsonValue &v) { return fields(v, {"lang", "name"}, {}, {"auto"}); };
const Check detail = [](const QJsonValue &v) {
    if (QString why = fields(v, {"id", "title", "description", "channel"}, {"duration"}, {"live", "verified", "canPlay"},
                             {}, {"channelId", "uploadDate"}, {"subscribers", "views", "likes", "comments"}, {"hls"});
        !why.isEmpty())
        return why;
    const QJsonObject o = v.toObject();
    static const QRegularExpression day(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    if (o.contains("uploadDate") && !day.match(o["uploadDate"].toString()).hasMatch())
        return QStringLiteral("uploadDate is not yyyy-MM-dd");
    const Check whole = [](const QJsonValue &q) { return isInt(q) ? QString() : QStringLiteral("not a whole number"); };
    if (QString why = listOf(whole)(o["qualities"]); !why.isEmpty())
        return QStringLiteral("qualities: ") + why;
    if (QString why = listOf(chapter)(o["chapters"]); !why.isEmpty())
        return QStringLiteral("chapters: ") + why;
    if (o.contains("captions"))
        return listOf(track)(o["captions"]);
    return QString();
};
const Check cue = [](const QJsonValue &v) { return fields(v, {"t"}, {}, {}, {"s", "e"}); };
const Check segment = [](const QJsonValue &v) { return fields(v, {"category"}, {}, {}, {"start", "end"}); };
const Check comment = [](const QJsonValue &v) {
    return fields(v, {"id", "author", "text", "time"}, {"likes"}, {"pinned", "byUploader"}, {}, {"avatar"});
};
const Check category = [](const QJsonValue &v) { return fields(v, {"id", "name"}, {}, {}); };
const Check channel = [](const QJsonValue &v) {
    if (QString why = fields(v, {"id", "name", "description"}, {}, {"verified"}, {}, {"handle", "avatar", "banner"},
                             {"subscribers"});
        !why.isEmpty())
        return why;
    return listOf(video)(v["videos"]);
};
const Check playlist = [](const QJsonValue &v) {
    if (QString why = fields(v, {"id", "title", "channel"}, {}, {}); !why.isEmpty())
        return why;
    return listOf(video)(v["videos"]);
};
const Check change = [](const QJsonValue &v) { return fields(v, {"type", "text"}, {}, {}); };
const Check release = [](const QJsonValue &v) {
    if (QString why = fields(v, {"version", "date"}, {}, {}, {}, {"title"}); !why.isEmpty())
        return why;
    return listOf(change)(v["changes"]);
};
const Check changelog = [](const QJsonValue &v) {
    if (QString why = fields(v, {}, {}, {}, {}, {"latest"}); !why.isEmpty())
        return why;
    return listOf(release)(v["releases"]);
};
const Check account = [](const QJsonValue &v) { return fields(v, {"name"}, {}, {}, {}, {"handle", "avatar"}); };
const Check text = [](const QJsonValue &v) { return v.isString() ? QString() : QStringLiteral("not text"); };
const Check textMap = [](const QJsonValue &v) -> QString {
    if (!v.isObject())
        return QStringLiteral("not a map");
    for (const QJsonValue &e : v.toObject())
        if (!e.isString())
            return QStringLiteral("a member is not text");
    return {};
};
const Check ok = [](const QJsonValue &v) { return v.isNull() ? QString() : fields(v, {}, {}, {}, {}, {}, {}, {"ok"}); };

} // namespace

Q_DECLARE_METATYPE(Check)

// Every endpoint of the backend interface, its errors, paging, the account
// writes, the request log and the sign-in, against the server in-process.
class ApiTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void endpointForms_data();
    void endpointForms();
    void errorReplies_data();
    void errorReplies();
    void pagedListsEnd_data();
    void pagedListsEnd();
    void searchFilters_data();
    void searchFilters();
    void writesReachTheAccount();
    void signOutEndsTheSession();
    void requestLogKeepsWhatWasSent();
    void logFileHasOneLinePerRequest();
    void signInFlow_data();
    void signInFlow();
    void sessionExchangeBodies_data();
    void sessionExchangeBodies();
    void feedPageIsFast();

private:
    QString fill(QString path) const;

    TestBackend backend;
    QString session;
    QHash<QString, QString> ids;
};

void ApiTest::initTestCase()
{
    QVERIFY2(backend.isRunning(), qPrintable(backend.error()));
    QCOMPARE(qEnvironmentVariable("NIMBELORA_BACKEND_URL"), backend.origin());
    session = backend.session();
    const Fixtures &fx = backend.fixtures();
    for (const FxVideo &v : fx.videos()) {
        if (!ids.contains("video") && v.canPlay && !v.live && !fx.captionTracksJson(v).isEmpty() &&
            !fx.sponsorJson(v).isEmpty() && !fx.chaptersJson(v).isEmpty() && !v.commentsOff)
            ids["video"] = v.id;
        if (!ids.contains("lang") && fx.captionTracksJson(v).size() > 1) {
            ids["captioned"] = v.id;
            ids["lang"] = fx.captionTracksJson(v).last()[QStringLiteral("lang")].toString();
        }
    }
    ids["video2"] = fx.videos()[1].id;
    ids["channel"] = fx.channels()[0].id;
    ids["handle"] = fx.channels()[0].handle;
    ids["playlist"] = fx.playlists()[0].id;
    QCOMPARE(ids.size(), 7);
}

QString ApiTest::fill(QString path) const
{
    for (auto it = ids.cbegin(); it != ids.cend(); ++it)
        path.replace(QLatin1Char('{') + it.key() + QLatin1Char('}'), QString::fromLatin1(QUrl::toPercentEncoding(it.value())));
    return path;
}

void ApiTest::endpointForms_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<Check>("check");
    QTest::addColumn<bool>("signedIn");
    QTest::addColumn<int>("minCount"); // for lists: at least this many elements

    QTest::newRow("categories") << "/api/categories" << listOf(category) << false << 9;
    QTest::newRow("feed") << "/api/feed?cat=foryou&page=0" << listOf(video) << false << 20;
    QTest::newRow("feed page 1") << "/api/feed?cat=music&page=1" << listOf(video) << false << 1;
    QTest::newRow("search") << "/api/search?page=0&q=m%C3%BAsica%20nueva" << listOf(video) << false << 5;
    QTest::newRow("search filter") << "/api/search?f=long&page=0&q=de" << listOf(video) << false << 1;
    QTest::newRow("suggest") << "/api/suggest?q=rec" << listOf(text) << false << 1;
    QTest::newRow("shorts") << "/api/shorts?page=0" << listOf(video) << false << 10;
    QTest::newRow("video") << "/api/video/{video}" << detail << false << 0;
    QTest::newRow("video fast") << "/api/video/{video}?fast=1" << detail << false << 0;
    QTest::newRow("related") << "/api/related/{video}" << listOf(video) << false << 8;
    QTest::newRow("sponsor") << "/api/sponsor/{video}" << listOf(segment) << false << 1;
    QTest::newRow("comments top") << "/api/comments/{video}?sort=top" << listOf(comment) << false << 10;
    QTest::newRow("comments new") << "/api/comments/{video}?sort=new" << listOf(comment) << false << 10;
    QTest::newRow("captions") << "/api/captions/{captioned}/{lang}" << listOf(cue) << false << 5;
    QTest::newRow("channel") << "/api/channel/{channel}?page=0" << channel << false << 0;
    QTest::newRow("channel popular") << "/api/channel/{channel}?page=0&tab=popular" << channel << false << 0;
    QTest::newRow("channel shorts") << "/api/channel/{channel}?page=0&tab=shorts" << channel << false << 0;
    QTest::newRow("channel by handle") << "/api/channel/{handle}?page=1" << channel << false << 0;
    QTest::newRow("playlist") << "/api/playlist/{playlist}" << playlist << false << 0;
    QTest::newRow("avatars") << "/api/avatars?keys={channel}%2C{handle}%2Cnadie" << textMap << false << 0;
    QTest::newRow("warm") << "/api/warm?ids={video}%2C{video2}" << ok << false << 0;
    QTest::newRow("changelog") << "/api/changelog" << changelog << false << 0;
    QTest::newRow("me") << "/api/me" << account << true << 0;
    for (const char *kind : {"home", "subs", "history", "liked", "later"})
        QTest::addRow("me feed %s", kind) << QStringLiteral("/api/me/feed?kind=%1&page=0").arg(QLatin1String(kind))
                                          << listOf(video) << true << 5;
}

void ApiTest::endpointForms()
{
    QFETCH(QString, path);
    QFETCH(Check, check);
    QFETCH(bool, signedIn);
    QFETCH(int, minCount);
    const HttpReply r = backend.get(fill(path), signedIn ? session : QString());
    QCOMPARE(r.status, 200);
    QVERIFY2(r.header("Content-Type").startsWith(QLatin1String("application/json")), qPrintable(r.header("Content-Type")));
    const QJsonValue v = r.json();
    const QString why = check(v);
    QVERIFY2(why.isEmpty(), qPrintable(why + QStringLiteral(": ") + QString::fromUtf8(r.body.left(300))));
    if (v.isArray())
        QVERIFY2(v.toArray().size() >= minCount, qPrintable(QString::number(v.toArray().size())));
}

void ApiTest::errorReplies_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("key");      // "" sends none
    QTest::addColumn<QString>("sessionKind"); // none, valid, bogus
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("messageHas");

    const QByteArray key = backend.apiKey().toUtf8();
    QTest::newRow("no key") << QByteArray("GET") << "/api/feed?cat=foryou&page=0" << QByteArray() << "none" << QByteArray() << 401 << "Clave";
    QTest::newRow("wrong key") << QByteArray("GET") << "/api/categories" << QByteArray("nope") << "none" << QByteArray() << 401 << "Clave";
    QTest::newRow("key in k is not enough") << QByteArray("GET") << "/api/categories?k=" + backend.apiKey() << QByteArray() << "none" << QByteArray() << 401 << "Clave";
    QTest::newRow("me without session") << QByteArray("GET") << "/api/me" << key << "none" << QByteArray() << 401 << "sesión";
    QTest::newRow("me with bogus session") << QByteArray("GET") << "/api/me" << key << "bogus" << QByteArray() << 401 << "sesión";
    QTest::newRow("me feed without session") << QByteArray("GET") << "/api/me/feed?kind=home&page=0" << key << "none" << QByteArray() << 401 << "sesión";
    QTest::newRow("like without session") << QByteArray("POST") << "/api/me/like" << key << "none" << QByteArray(R"({"id":"x","like":true})") << 401 << "sesión";
    QTest::newRow("watched with bogus session") << QByteArray("POST") << "/api/me/watched/{video}" << key << "bogus" << QByteArray() << 401 << "sesión";
    QTest::newRow("sign out without session") << QByteArray("DELETE") << "/api/me" << key << "none" << QByteArray() << 401 << "sesión";
    QTest::newRow("unknown category") << QByteArray("GET") << "/api/feed?cat=nope&page=0" << key << "none" << QByteArray() << 404 << "Categoría";
    QTest::newRow("unknown filter") << QByteArray("GET") << "/api/search?f=bogus&page=0&q=a" << key << "none" << QByteArray() << 400 << "Filtro";
    QTest::newRow("negative page") << QByteArray("GET") << "/api/feed?cat=foryou&page=-1" << key << "none" << QByteArray() << 400 << "página";
    QTest::newRow("page not a number") << QByteArray("GET") << "/api/shorts?page=uno" << key << "none" << QByteArray() << 400 << "página";
    QTest::newRow("unknown sort") << QByteArray("GET") << "/api/comments/{video}?sort=best" << key << "none" << QByteArray() << 400 << "Orden";
    QTest::newRow("missing sort") << QByteArray("GET") << "/api/comments/{video}" << key << "none" << QByteArray() << 400 << "Orden";
    QTest::newRow("unknown tab") << QByteArray("GET") << "/api/channel/{channel}?page=0&tab=live" << key << "none" << QByteArray() << 400 << "Pestaña";
    QTest::newRow("unknown channel") << QByteArray("GET") << "/api/channel/UCnadie?page=0" << key << "none" << QByteArray() << 404 << "canal";
    QTest::newRow("escaped id not found") << QByteArray("GET") << "/api/video/no%20such%3Fid" << key << "none" << QByteArray() << 404 << "vídeo";
    QTest::newRow("no such caption") << QByteArray("GET") << "/api/captions/{video}/xx" << key << "none" << QByteArray() << 404 << "subtítulos";
    QTest::newRow("unknown playlist") << QByteArray("GET") << "/api/playlist/PLnada" << key << "none" << QByteArray() << 404 << "lista";
    QTest::newRow("unknown list kind") << QByteArray("GET") << "/api/me/feed?kind=bogus&page=0" << key << "valid" << QByteArray() << 400 << "Lista";
    QTest::newRow("like with a bad body") << QByteArray("POST") << "/api/me/like" << key << "valid" << QByteArray(R"({"id":"x","like":1})") << 400 << "cuerpo";
    QTest::newRow("subscribe without body") << QByteArray("POST") << "/api/me/subscribe" << key << "valid" << QByteArray() << 400 << "cuerpo";
    QTest::newRow("unknown route") << QByteArray("GET") << "/api/nada" << key << "none" << QByteArray() << 404 << "Ruta";
    QTest::newRow("wrong method") << QByteArray("GET") << "/api/me/like" << key << "valid" << QByteArray() << 404 << "Ruta";
    QTest::newRow("stream without k") << QByteArray("GET") << "/api/stream/{video}" << key << "none" << QByteArray() << 401 << "Clave";
}

void ApiTest::errorReplies()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, path);
    QFETCH(QByteArray, key);
    QFETCH(QString, sessionKind);
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(QString, messageHas);
    RawHeaders headers;
    if (!key.isEmpty())
        headers.append(qMakePair(QByteArray("X-Ombri-Key"), key));
    if (sessionKind == QLatin1String("valid"))
        headers.append(qMakePair(QByteArray("X-Ombri-Session"), session.toUtf8()));
    else if (sessionKind == QLatin1String("bogus"))
        headers.append(qMakePair(QByteArray("X-Ombri-Session"), QByteArray("s1.bogus.token.0000")));
    const HttpReply r = backend.request(method, fill(path), headers, body,
                                        body.isEmpty() ? QByteArray() : QByteArrayLiteral("application/json"));
    QCOMPARE(r.status, status);
    // The error body form: an object whose "error" member is the message.
    QVERIFY2(r.json().isObject() && r.json()[QStringLiteral("error")].isString(), r.body.constData());
    QVERIFY2(r.errorMessage().contains(messageHas), qPrintable(r.errorMessage()));
    // Only a session problem speaks of the session: the app signs out on it.
    const bool sessionError = sessionKind != QLatin1String("valid") && path.startsWith(QLatin1String("/api/me")) && !key.isEmpty();
    QCOMPARE(r.errorMessage().contains(QStringLiteral("sesión")) || r.errorMessage().contains(QStringLiteral("Sesión")),
             sessionError);
}

void ApiTest::pagedListsEnd_data()
{
    QTest::addColumn<QString>("path"); // %1 is the page
    QTest::addColumn<QString>("videosMember"); // for replies that hold the list in a member
    QTest::addColumn<bool>("signedIn");
    QTest::newRow("feed") << "/api/feed?cat=music&page=%1" << QString() << false;
    QTest::newRow("feed foryou") << "/api/feed?cat=foryou&page=%1" << QString() << false;
    QTest::newRow("search") << "/api/search?page=%1&q=de" << QString() << false;
    QTest::newRow("shorts") << "/api/shorts?page=%1" << QString() << false;
    QTest::newRow("channel videos") << "/api/channel/{channel}?page=%1" << "videos" << false;
    QTest::newRow("channel popular") << "/api/channel/{channel}?page=%1&tab=popular" << "videos" << false;
    QTest::newRow("account history") << "/api/me/feed?kind=history&page=%1" << QString() << true;
    QTest::newRow("account home") << "/api/me/feed?kind=home&page=%1" << QString() << true;
}

void ApiTest::pagedListsEnd()
{
    QFETCH(QString, path);
    QFETCH(QString, videosMember);
    QFETCH(bool, signedIn);
    auto pageOf = [&](qint64 n) {
        const HttpReply r = backend.get(fill(path).arg(n), signedIn ? session : QString());
        if (r.status != 200)
            qWarning("status %d for page %lld", r.status, n);
        const QJsonValue v = r.json();
        return videosMember.isEmpty() ? v.toArray() : v[videosMember].toArray();
    };
    QSet<QString> seen;
    int pages = 0;
    for (;; ++pages) {
        const QJsonArray list = pageOf(pages);
        if (list.isEmpty())
            break;
        for (const QJsonValue &v : list) {
            const QString id = v[QStringLiteral("id")].toString();
            QVERIFY2(!seen.contains(id), qPrintable(id));
            seen.insert(id);
        }
        QVERIFY(pages < 50);
    }
    QVERIFY2(pages >= 2, "a list of one page does not exercise paging");
    QVERIFY(pageOf(pages + 1).isEmpty());
    QVERIFY(pageOf(9000000000000000000LL).isEmpty());
}

void ApiTest::searchFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("query");
    for (const char *f : {"any", "today", "week", "month", "short", "medium", "long", "views", "recent"})
        QTest::newRow(f) << QString::fromLatin1(f) << QStringLiteral("de");
    QTest::newRow("live") << QStringLiteral("live") << QStringLiteral("directo");
}

void ApiTest::searchFilters()
{
    QFETCH(QString, filter);
    QFETCH(QString, query);
    const QString f = filter == QLatin1String("any") ? QString() : QStringLiteral("f=") + filter + QLatin1Char('&');
    const HttpReply r = backend.get(QStringLiteral("/api/search?%1page=0&q=%2").arg(f, query));
    QCOMPARE(r.status, 200);
    const QJsonArray list = r.json().toArray();
    QVERIFY(!list.isEmpty());
    const QDate ref = Fixtures::referenceDate();
    qint64 lastViews = std::numeric_limits<qint64>::max();
    QDate lastDate = QDate(9999, 1, 1);
    for (const QJsonValue &v : list) {
        const qint64 d = v[QStringLiteral("duration")].toInteger();
        const bool live = v[QStringLiteral("live")].toBool();
        const QDate day = QDate::fromString(
            backend.get(QStringLiteral("/api/video/") + v[QStringLiteral("id")].toString()).json()[QStringLiteral("uploadDate")].toString(),
            QStringLiteral("yyyy-MM-dd"));
        if (filter == QLatin1String("short")) QVERIFY(!live && d < 240);
        if (filter == QLatin1String("medium")) QVERIFY(!live && d >= 240 && d <= 1200);
        if (filter == QLatin1String("long")) QVERIFY(!live && d > 1200);
        if (filter == QLatin1String("live")) QVERIFY(live);
        if (filter == QLatin1String("today")) QCOMPARE(day, ref);
        if (filter == QLatin1String("week")) QVERIFY(day.daysTo(ref) <= 7);
        if (filter == QLatin1String("month")) QVERIFY(day.daysTo(ref) <= 31);
        if (filter == QLatin1String("views")) {
            QVERIFY(v[QStringLiteral("views")].toInteger() <= lastViews);
            lastViews = v[QStringLiteral("views")].toInteger();
        }
        if (filter == QLatin1String("recent")) {
            QVERIFY(day <= lastDate);
            lastDate = day;
        }
    }
}

void ApiTest::writesReachTheAccount()
{
    const QString me = backend.session(QStringLiteral("Escritora"));
    const QString id = backend.fixtures().videos()[5].id;
    auto firstOf = [&](const char *kind) {
        return backend.get(QStringLiteral("/api/me/feed?kind=%1&page=0").arg(QLatin1String(kind)), me)
            .json()[0][QStringLiteral("id")].toString();
    };
    auto post = [&](const QString &path, const QByteArray &body) {
        const HttpReply r = backend.send("POST", path, body, me);
        return r.status == 200 && r.json()[QStringLiteral("ok")].toBool();
    };
    QVERIFY(post(QStringLiteral("/api/me/like"), R"({"id":")" + id.toUtf8() + R"(","like":true})"));
    QCOMPARE(firstOf("liked"), id);
    QVERIFY(post(QStringLiteral("/api/me/like"), R"({"id":")" + id.toUtf8() + R"(","like":false})"));
    QVERIFY(firstOf("liked") != id);

    // Watched takes no body at all.
    QVERIFY(post(QStringLiteral("/api/me/watched/") + id, QByteArray()));
    QCOMPARE(firstOf("history"), id);

    const FxChannel &c = backend.fixtures().channels()[1];
    QVERIFY(post(QStringLiteral("/api/me/subscribe"), R"({"channelId":")" + c.id.toUtf8() + R"(","subscribe":true})"));
    const QString newest = backend.fixtures().videos()[c.videos.first()].id;
    bool found = false;
    for (const QJsonValue &v : backend.get(QStringLiteral("/api/me/feed?kind=subs&page=0"), me).json().toArray())
        found = found || v[QStringLiteral("id")].toString() == newest;
    QVERIFY(found);
}

void ApiTest::signOutEndsTheSession()
{
    const QString token = backend.session(QStringLiteral("Saliente"));
    QCOMPARE(backend.get(QStringLiteral("/api/me"), token).status, 200);
    const HttpReply out = backend.send("DELETE", QStringLiteral("/api/me"), {}, token);
    QCOMPARE(out.status, 200);
    const HttpReply after = backend.get(QStringLiteral("/api/me"), token);
    QCOMPARE(after.status, 401);
    QVERIFY(after.errorMessage().contains(QStringLiteral("sesión")));
    QCOMPARE(backend.get(QStringLiteral("/api/me"), session).status, 200); // other sessions live on
}

void ApiTest::requestLogKeepsWhatWasSent()
{
    backend.requests().clear();
    const QString target = QStringLiteral("/api/search?f=live&page=0&q=a%20b%26c%2B%C3%B1");
    QCOMPARE(backend.get(target, session).status, 200);
    auto rec = backend.requests().last(QStringLiteral("/api/search"));
    QVERIFY(rec);
    QCOMPARE(rec->method, QStringLiteral("GET"));
    QCOMPARE(rec->target(), target);
    QCOMPARE(rec->rawQuery, QStringLiteral("f=live&page=0&q=a%20b%26c%2B%C3%B1"));
    QCOMPARE(rec->header(QStringLiteral("x-ombri-key")), backend.apiKey());
    QCOMPARE(rec->header(QStringLiteral("X-Ombri-Session")), session);
    QCOMPARE(rec->status, 200);
    QCOMPARE(rec->line(), QStringLiteral("GET ") + target + QStringLiteral(" 200"));

    // An escaped path is kept as sent, and decoded for matching.
    backend.get(QStringLiteral("/api/video/abc%20d%3Fe"));
    rec = backend.requests().last(QStringLiteral("/api/video/"));
    QCOMPARE(rec->rawPath, QStringLiteral("/api/video/abc%20d%3Fe"));
    QCOMPARE(rec->path, QStringLiteral("/api/video/abc d?e"));
    QVERIFY(rec->rawQuery.isEmpty());
    QCOMPARE(rec->status, 404);

    const QByteArray body = R"({"cookies":[]})";
    backend.send("POST", QStringLiteral("/api/auth/session"), body);
    rec = backend.requests().last(QStringLiteral("/api/auth/session"));
    QCOMPARE(rec->body, body);
    QCOMPARE(rec->header(QStringLiteral("Content-Type")), QStringLiteral("application/json"));
    QCOMPARE(backend.requests().all().size(), 3);
}

void ApiTest::logFileHasOneLinePerRequest()
{
    QTemporaryDir dir;
    DevBackendOptions o;
    o.port = 0;
    o.logFile = dir.filePath(QStringLiteral("requests.log"));
    o.mediaDir = TestBackend::sharedMediaDir();
    {
        DevBackend server(o);
        QVERIFY(server.start());
        httplib::Client cli("127.0.0.1", server.port());
        cli.set_url_encode(false);
        const httplib::Headers key = {{"X-Ombri-Key", server.apiKey().toStdString()}};
        QVERIFY(cli.Get("/api/feed?cat=news&page=1", key));
        QVERIFY(cli.Get("/api/categories"));
        QVERIFY(cli.Delete("/api/me", key));
        QVERIFY(cli.Get("/__control/fault"));
    }
    QFile f(o.logFile);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(f.readAll()), QStringLiteral("GET /api/feed?cat=news&page=1 200\n"
                                                            "GET /api/categories 401\n"
                                                            "DELETE /api/me 401\n"
                                                            "GET /__control/fault 200\n"));
}

void ApiTest::signInFlow_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("status");
    QTest::newRow("account cookies") << QStringLiteral("normal") << 200;
    QTest::newRow("cookies the server rejects") << QStringLiteral("rejected") << 401;
    QTest::newRow("no account cookies") << QStringLiteral("nomarkers") << 401;
}

void ApiTest::signInFlow()
{
    QFETCH(QString, mode);
    QFETCH(int, status);
    const QByteArray port = QByteArray::number(backend.backend().port());
    // The provider's form, on the provider's host.
    const HttpReply form = backend.request("GET", QStringLiteral("/signin"), {{"Host", "accounts.localhost:" + port}});
    QCOMPARE(form.status, 200);
    QVERIFY(form.body.contains("<form"));
    const HttpReply sent = backend.request("POST", QStringLiteral("/signin"), {{"Host", "accounts.localhost:" + port}},
                                           "name=Ana+L%C3%B3pez&email=a%40b.es&password=x&mode=" + mode.toUtf8(),
                                           "application/x-www-form-urlencoded");
    QCOMPARE(sent.status, 303);
    const QUrl next(sent.header(QStringLiteral("Location")));
    QCOMPARE(next.host(), DevBackend::defaultVideoDomain());
    QCOMPARE(next.port(), backend.backend().port());

    // The video site's page sets the account cookies for its own host.
    const HttpReply done = backend.request("GET", next.path(QUrl::FullyEncoded) + QLatin1Char('?') + next.query(QUrl::FullyEncoded),
                                           {{"Host", next.host().toUtf8() + ':' + port}});
    QCOMPARE(done.status, 200);
    QJsonArray cookies;
    for (const QString &header : done.headerValues(QStringLiteral("Set-Cookie"))) {
        const QString pair = header.section(QLatin1Char(';'), 0, 0);
        QVERIFY(!header.contains(QStringLiteral("Domain="), Qt::CaseInsensitive)); // host-only: the page's own host
        cookies.append(QJsonObject{{"name", pair.section(QLatin1Char('='), 0, 0)},
                                   {"value", pair.section(QLatin1Char('='), 1)},
                                   {"domain", next.host()},
                                   {"path", QStringLiteral("/")},
                                   {"secure", header.contains(QStringLiteral("Secure"))},
                                   {"httpOnly", header.contains(QStringLiteral("HttpOnly"))},
                                   {"expires", 0}});
    }
    const bool markers = std::any_of(cookies.begin(), cookies.end(), [](const QJsonValue &c) {
        return c[QStringLiteral("name")] == QStringLiteral("SAPISID") || c[QStringLiteral("name")] == QStringLiteral("__Secure-3PAPISID");
    });
    QCOMPARE(markers, mode != QLatin1String("nomarkers"));

    const HttpReply exchange = backend.send("POST", QStringLiteral("/api/auth/session"),
                                            QJsonDocument(QJsonObject{{"cookies", cookies}}).toJson(QJsonDocument::Compact));
    QCOMPARE(exchange.status, status);
    if (status != 200) {
        QVERIFY(!exchange.errorMessage().isEmpty());
        return;
    }
    const QJsonValue reply = exchange.json();
    QVERIFY(reply[QStringLiteral("session")].isString());
    QCOMPARE(reply[QStringLiteral("account")][QStringLiteral("name")].toString(), QStringLiteral("Ana López"));
    QCOMPARE(reply[QStringLiteral("account")][QStringLiteral("handle")].toString(), QStringLiteral("@analopez"));
    const HttpReply me = backend.get(QStringLiteral("/api/me"), reply[QStringLiteral("session")].toString());
    QCOMPARE(me.status, 200);
    QCOMPARE(me.json().toObject(), reply[QStringLiteral("account")].toObject());
}

void ApiTest::sessionExchangeBodies_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    auto with = [this](const QStringList &names, const QString &value = {}) {
        QJsonArray list;
        for (const QJsonValue &c : backend.signInCookies())
            if (names.contains(c[QStringLiteral("name")].toString())) {
                QJsonObject o = c.toObject();
                if (!value.isNull())
                    o[QStringLiteral("value")] = value;
                list.append(o);
            }
        return QJsonDocument(QJsonObject{{"cookies", list}}).toJson(QJsonDocument::Compact);
    };
    QTest::newRow("both markers") << with({"PREF", "SAPISID", "__Secure-3PAPISID"}) << 200;
    QTest::newRow("only SAPISID") << with({"SAPISID"}) << 200;
    QTest::newRow("only __Secure-3PAPISID") << with({"__Secure-3PAPISID"}) << 200;
    QTest::newRow("no marker") << with({"PREF"}) << 401;
    QTest::newRow("empty list") << QByteArray(R"({"cookies":[]})") << 401;
    QTest::newRow("marker name in other case") << QByteArray(R"({"cookies":[{"name":"sapisid","value":"x"}]})") << 401;
    QTest::newRow("forged marker") << with({"SAPISID"}, QStringLiteral("dev1.QW5h.0000000000000000")) << 401;
    QTest::newRow("empty marker value") << with({"SAPISID"}, QStringLiteral("")) << 401;
    QTest::newRow("cookies not a list") << QByteArray(R"({"cookies":{}})") << 400;
    QTest::newRow("not JSON") << QByteArray("cookies=1") << 400;
    QTest::newRow("no body") << QByteArray() << 400;
}

void ApiTest::sessionExchangeBodies()
{
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    const HttpReply r = backend.send("POST", QStringLiteral("/api/auth/session"), body);
    QCOMPARE(r.status, status);
    if (status == 200) {
        QVERIFY(r.json()[QStringLiteral("session")].isString());
        QCOMPARE(r.json()[QStringLiteral("account")][QStringLiteral("name")].toString(), QStringLiteral("Usuario de prueba"));
    } else {
        QVERIFY(!r.errorMessage().isEmpty());
    }
}

void ApiTest::feedPageIsFast()
{
    httplib::Client cli("127.0.0.1", backend.backend().port());
    const httplib::Headers key = {{"X-Ombri-Key", backend.apiKey().toStdString()}};
    QVERIFY(cli.Get("/api/feed?cat=foryou&page=0", key)); // connect once
    QElapsedTimer t;
    t.start();
    constexpr int n = 100;
    for (int i = 0; i < n; ++i) {
        const auto res = cli.Get(QStringLiteral("/api/feed?cat=foryou&page=%1").arg(i % 5).toStdString(), key);
        QVERIFY(res && res->status == 200);
    }
    const double perPage = double(t.nsecsElapsed()) / 1e6 / n;
    QVERIFY2(perPage < 10.0, qPrintable(QStringLiteral("%1 ms per page").arg(perPage)));
}

QTEST_GUILESS_MAIN(ApiTest)
#include "tst_devbackend_api.moc"
