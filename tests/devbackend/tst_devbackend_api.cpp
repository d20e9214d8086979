// Every endpoint of the backend interface, its errors, paging, the account
// writes, the request log and the sign-in, against the server in-process.
#include "API.h"
#include "Account.h"
#include "AccountBook.h"
#include "Category.h"
#include "Changelog.h"
#include "ChannelInfo.h"
#include "Comment.h"
#include "Cue.h"
#include "DevBackend.h"
#include "Fixtures.h"
#include "SponsorSegment.h"
#include "TestBackend.h"
#include "VideoDetail.h"
#include "YTPlaylist.h"

#include <httplib.h>

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

namespace {

// Decodes a reply with the app's own types and writes it back. The result
// equals the reply only when every field has the name and kind the app reads
// and absent fields are left out, not null (Video alone decodes leniently).
using RoundTrip = std::function<QJsonValue(const QJsonValue &)>;
template<class T>
RoundTrip as()
{
    return [](const QJsonValue &v) { return Json::toValue(Json::fromValue<T>(v)); };
}

QByteArray text(const QJsonValue &v) { return QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact); }

} // namespace

Q_DECLARE_METATYPE(RoundTrip)

class ApiTest : public QObject
{
    Q_OBJECT

    TestBackend backend;
    QString session;
    QHash<QString, QString> ids;

    // Replaces {name} with the percent-encoded id of that name.
    QString fill(QString path) const
    {
        for (auto it = ids.cbegin(); it != ids.cend(); ++it)
            path.replace(u'{' + it.key() + u'}', QString::fromLatin1(QUrl::toPercentEncoding(it.value())));
        return path;
    }
    QStringList idsIn(const QString &pathAndQuery, const QString &token) const
    {
        QStringList out;
        for (const QJsonValue &v : backend.get(pathAndQuery, token).json().toArray())
            out << v[u"id"].toString();
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(backend.isRunning(), qPrintable(backend.error()));
        QCOMPARE(qEnvironmentVariable("NIMBELORA_BACKEND_URL"), backend.origin());
        session = backend.session();
        const Fixtures &fx = backend.fixtures();
        for (const FxVideo &v : fx.videos()) {
            // Every per-video list filled, so no form is checked on an empty list.
            if (!ids.contains("video") && v.canPlay && !v.live && !v.commentsOff && !fx.captionTracksJson(v).isEmpty() &&
                !fx.sponsorJson(v).isEmpty() && !fx.chaptersJson(v).isEmpty())
                ids["video"] = v.id;
            if (!ids.contains("lang") && fx.captionTracksJson(v).size() > 1) { // not only the first language
                ids["captioned"] = v.id;
                ids["lang"] = fx.captionTracksJson(v).last()[u"lang"].toString();
            }
        }
        ids["video2"] = fx.videos()[1].id;
        ids["channel"] = fx.channels()[0].id;
        ids["handle"] = fx.channels()[0].handle;
        ids["playlist"] = fx.playlists()[0].id;
        ids["key"] = backend.apiKey();
        QCOMPARE(ids.size(), 8);
    }

