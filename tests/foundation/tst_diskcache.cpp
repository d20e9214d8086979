#include "DiskCache.h"
#include "FileWriter.h"
#include "ImageLoader.h"
#include "TestDirs.h"
#include "Video.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkCacheMetaData>
#include <QNetworkDiskCache>
#include <QTemporaryDir>
#include <QTest>

namespace {

template<class T>
T wait(QFuture<T> future)
{
    (void)QTest::qWaitFor([&] { return future.isFinished(); }, 10000);
    if constexpr (!std::is_void_v<T>)
        return future.result();
}

QList<Video> sampleList()
{
    Video full;
    full.id = QStringLiteral("abc123");
    full.title = QStringLiteral("Cómo hacer pan «casero»");
    full.channel = QStringLiteral("Cocina");
    full.channelId = QStringLiteral("UC1");
    full.handle = QStringLiteral("@cocina");
    full.avatar = QStringLiteral("https://example.org/a.jpg");
    full.duration = 754;
    full.views = 12345;
    full.verified = true;
    Video bare;
    bare.id = QStringLiteral("def456");
    bare.live = true;
    return {full, bare};
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

bool isInside(const QString &path, const QString &dir)
{
    return QFileInfo(path).absoluteDir().canonicalPath() == QDir(dir).canonicalPath();
}

} // namespace

class TestDiskCache : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestDirs::isolate(); }
    void init()
    {
        FileWriter::shared().drain();
        QDir(TestDirs::cacheDir()).removeRecursively();
    }

    void folderIsOmbriUnderTheAppCache()
    {
        QCOMPARE(DiskCache::dir(), TestDirs::cacheDir() + QStringLiteral("/ombri"));
        QCOMPARE(DiskCache::path(QStringLiteral("feed-foryou")), DiskCache::dir() + QStringLiteral("/feed-foryou.json"));
    }

    void roundTrip()
    {
        const QList<Video> list = sampleList();
        DiskCache::save(list, QStringLiteral("feed-me-home"));
        FileWriter::shared().drain();

        // One JSON array of videos; absent fields are left out.
        QFile f(DiskCache::path(QStringLiteral("feed-me-home")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QJsonDocument doc = QJsonDocument::fromJson(f.readAll());
        QVERIFY(doc.isArray());
        QCOMPARE(doc.array().size(), 2);
        QVERIFY(!doc.array()[1].toObject().contains(QStringLiteral("views")));

        const auto loaded = wait(DiskCache::load<QList<Video>>(QStringLiteral("feed-me-home")));
        QVERIFY(loaded.has_value());
        QVERIFY(*loaded == list);
    }

    void laterSaveReplacesEarlier()
    {
        DiskCache::save(sampleList(), QStringLiteral("subs-local"));
        DiskCache::save(sampleList().mid(1), QStringLiteral("subs-local"));
        FileWriter::shared().drain();
        const auto loaded = wait(DiskCache::load<QList<Video>>(QStringLiteral("subs-local")));
        QVERIFY(loaded.has_value());
        QCOMPARE(loaded->size(), 1);
        QCOMPARE(loaded->first().id, QStringLiteral("def456"));
    }

    void missingKeyLoadsNothing()
    {
        QVERIFY(!wait(DiskCache::load<QList<Video>>(QStringLiteral("never-saved"))).has_value());
        // A read creates the folder, as the cache's folder is made on every use.
        QVERIFY(QFileInfo(DiskCache::dir()).isDir());
    }

    void damagedFileLoadsNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("cut short") << QByteArray(R"([{"id":"a","title":"x"},{"id":)");
        QTest::newRow("not json") << QByteArray("<html>oops</html>");
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe\x01garbage", 11);
        QTest::newRow("object, not a list") << QByteArray(R"({"id":"a"})");
        QTest::newRow("null") << QByteArray("null");
        QTest::newRow("one video without id") << QByteArray(R"([{"id":"a"},{"title":"no id"}])");
        QTest::newRow("id of another kind") << QByteArray(R"([{"id":7}])");
        QTest::newRow("trailing garbage") << QByteArray(R"([{"id":"a"}] x)");
    }
    void damagedFileLoadsNothing()
    {
        QFETCH(QByteArray, bytes);
        writeFile(DiskCache::path(QStringLiteral("shorts")), bytes);
        QVERIFY(!wait(DiskCache::load<QList<Video>>(QStringLiteral("shorts"))).has_value());
    }

    void keysStayInsideTheFolder_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("parent") << QStringLiteral("../x");
        QTest::newRow("parent twice") << QStringLiteral("../../outside");
        QTest::newRow("dot dot") << QStringLiteral("..");
        QTest::newRow("dot") << QStringLiteral(".");
        QTest::newRow("slash") << QStringLiteral("/");
        QTest::newRow("absolute") << QStringLiteral("/tmp/evil");
        QTest::newRow("nested") << QStringLiteral("a/b/c");
        QTest::newRow("backslash") << QStringLiteral("a\\..\\b");
        QTest::newRow("hidden") << QStringLiteral(".hidden");
        QTest::newRow("escaped dots") << QStringLiteral("%2e%2e%2fx");
        QTest::newRow("nul") << QStringLiteral("a") + QChar(0) + QStringLiteral("b");
        QTest::newRow("newline") << QStringLiteral("a\nb");
        QTest::newRow("unicode") << QStringLiteral("feed-música-日本-🎬");
        QTest::newRow("long") << QString(1000, QLatin1Char('k'));
        QTest::newRow("long unicode") << QString(300, QChar(0x00E9));
        QTest::newRow("empty") << QString();
    }
    void keysStayInsideTheFolder()
    {
        QFETCH(QString, key);
        const QString name = DiskCache::fileName(key);
        QVERIFY(!name.contains(QLatin1Char('/')));
        QVERIFY(!name.contains(QChar(0)));
        QVERIFY(name.toUtf8().size() <= 255);
        QVERIFY(name.endsWith(QStringLiteral(".json")));

        const QList<Video> list = sampleList();
        DiskCache::save(list, key);
        FileWriter::shared().drain();
        const QString path = DiskCache::path(key);
        QVERIFY2(QFile::exists(path), qPrintable(path));
        QVERIFY(isInside(path, DiskCache::dir()));
        // Nothing landed beside the folder or above it.
        QCOMPARE(QDir(TestDirs::cacheDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("ombri")});
        const auto loaded = wait(DiskCache::load<QList<Video>>(key));
        QVERIFY(loaded.has_value());
        QVERIFY(*loaded == list);
    }

    void distinctKeysGetDistinctFiles_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::newRow("escaped look-alike") << QStringLiteral("a/b") << QStringLiteral("a%2Fb");
        QTest::newRow("case") << QStringLiteral("Feed") << QStringLiteral("feed");
        QTest::newRow("long keys sharing a prefix") << QString(500, QLatin1Char('x')) + QLatin1Char('1')
                                                    << QString(500, QLatin1Char('x')) + QLatin1Char('2');
        QTest::newRow("dot forms") << QStringLiteral(".") << QStringLiteral("%2E");
    }
    void distinctKeysGetDistinctFiles()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QVERIFY(DiskCache::fileName(a) != DiskCache::fileName(b));
    }

    void keysInUseKeepReadableNames()
    {
        for (const QString key : {QStringLiteral("feed-me-home"), QStringLiteral("feed-foryou"),
                                  QStringLiteral("subs-me"), QStringLiteral("subs-local"), QStringLiteral("shorts")})
            QCOMPARE(DiskCache::fileName(key), key + QStringLiteral(".json"));
    }

    void totalBytesCountsEveryFile()
    {
        QCOMPARE(wait(DiskCache::totalBytes()), qint64(0));
        writeFile(TestDirs::cacheDir() + QStringLiteral("/avatars.json"), QByteArray(100, 'a'));
        writeFile(TestDirs::cacheDir() + QStringLiteral("/.hidden"), QByteArray(7, 'h'));
        writeFile(DiskCache::path(QStringLiteral("shorts")), QByteArray(50, 's'));
        writeFile(TestDirs::cacheDir() + QStringLiteral("/images/data8/x/deep.d"), QByteArray(1000, 'i'));
        QCOMPARE(wait(DiskCache::totalBytes()), qint64(1157));
    }

    void clearAllEmptiesOnlyTheListsAndImages()
    {
        // An entry of the image loader's disk cache, stored the way the loader stores it.
        const QString imageDir = ImageLoader::shared().diskCacheDir();
        {
            QNetworkDiskCache disk;
            disk.setCacheDirectory(imageDir);
            QNetworkCacheMetaData meta;
            meta.setUrl(QUrl(QStringLiteral("https://example.org/pic.png")));
            meta.setSaveToDisk(true);
            meta.setAttributes({{QNetworkRequest::HttpStatusCodeAttribute, 200}});
            QIODevice *device = disk.prepare(meta);
            QVERIFY(device);
            device->write(QByteArray(4000, 'p'));
            disk.insert(device);
            QVERIFY(disk.cacheSize() > 0);
        }
        DiskCache::save(sampleList(), QStringLiteral("feed-foryou"));
        FileWriter::shared().drain();
        writeFile(TestDirs::cacheDir() + QStringLiteral("/avatars.json"), "{}");
        writeFile(TestDirs::cacheDir() + QStringLiteral("/other/keep.txt"), "keep");
        const qint64 before = wait(DiskCache::totalBytes());

        wait(DiskCache::clearAll());

        QVERIFY(!QFile::exists(DiskCache::path(QStringLiteral("feed-foryou"))));
        QVERIFY(!wait(DiskCache::load<QList<Video>>(QStringLiteral("feed-foryou"))).has_value());
        QVERIFY(QFile::exists(TestDirs::cacheDir() + QStringLiteral("/avatars.json")));
        QVERIFY(QFile::exists(TestDirs::cacheDir() + QStringLiteral("/other/keep.txt")));
        QNetworkDiskCache disk;
        disk.setCacheDirectory(imageDir);
        QVERIFY(!disk.metaData(QUrl(QStringLiteral("https://example.org/pic.png"))).isValid());
        // What is left: the two kept files (the load above made an empty folder again).
        const qint64 after = wait(DiskCache::totalBytes());
        QCOMPARE(after, qint64(2 + 4));
        QVERIFY(after < before);
    }

    void clearAllDoesNotFollowALinkedFolder()
    {
        QTemporaryDir outside;
        writeFile(outside.filePath(QStringLiteral("precious.json")), "[]");
        QDir().mkpath(TestDirs::cacheDir());
        QVERIFY(QFile::link(outside.path(), DiskCache::dir()));

        wait(DiskCache::clearAll());

        QVERIFY(QFile::exists(outside.filePath(QStringLiteral("precious.json"))));
        QVERIFY(!QFileInfo(DiskCache::dir()).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestDiskCache)
#include "tst_diskcache.moc"
