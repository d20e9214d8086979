// The backend client without a backend: how requests and media URLs are
// formed, the errors and their texts, and transport failures against tiny
// local sockets (a closed port, a silent server, a server that is not HTTP).
#include "API.h"
#include "BuildConfig.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

namespace {

template<class T>
struct Outcome
{
    std::optional<std::conditional_t<std::is_void_v<T>, bool, T>> value;
    std::exception_ptr error;
    bool done = false;
};

// Runs a task to its end on the event loop; the shared outcome outlives a
// task that overruns the wait.
template<class T>
std::shared_ptr<Outcome<T>> finish(QCoro::Task<T> task, int ms = 15000)
{
    auto out = std::make_shared<Outcome<T>>();
    [](QCoro::Task<T> t, std::shared_ptr<Outcome<T>> o) -> QCoro::Task<> {
        try {
            if constexpr (std::is_void_v<T>) {
                co_await t;
                o->value = true;
            } else {
                o->value = co_await t;
            }
        } catch (...) {
            o->error = std::current_exception();
        }
        o->done = true;
    }(std::move(task), out);
    QTest::qWaitFor([&] { return out->done; }, ms);
    return out;
}

template<class E>
std::optional<E> errorAs(const std::exception_ptr &p)
{
    if (!p)
        return std::nullopt;
    try {
        std::rethrow_exception(p);
    } catch (const E &e) {
        return e;
    } catch (...) {
    }
    return std::nullopt;
}

const QByteArray kOrigin = "http://127.0.0.1:8765";

QByteArray keyItem() { return "k=" + QByteArray(BuildConfig::apiKey).toPercentEncoding(); }

} // namespace

