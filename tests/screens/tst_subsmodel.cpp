#include "API.h"
#include "AppFixture.h"
#include "DiskCache.h"
#include "FileWriter.h"
#include "SubsModel.h"
#include "Warmer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

namespace {

QJsonArray videosJson(const QString &prefix, int count)
{
    QJsonArray out;
    for (int i = 0; i < count; ++i)
        out.append(QJsonObject{{"id", prefix + QString::number(i)}, {"title", prefix}, {"duration", 600}});
    return out;
}

QByteArray compact(const QJsonValue &v)
{
    return v.isArray() ? QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact)
                       : QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact);
}

QList<Subscription> subs(int count)
{
    QList<Subscription> out;
    for (int i = 0; i < count; ++i)
        out.append(Subscription{QStringLiteral("UC%1").arg(i), QStringLiteral("Canal %1").arg(i), {}});
    return out;
}

QStringList ids(const QList<Video> &list)
{
    QStringList out;
    for (const Video &v : list)
        out.append(v.id);
    return out;
}

QList<Video> cached(const QString &key)
{
    FileWriter::shared().drain();
    return DiskCache::load<QList<Video>>(key).result().value_or(QList<Video>{});
}

void run(SubsModel &model, const QList<Subscription> &list, bool account, bool force = false)
{
    QCoro::waitFor(model.load(list, account, force));
}

} // namespace

class TestSubsModel : public QObject
{
    Q_OBJECT

    AppFixture m_app;
    QList<QStringList> m_warmed;

    // Channel `id` answers `count` videos "<id>-<n>" (or `status`) after `delayMs`.
    void channel(const QString &id, int count, int delayMs = 0, int status = 0)
    {
        FaultRule rule;
        rule.pathPrefix = QStringLiteral("/api/channel/");
        rule.id = id;
        rule.delayMs = delayMs;
        rule.status = status;
        if (!status) {
            rule.body = FaultRule::Body::Raw;
            rule.rawBody = compact(QJsonObject{{"id", id}, {"name", id}, {"description", ""}, {"verified", false},
                                               {"videos", videosJson(id + QLatin1Char('-'), count)}});
        }
        m_app->addFault(rule);
    }
    void accountFeed(const QJsonArray &videos, int status = 0)
    {
        FaultRule rule;
        rule.pathPrefix = QStringLiteral("/api/me/feed");
        rule.status = status;
        rule.body = status ? FaultRule::Body::Default : FaultRule::Body::Raw;
        rule.rawBody = compact(videos);
        m_app->addFault(rule);
    }
    QStringList askedChannels() const
    {
        QStringList out;
        for (const RequestRecord &r : m_app->requests().matching(QStringLiteral("/api/channel/")))
            out.append(r.path.section(QLatin1Char('/'), 3));
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
        QFile::remove(DiskCache::path(SubsModel::accountCache));
        QFile::remove(DiskCache::path(SubsModel::localCache));
        m_app.reset();
        m_warmed.clear();
    }
    void cleanupTestCase() { Warmer::setSender({}); }

