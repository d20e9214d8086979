#include "API.h"
#include "AppFixture.h"
#include "ChannelModel.h"
#include "Fixtures.h"
#include "Haptics.h"
#include "LibraryStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>
#include <QUrlQuery>

namespace {

QStringList ids(const QList<Video> &list)
{
    QStringList out;
    for (const Video &v : list)
        out.append(v.id);
    return out;
}

} // namespace

class TestChannelModel : public QObject
{
    Q_OBJECT

    AppFixture m_app;

    // Page `page` of channel "CH" holds `videos` (or fails with `status`).
    void page(int page, const QStringList &videos, int status = 0, int delayMs = 0)
    {
        QJsonArray list;
        for (const QString &id : videos)
            list.append(QJsonObject{{"id", id}, {"title", id}, {"duration", 300}});
        FaultRule rule;
        rule.pathPrefix = QStringLiteral("/api/channel/CH");
        rule.id = QString::number(page);
        rule.status = status;
        rule.delayMs = delayMs;
        rule.body = status ? FaultRule::Body::Default : FaultRule::Body::Raw;
        rule.rawBody = QJsonDocument(QJsonObject{{"id", "CH"}, {"name", "Canal"}, {"description", ""},
                                                 {"verified", false}, {"videos", list}})
                           .toJson(QJsonDocument::Compact);
        m_app->addFault(rule);
    }
    // "tab/page" of every channel request, in order.
    QStringList asked() const
    {
        QStringList out;
        for (const RequestRecord &r : m_app->requests().matching(QStringLiteral("/api/channel/"))) {
            const QUrlQuery q(r.rawQuery);
            out.append((q.hasQueryItem(QStringLiteral("tab")) ? q.queryItemValue(QStringLiteral("tab")) : QStringLiteral("videos")) +
                       QLatin1Char('/') + q.queryItemValue(QStringLiteral("page")));
        }
        return out;
    }
    static void loaded(ChannelModel &model) { QVERIFY(QTest::qWaitFor([&] { return !model.state().isLoading(); }, 5000)); }

private slots:
    void initTestCase() { QVERIFY2(m_app.start(), qPrintable(m_app.error())); }
    void init()
    {
        m_app.reset();
        Haptics::shared().clear();
    }

    void meta_data()
    {
        QTest::addColumn<QVariant>("handle");
        QTest::addColumn<QVariant>("subscribers");
        QTest::addColumn<QString>("meta");
        QTest::newRow("handle only") << QVariant(u"@canal"_qs) << QVariant() << u"@canal"_qs;
        QTest::newRow("count only") << QVariant() << QVariant(qint64(12)) << u"12 suscriptores"_qs;
        QTest::newRow("one") << QVariant(u"@canal"_qs) << QVariant(qint64(1)) << u"@canal · 1 suscriptor"_qs;
        QTest::newRow("none") << QVariant() << QVariant(qint64(0)) << u"0 suscriptores"_qs;
        QTest::newRow("thousands") << QVariant() << QVariant(qint64(1500)) << u"1,5 mil suscriptores"_qs;
        QTest::newRow("neither") << QVariant() << QVariant() << QString();
    }
    void meta()
    {
        QFETCH(QVariant, handle);
        QFETCH(QVariant, subscribers);
        QFETCH(QString, meta);
        auto h = handle.isValid() ? std::optional(handle.toString()) : std::nullopt;
        auto n = subscribers.isValid() ? std::optional(subscribers.toLongLong()) : std::nullopt;
        QCOMPARE(ChannelModel::metaLine(h, n), meta);
    }

    // Page 1 after a first page of a1..a3, then one more try at paging.
    void paging_data()
    {
        QTest::addColumn<QStringList>("next");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("requests");
        const QStringList first{"a1", "a2", "a3"};
        QTest::newRow("new videos") << QStringList{"b1", "b2"} << 0 << first + QStringList{"b1", "b2"}
                                    << QStringList{"videos/0", "videos/1", "videos/2"};
        QTest::newRow("repeats dropped") << QStringList{"a3", "b1"} << 0 << first + QStringList{"b1"}
                                         << QStringList{"videos/0", "videos/1", "videos/2"};
        QTest::newRow("nothing new stops") << QStringList{"a1"} << 0 << first << QStringList{"videos/0", "videos/1"};
        QTest::newRow("a failure stops") << QStringList() << 500 << first << QStringList{"videos/0", "videos/1"};
    }
    void paging()
    {
        QFETCH(QStringList, next);
        QFETCH(int, status);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, requests);
        page(0, {"a1", "a2", "a3"});
        page(1, next, status);
        page(2, {});
        ChannelModel model;
        model.setRoute(ChannelRoute{u"CH"_qs, u"Canal"_qs});
        QCoro::waitFor(model.load());
        QCoro::waitFor(model.loadMore());
        QCOMPARE(ids(model.videos()->videos()), shown);
        QVERIFY(model.state().isLoaded());
        QCoro::waitFor(model.loadMore());
        QCOMPARE(asked(), requests);
    }

    void popularThenPageOne()
    {
        const FxChannel &c = m_app->fixtures().channels().first();
        ChannelModel model;
        model.setRoute(ChannelRoute{c.id, c.name});
        QCoro::waitFor(model.load());
        model.selectTab(1);
        QVERIFY(model.state().isLoading());
        loaded(model);
        QCoro::waitFor(model.loadMore());
        QCOMPARE(asked(), (QStringList{"videos/0", "popular/0", "popular/1"}));
    }

    // A first page overtaken by another tab's, and a further page overtaken
    // by a reload, are dropped; paging goes on afterwards.
    void stalePagesAreDropped()
    {
        const FxChannel &c = m_app->fixtures().channels().first();
        m_app->delayPath(QStringLiteral("/api/channel/"), 400);
        ChannelModel model;
        model.setRoute(ChannelRoute{c.id, c.name});
        model.startLoad();
        QTest::qWait(50);
        m_app->clearFaults();
        model.selectTab(1);
        loaded(model);
        const QStringList popular = ids(model.videos()->videos());
        QTest::qWait(500);
        QCOMPARE(ids(model.videos()->videos()), popular);

        m_app->delayPath(QStringLiteral("/api/channel/"), 400);
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
    }

    // Before the reply the route's id and name, no avatar; after it the
    // reply's canonical id (the route names the channel by its handle).
    void followWhileLoading()
    {
        AppFixture::clearData();
        LibraryStore library;
        const FxChannel &c = m_app->fixtures().channels().first();
        m_app->delayPath(QStringLiteral("/api/channel/"), 300);
        ChannelModel model;
        model.setLibrary(&library);
        model.setRoute(ChannelRoute{c.handle, c.name});
        model.startLoad();
        model.toggleSubscription();
        QCOMPARE(library.subscriptions(), (QList<Subscription>{{c.handle, c.name, std::nullopt}}));
        QVERIFY(model.subscribed());
        model.toggleSubscription();
        QVERIFY(library.subscriptions().isEmpty());
        QCOMPARE(Haptics::shared().given(), (QStringList{"success", "success"}));

        loaded(model);
        model.toggleSubscription();
        QCOMPARE(library.subscriptions().size(), 1);
        QCOMPARE(library.subscriptions().first().id, c.id);
        QVERIFY(library.subscriptions().first().avatar.has_value());
        QVERIFY(model.subscribed());
        LibraryStore::waitForWrites();
    }
};

QTEST_GUILESS_MAIN(TestChannelModel)
#include "tst_channelmodel.moc"
