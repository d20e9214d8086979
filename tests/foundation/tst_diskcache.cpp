#include "DiskCache.h"
#include "FileWriter.h"
#include "TestDirs.h"
#include "Video.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

namespace {

template<class T>
T wait(QFuture<T> future)
{
    (void)TestTime::waitFor([&] { return future.isFinished(); }, 10000);
    if constexpr (!std::is_void_v<T>)
        return future.result();
}

std::optional<QList<Video>> load(const QString &key) { return wait(DiskCache::load<QList<Video>>(key)); }

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

QString inCache(const QString &name) { return TestDirs::cacheDir() + QLatin1Char('/') + name; }

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

    void laterSaveReplacesEarlier()
    {
        QVERIFY(!load(QStringLiteral("feed-me-home")).has_value());
        DiskCache::save(sampleList(), QStringLiteral("feed-me-home"));
        DiskCache::save(sampleList().mid(1), QStringLiteral("feed-me-home"));
        FileWriter::shared().drain();

        // One JSON array of videos, readable by other runs.
        QFile f(DiskCache::path(QStringLiteral("feed-me-home")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(f.readAll()).array().size(), 1);
        QCOMPARE(load(QStringLiteral("feed-me-home")), std::optional(sampleList().mid(1)));
    }

    void damagedFileLoadsNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("cut short") << QByteArray(R"([{"id":"a","title":"x"},{"id":)");
        QTest::newRow("not json") << QByteArray("<html>oops</html>");
        QTest::newRow("object, not a list") << QByteArray(R"({"id":"a"})");
        QTest::newRow("one video without id") << QByteArray(R"([{"id":"a"},{"title":"no id"}])");
        QTest::newRow("id of another kind") << QByteArray(R"([{"id":7}])");
        QTest::newRow("trailing garbage") << QByteArray(R"([{"id":"a"}] x)");
    }
    void damagedFileLoadsNothing()
    {
        QFETCH(QByteArray, bytes);
        writeFile(DiskCache::path(QStringLiteral("shorts")), bytes);
        QVERIFY(!load(QStringLiteral("shorts")).has_value());
    }

    // A write cut short by the end of an earlier run left its copy beside a
    // list's file: loading the list removes it, nothing else.
    void loadRemovesLeftovers_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("shorts") << QStringLiteral("shorts");
        QTest::newRow("account list") << QString(DiskCache::homeAccountKey);
        QTest::newRow("escaped key") << QStringLiteral("feed/música");
    }
    void loadRemovesLeftovers()
    {
        QFETCH(QString, key);
        DiskCache::save(sampleList(), key);
        // A key whose own file looks like a leftover, and a list saved after it.
        const QString lookAlike = DiskCache::fileName(key) + QStringLiteral(".QwErTy");
        DiskCache::save(sampleList().mid(1), lookAlike);
        FileWriter::shared().drain();
        const QString leftover = DiskCache::path(key) + QStringLiteral(".QwErTy");
        writeFile(leftover, "{\"half\":");
        const QString others[] = {DiskCache::path(key) + QStringLiteral(".tmp"),
                                  DiskCache::path(QStringLiteral("other")) + QStringLiteral(".QwErTy")};
        for (const QString &other : others)
            writeFile(other, "x");

        QCOMPARE(load(key), std::optional(sampleList()));
        FileWriter::shared().drain();
        QVERIFY(!QFile::exists(leftover));
        for (const QString &other : others)
            QVERIFY2(QFile::exists(other), qPrintable(other));
        QCOMPARE(load(lookAlike), std::optional(sampleList().mid(1)));
    }

    void keysStayInsideTheFolder_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("parent") << QStringLiteral("../x");
        QTest::newRow("dot dot") << QStringLiteral("..");
        QTest::newRow("dot") << QStringLiteral(".");
        QTest::newRow("absolute") << QStringLiteral("/tmp/evil");
        QTest::newRow("nested") << QStringLiteral("a/b/c");
        QTest::newRow("backslash") << QStringLiteral("a\\..\\b");
        QTest::newRow("hidden") << QStringLiteral(".hidden");
        QTest::newRow("escaped dots") << QStringLiteral("%2e%2e%2fx");
        QTest::newRow("nul") << QStringLiteral("a") + QChar(0) + QStringLiteral("b");
        QTest::newRow("unicode") << QStringLiteral("feed-música-日本-🎬");
        QTest::newRow("long unicode") << QString(300, QChar(0x00E9));
        QTest::newRow("empty") << QString();
    }
    void keysStayInsideTheFolder()
    {
        QFETCH(QString, key);
        const QString name = DiskCache::fileName(key);
        QVERIFY(!name.contains(QLatin1Char('/')) && !name.contains(QChar(0)));
        QVERIFY(name.toUtf8().size() <= 255);
        QVERIFY(name.endsWith(QStringLiteral(".json")));

        DiskCache::save(sampleList(), key);
        FileWriter::shared().drain();
        const QString path = DiskCache::path(key);
        QVERIFY2(QFile::exists(path), qPrintable(path));
        QCOMPARE(QFileInfo(path).absoluteDir().canonicalPath(), QDir(inCache("ombri")).canonicalPath());
        // Nothing landed beside the folder or above it.
        QCOMPARE(QDir(TestDirs::cacheDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("ombri")});
        QCOMPARE(load(key), std::optional(sampleList()));
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

    // Files written by earlier versions keep being found.
    void keysInUseKeepReadableNames()
    {
        for (const QString key : {QStringLiteral("feed-me-home"), QStringLiteral("feed-foryou"),
                                  QStringLiteral("subs-me"), QStringLiteral("subs-local"), QStringLiteral("shorts")})
            QCOMPARE(DiskCache::fileName(key), key + QStringLiteral(".json"));
    }

    // Everything directly in the cache folder goes, hidden items too; what
    // the image loader makes anew is empty.
    void clearAllEmptiesTheCacheFolder()
    {
        DiskCache::save(sampleList(), QStringLiteral("feed-foryou"));
        FileWriter::shared().drain();
        writeFile(inCache("avatars.json"), "{}");
        writeFile(inCache("other/.keep"), "keep");
        writeFile(inCache(".hidden"), "x");
        QVERIFY(wait(DiskCache::totalBytes()) > 2 + 4 + 1);

        wait(DiskCache::clearAll());

        QVERIFY(!QFile::exists(DiskCache::path(QStringLiteral("feed-foryou"))));
        QVERIFY(!QFile::exists(inCache("avatars.json")));
        QVERIFY(!QFile::exists(inCache("other")));
        QCOMPARE(wait(DiskCache::totalBytes()), qint64(0));
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
