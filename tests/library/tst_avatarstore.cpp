// The channel-avatar store against the in-process development backend: which
// channels go out in which batch and when, what a failed or partial batch
// leaves behind, and the cache file across restarts.
#include "API.h"
#include "AvatarStore.h"
#include "FaultSwitches.h"
#include "Fixtures.h"
#include "QmlHarness.h"
#include "TestBackend.h"
#include "TestDirs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

#include <memory>
#include <optional>

namespace {

using Keys = QStringList;

Video video(std::optional<QString> channelId, std::optional<QString> handle = std::nullopt,
            std::optional<QString> avatar = std::nullopt)
{
    Video v;
    v.id = QStringLiteral("v-") + channelId.value_or(handle.value_or(QStringLiteral("none")));
    v.title = QStringLiteral("Vídeo");
    v.channel = QStringLiteral("Canal de prueba");
    v.channelId = std::move(channelId);
    v.handle = std::move(handle);
    v.avatar = std::move(avatar);
    return v;
}

Video byKey(const QString &key)
{
    return key.startsWith(u'@') ? video(std::nullopt, key) : video(key);
}

QString opt(const std::optional<QString> &s) { return s ? *s : QStringLiteral("<none>"); }

void writeFile(const QByteArray &bytes)
{
    QDir().mkpath(TestDirs::cacheDir());
    QFile f(AvatarStore::filePath());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray readFile()
{
    QFile f(AvatarStore::filePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QJsonObject fileObject() { return QJsonDocument::fromJson(readFile()).object(); }

// The batches the backend received, each with the moment the test first saw it.
class Batches
{
public:
    explicit Batches(TestBackend &backend) : m_backend(backend) { m_clock.start(); }

    void poll()
    {
        const auto records = m_backend.requests().matching(QStringLiteral("/api/avatars"));
        for (qsizetype i = m_keys.size(); i < records.size(); ++i) {
            const QUrlQuery query(records.at(i).rawQuery);
            m_keys.append(query.queryItemValue(QStringLiteral("keys"), QUrl::FullyDecoded).split(u','));
            m_seenAt.append(m_clock.elapsed());
        }
    }
    bool waitFor(qsizetype count, int ms = 8000)
    {
        QElapsedTimer t;
        t.start();
        for (poll(); m_keys.size() < count && t.elapsed() < ms; poll())
            QTest::qWait(5);
        return m_keys.size() >= count;
    }
    // Lets `ms` pass while watching.
    void idle(int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            QTest::qWait(5);
            poll();
        }
    }

    qsizetype count() { return poll(), m_keys.size(); }
    const QList<Keys> &keys() const { return m_keys; }
    qint64 seenAt(qsizetype i) const { return m_seenAt.at(i); }
    qint64 elapsed() const { return m_clock.elapsed(); }

private:
    TestBackend &m_backend;
    QElapsedTimer m_clock;
    QList<Keys> m_keys;
    QList<qint64> m_seenAt;
};

} // namespace

class TestAvatarStore : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestBackend> m_backend;
    QStringList m_resolvable; // every channel id and handle the backend knows a picture for
    QString m_id, m_handle;   // one channel, by id and by handle

    QString expectedUrl(const QString &key) const
    {
        const FxChannel *c = m_backend->fixtures().channel(key);
        return c ? m_backend->fixtures().channelAvatarUrl(*c, m_backend->origin()) : QString();
    }

private slots:
    void initTestCase()
    {
        TestDirs::isolate();
        m_backend = std::make_unique<TestBackend>();
        QVERIFY2(m_backend->isRunning(), qPrintable(m_backend->error()));
        for (const FxChannel &c : m_backend->fixtures().channels()) {
            if (!c.hasAvatar)
                continue;
            m_resolvable << c.id << c.handle;
            if (m_id.isEmpty() && !c.handle.isEmpty()) {
                m_id = c.id;
                m_handle = c.handle;
            }
        }
        QVERIFY(m_resolvable.size() > AvatarStore::batchSize);
    }

    void init()
    {
        QVERIFY(API::shared().setBaseUrl(QUrl(m_backend->origin())));
        API::shared().setTransferTimeout(60000);
        m_backend->clearFaults();
        AvatarStore::waitForWrites();
        TestDirs::isolate();
        m_backend->requests().clear();
    }

    void cleanup() { AvatarStore::waitForWrites(); }
    void cleanupTestCase() { m_backend.reset(); }

    // What url(for:) answers from the cache, and what want(_:) sends for it.
    void lookup_data()
    {
        QTest::addColumn<Video>("v");
        QTest::addColumn<QString>("url");
        QTest::addColumn<Keys>("asked");

        const QString a = QStringLiteral("https://img/a.jpg");
        const QString b = QStringLiteral("https://img/b.jpg");
        const QString own = QStringLiteral("https://img/own.jpg");
        QTest::newRow("own avatar wins over the cache") << video("UCa", std::nullopt, own) << own << Keys{};
        QTest::newRow("own avatar, unknown channel") << video("UCzz", "@zz", own) << own << Keys{};
        QTest::newRow("known channel id") << video("UCa") << a << Keys{};
        QTest::newRow("known handle only") << video(std::nullopt, "@b") << b << Keys{};
        QTest::newRow("id and handle: the id decides") << video("UCzz", "@b") << QString("<none>") << Keys{"UCzz"};
        QTest::newRow("id and handle: both known") << video("UCa", "@b") << a << Keys{};
        QTest::newRow("unknown handle") << video(std::nullopt, "@zz") << QString("<none>") << Keys{"@zz"};
        QTest::newRow("no key at all") << video(std::nullopt) << QString("<none>") << Keys{};
    }
    void lookup()
    {
        QFETCH(Video, v);
        QFETCH(QString, url);
        QFETCH(Keys, asked);
        writeFile("{\"UCa\":\"https://img/a.jpg\",\"@b\":\"https://img/b.jpg\"}");
        AvatarStore store;
        QCOMPARE(opt(store.url(v)), url);
        QCOMPARE(store.urlValue(v), url == "<none>" ? QString() : url);

        Batches batches(*m_backend);
        store.want(v);
        store.want(v);
        if (asked.isEmpty()) {
            batches.idle(AvatarStore::debounce.count() + 400);
            QCOMPARE(batches.count(), 0);
        } else {
            QVERIFY(batches.waitFor(1));
            batches.idle(200);
            QCOMPARE(batches.keys(), QList<Keys>{asked});
        }
    }

    // Channels asked for within the wait leave together, once each, and not before it ends.
    void debounce()
    {
        AvatarStore store;
        Batches batches(*m_backend);
        store.want(byKey(m_id));
        QTest::qWait(100);
        store.want(byKey(m_handle));
        store.want(byKey(m_id));
        QTest::qWait(100);
        store.want(video(QStringLiteral("UCnone")));
        QVERIFY(batches.waitFor(1));
        QVERIFY2(batches.seenAt(0) >= AvatarStore::debounce.count(), qPrintable(QString::number(batches.seenAt(0))));
        Keys sent = batches.keys().at(0);
        sent.sort();
        Keys expected{m_id, m_handle, QStringLiteral("UCnone")};
        expected.sort();
        QCOMPARE(sent, expected);

        QTRY_COMPARE(store.urls().size(), 2);
        QCOMPARE(store.urls().value(m_id), expectedUrl(m_id));
        QCOMPARE(store.urls().value(m_handle), expectedUrl(m_id));
        QCOMPARE(opt(store.url(byKey(m_handle))), expectedUrl(m_id));
        batches.idle(200);
        QCOMPARE(batches.count(), 1);
    }

    // More channels than one batch holds: 30 go first, the rest right after a
    // reply that resolved them all, or after the give-up wait otherwise.
    void batches_data()
    {
        QTest::addColumn<bool>("resolvable");
        QTest::newRow("all resolved") << true;
        QTest::newRow("none resolved") << false;
    }
    void batches()
    {
        QFETCH(bool, resolvable);
        QStringList keys;
        if (resolvable) {
            keys = m_resolvable.mid(0, 50);
        } else {
            for (int i = 0; i < 50; ++i)
                keys << QStringLiteral("UCunknown%1").arg(i);
        }

        AvatarStore store;
        Batches batches(*m_backend);
        for (const QString &key : std::as_const(keys))
            store.want(byKey(key));
        QVERIFY(batches.waitFor(2, 10000));
        batches.idle(300);
        QCOMPARE(batches.count(), 2);

        const Keys first = batches.keys().at(0), second = batches.keys().at(1);
        QCOMPARE(first.size(), AvatarStore::batchSize);
        QCOMPARE(second.size(), keys.size() - AvatarStore::batchSize);
        QSet<QString> all(first.begin(), first.end());
        all.unite(QSet<QString>(second.begin(), second.end()));
        QCOMPARE(all, QSet<QString>(keys.begin(), keys.end()));

        const qint64 gap = batches.seenAt(1) - batches.seenAt(0);
        if (resolvable) {
            // Right after the reply: neither the give-up wait nor the first wait again.
            QVERIFY2(gap < AvatarStore::debounce.count(), qPrintable(QString::number(gap)));
            QTRY_COMPARE(store.urls().size(), keys.size());
            AvatarStore::waitForWrites();
            QCOMPARE(fileObject().size(), keys.size());
        } else {
            QVERIFY2(gap >= AvatarStore::giveUpAfter.count() - 150, qPrintable(QString::number(gap)));
            QVERIFY(store.urls().isEmpty());
        }
    }

    // A channel the backend does not know is asked once, left alone for the
    // give-up wait however often its card shows, then asked again.
    void unresolvedAskedAgainAfterGiveUp()
    {
        AvatarStore store;
        Batches batches(*m_backend);
        const Video v = video(QStringLiteral("UCghost"));
        store.want(v);
        QVERIFY(batches.waitFor(1));
        const qint64 replied = batches.seenAt(0);
        while (batches.elapsed() < replied + AvatarStore::giveUpAfter.count() - 500) {
            store.want(v);
            batches.idle(100);
        }
        QCOMPARE(batches.count(), 1);

        batches.idle(int(replied + AvatarStore::giveUpAfter.count() + 300 - batches.elapsed()));
        store.want(v);
        QVERIFY(batches.waitFor(2));
        QCOMPARE(batches.keys(), (QList<Keys>{{"UCghost"}, {"UCghost"}}));
    }

    // A failed batch merges and saves nothing; its channels are given up
    // like unresolved ones and resolve on the next ask.
    void failedBatch_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("body");
        QTest::newRow("status 500") << 500 << int(FaultRule::Body::Default);
        QTest::newRow("malformed body") << 0 << int(FaultRule::Body::Malformed);
    }
    void failedBatch()
    {
        QFETCH(int, status);
        QFETCH(int, body);
        const QByteArray seeded = "{ \"UCold\" : \"https://img/old.jpg\" }";
        writeFile(seeded);
        FaultRule rule;
        rule.pathPrefix = QStringLiteral("/api/avatars");
        rule.status = status;
        rule.body = FaultRule::Body(body);
        rule.times = 1;
        m_backend->addFault(rule);

        AvatarStore store;
        QSignalSpy changed(&store, &AvatarStore::urlsChanged);
        Batches batches(*m_backend);
        const Video v = byKey(m_id);
        store.want(v);
        QVERIFY(batches.waitFor(1));
        batches.idle(300);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(store.urls().size(), 1);
        AvatarStore::waitForWrites();
        QCOMPARE(readFile(), seeded);

        store.want(v);
        batches.idle(int(batches.seenAt(0) + AvatarStore::giveUpAfter.count() - 700 - batches.elapsed()));
        QCOMPARE(batches.count(), 1);

        batches.idle(1000);
        store.want(v);
        QVERIFY(batches.waitFor(2));
        QTRY_COMPARE(opt(store.url(v)), expectedUrl(m_id));
        QCOMPARE(changed.count(), 1);
        AvatarStore::waitForWrites();
        const QJsonObject saved = fileObject();
        QCOMPARE(saved.size(), 2);
        QCOMPARE(saved.value("UCold").toString(), QStringLiteral("https://img/old.jpg"));
        QCOMPARE(saved.value(m_id).toString(), expectedUrl(m_id));
    }

