#include "AppFixture.h"
#include "AuthStore.h"
#include "AvatarStore.h"
#include "Defaults.h"
#include "FakeClock.h"
#include "Haptics.h"
#include "HiddenChannelsModel.h"
#include "ListPlayback.h"
#include "LocalListModel.h"
#include "LocalSearch.h"
#include "MemoryKeychain.h"
#include "Pref.h"
#include "QmlHarness.h"
#include "RemoteListModel.h"
#include "LocalListModel.h"
#include "Router.h"
#include "StoreRig.h"
#include "ViewRows.h"
#include "WebSignIn.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {

Video video(const QString &id, const QString &title = {}, const QString &channel = u"Canal"_qs)
{
    Video v;
    v.id = id;
    v.title = title.isEmpty() ? u"Vídeo "_qs + id : title;
    v.channel = channel;
    v.duration = 300;
    return v;
}

QList<Video> videos(int n)
{
    QList<Video> out;
    for (int i = 1; i <= n; ++i)
        out.append(video(u"v"_qs + QString::number(i)));
    return out;
}

QString ids(const QList<Video> &list)
{
    QStringList out;
    for (const Video &v : list)
        out.append(v.id);
    return out.join(u' ');
}

} // namespace

class TestLibraryLists : public QObject
{
    Q_OBJECT

    AppFixture m_backend;
    std::unique_ptr<StoreRig> m_rig;
    std::unique_ptr<MemoryKeychain> m_keychain;
    std::unique_ptr<WebSignIn> m_web;
    std::unique_ptr<AuthStore> m_auth;
    std::unique_ptr<AvatarStore> m_avatars;
    Router m_router;

    LibraryStore &library() { return *m_rig->library; }

    // The stores, signed in as "Ana" when asked.
    void makeAuth(bool signedIn)
    {
        m_keychain = std::make_unique<MemoryKeychain>();
        if (signedIn) {
            m_keychain->set(QString::fromLatin1(AuthStore::sessionKey), u"s1.x.y.z"_qs);
            Defaults::shared().setValue(QString::fromLatin1(AuthStore::accountKey), u"{\"name\":\"Ana\"}"_qs);
        }
        m_auth = std::make_unique<AuthStore>(*m_keychain, *m_web);
    }

    QQuickItem *load(QmlHarness &qml, const QString &file, QVariantMap props = {})
    {
        props.insert({{u"player"_qs, QVariant::fromValue(&m_rig->store)},
                      {u"library"_qs, QVariant::fromValue(m_rig->library.get())},
                      {u"router"_qs, QVariant::fromValue(&m_router)},
                      {u"auth"_qs, QVariant::fromValue(m_auth.get())},
                      {u"avatars"_qs, QVariant::fromValue(m_avatars.get())}});
        const QString layer = file.startsWith(u"History"_qs) ? u"Settings"_qs : u"Screens"_qs;
        QQuickItem *root = qml.load(QUrl(u"qrc:/Nimbelora/"_qs + layer + u"/qml/"_qs + file), props);
        if (!root)
            qWarning("%s", qPrintable(qml.errors()));
        return root;
    }

    // The screen's page-bar button, placed on the screen as the bar would hold it.
    static QQuickItem *trailing(QQuickItem *root)
    {
        auto *button = root->property("navigationTrailing").value<QQuickItem *>();
        button->setParentItem(root);
        return button;
    }

    static bool shown(QQuickItem *root, const QString &name)
    {
        QQuickItem *item = QmlHarness::findIn(root, name);
        return item && item->isVisible();
    }

