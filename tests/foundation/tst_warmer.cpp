#include "API.h"
#include "Interleave.h"
#include "SampleVideos.h"
#include "Warmer.h"
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

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

// "a1,a2|b1" is two lists; "x@60" lasts 60 s, "x!" is live, others last 10 min.
QList<QList<Video>> parseLists(const QString &text)
{
    QList<QList<Video>> lists;
    if (text.isEmpty())
        return lists;
    for (const QString &part : text.split(QLatin1Char('|'))) {
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
        QList<Video> batch;
        for (int i = 0; i < 600; ++i)
            batch.append(video(QStringLiteral("r%1").arg(i)));
        Warmer::warm(batch, 600);
        QCOMPARE(m_sent.size(), 1);
        QCOMPARE(m_sent[0].size(), 600);

        Warmer::warm({batch[0]}, 1); // 600 held: still remembered
        QCOMPARE(m_sent.size(), 1);

        Warmer::warm({video(QStringLiteral("r600"))}, 1); // the 601st empties the record
        Warmer::warm({batch[0]}, 1);                      // forgotten, so sent again
        QCOMPARE(m_sent, (QList<QStringList>{ids(batch), {"r600"}, {"r0"}}));
    }

    // Calls in order ("ids:count;…"), and the batches sent ("ids;…").
    // Ids are unique per row, as the record of sent ids outlives the rows.
    void warmSendsNewIdsOnce_data()
    {
        QTest::addColumn<QString>("calls");
        QTest::addColumn<QString>("sent");
        QTest::newRow("only the first count, once") << "a1,a2,a3,a4:2;a1,a2,a3,a4:2;a1,a2,a3,a4:3" << "a1,a2;a3";
        QTest::newRow("placeholders never") << "placeholder0,placeholder-1,p1:8;placeholder1:8" << "p1";
        QTest::newRow("count zero, negative or beyond") << "c1,c2:0;c1,c2:-4;c1,c2:8" << "c1,c2";
        QTest::newRow("nothing to send") << ":8" << "";
        QTest::newRow("duplicates in one call stay") << "d,d,d2:8" << "d,d,d2";
    }
    void warmSendsNewIdsOnce()
    {
        QFETCH(QString, calls);
        QFETCH(QString, sent);
        for (const QString &call : calls.split(QLatin1Char(';'))) {
            QList<Video> list;
            for (const QString &id : call.section(QLatin1Char(':'), 0, 0).split(QLatin1Char(','), Qt::SkipEmptyParts))
                list.append(id.startsWith(u"placeholder") ? Video::placeholder(id.mid(11).toLongLong()) : video(id));
            Warmer::warm(list, call.section(QLatin1Char(':'), 1).toLongLong());
        }
        QStringList batches;
        for (const QStringList &batch : std::as_const(m_sent))
            batches.append(batch.join(QLatin1Char(',')));
        QCOMPARE(batches.join(QLatin1Char(';')), sent);
    }

    // Without a replacement the ids reach the backend's warm endpoint.
    void defaultSenderCallsTheBackend()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QByteArray received;
        connect(&server, &QTcpServer::newConnection, &server, [&] {
            QTcpSocket *s = server.nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [&received, s] { received += s->readAll(); });
        });
        QVERIFY(API::shared().setBaseUrl(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()))));

        Warmer::setSender({});
        Warmer::warm({video(QStringLiteral("net1")), video(QStringLiteral("net2"))}, 8);
        QVERIFY(TestTime::waitFor([&] { return received.contains("\r\n\r\n"); }, 10000));
        QVERIFY2(received.startsWith("GET /api/warm?ids=net1%2Cnet2 HTTP/1.1\r\n"), received.constData());
        QVERIFY(received.contains("X-Ombri-Key: "));
    }

    void interleaveMerges_data()
    {
        QTest::addColumn<QString>("lists");
        QTest::addColumn<int>("cap");
        QTest::addColumn<QString>("expected");

        QTest::newRow("turns") << "a1,a2,a3|b1|c1,c2" << 100 << "a1,b1,c1,a2,c2,a3";
        QTest::newRow("cap 2") << "a1,a2,a3|b1|c1,c2" << 2 << "a1,b1";
        QTest::newRow("cap of exactly all") << "a1,a2|b1" << 3 << "a1,b1,a2";
        QTest::newRow("duplicate taken once, at its first turn") << "x,y|z,x" << 100 << "x,z,y";
        QTest::newRow("duplicate in the same turn") << "x|x|y" << 100 << "x,y";
        QTest::newRow("live never taken") << "a1,l!|b1" << 100 << "a1,b1";
        QTest::newRow("60 s never taken, 61 s is") << "s60@60,s61@61|z@0" << 100 << "s61";
        QTest::newRow("skipped live does not claim its id") << "v!|v" << 100 << "v";
        QTest::newRow("skipped short does not claim its id") << "v@30,w|x,v" << 100 << "x,w,v";
        QTest::newRow("skips do not count toward the cap") << "l1!,a|l2!,b|c" << 2 << "c,a";
        QTest::newRow("no lists") << "" << 80 << "";
        QTest::newRow("only ineligible") << "a!,b@10|c@60" << 80 << "";
    }
    void interleaveMerges()
    {
        QFETCH(QString, lists);
        QFETCH(int, cap);
        QFETCH(QString, expected);
        const QList<Video> merged = interleave(parseLists(lists), cap);
        QCOMPARE(ids(merged).join(QLatin1Char(',')), expected);
        // Whole videos, not only their ids.
        for (const Video &v : merged)
            QCOMPARE(v.title, QStringLiteral("Título ") + v.id);
    }
};

QTEST_GUILESS_MAIN(TestWarmer)
#include "tst_warmer.moc"
