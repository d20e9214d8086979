#include "AppFixture.h"
#include "Defaults.h"
#include "FakeClock.h"
#include "LibraryStore.h"
#include "Pref.h"
#include "SampleVideos.h"
#include "TestDirs.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

namespace {

Video video(const QString &id) { return sampleVideo(id); }

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

void compareLists(const LibraryStore &actual, const LibraryStore &expected)
{
    QCOMPARE(actual.history(), expected.history());
    QCOMPARE(actual.liked(), expected.liked());
    QCOMPARE(actual.watchLater(), expected.watchLater());
    QCOMPARE(actual.subscriptions(), expected.subscriptions());
    QCOMPARE(actual.searches(), expected.searches());
    QCOMPARE(actual.playlists(), expected.playlists());
    QCOMPARE(actual.hiddenChannels(), expected.hiddenChannels());
}

} // namespace

class TestLibraryFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        AppFixture::prepare();
    }
    void init()
    {
        settle();
        TestDirs::isolate();
        Defaults::shared().setValue(QString(Pref::incognito), false);
    }
    void cleanup() { settle(); }

    // Everything survives a restart, the position still pending included once
    // the quit flush ran; a backup holds every list but no positions, and an
    // import is saved at once, as is a copy of "library.json".
    void roundTrips()
    {
        FakeClock clock;
        LibraryStore lib;
        Video full = video("a");
        full.channelId = QStringLiteral("UC1");
        full.avatar = QStringLiteral("https://img/a.jpg");
        full.views = 1234;
        full.verified = true;
        for (const Video &v : {video("h"), video("i"), full}) {
            lib.addToHistory(v);
            clock.advance(0.123);
        }
        lib.toggleLike(full);
        lib.toggleWatchLater(video("w"));
        lib.toggleSubscription("UC1", "Canal", QStringLiteral("https://img/c.jpg"));
        lib.toggleSubscription("UC2", "Otro", std::nullopt);
        lib.addSearch("música relajante");
        lib.add(video("b"), lib.createPlaylist("Mía", full));
        lib.hideChannel("Oculto");
        lib.setPosition("a", 123.456);
        lib.setPosition("b", 0.1 + 0.2); // within 10 s of the last write: pending
        lib.flushOnQuit();
        {
            LibraryStore again;
            compareLists(again, lib);
            QCOMPARE(again.position("a"), 123.456);
            QCOMPARE(again.position("b"), 0.1 + 0.2);
        }

        const QByteArray backup = readFile(lib.exportBackup().toLocalFile());
        QVERIFY(!backup.isEmpty());
        QVERIFY(!backup.contains("123.456"));
        TestDirs::isolate();
        LibraryStore target;
        QVERIFY(target.importBackup(backup));
        compareLists(target, lib);
        settle();
        compareLists(LibraryStore(), lib);
        QVERIFY(target.importBackup(readFile(dataPath("library.json"))));
    }

    // Snapshots land in the order they were taken.
    void lastChangeWins()
    {
        LibraryStore lib;
        for (int i = 0; i < 200; ++i)
            lib.toggleLike(video(QString::number(i % 7)));
        settle();
        QCOMPARE(LibraryStore().liked(), lib.liked());
    }

    void libraryForms_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("accepted");
        const QByteArray base = R"("history":[{"video":{"id":"a"},"date":10.5}],"liked":[],"watchLater":[],"subscriptions":[],"searches":["s"])";
        const QByteArray empty = R"("history":[],"watchLater":[],"subscriptions":[],"searches":[])";
        QTest::newRow("without optional lists") << "{" + base + "}" << true;
        QTest::newRow("optional lists null") << "{" + base + R"(,"playlists":null,"hiddenChannels":null})" << true;
        QTest::newRow("unknown keys") << "{" + base + R"(,"extra":{"x":1}})" << true;
        QTest::newRow("missing list") << "{" + empty + "}" << false;
        QTest::newRow("null list") << "{" + empty + R"(,"liked":null})" << false;
        QTest::newRow("date as text") << "{" + QByteArray(base).replace("10.5", "\"hoy\"") + "}" << false;
        QTest::newRow("optional list of wrong kind") << "{" + base + R"(,"hiddenChannels":"Canal"})" << false;
        QTest::newRow("cut short") << QByteArray("{\"history\":[") << false;
        QTest::newRow("empty file") << QByteArray() << false;
    }
    // A damaged library is kept aside under a dated name and never written
    // over, also when a second one is damaged within the same second.
    void libraryForms()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, accepted);
        FakeClock clock;
        writeFile(dataPath("library.json"), body);
        {
            LibraryStore lib;
            QCOMPARE(lib.searches(), accepted ? QStringList{"s"} : QStringList{});
            lib.addSearch("t");
            settle();
            // The next save writes both optional keys, and only the known ones.
            const QJsonObject file = readObject(dataPath("library.json"));
            QVERIFY(file.value("playlists").isArray() && file.value("hiddenChannels").isArray());
            QVERIFY(!file.contains("extra"));
            if (accepted) {
                QCOMPARE(lib.history().first().date, 10.5);
                QVERIFY(damagedFiles("library").isEmpty());
                return;
            }
        }
        const QString aside = QStringLiteral("library.damaged-%1.json").arg(clock.now().toLocalTime().toString("yyyyMMdd-HHmmss"));
        QCOMPARE(damagedFiles("library"), QStringList{aside});
        QCOMPARE(readFile(dataPath(aside)), body);

        writeFile(dataPath("library.json"), "garbage");
        LibraryStore again;
        QVERIFY(again.searches().isEmpty()); // loaded at its first use
        QCOMPARE(damagedFiles("library").size(), 2);
        QCOMPARE(readFile(dataPath(aside)), body);
    }

    // The files are read off the GUI thread, but whatever the store's first
    // use is, it sees the files' lists and builds on them; nobody is told of
    // a change from an empty library that nobody saw.
    void firstUseFindsTheFilesLoaded_data()
    {
        QTest::addColumn<bool>("preloaded");
        QTest::addColumn<QString>("use");
        for (bool preloaded : {false, true}) {
            const char *how = preloaded ? "preloaded, " : "";
            for (const char *use : {"read", "like", "search", "position", "import", "export"})
                QTest::newRow(qPrintable(QString::fromLatin1(how) + QLatin1String(use))) << preloaded << QString::fromLatin1(use);
        }
    }
    void firstUseFindsTheFilesLoaded()
    {
        QFETCH(bool, preloaded);
        QFETCH(QString, use);
        const QByteArray body = R"({"history":[{"video":{"id":"h"},"date":5}],"liked":[{"id":"a"}],"watchLater":[],)"
                                R"("subscriptions":[],"searches":["uno"]})";
        writeFile(dataPath("library.json"), body);
        writeFile(dataPath("positions.json"), R"({"h":42})");
        if (preloaded)
            LibraryStore::preload(*QCoreApplication::instance()); // as at process start; the store takes it over

        LibraryStore lib;
        QSignalSpy revisions(&lib, &LibraryStore::revisionChanged);
        QStringList expectedSearches{"uno"};
        QStringList expectedLiked{"a"};
        if (use == "like") {
            lib.toggleLike(video("b"));
            expectedLiked.prepend("b");
        } else if (use == "search") {
            lib.addSearch("dos");
            expectedSearches.prepend("dos");
        } else if (use == "position") {
            lib.setPosition("x", 30);
        } else if (use == "import") {
            QVERIFY(lib.importBackup(R"({"history":[],"liked":[],"watchLater":[],"subscriptions":[],"searches":["tres"]})"));
            expectedSearches = {"tres"};
            expectedLiked = {};
        } else if (use == "export") {
            const QJsonObject exported = readObject(lib.exportBackup().toLocalFile());
            QCOMPARE(exported.value("searches").toArray().first().toString(), QStringLiteral("uno"));
        }
        QStringList liked;
        for (const Video &v : lib.liked())
            liked.append(v.id);
        QCOMPARE(liked, expectedLiked);
        QCOMPARE(lib.searches(), expectedSearches);
        QCOMPARE(lib.position("h"), 42.0);
        QCOMPARE(revisions.isEmpty(), use == "read" || use == "position" || use == "export");

        // What was written after the first use holds the files' lists too.
        settle();
        if (use == "like" || use == "search" || use == "import")
            QCOMPARE(readObject(dataPath("library.json")).value("searches").toArray().first().toString(),
                     expectedSearches.first());
        if (use == "position")
            QCOMPARE(readObject(dataPath("positions.json")), (QJsonObject{{"h", 42.0}, {"x", 30.0}}));
    }

    // One bad value spoils the file: all of it is kept aside, the library is unaffected.
    // "loaded" turns true once, a turn of the event loop after the files came,
    // whatever they held; a read before then waits for the files and finds
    // them, never an empty library.
    void loadedIsAnnouncedOnce_data()
    {
        QTest::addColumn<bool>("preloaded");
        QTest::addColumn<QByteArray>("library");
        QTest::addColumn<bool>("readFirst");
        QTest::addColumn<QStringList>("liked");
        const QByteArray valid = R"({"history":[],"liked":[{"id":"a"}],"watchLater":[],"subscriptions":[],"searches":[]})";
        for (bool preloaded : {false, true})
            for (bool readFirst : {false, true}) {
                const QString how = QString::fromLatin1(preloaded ? "preloaded, " : "") + (readFirst ? "read first, " : "");
                QTest::newRow(qPrintable(how + "file")) << preloaded << valid << readFirst << QStringList{"a"};
                QTest::newRow(qPrintable(how + "no file")) << preloaded << QByteArray() << readFirst << QStringList{};
                QTest::newRow(qPrintable(how + "damaged")) << preloaded << QByteArray("{") << readFirst << QStringList{};
            }
    }
    void loadedIsAnnouncedOnce()
    {
        QFETCH(bool, preloaded);
        QFETCH(QByteArray, library);
        QFETCH(bool, readFirst);
        QFETCH(QStringList, liked);
        if (!library.isEmpty())
            writeFile(dataPath("library.json"), library);
        if (preloaded)
            LibraryStore::preload(*QCoreApplication::instance());
        auto likedIds = [](const LibraryStore &lib) {
            QStringList ids;
            for (const Video &v : lib.liked())
                ids.append(v.id);
            return ids;
        };

        LibraryStore lib;
        QSignalSpy loaded(&lib, &LibraryStore::loadedChanged);
        QVERIFY(!lib.isLoaded());
        if (readFirst) {
            QCOMPARE(likedIds(lib), liked);
            QVERIFY(!lib.isLoaded());
        }
        QVERIFY(TestTime::wait(loaded, 5000));
        QVERIFY(lib.isLoaded());
        QCOMPARE(likedIds(lib), liked);
        QTest::qWait(20);
        QCOMPARE(loaded.size(), 1);
    }

    // A store gone before its files came is told nothing.
    void storeGoneBeforeItsFiles()
    {
        writeFile(dataPath("library.json"), R"({"history":[],"liked":[],"watchLater":[],"subscriptions":[],"searches":[]})");
        for (int i = 0; i < 20; ++i)
            delete new LibraryStore;
        QTest::qWait(20);
    }

    void damagedPositionsAreKeptAside()
    {
        const QByteArray body = R"({"a":12,"b":"30"})";
        writeFile(dataPath("library.json"), R"({"history":[],"liked":[{"id":"x"}],"watchLater":[],"subscriptions":[],"searches":[]})");
        writeFile(dataPath("positions.json"), body);
        LibraryStore lib;
        QCOMPARE(lib.liked().size(), 1);
        QCOMPARE(lib.position("a"), 0.0);
        const QStringList aside = damagedFiles("positions");
        QCOMPARE(aside.size(), 1);
        QCOMPARE(readFile(dataPath(aside.first())), body);
        QVERIFY(damagedFiles("library").isEmpty());
    }

    // Copies left by a write cut short in an earlier run are gone once the
    // store has loaded; the live files and names merely alike stay.
    void leftoversOfAnEarlierRunAreRemoved_data()
    {
        QTest::addColumn<bool>("preloaded");
        QTest::addColumn<QString>("file");
        for (bool preloaded : {false, true})
            for (const char *file : {"library.json", "positions.json"})
                QTest::newRow(qPrintable(QString::fromLatin1(preloaded ? "preloaded, " : "") + QLatin1String(file)))
                    << preloaded << QString::fromLatin1(file);
    }
    void leftoversOfAnEarlierRunAreRemoved()
    {
        QFETCH(bool, preloaded);
        QFETCH(QString, file);
        const QByteArray library = R"({"history":[],"liked":[{"id":"a"}],"watchLater":[],"subscriptions":[],"searches":[]})";
        writeFile(dataPath("library.json"), library);
        writeFile(dataPath("positions.json"), R"({"a":12})");
        const QString leftover = dataPath(file + ".QwErTy");
        writeFile(leftover, QByteArray(4096, '{'));
        const QStringList alike{file + ".bak", file + ".QwErT1", file + ".QwErTy.json", "x" + file + ".QwErTy",
                                "backups/" + file + ".QwErTy"};
        for (const QString &name : alike)
            writeFile(dataPath(name), "x");
        if (preloaded)
            LibraryStore::preload(*QCoreApplication::instance());

        LibraryStore lib;
        QCOMPARE(lib.liked().size(), 1);
        QCOMPARE(lib.position("a"), 12.0);
        settle();
        QVERIFY(!QFile::exists(leftover));
        for (const QString &name : alike)
            QVERIFY2(QFile::exists(dataPath(name)), qPrintable(name));
        QCOMPARE(readFile(dataPath("library.json")), library);
        QCOMPARE(readFile(dataPath("positions.json")), QByteArray(R"({"a":12})"));
        QVERIFY(damagedFiles("library").isEmpty() && damagedFiles("positions").isEmpty());
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
        QCOMPARE(written(), (QJsonObject{{"a", 5.0}}));
        clock.advance(10); // exactly 10 s after the write: still too soon
        lib.setPosition("a", 15);
        QCOMPARE(written(), (QJsonObject{{"a", 5.0}}));
        clock.advance(0.5);
        lib.setPosition("b", 20);
        QCOMPARE(written(), (QJsonObject{{"a", 15.0}, {"b", 20.0}}));

        clock.advance(1);
        lib.forgetPosition("a"); // forced
        QCOMPARE(written(), (QJsonObject{{"b", 20.0}}));
        clock.advance(1);
        lib.clearHistory(); // forced, and empties every position
        QCOMPARE(written(), QJsonObject());

        // A wall clock set back counts as time passed.
        clock.advance(-3600);
        lib.setPosition("a", 20);
        QCOMPARE(written(), (QJsonObject{{"a", 20.0}}));
    }

    // JSON has no NaN or infinity: one would make the whole file unreadable.
    void nonFinitePositionsIgnored()
    {
        {
            LibraryStore lib;
            lib.setPosition("a", 10);
            lib.setPosition("a", qQNaN());
            lib.setPosition("b", qInf());
            lib.flushOnQuit();
        }
        LibraryStore again;
        QCOMPARE(again.position("a"), 10.0);
        QCOMPARE(again.position("b"), 0.0);
        QVERIFY(damagedFiles("positions").isEmpty());
    }

    // Named by the local date, in a folder only the user can read, one file kept.
    void exportBackup()
    {
        FakeClock clock(QDateTime(QDate(2026, 3, 14), QTime(12, 0)).toUTC()); // local noon
        LibraryStore lib;
        lib.toggleLike(video("a"));
        const QString path = lib.exportBackup().toLocalFile();
        QCOMPARE(path, QDir(TestDirs::dataDir() + "/backups").absoluteFilePath("Nimbelora-2026-03-14.json"));
        QCOMPARE(QFileInfo(QFileInfo(path).absolutePath()).permissions() & 0x0077, QFileDevice::Permissions());

        lib.toggleLike(video("b"));
        QCOMPARE(lib.exportBackup().toLocalFile(), path);
        QCOMPARE(readObject(path).value("liked").toArray().size(), 2);

        clock.set(QDateTime(QDate(2026, 3, 15), QTime(0, 0, 1)).toUTC());
        QCOMPARE(QFileInfo(lib.exportBackup().toLocalFile()).fileName(), QString("Nimbelora-2026-03-15.json"));
        QVERIFY(!QFile::exists(path));

        QVERIFY(QDir(TestDirs::dataDir() + "/backups").removeRecursively());
        writeFile(TestDirs::dataDir() + "/backups", "a file where the folder should be");
        QVERIFY(lib.exportBackup().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLibraryFiles)
#include "tst_libraryfiles.moc"
