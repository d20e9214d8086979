#include "API.h"
#include "Interleave.h"
#include "Warmer.h"
#include <QTest>
#include <httplib.h>
#include <mutex>
#include <thread>

namespace {

Video video(const QString &id, qint64 duration = 600, bool live = false)
{
    Video v;
    v.id = id;
    v.title = QStringLiteral("Título ") + id;
    v.duration = duration;
    v.live = live;
    return v;
}

QList<Video> videos(const QString &prefix, int n)
{
    QList<Video> out;
    for (int i = 0; i < n; ++i)
        out.append(video(prefix + QString::number(i)));
    return out;
}

QStringList ids(const QList<Video> &list)
{
    QStringList out;
    for (const Video &v : list)
        out.append(v.id);
    return out;
}

// "a1,a2|b1" is two lists; "x@60" lasts 60 s, "x!" is live, others last 10 min.
QList<QList<Video>> parseLists(const QString &spec)
{
    QList<QList<Video>> lists;
    if (spec.isEmpty())
        return lists;
    for (const QString &part : spec.split(QLatin1Char('|'))) {
        QList<Video> list;
        for (QString token : part.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const bool live = token.endsWith(QLatin1Char('!'));
            if (live)
                token.chop(1);
            qint64 duration = 600;
            if (const qsizetype at = token.indexOf(QLatin1Char('@')); at >= 0) {
                duration = token.mid(at + 1).toLongLong();
                token = token.left(at);
            }
            list.append(video(token, duration, live));
        }
        lists.append(list);
    }
    return lists;
}

} // namespace

class TestWarmer : public QObject
{
    Q_OBJECT

    QList<QStringList> m_sent;

private slots:
    void init()
    {
        m_sent.clear();
        Warmer::setSender([this](const QStringList &ids) { m_sent.append(ids); });
    }
    void cleanupTestCase() { Warmer::setSender({}); }

    // Runs first: the record of sent ids lives for the process, and this test
    // needs it empty to find the exact point where it is reset.
    void recordResetsWhenItReaches601()
    {
        const QList<Video> batch = videos(QStringLiteral("r"), 600);
        Warmer::warm(batch, 600);
        QCOMPARE(m_sent.size(), 1);
        QCOMPARE(m_sent[0].size(), 600);

        Warmer::warm({batch[0]}, 1); // 600 held: still remembered
        QCOMPARE(m_sent.size(), 1);

        Warmer::warm({video(QStringLiteral("r600"))}, 1); // the 601st empties the record
        QCOMPARE(m_sent.size(), 2);
        QCOMPARE(m_sent[1], QStringList{QStringLiteral("r600")});

        Warmer::warm({batch[0]}, 1); // forgotten, so sent again
        QCOMPARE(m_sent.size(), 3);
        QCOMPARE(m_sent[2], QStringList{QStringLiteral("r0")});
    }

    void warmsOnlyTheFirstCountOnce()
    {
        const QList<Video> list = videos(QStringLiteral("once"), 20);
        Warmer::warm(list, 8);
        QCOMPARE(m_sent.size(), 1);
        QCOMPARE(m_sent[0], ids(list.mid(0, 8)));

        Warmer::warm(list, 8);
        QCOMPARE(m_sent.size(), 1);

        // Only the ids not sent before go out.
        Warmer::warm(list, 10);
        QCOMPARE(m_sent.size(), 2);
        QCOMPARE(m_sent[1], ids(list.mid(8, 2)));
    }

    void placeholdersAreNeverSent()
    {
        QList<Video> list{Video::placeholder(0), Video::placeholder(-1), video(QStringLiteral("ph-real"))};
        Warmer::warm(list, 8);
        QCOMPARE(m_sent, QList<QStringList>{{QStringLiteral("ph-real")}});

        Warmer::warm({Video::placeholder(1), Video::placeholder(2)}, 8);
        QCOMPARE(m_sent.size(), 1);
    }

    void countBeyondOrBelowTheList()
    {
        const QList<Video> list = videos(QStringLiteral("short"), 3);
        Warmer::warm(list, 0);
        Warmer::warm(list, -4);
        QVERIFY(m_sent.isEmpty());
        Warmer::warm(list, 8);
        QCOMPARE(m_sent, QList<QStringList>{ids(list)});
        Warmer::warm({}, 8);
        QCOMPARE(m_sent.size(), 1);
    }