class TestAPI : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(API::shared().setBaseUrl(QUrl(QString::fromLatin1(kOrigin))));
        API::shared().setSession(std::nullopt);
        API::shared().setTransferTimeout(60000);
    }

    void queryItems_data()
    {
        QTest::addColumn<API::Query>("query");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("sorted, space and ampersand")
            << API::Query{{"q", "a b&c"}, {"page", "0"}} << QByteArray("page=0&q=a%20b%26c");
        QTest::newRow("search with a filter")
            << API::Query{{"q", "gatos"}, {"page", "2"}, {"f", "month"}} << QByteArray("f=month&page=2&q=gatos");
        QTest::newRow("plus, equals, slash, ñ")
            << API::Query{{"q", "+=/ñ"}} << QByteArray("q=%2B%3D%2F%C3%B1");
        QTest::newRow("unreserved stay")
            << API::Query{{"q", "AZaz09-._~"}} << QByteArray("q=AZaz09-._~");
        QTest::newRow("delimiters and percent")
            << API::Query{{"q", "#?%@:;!*'()[]"}} << QByteArray("q=%23%3F%25%40%3A%3B%21%2A%27%28%29%5B%5D");
        QTest::newRow("joined list keeps its comma escaped")
            << API::Query{{"ids", "a,b,c"}} << QByteArray("ids=a%2Cb%2Cc");
        QTest::newRow("emoji as four UTF-8 bytes")
            << API::Query{{"q", QString::fromUtf8("\xF0\x9F\x98\x80")}} << QByteArray("q=%F0%9F%98%80");
        QTest::newRow("empty value") << API::Query{{"q", ""}} << QByteArray("q=");
    }

    // What QNetworkAccessManager puts on the wire is the URL's encoded form.
    void queryItems()
    {
        QFETCH(API::Query, query);
        QFETCH(QByteArray, expected);
        QCOMPARE(API::encodeQuery(query), expected);
        const QUrl url = API::shared().makeRequest("/api/search", query).url();
        QCOMPARE(url.toEncoded(), kOrigin + "/api/search?" + expected);
    }

    void emptyQueryHasNoQuestionMark()
    {
        const QUrl url = API::shared().makeRequest("/api/categories").url();
        QCOMPARE(url.toEncoded(), kOrigin + "/api/categories");
        QVERIFY(!url.hasQuery());
    }

    void idStaysOneSegment_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QByteArray>("segment");
        QTest::newRow("plain") << "dQw4w9WgXcQ" << QByteArray("dQw4w9WgXcQ");
        QTest::newRow("step up") << "../me" << QByteArray("..%2Fme");
        QTest::newRow("slash, query, fragment") << "a/b?c#d" << QByteArray("a%2Fb%3Fc%23d");
        QTest::newRow("space and question mark") << "a b?" << QByteArray("a%20b%3F");
        QTest::newRow("percent stays literal") << "100%2F" << QByteArray("100%252F");
        QTest::newRow("non-ASCII") << "canal-ñ" << QByteArray("canal-%C3%B1");
        QTest::newRow("dots inside are harmless") << "..a" << QByteArray("..a");
        QTest::newRow("at sign cannot change the host") << "@evil" << QByteArray("%40evil");
    }

    void idStaysOneSegment()
    {
        QFETCH(QString, id);
        QFETCH(QByteArray, segment);
        const QUrl url = API::shared().makeRequest("/api/video/" + API::segment(id)).url();
        QCOMPARE(url.toEncoded(), kOrigin + "/api/video/" + segment);
        QVERIFY(!url.hasQuery());
        QVERIFY(!url.hasFragment());
        QCOMPARE(url.host(), QStringLiteral("127.0.0.1"));
    }

    // "", "." and ".." cannot be a segment (URLs turn %2E back into a dot),
    // so they fail the call instead of reaching another endpoint.
    void unformableIds_data()
    {
        QTest::addColumn<QString>("id");
        QTest::newRow("empty") << "";
        QTest::newRow("dot") << ".";
        QTest::newRow("dot dot") << "..";
    }

    void unformableIds()
    {
        QFETCH(QString, id);
        auto video = finish(API::shared().video(id, false));
        QVERIFY(video->done);
        auto error = errorAs<APIError>(video->error);
        QVERIFY(error);
        QCOMPARE(error->kind(), APIError::Kind::badURL);
        QCOMPARE(error->description(), QStringLiteral("Dirección no válida."));

        auto captions = finish(API::shared().captions("abc", id));
        QVERIFY(errorAs<APIError>(captions->error));

        auto watched = finish(API::shared().markWatched(id));
        QVERIFY(watched->done);
        QVERIFY(!watched->error);

        QVERIFY(API::shared().streamURL(id).isEmpty());
        QVERIFY(API::shared().hlsURL(id, 720).isEmpty());
    }

    void badPathIsBadURL_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("relative") << "api/feed";
        QTest::newRow("raw space") << "/api/a b";
        QTest::newRow("user info") << "@evil.example/api/feed";
    }

    void badPathIsBadURL()
    {
        QFETCH(QString, path);
        try {
            API::shared().makeRequest(path);
            QFAIL("a request was built");
        } catch (const APIError &e) {
            QCOMPARE(e.kind(), APIError::Kind::badURL);
        }
    }

    void headers()
    {
        API &api = API::shared();
        QNetworkRequest r = api.makeRequest("/api/me");
        QCOMPARE(r.rawHeader("X-Ombri-Key"), QByteArray(BuildConfig::apiKey));
        QVERIFY(!r.hasRawHeader("X-Ombri-Session"));
        QVERIFY(!r.hasRawHeader("Content-Type"));

        api.setSession(QStringLiteral("tok-1"));
        const QNetworkRequest built = api.makeRequest("/api/me");
        QCOMPARE(built.rawHeader("X-Ombri-Session"), QByteArray("tok-1"));

        // A built request keeps its token; the next one reads the new state.
        api.setSession(std::nullopt);
        QCOMPARE(built.rawHeader("X-Ombri-Session"), QByteArray("tok-1"));
        r = api.makeRequest("/api/me");
        QVERIFY(!r.hasRawHeader("X-Ombri-Session"));
        QCOMPARE(r.rawHeader("X-Ombri-Key"), QByteArray(BuildConfig::apiKey));
        QCOMPARE(r.transferTimeout(), 60000);

        // A token that would inject a header is not sent.
        api.setSession(QStringLiteral("tok\r\nX-Ombri-Key: other"));
        r = api.makeRequest("/api/me");
        QVERIFY(!r.hasRawHeader("X-Ombri-Session"));
        QCOMPARE(r.rawHeader("X-Ombri-Key"), QByteArray(BuildConfig::apiKey));
    }

    void errorDescriptions_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("description");
        QTest::newRow("server") << 0 << QStringLiteral("La sesión ha caducado ✓");
        QTest::newRow("badURL") << 1 << QStringLiteral("Dirección no válida.");
        QTest::newRow("badResponse") << 2 << QStringLiteral("El servidor no respondió correctamente.");
    }

    void errorDescriptions()
    {
        QFETCH(int, which);
        QFETCH(QString, description);
        const APIError e = which == 0 ? APIError::server(description)
                           : which == 1 ? APIError::badURL()
                                        : APIError::badResponse();
        QCOMPARE(e.description(), description);
        QCOMPARE(QString::fromUtf8(e.what()), description);
        QCOMPARE(e.message(), which == 0 ? description : QString());
    }

    void mediaURLs_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<QByteArray>("expected");
        API &api = API::shared();
        QTest::newRow("stream") << api.streamURL("abc") << kOrigin + "/api/stream/abc?" + keyItem();
        QTest::newRow("hls 720") << api.hlsURL("abc", 720) << kOrigin + "/api/hls/abc/master.m3u8?" + keyItem() + "&q=720";
        QTest::newRow("hls auto") << api.hlsURL("abc", 0) << kOrigin + "/api/hls/abc/master.m3u8?" + keyItem() + "&q=0";
        QTest::newRow("hls negative") << api.hlsURL("abc", -1) << kOrigin + "/api/hls/abc/master.m3u8?" + keyItem() + "&q=-1";
        QTest::newRow("id with space and ?") << api.streamURL("a b?c") << kOrigin + "/api/stream/a%20b%3Fc?" + keyItem();
        QTest::newRow("id with slash") << api.hlsURL("x/../y", 360) << kOrigin + "/api/hls/x%2F..%2Fy/master.m3u8?" + keyItem() + "&q=360";
    }

    void mediaURLs()
    {
        QFETCH(QUrl, url);
        QFETCH(QByteArray, expected);
        QCOMPARE(url.toEncoded(), expected);
    }

    void baseFromEnvironment_data()
    {
        QTest::addColumn<QByteArray>("env");
        QTest::addColumn<QUrl>("expected");
        const QUrl buildTime(QString::fromLatin1(BuildConfig::backendOrigin));
        QTest::newRow("origin") << QByteArray("http://127.0.0.1:9999") << QUrl("http://127.0.0.1:9999");
        QTest::newRow("path, query and fragment dropped")
            << QByteArray("https://api.example.org:8443/x/y?z=1#f") << QUrl("https://api.example.org:8443");
        QTest::newRow("trailing slash") << QByteArray("http://localhost:1234/") << QUrl("http://localhost:1234");
        QTest::newRow("not a URL") << QByteArray("no es una url") << buildTime;
        QTest::newRow("not http") << QByteArray("ftp://example.org") << buildTime;
        QTest::newRow("unset") << QByteArray() << buildTime;
    }

    void baseFromEnvironment()
    {
        QFETCH(QByteArray, env);
        QFETCH(QUrl, expected);
        const QByteArray saved = qgetenv("NIMBELORA_BACKEND_URL");
        if (env.isNull())
            qunsetenv("NIMBELORA_BACKEND_URL");
        else
            qputenv("NIMBELORA_BACKEND_URL", env);
        const QUrl got = API::defaultBaseUrl();
        if (saved.isNull())
            qunsetenv("NIMBELORA_BACKEND_URL");
        else
            qputenv("NIMBELORA_BACKEND_URL", saved);
        QCOMPARE(got, expected);
    }

    void setBaseUrlRefusesNonOrigins()
    {
        API &api = API::shared();
        QVERIFY(!api.setBaseUrl(QUrl("mailto:a@b.c")));
        QVERIFY(!api.setBaseUrl(QUrl()));
        QCOMPARE(api.base(), QUrl(QString::fromLatin1(kOrigin)));
        QVERIFY(api.setBaseUrl(QUrl("http://127.0.0.1:1/ignored")));
        QCOMPARE(api.makeRequest("/api/me").url().toEncoded(), QByteArray("http://127.0.0.1:1/api/me"));
    }

    void deadPortIsTransportError()
    {
        quint16 port;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            port = probe.serverPort();
        }
        QVERIFY(API::shared().setBaseUrl(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port))));
        auto out = finish(API::shared().categories());
        QVERIFY(out->done);
        auto error = errorAs<TransportError>(out->error);
        QVERIFY(error);
        QCOMPARE(error->code(), QNetworkReply::ConnectionRefusedError);
        QCOMPARE(error->description(), QStringLiteral("No se pudo conectar con el servidor."));
        QVERIFY(!errorAs<APIError>(out->error));

        auto dropped = finish(API::shared().syncLike("abc", true));
        QVERIFY(dropped->done);
        QVERIFY(!dropped->error);
    }

    // A server that accepts and never answers: the transfer time-out ends it.
    void silentServerTimesOut()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QVERIFY(API::shared().setBaseUrl(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()))));
        API::shared().setTransferTimeout(300);
        auto out = finish(API::shared().me(), 10000);
        QVERIFY(out->done);
        auto error = errorAs<TransportError>(out->error);
        QVERIFY(error);
        QCOMPARE(error->description(), QStringLiteral("Se agotó el tiempo de espera de la solicitud."));
    }

    // Bytes that are no HTTP reply at all: Qt reads past them to the hang-up.
    void notHttpIsTransportError()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        connect(&server, &QTcpServer::newConnection, &server, [&] {
            QTcpSocket *s = server.nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [s] {
                s->readAll();
                s->write("SSH-2.0-OpenSSH_9.2\r\n\r\n");
                s->disconnectFromHost();
            });
        });
        QVERIFY(API::shared().setBaseUrl(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()))));
        auto out = finish(API::shared().me());
        QVERIFY(out->done);
        QVERIFY(!out->value);
        auto error = errorAs<TransportError>(out->error);
        QVERIFY(error);
        QCOMPARE(error->code(), QNetworkReply::RemoteHostClosedError);
        QCOMPARE(error->description(), QStringLiteral("Se perdió la conexión con el servidor."));
    }
};

QTEST_GUILESS_MAIN(TestAPI)
#include "tst_api.moc"
