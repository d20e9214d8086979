#include "Defaults.h"
#include "FakeClock.h"
#include "LibraryStore.h"
#include "Pref.h"
#include "TestDirs.h"
#include <QFile>
#include <QJsonDocument>
#include <algorithm>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <memory>

using Op = std::function<void(LibraryStore &)>;
Q_DECLARE_METATYPE(Op)

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

QString describe(const SyncEvent &e)
{
    switch (e.kind) {
    case SyncEvent::Kind::like:
        return QStringLiteral("like:%1:%2").arg(e.id).arg(int(e.on));
    case SyncEvent::Kind::subscribe:
        return QStringLiteral("subscribe:%1:%2").arg(e.id).arg(int(e.on));
    case SyncEvent::Kind::watched:
        break;
    }
    return QStringLiteral("watched:") + e.id;
}

QString libraryPath() { return TestDirs::dataDir() + QStringLiteral("/library.json"); }
QString positionsPath() { return TestDirs::dataDir() + QStringLiteral("/positions.json"); }

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
        TestDirs::isolate();
        Defaults::useMemory();
        Pref::registerDefaults();
    }
    void init() { setIncognito(false); }
    void cleanup() { LibraryStore::waitForWrites(); }

    // Which operations raise which events, save the library and write positions.
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
        row("playlist add duplicate", [](LibraryStore &l) { l.add(video("a"), "P1"); }, {}, true);
        row("playlist add unknown", [](LibraryStore &l) { l.add(video("b"), "nope"); }, {}, false);
        row("playlist remove", [](LibraryStore &l) { l.remove("a", "P1"); }, {}, true);
        row("playlist remove unknown", [](LibraryStore &l) { l.remove("a", "nope"); }, {}, false);
        row("playlist rename blank", [](LibraryStore &l) { l.renamePlaylist("P1", "  "); }, {}, true);
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
        QFile::remove(libraryPath());

        QStringList raised;
        lib->onSync = [&](const SyncEvent &e) { raised << describe(e); };
        op(*lib);
        LibraryStore::waitForWrites();

        QCOMPARE(raised, events);
        QCOMPARE(QFile::exists(libraryPath()), savesLibrary);
        QCOMPARE(QFile::exists(positionsPath()), writesPositions);
    }

    void toggleTwiceWithAndWithoutHook()
    {
        auto lib = fresh();
        lib->toggleLike(video("a")); // no hook: nothing raised, nothing fails
        QVERIFY(lib->isLiked("a"));
        QStringList raised;
        lib->onSync = [&](const SyncEvent &e) { raised << describe(e); };
        lib->toggleLike(video("a"));
        lib->toggleLike(video("a"));
        QCOMPARE(lib->liked(), QList<Video>{video("a")});
        QCOMPARE(raised, (QStringList{"like:a:0", "like:a:1"}));
    }

    void togglesInsertAtFront()
    {
        auto lib = fresh();
        for (const char *id : {"a", "b", "c"}) {
            lib->toggleLike(video(id));
            lib->toggleWatchLater(video(id));
        }
        lib->toggleSubscription("c1", "Uno", std::nullopt);
        lib->toggleSubscription("c2", "Dos", QStringLiteral("https://img/2.jpg"));
        const QList<Video> expected{video("c"), video("b"), video("a")};
        QCOMPARE(lib->liked(), expected);
        QCOMPARE(lib->watchLater(), expected);
        QCOMPARE(lib->subscriptions().size(), 2);
        QCOMPARE(lib->subscriptions().first().id, QString("c2"));
        QCOMPARE(lib->subscriptions().first().avatar, std::optional<QString>("https://img/2.jpg"));
        lib->toggleWatchLater(video("b"));
        QCOMPARE(lib->watchLater(), (QList<Video>{video("c"), video("a")}));
        QVERIFY(!lib->isWatchLater("b"));
        QVERIFY(lib->isWatchLater("c"));
    }

    void identityIsExactText()
    {
        auto lib = fresh();
        lib->toggleLike(video("abc"));
        QVERIFY(!lib->isLiked("ABC"));
        lib->toggleSubscription("UC1", "Canal", std::nullopt);
        QVERIFY(lib->isSubscribed(QStringLiteral("UC1")));
        QVERIFY(!lib->isSubscribed(QStringLiteral("uc1")));
        QVERIFY(!lib->isSubscribed(std::optional<QString>()));
        QVERIFY(!lib->isSubscribed(QVariant()));
        QVERIFY(lib->isSubscribed(QVariant(QStringLiteral("UC1"))));
        // An empty id is a present id.
        lib->toggleSubscription("", "Sin id", std::nullopt);
        QVERIFY(lib->isSubscribed(QString("")));
    }

    void historyCapAndMoveToTop()
    {
        FakeClock clock;
        auto lib = fresh();
        for (int i = 0; i < 301; ++i) {
            lib->addToHistory(video(QString::number(i)));
            clock.advance(1);
        }
        QCOMPARE(lib->history().size(), 300);
        QCOMPARE(lib->history().first().video.id, QString("300"));
        QCOMPARE(lib->history().last().video.id, QString("1")); // "0" dropped

        Video fuller = video("150");
        fuller.title = QStringLiteral("Título completo");
        lib->addToHistory(fuller);
        QCOMPARE(lib->history().size(), 300);
        QCOMPARE(lib->history().first().video, fuller);
        QCOMPARE(lib->history().first().date, Clock::referenceSeconds(clock.now()));
        QCOMPARE(std::count_if(lib->history().cbegin(), lib->history().cend(),
                               [](const HistoryEntry &e) { return e.video.id == "150"; }), 1);
    }

    void removeFromHistoryKeepsPosition()
    {
        auto lib = fresh();
        lib->addToHistory(video("a"));
        lib->addToHistory(video("b"));
        lib->setPosition("a", 42);
        lib->removeFromHistory("a");
        QCOMPARE(lib->history().size(), 1);
        QCOMPARE(lib->position("a"), 42.0);
        lib->clearHistory();
        QVERIFY(lib->history().isEmpty());
        QCOMPARE(lib->position("a"), 0.0);
    }

    void searches_data()
    {
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("trimmed") << QStringList{" hola \n"} << QStringList{"hola"};
        QTest::newRow("last form wins") << QStringList{"Hola", "x", "hOLA"} << QStringList{"hOLA", "x"};
        QTest::newRow("only blanks") << QStringList{"   ", "\n"} << QStringList{};
        QTest::newRow("accents count") << QStringList{"cafe", "café", "CAFÉ"} << QStringList{"CAFÉ", "cafe"};
        QStringList many, kept;
        for (int i = 1; i <= 21; ++i)
            many << QStringLiteral("q%1").arg(i);
        for (int i = 21; i >= 2; --i)
            kept << QStringLiteral("q%1").arg(i);
        QTest::newRow("21st drops oldest") << many << kept;
    }
    void searches()
    {
        QFETCH(QStringList, added);
        QFETCH(QStringList, expected);
        auto lib = fresh();
        for (const QString &q : added)
            lib->addSearch(q);
        QCOMPARE(lib->searches(), expected);
    }

    void removeSearchIsExact()
    {
        auto lib = fresh();
        lib->addSearch("Hola");
        lib->addSearch("mundo");
        lib->removeSearch("hola");
        QCOMPARE(lib->searches(), (QStringList{"mundo", "Hola"}));
        lib->removeSearch("Hola");
        QCOMPARE(lib->searches(), QStringList{"mundo"});
    }

    void hiddenChannels()
    {
        auto lib = fresh();
        const QList<Video> feed{video("1", "Canal"), video("2", "canal"), video("3", "Otro"), video("4", "Canal")};
        QCOMPARE(lib->visible(feed), feed);
        lib->hideChannel("Otro");
        lib->hideChannel("Canal");
        lib->hideChannel("Otro");
        QCOMPARE(lib->hiddenChannels(), (QStringList{"Otro", "Canal"}));
        QCOMPARE(lib->visible(feed), QList<Video>{video("2", "canal")});

        QVariantList fromQml;
        for (const Video &v : feed)
            fromQml << QVariant::fromValue(v);
        const QVariantList shown = lib->visible(fromQml);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().value<Video>().id, QString("2"));

        lib->unhideChannel("Otro");
        QCOMPARE(lib->hiddenChannels(), QStringList{"Canal"});
    }

    void hasWatchedLooksAtNewest60()
    {
        auto lib = fresh();
        for (int i = 0; i < 61; ++i)
            lib->addToHistory(video(QString::number(i)));
        // Newest first: "60" … "1" are the 60 newest, "0" the 61st.
        QVERIFY(lib->hasWatched("60"));
        QVERIFY(lib->hasWatched("1"));
        QVERIFY(!lib->hasWatched("0"));
        QVERIFY(!lib->hasWatched("nope"));
    }

    void progress_data()
    {
        QTest::addColumn<qint64>("duration");
        QTest::addColumn<double>("position"); // negative: none saved
        QTest::addColumn<double>("expected"); // negative: no bar
        QTest::newRow("no duration") << qint64(0) << 50.0 << -1.0;
        QTest::newRow("negative duration") << qint64(-5) << 50.0 << -1.0;
        QTest::newRow("no position") << qint64(100) << -1.0 << -1.0;
        QTest::newRow("exactly 8 s") << qint64(100) << 8.0 << -1.0;
        QTest::newRow("8.5 of 100") << qint64(100) << 8.5 << 0.085;
        QTest::newRow("97 of 100") << qint64(100) << 97.0 << 0.97;
        QTest::newRow("97.5 of 100") << qint64(100) << 97.5 << -1.0;
        QTest::newRow("past the end") << qint64(100) << 150.0 << -1.0;
        QTest::newRow("one second long") << qint64(1) << 9.0 << -1.0;
    }
    void progress()
    {
        QFETCH(qint64, duration);
        QFETCH(double, position);
        QFETCH(double, expected);
        auto lib = fresh();
        if (position >= 0)
            lib->setPosition("v", position);
        const auto p = lib->progress(video("v", "Canal", duration));
        QCOMPARE(p.has_value(), expected >= 0);
        if (p)
            QCOMPARE(*p, expected);
        QCOMPARE(lib->progressValue(video("v", "Canal", duration)).isValid(), expected >= 0);
    }

    void inProgressWindowAndCap()
    {
        auto lib = fresh();
        // 45 entries; after this loop "44" is newest and "0" … "4" lie beyond the 40 newest.
        for (int i = 0; i < 45; ++i) {
            lib->addToHistory(video(QString::number(i), "Canal", 100));
            lib->setPosition(QString::number(i), 50);
        }
        QList<Video> expected;
        for (int i = 44; i > 34; --i)
            expected << video(QString::number(i), "Canal", 100);
        QCOMPARE(lib->inProgress(), expected);

        auto old = fresh();
        for (int i = 0; i < 45; ++i)
            old->addToHistory(video(QString::number(i), "Canal", 100));
        for (int i = 0; i < 5; ++i)
            old->setPosition(QString::number(i), 50);
        old->setPosition("44", 99); // finished: no bar
        QVERIFY(old->inProgress().isEmpty());
        old->setPosition("43", 20);
        QCOMPARE(old->inProgress(), QList<Video>{video("43", "Canal", 100)});
    }

    void topChannels_data()
    {
        QTest::addColumn<QStringList>("watched"); // channel of each entry, oldest first
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty") << QStringList{} << QStringList{};
        QTest::newRow("by count") << QStringList{"A", "B", "B", "C", "C", "C"} << QStringList{"C", "B", "A"};
        QTest::newRow("at most three") << QStringList{"A", "B", "C", "D", "D"} << QStringList{"D", "C", "B"};
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
        const QString first = lib->createPlaylist("Primera", std::nullopt);
        const QString id = lib->createPlaylist(" \n ", std::nullopt);
        QVERIFY(QRegularExpression("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$").match(id).hasMatch());
        QVERIFY(id != first);
        QCOMPARE(lib->playlists().size(), 2);
        const UserPlaylist &top = lib->playlists().first();
        QCOMPARE(top.id, id);
        QCOMPARE(top.name, QString("Lista nueva"));
        QVERIFY(top.videos.isEmpty());
        QCOMPARE(top.created, Clock::referenceSeconds(clock.now()));

        const QString withVideo = lib->createPlaylist("  Con vídeo ", video("a"));
        QCOMPARE(lib->playlists().first().name, QString("Con vídeo"));
        QCOMPARE(lib->playlists().first().videos, QList<Video>{video("a")});

        Video renamed = video("a");
        renamed.title = QStringLiteral("otro título");
        lib->add(video("b"), withVideo);
        lib->add(renamed, withVideo);
        QCOMPARE(lib->playlists().first().videos, (QList<Video>{video("a"), video("b")}));

        lib->add(video("c"), "nope");
        QCOMPARE(lib->playlists().size(), 3);

        lib->remove("a", withVideo);
        QCOMPARE(lib->playlists().first().videos, QList<Video>{video("b")});

        lib->renamePlaylist(withVideo, "   ");
        QCOMPARE(lib->playlists().first().name, QString("Con vídeo"));
        lib->renamePlaylist(withVideo, "\tNombre\n");
        QCOMPARE(lib->playlists().first().name, QString("Nombre"));

        lib->deletePlaylist(withVideo);
        QCOMPARE(lib->playlists().size(), 2);
        QCOMPARE(lib->playlists().first().id, id);
    }

    void updateAvatar()
    {
        auto lib = fresh();
        lib->toggleSubscription("c1", "Canal", QStringLiteral("https://img/old.jpg"));
        lib->updateAvatar("c2", QStringLiteral("https://img/x.jpg"));
        QCOMPARE(lib->subscriptions().size(), 1);
        lib->updateAvatar("c1", QStringLiteral("https://img/new.jpg"));
        QCOMPARE(lib->subscriptions().first().avatar, std::optional<QString>("https://img/new.jpg"));
        lib->updateAvatar("c1", QVariant()); // from QML: undefined clears it
        QVERIFY(!lib->subscriptions().first().avatar);
    }

    void incognito()
    {
        auto lib = fresh();
        lib->addToHistory(video("a"));
        lib->setPosition("a", 30);
        LibraryStore::waitForWrites();
        const int revision = lib->revision();
        setIncognito(true);
        lib->addToHistory(video("b"));
        lib->setPosition("a", 60);
        lib->setPosition("b", 60);
        QCOMPARE(lib->history().size(), 1);
        QCOMPARE(lib->position("a"), 30.0);
        QCOMPARE(lib->position("b"), 0.0);
        QCOMPARE(lib->revision(), revision);
        // Likes and searches change as usual.
        lib->toggleLike(video("b"));
        lib->addSearch("secreto");
        QVERIFY(lib->isLiked("b"));
        QCOMPARE(lib->searches(), QStringList{"secreto"});
        lib->forgetPosition("a");
        QCOMPARE(lib->position("a"), 0.0);
        // Read at the moment of use.
        setIncognito(false);
        lib->addToHistory(video("b"));
        QCOMPARE(lib->history().size(), 2);
    }

    void nonFinitePositionIgnored()
    {
        auto lib = fresh();
        lib->setPosition("a", 12);
        lib->setPosition("a", qQNaN());
        lib->setPosition("b", qInf());
        QCOMPARE(lib->position("a"), 12.0);
        QCOMPARE(lib->position("b"), 0.0);
    }

    void notifications()
    {
        auto lib = fresh();
        QSignalSpy searches(lib.get(), &LibraryStore::searchesChanged);
        QSignalSpy liked(lib.get(), &LibraryStore::likedChanged);
        QSignalSpy history(lib.get(), &LibraryStore::historyChanged);
        QSignalSpy revision(lib.get(), &LibraryStore::revisionChanged);

        lib->clearSearches(); // equal (empty) list: no redraw
        lib->clearHistory();
        QCOMPARE(searches.count(), 0);
        QCOMPARE(history.count(), 0);
        QCOMPARE(revision.count(), 0);

        lib->toggleLike(video("a"));
        QCOMPARE(liked.count(), 1);
        QCOMPARE(revision.count(), 1);
        QCOMPARE(searches.count(), 0);

        QVERIFY(lib->importBackup(seed));
        const int after = revision.count();
        QVERIFY(lib->importBackup(seed)); // the same content again
        QCOMPARE(revision.count(), after);
        lib->setPosition("a", 40); // positions are not observed
        QCOMPARE(revision.count(), after);
    }

    void importBackup()
    {
        auto lib = fresh();
        lib->toggleLike(video("mine"));
        lib->addSearch("mía");
        lib->hideChannel("Fuera");
        lib->createPlaylist("Lista", std::nullopt);
        lib->setPosition("mine", 33);
        QStringList raised;
        lib->onSync = [&](const SyncEvent &e) { raised << describe(e); };

        const QList<Video> liked = lib->liked();
        for (const QByteArray &bad : {QByteArray("not json"), QByteArray("[]"), QByteArray(R"({"history":[]})"),
                                      QByteArray(R"({"history":[],"liked":[],"watchLater":[],"subscriptions":[],"searches":[1]})")}) {
            QVERIFY(!lib->importBackup(bad));
            QCOMPARE(lib->liked(), liked);
            QCOMPARE(lib->searches(), QStringList{"mía"});
            QCOMPARE(lib->playlists().size(), 1);
        }

        // No "playlists" or "hiddenChannels": both lists end up empty.
        QVERIFY(lib->importBackup(R"({"history":[],"liked":[{"id":"x"}],"watchLater":[],"subscriptions":[],"searches":[]})"));
        QCOMPARE(lib->liked().size(), 1);
        QCOMPARE(lib->liked().first().id, QString("x"));
        QVERIFY(lib->searches().isEmpty());
        QVERIFY(lib->playlists().isEmpty());
        QVERIFY(lib->hiddenChannels().isEmpty());
        QCOMPARE(lib->position("mine"), 33.0);
        QVERIFY(raised.isEmpty());

        // Caps and de-duplication are not applied to a restore.
        QJsonArray history;
        for (int i = 0; i < 400; ++i)
            history.append(QJsonObject{{"video", QJsonObject{{"id", "same"}}}, {"date", i}});
        QJsonArray searches;
        for (int i = 0; i < 30; ++i)
            searches.append(QStringLiteral("q%1").arg(i));
        const QJsonObject big{{"history", history}, {"liked", QJsonArray()}, {"watchLater", QJsonArray()},
                              {"subscriptions", QJsonArray()}, {"searches", searches}};
        QVERIFY(lib->importBackup(QJsonDocument(big).toJson()));
        QCOMPARE(lib->history().size(), 400);
        QCOMPARE(lib->searches().size(), 30);
    }

    void qmlFacingValues()
    {
        auto lib = fresh();
        lib->addToHistory(video("a", "Canal", 100));
        lib->setPosition("a", 50);
        const QVariantList history = lib->property("history").toList();
        QCOMPARE(history.size(), 1);
        QCOMPARE(history.first().value<HistoryEntry>().video.id, QString("a"));
        QCOMPARE(lib->property("inProgress").toList().size(), 1);
        QCOMPARE(lib->property("topChannels").toStringList(), QStringList{"Canal"});

        const QString id = lib->createPlaylist("Con", QVariant::fromValue(video("b")));
        QCOMPARE(lib->playlists().first().id, id);
        QCOMPARE(lib->playlists().first().videos.size(), 1);
        lib->createPlaylist("Sin", QVariant());
        QVERIFY(lib->playlists().first().videos.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLibraryStore)
#include "tst_librarystore.moc"
