#include "AppFixture.h"
#include "AuthStore.h"
#include "AvatarStore.h"
#include "Defaults.h"
#include "FileWriter.h"
#include "Fixtures.h"
#include "LibraryStore.h"
#include "MemoryKeychain.h"
#include "PlayerStore.h"
#include "QmlHarness.h"
#include "Router.h"
#include "SimulatedEngine.h"
#include "SubsModel.h"
#include "SubscriptionList.h"
#include "Warmer.h"
#include "WebSignIn.h"

#include <QJsonDocument>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {

QStringList names(const QList<Subscription> &list)
{
    QStringList out;
    for (const Subscription &s : list)
        out.append(s.name);
    return out;
}

} // namespace

class TestSubscriptionsView : public QObject
{
    Q_OBJECT

    AppFixture m_app;
    std::unique_ptr<MemoryKeychain> m_keychain;
    std::unique_ptr<WebSignIn> m_web;
    std::unique_ptr<LibraryStore> m_library;
    std::unique_ptr<PlayerStore> m_player;
    std::unique_ptr<AuthStore> m_auth;
    std::unique_ptr<Router> m_router;
    std::unique_ptr<AvatarStore> m_avatars;
    std::unique_ptr<QmlHarness> m_qml;
    QQuickItem *m_root = nullptr;

