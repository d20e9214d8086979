// The backend client against the in-process development backend: what goes
// on the wire for every endpoint, and how each status and body comes back as
// a value or as the right error.
#include "API.h"
#include "FaultSwitches.h"
#include "Fixtures.h"
#include "TestBackend.h"

#include <QJsonDocument>
#include <QTest>
#include <QThread>

#include <functional>
#include <memory>

namespace {

struct Outcome
{
    bool done = false;
    bool ok = false;
    std::exception_ptr error;
};

// Runs a task to its end on the event loop and records how it ended.
template<class T>
std::shared_ptr<Outcome> finish(QCoro::Task<T> task, int ms = 15000)
{
    auto out = std::make_shared<Outcome>();
    [](QCoro::Task<T> t, std::shared_ptr<Outcome> o) -> QCoro::Task<> {
        try {
            co_await t;
            o->ok = true;
        } catch (...) {
            o->error = std::current_exception();
        }
        o->done = true;
    }(std::move(task), out);
    QTest::qWaitFor([&] { return out->done; }, ms);
    return out;
}

// "ok", "server:<description>", "badURL", "badResponse", "decoding" or "transport".
QString verdict(const Outcome &o)
{
    if (!o.done)
        return QStringLiteral("unfinished");
    if (!o.error)
        return QStringLiteral("ok");
    try {
        std::rethrow_exception(o.error);
    } catch (const APIError &e) {
        switch (e.kind()) {
        case APIError::Kind::server:
            return QStringLiteral("server:") + e.description();
        case APIError::Kind::badURL:
            return QStringLiteral("badURL");
        case APIError::Kind::badResponse:
            if (e.description() != QStringLiteral("El servidor no respondió correctamente."))
                return QStringLiteral("badResponse with another text");
            return QStringLiteral("badResponse");
        }
    } catch (const DecodingError &) {
        return QStringLiteral("decoding");
    } catch (const TransportError &) {
        return QStringLiteral("transport");
    } catch (...) {
    }
    return QStringLiteral("other");
}

using Call = std::function<std::shared_ptr<Outcome>()>;

// Records the thread each decode runs on.
struct ThreadProbe
{
    static inline std::atomic<QThread *> thread = nullptr;
    static ThreadProbe fromJson(const QJsonValue &)
    {
        thread = QThread::currentThread();
        return {};
    }
};

} // namespace

Q_DECLARE_METATYPE(Call)
Q_DECLARE_METATYPE(FaultRule::Body)

class TestAPIBackend : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestBackend> m_backend;
    QString m_video, m_video2, m_channel, m_playlist, m_category, m_filter, m_captioned, m_lang;

