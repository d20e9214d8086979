// The channel-avatar store against the in-process development backend: which
// channels go out in which batch and when, what an unresolved or failed batch
// leaves behind, and the cache file.
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

#include <limits>
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

    bool watch(qsizetype count, int ms)
    {
        QElapsedTimer t;
        t.start();
        for (poll(); m_keys.size() < count && t.elapsed() < ms; poll())
            QTest::qWait(5);
        return m_keys.size() >= count;
    }
    void poll()
    {
        const auto records = m_backend.requests().matching(QStringLiteral("/api/avatars"));
        for (qsizetype i = m_keys.size(); i < records.size(); ++i) {
            const QUrlQuery query(records.at(i).rawQuery);
            m_keys.append(query.queryItemValue(QStringLiteral("keys"), QUrl::FullyDecoded).split(u','));
            m_seenAt.append(m_clock.elapsed());
        }
    }
    // Watches until `count` batches came or `ms` (stretched by TestTime) passed.
    bool waitFor(qsizetype count, int ms = 8000) { return watch(count, TestTime::ms(ms)); }
    // Watches for `ms`, as they are.
    void idle(int ms) { watch(std::numeric_limits<qsizetype>::max(), ms); }

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

    // What url() answers from the cache, and what want() sends for it.
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

    // Channels asked for within the wait leave together, once each, and not
    // before it ends; the reply is one change, however many it resolves.
    void debounce()
    {
        AvatarStore store;
        QSignalSpy changed(&store, &AvatarStore::urlsChanged);
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
        QCOMPARE(opt(store.url(byKey(m_handle))), expectedUrl(m_id));
        QCOMPARE(changed.count(), 1);
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

        QCOMPARE(batches.keys().at(0).size(), AvatarStore::batchSize);
        Keys all = batches.keys().at(0) + batches.keys().at(1);
        all.sort();
        keys.sort();
        QCOMPARE(all, keys);

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

    // A channel left unresolved, unknown or in a failed batch, is asked once,
    // left alone for the give-up wait however often its card shows, then asked
    // again. A failed batch merges and saves nothing; a reply that resolves
    // nothing still rewrites the cache, unchanged.
    void givenUpThenAskedAgain_data()
    {
        QTest::addColumn<bool>("failing"); // the first batch fails; else the channel is unknown
        QTest::newRow("unknown channel") << false;
        QTest::newRow("failed batch") << true;
    }
    void givenUpThenAskedAgain()
    {
        QFETCH(bool, failing);
        const QByteArray seeded = "{\n  \"UCold\": \"https://img/old.jpg\"\n}\n";
        writeFile(seeded);
        if (failing) {
            FaultRule rule;
            rule.pathPrefix = QStringLiteral("/api/avatars");
            rule.status = 500;
            rule.times = 1;
            m_backend->addFault(rule);
        }

        AvatarStore store;
        QSignalSpy changed(&store, &AvatarStore::urlsChanged);
        Batches batches(*m_backend);
        const QString key = failing ? m_id : QStringLiteral("UCghost");
        const Video v = byKey(key);
        store.want(v);
        QVERIFY(batches.waitFor(1));
        const qint64 asked = batches.seenAt(0);
        while (batches.elapsed() < asked + AvatarStore::giveUpAfter.count() - 500) {
            store.want(v);
            batches.idle(100);
        }
        QCOMPARE(batches.count(), 1);
        QCOMPARE(changed.count(), 0);
        AvatarStore::waitForWrites();
        QCOMPARE(readFile(), failing ? seeded : QByteArray("{\"UCold\":\"https://img/old.jpg\"}"));

        batches.idle(int(asked + AvatarStore::giveUpAfter.count() + 300 - batches.elapsed()));
        store.want(v);
        QVERIFY(batches.waitFor(2));
        QCOMPARE(batches.keys(), (QList<Keys>{{key}, {key}}));
        if (!failing)
            return;
        QTRY_COMPARE(opt(store.url(v)), expectedUrl(m_id));
        QCOMPARE(changed.count(), 1);
        AvatarStore::waitForWrites();
        const QJsonObject saved = fileObject();
        QCOMPARE(saved.size(), 2);
        QCOMPARE(saved.value("UCold").toString(), QStringLiteral("https://img/old.jpg"));
        QCOMPARE(saved.value(m_id).toString(), expectedUrl(m_id));
    }

    // A damaged cache is an empty start, and the next batch writes a sound one
    // that the next start reads back.
    void damagedCacheFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("directory");
        QTest::newRow("not JSON") << QByteArray("avatars?") << false;
        QTest::newRow("a number member") << QByteArray("{\"UCa\":\"https://img/a.jpg\",\"UCb\":7}") << false;
        QTest::newRow("empty file") << QByteArray() << false;
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

    // The copy a save cut short by the end of an earlier run left beside the
    // cache goes at the next start; the cache and names alike stay.
    void leftoverCopyRemoved()
    {
        const QByteArray cache = "{\"UCa\":\"https://img/a.jpg\"}";
        writeFile(cache);
        const QString leftover = AvatarStore::filePath() + u".aBcDeF"_qs;
        const QString alike = AvatarStore::filePath() + u".bak"_qs;
        for (const QString &path : {leftover, alike}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("{") == 1);
        }
        AvatarStore store;
        AvatarStore::waitForWrites();
        QVERIFY(!QFile::exists(leftover));
        QVERIFY(QFile::exists(alike));
        QCOMPARE(readFile(), cache);
        QFile::remove(alike);
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

    // The view asks for a missing avatar when shown and draws it when it comes.
    void channelAvatarView()
    {
        AvatarStore store;
        Batches batches(*m_backend);
        QmlHarness h;
        QQuickItem *root = h.loadSource("import Nimbelora.Library\nChannelAvatar { size: 32 }",
                                        {{"avatars", QVariant::fromValue(&store)},
                                         {"video", QVariant::fromValue(video(std::nullopt, m_handle))}});
        QVERIFY2(root, qPrintable(h.errors()));
        QCOMPARE(root->property("url").toString(), QString());
        QVERIFY(batches.waitFor(1));
        QCOMPARE(batches.keys(), QList<Keys>{{m_handle}});
        QTRY_COMPARE(root->property("url").toString(), expectedUrl(m_handle));
        QVERIFY(root->property("hasPicture").toBool());
    }
};

QTEST_MAIN(TestAvatarStore)
#include "tst_avatarstore.moc"
