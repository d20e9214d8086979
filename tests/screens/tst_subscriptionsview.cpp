#include "AppFixture.h"
#include "AppScheme.h"
#include "AuthStore.h"
#include "AvatarStore.h"
#include "Defaults.h"
#include "Fixtures.h"
#include "MemoryKeychain.h"
#include "PlayerStore.h"
#include "QmlHarness.h"
#include "Router.h"
#include "SimulatedEngine.h"
#include "SubsModel.h"
#include "SubscriptionList.h"
#include "WebSignIn.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>
#include <QCoroTask>

// The stores a tab screen is given; the sign-in state is read when `auth` is made.
struct Stores
{
    MemoryKeychain keychain;
    WebSignIn web{WebSignIn::Backing::Memory};
    LibraryStore library;
    PlayerStore player{new SimulatedEngine};
    Router router;
    AvatarStore avatars;
    std::unique_ptr<AuthStore> auth;
};

class TestSubscriptionsView : public QObject
{
    Q_OBJECT

    AppFixture m_app;
    std::unique_ptr<Stores> m_s;
    std::unique_ptr<QmlHarness> m_qml;
    QQuickItem *m_root = nullptr;

    const FxChannel &fixture(int i) const { return m_app->fixtures().channels().at(i); }
    bool load(int channels)
    {
        for (int i = channels - 1; i >= 0; --i)
            m_s->library.toggleSubscription(fixture(i).id, fixture(i).name, std::optional<QString>());
        m_s->auth = std::make_unique<AuthStore>(m_s->keychain, m_s->web);
        m_qml = std::make_unique<QmlHarness>();
        m_qml->window()->resize(430, 932);
        m_root = m_qml->loadSource("import Nimbelora.Screens\nSubscriptionsView {}\n",
                                   {{u"player"_qs, QVariant::fromValue(&m_s->player)},
                                    {u"library"_qs, QVariant::fromValue(&m_s->library)},
                                    {u"auth"_qs, QVariant::fromValue(m_s->auth.get())},
                                    {u"router"_qs, QVariant::fromValue(&m_s->router)},
                                    {u"avatars"_qs, QVariant::fromValue(&m_s->avatars)}});
        // The page bar's button, placed on the screen as the bar would hold it.
        if (m_root)
            m_root->property("navigationTrailing").value<QQuickItem *>()->setParentItem(m_root);
        return m_root != nullptr;
    }
    QList<QQuickItem *> shown(const QString &name) const { return QmlHarness::shownItems(m_root, name); }
    QObject *manager() const { return m_root->findChild<QObject *>(u"subscriptionsManager"_qs); }
    QQuickItem *openManager()
    {
        QList<QQuickItem *> rows;
        if (m_qml->click(m_qml->find(u"manageButton"_qs)))
            TestTime::waitFor([&] {
                rows = QmlHarness::shownItems(m_qml->window()->contentItem(), u"managerRow"_qs);
                return manager()->property("opened").toBool() && !rows.isEmpty();
            }, 3000);
        return rows.value(0);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_app.start(), qPrintable(m_app.error()));
    }
    void init()
    {
        AppFixture::clearData();
        m_app.reset();
        m_s = std::make_unique<Stores>();
        m_s->router.setTab(AppTab::Subscriptions);
    }
    void cleanup()
    {
        AppScheme::shared().setScheme(0);
        m_qml.reset();
        m_s.reset();
        LibraryStore::waitForWrites();
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
            m_s->keychain.set(u"session"_qs, u"token"_qs);
            Defaults::shared().setValue(QLatin1String(AuthStore::accountKey), u"{\"name\":\"Ana\"}"_qs);
        }
        QVERIFY(load(channels));
        const bool empty = !signedIn && channels == 0;
        QCOMPARE(shown(u"noSubscriptions"_qs).size(), empty ? 1 : 0);
        QCOMPARE(shown(u"subsFeed"_qs).size(), empty ? 0 : 1);
        QCOMPARE(shown(u"stripChannel"_qs).size(), channels);
    }

    // The feed's task runs when the tab comes and again when what it depends
    // on (the followed channels, the sign-in state) changes while it stays;
    // a change while away waits for the tab to come back.
    void feedTask_data()
    {
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("asks");

        QTest::newRow("follows another channel") << false << "follow" << true;
        QTest::newRow("comes back unchanged") << false << "away, back" << false;
        QTest::newRow("follows while away") << false << "away, follow" << false;
        QTest::newRow("follows while away, comes back") << false << "away, follow, back" << true;
        QTest::newRow("signs out") << true << "sign-out" << true;
    }
    void feedTask()
    {
        QFETCH(bool, signedIn);
        QFETCH(QString, steps);
        QFETCH(bool, asks);
        if (signedIn) {
            m_s->keychain.set(u"session"_qs, m_app->session());
            Defaults::shared().setValue(QLatin1String(AuthStore::accountKey), u"{\"name\":\"Ana\"}"_qs);
        }
        m_s->library.toggleSubscription(fixture(0).id, fixture(0).name, std::optional<QString>());
        m_s->auth = std::make_unique<AuthStore>(m_s->keychain, m_s->web);
        SubsModel model;
        model.setAuth(m_s->auth.get());
        model.setLibrary(&m_s->library);
        const QString key = model.taskKey();
        QCOMPARE(key, (signedIn ? u"acct:"_qs : QString()) + fixture(0).id);
        model.setOnScreen(true);
        QTRY_VERIFY(model.state().isLoaded());
        QTest::qWait(100);
        m_app->requests().clear();

        for (const QString &step : steps.split(u", "_qs)) {
            if (step == u"follow")
                m_s->library.toggleSubscription(fixture(1).id, fixture(1).name, std::optional<QString>());
            else if (step == u"sign-out")
                QCoro::waitFor(m_s->auth->logout(false));
            else
                model.setOnScreen(step == u"back");
        }
        QCOMPARE(model.taskKey() != key, steps.contains(u"follow") || steps.contains(u"sign-out"));
        if (asks) {
            QTRY_VERIFY(!m_app->requests().matching(u"/api/channel/"_qs).isEmpty());
            QTRY_COMPARE(model.loadedKey(), model.taskKey());
        } else {
            QTest::qWait(300);
            QVERIFY(m_app->requests().matching(u"/api/channel/"_qs).isEmpty());
        }
    }

    // A strip tap pushes the channel; a manager row closes the sheet, then
    // pushes; a full swipe unfollows, raising the sync event with false.
    void channelsOpenAndUnfollow()
    {
        QVERIFY(load(2));
        QList<SyncEvent> events;
        m_s->library.onSync = [&](const SyncEvent &e) { events.append(e); };
        QVERIFY(TestTime::waitFor([&] { return shown(u"stripChannel"_qs).size() == 2; }, 3000));
        QVERIFY(m_qml->click(shown(u"stripChannel"_qs).at(1)));
        QCOMPARE(m_s->router.subsPath(), Router::Path{ChannelRoute({fixture(1).id, fixture(1).name})});

        QQuickItem *row = openManager();
        QVERIFY(row);
        bool openAtPush = true;
        connect(&m_s->router, &Router::subsPathChanged, this, [&] { openAtPush = manager()->property("opened").toBool(); });
        QVERIFY(m_qml->click(QmlHarness::findIn(row, u"managerRowButton"_qs)));
        QVERIFY(!openAtPush);
        QCOMPARE(m_s->router.subsPath().last(), Router::Route(ChannelRoute({fixture(0).id, fixture(0).name})));

        QVERIFY(TestTime::waitFor([&] { return !manager()->property("visible").toBool(); }, 3000));
        row = openManager();
        QVERIFY(row);
        const QPointF from = row->mapToScene(QPointF(row->width() - 10, row->height() / 2));
        QTest::mousePress(m_qml->window(), Qt::LeftButton, {}, from.toPoint());
        for (int dx = 20; dx <= row->width() * 0.8; dx += 20)
            QTest::mouseMove(m_qml->window(), (from - QPointF(dx, 0)).toPoint(), 10);
        QTest::mouseRelease(m_qml->window(), Qt::LeftButton, {}, (from - QPointF(row->width() * 0.8, 0)).toPoint());
        QTRY_COMPARE(m_s->library.subscriptions().size(), 1);
        QCOMPARE(events, QList<SyncEvent>{SyncEvent::subscribe(fixture(0).id, false)});
        QCOMPARE(manager()->property("title").toString(), u"Suscripciones (1)"_qs);
    }

    // The sheet is raised over the page: in the dark scheme its rows and
    // its empty part are not the page's black; in the light one they stay white.
    void managerIsRaisedOverThePage_data()
    {
        QTest::addColumn<int>("scheme");
        QTest::addColumn<QColor>("sheet");
        QTest::newRow("dark") << 2 << QColor(0x1C, 0x1C, 0x1E);
        QTest::newRow("light") << 1 << QColor(Qt::white);
    }
    void managerIsRaisedOverThePage()
    {
        QFETCH(int, scheme);
        QFETCH(QColor, sheet);
        AppScheme::shared().setScheme(scheme);
        QVERIFY(load(2));
        QQuickItem *row = openManager();
        QVERIFY(row);
        QTRY_VERIFY(qAbs(manager()->property("y").toDouble() - m_qml->window()->height() / 2.0) < 1);
        QTest::qWait(100);
        const QImage shot = m_qml->window()->grabWindow();
        // Beside the name, and below the last row.
        const QPoint inRow = row->mapToScene(QPointF(row->width() - 8, 8)).toPoint();
        const QPoint below = row->mapToScene(QPointF(row->width() / 2, 3 * row->height())).toPoint();
        QCOMPARE(shot.pixelColor(inRow), sheet);
        QCOMPARE(shot.pixelColor(below), sheet);
        if (scheme == 2)
            QVERIFY(sheet != m_root->property("color").value<QColor>());
    }

    // By name under es_ES: case ignored (equal names keep their order),
    // accents and "ñ" by the locale's rules; and back to the library's order.
    void order()
    {
        const QStringList names{"Oso", "ALBA", "Ñandú", "zeta", "Álvaro", "alba", "Nuria"};
        for (const QString &name : names)
            m_s->library.toggleSubscription(name, name, std::optional<QString>());
        const QList<Subscription> library = m_s->library.subscriptions();
        QStringList sorted;
        for (const Subscription &s : SubscriptionList::byName(library, QLocale(u"es_ES"_qs)))
            sorted.append(s.name);
        QCOMPARE(sorted, (QStringList{"alba", "ALBA", "Álvaro", "Nuria", "Ñandú", "Oso", "zeta"}));
        SubscriptionList list;
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        list.setLibrary(&m_s->library);
        // A new order moves the rows the view holds, so it can animate them.
        QSignalSpy resets(&list, &QAbstractItemModel::modelReset);
        QSignalSpy moves(&list, &QAbstractItemModel::rowsMoved);
        list.setAlphabetical(true);
        QCOMPARE(list.items(), SubscriptionList::byName(library));
        QVERIFY(!moves.isEmpty());
        list.setAlphabetical(false);
        QCOMPARE(list.items(), library);
        QCOMPARE(m_s->library.subscriptions(), library);
        QCOMPARE(resets.size(), 0);
    }

    // Spanish rules whatever the system's locale says.
    void orderIgnoresTheSystemLocale_data()
    {
        QTest::addColumn<QLocale>("system");
        QTest::newRow("C") << QLocale::c();
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates);
    }

    void orderIgnoresTheSystemLocale()
    {
        QFETCH(QLocale, system);
        const QLocale before;
        QLocale::setDefault(system);
        for (const QString &name : {u"Zeta"_qs, u"\u00d3scar"_qs, u"\u00c1rbol"_qs, u"\u00d1and\u00fa"_qs, u"Nuria"_qs, u"Oso"_qs})
            m_s->library.toggleSubscription(name, name, std::optional<QString>());
        SubscriptionList list;
        list.setLibrary(&m_s->library);
        list.setAlphabetical(true);
        QLocale::setDefault(before);
        QStringList sorted;
        for (const Subscription &s : list.items())
            sorted.append(s.name);
        QCOMPARE(sorted, (QStringList{u"\u00c1rbol"_qs, u"Nuria"_qs, u"\u00d1and\u00fa"_qs, u"\u00d3scar"_qs, u"Oso"_qs, u"Zeta"_qs}));
    }
};

QTEST_MAIN(TestSubscriptionsView)
#include "tst_subscriptionsview.moc"
