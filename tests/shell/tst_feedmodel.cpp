#include "API.h"
#include "Account.h"
#include "AppFixture.h"
#include "AuthStore.h"
#include "Defaults.h"
#include "DiskCache.h"
#include "FeedModel.h"
#include "FileWriter.h"
#include "Interleave.h"
#include "LibraryStore.h"
#include "MemoryKeychain.h"
#include "Pref.h"
#include "SampleVideos.h"
#include "TestBackend.h"
#include "TestDirs.h"
#include "Warmer.h"
#include "WebSignIn.h"

#include <QDir>
#include <QFile>
#include <QJSEngine>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>
#include <QCoroTask>
#include <memory>

namespace {

QJsonObject videoJson(const QString &id, const QString &channel = QStringLiteral("Canal"), qint64 duration = 600,
                      bool live = false)
{
    return QJsonObject{{"id", id},
                       {"title", QStringLiteral("Vídeo ") + id},
                       {"channel", channel},
                       {"duration", duration},
                       {"live", live}};
}

// "p1..p5" with prefix p: ids p1, p2, …
QJsonArray videosJson(const QString &prefix, int from, int to, const QString &channel = QStringLiteral("Canal"))
{
    QJsonArray out;
    for (int i = from; i <= to; ++i)
        out.append(videoJson(prefix + QString::number(i), channel));
    return out;
}

QByteArray body(const QJsonArray &a) { return QJsonDocument(a).toJson(QJsonDocument::Compact); }

QList<Video> decoded(const QJsonArray &a) { return Json::decode<QList<Video>>(body(a)); }

QList<Video> cached(const QString &key)
{
    FileWriter::shared().drain();
    return DiskCache::load<QList<Video>>(key).result().value_or(QList<Video>{});
}

bool cacheFileExists(const QString &key)
{
    FileWriter::shared().drain();
    return QFile::exists(DiskCache::path(key));
}

void saveCache(const QString &key, const QList<Video> &list)
{
    DiskCache::save(list, key);
    FileWriter::shared().drain();
}

QString queryValue(const RequestRecord &r, const QString &name)
{
    return QUrlQuery(r.rawQuery).queryItemValue(name, QUrl::FullyDecoded);
}

} // namespace

class TestFeedModel : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestBackend> m_backend;
    QList<QStringList> m_warmed;

    // The reply of one endpoint for requests naming `id` (a path segment or
    // a query value), served in place of the fixtures.
    void serve(const QString &path, const QString &id, const QJsonArray &videos, int delayMs = 0, int times = -1)
    {
        m_backend->servePath(path, id, body(videos), delayMs, times);
    }

    void failing(const QString &path, const QString &id, int status, const QString &message, int delayMs = 0)
    {
        FaultRule rule;
        rule.pathPrefix = path;
        rule.id = id;
        rule.status = status;
        rule.message = message;
        rule.delayMs = delayMs;
        m_backend->addFault(rule);
    }

    QList<RequestRecord> requests(const QString &path) const { return m_backend->requests().matching(path); }

    QStringList feedRequests() const
    {
        QStringList out;
        for (const RequestRecord &r : requests(QStringLiteral("/api/")))
            if (r.path == QLatin1String("/api/feed") || r.path == QLatin1String("/api/me/feed") ||
                r.path == QLatin1String("/api/search"))
                out.append(r.path + QLatin1Char('?') + r.rawQuery);
        return out;
    }

    static void await(QCoro::Task<> task) { QCoro::waitFor(std::move(task)); }