    void keys_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("account");
        QTest::addColumn<QString>("key");
        QTest::newRow("two, signed in") << 2 << true << "acct:UC0,UC1";
        QTest::newRow("two, signed out") << 2 << false << "UC0,UC1";
        QTest::newRow("none, signed in") << 0 << true << "acct:";
        QTest::newRow("none, signed out") << 0 << false << "";
    }
    void keys()
    {
        QFETCH(int, count);
        QFETCH(bool, account);
        QFETCH(QString, key);
        QCOMPARE(SubsModel::keyFor(subs(count), account), key);
    }

    // A second non-forced load is skipped only after a loaded end with the
    // same key; a forced one keeps the items on screen instead of the cache.
    void skipRule_data()
    {
        QTest::addColumn<int>("firstVideos"); // 0: the first load fails
        QTest::addColumn<bool>("force");
        QTest::addColumn<bool>("asksAgain");
        QTest::newRow("loaded, same key") << 3 << false << false;
        QTest::newRow("failed, same key") << 0 << false << true;
        QTest::newRow("forced") << 3 << true << true;
    }
    void skipRule()
    {
        QFETCH(int, firstVideos);
        QFETCH(bool, force);
        QFETCH(bool, asksAgain);
        channel(QStringLiteral("UC0"), firstVideos, 0, firstVideos ? 0 : 500);
        SubsModel model;
        run(model, subs(1), false);
        QCOMPARE(model.state().isLoaded(), firstVideos > 0);
        const QList<Video> shown = model.items();

        m_app.reset();
        channel(QStringLiteral("UC0"), 2, 300);
        DiskCache::save(Json::decode<QList<Video>>(compact(videosJson(QStringLiteral("cached"), 1))), SubsModel::localCache);
        FileWriter::shared().drain();
        auto task = model.load(subs(1), false, force);
        if (asksAgain && firstVideos)
            QCOMPARE(model.items(), shown); // not the cache
        QCoro::waitFor(std::move(task));
        QCOMPARE(askedChannels().size(), asksAgain ? 1 : 0);
        QCOMPARE(ids(model.items()).size(), asksAgain ? 2 : 3);
    }

    void accountFeedIsShownAsItIs()
    {
        accountFeed(videosJson(QStringLiteral("me"), 10));
        SubsModel model;
        run(model, subs(3), true);
        QVERIFY(askedChannels().isEmpty());
        QCOMPARE(ids(model.items()), ids(Json::decode<QList<Video>>(compact(videosJson(QStringLiteral("me"), 10)))));
        QCOMPARE(cached(SubsModel::accountCache), model.items());
        QCOMPARE(m_warmed, QList<QStringList>{ids(model.items()).mid(0, 8)});
        QCOMPARE(model.loadedKey(), QStringLiteral("acct:UC0,UC1,UC2"));
    }

    void withoutTheAccountFeed_data()
    {
        QTest::addColumn<bool>("account");
        QTest::addColumn<int>("status"); // of the account feed; 0: empty
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("failure");
        const QString none = QStringLiteral("Todavía no hay vídeos nuevos de tus suscripciones.");
        QTest::newRow("empty, no channels") << true << 0 << 0 << none;
        QTest::newRow("failing, no channels") << true << 500 << 0 << none;
        QTest::newRow("empty, three channels") << true << 0 << 3 << QString();
        QTest::newRow("failing, three channels") << true << 500 << 3 << QString();
        QTest::newRow("signed out, no channels") << false << 0 << 0 << QString();
    }
    void withoutTheAccountFeed()
    {
        QFETCH(bool, account);
        QFETCH(int, status);
        QFETCH(int, count);
        QFETCH(QString, failure);
        accountFeed({}, status);
        for (int i = 0; i < count; ++i)
            channel(QStringLiteral("UC%1").arg(i), 2);
        SubsModel model;
        run(model, subs(count), account);
        QCOMPARE(model.state(), failure.isEmpty() ? LoadState::loaded() : LoadState::failed(failure));
        QCOMPARE(model.items().size(), count * 2);
        QCOMPARE(model.loadedKey(), SubsModel::keyFor(subs(count), account));
        QCOMPARE(cached(SubsModel::localCache), model.items());
        QVERIFY(!QFile::exists(DiskCache::path(SubsModel::accountCache)));
    }

    void caps_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("perChannel");
        QTest::addColumn<int>("items");
        QTest::newRow("twenty channels, sixteen asked") << 20 << 2 << 32;
        QTest::newRow("thirty videos, eight taken") << 2 << 30 << 16;
    }
    void caps()
    {
        QFETCH(int, count);
        QFETCH(int, perChannel);
        QFETCH(int, items);
        for (int i = 0; i < count; ++i)
            channel(QStringLiteral("UC%1").arg(i), perChannel);
        SubsModel model;
        run(model, subs(count), false);
        QStringList expected = SubsModel::keyFor(subs(std::min(count, 16)), false).split(QLatin1Char(','));
        QStringList asked = askedChannels();
        std::sort(asked.begin(), asked.end());
        std::sort(expected.begin(), expected.end());
        QCOMPARE(asked, expected);
        QCOMPARE(model.items().size(), items);
    }

    // Channels asked together: replies in reverse order merge in library
    // order, and sixteen slow channels take about as long as one.
    void channelsAreAskedTogether()
    {
        const int delay = 400;
        for (int i = 0; i < 16; ++i)
            channel(QStringLiteral("UC%1").arg(i), 1, i < 3 ? delay - i * 150 : delay);
        SubsModel model;
        QElapsedTimer clock;
        clock.start();
        run(model, subs(16), false);
        QVERIFY2(clock.elapsed() < 6 * delay, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(ids(model.items()).mid(0, 3), (QStringList{"UC0-0", "UC1-0", "UC2-0"}));
    }

    void allChannelsFailing()
    {
        for (int i = 0; i < 3; ++i)
            channel(QStringLiteral("UC%1").arg(i), 0, 0, 500);
        SubsModel model;
        run(model, subs(3), false);
        QCOMPARE(model.state(), LoadState::failed(QStringLiteral("No hay vídeos nuevos todavía.")));
        QVERIFY(model.items().isEmpty());
        FileWriter::shared().drain();
        QVERIFY(!QFile::exists(DiskCache::path(SubsModel::localCache)));
        QVERIFY(m_warmed.isEmpty());
    }

    // An older load or one called off ends without writing anything.
    void staleLoadsChangeNothing_data()
    {
        QTest::addColumn<bool>("calledOff");
        QTest::newRow("overtaken") << false;
        QTest::newRow("called off") << true;
    }
    void staleLoadsChangeNothing()
    {
        QFETCH(bool, calledOff);
        channel(QStringLiteral("UC0"), 3, 400);
        channel(QStringLiteral("UC1"), 2);
        SubsModel model;
        auto old = model.load(subs(1), false, false);
        QTest::qWait(100);
        if (calledOff)
            model.cancelReload();
        else
            run(model, {subs(2).at(1)}, false);
        QCoro::waitFor(std::move(old));
        QCOMPARE(ids(model.items()), calledOff ? QStringList() : (QStringList{"UC1-0", "UC1-1"}));
        QCOMPARE(model.state(), calledOff ? LoadState::loading() : LoadState::loaded());
        QCOMPARE(model.loadedKey(), calledOff ? QString() : QStringLiteral("UC1"));
        QCOMPARE(cached(SubsModel::localCache), model.items());
    }
};

QTEST_GUILESS_MAIN(TestSubsModel)
#include "tst_subsmodel.moc"
