#include "DevBackend.h"
#include "Fixtures.h"
#include "TestBackend.h"

#include <httplib.h>

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <future>

Q_DECLARE_METATYPE(FaultRule)

// Fault switches: in-process, from the command line and over the control
// endpoint; what a faulted reply looks like and which requests a rule hits.
class FaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup() { backend.clearFaults(); }
    void faultedReplies_data();
    void faultedReplies();
    void whichRequestsARuleHits_data();
    void whichRequestsARuleHits();
    void delayHoldsOnlyItsRequests();
    void timesLimitsARule();
    void removeAndClear();
    void missingHlsIsA404();
    void controlEndpoint();
    void parseSpecs_data();
    void parseSpecs();
    void commandLine_data();
    void commandLine();
    void faultsFromOptionsApply();
    void stopDoesNotWaitForDelays();

private:
    TestBackend backend;
    QString video;
    QString other;
};

void FaultsTest::initTestCase()
{
    QVERIFY(backend.isRunning());
    video = backend.fixtures().videos()[0].id;
    other = backend.fixtures().videos()[1].id;
}

void FaultsTest::faultedReplies_data()
{
    QTest::addColumn<QString>("ruleText");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("kind"); // error, malformed, null, empty, html, raw
    QTest::addColumn<QString>("expected"); // the error message or the raw body

    QTest::newRow("status with error body") << "path=/api/feed;status=500" << 500 << "error" << "Error simulado del servidor.";
    QTest::newRow("own message") << "path=/api/feed;status=503;message=Mantenimiento, vuelve luego" << 503 << "error"
                                 << "Mantenimiento, vuelve luego";
    QTest::newRow("read answered 201") << "path=/api/feed;status=201" << 201 << "error" << "Error simulado del servidor.";
    QTest::newRow("204 never has a body") << "path=/api/feed;status=204" << 204 << "empty" << QString();
    QTest::newRow("malformed") << "path=/api/feed;body=malformed" << 200 << "malformed" << QString();
    QTest::newRow("null") << "path=/api/feed;body=null" << 200 << "null" << QString();
    QTest::newRow("empty 500") << "path=/api/feed;status=500;body=empty" << 500 << "empty" << QString();
    QTest::newRow("html 502") << "path=/api/feed;status=502;body=html" << 502 << "html" << QString();
    QTest::newRow("raw") << "path=/api/feed;raw={\"error\":5}" << 200 << "raw" << "{\"error\":5}";
}

void FaultsTest::faultedReplies()
{
    QFETCH(QString, ruleText);
    QFETCH(int, status);
    QFETCH(QString, kind);
    QFETCH(QString, expected);
    QString why;
    const auto rule = FaultRule::parse(ruleText, &why);
    QVERIFY2(rule, qPrintable(why));
    backend.addFault(*rule);
    const HttpReply r = backend.get(QStringLiteral("/api/feed?cat=foryou&page=0"));
    QCOMPARE(r.status, status);
    if (kind == QLatin1String("error")) {
        QCOMPARE(r.errorMessage(), expected);
    } else if (kind == QLatin1String("malformed")) {
        QVERIFY(!r.body.isEmpty());
        QVERIFY(r.json().isUndefined());
    } else if (kind == QLatin1String("null")) {
        QCOMPARE(r.body, QByteArray("null"));
        QVERIFY(r.json().isNull());
    } else if (kind == QLatin1String("empty")) {
        QVERIFY(r.body.isEmpty());
    } else if (kind == QLatin1String("html")) {
        QVERIFY(r.header(QStringLiteral("Content-Type")).startsWith(QLatin1String("text/html")));
        QVERIFY(r.json().isUndefined());
    } else {
        QCOMPARE(QString::fromUtf8(r.body), expected);
    }
    // Other paths are untouched.
    QCOMPARE(backend.get(QStringLiteral("/api/categories")).status, 200);
    QCOMPARE(backend.requests().last(QStringLiteral("/api/feed"))->status, status);
}

