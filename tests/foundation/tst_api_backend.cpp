// The backend client against the in-process development backend: what goes
// on the wire for every endpoint, and how each status and body comes back as
// a value or as the right error.
#include "API.h"
#include "FaultSwitches.h"
#include "Fixtures.h"
#include "TaskError.h"
#include "TestBackend.h"

#include <QJsonDocument>
#include <QTest>
#include <QThread>

#include <functional>
#include <memory>

namespace {

// "ok", "server:<description>", "badURL", "badResponse", "decoding" or "transport".
QString verdict(const std::exception_ptr &error)
{
    if (!error)
        return QStringLiteral("ok");
    try {
        std::rethrow_exception(error);
    } catch (const APIError &e) {
        switch (e.kind()) {
        case APIError::Kind::server:
            return QStringLiteral("server:") + e.description();
        case APIError::Kind::badURL:
            return QStringLiteral("badURL");
        case APIError::Kind::badResponse:
            return e.description() == QStringLiteral("El servidor no respondió correctamente.")
                       ? QStringLiteral("badResponse") : QStringLiteral("badResponse with another text");
        }
    } catch (const DecodingError &) {
        return QStringLiteral("decoding");
    } catch (const TransportError &) {
        return QStringLiteral("transport");
    } catch (...) {
    }
    return QStringLiteral("other");
}

using Call = std::function<std::exception_ptr()>;

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

    void fault(const QString &path, int status, FaultRule::Body body = FaultRule::Body::Default,
               const QByteArray &raw = {}, const QString &message = {}, int delayMs = 0)
    {
        FaultRule rule;
        rule.pathPrefix = path;
        rule.status = status;
        rule.body = body;
        rule.rawBody = raw;
        rule.message = message;
        rule.delayMs = delayMs;
        m_backend->addFault(rule);
    }

    RequestRecord lastRequest() { return *m_backend->requests().last(); }

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
        QTest::addColumn<QString>("request"); // method, raw path and raw query
        QTest::addColumn<bool>("succeeds");   // against the fixtures, signed out
        QTest::addColumn<QByteArray>("body"); // JSON text; empty: no body

