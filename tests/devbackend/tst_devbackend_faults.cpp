// Fault switches: in-process, from the command line and over the control
// endpoint; what a faulted reply looks like and which requests a rule hits.
// Missing media are the media test's.
#include "DevBackend.h"
#include "Fixtures.h"
#include "TestBackend.h"

#include <httplib.h>

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QTest>
#include <future>

class FaultsTest : public QObject
{
    Q_OBJECT

    TestBackend backend;
    QString video, other;

    // {v} is a video id, {o} another one.
    QString fill(QString s) const { return s.replace(QStringLiteral("{v}"), video).replace(QStringLiteral("{o}"), other); }
    bool add(const QString &text)
    {
        QString why;
        const auto rule = FaultRule::parse(fill(text), &why);
        if (rule)
            backend.addFault(*rule);
        else
            qWarning("%s", qPrintable(why));
        return bool(rule);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(backend.isRunning());
        video = backend.fixtures().videos()[0].id;
        other = backend.fixtures().videos()[1].id;
    }
    void cleanup() { backend.clearFaults(); }

    void faultedReplies_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("kind");     // error, malformed, null, empty, html, raw
        QTest::addColumn<QString>("expected"); // the error message or the raw body
        QTest::newRow("status with error body") << "status=500" << 500 << "error" << "Error simulado del servidor.";
        QTest::newRow("own message") << "status=503;message=Vuelve luego" << 503 << "error" << "Vuelve luego";
        QTest::newRow("read answered 201") << "status=201" << 201 << "error" << "Error simulado del servidor.";
        QTest::newRow("204 never has a body") << "status=204" << 204 << "empty" << QString();
        QTest::newRow("malformed") << "body=malformed" << 200 << "malformed" << QString();
        QTest::newRow("null") << "body=null" << 200 << "raw" << "null";
        QTest::newRow("empty 500") << "status=500;body=empty" << 500 << "empty" << QString();
        QTest::newRow("html 502") << "status=502;body=html" << 502 << "html" << QString();
        QTest::newRow("raw") << "raw={\"error\":5}" << 200 << "raw" << "{\"error\":5}";
    }

    void faultedReplies()
    {
        QFETCH(QString, rule);
        QFETCH(int, status);
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        QVERIFY(add("path=/api/feed;" + rule));
        const HttpReply r = backend.get("/api/feed?cat=foryou&page=0");
        QCOMPARE(r.status, status);
        if (kind == u"error")
            QCOMPARE(r.errorMessage(), expected);
        else if (kind == u"raw")
            QCOMPARE(QString::fromUtf8(r.body), expected);
        else if (kind == u"empty")
            QVERIFY(r.body.isEmpty());
        else // malformed or html: a body that is no JSON
            QVERIFY(!r.body.isEmpty() && r.json().isUndefined() &&
                    (kind != u"html" || r.header("Content-Type").startsWith(u"text/html")));
        // Other paths are untouched, and the log has the faulted status.
        QCOMPARE(backend.get("/api/categories").status, 200);
        QCOMPARE(backend.requests().last("/api/feed")->status, status);
    }

    void whichRequestsARuleHits_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("request"); // method and path
        QTest::addColumn<bool>("hit");
        QTest::newRow("prefix hits") << "path=/api/video/" << "GET /api/video/{v}?fast=1" << true;
        QTest::newRow("prefix misses") << "path=/api/video/" << "GET /api/related/{v}" << false;
        QTest::newRow("id in the path") << "id={v}" << "GET /api/related/{v}" << true;
        QTest::newRow("id of another video") << "id={v}" << "GET /api/related/{o}" << false;
        QTest::newRow("id in a joined query value") << "id={v}" << "GET /api/warm?ids={o}%2C{v}" << true;
        QTest::newRow("id is not a prefix match") << "id={v}" << "GET /api/warm?ids={v}x" << false;
        QTest::newRow("prefix and id") << "path=/api/comments/;id={v}" << "GET /api/comments/{v}?sort=top" << true;
        QTest::newRow("prefix and other id") << "path=/api/comments/;id={v}" << "GET /api/video/{v}" << false;
        QTest::newRow("method hits") << "path=/api/me;method=delete" << "DELETE /api/me" << true;
        QTest::newRow("method misses") << "path=/api/me;method=delete" << "GET /api/me" << false;
        QTest::newRow("control is never faulted") << "" << "GET /__control/fault" << false;
    }

    void whichRequestsARuleHits()
    {
        QFETCH(QString, rule);
        QFETCH(QString, request);
        QFETCH(bool, hit);
        QVERIFY(add(rule + ";status=500"));
        const RawHeaders signedIn = {{"X-Ombri-Key", backend.apiKey().toUtf8()}, {"X-Ombri-Session", backend.session().toUtf8()}};
        const HttpReply r = backend.request(request.section(u' ', 0, 0).toLatin1(), fill(request.section(u' ', 1)), signedIn);
        QCOMPARE(r.headers.contains("x-dev-fault"), hit);
        QCOMPARE(r.status == 500, hit);
    }

    void delayHoldsOnlyItsRequests()
    {
        backend.delayPath("/api/search", 400);
        QElapsedTimer t;
        t.start();
        auto slow = std::async(std::launch::async, [this] { return backend.get("/api/search?page=0&q=humor"); });
        QTest::qWait(50);
        QCOMPARE(backend.get("/api/categories").status, 200);
        QVERIFY2(t.elapsed() < 350, "another path waited for the delay");
        const HttpReply delayed = slow.get();
        QVERIFY(t.elapsed() >= 400);
        // A delay alone changes nothing else.
        QCOMPARE(delayed.status, 200);
        QVERIFY(!delayed.json().toArray().isEmpty());
    }

    // A rule ends when its count runs out, when removed, or when all are cleared.
    void ruleLifetime()
    {
        QVERIFY(add("path=/api/changelog;status=500;times=2"));
        for (int status : {500, 500, 200})
            QCOMPARE(backend.get("/api/changelog").status, status);
        QVERIFY(backend.faults().rules().isEmpty());

        const qint64 a = backend.failPath("/api/feed", 500);
        backend.failPath("/api/shorts", 500);
        QVERIFY(backend.faults().remove(a));
        QVERIFY(!backend.faults().remove(a));
        QCOMPARE(backend.get("/api/feed?cat=foryou&page=0").status, 200);
        QCOMPARE(backend.get("/api/shorts?page=0").status, 500);
        backend.clearFaults();
        QCOMPARE(backend.get("/api/shorts?page=0").status, 200);
    }

    // What tests running the backend as a separate process use.
    void controlEndpoint()
    {
        auto control = [this](const QByteArray &method, const QString &path, const QByteArray &body = {}) {
            return backend.request(method, "/__control/" + path, {}, body, body.isEmpty() ? QByteArray() : "application/json");
        };
        const HttpReply added = control("POST", "fault", R"({"path":"/api/suggest","status":500,"message":"Sin sugerencias"})");
        QCOMPARE(added.status, 200);
        const qint64 id = added.json()[u"rule"].toInteger();
        QVERIFY(id > 0);
        QCOMPARE(backend.get("/api/suggest?q=a").errorMessage(), u"Sin sugerencias");
        const QJsonArray listed = control("GET", "fault").json().toArray();
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed[0][u"path"].toString(), u"/api/suggest");
        for (const char *bad : {R"({"path":"/api/x"})", R"({"status":"500"})", "no json"})
            QCOMPARE(control("POST", "fault", bad).status, 400);
        QCOMPARE(control("DELETE", "fault?rule=" + QString::number(id)).status, 200);
        QCOMPARE(control("DELETE", "fault?rule=" + QString::number(id)).status, 404);
        QCOMPARE(backend.get("/api/suggest?q=a").status, 200);

        // The request log, without the control calls.
        const qint64 before = backend.requests().lastSeq();
        backend.get("/api/suggest?q=b%20c");
        const QJsonArray list = control("GET", "requests?since=" + QString::number(before)).json().toArray();
        QCOMPARE(list.size(), 1);
        QCOMPARE(list[0][u"target"].toString(), u"/api/suggest?q=b%20c");
        QCOMPARE(list[0][u"headers"][u"x-ombri-key"].toString(), backend.apiKey());
        QCOMPARE(list[0][u"status"].toInt(), 200);
    }

    void parseRules_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("json"); // the rule's JSON form; empty: refused
        QTest::newRow("status") << "path=/api/feed;status=500" << QByteArray(R"({"path":"/api/feed","status":500})");
        QTest::newRow("missing with delay") << "id=abc;missing=stream;delay=250;times=1"
                                            << QByteArray(R"({"delay":250,"id":"abc","missing":"stream","times":1})");
        QTest::newRow("method upper-cased") << "method=post;body=null" << QByteArray(R"({"body":"null","method":"POST"})");
        for (const char *bad :
             {"path=/api/feed", "status=42", "status=100", "status=abc", "body=weird", "missing=audio", "status", "delay=-5"})
            QTest::newRow(bad) << QString::fromLatin1(bad) << QByteArray();
    }

    void parseRules()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, json);
        QString why;
        const auto rule = FaultRule::parse(text, &why);
        QCOMPARE(bool(rule), !json.isEmpty());
        QCOMPARE(why.isEmpty(), bool(rule)); // a refusal says why
        if (!rule)
            return;
        QJsonObject o = rule->toJson();
        o.remove("rule"); // numbered only when switched on
        QCOMPARE(QJsonDocument(o).toJson(QJsonDocument::Compact), json);
        // The control endpoint's JSON form reads back the same rule.
        const auto again = FaultRule::fromJson(rule->toJson());
        QVERIFY(again);
        QCOMPARE(again->toJson(), rule->toJson());
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("valid");
        QTest::newRow("all") << QStringList{"--port", "9000", "--host", "0.0.0.0", "--data", "/tmp/d", "--log", "/tmp/l", "--key", "k",
                                            "--fault", "path=/api/feed;status=500", "--fault", "id=x;delay=10", "--prepare-media"}
                             << true;
        QTest::newRow("none") << QStringList{} << true;
        QTest::newRow("bad port") << QStringList{"--port", "70000"} << false;
        QTest::newRow("missing value") << QStringList{"--data"} << false;
        QTest::newRow("unknown option") << QStringList{"--verbose"} << false;
        QTest::newRow("bad fault") << QStringList{"--fault", "status=1"} << false;
    }

    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, valid);
        QString why;
        const auto o = DevBackendOptions::fromArguments(args, &why);
        QCOMPARE(bool(o), valid);
        QCOMPARE(why.isEmpty(), valid);
        if (!o)
            return;
        const bool all = !args.isEmpty();
        QCOMPARE(QStringList({QString::number(o->port), o->host, o->dataDir, o->logFile, o->apiKey}),
                 all ? QStringList({"9000", "0.0.0.0", "/tmp/d", "/tmp/l", "k"}) : QStringList({"8765", "127.0.0.1", "", "", ""}));
        QCOMPARE(o->faults.size(), all ? 2 : 0);
        QCOMPARE(o->prepareMedia, all);
        if (all)
            QCOMPARE(o->faults[1].delayMs, 10);
    }

    void faultsFromOptionsApply()
    {
        {
            TestBackend::Options o;
            o.apiKey = QStringLiteral("0123456789abcdef0123456789abcdef");
            o.faults.append(*FaultRule::parse("path=/api/categories;status=500"));
            TestBackend second(o);
            QVERIFY(second.isRunning());
            QVERIFY(second.origin() != backend.origin());
            QCOMPARE(qEnvironmentVariable("NIMBELORA_BACKEND_URL"), second.origin());
            QCOMPARE(second.get("/api/categories").status, 500);
            QCOMPARE(second.get("/api/changelog").status, 200);
            // The first backend's key is refused there.
            QCOMPARE(second.request("GET", "/api/changelog", {{"X-Ombri-Key", backend.apiKey().toUtf8()}}).status, 401);
        }
        // The first backend's variable comes back when the second one ends.
        QCOMPARE(qEnvironmentVariable("NIMBELORA_BACKEND_URL"), backend.origin());
    }

    // Tests end their backends while requests may still be held by a delay.
    void stopDoesNotWaitForDelays()
    {
        DevBackendOptions o;
        o.port = 0;
        o.mediaDir = TestBackend::sharedMediaDir();
        DevBackend server(o);
        QVERIFY(server.start());
        FaultRule slow;
        slow.pathPrefix = QStringLiteral("/api/");
        slow.delayMs = 60000;
        server.faults().add(slow);
        auto pending = std::async(std::launch::async,
                                  [&] { return httplib::Client("127.0.0.1", server.port()).Get("/api/categories"); });
        QTest::qWait(100);
        QElapsedTimer t;
        t.start();
        server.stop();
        QVERIFY2(t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
        pending.wait();
    }
};

QTEST_GUILESS_MAIN(FaultsTest)
#include "tst_devbackend_faults.moc"