    // A reply that resolves nothing still rewrites the cache, unchanged.
    void emptyReplyRewritesCache()
    {
        writeFile("{\n  \"UCold\": \"https://img/old.jpg\"\n}\n");
        AvatarStore store;
        QSignalSpy changed(&store, &AvatarStore::urlsChanged);
        Batches batches(*m_backend);
        store.want(video(QStringLiteral("UCnobody")));
        QVERIFY(batches.waitFor(1));
        const QByteArray compact = "{\"UCold\":\"https://img/old.jpg\"}";
        QTRY_COMPARE(readFile(), compact);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(store.revision(), 1);
    }

    // Channels resolved once show their avatars after a restart without a call.
    void cacheSurvivesRestart()
    {
        const QString other = m_resolvable.at(2);
        {
            AvatarStore first;
            QCOMPARE(first.urls().size(), 0);
            QSignalSpy changed(&first, &AvatarStore::urlsChanged);
            Batches batches(*m_backend);
            first.want(byKey(m_id));
            first.want(byKey(other));
            QVERIFY(batches.waitFor(1));
            QTRY_COMPARE(first.urls().size(), 2);
            QCOMPARE(changed.count(), 1);
            QCOMPARE(first.revision(), 1);
            QCOMPARE(first.property("urls").toMap().value(m_id).toString(), expectedUrl(m_id));
        }
        AvatarStore::waitForWrites();
        m_backend->requests().clear();

        AvatarStore second;
        QCOMPARE(opt(second.url(byKey(m_id))), expectedUrl(m_id));
        QCOMPARE(opt(second.url(byKey(other))), expectedUrl(other));
        QCOMPARE(second.revision(), 1);
        Batches batches(*m_backend);
        second.want(byKey(m_id));
        second.want(byKey(other));
        batches.idle(AvatarStore::debounce.count() + 400);
        QCOMPARE(batches.count(), 0);
        const QJsonObject saved = fileObject();
        QCOMPARE(saved.keys().size(), 2);
        QCOMPARE(saved.value(other).toString(), expectedUrl(other));
    }