        const QString v = m_video, v2 = m_video2, c = m_channel, p = m_playlist, cat = m_category, f = m_filter,
                      cv = m_captioned, lang = m_lang;
        auto row = [](const char *name, Call call, const QString &request, bool succeeds = true,
                      const QByteArray &body = {}) { QTest::newRow(name) << call << request << succeeds << body; };
#define CALL(...) Call([=] { return errorOf(API::shared().__VA_ARGS__); })
        row("feed", CALL(feed(cat, 2)), "GET /api/feed?cat=" + cat + "&page=2");
        row("search", CALL(search("a b&c", 0)), "GET /api/search?page=0&q=a%20b%26c");
        row("search with any", CALL(search("gatos", 1, "any")), "GET /api/search?page=1&q=gatos");
        row("search with a filter", CALL(search("gatos", 1, f)), "GET /api/search?f=" + f + "&page=1&q=gatos");
        row("suggest", CALL(suggest("ñu +")), "GET /api/suggest?q=%C3%B1u%20%2B");
        row("shorts", CALL(shorts(3)), "GET /api/shorts?page=3");
        row("meFeed", CALL(meFeed("liked", 0)), "GET /api/me/feed?kind=liked&page=0", false);
        row("categories", CALL(categories()), "GET /api/categories");
        row("video fast", CALL(video(v, true)), "GET /api/video/" + v + "?fast=1");
        row("video full", CALL(video(v, false)), "GET /api/video/" + v);
        row("related", CALL(related(v)), "GET /api/related/" + v);
        row("sponsor", CALL(sponsor(v)), "GET /api/sponsor/" + v);
        row("comments", CALL(comments(v, "new")), "GET /api/comments/" + v + "?sort=new");
        row("captions", CALL(captions(cv, lang)), "GET /api/captions/" + cv + "/" + lang);
        row("channel videos", CALL(channel(c, 0, "videos")), "GET /api/channel/" + c + "?page=0");
        row("channel popular", CALL(channel(c, 0, "popular")), "GET /api/channel/" + c + "?page=0&tab=popular");
        row("playlist", CALL(playlist(p)), "GET /api/playlist/" + p);
        row("avatars", CALL(avatars({c, "@canal"})), "GET /api/avatars?keys=" + c + "%2C%40canal");
        row("warm", CALL(warm({v, v2})), "GET /api/warm?ids=" + v + "%2C" + v2);
        row("changelog", CALL(changelog()), "GET /api/changelog");
        row("me", CALL(me()), "GET /api/me", false);
        row("createSession, no cookies", CALL(createSession({})), "POST /api/auth/session", false,
            R"({"cookies":[]})");
        row("syncLike", CALL(syncLike(v, true)), "POST /api/me/like", true,
            R"({"id":")" + v.toUtf8() + R"(","like":true})");
        row("syncSubscribe", CALL(syncSubscribe(c, false)), "POST /api/me/subscribe", true,
            R"({"channelId":")" + c.toUtf8() + R"(","subscribe":false})");
        row("markWatched", CALL(markWatched(v)), "POST /api/me/watched/" + v);
        row("signOut", CALL(signOut()), "DELETE /api/me");
        // Ids that would leave their endpoint if set into the path as they are.
        row("id stepping up", CALL(video("../me", false)), "GET /api/video/..%2Fme", false);
        row("id with query and fragment", CALL(comments("a/b?c#d", "top")), "GET /api/comments/a%2Fb%3Fc%23d?sort=top",
            false);
        row("percent stays literal", CALL(related("100%2F")), "GET /api/related/100%252F", false);
        row("at sign", CALL(sponsor("@evil")), "GET /api/sponsor/%40evil", false);
        row("language with a slash", CALL(captions(v, "es/../../me")), "GET /api/captions/" + v + "/es%2F..%2F..%2Fme",
            false);
#undef CALL
    }

    void requestOnTheWire()
    {
        QFETCH(Call, call);
        QFETCH(QString, request);
        QFETCH(bool, succeeds);
        QFETCH(QByteArray, body);

        const qint64 before = m_backend->requests().lastSeq();
        const std::exception_ptr error = call();
        const auto sent = m_backend->requests().since(before);
        QCOMPARE(sent.size(), 1);
        const RequestRecord &r = sent.first();
        QCOMPARE(r.method + ' ' + r.rawPath + (r.rawQuery.isEmpty() ? QString() : '?' + r.rawQuery), request);
        QCOMPARE(r.header("X-Ombri-Key"), m_backend->apiKey());
        QVERIFY(!r.hasHeader("X-Ombri-Session"));
        if (body.isEmpty()) {
            QVERIFY(r.body.isEmpty());
            QVERIFY(!r.hasHeader("Content-Type"));
            // A bodiless write says so; without a length some servers wait for one.
            if (r.method != u"GET")
                QCOMPARE(r.header("Content-Length"), QStringLiteral("0"));
        } else {
            QCOMPARE(r.header("Content-Type"), QStringLiteral("application/json"));
            QCOMPARE(QJsonDocument::fromJson(r.body), QJsonDocument::fromJson(body));
        }
        QVERIFY2(!error == succeeds, qPrintable(verdict(error)));
    }

    // Signing in end to end is the auth store's test; here the header.
    void sessionHeaderFollowsTheToken()
    {
        API &api = API::shared();
        const QString token = m_backend->session();
        api.setSession(token);
        QCOMPARE(verdict(errorOf(api.meFeed("history", 0))), QStringLiteral("ok"));
        QCOMPARE(lastRequest().header("X-Ombri-Session"), token);
        errorOf(api.syncLike(m_video, false));
        QCOMPARE(lastRequest().header("X-Ombri-Session"), token);

        api.setSession(std::nullopt);
        const QString after = verdict(errorOf(api.meFeed("history", 0)));
        QVERIFY(!lastRequest().hasHeader("X-Ombri-Session"));
        QCOMPARE(after.section(':', 0, 0), QStringLiteral("server"));
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
        row("read 201 with a list", 0, 201, B::Raw, list, {}, "badResponse");
        row("read 201 with an error body", 0, 201, B::Default, {}, "Creado, pero no", "server:Creado, pero no");
        row("read 204", 0, 204, B::Empty, {}, {}, "badResponse");
        row("read 404", 0, 404, B::Default, {}, "No existe.", "server:No existe.");
        row("read 500 message kept exactly", 0, 500, B::Default, {}, "Falló «todo» — ¿otra vez? ✓",
            "server:Falló «todo» — ¿otra vez? ✓");
        row("read 502 HTML page", 0, 502, B::Html, {}, {}, "badResponse");
        row("read 500 error not a string", 0, 500, B::Raw, R"({"error":42})", {}, "badResponse");
        row("read 500 malformed", 0, 500, B::Malformed, {}, {}, "badResponse");
        row("read 200 malformed", 0, 200, B::Malformed, {}, {}, "decoding");
        // The optional Ok: null is "no value", an object needs no "ok".
        row("ok null", 1, 200, B::Null, {}, {}, "ok");
        row("ok empty object", 1, 200, B::Raw, "{}", {}, "ok");
        row("ok of the wrong kind", 1, 200, B::Raw, R"({"ok":"sí"})", {}, "decoding");
        row("ok 201 is still a read", 1, 201, B::Null, {}, {}, "badResponse");
        // Writes: 200–299 succeed.
        row("write 200 null", 2, 200, B::Null, {}, {}, "ok");
        row("write 201", 2, 201, B::Raw, R"({"ok":true})", {}, "ok");
        row("write 299", 2, 299, B::Null, {}, {}, "ok");
        row("write 204 empty is no JSON", 2, 204, B::Empty, {}, {}, "decoding");
        row("write 400", 2, 400, B::Default, {}, "Petición incorrecta.", "server:Petición incorrecta.");
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
        fault(QString::fromLatin1(paths[call]), status, kind, raw, message);
        API &api = API::shared();
        const QJsonObject like{{"id", m_video}, {"like", true}};
        const std::exception_ptr error =
            call == 0   ? errorOf(api.get<QList<Category>>("/api/categories"))
            : call == 1 ? errorOf(api.get<std::optional<API::Ok>>("/api/warm", {{"ids", m_video}}))
                        : errorOf(api.send<std::optional<API::Ok>>("POST", "/api/me/like", like));
        QCOMPARE(verdict(error), expected);
        QCOMPARE(lastRequest().status, status);
    }

    void writeAnswered201WithItsReply()
    {
        fault("/api/auth/session", 201, FaultRule::Body::Raw,
              R"({"session":"t-201","account":{"name":"Ana","handle":"@ana"}})");
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
        fault("/api/", status, FaultRule::Body::Default, {}, {}, delayMs);
        API::shared().setTransferTimeout(300);

        API &api = API::shared();
        QVERIFY(!errorOf(api.warm({m_video})));
        QVERIFY(!errorOf(api.syncLike(m_video, true)));
        QVERIFY(!errorOf(api.syncSubscribe(m_channel, true)));
        QVERIFY(!errorOf(api.markWatched(m_video)));
        QVERIFY(!errorOf(api.signOut()));
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
        QVERIFY(!errorOf(API::shared().get<ThreadProbe>("/api/changelog")));
        QVERIFY(ThreadProbe::thread.load() != nullptr);
        QVERIFY(ThreadProbe::thread.load() != QThread::currentThread());
    }
};

QTEST_GUILESS_MAIN(TestAPIBackend)
#include "tst_api_backend.moc"