void FaultsTest::whichRequestsARuleHits_data()
{
    QTest::addColumn<QString>("ruleText");      // {v} is the video id, {o} another one
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("hit");

    QTest::newRow("prefix hits") << "path=/api/video/;status=500" << QByteArray("GET") << "/api/video/{v}?fast=1" << true;
    QTest::newRow("prefix misses") << "path=/api/video/;status=500" << QByteArray("GET") << "/api/related/{v}" << false;
    QTest::newRow("id in the path") << "id={v};status=500" << QByteArray("GET") << "/api/related/{v}" << true;
    QTest::newRow("id of another video") << "id={v};status=500" << QByteArray("GET") << "/api/related/{o}" << false;
    QTest::newRow("id in a joined query value") << "id={v};status=500" << QByteArray("GET") << "/api/warm?ids={o}%2C{v}" << true;
    QTest::newRow("id is not a prefix match") << "id={v};status=500" << QByteArray("GET") << "/api/warm?ids={v}x" << false;
    QTest::newRow("prefix and id") << "path=/api/comments/;id={v};status=500" << QByteArray("GET") << "/api/comments/{v}?sort=top" << true;
    QTest::newRow("prefix and other id") << "path=/api/comments/;id={v};status=500" << QByteArray("GET") << "/api/video/{v}" << false;
    QTest::newRow("method hits") << "path=/api/me;method=delete;status=500" << QByteArray("DELETE") << "/api/me" << true;
    QTest::newRow("method misses") << "path=/api/me;method=delete;status=500" << QByteArray("GET") << "/api/me" << false;
    QTest::newRow("control is never faulted") << "status=500" << QByteArray("GET") << "/__control/fault" << false;
}

void FaultsTest::whichRequestsARuleHits()
{
    QFETCH(QString, ruleText);
    QFETCH(QByteArray, method);
    QFETCH(QString, path);
    QFETCH(bool, hit);
    auto fill = [&](QString s) { return s.replace(QStringLiteral("{v}"), video).replace(QStringLiteral("{o}"), other); };
    const auto rule = FaultRule::parse(fill(ruleText));
    QVERIFY(rule);
    backend.addFault(*rule);
    const HttpReply r = backend.request(method, fill(path),
                                        {{"X-Ombri-Key", backend.apiKey().toUtf8()},
                                         {"X-Ombri-Session", backend.session().toUtf8()}});
    QCOMPARE(r.headers.contains(QStringLiteral("x-dev-fault")), hit);
    QCOMPARE(r.status == 500, hit);
}

void FaultsTest::delayHoldsOnlyItsRequests()
{
    backend.delayPath(QStringLiteral("/api/search"), 400);
    QElapsedTimer t;
    t.start();
    auto slow = std::async(std::launch::async, [this] { return backend.get(QStringLiteral("/api/search?page=0&q=humor")); });
    QTest::qWait(50);
    const HttpReply fast = backend.get(QStringLiteral("/api/categories"));
    QCOMPARE(fast.status, 200);
    QVERIFY2(t.elapsed() < 350, "another path waited for the delay");
    const HttpReply delayed = slow.get();
    QVERIFY(t.elapsed() >= 400);
    // A delay alone changes nothing else.
    QCOMPARE(delayed.status, 200);
    QVERIFY(!delayed.json().toArray().isEmpty());
}

void FaultsTest::timesLimitsARule()
{
    const auto rule = FaultRule::parse(QStringLiteral("path=/api/changelog;status=500;times=2"));
    QVERIFY(rule);
    backend.addFault(*rule);
    QCOMPARE(backend.get(QStringLiteral("/api/changelog")).status, 500);
    QCOMPARE(backend.get(QStringLiteral("/api/changelog")).status, 500);
    QCOMPARE(backend.get(QStringLiteral("/api/changelog")).status, 200);
    QVERIFY(backend.faults().rules().isEmpty());
}

void FaultsTest::removeAndClear()
{
    const qint64 a = backend.failPath(QStringLiteral("/api/feed"), 500);
    backend.failPath(QStringLiteral("/api/shorts"), 500);
    QVERIFY(backend.faults().remove(a));
    QVERIFY(!backend.faults().remove(a));
    QCOMPARE(backend.get(QStringLiteral("/api/feed?cat=foryou&page=0")).status, 200);
    QCOMPARE(backend.get(QStringLiteral("/api/shorts?page=0")).status, 500);
    backend.clearFaults();
    QCOMPARE(backend.get(QStringLiteral("/api/shorts?page=0")).status, 200);
}

