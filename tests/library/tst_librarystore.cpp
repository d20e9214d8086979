#include "AppFixture.h"
#include "Defaults.h"
#include "FakeClock.h"
#include "LibraryStore.h"
#include "Pref.h"
#include "SampleVideos.h"
#include "TestDirs.h"
#include <QFile>
#include <QJsonDocument>
#include <QMetaEnum>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>

using Op = std::function<void(LibraryStore &)>;
Q_DECLARE_METATYPE(Op)

namespace {

Video video(const QString &id, const QString &channel = QStringLiteral("Canal"), qint64 duration = 600)
{
    return sampleVideo(id, duration, channel);
}

QString describe(const SyncEvent &e)
{
    return QStringLiteral("%1:%2:%3")
        .arg(QLatin1String(QMetaEnum::fromType<SyncEvent::Kind>().valueToKey(int(e.kind))), e.id)
        .arg(int(e.on));
}

QString dataPath(const char *name) { return TestDirs::dataDir() + u'/' + QLatin1String(name); }

void setIncognito(bool on) { Defaults::shared().setValue(QString(Pref::incognito), on); }

// One of everything, as a backup holds it.
const QByteArray seed =
    R"({"history":[{"video":{"id":"a","channel":"Canal","duration":600},"date":1000}],)"
    R"("liked":[{"id":"a","channel":"Canal"}],"watchLater":[{"id":"a","channel":"Canal"}],)"
    R"("subscriptions":[{"id":"c1","name":"Canal","avatar":"https://img/c1.jpg"}],"searches":["uno"],)"
    R"("playlists":[{"id":"P1","name":"Mía","videos":[{"id":"a"}],"created":5}],"hiddenChannels":["Oculto"]})";

} // namespace

class TestLibraryStore : public QObject
{
    Q_OBJECT

    std::unique_ptr<LibraryStore> fresh()
    {
        LibraryStore::waitForWrites();
        TestDirs::isolate();
        return std::make_unique<LibraryStore>();
    }

private slots:
    void initTestCase()
    {
        AppFixture::prepare();
    }
    void init() { setIncognito(false); }
    void cleanup() { LibraryStore::waitForWrites(); }