private slots:
    void initTestCase()
    {
        AppFixture::prepare();
        m_backend = std::make_unique<TestBackend>();
        QVERIFY2(m_backend->isRunning(), qPrintable(m_backend->error()));
        QVERIFY(API::shared().setBaseUrl(QUrl(m_backend->origin())));
        Warmer::setSender([this](const QStringList &ids) { m_warmed.append(ids); });
    }

    void init()
    {
        FileWriter::shared().drain();
        TestDirs::isolate();
        m_backend->clearFaults();
        m_backend->requests().clear();
        API::shared().setSession(std::nullopt);
        m_warmed.clear();
    }

    void cleanupTestCase() { Warmer::setSender({}); }

    void keys_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<bool>("loggedIn");
        QTest::addColumn<QString>("loadKey");
        QTest::addColumn<QString>("cacheKey");
        QTest::newRow("personal, signed out") << "foryou" << false << "foryou" << "feed-foryou";
        QTest::newRow("personal, signed in") << "foryou" << true << "foryou+acct" << "feed-me-home";
        QTest::newRow("other, signed out") << "music" << false << "music" << "feed-music";
        QTest::newRow("other, signed in") << "music" << true << "music" << "feed-music";
    }
    void keys()
    {
        QFETCH(QString, category);
        QFETCH(bool, loggedIn);
        QFETCH(QString, loadKey);
        QFETCH(QString, cacheKey);
        QCOMPARE(FeedModel::loadKeyFor(category, loggedIn), loadKey);
        QCOMPARE(FeedModel::cacheKeyFor(category, loggedIn), cacheKey);
    }

    void categoriesFromTheBackend_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("a list replaces all") << 0 << QByteArray(R"([{"id":"a","name":"A"},{"id":"foryou","name":"Para ti"}])")
                                             << QStringList{"a", "foryou"};
        QTest::newRow("an empty list keeps the built-in rows") << 0 << QByteArray("[]") << QStringList{};
        QTest::newRow("a failure keeps them") << 500 << QByteArray() << QStringList{};
    }
    void categoriesFromTheBackend()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, expected);
        FaultRule rule;
        rule.pathPrefix = QStringLiteral("/api/categories");
        rule.status = status;
        if (!reply.isEmpty()) {
            rule.body = FaultRule::Body::Raw;
            rule.rawBody = reply;
        }
        m_backend->addFault(rule);

        FeedModel model;
        QSignalSpy changed(&model, &FeedModel::categoriesChanged);
        await(model.loadCategories());
        QStringList got;
        for (const Category &c : model.categories())
            got.append(c.id);
        if (expected.isEmpty()) {
            QCOMPARE(model.categories(), FeedModel::defaultCategories());
            QCOMPARE(changed.size(), 0);
        } else {
            QCOMPARE(got, expected);
            QCOMPARE(changed.size(), 1);
        }
    }

    void visibleCategoriesKeepThePersonalOne_data()
    {
        QTest::addColumn<QString>("hidden");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("none") << "" << QStringList{"foryou", "music", "gaming", "news", "sports", "tech", "movies", "learn", "comedy"};
        QTest::newRow("music and news with an empty entry") << "music,,news" << QStringList{"foryou", "gaming", "sports", "tech", "movies", "learn", "comedy"};
        QTest::newRow("foryou cannot be hidden") << "foryou,comedy" << QStringList{"foryou", "music", "gaming", "news", "sports", "tech", "movies", "learn"};
        QTest::newRow("unknown ids ignored") << "zzz," << QStringList{"foryou", "music", "gaming", "news", "sports", "tech", "movies", "learn", "comedy"};
    }
    void visibleCategoriesKeepThePersonalOne()
    {
        QFETCH(QString, hidden);
        QStringList got;
        for (const Category &c : FeedModel::visibleCategories(FeedModel::defaultCategories(), hidden))
            got.append(c.id);
        QFETCH(QStringList, expected);
        QCOMPARE(got, expected);
    }

    // No cache file: loading with nothing shown, then the backend's page,
    // saved whole and its first eight warmed.
    void firstStartWithoutCache()
    {
        const QJsonArray page = videosJson(QStringLiteral("first"), 1, 12);
        serve(QStringLiteral("/api/feed"), QStringLiteral("music"), page, 300);

        FeedModel model;
        model.setSelected(QStringLiteral("music"));
        auto task = model.reload({}, false);
        QVERIFY(TestTime::waitFor([&] { return model.state().isLoading(); }, 3000));
        QVERIFY(model.items().isEmpty());
        await(std::move(task));

        QVERIFY(model.state().isLoaded());
        QCOMPARE(model.items(), decoded(page));
        QCOMPARE(model.loadedFor(), QStringLiteral("music"));
        QCOMPARE(model.page(), 0);
        QCOMPARE(feedRequests(), QStringList{"/api/feed?cat=music&page=0"});
        QCOMPARE(cached(QStringLiteral("feed-music")), decoded(page));
        QCOMPARE(m_warmed, QList<QStringList>{ids(decoded(page)).mid(0, 8)});
    }

    void cachedListFirstThenTheNetwork()
    {
        const QList<Video> old = decoded(videosJson(QStringLiteral("old"), 1, 3));
        saveCache(QStringLiteral("feed-news"), old);
        const QJsonArray fresh = videosJson(QStringLiteral("fresh"), 1, 5);
        serve(QStringLiteral("/api/feed"), QStringLiteral("news"), fresh, 400);

        FeedModel model;
        model.setSelected(QStringLiteral("news"));
        auto task = model.reload({}, false);
        QVERIFY(TestTime::waitFor([&] { return !model.items().isEmpty(); }, 3000));
        QCOMPARE(model.items(), old);
        QVERIFY(model.state().isLoaded());
        QVERIFY(model.loadedFor().isEmpty());
        await(std::move(task));
        QCOMPARE(model.items(), decoded(fresh));
        QCOMPARE(cached(QStringLiteral("feed-news")), decoded(fresh));
    }

    // When a reload asks the backend again.
    void skipRule_data()
    {
        QTest::addColumn<bool>("force");
        QTest::addColumn<bool>("emptyPage");
        QTest::addColumn<bool>("requests");
        QTest::newRow("same key, items shown: nothing") << false << false << false;
        QTest::newRow("forced") << true << false << true;
        QTest::newRow("same key but nothing shown") << false << true << true;
    }
    void skipRule()
    {
        QFETCH(bool, force);
        QFETCH(bool, emptyPage);
        if (emptyPage)
            serve(QStringLiteral("/api/feed"), QStringLiteral("gaming"), {});
        FeedModel model;
        model.setSelected(QStringLiteral("gaming"));
        await(model.reload({}, false));
        const qsizetype before = feedRequests().size();
        QCOMPARE(before, 1);

        QSignalSpy state(&model, &FeedModel::stateChanged);
        await(model.reload({}, force));
        QFETCH(bool, requests);
        QCOMPARE(feedRequests().size() - before, requests ? 1 : 0);
        if (!force && !emptyPage)
            QCOMPARE(state.size(), 0);
    }

    // A forced reload shows the cached list again at once, then the fresh one.
    void forcedReloadShowsTheCacheAgain()
    {
        serve(QStringLiteral("/api/feed"), QStringLiteral("tech"), videosJson(QStringLiteral("t"), 1, 4), 0, 1);
        FeedModel model;
        model.setSelected(QStringLiteral("tech"));
        await(model.reload({}, false));
        // Something else on screen (a page appended), then the refresh.
        serve(QStringLiteral("/api/feed"), QStringLiteral("1"), videosJson(QStringLiteral("more"), 1, 2), 0, 1);
        await(model.loadMore());
        QCOMPARE(model.items().size(), 6);

        serve(QStringLiteral("/api/feed"), QStringLiteral("tech"), videosJson(QStringLiteral("n"), 1, 3), 400, 1);
        FileWriter::shared().drain();
        auto task = model.reload({}, true);
        QVERIFY(TestTime::waitFor([&] { return model.items().size() == 4; }, 3000));
        QCOMPARE(ids(model.items()).first(), QStringLiteral("t1"));
        await(std::move(task));
        QCOMPARE(ids(model.items()), QStringList({"n1", "n2", "n3"}));
        QVERIFY(model.canMore());
    }

    // Signed in on "Para ti": the account feed, or "foryou" when it fails or is empty.
    void accountFeedWithItsFallback_data()
    {
        QTest::addColumn<int>("accountStatus");
        QTest::addColumn<bool>("accountEmpty");
        QTest::addColumn<QStringList>("expectedRequests");
        QTest::addColumn<QString>("expectedFirst");
        QTest::newRow("account feed") << 0 << false << QStringList{"/api/me/feed?kind=home&page=0"} << "acc1";
        QTest::newRow("account feed fails") << 500 << false
                                            << QStringList{"/api/me/feed?kind=home&page=0", "/api/feed?cat=foryou&page=0"}
                                            << "cat1";
        QTest::newRow("account feed empty") << 0 << true
                                            << QStringList{"/api/me/feed?kind=home&page=0", "/api/feed?cat=foryou&page=0"}
                                            << "cat1";
    }
    void accountFeedWithItsFallback()
    {
        QFETCH(int, accountStatus);
        QFETCH(bool, accountEmpty);
        API::shared().setSession(m_backend->session());
        if (accountStatus)
            failing(QStringLiteral("/api/me/feed"), {}, accountStatus, QStringLiteral("Fallo"));
        else
            serve(QStringLiteral("/api/me/feed"), {}, accountEmpty ? QJsonArray{} : videosJson(QStringLiteral("acc"), 1, 5));
        serve(QStringLiteral("/api/feed"), QStringLiteral("foryou"), videosJson(QStringLiteral("cat"), 1, 5));

        FeedModel model;
        model.setLoggedIn(true);
        await(model.reload({QStringLiteral("Nunca buscado")}, false));
        QFETCH(QStringList, expectedRequests);
        QFETCH(QString, expectedFirst);
        QCOMPARE(feedRequests(), expectedRequests);
        QCOMPARE(model.items().first().id, expectedFirst);
        QCOMPARE(model.loadedFor(), QStringLiteral("foryou+acct"));
        QCOMPARE(cached(QStringLiteral("feed-me-home")), model.items());
        QVERIFY(!cacheFileExists(QStringLiteral("feed-foryou")));
    }

    // Signed out on "Para ti": the category feed blended with the first two
    // most watched channels (at most 10 each), capped at 80.
    void personalBlend_data()
    {
        QTest::addColumn<QStringList>("personal");
        QTest::addColumn<bool>("failFirstSearch");
        QTest::addColumn<QStringList>("searched");
        QTest::newRow("no history: the feed alone") << QStringList{} << false << QStringList{};
        QTest::newRow("one channel") << QStringList{"Canal A"} << false << QStringList{"Canal A"};
        QTest::newRow("two of three channels") << QStringList{"Canal A", "Canal B", "Canal C"} << false
                                               << QStringList{"Canal A", "Canal B"};
        QTest::newRow("a failed search is skipped") << QStringList{"Canal A", "Canal B"} << true
                                                    << QStringList{"Canal A", "Canal B"};
    }
    void personalBlend()
    {
        QFETCH(QStringList, personal);
        QFETCH(bool, failFirstSearch);
        QFETCH(QStringList, searched);

        // 90 feed videos with a live one, a short one and one shared with a channel.
        QJsonArray feed = videosJson(QStringLiteral("f"), 1, 90);
        feed[1] = videoJson(QStringLiteral("live"), QStringLiteral("Canal"), 600, true);
        feed[2] = videoJson(QStringLiteral("short"), QStringLiteral("Canal"), 60);
        feed[3] = videoJson(QStringLiteral("a3"), QStringLiteral("Canal A"));
        serve(QStringLiteral("/api/feed"), QStringLiteral("foryou"), feed);
        const QJsonArray a = videosJson(QStringLiteral("a"), 1, 15, QStringLiteral("Canal A"));
        const QJsonArray b = videosJson(QStringLiteral("b"), 1, 15, QStringLiteral("Canal B"));
        if (failFirstSearch)
            failing(QStringLiteral("/api/search"), QStringLiteral("Canal A"), 500, QStringLiteral("Fallo"));
        else
            serve(QStringLiteral("/api/search"), QStringLiteral("Canal A"), a);
        serve(QStringLiteral("/api/search"), QStringLiteral("Canal B"), b);

        FeedModel model;
        await(model.reload(personal, false));

        QStringList queries;
        for (const RequestRecord &r : requests(QStringLiteral("/api/search"))) {
            QCOMPARE(queryValue(r, QStringLiteral("page")), QStringLiteral("0"));
            QVERIFY(!QUrlQuery(r.rawQuery).hasQueryItem(QStringLiteral("f")));
            queries.append(queryValue(r, QStringLiteral("q")));
        }
        QCOMPARE(queries, searched);

        QList<QList<Video>> lists{decoded(feed)};
        for (const QString &name : searched) {
            if (name == QLatin1String("Canal A") && !failFirstSearch)
                lists.append(decoded(a).mid(0, 10));
            if (name == QLatin1String("Canal B"))
                lists.append(decoded(b).mid(0, 10));
        }
        const QList<Video> expected = lists.size() == 1 ? lists.first() : interleave(lists, 80);
        QCOMPARE(ids(model.items()), ids(expected));

        if (lists.size() == 1) {
            QCOMPARE(model.items().size(), 90); // no cap, nothing left out
        } else {
            QVERIFY(model.items().size() <= 80);
            QSet<QString> seen;
            for (const Video &v : model.items()) {
                QVERIFY(!v.live);
                QVERIFY(v.duration >= 61);
                QVERIFY(!seen.contains(v.id));
                seen.insert(v.id);
            }
        }
        QCOMPARE(cached(QStringLiteral("feed-foryou")), model.items());
    }

    // How a further page ends: appended, or the end of paging.
    void paging_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("appended");
        QTest::newRow("new videos") << "new" << true;
        QTest::newRow("only videos already shown") << "shown" << false;
        QTest::newRow("an empty page") << "empty" << false;
        QTest::newRow("a failed page") << "failed" << false;
    }
    void paging()
    {
        QFETCH(QString, page);
        QFETCH(bool, appended);
        const QJsonArray first = videosJson(QStringLiteral("p"), 1, 5);
        serve(QStringLiteral("/api/feed"), QStringLiteral("0"), first);
        if (page == QLatin1String("new")) {
            QJsonArray next = videosJson(QStringLiteral("q"), 1, 3);
            next.append(videoJson(QStringLiteral("p2"))); // already shown: left out
            next.append(videoJson(QStringLiteral("q1"))); // repeated in the page: once
            serve(QStringLiteral("/api/feed"), QStringLiteral("1"), next);
        } else if (page == QLatin1String("shown")) {
            serve(QStringLiteral("/api/feed"), QStringLiteral("1"), first);
        } else if (page == QLatin1String("empty")) {
            serve(QStringLiteral("/api/feed"), QStringLiteral("1"), {});
        } else {
            failing(QStringLiteral("/api/feed"), QStringLiteral("1"), 500, QStringLiteral("Fallo"));
        }

        FeedModel model;
        model.setSelected(QStringLiteral("sports"));
        await(model.reload({}, false));
        await(model.loadMore());

        QVERIFY(!model.loadingMore());
        QCOMPARE(model.canMore(), appended);
        if (appended) {
            QCOMPARE(ids(model.items()), QStringList({"p1", "p2", "p3", "p4", "p5", "q1", "q2", "q3"}));
            QCOMPARE(model.page(), 1);
        } else {
            QCOMPARE(ids(model.items()), ids(decoded(first)));
            QCOMPARE(model.page(), 0);
            // Paging stays over until the next reload…
            await(model.loadMore());
            QCOMPARE(requests(QStringLiteral("/api/feed")).size(), 2);
            // …which opens it again.
            await(model.reload({}, true));
            QVERIFY(model.canMore());
        }
        // The cache keeps the first page only.
        QCOMPARE(cached(QStringLiteral("feed-sports")), decoded(first));
    }

    void onePageRequestAtATime()
    {
        serve(QStringLiteral("/api/feed"), QStringLiteral("1"), videosJson(QStringLiteral("x"), 1, 3), 300);
        FeedModel model;
        model.setSelected(QStringLiteral("learn"));
        auto idle = model.loadMore(); // nothing loaded yet: no page
        await(std::move(idle));
        QVERIFY(requests(QStringLiteral("/api/feed")).isEmpty());

        await(model.reload({}, false));
        auto first = model.loadMore();
        QVERIFY(model.loadingMore());
        auto second = model.loadMore();
        await(std::move(second));
        await(std::move(first));
        QVERIFY(!model.loadingMore());
        QStringList pages;
        for (const RequestRecord &r : requests(QStringLiteral("/api/feed")))
            pages.append(queryValue(r, QStringLiteral("page")));
        QCOMPARE(pages, QStringList({"0", "1"}));
        QCOMPARE(model.page(), 1);
    }

    // A page that arrives after the category changed is dropped, and the new
    // category keeps paging.
    void lateNextPageIsDropped_data()
    {
        QTest::addColumn<bool>("fails");
        QTest::newRow("page arrives") << false;
        QTest::newRow("page fails") << true;
    }
    void lateNextPageIsDropped()
    {
        QFETCH(bool, fails);
        serve(QStringLiteral("/api/feed"), QStringLiteral("music"), videosJson(QStringLiteral("m"), 1, 3), 0, 1);
        serve(QStringLiteral("/api/feed"), QStringLiteral("news"), videosJson(QStringLiteral("n"), 1, 3), 0, 1);
        if (fails)
            failing(QStringLiteral("/api/feed"), QStringLiteral("1"), 500, QStringLiteral("Fallo"), 500);
        else
            serve(QStringLiteral("/api/feed"), QStringLiteral("1"), videosJson(QStringLiteral("late"), 1, 3), 500, 1);

        FeedModel model;
        model.setSelected(QStringLiteral("music"));
        await(model.reload({}, false));
        auto stale = model.loadMore();
        QVERIFY(model.loadingMore());

        model.setSelected(QStringLiteral("news"));
        await(model.reload({}, false));
        QCOMPARE(ids(model.items()), QStringList({"n1", "n2", "n3"}));
        await(std::move(stale));

        QCOMPARE(ids(model.items()), QStringList({"n1", "n2", "n3"}));
        QVERIFY(!model.loadingMore());
        QVERIFY(model.canMore());
        QCOMPARE(model.page(), 0);

        // The news list pages on.
        m_backend->clearFaults();
        serve(QStringLiteral("/api/feed"), QStringLiteral("1"), videosJson(QStringLiteral("n"), 4, 5));
        await(model.loadMore());
        QCOMPARE(ids(model.items()), QStringList({"n1", "n2", "n3", "n4", "n5"}));
        const RequestRecord last = requests(QStringLiteral("/api/feed")).last();
        QCOMPARE(queryValue(last, QStringLiteral("cat")), QStringLiteral("news"));
    }

    // The same for a page of "Para ti" when the account changed meanwhile.
    void pageOfTheOtherAccountStateIsDropped()
    {
        serve(QStringLiteral("/api/feed"), QStringLiteral("0"), videosJson(QStringLiteral("out"), 1, 3));
        serve(QStringLiteral("/api/feed"), QStringLiteral("1"), videosJson(QStringLiteral("late"), 1, 3), 500);
        FeedModel model;
        await(model.reload({}, false));
        auto stale = model.loadMore();
        model.setLoggedIn(true);
        await(std::move(stale));
        QCOMPARE(ids(model.items()), QStringList({"out1", "out2", "out3"}));
        QVERIFY(model.canMore());
        QVERIFY(!model.loadingMore());
    }

    void lateFirstPageIsDropped()
    {
        serve(QStringLiteral("/api/feed"), QStringLiteral("music"), videosJson(QStringLiteral("m"), 1, 3), 500);
        serve(QStringLiteral("/api/feed"), QStringLiteral("news"), videosJson(QStringLiteral("n"), 1, 3));
        FeedModel model;
        model.setSelected(QStringLiteral("music"));
        auto late = model.reload({}, false);
        QTest::qWait(100);
        model.setSelected(QStringLiteral("news"));
        await(model.reload({}, false));
        await(std::move(late));
        QCOMPARE(ids(model.items()), QStringList({"n1", "n2", "n3"}));
        QCOMPARE(model.loadedFor(), QStringLiteral("news"));
        // The dropped reply wrote no cache either.
        QVERIFY(!cacheFileExists(QStringLiteral("feed-music")));
    }

    // A load keeps the keys it started with across a sign-in or sign-out;
    // an account's list that ends after the sign-out is not kept at all.
    void keysFixedAcrossAccountChanges_data()
    {
        QTest::addColumn<bool>("signedInAtStart");
        QTest::addColumn<QString>("ownFile");
        QTest::addColumn<QString>("otherFile");
        QTest::newRow("sign-in during the load") << false << "feed-foryou" << "feed-me-home";
        QTest::newRow("sign-out during the load") << true << "" << "feed-foryou";
    }
    void keysFixedAcrossAccountChanges()
    {
        QFETCH(bool, signedInAtStart);
        QFETCH(QString, ownFile);
        QFETCH(QString, otherFile);
        API::shared().setSession(m_backend->session());
        serve(QStringLiteral("/api/feed"), QStringLiteral("foryou"), videosJson(QStringLiteral("c"), 1, 3), 400);
        serve(QStringLiteral("/api/me/feed"), {}, videosJson(QStringLiteral("a"), 1, 3), 400);

        FeedModel model;
        model.setLoggedIn(signedInAtStart);
        auto task = model.reload({}, false);
        QTest::qWait(100);
        model.setLoggedIn(!signedInAtStart);
        await(std::move(task));

        if (ownFile.isEmpty())
            QVERIFY(!cacheFileExists(QStringLiteral("feed-me-home")));
        else
            QCOMPARE(cached(ownFile), model.items());
        QVERIFY(!cacheFileExists(otherFile));
        QCOMPARE(model.loadedFor(), signedInAtStart ? QStringLiteral("foryou+acct") : QStringLiteral("foryou"));
        // So the next reload, under the new state, loads again.
        const qsizetype before = feedRequests().size();
        await(model.reload({}, false));
        QVERIFY(feedRequests().size() > before);
    }

    // A failed first page: an error only when nothing is on screen.
    void firstPageFailure_data()
    {
        QTest::addColumn<bool>("withCache");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("no cache: failed with the server's text") << false << 500 << "El servidor se cayó";
        QTest::newRow("no cache: a reply without a message") << false << 502 << "";
        QTest::newRow("cached list stays") << true << 500 << "El servidor se cayó";
        QTest::newRow("no cache: status 0, slower than the time-out") << false << 0 << "Se agotó el tiempo de espera de la solicitud.";
    }
    void firstPageFailure()
    {
        QFETCH(bool, withCache);
        QFETCH(int, status);
        QFETCH(QString, message);
        const QList<Video> old = decoded(videosJson(QStringLiteral("old"), 1, 2));
        if (withCache)
            saveCache(QStringLiteral("feed-comedy"), old);
        FaultRule rule;
        rule.pathPrefix = QStringLiteral("/api/feed");
        rule.status = status;
        if (message.isEmpty()) {
            rule.body = FaultRule::Body::Html;
        } else {
            rule.message = message;
        }
        const int timeout = API::shared().transferTimeout();
        if (status == 0) {
            rule.delayMs = 1500;
            API::shared().setTransferTimeout(300);
        }
        m_backend->addFault(rule);

        FeedModel model;
        model.setSelected(QStringLiteral("comedy"));
        await(model.reload({}, false));
        API::shared().setTransferTimeout(timeout);
        if (withCache) {
            QVERIFY(model.state().isLoaded());
            QCOMPARE(model.items(), old);
        } else {
            QVERIFY(model.state().isFailed());
            QCOMPARE(model.state().message,
                     message.isEmpty() ? QStringLiteral("El servidor no respondió correctamente.") : message);
        }
        QVERIFY(model.loadedFor().isEmpty());

        // The next plain reload asks again, and a success replaces the failure.
        m_backend->clearFaults();
        await(model.reload({}, false));
        QVERIFY(model.state().isLoaded());
        QCOMPARE(model.loadedFor(), QStringLiteral("comedy"));
        QTRY_COMPARE(requests(QStringLiteral("/api/feed")).size(), 2); // a slow one is logged when it ends
    }

    // A load the screen called off changes nothing when its reply comes.
    void calledOffLoadChangesNothing_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("reply") << 0;
        QTest::newRow("failure") << 500;
    }
    void calledOffLoadChangesNothing()
    {
        QFETCH(int, status);
        if (status)
            failing(QStringLiteral("/api/feed"), {}, status, QStringLiteral("Fallo"), 400);
        else
            serve(QStringLiteral("/api/feed"), {}, videosJson(QStringLiteral("v"), 1, 3), 400);
        FeedModel model;
        model.setSelected(QStringLiteral("movies"));
        model.setOnScreen(true);
        QVERIFY(TestTime::waitFor([&] { return model.state().isLoading(); }, 3000));
        model.setOnScreen(false);
        // The backend logs the request as its reply goes out.
        QTRY_COMPARE(requests(QStringLiteral("/api/feed")).size(), 1);
        QTest::qWait(300);
        QVERIFY(model.state().isLoading());
        QVERIFY(model.items().isEmpty());
        QVERIFY(model.loadedFor().isEmpty());
        QVERIFY(!cacheFileExists(QStringLiteral("feed-movies")));
    }

    // The screen's task runs when the screen comes, and again when its key
    // (the chip, the sign-in state) changes while it stays; leaving the
    // screen calls it off, and nothing runs while away.
    void screenTask_data()
    {
        QTest::addColumn<bool>("signedIn"); // when the screen comes
        QTest::addColumn<QString>("step");
        QTest::addColumn<QStringList>("asked"); // by the step
        QTest::addColumn<QString>("loadedFor");

        QTest::newRow("another chip") << false << "music" << QStringList{"/api/feed?cat=music&page=0"} << "music";
        QTest::newRow("signs out on Para ti") << true << "sign-out" << QStringList{"/api/feed?cat=foryou&page=0"} << "foryou";
        QTest::newRow("signs out on another chip: loaded already") << true << "music, sign-out"
                                                                   << QStringList{"/api/feed?cat=music&page=0"} << "music";
        QTest::newRow("chip changed while away") << false << "away, music" << QStringList{} << "foryou";
        QTest::newRow("comes back: same key, nothing asked") << false << "away, back" << QStringList{} << "foryou";
        QTest::newRow("comes back to another chip") << false << "away, music, back"
                                                    << QStringList{"/api/feed?cat=music&page=0"} << "music";
        QTest::newRow("goes away mid-load") << false << "slow music, away" << QStringList{"/api/feed?cat=music&page=0"}
                                            << "foryou";
    }
    void screenTask()
    {
        QFETCH(bool, signedIn);
        QFETCH(QString, step);
        QFETCH(QStringList, asked);
        QFETCH(QString, loadedFor);
        MemoryKeychain keychain;
        WebSignIn web(WebSignIn::Backing::Memory);
        if (signedIn) {
            keychain.set(QStringLiteral("session"), m_backend->session());
            Account a;
            a.name = QStringLiteral("Usuario de prueba");
            Defaults::shared().setValue(QLatin1String(AuthStore::accountKey),
                                        QString::fromUtf8(QJsonDocument(a.toJson()).toJson(QJsonDocument::Compact)));
        } else {
            Defaults::shared().remove(QLatin1String(AuthStore::accountKey));
        }
        AuthStore auth(keychain, web);
        QCOMPARE(auth.signedIn(), signedIn);

        FeedModel model;
        model.setAuth(&auth);
        QCOMPARE(model.taskKey(), signedIn ? QStringLiteral("foryou-true") : QStringLiteral("foryou-false"));
        model.setOnScreen(true);
        QVERIFY(TestTime::waitFor([&] { return model.state().isLoaded(); }, 5000));
        QCOMPARE(model.loadedFor(), signedIn ? QStringLiteral("foryou+acct") : QStringLiteral("foryou"));
        QTRY_COMPARE(requests(QStringLiteral("/api/categories")).size(), 1);
        m_backend->requests().clear();

        for (const QString &s : step.split(QStringLiteral(", "))) {
            if (s == u"sign-out") {
                QCoro::waitFor(auth.logout(false));
                QCOMPARE(model.taskKey(), model.selected() + QStringLiteral("-false"));
            } else if (s == u"away") {
                model.setOnScreen(false);
            } else if (s == u"back") {
                model.setOnScreen(true);
            } else if (s == u"slow music") {
                serve(QStringLiteral("/api/feed"), QStringLiteral("music"), videosJson(QStringLiteral("m"), 1, 3), 400);
                model.setSelected(QStringLiteral("music"));
                QVERIFY(TestTime::waitFor([&] { return model.state().isLoading(); }, 3000));
            } else {
                model.setSelected(s);
                if (model.onScreen())
                    QTRY_COMPARE(model.loadedFor(), s);
            }
            QTest::qWait(50);
        }
        QTest::qWait(600);
        QCOMPARE(feedRequests(), asked);
        QCOMPARE(model.loadedFor(), loadedFor);
    }

    // The screen task reads the library: shown before the library is loaded,
    // it waits for it (also through going away and coming back) and then asks
    // with the channels of the real history, once.
    void screenTaskWaitsForTheLibrary_data()
    {
        QTest::addColumn<bool>("awayAndBack");
        QTest::newRow("shown") << false;
        QTest::newRow("away and back while waiting") << true;
    }
    void screenTaskWaitsForTheLibrary()
    {
        QFETCH(bool, awayAndBack);
        QVERIFY(QDir().mkpath(TestDirs::dataDir()));
        QFile file(TestDirs::dataDir() + QStringLiteral("/library.json"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({"history":[{"video":{"id":"h1","channel":"Canal A"},"date":5},)"
                   R"({"video":{"id":"h2","channel":"Canal A"},"date":4}],)"
                   R"("liked":[],"watchLater":[],"subscriptions":[],"searches":[]})");
        file.close();
        serve(QStringLiteral("/api/feed"), QStringLiteral("foryou"), videosJson(QStringLiteral("f"), 1, 5));
        serve(QStringLiteral("/api/search"), QStringLiteral("Canal A"), videosJson(QStringLiteral("a"), 1, 5, QStringLiteral("Canal A")));

        LibraryStore library;
        FeedModel model;
        model.setLibrary(&library);
        model.setOnScreen(true);
        if (awayAndBack) {
            model.setOnScreen(false);
            model.setOnScreen(true);
        }
        QVERIFY(!library.isLoaded());
        QVERIFY(TestTime::waitFor([&] { return model.state().isLoaded(); }, 5000));
        QVERIFY(library.isLoaded());
        QTest::qWait(100);
        QStringList asked = feedRequests();
        asked.sort();
        QCOMPARE(asked, (QStringList{"/api/feed?cat=foryou&page=0", "/api/search?page=0&q=Canal%20A"}));
    }

    // Pull to refresh takes the sign-in state of the moment; the error's
    // retry keeps that of the last load.
    void refreshAndRetry()
    {
        MemoryKeychain keychain;
        WebSignIn web(WebSignIn::Backing::Memory);
        keychain.set(QStringLiteral("session"), m_backend->session());
        Account a;
        a.name = QStringLiteral("Usuario de prueba");
        Defaults::shared().setValue(QLatin1String(AuthStore::accountKey),
                                    QString::fromUtf8(QJsonDocument(a.toJson()).toJson(QJsonDocument::Compact)));
        AuthStore auth(keychain, web);
        FeedModel model;
        model.setAuth(&auth);

        model.retry();
        QVERIFY(TestTime::waitFor([&] { return model.state().isLoaded(); }, 5000));
        QCOMPARE(model.loadedFor(), QStringLiteral("foryou"));
        model.refresh();
        QTRY_COMPARE(model.loadedFor(), QStringLiteral("foryou+acct"));
        QCOMPARE(feedRequests().size(), 2);
        QCOMPARE(feedRequests().last(), QStringLiteral("/api/me/feed?kind=home&page=0"));
    }

    void refreshCallsBackWhenDone()
    {
        FeedModel model;
        model.setSelected(QStringLiteral("music"));
        QJSEngine engine;
        engine.evaluate(QStringLiteral("var hits = 0"));
        const QJSValue callback = engine.evaluate(QStringLiteral("(function() { hits += 1 })"));
        QVERIFY(callback.isCallable());
        model.refresh(callback);
        auto hits = [&] { return engine.globalObject().property(QStringLiteral("hits")).toInt(); };
        QVERIFY(TestTime::waitFor([&] { return hits() == 1; }, 5000));
        QVERIFY(model.state().isLoaded());
        // Without a function it just loads.
        model.refresh();
        QTest::qWait(300);
        QCOMPARE(hits(), 1);
    }
};

QTEST_GUILESS_MAIN(TestFeedModel)
#include "tst_feedmodel.moc"