    void duplicatesInOneCallStay()
    {
        const Video v = video(QStringLiteral("dup"));
        Warmer::warm({v, v, video(QStringLiteral("dup2"))}, 8);
        QCOMPARE(m_sent, (QList<QStringList>{{QStringLiteral("dup"), QStringLiteral("dup"), QStringLiteral("dup2")}}));
    }

    // Without a replacement the ids reach the backend's warm endpoint.
    void defaultSenderCallsTheBackend()
    {
        httplib::Server server;
        std::mutex lock;
        std::string query, key;
        server.Get("/api/warm", [&](const httplib::Request &req, httplib::Response &res) {
            std::lock_guard g(lock);
            query = req.get_param_value("ids");
            key = req.get_header_value("X-Ombri-Key");
            res.set_content("{\"ok\":true}", "application/json");
        });
        server.set_keep_alive_max_count(1); // lets stop() return at once
        const int port = server.bind_to_any_port("127.0.0.1");
        QVERIFY(port > 0);
        std::thread thread([&] { server.listen_after_bind(); });
        auto stop = qScopeGuard([&] {
            server.stop();
            thread.join();
        });
        QVERIFY(API::shared().setBaseUrl(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port))));

        Warmer::setSender({});
        Warmer::warm({video(QStringLiteral("net1")), video(QStringLiteral("net2"))}, 8);
        QVERIFY(QTest::qWaitFor([&] {
            std::lock_guard g(lock);
            return !query.empty();
        }, 10000));
        std::lock_guard g(lock);
        QCOMPARE(QString::fromStdString(query), QStringLiteral("net1,net2"));
        QVERIFY(!key.empty());
    }

    void interleaveMerges_data()
    {
        QTest::addColumn<QString>("lists");
        QTest::addColumn<int>("cap");
        QTest::addColumn<QString>("expected");

        QTest::newRow("turns") << "a1,a2,a3|b1|c1,c2" << 100 << "a1,b1,c1,a2,c2,a3";
        QTest::newRow("cap 2") << "a1,a2,a3|b1|c1,c2" << 2 << "a1,b1";
        QTest::newRow("cap 3 stops in the first turn") << "a1,a2,a3|b1|c1,c2" << 3 << "a1,b1,c1";
        QTest::newRow("cap of exactly all") << "a1,a2|b1" << 3 << "a1,b1,a2";
        QTest::newRow("duplicate taken once, at its first turn") << "x,y|z,x" << 100 << "x,z,y";
        QTest::newRow("duplicate in the same turn") << "x|x|y" << 100 << "x,y";
        QTest::newRow("live never taken") << "a1,l!|b1" << 100 << "a1,b1";
        QTest::newRow("60 s never taken, 61 s is") << "s60@60,s61@61|z@0" << 100 << "s61";
        QTest::newRow("skipped live does not claim its id") << "v!|v" << 100 << "v";
        QTest::newRow("skipped short does not claim its id") << "v@30,w|x,v" << 100 << "x,w,v";
        QTest::newRow("skips do not count toward the cap") << "l1!,a|l2!,b|c" << 2 << "c,a";
        QTest::newRow("one list") << "a,b,c" << 2 << "a,b";
        QTest::newRow("no lists") << "" << 80 << "";
        QTest::newRow("only empty lists") << "||" << 80 << "";
        QTest::newRow("only ineligible") << "a!,b@10|c@60" << 80 << "";
        QTest::newRow("uneven lengths") << "a1|b1,b2,b3|c1,c2" << 100 << "a1,b1,c1,b2,c2,b3";
    }
    void interleaveMerges()
    {
        QFETCH(QString, lists);
        QFETCH(int, cap);
        QFETCH(QString, expected);
        QCOMPARE(ids(interleave(parseLists(lists), cap)).join(QLatin1Char(',')), expected);
    }

    void interleaveKeepsWholeVideos()
    {
        Video v = video(QStringLiteral("full"), 125);
        v.channel = QStringLiteral("Canal");
        v.views = 42;
        const QList<Video> out = interleave({{v}}, 80);
        QCOMPARE(out.size(), 1);
        QVERIFY(out[0] == v);
    }
};

QTEST_GUILESS_MAIN(TestWarmer)
#include "tst_warmer.moc"