    // Which operations raise which sync events, save the library and write
    // positions: a change that is not saved is lost at the next start.
    void effects_data()
    {
        QTest::addColumn<Op>("op");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<bool>("savesLibrary");
        QTest::addColumn<bool>("writesPositions");

        auto row = [](const char *name, Op op, QStringList events, bool saves, bool positions = false) {
            QTest::newRow(name) << op << events << saves << positions;
        };
        row("like new", [](LibraryStore &l) { l.toggleLike(video("b")); }, {"like:b:1"}, true);
        row("like existing", [](LibraryStore &l) { l.toggleLike(video("a")); }, {"like:a:0"}, true);
        row("removeLiked", [](LibraryStore &l) { l.removeLiked("a"); }, {}, true);
        row("watch later", [](LibraryStore &l) { l.toggleWatchLater(video("b")); }, {}, true);
        row("removeWatchLater", [](LibraryStore &l) { l.removeWatchLater("a"); }, {}, true);
        row("subscribe", [](LibraryStore &l) { l.toggleSubscription("c2", "Otro", std::nullopt); }, {"subscribe:c2:1"}, true);
        row("unsubscribe", [](LibraryStore &l) { l.toggleSubscription("c1", "Canal", std::nullopt); }, {"subscribe:c1:0"}, true);
        row("avatar changed", [](LibraryStore &l) { l.updateAvatar("c1", QStringLiteral("https://img/n.jpg")); }, {}, true);
        row("avatar same", [](LibraryStore &l) { l.updateAvatar("c1", QStringLiteral("https://img/c1.jpg")); }, {}, false);
        row("avatar unknown channel", [](LibraryStore &l) { l.updateAvatar("zz", std::nullopt); }, {}, false);
        row("history add", [](LibraryStore &l) { l.addToHistory(video("b")); }, {}, true);
        row("history add incognito", [](LibraryStore &l) { setIncognito(true); l.addToHistory(video("b")); }, {}, false);
        row("history remove", [](LibraryStore &l) { l.removeFromHistory("a"); }, {}, true);
        row("history clear", [](LibraryStore &l) { l.clearHistory(); }, {}, true, true);
        row("search add", [](LibraryStore &l) { l.addSearch("dos"); }, {}, true);
        row("search blank", [](LibraryStore &l) { l.addSearch(" \n\t "); }, {}, false);
        row("search remove", [](LibraryStore &l) { l.removeSearch("uno"); }, {}, true);
        row("searches clear", [](LibraryStore &l) { l.clearSearches(); }, {}, true);
        row("hide new", [](LibraryStore &l) { l.hideChannel("Canal"); }, {}, true);
        row("hide empty", [](LibraryStore &l) { l.hideChannel(""); }, {}, false);
        row("hide again", [](LibraryStore &l) { l.hideChannel("Oculto"); }, {}, false);
        row("unhide", [](LibraryStore &l) { l.unhideChannel("Oculto"); }, {}, true);
        row("playlist create", [](LibraryStore &l) { l.createPlaylist("Nueva", std::nullopt); }, {}, true);
        row("playlist add", [](LibraryStore &l) { l.add(video("b"), "P1"); }, {}, true);
        row("playlist add unknown", [](LibraryStore &l) { l.add(video("b"), "nope"); }, {}, false);
        row("playlist remove", [](LibraryStore &l) { l.remove("a", "P1"); }, {}, true);
        row("playlist remove unknown", [](LibraryStore &l) { l.remove("a", "nope"); }, {}, false);
        row("playlist rename unknown", [](LibraryStore &l) { l.renamePlaylist("nope", "X"); }, {}, false);
        row("playlist delete", [](LibraryStore &l) { l.deletePlaylist("P1"); }, {}, true);
        row("import", [](LibraryStore &l) { QVERIFY(l.importBackup(seed)); }, {}, true);
        row("import invalid", [](LibraryStore &l) { QVERIFY(!l.importBackup("{}")); }, {}, false);
        row("position", [](LibraryStore &l) { l.setPosition("a", 30); }, {}, false, true);
        row("position incognito", [](LibraryStore &l) { setIncognito(true); l.setPosition("a", 30); }, {}, false, false);
        row("forget position", [](LibraryStore &l) { l.forgetPosition("a"); }, {}, false, true);
        row("forget incognito", [](LibraryStore &l) { setIncognito(true); l.forgetPosition("zz"); }, {}, false, true);
    }
    void effects()
    {
        QFETCH(Op, op);
        QFETCH(QStringList, events);
        QFETCH(bool, savesLibrary);
        QFETCH(bool, writesPositions);

        auto lib = fresh();
        QVERIFY(lib->importBackup(seed));
        LibraryStore::waitForWrites();
        QFile::remove(dataPath("library.json"));

        QStringList raised;
        lib->onSync = [&](const SyncEvent &e) { raised << describe(e); };
        op(*lib);
        LibraryStore::waitForWrites();

        QCOMPARE(raised, events);
        QCOMPARE(QFile::exists(dataPath("library.json")), savesLibrary);
        QCOMPARE(QFile::exists(dataPath("positions.json")), writesPositions);
    }

    // New entries go first; with no sync hook installed nothing fails; every
    // change moves `revision`, through which QML queries are bound.
    void togglesInsertAtFront()
    {
        auto lib = fresh();
        for (const char *id : {"a", "b", "c"}) {
            const int revision = lib->revision();
            lib->toggleLike(video(id));
            lib->toggleWatchLater(video(id));
            QVERIFY(lib->revision() > revision);
        }
        lib->toggleSubscription("c1", "Uno", std::nullopt);
        lib->toggleSubscription("c2", "Dos", QStringLiteral("https://img/2.jpg"));
        QCOMPARE(lib->liked(), (QList<Video>{video("c"), video("b"), video("a")}));
        QCOMPARE(lib->subscriptions().first(), (Subscription{"c2", "Dos", QStringLiteral("https://img/2.jpg")}));
        lib->toggleWatchLater(video("b"));
        QCOMPARE(lib->watchLater(), (QList<Video>{video("c"), video("a")}));
    }

