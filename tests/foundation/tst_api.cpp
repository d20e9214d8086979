// The backend client without a backend: how requests and media URLs are
// formed, the errors and their texts, and transport failures against tiny
// local sockets (a closed port, a silent server, a server that is not HTTP).
#include "API.h"
#include "BuildConfig.h"
#include "TaskError.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

namespace {

template<class E>
std::optional<E> errorAs(const std::exception_ptr &p)
{
    try {
        if (p)
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
        QTest::newRow("none: no question mark") << API::Query{} << QByteArray();
        QTest::newRow("sorted, space and ampersand")
            << API::Query{{"q", "a b&c"}, {"page", "0"}} << QByteArray("page=0&q=a%20b%26c");
        QTest::newRow("plus, equals, slash, ñ") << API::Query{{"q", "+=/ñ"}} << QByteArray("q=%2B%3D%2F%C3%B1");
        QTest::newRow("unreserved stay") << API::Query{{"q", "AZaz09-._~"}} << QByteArray("q=AZaz09-._~");
        QTest::newRow("delimiters and percent")
            << API::Query{{"q", "#?%@:;!*'()[]"}} << QByteArray("q=%23%3F%25%40%3A%3B%21%2A%27%28%29%5B%5D");
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
        QCOMPARE(url.toEncoded(), kOrigin + "/api/search" + (expected.isEmpty() ? "" : "?" + expected));
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
        auto error = errorAs<APIError>(errorOf(API::shared().video(id, false)));
        QVERIFY(error);
        QCOMPARE(error->kind(), APIError::Kind::badURL);
        QCOMPARE(error->description(), QStringLiteral("Dirección no válida."));
        QCOMPARE(QString::fromUtf8(error->what()), error->description());
        QVERIFY(errorAs<APIError>(errorOf(API::shared().captions("abc", id))));
        // Fire-and-forget calls end quietly instead.
        QVERIFY(!errorOf(API::shared().markWatched(id)));
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

    // The headers on the wire are checked against the backend; here what
    // no real backend shows: a built request keeps its token, and a token
    // that would inject a header is not sent.
    void headers()
    {
        API &api = API::shared();
        QCOMPARE(api.makeRequest("/api/me").transferTimeout(), 60000);
        api.setSession(QStringLiteral("tok-1"));
        const QNetworkRequest built = api.makeRequest("/api/me");
        api.setSession(QStringLiteral("tok\r\nX-Ombri-Key: other"));
        QCOMPARE(built.rawHeader("X-Ombri-Session"), QByteArray("tok-1"));
        const QNetworkRequest r = api.makeRequest("/api/me");
        QVERIFY(!r.hasRawHeader("X-Ombri-Session"));
        QCOMPARE(r.rawHeader("X-Ombri-Key"), QByteArray(BuildConfig::apiKey));
    }

    void mediaURLs_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<QByteArray>("expected");
        API &api = API::shared();
        const QByteArray hls = "/master.m3u8?" + keyItem() + "&q=";
        QTest::newRow("stream") << api.streamURL("abc") << kOrigin + "/api/stream/abc?" + keyItem();
        QTest::newRow("hls 720") << api.hlsURL("abc", 720) << kOrigin + "/api/hls/abc" + hls + "720";
        QTest::newRow("hls auto") << api.hlsURL("abc", 0) << kOrigin + "/api/hls/abc" + hls + "0";
        QTest::newRow("id with slash") << api.hlsURL("x/../y", 360) << kOrigin + "/api/hls/x%2F..%2Fy" + hls + "360";
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
        QTest::newRow("origin") << QByteArray("https://127.0.0.1:9999") << QUrl("https://127.0.0.1:9999");
        QTest::newRow("plain http, only outside a release build")
            << QByteArray("http://127.0.0.1:9999") << (BuildConfig::releaseBuild ? buildTime : QUrl("http://127.0.0.1:9999"));
        QTest::newRow("path, query and fragment dropped")
            << QByteArray("https://api.example.org:8443/x/y?z=1#f") << QUrl("https://api.example.org:8443");
        QTest::newRow("not a URL") << QByteArray("no es una url") << buildTime;
        QTest::newRow("not http") << QByteArray("ftp://example.org") << buildTime;
        QTest::newRow("unset") << QByteArray() << buildTime;
    }

    void baseFromEnvironment()
    {
        QFETCH(QByteArray, env);
        QFETCH(QUrl, expected);
        const QByteArray saved = qgetenv("NIMBELORA_BACKEND_URL");
        const auto set = [](const QByteArray &v) {
            v.isNull() ? qunsetenv("NIMBELORA_BACKEND_URL") : qputenv("NIMBELORA_BACKEND_URL", v);
        };
        set(env);
        const QUrl got = API::defaultBaseUrl();
        set(saved);
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

    // A closed port; a server that accepts and never answers (the transfer
    // time-out ends it); bytes that are no HTTP reply (Qt reads past them to
    // the hang-up).
    void transportFailures_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("description");
        QTest::newRow("closed port") << "closed" << int(QNetworkReply::ConnectionRefusedError)
                                     << "No se pudo conectar con el servidor.";
        QTest::newRow("silent server") << "silent" << int(QNetworkReply::TimeoutError)
                                       << "Se agotó el tiempo de espera de la solicitud.";
        QTest::newRow("not HTTP") << "ssh" << int(QNetworkReply::RemoteHostClosedError)
                                  << "Se perdió la conexión con el servidor.";
    }

    void transportFailures()
    {
        QFETCH(QString, server);
        QFETCH(int, code);
        QFETCH(QString, description);
        QTcpServer listener;
        QVERIFY(listener.listen(QHostAddress::LocalHost));
        const quint16 port = listener.serverPort();
        if (server == u"closed")
            listener.close();
        if (server == u"ssh")
            connect(&listener, &QTcpServer::newConnection, &listener, [&] {
                QTcpSocket *s = listener.nextPendingConnection();
                connect(s, &QTcpSocket::readyRead, s, [s] {
                    s->readAll();
                    s->write("SSH-2.0-OpenSSH_9.2\r\n\r\n");
                    s->disconnectFromHost();
                });
            });
        QVERIFY(API::shared().setBaseUrl(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port))));
        API::shared().setTransferTimeout(300);

        const std::exception_ptr failure = errorOf(API::shared().me());
        auto error = errorAs<TransportError>(failure);
        QVERIFY(error);
        QVERIFY(!errorAs<APIError>(failure));
        QCOMPARE(int(error->code()), code);
        QCOMPARE(error->description(), description);

        if (server == u"closed") // fire-and-forget calls drop it quietly
            QVERIFY(!errorOf(API::shared().syncLike("abc", true)));
    }
};

QTEST_GUILESS_MAIN(TestAPI)
#include "tst_api.moc"