    // The screens that show local videos as rows, each over six (or `count`)
    // videos whose titles a search can narrow: the list view, or null.
    QQuickItem *rowsScreen(QmlHarness &qml, const QString &screen, int count, FakeClock &clock)
    {
        static const QStringList titles{u"Paella valenciana"_qs, u"Tortilla de patatas"_qs, u"Pan de pueblo"_qs,
                                        u"Pasta fresca"_qs, u"Gazpacho"_qs, u"Patatas bravas"_qs};
        QList<Video> list;
        for (int i = 0; i < count; ++i)
            list.append(video(u"v"_qs + QString::number(i + 1), titles.at(i % titles.size()) + u' ' + QString::number(i + 1)));
        QString id;
        for (const Video &v : list) {
            if (screen == u"liked")
                library().toggleLike(v);
            else if (screen == u"later")
                library().toggleWatchLater(v);
            else if (screen == u"history") {
                clock.advance(8 * 3600); // a few to a day, so days have headers
                library().addToHistory(v);
            } else if (id.isEmpty())
                id = library().createPlaylist(u"Cocina"_qs, QVariant::fromValue(v));
            else
                library().add(v, id);
        }
        QQuickItem *root = nullptr;
        if (screen == u"history")
            root = load(qml, u"HistoryScreen.qml"_qs);
        else if (screen == u"playlist")
            root = load(qml, u"PlaylistDetailScreen.qml"_qs, {{u"playlistId"_qs, id}});
        else
            root = load(qml, u"VideoListScreen.qml"_qs,
                        {{u"title"_qs, screen == u"liked" ? u"Me gusta"_qs : u"Ver más tarde"_qs},
                         {u"list"_qs, int(screen == u"liked" ? LocalListModel::List::Liked : LocalListModel::List::Later)}});
        if (!root)
            return nullptr;
        const QString name = screen == u"history" ? u"historyList"_qs
                             : screen == u"playlist" ? u"playlistVideos"_qs : u"videoList"_qs;
        return QmlHarness::findIn(root, name);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_backend.start(), qPrintable(m_backend.error())); // for the thumbnails
        m_web = std::make_unique<WebSignIn>(WebSignIn::Backing::Memory);
        m_avatars = std::make_unique<AvatarStore>();
    }

    void init()
    {
        QmlHarness::failOnQmlWarnings();
        AppFixture::clearData();
        Haptics::shared().clear();
        m_rig = std::make_unique<StoreRig>(PlayerStore::Waits{});
        m_router.setLibraryPath({});
        makeAuth(false);
    }

    void cleanup()
    {
        m_auth.reset();
        m_rig.reset();
    }

    void localSearch_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("channel");
        QTest::addColumn<bool>("matches");
        QTest::newRow("blank") << u"  \t "_qs << u"Paella"_qs << u"Marta"_qs << true;
        QTest::newRow("spaces and tabs around") << u" \tgatos \t"_qs << u"Si los gatos hablaran"_qs << u"X"_qs << true;
        QTest::newRow("a newline is not trimmed") << u"gatos\n"_qs << u"Si los gatos hablaran"_qs << u"X"_qs << false;
        QTest::newRow("any letter case") << u"GATOS"_qs << u"Si los gatos hablaran"_qs << u"X"_qs << true;
        QTest::newRow("channel only") << u"marta"_qs << u"Paella"_qs << u"Cocina con Marta"_qs << true;
        QTest::newRow("accents count") << u"cafe"_qs << u"Café solo"_qs << u"X"_qs << false;
        QTest::newRow("accented capital") << u"ÉXITO"_qs << u"Un éxito"_qs << u"X"_qs << true;
        QTest::newRow("decomposed query") << u"cafe\u0301"_qs << u"Café solo"_qs << u"X"_qs << true;
        QTest::newRow("decomposed title") << u"café"_qs << u"Cafe\u0301 solo"_qs << u"X"_qs << true;
        QTest::newRow("no match") << u"tortilla"_qs << u"Paella"_qs << u"Marta"_qs << false;
    }

    void localSearch()
    {
        QFETCH(QString, query);
        QFETCH(QString, title);
        QFETCH(QString, channel);
        QFETCH(bool, matches);
        QCOMPARE(LocalSearch(query).matches(video(u"a"_qs, title, channel)), matches);
    }

    void listPlayback_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("shuffle");
        QTest::addColumn<bool>("haptics");
        QTest::addColumn<QString>("played"); // then the queue
        for (bool haptics : {true, false}) {
            const char *h = haptics ? ", haptics" : "";
            QTest::addRow("empty, in order%s", h) << 0 << false << haptics << u"- q"_qs;
            QTest::addRow("empty, shuffled%s", h) << 0 << true << haptics << u"- q"_qs;
            QTest::addRow("one, in order%s", h) << 1 << false << haptics << u"v1"_qs;
            QTest::addRow("one, shuffled%s", h) << 1 << true << haptics << u"v1"_qs;
            QTest::addRow("five, in order%s", h) << 5 << false << haptics << u"v1 v2 v3 v4 v5"_qs;
            // Each step swaps with the first: the generator always says 0.
            QTest::addRow("five, shuffled%s", h) << 5 << true << haptics << u"v2 v3 v4 v5 v1"_qs;
        }
    }

    void listPlayback()
    {
        QFETCH(int, count);
        QFETCH(bool, shuffle);
        QFETCH(bool, haptics);
        QFETCH(QString, played);
        Defaults::shared().setValue(QString(Pref::haptics), haptics);
        PlayerStore &player = m_rig->store;
        player.setQueue({video(u"q"_qs)});
        if (shuffle)
            ListPlayback::shuffle(player, videos(count), [](qsizetype) { return qsizetype(0); });
        else
            ListPlayback::playAll(player, videos(count));
        const QString current = player.current() ? player.current()->id : u"-"_qs;
        QCOMPARE(QStringList({current, ids(player.queue())}).join(u' ').trimmed(), played);
        QCOMPARE(Haptics::shared().given(), haptics ? QStringList{u"light"_qs} : QStringList());
    }

    void remoteTitles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("symbol");
        QTest::newRow("history") << u"history"_qs << u"Historial de YouTube"_qs << u"clock.arrow.circlepath"_qs;
        QTest::newRow("liked") << u"liked"_qs << u"Me gusta"_qs << u"hand.thumbsup"_qs;
        QTest::newRow("later") << u"later"_qs << u"Ver más tarde"_qs << u"clock"_qs;
        QTest::newRow("any other") << u"home"_qs << u"Ver más tarde"_qs << u"clock"_qs;
    }

    void remoteTitles()
    {
        QFETCH(QString, kind);
        QFETCH(QString, title);
        QFETCH(QString, symbol);
        QCOMPARE(RemoteListModel::titleFor(kind), title);
        QCOMPARE(RemoteListModel::symbolFor(kind), symbol);
    }

    // The sections come and go with the library, the queue and the account.
    void libraryTab_data()
    {
        QTest::addColumn<bool>("signedIn");
        QTest::newRow("signed out") << false;
        QTest::newRow("signed in, then out") << true;
    }

    void libraryTab()
    {
        QFETCH(bool, signedIn);
        makeAuth(signedIn);
        QmlHarness qml;
        qml.window()->resize(430, 1400); // every section on screen
        QQuickItem *root = load(qml, u"LibraryView.qml"_qs);
        QVERIFY(root);
        QQuickItem *local = QmlHarness::findIn(root, u"localSection"_qs);
        auto detail = [&](const QString &row) {
            return QmlHarness::findIn(QmlHarness::findIn(root, row), u"groupedRowDetail"_qs)->property("text").toString();
        };
        QCOMPARE(shown(root, u"accountSection"_qs), signedIn);
        QCOMPARE(shown(local, u"groupedHeader"_qs), signedIn);
        QCOMPARE(local->property("header").toString(), signedIn ? u"En este equipo"_qs : QString());
        for (const QString &name : {u"recentSection"_qs, u"queueSection"_qs, u"hiddenSection"_qs})
            QVERIFY2(!shown(root, name), qPrintable(name));
        for (const QString &row : {u"history"_qs, u"liked"_qs, u"later"_qs, u"playlists"_qs, u"stats"_qs})
            QCOMPARE(detail(u"localRow."_qs + row), u"0"_qs);

        for (const Video &v : videos(13))
            library().addToHistory(v);
        m_rig->store.setQueue(videos(10));
        library().hideChannel(u"Canal X"_qs);
        QCOMPARE(QmlHarness::findAllIn(root, u"recentTile"_qs).size(), 12);
        QCOMPARE(detail(u"localRow.stats"_qs), u"13"_qs);
        QCOMPARE(detail(u"localRow.history"_qs), u"13"_qs);
        QCOMPARE(QmlHarness::findIn(root, u"queueSection"_qs)->property("header").toString(), u"En cola · 10"_qs);
        QCOMPARE(QmlHarness::findAllIn(QmlHarness::findIn(root, u"queueSection"_qs), u"videoRow"_qs).size(), 4);

        // A recent tile plays without a haptic; the gear and the hidden row push.
        Defaults::shared().setValue(QString(Pref::haptics), true);
        QQuickItem *second = QmlHarness::findAllIn(root, u"recentTile"_qs).at(1);
        QTRY_VERIFY(second->x() > 0); // laid out
        QVERIFY(qml.click(second));
        QCOMPARE(m_rig->store.current()->id, u"v12"_qs);
        QCOMPARE(Haptics::shared().given(), QStringList());
        QVERIFY(qml.click(trailing(root)));
        QVERIFY(qml.click(QmlHarness::findIn(root, u"hiddenRow"_qs)));
        QCOMPARE(m_router.libraryPath(), (Router::Path{LibraryRoutes::settings(), LibraryRoutes::hidden()}));

        m_rig->store.setQueue({});
        library().unhideChannel(u"Canal X"_qs);
        QVERIFY(!shown(root, u"queueSection"_qs));
        QVERIFY(!shown(root, u"hiddenSection"_qs));
        if (signedIn) {
            QCoro::waitFor(m_auth->logout(false));
            QVERIFY(!shown(root, u"accountSection"_qs));
            QVERIFY(!shown(local, u"groupedHeader"_qs));
        }

    }

    // Each row of the local section is its route: the route's title and
    // symbol, and a click opens that route.
    void localRowsAreTheirRoutes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<LibraryRoute>("route");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("symbol");
        QTest::newRow("history") << u"history"_qs << LibraryRoutes::history() << u"Historial"_qs << u"clock.arrow.circlepath"_qs;
        QTest::newRow("liked") << u"liked"_qs << LibraryRoutes::liked() << u"Me gusta"_qs << u"hand.thumbsup.fill"_qs;
        QTest::newRow("later") << u"later"_qs << LibraryRoutes::later() << u"Ver más tarde"_qs << u"clock.fill"_qs;
        QTest::newRow("playlists") << u"playlists"_qs << LibraryRoutes::playlists() << u"Mis listas"_qs << u"music.note.list"_qs;
        QTest::newRow("stats") << u"stats"_qs << LibraryRoutes::stats() << u"Estadísticas"_qs << u"chart.bar.xaxis"_qs;
    }
    void localRowsAreTheirRoutes()
    {
        QFETCH(QString, name);
        QFETCH(LibraryRoute, route);
        QFETCH(QString, title);
        QFETCH(QString, symbol);
        QmlHarness qml;
        qml.window()->resize(430, 1400);
        QQuickItem *root = load(qml, u"LibraryView.qml"_qs);
        QVERIFY(root);
        QQuickItem *row = QmlHarness::findIn(root, u"localRow."_qs + name);
        QVERIFY(row);
        QCOMPARE(row->property("text").toString(), title);
        QCOMPARE(row->property("symbol").toString(), symbol);
        QVERIFY(qml.click(row));
        QCOMPARE(m_router.libraryPath(), Router::Path{route});
    }

    // A list's screen takes its title, symbol and empty text from the list.
    void listScreens_data()
    {
        QTest::addColumn<int>("list");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("empty");
        QTest::newRow("liked") << int(LocalListModel::List::Liked) << u"Me gusta"_qs << u"hand.thumbsup"_qs
                               << u"Toca «Me gusta» en un vídeo para guardarlo aquí."_qs;
        QTest::newRow("later") << int(LocalListModel::List::Later) << u"Ver más tarde"_qs << u"clock"_qs
                               << u"Guarda vídeos para verlos cuando quieras."_qs;
    }
    void listScreens()
    {
        QFETCH(int, list);
        QFETCH(QString, title);
        QFETCH(QString, symbol);
        QFETCH(QString, empty);
        QmlHarness qml;
        QQuickItem *root = load(qml, u"VideoListScreen.qml"_qs, {{u"list"_qs, list}});
        QVERIFY(root);
        QCOMPARE(root->property("title").toString(), title);
        QQuickItem *state = QmlHarness::findIn(root, u"listEmpty"_qs);
        QCOMPARE(state->property("symbol").toString(), symbol);
        QCOMPARE(state->property("title").toString(), title);
        QCOMPARE(state->property("description").toString(), empty);
    }

    // The empty state stands for the whole list; a search without matches is an empty list.
    void likedList()
    {
        QmlHarness qml;
        QQuickItem *root = load(qml, u"VideoListScreen.qml"_qs, {});
        QVERIFY(root);
        QVERIFY(shown(root, u"listEmpty"_qs));
        QVERIFY(shown(root, u"listSearch"_qs));
        QCOMPARE(QmlHarness::findIn(root, u"searchInput"_qs)->property("placeholderText").toString(), u"Buscar en me gusta"_qs);

        library().toggleLike(video(u"a"_qs, u"Paella valenciana"_qs));
        library().toggleLike(video(u"b"_qs, u"Tortilla"_qs, u"Cocina con Marta"_qs));
        QVERIFY(!shown(root, u"listEmpty"_qs));
        QQuickItem *list = QmlHarness::findIn(root, u"videoList"_qs);
        QmlHarness::findIn(root, u"searchInput"_qs)->setProperty("text", u" marta "_qs);
        QTRY_COMPARE(list->property("count").toInt(), 1);
        QmlHarness::findIn(root, u"searchInput"_qs)->setProperty("text", u"sushi"_qs);
        QTRY_COMPARE(list->property("count").toInt(), 0);
        QVERIFY(list->isVisible());
        QVERIFY(!shown(root, u"listEmpty"_qs));

        // A removal far down the list leaves the rows on screen where they were.
        QmlHarness::findIn(root, u"searchInput"_qs)->setProperty("text", QString());
        for (const Video &v : videos(40))
            library().toggleLike(v);
        QTRY_COMPARE(list->property("count").toInt(), 42);
        list->setProperty("contentY", 2000);
        QTRY_VERIFY(list->property("contentY").toDouble() >= 1990);
        library().removeLiked(u"v20"_qs);
        QTest::qWait(50);
        QVERIFY(list->property("contentY").toDouble() > 1500);
    }

    // "Mostrar" takes its row out alone, so it can fade while the others
    // stay; the last one leaves the empty state.
    void hiddenChannels()
    {
        for (const QString &name : {u"Uno"_qs, u"Dos"_qs, u"Tres"_qs})
            library().hideChannel(name);
        QmlHarness qml;
        QQuickItem *root = load(qml, u"HiddenChannelsScreen.qml"_qs);
        QVERIFY(root);
        auto *model = root->findChild<HiddenChannelsModel *>();
        QVERIFY(model);
        QTRY_COMPARE(QmlHarness::shownItems(root, u"hiddenRow"_qs).size(), 3);
        QVERIFY(!shown(root, u"hiddenEmpty"_qs));
        QSignalSpy resets(model, &QAbstractItemModel::modelReset);
        QSignalSpy removals(model, &QAbstractItemModel::rowsRemoved);

        auto show = [&](const QString &name) {
            for (QQuickItem *row : QmlHarness::shownItems(root, u"hiddenRow"_qs))
                if (row->property("text").toString() == name)
                    return qml.click(QmlHarness::findIn(row, u"showChannel"_qs));
            return false;
        };
        auto rowTop = [&](const QString &name) {
            for (QQuickItem *row : QmlHarness::shownItems(root, u"hiddenRow"_qs))
                if (row->property("text").toString() == name)
                    return row->mapToScene(QPointF()).y();
            return qreal(-1);
        };
        const qreal firstRowTop = rowTop(library().hiddenChannels().first());
        QVERIFY(firstRowTop >= 0);
        QVERIFY(show(u"Dos"_qs));
        QCOMPARE(library().hiddenChannels(), (QStringList{u"Uno"_qs, u"Tres"_qs}));
        QCOMPARE(removals.size(), 1);
        QCOMPARE(removals.first().at(1).toInt(), 1);
        QCOMPARE(resets.size(), 0);
        QTRY_COMPARE(QmlHarness::shownItems(root, u"hiddenRow"_qs).size(), 2);

        QVERIFY(show(u"Uno"_qs));
        QTRY_COMPARE(QmlHarness::shownItems(root, u"hiddenRow"_qs).size(), 1);
        QCOMPARE(library().hiddenChannels(), QStringList{u"Tres"_qs});
        QTRY_COMPARE(rowTop(u"Tres"_qs), firstRowTop); // the rows below have moved up
        QVERIFY(show(u"Tres"_qs));
        QCOMPARE(library().hiddenChannels(), QStringList());
        QVERIFY(shown(root, u"hiddenEmpty"_qs));
        QCOMPARE(resets.size(), 0);
        LibraryStore::waitForWrites();
    }

    // "plus" asks for a name; nothing typed makes "Lista nueva", drawn with the placeholder.
    void newPlaylist()
    {
        QmlHarness qml;
        QQuickItem *root = load(qml, u"PlaylistsScreen.qml"_qs);
        QVERIFY(root);
        QVERIFY(shown(root, u"playlistsEmpty"_qs));
        QVERIFY(qml.click(trailing(root)));
        QObject *alert = root->findChild<QObject *>(u"newListAlert"_qs);
        QTRY_VERIFY(alert->property("opened").toBool());
        QMetaObject::invokeMethod(alert, "confirm");
        QCOMPARE(library().playlists().size(), 1);
        QCOMPARE(library().playlists().first().name, u"Lista nueva"_qs);
        QTRY_VERIFY(shown(root, u"playlistPlaceholder"_qs));
        QCOMPARE(QmlHarness::findIn(root, u"groupedRowSubtitle"_qs)->property("text").toString(), u"0 vídeos"_qs);
    }

    // "Borrar" shows only while there is history, and clears it after the confirmation.
    void clearHistory()
    {
        library().addToHistory(video(u"a"_qs));
        QmlHarness qml;
        QQuickItem *root = load(qml, u"HistoryScreen.qml"_qs);
        QVERIFY(root);
        QQuickItem *clear = trailing(root);
        QVERIFY(clear->isVisible());
        QVERIFY(qml.click(clear));
        QObject *confirm = root->findChild<QObject *>(u"clearHistoryConfirm"_qs);
        QTRY_VERIFY(confirm->property("opened").toBool());
        QMetaObject::invokeMethod(confirm, "confirm");
        QVERIFY(library().history().isEmpty());
        QVERIFY(!clear->isVisible());
        QVERIFY(shown(root, u"historyEmpty"_qs));
    }

    // A search typed key by key and taken back the same way, perhaps right
    // after a row was swiped away, leaves every row of the list drawn, in
    // order, with nothing missing, faded or doubled.
    void searchKeyByKeyThenCleared_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<int>("pause"); // ms between keys; past the fade at 300
        QTest::addColumn<bool>("swipeFirst");
        for (const QString &screen : {u"liked"_qs, u"later"_qs, u"history"_qs}) {
            for (int pause : {0, 30, 300})
                QTest::addRow("%s, %d ms a key", qPrintable(screen), pause) << screen << pause << false;
            QTest::addRow("%s, while a swiped row fades", qPrintable(screen)) << screen << 30 << true;
        }
    }
    void searchKeyByKeyThenCleared()
    {
        QFETCH(QString, screen);
        QFETCH(int, pause);
        QFETCH(bool, swipeFirst);
        FakeClock clock;
        QmlHarness qml;
        QQuickItem *list = rowsScreen(qml, screen, 6, clock);
        QVERIFY(list);
        QTRY_COMPARE(ViewRows::made(list).size(), 6);
        QTRY_COMPARE(ViewRows::problem(list), QString());
        if (swipeFirst) {
            QQuickItem *row = nullptr;
            QMetaObject::invokeMethod(list, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, row), Q_ARG(int, 1));
            ViewRows::swipeAway(row);
            QCOMPARE(ViewRows::model(list).size(), 5);
        }

        QQuickItem *input = QmlHarness::findIn(qml.root(), u"searchInput"_qs);
        const QString query = u"tort"_qs; // "Tortilla de patatas 2" alone
        for (int n = 1; n <= int(query.size()); ++n) {
            input->setProperty("text", query.left(n));
            QTest::qWait(pause);
        }
        QTRY_COMPARE(ViewRows::made(list), QStringList{u"v2"_qs});
        for (int n = int(query.size()) - 1; n >= 0; --n) {
            input->setProperty("text", query.left(n));
            QTest::qWait(pause);
        }
        QTRY_COMPARE(ViewRows::made(list).size(), swipeFirst ? 5 : 6);
        QTRY_COMPARE(ViewRows::problem(list), QString());
        QCOMPARE(ViewRows::made(list), ViewRows::model(list));
        // And it stays so.
        QTest::qWait(400);
        QCOMPARE(ViewRows::problem(list), QString());
        LibraryStore::waitForWrites();
    }

    // The search cleared while a row swiped out of the found ones still
    // fades, or without any removal: the list draws exactly the model's
    // rows, and a press on the first row plays the model's first video.
    void clearWhileRowFades_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<int>("fadeMs"); // -1: nothing swiped away
        for (const QString &screen : {u"liked"_qs, u"later"_qs}) {
            QTest::addRow("%s, at once", qPrintable(screen)) << screen << 0;
            QTest::addRow("%s, mid-fade", qPrintable(screen)) << screen << 120;
            QTest::addRow("%s, just before the end", qPrintable(screen)) << screen << 230;
            QTest::addRow("%s, no removal", qPrintable(screen)) << screen << -1;
        }
    }
    void clearWhileRowFades()
    {
        QFETCH(QString, screen);
        QFETCH(int, fadeMs);
        // 36 videos, three of them summaries in the lower half: cleared, the
        // first row found moves far out of view.
        for (int i = 1; i <= 36; ++i) {
            const bool summary = i == 3 || i == 8 || i == 14;
            const Video v = video(u"v"_qs + QString::number(i),
                                  (summary ? u"Resumen BYTE "_qs : u"Vídeo "_qs) + QString::number(i));
            screen == u"liked" ? library().toggleLike(v) : library().toggleWatchLater(v);
        }
        QmlHarness qml;
        QQuickItem *root = load(qml, u"VideoListScreen.qml"_qs,
                                {{u"list"_qs, int(screen == u"liked" ? LocalListModel::List::Liked : LocalListModel::List::Later)}});
        QVERIFY(root);
        QQuickItem *list = QmlHarness::findIn(root, u"videoList"_qs);
        QTRY_VERIFY(ViewRows::made(list).size() > 3);
        QTRY_COMPARE(ViewRows::problem(list), QString());

        QQuickItem *input = QmlHarness::findIn(root, u"searchInput"_qs);
        input->setProperty("text", fadeMs < 0 ? u"BYTE"_qs : u"resumen"_qs);
        QTRY_COMPARE(ViewRows::made(list).size(), 3);
        QTRY_COMPARE(ViewRows::problem(list), QString());
        if (fadeMs >= 0) {
            QQuickItem *middle = nullptr;
            QMetaObject::invokeMethod(list, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, middle), Q_ARG(int, 1));
            QVERIFY(middle);
            ViewRows::swipeAway(middle);
            QCOMPARE(ViewRows::model(list).size(), 2);
            QTest::qWait(fadeMs);
        }
        QVERIFY(qml.click(QmlHarness::findIn(root, u"searchClear"_qs)));
        QCOMPARE(ViewRows::model(list).size(), fadeMs < 0 ? 36 : 35);

        QTRY_COMPARE(ViewRows::problem(list), QString());
        QTest::qWait(400); // past every fade
        QCOMPARE(ViewRows::problem(list), QString());
        QCOMPARE(ViewRows::made(list).first(), ViewRows::model(list).first());

        const QPoint first = list->mapToScene(QPointF(list->width() / 2, list->property("topMargin").toReal() + 30)).toPoint();
        QTest::mouseClick(qml.window(), Qt::LeftButton, Qt::NoModifier, first);
        QTRY_VERIFY(m_rig->store.current());
        QCOMPARE(m_rig->store.current()->id, ViewRows::model(list).first());
        LibraryStore::waitForWrites();
    }

    // A row swiped away fades while the rows below close up; scrolling
    // afterwards reuses rows, and each of them comes back whole.
    void swipeAwayThenScroll_data()
    {
        QTest::addColumn<QString>("screen");
        for (const QString &screen : {u"liked"_qs, u"later"_qs, u"history"_qs, u"playlist"_qs})
            QTest::newRow(qPrintable(screen)) << screen;
    }
    void swipeAwayThenScroll()
    {
        QFETCH(QString, screen);
        FakeClock clock;
        QmlHarness qml;
        QQuickItem *list = rowsScreen(qml, screen, 30, clock);
        QVERIFY(list);
        QTRY_VERIFY(ViewRows::made(list).size() > 3);
        QTRY_COMPARE(ViewRows::problem(list), QString());

        const QString second = ViewRows::made(list).at(1);
        QQuickItem *row = nullptr;
        QMetaObject::invokeMethod(list, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, row), Q_ARG(int, 1));
        QVERIFY(row);
        ViewRows::swipeAway(row);
        QTRY_VERIFY(!ViewRows::model(list).contains(second));
        QCOMPARE(ViewRows::model(list).size(), 29);
        // Down to the end and back, a screen at a time, while the removal is still animating.
        const qreal end = list->property("contentHeight").toReal();
        for (qreal y = 0; y < end; y += list->height() / 2) {
            list->setProperty("contentY", y);
            QTest::qWait(30);
        }
        QTRY_COMPARE(ViewRows::problem(list), QString());
        for (qreal y = end; y > -list->height(); y -= list->height() / 2) {
            list->setProperty("contentY", std::max(y, -list->property("topMargin").toReal()));
            QTest::qWait(30);
        }
        QTRY_COMPARE(ViewRows::problem(list), QString());
        QCOMPARE(ViewRows::made(list).first(), ViewRows::model(list).first());
        LibraryStore::waitForWrites();
    }

    // A list deleted while its screen is open; renaming starts from the current name.
    void playlistDetail()
    {
        const QString id = library().createPlaylist(u"Viaje"_qs, QVariant::fromValue(video(u"a"_qs)));
        QmlHarness qml;
        QQuickItem *root = load(qml, u"PlaylistDetailScreen.qml"_qs, {{u"playlistId"_qs, id}});
        QVERIFY(root);
        QCOMPARE(root->property("title").toString(), u"Viaje"_qs);
        QVERIFY(shown(root, u"playlistVideos"_qs));
        library().remove(u"a"_qs, id);
        QVERIFY(shown(root, u"playlistEmpty"_qs));
        QMetaObject::invokeMethod(root, "startRenaming");
        QCOMPARE(root->findChild<QObject *>(u"renameAlert"_qs)->property("text").toString(), u"Viaje"_qs);
        library().deletePlaylist(id);
        QVERIFY(shown(root, u"playlistMissing"_qs));
        QVERIFY(!shown(root, u"playlistEmpty"_qs));
        QCOMPARE(root->property("title").toString(), u"Lista"_qs);
        QMetaObject::invokeMethod(root, "startRenaming");
        QCOMPARE(root->findChild<QObject *>(u"renameAlert"_qs)->property("text").toString(), QString());
    }
};

int main(int argc, char *argv[])
{
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);
    TestLibraryLists test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_librarylists.moc"