private slots:
    void initTestCase()
    {
        m_backend = std::make_unique<TestBackend>();
        QVERIFY2(m_backend->isRunning(), qPrintable(m_backend->error()));
        const Fixtures &fx = m_backend->fixtures();
        QVERIFY(fx.videos().size() > 2 && !fx.channels().isEmpty() && !fx.playlists().isEmpty());
        m_video = fx.videos().at(0).id;
        m_video2 = fx.videos().at(1).id;
        m_channel = fx.channels().at(0).id;
        m_playlist = fx.playlists().at(0).id;
        for (const FxVideo &video : fx.videos()) {
            const QJsonArray tracks = fx.captionTracksJson(video);
            if (m_lang.isEmpty() && !tracks.isEmpty()) {
                m_captioned = video.id;
                m_lang = tracks.first().toObject().value("lang").toString();
            }
        }
        QVERIFY(!m_lang.isEmpty());
        m_category = fx.categoryIds().value(1, fx.categoryIds().value(0));
        m_filter = fx.searchFilterIds().contains(QStringLiteral("month")) ? QStringLiteral("month")
                                                                          : fx.searchFilterIds().value(1);
    }

    void init()
    {
        QVERIFY(API::shared().setBaseUrl(QUrl(m_backend->origin())));
        API::shared().setSession(std::nullopt);
        API::shared().setTransferTimeout(60000);
        m_backend->clearFaults();
    }

    void cleanupTestCase() { m_backend.reset(); }

    void requestOnTheWire_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("rawPath");
        QTest::addColumn<QString>("rawQuery");
        QTest::addColumn<QByteArray>("body"); // JSON text; empty: no body
        QTest::addColumn<bool>("succeeds");   // against the fixtures, signed out

        API &api = API::shared();
        const QString v = m_video, v2 = m_video2, c = m_channel, p = m_playlist, cat = m_category, f = m_filter, cv = m_captioned, lang = m_lang;
        auto row = [](const char *name, Call call, const char *method, const QString &path, const QString &query,
                      const QByteArray &body, bool succeeds) {
            QTest::newRow(name) << call << QString::fromLatin1(method) << path << query << body << succeeds;
        };
        row("feed", [&api, cat] { return finish(api.feed(cat, 2)); }, "GET", "/api/feed",
            "cat=" + cat + "&page=2", {}, true);
        row("search without filter", [&api] { return finish(api.search("a b&c", 0)); }, "GET", "/api/search",
            "page=0&q=a%20b%26c", {}, true);
        row("search with any", [&api] { return finish(api.search("gatos", 1, QStringLiteral("any"))); }, "GET",
            "/api/search", "page=1&q=gatos", {}, true);
        row("search with a filter", [&api, f] { return finish(api.search("gatos", 1, f)); }, "GET", "/api/search",
            "f=" + f + "&page=1&q=gatos", {}, true);
        row("suggest", [&api] { return finish(api.suggest(QStringLiteral("ñu +"))); }, "GET", "/api/suggest",
            "q=%C3%B1u%20%2B", {}, true);
        row("shorts", [&api] { return finish(api.shorts(3)); }, "GET", "/api/shorts", "page=3", {}, true);
        row("meFeed", [&api] { return finish(api.meFeed("liked", 0)); }, "GET", "/api/me/feed",
            "kind=liked&page=0", {}, false);
        row("categories", [&api] { return finish(api.categories()); }, "GET", "/api/categories", "", {}, true);
        row("video fast", [&api, v] { return finish(api.video(v, true)); }, "GET", "/api/video/" + v, "fast=1", {},
            true);
        row("video full", [&api, v] { return finish(api.video(v, false)); }, "GET", "/api/video/" + v, "", {},
            true);
        row("related", [&api, v] { return finish(api.related(v)); }, "GET", "/api/related/" + v, "", {}, true);
        row("sponsor", [&api, v] { return finish(api.sponsor(v)); }, "GET", "/api/sponsor/" + v, "", {}, true);
        row("comments", [&api, v] { return finish(api.comments(v, "new")); }, "GET", "/api/comments/" + v,
            "sort=new", {}, true);
        row("captions", [&api, cv, lang] { return finish(api.captions(cv, lang)); }, "GET",
            "/api/captions/" + cv + "/" + lang, "", {}, true);
        row("channel videos", [&api, c] { return finish(api.channel(c, 0, "videos")); }, "GET",
            "/api/channel/" + c, "page=0", {}, true);
        row("channel popular", [&api, c] { return finish(api.channel(c, 0, "popular")); }, "GET",
            "/api/channel/" + c, "page=0&tab=popular", {}, true);
        row("playlist", [&api, p] { return finish(api.playlist(p)); }, "GET", "/api/playlist/" + p, "", {}, true);
        row("avatars", [&api, c] { return finish(api.avatars({c, "@canal"})); }, "GET", "/api/avatars",
            "keys=" + c + "%2C%40canal", {}, true);
        row("warm", [&api, v, v2] { return finish(api.warm({v, v2})); }, "GET", "/api/warm",
            "ids=" + v + "%2C" + v2, {}, true);
        row("changelog", [&api] { return finish(api.changelog()); }, "GET", "/api/changelog", "", {}, true);
        row("me", [&api] { return finish(api.me()); }, "GET", "/api/me", "", {}, false);
        row("createSession, no cookies", [&api] { return finish(api.createSession({})); }, "POST",
            "/api/auth/session", "", R"({"cookies":[]})", false);
        row("syncLike", [&api, v] { return finish(api.syncLike(v, true)); }, "POST", "/api/me/like", "",
            R"({"id":")" + v.toUtf8() + R"(","like":true})", true);
        row("syncSubscribe", [&api, c] { return finish(api.syncSubscribe(c, false)); }, "POST",
            "/api/me/subscribe", "", R"({"channelId":")" + c.toUtf8() + R"(","subscribe":false})", true);
        row("markWatched", [&api, v] { return finish(api.markWatched(v)); }, "POST", "/api/me/watched/" + v, "",
            {}, true);
        row("signOut", [&api] { return finish(api.signOut()); }, "DELETE", "/api/me", "", {}, true);
        // Ids that would leave their endpoint if set into the path as they are.
        row("id stepping up", [&api] { return finish(api.video("../me", false)); }, "GET", "/api/video/..%2Fme",
            "", {}, false);
        row("id with query and fragment", [&api] { return finish(api.comments("a/b?c#d", "top")); }, "GET",
            "/api/comments/a%2Fb%3Fc%23d", "sort=top", {}, false);
        row("language with a slash", [&api, v] { return finish(api.captions(v, "es/../../me")); }, "GET",
            "/api/captions/" + v + "/es%2F..%2F..%2Fme", "", {}, false);
    }

    void requestOnTheWire()
    {
        QFETCH(Call, call);
        QFETCH(QString, method);
        QFETCH(QString, rawPath);
        QFETCH(QString, rawQuery);
        QFETCH(QByteArray, body);
        QFETCH(bool, succeeds);

        const qint64 before = m_backend->requests().lastSeq();
        const auto out = call();
        QVERIFY(out->done);
        const auto sent = m_backend->requests().since(before);
        QCOMPARE(sent.size(), 1);
        const RequestRecord &r = sent.first();
        QCOMPARE(r.method, method);
        QCOMPARE(r.rawPath, rawPath);
        QCOMPARE(r.rawQuery, rawQuery);
        QCOMPARE(r.header("X-Ombri-Key"), m_backend->apiKey());
        QVERIFY(!r.hasHeader("X-Ombri-Session"));
        if (body.isEmpty()) {
            QVERIFY(r.body.isEmpty());
            QVERIFY(!r.hasHeader("Content-Type"));
            // A bodiless write says so; without a length some servers wait for one.
            if (method != u"GET")
                QCOMPARE(r.header("Content-Length"), QStringLiteral("0"));
        } else {
            QCOMPARE(r.header("Content-Type"), QStringLiteral("application/json"));
            QCOMPARE(QJsonDocument::fromJson(r.body), QJsonDocument::fromJson(body));
        }
        QVERIFY2(out->ok == succeeds, qPrintable(verdict(*out)));
    }

    void sessionHeaderFollowsTheToken()
    {
        API &api = API::shared();
        const QString token = m_backend->session();
        api.setSession(token);
        auto feed = finish(api.meFeed("history", 0));
        QVERIFY2(feed->ok, qPrintable(verdict(*feed)));
        QCOMPARE(m_backend->requests().last()->header("X-Ombri-Session"), token);
        finish(api.syncLike(m_video, false));
        QCOMPARE(m_backend->requests().last()->header("X-Ombri-Session"), token);

        api.setSession(std::nullopt);
        auto after = finish(api.meFeed("history", 0));
        QVERIFY(!m_backend->requests().last()->hasHeader("X-Ombri-Session"));
        QCOMPARE(verdict(*after).section(':', 0, 0), QStringLiteral("server"));
    }

    // The sign-in exchange end to end: cookies out, token and account back.
    void signInRoundTrip()
    {
        API &api = API::shared();
        QList<QJsonObject> cookies;
        for (const QJsonValue &c : m_backend->signInCookies(QStringLiteral("Lucía Pérez")))
            cookies.append(c.toObject());
        std::optional<SessionResponse> session;
        [](API &api, QList<QJsonObject> cookies, std::optional<SessionResponse> *out) -> QCoro::Task<> {
            try {
                *out = co_await api.createSession(cookies);
            } catch (...) {
            }
        }(api, cookies, &session);
        QTRY_VERIFY(session.has_value());
        QVERIFY(!session->session.isEmpty());
        QCOMPARE(session->account.name, QStringLiteral("Lucía Pérez"));
        QCOMPARE(QJsonDocument::fromJson(m_backend->requests().last()->body).object().value("cookies").toArray(),
                 m_backend->signInCookies(QStringLiteral("Lucía Pérez")));

        api.setSession(session->session);
        std::optional<Account> account;
        [](API &api, std::optional<Account> *out) -> QCoro::Task<> {
            try {
                *out = co_await api.me();
            } catch (...) {
            }
        }(api, &account);
        QTRY_VERIFY(account.has_value());
        QCOMPARE(account->name, QStringLiteral("Lucía Pérez"));
    }

    void statusRule_data()
    {
        QTest::addColumn<int>("call"); // 0 read list, 1 read optional Ok, 2 write optional Ok
        QTest::addColumn<int>("status");
        QTest::addColumn<FaultRule::Body>("kind");
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("expected");
        using B = FaultRule::Body;
        const QByteArray list = R"([{"id":"musica","name":"Música"}])";
        auto row = [](const char *name, int call, int status, B kind, const QByteArray &raw, const QString &message,
                      const QString &expected) {
            QTest::newRow(name) << call << status << kind << raw << message << expected;
        };
        // Reads: exactly 200 succeeds.
        row("read 200", 0, 200, B::Raw, list, {}, "ok");
        row("read 200 empty list", 0, 200, B::Raw, "[]", {}, "ok");
        row("read 201 with a list", 0, 201, B::Raw, list, {}, "badResponse");
        row("read 201 with an error body", 0, 201, B::Default, {}, "Creado, pero no", "server:Creado, pero no");
        row("read 204", 0, 204, B::Empty, {}, {}, "badResponse");
        row("read 404", 0, 404, B::Default, {}, "No existe.", "server:No existe.");
        row("read 500 message kept exactly", 0, 500, B::Default, {}, "Falló «todo» — ¿otra vez? ✓",
            "server:Falló «todo» — ¿otra vez? ✓");
        row("read 502 HTML page", 0, 502, B::Html, {}, {}, "badResponse");
        row("read 500 empty", 0, 500, B::Empty, {}, {}, "badResponse");
        row("read 500 error not a string", 0, 500, B::Raw, R"({"error":42})", {}, "badResponse");
        row("read 500 other member", 0, 500, B::Raw, R"({"message":"x"})", {}, "badResponse");
        row("read 500 malformed", 0, 500, B::Malformed, {}, {}, "badResponse");
        row("read 200 malformed", 0, 200, B::Malformed, {}, {}, "decoding");
        row("read 200 null", 0, 200, B::Null, {}, {}, "decoding");
        row("read 200 HTML", 0, 200, B::Html, {}, {}, "decoding");
        row("read 200 error body is no list", 0, 200, B::Raw, R"({"error":"x"})", {}, "decoding");
        row("read 200 empty", 0, 200, B::Empty, {}, {}, "decoding");
        // The optional Ok: null is "no value", an object needs no "ok".
        row("ok null", 1, 200, B::Null, {}, {}, "ok");
        row("ok empty object", 1, 200, B::Raw, "{}", {}, "ok");
        row("ok true", 1, 200, B::Raw, R"({"ok":true})", {}, "ok");
        row("ok of the wrong kind", 1, 200, B::Raw, R"({"ok":"sí"})", {}, "decoding");
        row("ok not an object", 1, 200, B::Raw, "[]", {}, "decoding");
        row("ok 201 is still a read", 1, 201, B::Null, {}, {}, "badResponse");
        // Writes: 200–299 succeed.
        row("write 200 null", 2, 200, B::Null, {}, {}, "ok");
        row("write 201", 2, 201, B::Raw, R"({"ok":true})", {}, "ok");
        row("write 299", 2, 299, B::Null, {}, {}, "ok");
        row("write 204 empty is no JSON", 2, 204, B::Empty, {}, {}, "decoding");
        row("write 400", 2, 400, B::Default, {}, "Petición incorrecta.", "server:Petición incorrecta.");
        row("write 503 HTML", 2, 503, B::Html, {}, {}, "badResponse");
    }

    void statusRule()
    {
        QFETCH(int, call);
        QFETCH(int, status);
        QFETCH(FaultRule::Body, kind);
        QFETCH(QByteArray, raw);
        QFETCH(QString, message);
        QFETCH(QString, expected);

        static const char *paths[] = {"/api/categories", "/api/warm", "/api/me/like"};
        FaultRule rule;
        rule.pathPrefix = QString::fromLatin1(paths[call]);
        rule.status = status;
        rule.body = kind;
        rule.rawBody = raw;
        rule.message = message;
        m_backend->addFault(rule);

        API &api = API::shared();
        std::shared_ptr<Outcome> out;
        if (call == 0) {
            out = finish(api.get<QList<Category>>("/api/categories"));
        } else if (call == 1) {
            out = finish(api.get<std::optional<API::Ok>>("/api/warm", {{"ids", m_video}}));
        } else {
            QJsonObject body{{"id", m_video}, {"like", true}};
            out = finish(api.send<std::optional<API::Ok>>("POST", "/api/me/like", body));
        }
        QCOMPARE(verdict(*out), expected);
        QCOMPARE(m_backend->requests().last()->status, status);
    }

    void writeAnswered201WithItsReply()
    {
        FaultRule rule;
        rule.pathPrefix = "/api/auth/session";
        rule.status = 201;
        rule.body = FaultRule::Body::Raw;
        rule.rawBody = R"({"session":"t-201","account":{"name":"Ana","handle":"@ana"}})";
        m_backend->addFault(rule);
        std::optional<SessionResponse> reply;
        [](std::optional<SessionResponse> *out) -> QCoro::Task<> {
            try {
                *out = co_await API::shared().createSession({});
            } catch (...) {
            }
        }(&reply);
        QTRY_VERIFY(reply.has_value());
        QCOMPARE(reply->session, QStringLiteral("t-201"));
        QCOMPARE(reply->account.handle, std::optional<QString>(QStringLiteral("@ana")));
    }

    // Fire-and-forget calls end quietly whatever happens to them.
    void fireAndForgetDropsFailures_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("delayMs");
        QTest::newRow("500") << 500 << 0;
        QTest::newRow("401") << 401 << 0;
        QTest::newRow("never answered in time") << 0 << 2000;
    }

    void fireAndForgetDropsFailures()
    {
        QFETCH(int, status);
        QFETCH(int, delayMs);
        FaultRule rule;
        rule.pathPrefix = "/api/";
        rule.status = status;
        rule.delayMs = delayMs;
        m_backend->addFault(rule);
        API::shared().setTransferTimeout(300);

        API &api = API::shared();
        for (auto out : {finish(api.warm({m_video})), finish(api.syncLike(m_video, true)),
                         finish(api.syncSubscribe(m_channel, true)), finish(api.markWatched(m_video)),
                         finish(api.signOut())}) {
            QVERIFY(out->done);
            QVERIFY(out->ok);
        }
    }

    // A dropped task still runs to its end.
    void fireAndForgetNeedsNoAwait()
    {
        const qint64 before = m_backend->requests().lastSeq();
        API::shared().markWatched(m_video);
        QTRY_COMPARE(m_backend->requests().since(before).size(), 1);
    }

    void decodingRunsOffTheGuiThread()
    {
        ThreadProbe::thread = nullptr;
        auto out = finish(API::shared().get<ThreadProbe>("/api/changelog"));
        QVERIFY(out->ok);
        QVERIFY(ThreadProbe::thread.load() != nullptr);
        QVERIFY(ThreadProbe::thread.load() != QThread::currentThread());
    }

    void concurrentRequests()
    {
        QList<std::shared_ptr<std::optional<QList<Video>>>> pages;
        for (int page = 0; page < 8; ++page) {
            auto slot = std::make_shared<std::optional<QList<Video>>>();
            pages.append(slot);
            [](qint64 page, QString cat, std::shared_ptr<std::optional<QList<Video>>> out) -> QCoro::Task<> {
                try {
                    *out = co_await API::shared().feed(cat, page);
                } catch (...) {
                }
            }(page, m_category, slot);
        }
        QTRY_VERIFY(std::all_of(pages.begin(), pages.end(), [](const auto &p) { return p->has_value(); }));
        QVERIFY(!pages.first()->value().isEmpty());
        QVERIFY(pages.at(0)->value().first().id != pages.at(1)->value().value(0).id);
    }
};

QTEST_GUILESS_MAIN(TestAPIBackend)
#include "tst_api_backend.moc"