    void endpointForms_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<RoundTrip>("form");
        auto row = [](const char *name, const char *path, const RoundTrip &form) { QTest::newRow(name) << path << form; };
        const RoundTrip videos = as<QList<Video>>(), detail = as<VideoDetail>(), comments = as<QList<Comment>>(),
                        channel = as<ChannelInfo>();
        row("categories", "/api/categories", as<QList<Category>>());
        row("feed", "/api/feed?cat=foryou&page=0", videos);
        row("search", "/api/search?f=month&page=0&q=de", videos);
        row("suggest", "/api/suggest?q=rec", as<QList<QString>>());
        row("shorts", "/api/shorts?page=0", videos);
        row("video", "/api/video/{video}", detail);
        row("video fast", "/api/video/{video}?fast=1", detail);
        row("related", "/api/related/{video}", videos);
        row("sponsor", "/api/sponsor/{video}", as<QList<SponsorSegment>>());
        row("comments top", "/api/comments/{video}?sort=top", comments);
        row("comments new", "/api/comments/{video}?sort=new", comments);
        row("captions", "/api/captions/{captioned}/{lang}", as<QList<Cue>>());
        row("channel", "/api/channel/{channel}?page=0", channel);
        row("channel popular", "/api/channel/{channel}?page=0&tab=popular", channel);
        row("channel shorts by handle", "/api/channel/{handle}?page=0&tab=shorts", channel);
        row("playlist", "/api/playlist/{playlist}", as<YTPlaylist>());
        row("avatars", "/api/avatars?keys={channel}%2C{handle}%2Cnadie", as<QMap<QString, QString>>());
        row("warm", "/api/warm?ids={video}%2C{video2}", [](const QJsonValue &v) { // never looked into
            Json::fromValue<std::optional<API::Ok>>(v);
            return v;
        });
        row("changelog", "/api/changelog", as<Changelog>());
        row("me", "/api/me", as<Account>());
        for (const QString &kind : AccountBook::listKinds())
            QTest::addRow("me feed %s", qPrintable(kind)) << "/api/me/feed?kind=" + kind + "&page=0" << videos;
    }

    void endpointForms()
    {
        QFETCH(QString, path);
        QFETCH(RoundTrip, form);
        // Signed in throughout: the app sends its session with every request.
        const HttpReply r = backend.get(fill(path), session);
        QCOMPARE(r.status, 200);
        QVERIFY2(r.header("Content-Type").startsWith(u"application/json"), qPrintable(r.header("Content-Type")));
        const QJsonValue v = r.json();
        QVERIFY2(!v.isArray() || !v.toArray().isEmpty(), "an empty list shows nothing of its elements");
        try {
            QCOMPARE(text(form(v)), text(v));
        } catch (const DecodingError &e) {
            QFAIL(qPrintable(e.description() + " (" + e.key + ')'));
        }
    }

    void errorReplies_data()
    {
        QTest::addColumn<QString>("request"); // method and path
        QTest::addColumn<QString>("auth");    // nokey, badkey, key, bogus (key + bad session), session (key + good one)
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("messageHas");
        auto row = [](const char *name, const char *request, const char *auth, int status, const char *has,
                      const QByteArray &body = {}) { QTest::newRow(name) << request << auth << body << status << has; };
        row("no key", "GET /api/feed?cat=foryou&page=0", "nokey", 401, "Clave");
        row("wrong key", "GET /api/categories", "badkey", 401, "Clave");
        row("key in k is not enough", "GET /api/categories?k={key}", "nokey", 401, "Clave");
        // Every account handler checks the session itself.
        row("me without session", "GET /api/me", "key", 401, "sesión");
        row("me with bogus session", "GET /api/me", "bogus", 401, "sesión");
        row("me feed without session", "GET /api/me/feed?kind=home&page=0", "key", 401, "sesión");
        row("like without session", "POST /api/me/like", "key", 401, "sesión", R"({"id":"x","like":true})");
        row("subscribe without session", "POST /api/me/subscribe", "key", 401, "sesión", R"({"channelId":"x","subscribe":true})");
        row("watched with bogus session", "POST /api/me/watched/{video}", "bogus", 401, "sesión");
        row("sign out without session", "DELETE /api/me", "key", 401, "sesión");
        row("unknown category", "GET /api/feed?cat=nope&page=0", "key", 404, "Categoría");
        row("unknown filter", "GET /api/search?f=bogus&page=0&q=a", "key", 400, "Filtro");
        row("negative page", "GET /api/feed?cat=foryou&page=-1", "key", 400, "página");
        row("page not a number", "GET /api/shorts?page=uno", "key", 400, "página");
        row("unknown sort", "GET /api/comments/{video}?sort=best", "key", 400, "Orden");
        row("unknown tab", "GET /api/channel/{channel}?page=0&tab=live", "key", 400, "Pestaña");
        row("unknown channel", "GET /api/channel/UCnadie?page=0", "key", 404, "canal");
        row("escaped id not found", "GET /api/video/no%20such%3Fid", "key", 404, "vídeo");
        row("no such caption", "GET /api/captions/{video}/xx", "key", 404, "subtítulos");
        row("unknown playlist", "GET /api/playlist/PLnada", "key", 404, "lista");
        row("unknown list kind", "GET /api/me/feed?kind=bogus&page=0", "session", 400, "Lista");
        row("like with a bad body", "POST /api/me/like", "session", 400, "cuerpo", R"({"id":"x","like":1})");
        row("subscribe without body", "POST /api/me/subscribe", "session", 400, "cuerpo");
        row("unknown route", "GET /api/nada", "key", 404, "Ruta");
        row("wrong method", "GET /api/me/like", "session", 404, "Ruta");
    }

    void errorReplies()
    {
        QFETCH(QString, request);
        QFETCH(QString, auth);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, messageHas);
        const QString path = request.section(u' ', 1);
        RawHeaders headers;
        if (auth != u"nokey")
            headers.append({"X-Ombri-Key", auth == u"badkey" ? QByteArray("nope") : backend.apiKey().toUtf8()});
        if (auth == u"session" || auth == u"bogus")
            headers.append({"X-Ombri-Session", auth == u"bogus" ? QByteArray("s1.bogus.token.0000") : session.toUtf8()});
        const HttpReply r = backend.request(request.section(u' ', 0, 0).toLatin1(), fill(path), headers, body,
                                            body.isEmpty() ? QByteArray() : QByteArrayLiteral("application/json"));
        QCOMPARE(r.status, status);
        // The error body form: an object whose "error" member is the message.
        QVERIFY2(r.json().isObject() && r.json()[u"error"].isString(), r.body.constData());
        QVERIFY2(r.errorMessage().contains(messageHas), qPrintable(r.errorMessage()));
        // Only a session problem speaks of the session: the app signs out on it.
        const bool sessionError = (auth == u"key" || auth == u"bogus") && path.startsWith(u"/api/me");
        QCOMPARE(r.errorMessage().contains(u"esión"), sessionError);
    }

    void pagedListsEnd_data()
    {
        QTest::addColumn<QString>("path");         // %1 is the page
        QTest::addColumn<QString>("videosMember"); // for replies that hold the list in a member
        QTest::addColumn<qsizetype>("total");
        const Fixtures &fx = backend.fixtures();
        QTest::newRow("feed") << "/api/feed?cat=music&page=%1" << QString() << fx.feed("music")->size();
        QTest::newRow("search") << "/api/search?page=%1&q=de" << QString() << fx.search("de", {})->size();
        QTest::newRow("shorts") << "/api/shorts?page=%1" << QString() << fx.shorts().size();
        QTest::newRow("channel") << "/api/channel/{channel}?page=%1" << "videos" << fx.channels()[0].videos.size();
        QTest::newRow("account") << "/api/me/feed?kind=history&page=%1" << QString()
                                 << backend.backend().accounts().list(QStringLiteral("Usuario de prueba"), "history")->size();
    }

    // Pages neither repeat nor lose an item, and end with empty ones.
    void pagedListsEnd()
    {
        QFETCH(QString, path);
        QFETCH(QString, videosMember);
        QFETCH(qsizetype, total);
        auto pageOf = [&](qint64 n) {
            const QJsonValue v = backend.get(fill(path).arg(n), session).json();
            return videosMember.isEmpty() ? v.toArray() : v[videosMember].toArray();
        };
        QSet<QString> seen;
        int pages = 0;
        for (QJsonArray list; !(list = pageOf(pages)).isEmpty() && pages < 50; ++pages)
            for (const QJsonValue &v : list) {
                QVERIFY2(!seen.contains(v[u"id"].toString()), qPrintable(v[u"id"].toString()));
                seen.insert(v[u"id"].toString());
            }
        QVERIFY2(pages >= 2, "a list of one page does not exercise paging");
        QCOMPARE(seen.size(), total);
        QVERIFY(pageOf(pages + 1).isEmpty());
        QVERIFY(pageOf(9000000000000000000LL).isEmpty());
    }

    void accountWritesAndSignOut()
    {
        const QString me = backend.session(QStringLiteral("Escritora"));
        const QString id = backend.fixtures().videos()[5].id;
        const FxChannel &c = backend.fixtures().channels()[1];
        const QString newest = backend.fixtures().videos()[c.videos.first()].id;
        auto list = [&](const QString &kind, const QString &who) { return idsIn("/api/me/feed?kind=" + kind + "&page=0", who); };
        auto post = [&](const QString &path, const QByteArray &body = {}) {
            const HttpReply r = backend.send("POST", path, body, me);
            return r.status == 200 && r.json()[u"ok"].toBool();
        };
        QVERIFY(post("/api/me/like", R"({"id":")" + id.toUtf8() + R"(","like":true})"));
        QCOMPARE(list("liked", me).value(0), id);
        QVERIFY(post("/api/me/like", R"({"id":")" + id.toUtf8() + R"(","like":false})"));
        QVERIFY(!list("liked", me).contains(id));
        QVERIFY(post("/api/me/watched/" + id)); // no body at all
        QCOMPARE(list("history", me).value(0), id);
        QVERIFY(list("history", session).value(0) != id); // accounts are separate
        QVERIFY(post("/api/me/subscribe", R"({"channelId":")" + c.id.toUtf8() + R"(","subscribe":true})"));
        QVERIFY(list("subs", me).contains(newest));
        QVERIFY(post("/api/me/subscribe", R"({"channelId":")" + c.id.toUtf8() + R"(","subscribe":false})"));
        QVERIFY(!list("subs", me).contains(newest));

        QCOMPARE(backend.send("DELETE", "/api/me", {}, me).status, 200);
        const HttpReply after = backend.get("/api/me", me);
        QCOMPARE(after.status, 401);
        QVERIFY(after.errorMessage().contains(u"sesión"));
        QCOMPARE(backend.get("/api/me", session).status, 200); // other sessions live on
    }

    // Other tests assert on the log: paths as sent and decoded for matching,
    // control calls only in the file, one line each.
    void requestLog()
    {
        QTemporaryDir dir;
        DevBackendOptions o;
        o.port = 0;
        o.logFile = dir.filePath("requests.log");
        o.mediaDir = TestBackend::sharedMediaDir();
        {
            DevBackend server(o);
            QVERIFY(server.start());
            httplib::Client cli("127.0.0.1", server.port());
            cli.set_url_encode(false);
            const httplib::Headers key = {{"X-Ombri-Key", server.apiKey().toStdString()}};
            QVERIFY(cli.Get("/api/search?f=live&page=0&q=a%20b%26c%2B%C3%B1", key));
            QVERIFY(cli.Get("/api/video/abc%20d%3Fe", key));
            QVERIFY(cli.Delete("/api/me"));
            QVERIFY(cli.Get("/__control/fault"));
            QCOMPARE(server.requestLog().all().size(), 3);
            const auto rec = server.requestLog().last("/api/video/abc d?e");
            QVERIFY(rec && rec->rawPath == u"/api/video/abc%20d%3Fe");
        }
        QFile f(o.logFile);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()), u"GET /api/search?f=live&page=0&q=a%20b%26c%2B%C3%B1 200\n"
                                                 u"GET /api/video/abc%20d%3Fe 404\n"
                                                 u"DELETE /api/me 401\n"
                                                 u"GET /__control/fault 200\n");
    }

    void signInFlow_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("status");
        QTest::newRow("account cookies") << "normal" << 200;
        QTest::newRow("cookies the server rejects") << "rejected" << 401;
        QTest::newRow("no account cookies") << "nomarkers" << 401;
    }

    // The provider's form, its redirect to the video site, the cookies that
    // page sets, and their exchange for a session.
    void signInFlow()
    {
        QFETCH(QString, mode);
        QFETCH(int, status);
        const QByteArray port = QByteArray::number(backend.backend().port());
        const RawHeaders provider = {{"Host", "accounts.localhost:" + port}};
        const HttpReply form = backend.request("GET", "/signin", provider);
        QCOMPARE(form.status, 200);
        QVERIFY(form.body.contains("<form"));
        const HttpReply sent = backend.request("POST", "/signin", provider,
                                               "name=Ana+L%C3%B3pez&email=a%40b.es&password=x&mode=" + mode.toUtf8(),
                                               "application/x-www-form-urlencoded");
        QCOMPARE(sent.status, 303);
        const QUrl next(sent.header("Location"));
        QCOMPARE(next.host(), DevBackend::defaultVideoDomain());
        QCOMPARE(next.port(), backend.backend().port());

        const HttpReply done = backend.request("GET", next.path(QUrl::FullyEncoded) + u'?' + next.query(QUrl::FullyEncoded),
                                               {{"Host", next.host().toUtf8() + ':' + port}});
        QCOMPARE(done.status, 200);
        QJsonArray cookies;
        bool markers = false;
        for (const QString &header : done.headerValues("Set-Cookie")) {
            const QString pair = header.section(u';', 0, 0), name = pair.section(u'=', 0, 0);
            QVERIFY(!header.contains(u"Domain=", Qt::CaseInsensitive)); // host-only: the page's own host
            markers = markers || name == u"SAPISID" || name == u"__Secure-3PAPISID";
            cookies.append(QJsonObject{{"name", name}, {"value", pair.section(u'=', 1)}, {"domain", next.host()}, {"path", "/"},
                                       {"secure", header.contains(u"Secure")}, {"httpOnly", header.contains(u"HttpOnly")}});
        }
        QCOMPARE(markers, mode != u"nomarkers");

        const QByteArray body = QJsonDocument(QJsonObject{{"cookies", cookies}}).toJson();
        const HttpReply exchange = backend.send("POST", "/api/auth/session", body);
        QCOMPARE(exchange.status, status);
        QVERIFY(status == 200 || !exchange.errorMessage().isEmpty());
        if (status == 200) {
            const QJsonValue reply = exchange.json();
            QCOMPARE(reply[u"account"][u"handle"].toString(), u"@analopez");
            const HttpReply me = backend.get("/api/me", reply[u"session"].toString());
            QCOMPARE(me.json().toObject(), reply[u"account"].toObject());
        }
    }

    void sessionExchangeBodies_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        // The cookies the app's sign-in hands over: only those named, their value replaced when given.
        auto with = [this](const QStringList &names, const QString &value = {}) {
            QJsonArray list;
            for (const QJsonValue &c : backend.signInCookies())
                if (names.contains(c[u"name"].toString())) {
                    QJsonObject o = c.toObject();
                    if (!value.isNull())
                        o["value"] = value;
                    list.append(o);
                }
            return QJsonDocument(QJsonObject{{"cookies", list}}).toJson();
        };
        QTest::newRow("both markers") << with({"PREF", "SAPISID", "__Secure-3PAPISID"}) << 200;
        QTest::newRow("only SAPISID") << with({"SAPISID"}) << 200;
        QTest::newRow("only __Secure-3PAPISID") << with({"__Secure-3PAPISID"}) << 200;
        QTest::newRow("no marker") << with({"PREF"}) << 401;
        QTest::newRow("marker name in other case") << QByteArray(R"({"cookies":[{"name":"sapisid","value":"x"}]})") << 401;
        QTest::newRow("forged marker") << with({"SAPISID"}, "dev1.QW5h.0000000000000000") << 401;
        QTest::newRow("empty marker value") << with({"SAPISID"}, QStringLiteral("")) << 401;
        QTest::newRow("cookies not a list") << QByteArray(R"({"cookies":{}})") << 400;
        QTest::newRow("not JSON") << QByteArray("cookies=1") << 400;
    }

    void sessionExchangeBodies()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        const HttpReply r = backend.send("POST", "/api/auth/session", body);
        QCOMPARE(r.status, status);
        QVERIFY(status == 200 ? r.json()[u"session"].isString() : !r.errorMessage().isEmpty());
        if (status == 200)
            QCOMPARE(r.json()[u"account"][u"name"].toString(), u"Usuario de prueba");
    }

    // Every app test pages through the backend: serving must stay cheap.
    void feedPageIsFast()
    {
        httplib::Client cli("127.0.0.1", backend.backend().port());
        const httplib::Headers key = {{"X-Ombri-Key", backend.apiKey().toStdString()}};
        QVERIFY(cli.Get("/api/feed?cat=foryou&page=0", key)); // connect once
        QElapsedTimer t;
        t.start();
        constexpr int n = 100;
        for (int i = 0; i < n; ++i) {
            const auto res = cli.Get("/api/feed?cat=foryou&page=" + std::to_string(i % 5), key);
            QVERIFY(res && res->status == 200);
        }
        const double perPage = double(t.nsecsElapsed()) / 1e6 / n;
        QVERIFY2(perPage < 10.0, qPrintable(QStringLiteral("%1 ms per page").arg(perPage)));
    }
};

QTEST_GUILESS_MAIN(ApiTest)
#include "tst_devbackend_api.moc"