    // A damaged cache is an empty start, and the next batch writes a sound one.
    void damagedCacheFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("directory");
        QTest::newRow("not JSON") << QByteArray("avatars?") << false;
        QTest::newRow("cut short") << QByteArray("{\"UCa\":\"https://img/a.jpg\"") << false;
        QTest::newRow("an array") << QByteArray("[\"UCa\",\"https://img/a.jpg\"]") << false;
        QTest::newRow("a number member") << QByteArray("{\"UCa\":\"https://img/a.jpg\",\"UCb\":7}") << false;
        QTest::newRow("null") << QByteArray("null") << false;
        QTest::newRow("empty file") << QByteArray() << false;
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe{\"", 5) << false;
        QTest::newRow("a folder in its place") << QByteArray() << true;
    }
    void damagedCacheFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, directory);
        if (directory)
            QVERIFY(QDir().mkpath(AvatarStore::filePath()));
        else
            writeFile(bytes);

        AvatarStore store;
        QVERIFY(store.urls().isEmpty());
        QCOMPARE(opt(store.url(video("UCa"))), QStringLiteral("<none>"));

        Batches batches(*m_backend);
        store.want(byKey(m_id));
        QVERIFY(batches.waitFor(1));
        QTRY_COMPARE(opt(store.url(byKey(m_id))), expectedUrl(m_id));
        AvatarStore::waitForWrites();
        if (directory) {
            // The write failed; the map in memory is still right.
            QVERIFY(QFileInfo(AvatarStore::filePath()).isDir());
        } else {
            AvatarStore reread;
            QCOMPARE(reread.urls(), (QMap<QString, QString>{{m_id, expectedUrl(m_id)}}));
        }
    }

    // A channel in a batch on its way is not asked again by a second batch.
    void batchesInFlightShareNoKey()
    {
        FaultRule slow;
        slow.pathPrefix = QStringLiteral("/api/avatars");
        slow.delayMs = 1500;
        slow.times = 1;
        m_backend->addFault(slow);

        AvatarStore store;
        Batches batches(*m_backend);
        store.want(byKey(m_id));
        QTest::qWait(AvatarStore::debounce.count() + 250);
        store.want(byKey(m_id));
        store.want(byKey(m_handle));
        QVERIFY(batches.waitFor(2));
        batches.idle(200);
        QCOMPARE(batches.keys(), (QList<Keys>{{m_handle}, {m_id}}));
        QTRY_COMPARE(store.urls().size(), 2);
    }

    // A store that goes away while a batch is armed, on its way or waiting
    // to give up does nothing more, and nothing crashes.
    void storeGoneMidway()
    {
        m_backend->delayPath(QStringLiteral("/api/avatars"), 600);
        Batches batches(*m_backend);

        auto armed = std::make_unique<AvatarStore>();
        auto inFlight = std::make_unique<AvatarStore>();
        auto givingUp = std::make_unique<AvatarStore>();
        armed->want(video(QStringLiteral("UCarmed")));
        inFlight->want(byKey(m_id));
        givingUp->want(video(QStringLiteral("UCgivingup")));
        QTest::qWait(100);
        armed.reset();
        QTest::qWait(AvatarStore::debounce.count() + 100);
        inFlight.reset();
        QVERIFY(batches.waitFor(2));
        givingUp.reset();
        batches.idle(int(AvatarStore::giveUpAfter.count()) + 300);

        QCOMPARE(batches.count(), 2);
        for (const Keys &k : batches.keys())
            QVERIFY(!k.contains("UCarmed"));
        AvatarStore::waitForWrites();
        QVERIFY(!QFile::exists(AvatarStore::filePath()) || !readFile().contains(m_id.toUtf8()));
    }

    // The view: the right URL at once, and a missing one asked for and drawn when it comes.
    void channelAvatarView_data()
    {
        QTest::addColumn<Video>("v");
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("asks");
        const QString own = QStringLiteral("https://img/own.jpg");
        QTest::newRow("own avatar") << video("UCzz", std::nullopt, own) << own << false;
        QTest::newRow("cached") << video("UCa") << QStringLiteral("https://img/a.jpg") << false;
        QTest::newRow("fetched when shown") << video(std::nullopt, m_handle) << QString() << true;
    }
    void channelAvatarView()
    {
        QFETCH(Video, v);
        QFETCH(QString, before);
        QFETCH(bool, asks);
        writeFile("{\"UCa\":\"https://img/a.jpg\"}");
        AvatarStore store;
        Batches batches(*m_backend);

        QmlHarness h;
        QQuickItem *root = h.loadSource("import Nimbelora.Library\nChannelAvatar { size: 32 }",
                                        {{"avatars", QVariant::fromValue(&store)}, {"video", QVariant::fromValue(v)}});
        QVERIFY2(root, qPrintable(h.errors()));
        QCOMPARE(root->property("name").toString(), v.channel);
        QCOMPARE(root->property("size").toReal(), 32.0);
        QCOMPARE(root->property("url").toString(), before);
        if (!asks) {
            batches.idle(AvatarStore::debounce.count() + 300);
            QCOMPARE(batches.count(), 0);
            return;
        }
        QVERIFY(batches.waitFor(1));
        QCOMPARE(batches.keys(), QList<Keys>{{m_handle}});
        QTRY_COMPARE(root->property("url").toString(), expectedUrl(m_handle));
        QVERIFY(root->property("hasPicture").toBool());
    }
};

QTEST_MAIN(TestAvatarStore)
#include "tst_avatarstore.moc"
