// The models built on channel pages: the subscriptions feed, the channel page.
#include "AppFixture.h"
#include "ChannelModel.h"
#include "DiskCache.h"
#include "FileWriter.h"
#include "Fixtures.h"
#include "Haptics.h"
#include "Opener.h"
#include "Pasteboard.h"
#include "SampleVideos.h"
#include "SubsModel.h"
#include "Warmer.h"
#include "YouTubeLink.h"

#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>
#include <QUrlQuery>

namespace {

QStringList numbered(const QString &prefix, int count)
{
    QStringList out;
    for (int i = 0; i < count; ++i)
        out.append(prefix + QString::number(i));
    return out;
}

QByteArray videos(const QStringList &ids, bool asChannelPage = true)
{
    QJsonArray list;
    for (const QString &id : ids)
        list.append(QJsonObject{{"id", id}, {"duration", 600}});
    const QJsonDocument doc = asChannelPage ? QJsonDocument(QJsonObject{{"id", "CH"}, {"name", "Canal"}, {"description", ""},
                                                                        {"verified", false}, {"videos", list}})
                                            : QJsonDocument(list);
    return doc.toJson(QJsonDocument::Compact);
}

QList<Subscription> subs(int count)
{
    QList<Subscription> out;
    for (const QString &id : numbered(u"UC"_qs, count))
        out.append(Subscription{id, u"Canal"_qs, {}});
    return out;
}

QList<Video> cached(const QString &key)
{
    FileWriter::shared().drain();
    return DiskCache::load<QList<Video>>(key).result().value_or(QList<Video>{});
}

} // namespace

class TestChannelFeeds : public QObject
{
    Q_OBJECT

    AppFixture m_app;
    QList<QStringList> m_warmed;