void FaultsTest::missingHlsIsA404()
{
    // Answered before any media are made, so no ffmpeg here.
    const auto rule = FaultRule::parse(QStringLiteral("id=%1;missing=hls").arg(video));
    QVERIFY(rule);
    backend.addFault(*rule);
    const HttpReply r = backend.request("GET", QStringLiteral("/api/hls/%1/master.m3u8?k=%2&q=0").arg(video, backend.apiKey()));
    QCOMPARE(r.status, 404);
    QVERIFY(r.errorMessage().contains(QStringLiteral("HLS")));
    // Not a stream rule: the detail of the same video still answers.
    QCOMPARE(backend.get(QStringLiteral("/api/video/") + video).status, 200);
}

void FaultsTest::controlEndpoint()
{
    const HttpReply added = backend.request("POST", QStringLiteral("/__control/fault"), {},
                                            R"({"path":"/api/suggest","status":500,"message":"Sin sugerencias"})",
                                            "application/json");
    QCOMPARE(added.status, 200);
    const qint64 id = added.json()[QStringLiteral("rule")].toInteger();
    QVERIFY(id > 0);
    QCOMPARE(backend.get(QStringLiteral("/api/suggest?q=a")).errorMessage(), QStringLiteral("Sin sugerencias"));

    const HttpReply listed = backend.request("GET", QStringLiteral("/__control/fault"));
    QCOMPARE(listed.json().toArray().size(), 1);
    QCOMPARE(listed.json()[0][QStringLiteral("path")].toString(), QStringLiteral("/api/suggest"));

    QCOMPARE(backend.request("POST", QStringLiteral("/__control/fault"), {}, R"({"path":"/api/x"})").status, 400);
    QCOMPARE(backend.request("POST", QStringLiteral("/__control/fault"), {}, R"({"status":"500"})").status, 400);
    QCOMPARE(backend.request("POST", QStringLiteral("/__control/fault"), {}, "no json").status, 400);

    QCOMPARE(backend.request("DELETE", QStringLiteral("/__control/fault?rule=%1").arg(id)).status, 200);
    QCOMPARE(backend.request("DELETE", QStringLiteral("/__control/fault?rule=%1").arg(id)).status, 404);
    QCOMPARE(backend.get(QStringLiteral("/api/suggest?q=a")).status, 200);

    // The request log for out-of-process tests, without the control calls.
    const qint64 before = backend.requests().lastSeq();
    backend.get(QStringLiteral("/api/suggest?q=b%20c"));
    const HttpReply seen = backend.request("GET", QStringLiteral("/__control/requests?since=%1").arg(before));
    const QJsonArray list = seen.json().toArray();
    QCOMPARE(list.size(), 1);
    QCOMPARE(list[0][QStringLiteral("target")].toString(), QStringLiteral("/api/suggest?q=b%20c"));
    QCOMPARE(list[0][QStringLiteral("headers")][QStringLiteral("x-ombri-key")].toString(), backend.apiKey());
    QCOMPARE(list[0][QStringLiteral("status")].toInt(), 200);
}

void FaultsTest::parseSpecs_data()
{
    QTest::addColumn<QString>("ruleText");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<FaultRule>("expected");
    FaultRule r;
    r.pathPrefix = QStringLiteral("/api/feed");
    r.status = 500;
    QTest::newRow("status") << "path=/api/feed;status=500" << true << r;
    r = {};
    r.id = QStringLiteral("abc");
    r.missing = FaultRule::Missing::Stream;
    r.delayMs = 250;
    r.times = 1;
    QTest::newRow("missing with delay") << "id=abc;missing=stream;delay=250;times=1" << true << r;
    r = {};
    r.method = QStringLiteral("POST");
    r.body = FaultRule::Body::Null;
    QTest::newRow("method upper-cased") << "method=post;body=null" << true << r;
    QTest::newRow("no effect") << "path=/api/feed" << false << FaultRule{};
    QTest::newRow("bad status") << "path=/api/feed;status=42" << false << FaultRule{};
    QTest::newRow("informational status") << "path=/api/feed;status=100" << false << FaultRule{};
    QTest::newRow("status as text") << "status=abc" << false << FaultRule{};
    QTest::newRow("unknown body") << "body=weird" << false << FaultRule{};
    QTest::newRow("unknown missing") << "missing=audio" << false << FaultRule{};
    QTest::newRow("no equals") << "status" << false << FaultRule{};
    QTest::newRow("negative delay") << "delay=-5" << false << FaultRule{};
}