    void follow(int count)
    {
        for (int i = count - 1; i >= 0; --i) {
            const FxChannel &c = m_app->fixtures().channels().at(i);
            m_library->toggleSubscription(c.id, c.name, std::optional<QString>());
        }
    }
    bool load()
    {
        m_auth = std::make_unique<AuthStore>(*m_keychain, *m_web);
        m_qml = std::make_unique<QmlHarness>();
        m_qml->window()->resize(430, 932);
        m_root = m_qml->loadSource("import Nimbelora.Screens\nSubscriptionsView {}\n",
                                   {{u"player"_qs, QVariant::fromValue<QObject *>(m_player.get())},
                                    {u"library"_qs, QVariant::fromValue<QObject *>(m_library.get())},
                                    {u"auth"_qs, QVariant::fromValue<QObject *>(m_auth.get())},
                                    {u"router"_qs, QVariant::fromValue<QObject *>(m_router.get())},
                                    {u"avatars"_qs, QVariant::fromValue<QObject *>(m_avatars.get())}});
        if (!m_root)
            qWarning("%s", qPrintable(m_qml->errors()));
        return m_root != nullptr;
    }
    SubsModel *model() const { return m_root->property("model").value<SubsModel *>(); }
    QList<QQuickItem *> shown(const QString &name) const { return QmlHarness::shownItems(m_root, name); }
    QObject *manager() const { return m_root->findChild<QObject *>(u"subscriptionsManager"_qs); }
    QQuickItem *openManager()
    {
        QList<QQuickItem *> rows;
        if (m_qml->click(m_qml->find(u"manageButton"_qs)))
            QTest::qWaitFor([&] {
                rows = QmlHarness::shownItems(m_qml->window()->contentItem(), u"managerRow"_qs);
                return manager()->property("opened").toBool() && !rows.isEmpty();
            }, 3000);
        return rows.isEmpty() ? nullptr : rows.first();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_app.start(), qPrintable(m_app.error()));
        Warmer::setSender([](const QStringList &) {});
    }
    void init()
    {
        FileWriter::shared().drain();
        AppFixture::clearData();
        m_app.reset();
        m_keychain = std::make_unique<MemoryKeychain>();
        m_web = std::make_unique<WebSignIn>(WebSignIn::Backing::Memory);
        m_library = std::make_unique<LibraryStore>();
        m_player = std::make_unique<PlayerStore>(new SimulatedEngine);
        m_player->attach(m_library.get());
        m_router = std::make_unique<Router>();
        m_router->setTab(AppTab::Subscriptions);
        m_avatars = std::make_unique<AvatarStore>();
    }
    void cleanup()
    {
        m_qml.reset();
        m_player.reset();
        m_auth.reset();
        m_library.reset();
        LibraryStore::waitForWrites();
        AvatarStore::waitForWrites();
    }

    void noSubscriptionsOnlySignedOut_data()
    {
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<int>("channels");
        QTest::newRow("signed out, none") << false << 0;
        QTest::newRow("signed out, two") << false << 2;
        QTest::newRow("signed in, none") << true << 0;
    }
    void noSubscriptionsOnlySignedOut()
    {
        QFETCH(bool, signedIn);
        QFETCH(int, channels);
        if (signedIn) {
            m_keychain->set(u"session"_qs, m_app->session());
            Defaults::shared().setValue(QLatin1String(AuthStore::accountKey), QStringLiteral(R"({"name":"Ana"})"));
        }
        follow(channels);
        QVERIFY(load());
        QVERIFY(QTest::qWaitFor([&] { return !model()->state().isLoading() && !model()->state().isIdle(); }, 5000));
        const bool empty = !signedIn && channels == 0;
        QCOMPARE(shown(u"noSubscriptions"_qs).size(), empty ? 1 : 0);
        QCOMPARE(shown(u"subsFeed"_qs).size(), empty ? 0 : 1);
        QCOMPARE(shown(u"stripChannel"_qs).size(), channels);
    }

    void stripTapOpensTheChannel()
    {
        follow(2);
        QVERIFY(load());
        QVERIFY(QTest::qWaitFor([&] { return shown(u"stripChannel"_qs).size() == 2; }, 3000));
        QVERIFY(m_qml->click(shown(u"stripChannel"_qs).at(1)));
        const FxChannel &c = m_app->fixtures().channels().at(1);
        QCOMPARE(m_router->subsPath(), Router::Path{ChannelRoute({c.id, c.name})});
    }

    void managerRowTapClosesThenOpens()
    {
        follow(2);
        QVERIFY(load());
        QQuickItem *row = openManager();
        QVERIFY(row);
        QStringList order;
        QSignalSpy closing(manager(), SIGNAL(aboutToHide()));
        QObject::connect(m_router.get(), &Router::subsPathChanged, this, [&] { order << QString::number(closing.size()); });
        QVERIFY(m_qml->click(QmlHarness::findIn(row, u"managerRowButton"_qs)));
        QCOMPARE(order, QStringList{"1"});
        const FxChannel &c = m_app->fixtures().channels().first();
        QCOMPARE(m_router->subsPath(), Router::Path{ChannelRoute({c.id, c.name})});
    }

    // A full swipe to the left unfollows, raising the sync event with false.
    void fullSwipeUnfollows()
    {
        follow(2);
        QList<SyncEvent> events;
        m_library->onSync = [&](const SyncEvent &e) { events.append(e); };
        QVERIFY(load());
        QQuickItem *row = openManager();
        QVERIFY(row);
        const QPointF from = row->mapToScene(QPointF(row->width() - 10, row->height() / 2));
        QTest::mousePress(m_qml->window(), Qt::LeftButton, {}, from.toPoint());
        for (int dx = 20; dx <= row->width() * 0.8; dx += 20)
            QTest::mouseMove(m_qml->window(), (from - QPointF(dx, 0)).toPoint(), 10);
        QTest::mouseRelease(m_qml->window(), Qt::LeftButton, {}, (from - QPointF(row->width() * 0.8, 0)).toPoint());
        QTRY_COMPARE(m_library->subscriptions().size(), 1);
        const FxChannel &gone = m_app->fixtures().channels().first();
        QCOMPARE(events.size(), 1);
        QCOMPARE(events.first(), SyncEvent::subscribe(gone.id, false));
        QCOMPARE(manager()->property("title").toString(), u"Suscripciones (1)"_qs);
    }

    // By name under es_ES: case ignored (equal names keep their order),
    // accents and "ñ" by the locale's rules; and back to the library's order.
    void order()
    {
        for (const char *name : {"Oso", "ALBA", "Ñandú", "zeta", "Álvaro", "alba", "Nuria"})
            m_library->toggleSubscription(QString::fromUtf8(name), QString::fromUtf8(name), std::optional<QString>());
        const QList<Subscription> library = m_library->subscriptions();
        QCOMPARE(names(SubscriptionList::byName(library, QLocale(u"es_ES"_qs))),
                 (QStringList{"alba", "ALBA", "Álvaro", "Nuria", "Ñandú", "Oso", "zeta"}));
        SubscriptionList list;
        list.setLibrary(m_library.get());
        list.setAlphabetical(true);
        list.setAlphabetical(false);
        QCOMPARE(list.items(), library);
        QCOMPARE(m_library->subscriptions(), library);
    }
};

QTEST_MAIN(TestSubscriptionsView)
#include "tst_subscriptionsview.moc"
