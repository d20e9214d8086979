#include "Defaults.h"
#include "FakeClock.h"
#include "Json.h"
#include "LibraryStore.h"
#include "Pref.h"
#include "TestDirs.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTest>
#include <memory>

namespace {

Video video(const QString &id, const QString &channel = QStringLiteral("Canal"), qint64 duration = 600)
{
    Video v;
    v.id = id;
    v.title = QStringLiteral("Vídeo ") + id;
    v.channel = channel;
    v.duration = duration;
    return v;
}

QString dataPath(const QString &name) { return TestDirs::dataDir() + u'/' + name; }

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

QJsonObject readObject(const QString &path) { return QJsonDocument::fromJson(readFile(path)).object(); }

QStringList damagedFiles(const QString &stem)
{
    return QDir(TestDirs::dataDir()).entryList({stem + QStringLiteral(".damaged-*.json")}, QDir::Files);
}

void settle() { LibraryStore::waitForWrites(); }

} // namespace

class TestLibraryFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestDirs::isolate();
        Defaults::useMemory();
        Pref::registerDefaults();
    }
    void init()
    {
        settle();
        TestDirs::isolate();
        Defaults::shared().setValue(QString(Pref::incognito), false);
    }
    void cleanup() { settle(); }

    void firstLaunchWritesNothing()
    {
        LibraryStore lib;
        settle();
        QVERIFY(lib.history().isEmpty());
        QCOMPARE(lib.position("a"), 0.0);
        QVERIFY(!QFile::exists(dataPath("library.json")));
        QVERIFY(!QFile::exists(dataPath("positions.json")));
    }

    void roundTripAcrossInstances()
    {
        FakeClock clock;
        Video full = video("a");
        full.channelId = QStringLiteral("UC1");
        full.avatar = QStringLiteral("https://img/a.jpg");
        full.views = 1234;
        full.verified = true;
        {
            LibraryStore lib;
            for (int i = 0; i < 30; ++i) {
                lib.addToHistory(video(QString::number(i)));
                clock.advance(0.123);
            }
            lib.addToHistory(full);
            lib.toggleLike(full);
            lib.toggleWatchLater(video("w"));
            lib.toggleSubscription("UC1", "Canal", QStringLiteral("https://img/c.jpg"));
            lib.toggleSubscription("UC2", "Otro", std::nullopt);
            lib.addSearch("música relajante");
            const QString pl = lib.createPlaylist("Mía", full);
            lib.add(video("b"), pl);
            lib.hideChannel("Oculto");
            lib.setPosition("a", 123.456);
            clock.advance(3);
            lib.setPosition("b", 0.1 + 0.2); // pending: only the quit flush writes it
            lib.flushOnQuit();

            LibraryStore again;
            QCOMPARE(again.history(), lib.history());
            QCOMPARE(again.liked(), lib.liked());
            QCOMPARE(again.watchLater(), lib.watchLater());
            QCOMPARE(again.subscriptions(), lib.subscriptions());
            QCOMPARE(again.searches(), lib.searches());
            QCOMPARE(again.playlists(), lib.playlists());
            QCOMPARE(again.hiddenChannels(), lib.hiddenChannels());
            QCOMPARE(again.position("a"), 123.456);
            QCOMPARE(again.position("b"), 0.1 + 0.2);
        }
        const QJsonObject file = readObject(dataPath("library.json"));
        for (const char *key : {"history", "liked", "watchLater", "subscriptions", "searches", "playlists", "hiddenChannels"})
            QVERIFY2(file.value(QLatin1String(key)).isArray(), key);
    }

    void lastChangeWins()
    {
        LibraryStore lib;
        for (int i = 0; i < 200; ++i)
            lib.toggleLike(video(QString::number(i % 7)));
        settle();
        LibraryStore again;
        QCOMPARE(again.liked(), lib.liked());
    }

    void libraryForms_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("accepted");
        const QByteArray base = R"("history":[{"video":{"id":"a"},"date":10.5}],"liked":[{"id":"l"}],"watchLater":[],"subscriptions":[{"id":"c","name":"C"}],"searches":["s"])";
        QTest::newRow("without optional lists") << "{" + base + "}" << true;
        QTest::newRow("optional lists null") << "{" + base + R"(,"playlists":null,"hiddenChannels":null})" << true;
        QTest::newRow("unknown keys") << "{" + base + R"(,"extra":{"x":1},"positions":{"a":3}})" << true;
        QTest::newRow("missing searches") << QByteArray(R"({"history":[],"liked":[],"watchLater":[],"subscriptions":[]})") << false;
        QTest::newRow("null liked") << QByteArray(R"({"history":[],"liked":null,"watchLater":[],"subscriptions":[],"searches":[]})") << false;
        QTest::newRow("date as text") << QByteArray(R"({"history":[{"video":{"id":"a"},"date":"hoy"}],"liked":[],"watchLater":[],"subscriptions":[],"searches":[]})") << false;
        QTest::newRow("video without id") << QByteArray(R"({"history":[],"liked":[{"title":"x"}],"watchLater":[],"subscriptions":[],"searches":[]})") << false;
        QTest::newRow("hidden of wrong kind") << "{" + base + R"(,"hiddenChannels":"Canal"})" << false;
        QTest::newRow("playlist without created") << "{" + base + R"(,"playlists":[{"id":"P","name":"N","videos":[]}]})" << false;
        QTest::newRow("not json") << QByteArray("{\"history\":[") << false;
        QTest::newRow("array") << QByteArray("[]") << false;
        QTest::newRow("empty file") << QByteArray() << false;
    }
    void libraryForms()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, accepted);
        writeFile(dataPath("library.json"), body);
        LibraryStore lib;
        QCOMPARE(!lib.history().isEmpty(), accepted);
        QCOMPARE(damagedFiles("library").size(), accepted ? 0 : 1);
        if (!accepted)
            return;
        QCOMPARE(lib.history().first().date, 10.5);
        QCOMPARE(lib.searches(), QStringList{"s"});
        // The next save writes both optional keys.
        lib.addSearch("t");
        settle();
        const QJsonObject file = readObject(dataPath("library.json"));
        QVERIFY(file.value("playlists").isArray());
        QVERIFY(file.value("hiddenChannels").isArray());
        QVERIFY(!file.contains("extra"));
    }

    void damagedLibraryIsKeptAside()
    {
        FakeClock clock;
        const QByteArray damaged = R"({"history":[],"liked":[],"watchLater":[],"subscriptions":[],"searches":[7]})";
        writeFile(dataPath("library.json"), damaged);
        {
            LibraryStore lib;
            QVERIFY(lib.searches().isEmpty());
            const QStringList aside = damagedFiles("library");
            QCOMPARE(aside.size(), 1);
            const QString stamp = clock.now().toLocalTime().toString("yyyyMMdd-HHmmss");
            QCOMPARE(aside.first(), QStringLiteral("library.damaged-%1.json").arg(stamp));
            lib.addSearch("nuevo");
            settle();
            QCOMPARE(readFile(dataPath(aside.first())), damaged);
            QCOMPARE(LibraryStore().searches(), QStringList{"nuevo"});
        }
        // A second damaged file in the same second keeps the first copy too.
        writeFile(dataPath("library.json"), "garbage");
        LibraryStore lib;
        QCOMPARE(damagedFiles("library").size(), 2);
        QVERIFY(!QFile::exists(dataPath("library.json")));
    }

    void damagedPositionsAreKeptAside_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("not json") << QByteArray("{\"a\":");
        QTest::newRow("text value") << QByteArray(R"({"a":12,"b":"30"})");
        QTest::newRow("null value") << QByteArray(R"({"a":null})");
        QTest::newRow("array") << QByteArray("[1,2]");
    }
    void damagedPositionsAreKeptAside()
    {
        QFETCH(QByteArray, body);
        writeFile(dataPath("library.json"), R"({"history":[],"liked":[{"id":"x"}],"watchLater":[],"subscriptions":[],"searches":[]})");
        writeFile(dataPath("positions.json"), body);
        LibraryStore lib;
        QCOMPARE(lib.liked().size(), 1); // the library is unaffected
        QCOMPARE(lib.position("a"), 0.0);
        const QStringList aside = damagedFiles("positions");
        QCOMPARE(aside.size(), 1);
        QCOMPARE(readFile(dataPath(aside.first())), body);
        QVERIFY(damagedFiles("library").isEmpty());
    }

    void positionsFlushCadence()
    {
        FakeClock clock;
        LibraryStore lib;
        auto written = [] {
            settle();
            return readObject(dataPath("positions.json"));
        };

        lib.setPosition("a", 5); // the first flush after start writes at once
        QCOMPARE(written().value("a").toDouble(), 5.0);

        clock.advance(4);
        lib.setPosition("a", 9);
        QCOMPARE(written().value("a").toDouble(), 5.0);

        clock.advance(6); // exactly 10 s after the write: still too soon
        lib.setPosition("a", 15);
        QCOMPARE(written().value("a").toDouble(), 5.0);

        clock.advance(0.5);
        lib.setPosition("b", 20);
        QCOMPARE(written(), (QJsonObject{{"a", 15.0}, {"b", 20.0}}));

        clock.advance(1);
        lib.forgetPosition("a"); // forced
        QCOMPARE(written(), (QJsonObject{{"b", 20.0}}));

        clock.advance(1);
        lib.clearHistory(); // forced, and empties every position
        QCOMPARE(written(), QJsonObject());
    }

    void forcedFlushWithNothingPendingWritesNothing()
    {
        LibraryStore lib;
        lib.setPosition("a", 30);
        settle();
        QFile::remove(dataPath("positions.json"));
        lib.flushOnQuit();
        QVERIFY(!QFile::exists(dataPath("positions.json")));
    }

    void clockSetBackStillFlushes()
    {
        FakeClock clock;
        LibraryStore lib;
        lib.setPosition("a", 10);
        clock.advance(-3600);
        lib.setPosition("a", 20);
        settle();
        QCOMPARE(readObject(dataPath("positions.json")).value("a").toDouble(), 20.0);
    }

    void positionsFileStaysReadable()
    {
        {
            LibraryStore lib;
            lib.setPosition("a", 10);
            lib.setPosition("b", qQNaN());
            lib.flushOnQuit();
        }
        LibraryStore again;
        QCOMPARE(again.position("a"), 10.0);
        QVERIFY(damagedFiles("positions").isEmpty());
    }

    void exportBackup()
    {
        FakeClock clock(QDateTime(QDate(2026, 3, 14), QTime(12, 0)).toUTC()); // local noon
        LibraryStore lib;
        lib.toggleLike(video("a"));
        lib.setPosition("a", 77);
        const QUrl first = lib.exportBackup();
        QVERIFY(first.isLocalFile());
        const QString path = first.toLocalFile();
        QCOMPARE(QFileInfo(path).fileName(), QString("Nimbelora-2026-03-14.json"));
        QCOMPARE(QFileInfo(path).absolutePath(), QDir(TestDirs::dataDir() + "/backups").absolutePath());
        QCOMPARE(QFileInfo(QFileInfo(path).absolutePath()).permissions() & 0x0077, QFileDevice::Permissions());

        const QJsonObject file = readObject(path);
        QCOMPARE(file.keys(), (QStringList{"hiddenChannels", "history", "liked", "playlists", "searches",
                                           "subscriptions", "watchLater"}));

        // Same day: one file holding the newer export.
        lib.toggleLike(video("b"));
        QCOMPARE(lib.exportBackup(), first);
        QCOMPARE(readObject(path).value("liked").toArray().size(), 2);

        // Just after local midnight the name carries the new date; the old export goes.
        clock.set(QDateTime(QDate(2026, 3, 15), QTime(0, 0, 1)).toUTC());
        const QUrl next = lib.exportBackup();
        QCOMPARE(QFileInfo(next.toLocalFile()).fileName(), QString("Nimbelora-2026-03-15.json"));
        QVERIFY(!QFile::exists(path));
    }

    void exportFailsWithoutFolder()
    {
        writeFile(TestDirs::dataDir() + "/backups", "a file where the folder should be");
        LibraryStore lib;
        lib.toggleLike(video("a"));
        QVERIFY(lib.exportBackup().isEmpty());
    }

    void exportImportRoundTrip()
    {
        QByteArray backup;
        LibraryStore source;
        source.addToHistory(video("h"));
        source.toggleLike(video("l"));
        source.toggleWatchLater(video("w"));
        source.toggleSubscription("UC9", "Nueve", std::nullopt);
        source.addSearch("buscar");
        source.createPlaylist("Lista", video("p"));
        source.hideChannel("Fuera");
        source.setPosition("h", 50);
        const QUrl url = source.exportBackup();
        QVERIFY(!url.isEmpty());
        backup = readFile(url.toLocalFile());
        QVERIFY(!backup.contains("\"h\":50"));

        settle();
        TestDirs::isolate();
        LibraryStore target;
        QVERIFY(target.importBackup(backup));
        QCOMPARE(target.history(), source.history());
        QCOMPARE(target.liked(), source.liked());
        QCOMPARE(target.watchLater(), source.watchLater());
        QCOMPARE(target.subscriptions(), source.subscriptions());
        QCOMPARE(target.searches(), source.searches());
        QCOMPARE(target.playlists(), source.playlists());
        QCOMPARE(target.hiddenChannels(), source.hiddenChannels());
        QCOMPARE(target.position("h"), 0.0);
        settle();
        QCOMPARE(LibraryStore().playlists(), source.playlists()); // and it was saved

        // A copy of "library.json" restores as well.
        QVERIFY(target.importBackup(readFile(dataPath("library.json"))));
    }
};

QTEST_GUILESS_MAIN(TestLibraryFiles)
#include "tst_libraryfiles.moc"