    // Ids compare as exact text; from QML undefined is no id or no avatar.
    void identityAndQmlValues()
    {
        auto lib = fresh();
        lib->toggleLike(video("abc"));
        QVERIFY(!lib->isLiked("ABC"));
        lib->toggleSubscription("UC1", "Canal", QStringLiteral("https://img/old.jpg"));
        QVERIFY(!lib->isSubscribed(QStringLiteral("uc1")));
        QVERIFY(lib->isSubscribed(QVariant(QStringLiteral("UC1"))));
        QVERIFY(!lib->isSubscribed(QVariant()));
        lib->updateAvatar("UC1", QVariant());
        QVERIFY(!lib->subscriptions().first().avatar);
        lib->toggleSubscription("", "Sin id", std::nullopt);
        QVERIFY(lib->isSubscribed(QString("")));
    }

    // 300 entries at most; watching again moves the entry to the top with the
    // newer data and date; hasWatched looks at the 60 newest only.
    void historyCapAndWindow()
    {
        FakeClock clock;
        auto lib = fresh();
        for (int i = 0; i < 301; ++i) {
            lib->addToHistory(video(QString::number(i)));
            clock.advance(1);
        }
        QCOMPARE(lib->history().size(), 300);
        QCOMPARE(lib->history().last().video.id, QString("1"));
        QVERIFY(lib->hasWatched("241"));
        QVERIFY(!lib->hasWatched("240"));

        Video fuller = video("150");
        fuller.title = QStringLiteral("Título completo");
        lib->addToHistory(fuller);
        QCOMPARE(lib->history().size(), 300);
        QCOMPARE(lib->history().first().video, fuller);
        QCOMPARE(lib->history().first().date, Clock::referenceSeconds(clock.now()));
        QCOMPARE(std::count_if(lib->history().cbegin(), lib->history().cend(),
                               [](const HistoryEntry &e) { return e.video.id == "150"; }), 1);
    }

    void searches_data()
    {
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QString>("removed"); // removed afterwards, when not empty
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("trimmed") << QStringList{" hola \n"} << QString() << QStringList{"hola"};
        QTest::newRow("last form wins") << QStringList{"Hola", "x", "hOLA"} << QString() << QStringList{"hOLA", "x"};
        QTest::newRow("accents count") << QStringList{"cafe", "café", "CAFÉ"} << QString() << QStringList{"CAFÉ", "cafe"};
        QTest::newRow("remove is exact") << QStringList{"Hola", "mundo"} << QString("hola") << QStringList{"mundo", "Hola"};
        // Composed and decomposed accents are the same text; the typed form stays.
        QTest::newRow("one café") << QStringList{"caf\u00e9", "CAFE\u0301"} << QString() << QStringList{"CAFE\u0301"};
        QTest::newRow("remove either form") << QStringList{"caf\u00e9", "x"} << QString("cafe\u0301") << QStringList{"x"};
        QStringList many;
        for (int i = 1; i <= 21; ++i)
            many << QStringLiteral("q%1").arg(i);
        QTest::newRow("21st drops oldest") << many << QString() << QStringList(many.crbegin(), many.crend() - 1);
    }
    void searches()
    {
        QFETCH(QStringList, added);
        QFETCH(QString, removed);
        QFETCH(QStringList, expected);
        auto lib = fresh();
        for (const QString &q : added)
            lib->addSearch(q);
        if (!removed.isEmpty())
            lib->removeSearch(removed);
        QCOMPARE(lib->searches(), expected);
    }