    // Requests under `path` naming `id` get `body` (or `status`) after `delayMs`.
    void reply(const QString &path, const QString &id, const QByteArray &body, int status = 0, int delayMs = 0)
    {
        const auto kind = status ? FaultRule::Body::Default : FaultRule::Body::Raw;
        m_app->addFault({.pathPrefix = path, .id = id, .status = status, .body = kind, .rawBody = body, .delayMs = delayMs});
    }
    // Channel UC<i> shows videos "UC<i>-<n>".
    void channel(int i, int count, int delayMs = 0, int status = 0)
    {
        reply(u"/api/channel/"_qs, u"UC%1"_qs.arg(i), videos(numbered(u"UC%1-"_qs.arg(i), count)), status, delayMs);
    }
    QStringList asked() const // the channels, sorted
    {
        QStringList out;
        for (const RequestRecord &r : m_app->requests().matching(u"/api/channel/"_qs))
            out.append(r.path.section(u'/', 3));
        out.sort();
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_app.start(), qPrintable(m_app.error()));
        Warmer::setSender([this](const QStringList &ids) { m_warmed.append(ids); });
    }
    void init()
    {
        FileWriter::shared().drain();
        QDir(DiskCache::dir()).removeRecursively();
        m_app.reset();
        m_warmed.clear();
        Haptics::shared().clear();
    }

    // Skipped only after a loaded end with the same key; forced, the items shown stay (no cache paint).
    void skipRule_data()
    {
        QTest::addColumn<int>("status"); // of the first load
        QTest::addColumn<bool>("force");
        QTest::addColumn<bool>("asksAgain");
        QTest::newRow("loaded, same key") << 0 << false << false;
        QTest::newRow("failed, same key") << 500 << false << true;
        QTest::newRow("forced") << 0 << true << true;
    }
    void skipRule()
    {
        QFETCH(int, status);
        QFETCH(bool, force);
        QFETCH(bool, asksAgain);
        channel(0, 3, 0, status);
        SubsModel model;
        QCoro::waitFor(model.load(subs(1), false, false));
        const QList<Video> shown = model.items();

        m_app.reset();
        channel(0, 2, 300);
        DiskCache::save(Json::decode<QList<Video>>(videos({u"cached"_qs}, false)), SubsModel::localCache);
        auto task = model.load(subs(1), false, force);
        QTest::qWait(100);
        if (!shown.isEmpty())
            QCOMPARE(model.items(), shown);
        QCoro::waitFor(std::move(task));
        QCOMPARE(asked().size(), asksAgain ? 1 : 0);
        QCOMPARE(model.items().size(), asksAgain ? 2 : 3);
    }

    // The account feed, shown as it is when it has videos; else the
    // channels of the library, or a message.
    void feedSources_data()
    {
        QTest::addColumn<bool>("account");
        QTest::addColumn<int>("accountFeed"); // videos, or minus the status
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("channelStatus");
        QTest::addColumn<int>("items");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("failure");
        const QString none = u"Todavía no hay vídeos nuevos de tus suscripciones."_qs;
        QTest::newRow("account feed") << true << 10 << 2 << 0 << 10 << "acct:UC0,UC1" << QString();
        QTest::newRow("empty, no channels") << true << 0 << 0 << 0 << 0 << "acct:" << none;
        QTest::newRow("failing, no channels") << true << -500 << 0 << 0 << 0 << "acct:" << none;
        QTest::newRow("empty, two channels") << true << 0 << 2 << 0 << 4 << "acct:UC0,UC1" << QString();
        QTest::newRow("failing, two channels") << true << -500 << 2 << 0 << 4 << "acct:UC0,UC1" << QString();
        QTest::newRow("signed out, no channels") << false << 0 << 0 << 0 << 0 << "" << QString();
        QTest::newRow("signed out, channels failing") << false << 0 << 2 << 500 << 0 << "UC0,UC1"
                                                      << u"No hay vídeos nuevos todavía."_qs;
    }
    void feedSources()
    {
        QFETCH(bool, account);
        QFETCH(int, accountFeed);
        QFETCH(int, channels);
        QFETCH(int, channelStatus);
        QFETCH(int, items);
        QFETCH(QString, key);
        QFETCH(QString, failure);
        reply(u"/api/me/feed"_qs, {}, videos(numbered(u"me"_qs, std::max(accountFeed, 0)), false), -std::min(accountFeed, 0));
        for (int i = 0; i < channels; ++i)
            channel(i, 2, 0, channelStatus);
        SubsModel model;
        QCoro::waitFor(model.load(subs(channels), account, false));
        QCOMPARE(model.state(), failure.isEmpty() ? LoadState::loaded() : LoadState::failed(failure));
        QCOMPARE(model.items().size(), items);
        QCOMPARE(model.loadedKey(), key);
        const bool fromAccount = accountFeed > 0;
        QCOMPARE(asked().size(), fromAccount ? 0 : channels);
        // Each channel's videos tab (the one asked without a tab), from its first page.
        for (const RequestRecord &r : m_app->requests().matching(u"/api/channel/"_qs)) {
            const QUrlQuery q(r.rawQuery);
            QVERIFY2(!q.hasQueryItem(u"tab"_qs), qPrintable(r.line()));
            QCOMPARE(q.queryItemValue(u"page"_qs), u"0"_qs);
        }
        QCOMPARE(cached(fromAccount ? SubsModel::accountCache : SubsModel::localCache), model.items());
        QVERIFY(!QFile::exists(DiskCache::path(fromAccount ? SubsModel::localCache : SubsModel::accountCache)));
        if (fromAccount)
            QCOMPARE(m_warmed, QList<QStringList>{ids(model.items()).mid(0, 8)});
    }

    // The first sixteen channels, asked at once: replies in reverse order merge in library order,
    // sixteen slow channels take about as long as one. A channel gives at most eight videos.
    void channelsAreAskedTogether()
    {
        const int delay = 400;
        for (int i = 0; i < 20; ++i)
            channel(i, i == 0 ? 30 : 1, i < 3 ? delay - i * 150 : delay);
        SubsModel model;
        QElapsedTimer clock;
        clock.start();
        QCoro::waitFor(model.load(subs(20), false, false));
        QVERIFY2(clock.elapsed() < 6 * delay, qPrintable(QString::number(clock.elapsed())));
        QStringList first16 = numbered(u"UC"_qs, 16);
        first16.sort();
        QCOMPARE(asked(), first16);
        QCOMPARE(ids(model.items()).mid(0, 3), (QStringList{"UC0-0", "UC1-0", "UC2-0"}));
        QCOMPARE(ids(model.items()).filter(u"UC0-"_qs), numbered(u"UC0-"_qs, 8));
    }

    // An older load, or one called off, ends without writing anything.
    void staleLoadsChangeNothing_data()
    {
        QTest::addColumn<bool>("calledOff");
        QTest::newRow("overtaken") << false;
        QTest::newRow("called off") << true;
    }
    void staleLoadsChangeNothing()
    {
        QFETCH(bool, calledOff);
        channel(0, 3, 400);
        channel(1, 2);
        SubsModel model;
        // On screen: its task, with nothing followed, ends at once.
        model.setOnScreen(true);
        QTRY_VERIFY(model.state().isLoaded());
        auto old = model.load(subs(1), false, false);
        QTest::qWait(100);
        if (calledOff)
            model.setOnScreen(false);
        else
            QCoro::waitFor(model.load({subs(2).at(1)}, false, false));
        QCoro::waitFor(std::move(old));
        QCOMPARE(ids(model.items()), calledOff ? QStringList() : (QStringList{"UC1-0", "UC1-1"}));
        QCOMPARE(model.state(), calledOff ? LoadState::loading() : LoadState::loaded());
        QCOMPARE(cached(SubsModel::localCache), model.items());
    }

    void channelMeta_data()
    {
        QTest::addColumn<QString>("handle");   // empty: none
        QTest::addColumn<qint64>("subscribers"); // -1: none
        QTest::addColumn<QString>("meta");
        QTest::newRow("handle only") << "@canal" << qint64(-1) << "@canal";
        QTest::newRow("count only") << "" << qint64(12) << "12 suscriptores";
        QTest::newRow("one") << "@canal" << qint64(1) << "@canal · 1 suscriptor";
        QTest::newRow("none") << "" << qint64(0) << "0 suscriptores";
        QTest::newRow("thousands") << "" << qint64(1500) << "1,5 mil suscriptores";
    }
    void channelMeta()
    {
        QFETCH(QString, handle);
        QFETCH(qint64, subscribers);
        QFETCH(QString, meta);
        QCOMPARE(ChannelModel::metaLine(handle.isEmpty() ? std::nullopt : std::optional(handle),
                                        subscribers < 0 ? std::nullopt : std::optional(subscribers)),
                 meta);
    }

    // The page's menu: each entry does what it says to this channel, and
    // nothing else; an unknown id does nothing.
    void channelMenu_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("copied");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<bool>("hidden");
        const QString link = YouTubeLink::channelLink(u"UCmenu"_qs);
        QTest::newRow("copy") << "copyLink" << link << false << false;
        QTest::newRow("open") << "openOnSite" << "antes" << true << false;
        QTest::newRow("hide") << "hideChannel" << "antes" << false << true;
        QTest::newRow("unknown") << "copy" << "antes" << false << false;
    }
    void channelMenu()
    {
        QFETCH(QString, id);
        QFETCH(QString, copied);
        QFETCH(bool, opened);
        QFETCH(bool, hidden);
        AppFixture::clearData();
        LibraryStore library;
        ChannelModel model;
        model.setLibrary(&library);
        model.setRoute(ChannelRoute{u"UCmenu"_qs, u"Canal del menú"_qs});
        Pasteboard::shared().setString(u"antes"_qs);
        Opener::shared().clear();

        QStringList ids, titles;
        for (const MenuEntry &e : ChannelModel::menuEntries()) {
            ids << e.id;
            titles << e.title;
            QCOMPARE(e.destructive, e.id == u"hideChannel"_qs);
        }
        QCOMPARE(ids, (QStringList{"copyLink", "openOnSite", "hideChannel"}));
        QCOMPARE(titles, (QStringList{"Copiar enlace del canal", "Abrir en YouTube", "No me interesa este canal"}));

        model.trigger(id);
        QCOMPARE(Pasteboard::shared().string(), copied);
        QCOMPARE(Opener::shared().opened(),
                 opened ? QList<QUrl>{QUrl(YouTubeLink::channelLink(u"UCmenu"_qs))} : QList<QUrl>{});
        QCOMPARE(library.isHidden(u"Canal del menú"_qs), hidden);
    }

    // Page 1 after a first page of a0..a2, then one more try at paging.
    void channelPaging_data()
    {
        QTest::addColumn<QStringList>("next");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<bool>("goesOn");
        QTest::newRow("new videos") << QStringList{"b1", "b2"} << 0 << QStringList{"b1", "b2"} << true;
        QTest::newRow("repeats dropped") << QStringList{"a2", "b1"} << 0 << QStringList{"b1"} << true;
        QTest::newRow("nothing new stops") << QStringList{"a1"} << 0 << QStringList() << false;
        QTest::newRow("a failure stops") << QStringList() << 500 << QStringList() << false;
    }
    void channelPaging()
    {
        QFETCH(QStringList, next);
        QFETCH(int, status);
        QFETCH(QStringList, added);
        QFETCH(bool, goesOn);
        for (int page = 0; page < 3; ++page) // rules by the page's query value
            reply(u"/api/channel/CH"_qs, QString::number(page),
                  videos(page == 0 ? numbered(u"a"_qs, 3) : page == 1 ? next : QStringList{}), page == 1 ? status : 0);
        ChannelModel model;
        model.setRoute(ChannelRoute{u"CH"_qs, u"Canal"_qs});
        QCoro::waitFor(model.load());
        QCoro::waitFor(model.loadMore());
        QCOMPARE(ids(model.videos()->videos()), numbered(u"a"_qs, 3) + added);
        QVERIFY(model.state().isLoaded());
        QCoro::waitFor(model.loadMore());
        QCOMPARE(asked().size(), goesOn ? 3 : 2);
    }

    // A first page overtaken by another tab's, and a further page overtaken
    // by a reload, are dropped; paging goes on afterwards ("Populares" page 1).
    void staleChannelPagesAreDropped()
    {
        const FxChannel &c = m_app->fixtures().channels().first();
        m_app->delayPath(u"/api/channel/"_qs, 400);
        ChannelModel model;
        model.setRoute(ChannelRoute{c.id, c.name});
        model.setOnScreen(true);
        QTest::qWait(50);
        m_app->clearFaults();
        model.selectTab(1);
        QVERIFY(model.state().isLoading());
        QVERIFY(TestTime::waitFor([&] { return model.state().isLoaded(); }, 5000));
        const QStringList popular = ids(model.videos()->videos());
        QTest::qWait(500);
        QCOMPARE(ids(model.videos()->videos()), popular);

        m_app->delayPath(u"/api/channel/"_qs, 400);
        model.reached(popular.last());
        QVERIFY(model.loadingMore());
        QTest::qWait(50);
        m_app->clearFaults();
        QCoro::waitFor(model.load());
        QVERIFY(!model.loadingMore());
        QTest::qWait(500);
        QCOMPARE(ids(model.videos()->videos()), popular);
        QCoro::waitFor(model.loadMore());
        QCOMPARE(model.page(), 1);
        QCOMPARE(model.tab(), u"popular"_qs);
    }

    // Before the reply the route's id and name, no avatar; after it the
    // reply's canonical id (the route names the channel by its handle).
    void followWhileLoading()
    {
        AppFixture::clearData();
        LibraryStore library;
        const FxChannel &c = m_app->fixtures().channels().first();
        m_app->delayPath(u"/api/channel/"_qs, 300);
        ChannelModel model;
        model.setLibrary(&library);
        model.setRoute(ChannelRoute{c.handle, c.name});
        model.setOnScreen(true);
        model.toggleSubscription();
        QCOMPARE(library.subscriptions(), (QList<Subscription>{{c.handle, c.name, std::nullopt}}));
        QVERIFY(model.state().isLoading());
        QVERIFY(model.subscribed()); // the page shows it at once, before the channel arrives
        model.toggleSubscription();
        QVERIFY(library.subscriptions().isEmpty());
        QVERIFY(!model.subscribed());
        QCOMPARE(Haptics::shared().given(), (QStringList{"success", "success"}));

        QVERIFY(TestTime::waitFor([&] { return model.state().isLoaded(); }, 5000));
        model.toggleSubscription();
        QCOMPARE(library.subscriptions().size(), 1);
        QVERIFY(library.subscriptions().first().id == c.id && library.subscriptions().first().avatar);
        QVERIFY(model.subscribed());
        LibraryStore::waitForWrites();
    }

    // The page loads each time it comes on screen; a load still on its way
    // when the page goes away lands all the same.
    void channelLoadsEachTimeItComes()
    {
        const FxChannel &c = m_app->fixtures().channels().first();
        m_app->delayPath(u"/api/channel/"_qs, 300);
        ChannelModel model;
        model.setRoute(ChannelRoute{c.id, c.name});
        model.setOnScreen(true);
        QTest::qWait(50);
        model.setOnScreen(false);
        QTRY_VERIFY_WITH_TIMEOUT(model.state().isLoaded(), 5000);
        QCOMPARE(model.name(), c.name);
        QVERIFY(!model.videos()->isEmpty());
        model.setOnScreen(true);
        QVERIFY(model.state().isLoading());
        QTRY_VERIFY_WITH_TIMEOUT(model.state().isLoaded(), 5000);
        QCOMPARE(asked(), (QStringList{c.id, c.id}));
    }
};

QTEST_MAIN(TestChannelFeeds)
#include "tst_channelfeeds.moc"