void FaultsTest::parseSpecs()
{
    QFETCH(QString, ruleText);
    QFETCH(bool, valid);
    QFETCH(FaultRule, expected);
    QString why;
    const auto rule = FaultRule::parse(ruleText, &why);
    QCOMPARE(bool(rule), valid);
    if (!valid) {
        QVERIFY(!why.isEmpty());
        return;
    }
    QCOMPARE(rule->pathPrefix, expected.pathPrefix);
    QCOMPARE(rule->id, expected.id);
    QCOMPARE(rule->method, expected.method);
    QCOMPARE(rule->status, expected.status);
    QCOMPARE(rule->body, expected.body);
    QCOMPARE(rule->missing, expected.missing);
    QCOMPARE(rule->delayMs, expected.delayMs);
    QCOMPARE(rule->times, expected.times);
    // The control endpoint's JSON form says the same.
    const auto again = FaultRule::fromJson(rule->toJson());
    QVERIFY(again);
    QCOMPARE(again->toJson(), rule->toJson());
}

void FaultsTest::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("valid");
    QTest::newRow("all") << QStringList{"--port", "9000", "--host", "0.0.0.0", "--data", "/tmp/d", "--log", "/tmp/l",
                                        "--key", "k", "--fault", "path=/api/feed;status=500", "--fault",
                                        "id=x;delay=10", "--prepare-media"}
                         << true;
    QTest::newRow("none") << QStringList{} << true;
    QTest::newRow("bad port") << QStringList{"--port", "70000"} << false;
    QTest::newRow("missing value") << QStringList{"--data"} << false;
    QTest::newRow("unknown option") << QStringList{"--verbose"} << false;
    QTest::newRow("bad fault") << QStringList{"--fault", "status=1"} << false;
}

void FaultsTest::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(bool, valid);
    QString why;
    const auto o = DevBackendOptions::fromArguments(args, &why);
    QCOMPARE(bool(o), valid);
    if (!valid) {
        QVERIFY(!why.isEmpty());
        return;
    }
    if (args.isEmpty()) {
        QCOMPARE(o->port, 8765);
        QCOMPARE(o->host, QStringLiteral("127.0.0.1"));
        QVERIFY(o->faults.isEmpty());
        return;
    }
    QCOMPARE(o->port, 9000);
    QCOMPARE(o->host, QStringLiteral("0.0.0.0"));
    QCOMPARE(o->dataDir, QStringLiteral("/tmp/d"));
    QCOMPARE(o->logFile, QStringLiteral("/tmp/l"));
    QCOMPARE(o->apiKey, QStringLiteral("k"));
    QCOMPARE(o->faults.size(), 2);
    QCOMPARE(o->faults[1].delayMs, 10);
    QVERIFY(o->prepareMedia);
}

void FaultsTest::faultsFromOptionsApply()
{
    TestBackend::Options o;
    o.apiKey = QStringLiteral("0123456789abcdef0123456789abcdef");
    o.faults.append(*FaultRule::parse(QStringLiteral("path=/api/categories;status=500")));
    TestBackend second(o);
    QVERIFY(second.isRunning());
    QVERIFY(second.origin() != backend.origin());
    QCOMPARE(qEnvironmentVariable("NIMBELORA_BACKEND_URL"), second.origin());
    QCOMPARE(second.get(QStringLiteral("/api/categories")).status, 500);
    QCOMPARE(second.get(QStringLiteral("/api/changelog")).status, 200);
    // The old key is refused there.
    QCOMPARE(second.request("GET", QStringLiteral("/api/changelog"), {{"X-Ombri-Key", backend.apiKey().toUtf8()}}).status, 401);
}

void FaultsTest::stopDoesNotWaitForDelays()
{
    // The previous backend's variable came back when the second one ended.
    QCOMPARE(qEnvironmentVariable("NIMBELORA_BACKEND_URL"), backend.origin());

    DevBackendOptions o;
    o.port = 0;
    o.mediaDir = TestBackend::sharedMediaDir();
    DevBackend server(o);
    QVERIFY(server.start());
    FaultRule slow;
    slow.pathPrefix = QStringLiteral("/api/");
    slow.delayMs = 60000;
    server.faults().add(slow);
    auto pending = std::async(std::launch::async, [&] {
        httplib::Client cli("127.0.0.1", server.port());
        return cli.Get("/api/categories");
    });
    QTest::qWait(100);
    QElapsedTimer t;
    t.start();
    server.stop();
    QVERIFY2(t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
    pending.wait();
}

QTEST_GUILESS_MAIN(FaultsTest)
#include "tst_devbackend_faults.moc"