    // Hiding matches the channel name exactly (up to canonical equivalence),
    // in C++ lists and QML ones.
    void hiddenChannels()
    {
        auto lib = fresh();
        const QList<Video> feed{video("1", "Canal"), video("2", "canal"), video("3", "Otro\u0301"), video("4", "Caf\u00e9")};
        lib->hideChannel("Otr\u00f3");
        lib->hideChannel("Canal");
        lib->hideChannel("Cafe\u0301");
        lib->hideChannel("Caf\u00e9");
        QCOMPARE(lib->hiddenChannels(), QStringList({"Otr\u00f3", "Canal", "Cafe\u0301"}));
        lib->unhideChannel("Caf\u00e9");
        QCOMPARE(lib->visible(feed), (QList<Video>{video("2", "canal"), video("4", "Caf\u00e9")}));
        QVariantList fromQml;
        for (const Video &v : feed)
            fromQml << QVariant::fromValue(v);
        const QVariantList shown = lib->visible(fromQml);
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.last().value<Video>().id, QString("4"));
    }

    void progress_data()
    {
        QTest::addColumn<qint64>("duration");
        QTest::addColumn<double>("position");
        QTest::addColumn<double>("expected"); // negative: no bar
        QTest::newRow("no duration") << qint64(0) << 50.0 << -1.0;
        QTest::newRow("exactly 8 s") << qint64(100) << 8.0 << -1.0;
        QTest::newRow("8.5 of 100") << qint64(100) << 8.5 << 0.085;
        QTest::newRow("97 of 100") << qint64(100) << 97.0 << 0.97;
        QTest::newRow("97.5 of 100") << qint64(100) << 97.5 << -1.0;
        QTest::newRow("past the end") << qint64(100) << 150.0 << -1.0;
    }
    void progress()
    {
        QFETCH(qint64, duration);
        QFETCH(double, position);
        QFETCH(double, expected);
        auto lib = fresh();
        lib->setPosition("v", position);
        QCOMPARE(lib->progress(video("v", "Canal", duration)).value_or(-1.0), expected);
        QCOMPARE(lib->progressValue(video("v", "Canal", duration)).isValid(), expected >= 0);
    }

    // At most ten, only from the 40 newest entries, finished ones left out.
    void inProgressWindowAndCap()
    {
        auto lib = fresh();
        for (int i = 0; i < 45; ++i)
            lib->addToHistory(video(QString::number(i), "Canal", 100)); // "44" newest
        for (int i = 0; i < 45; ++i)
            if (i < 5 || i > 30) // "0" … "4" lie beyond the 40 newest
                lib->setPosition(QString::number(i), 50);
        QList<Video> expected;
        for (int i = 44; i > 34; --i)
            expected << video(QString::number(i), "Canal", 100);
        QCOMPARE(lib->inProgress(), expected);

        for (int i = 31; i < 45; ++i)
            lib->setPosition(QString::number(i), i == 43 ? 20 : 99);
        QCOMPARE(lib->inProgress(), QList<Video>{video("43", "Canal", 100)});
    }

    void topChannels_data()
    {
        QTest::addColumn<QStringList>("watched"); // channel of each entry, oldest first
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("by count, at most three") << QStringList{"D", "A", "B", "B", "C", "C", "C"} << QStringList{"C", "B", "A"};
        QTest::newRow("ties: newest first") << QStringList{"A", "B", "C", "D", "D"} << QStringList{"D", "C", "B"};
        QTest::newRow("empty names ignored") << QStringList{"", "", "", "A"} << QStringList{"A"};
        QStringList old{"X", "X", "X", "X", "X"};
        for (int i = 0; i < 40; ++i)
            old << (i % 2 ? "A" : "B");
        QTest::newRow("only the newest 40") << old << QStringList{"A", "B"};
    }
    void topChannels()
    {
        QFETCH(QStringList, watched);
        QFETCH(QStringList, expected);
        auto lib = fresh();
        for (int i = 0; i < watched.size(); ++i)
            lib->addToHistory(video(QString::number(i), watched.at(i)));
        QCOMPARE(lib->topChannels(), expected);
    }

    void playlists()
    {
        FakeClock clock;
        auto lib = fresh();
        const QString blank = lib->createPlaylist(" \n ", QVariant()); // from QML: no video
        QCOMPARE(lib->playlists().first().name, QString("Lista nueva"));
        QVERIFY(lib->playlists().first().videos.isEmpty());
        QCOMPARE(lib->playlists().first().created, Clock::referenceSeconds(clock.now()));

        const QString id = lib->createPlaylist("  Con vídeo ", QVariant::fromValue(video("a")));
        QVERIFY(id != blank);
        QCOMPARE(lib->playlists().first().name, QString("Con vídeo"));
        Video retitled = video("a");
        retitled.title = QStringLiteral("otro título");
        lib->add(video("b"), id);
        lib->add(retitled, id); // already in: neither again nor replaced
        QCOMPARE(lib->playlists().first().videos, (QList<Video>{video("a"), video("b")}));
        lib->remove("a", id);
        QCOMPARE(lib->playlists().first().videos, QList<Video>{video("b")});

        lib->renamePlaylist(id, "   ");
        QCOMPARE(lib->playlists().first().name, QString("Con vídeo"));
        lib->renamePlaylist(id, "\tNombre\n");
        QCOMPARE(lib->playlists().first().name, QString("Nombre"));
        lib->deletePlaylist(id);
        QCOMPARE(lib->playlists().first().id, blank);
    }

    // Incognito keeps history and positions still and is read at each use;
    // removing an entry keeps its position, clearing the history forgets all.
    void incognitoAndPositions()
    {
        auto lib = fresh();
        lib->addToHistory(video("a"));
        lib->setPosition("a", 30);
        const int revision = lib->revision();
        setIncognito(true);
        lib->addToHistory(video("b"));
        lib->setPosition("a", 60);
        QCOMPARE(lib->history().size(), 1);
        QCOMPARE(lib->position("a"), 30.0);
        QCOMPARE(lib->revision(), revision);
        setIncognito(false);
        lib->addToHistory(video("b"));
        QCOMPARE(lib->history().size(), 2);

        lib->removeFromHistory("a");
        QCOMPARE(lib->position("a"), 30.0);
        lib->clearHistory();
        QCOMPARE(lib->position("a"), 0.0);
    }

    // A bad backup changes nothing; a good one replaces the lists as they are,
    // without caps, sync events or touching positions.
    void importBackup()
    {
        auto lib = fresh();
        QVERIFY(lib->importBackup(seed));
        lib->setPosition("a", 33);
        QStringList raised;
        lib->onSync = [&](const SyncEvent &e) { raised << describe(e); };

        for (const QByteArray &bad : {QByteArray("not json"), QByteArray("[]"), QByteArray(R"({"history":[]})"),
                                      QByteArray(R"({"history":[],"liked":[],"watchLater":[],"subscriptions":[],"searches":[1]})")}) {
            QVERIFY(!lib->importBackup(bad));
            QCOMPARE(lib->searches(), QStringList{"uno"});
            QCOMPARE(lib->playlists().size(), 1);
        }

        QJsonArray history;
        for (int i = 0; i < 400; ++i)
            history.append(QJsonObject{{"video", QJsonObject{{"id", "same"}}}, {"date", i}});
        const QJsonObject big{{"history", history}, {"liked", QJsonArray{QJsonObject{{"id", "x"}}}},
                              {"watchLater", QJsonArray()}, {"subscriptions", QJsonArray()}, {"searches", QJsonArray()}};
        QVERIFY(lib->importBackup(QJsonDocument(big).toJson()));
        QCOMPARE(lib->history().size(), 400);
        QCOMPARE(lib->liked().first().id, QString("x"));
        // No "playlists" or "hiddenChannels": both lists end up empty.
        QVERIFY(lib->playlists().isEmpty());
        QVERIFY(lib->hiddenChannels().isEmpty());
        QCOMPARE(lib->position("a"), 33.0);
        QVERIFY(raised.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLibraryStore)
#include "tst_librarystore.moc"
