#include "AppFixture.h"
#include "AppScheme.h"
#include "AvatarStore.h"
#include "Defaults.h"
#include "Haptics.h"
#include "LibraryStore.h"
#include "Opener.h"
#include "Pasteboard.h"
#include "PlayerStore.h"
#include "QmlHarness.h"
#include "Router.h"
#include "ShareSheet.h"
#include "SimulatedEngine.h"
#include "TestDirs.h"
#include "VideoMenu.h"
#include "YouTubeLink.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <memory>

namespace {

Video video(const QString &id, const QString &channel, std::optional<QString> channelId)
{
    Video v;
    v.id = id;
    v.title = QStringLiteral("Título ") + id;
    v.channel = channel;
    v.channelId = std::move(channelId);
    v.duration = 300;
    return v;
}

QStringList labels(const QList<MenuEntry> &entries)
{
    QStringList out;
    for (const auto &e : entries)
        out.append(e.title);
    return out;
}

const QString kPlayNext = QStringLiteral("Reproducir a continuación");
const QString kEnqueue = QStringLiteral("Añadir a la cola");
const QString kSave = QStringLiteral("Guardar en lista…");
const QString kLater = QStringLiteral("Ver más tarde");
const QString kUnlater = QStringLiteral("Quitar de Ver más tarde");
const QString kLike = QStringLiteral("Me gusta");
const QString kUnlike = QStringLiteral("Quitar me gusta");
const QString kShare = QStringLiteral("Compartir");
const QString kChannel = QStringLiteral("Ir al canal");
const QString kCopy = QStringLiteral("Copiar enlace");
const QString kOpen = QStringLiteral("Abrir en YouTube");
const QString kHide = QStringLiteral("No me interesa este canal");

// Popups live in the window's overlay, outside the root's item tree.
} // namespace

class TestVideoContextMenu : public QObject
{
    Q_OBJECT

    std::unique_ptr<LibraryStore> m_library;
    std::unique_ptr<PlayerStore> m_player;
    std::unique_ptr<Router> m_router;

    std::unique_ptr<VideoMenu> menuFor(const Video &v)
    {
        auto menu = std::make_unique<VideoMenu>();
        menu->setVideo(v);
        menu->setLibrary(m_library.get());
        menu->setPlayer(m_player.get());
        menu->setRouter(m_router.get());
        return menu;
    }

private slots:
    void initTestCase()
    {
        AppFixture::prepare();
        Opener::setHandler([](const QUrl &) { return true; });
    }

    void init()
    {
        TestDirs::isolate();
        Defaults::shared().setValue(QStringLiteral("pref.haptics"), true);
        m_library = std::make_unique<LibraryStore>();
        m_player = std::make_unique<PlayerStore>(new SimulatedEngine);
        m_router = std::make_unique<Router>();
        Haptics::shared().clear();
        Opener::shared().clear();
        ShareSheet::shared().dismiss();
    }

    void cleanup()
    {
        AppScheme::shared().setScheme(0);
        m_player.reset();
        m_router.reset();
        m_library.reset();
        LibraryStore::waitForWrites();
    }

    // The items and their order for the video and what the library holds.
    void itemsAndOrder_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("channel");
        QTest::addColumn<QVariant>("channelId"); // a string, or invalid for none
        QTest::addColumn<bool>("inLater");
        QTest::addColumn<bool>("liked");
        QTest::addColumn<QStringList>("expected");

        const QVariant none;
        QTest::newRow("all ten") << "dQw4w9WgXcQ" << "Canal" << QVariant("UC1") << false << false
                                 << QStringList{kPlayNext, kEnqueue, kSave, kLater, kLike, kShare, kChannel, kCopy, kOpen, kHide};
        QTest::newRow("in watch later and liked") << "dQw4w9WgXcQ" << "Canal" << QVariant("UC1") << true << true
                                                  << QStringList{kPlayNext, kEnqueue, kSave, kUnlater, kUnlike, kShare, kChannel, kCopy, kOpen, kHide};
        QTest::newRow("no channel id: nine") << "dQw4w9WgXcQ" << "Canal" << none << false << true
                                             << QStringList{kPlayNext, kEnqueue, kSave, kLater, kUnlike, kShare, kCopy, kOpen, kHide};
        QTest::newRow("no channel at all: eight, ending with the site") << "dQw4w9WgXcQ" << "" << none << true << false
                                                                         << QStringList{kPlayNext, kEnqueue, kSave, kUnlater, kLike, kShare, kCopy, kOpen};
        QTest::newRow("an empty channel id still shows the channel") << "dQw4w9WgXcQ" << "Canal" << QVariant("") << false << false
                                                                      << QStringList{kPlayNext, kEnqueue, kSave, kLater, kLike, kShare, kChannel, kCopy, kOpen, kHide};
        QTest::newRow("an id that forms no link: no share") << "a b" << "Canal" << QVariant("UC1") << false << false
                                                            << QStringList{kPlayNext, kEnqueue, kSave, kLater, kLike, kChannel, kCopy, kOpen, kHide};
    }
    void itemsAndOrder()
    {
        QFETCH(QString, id);
        QFETCH(QString, channel);
        QFETCH(QVariant, channelId);
        QFETCH(bool, inLater);
        QFETCH(bool, liked);
        const Video v = video(id, channel, channelId.isValid() ? std::optional<QString>(channelId.toString()) : std::nullopt);
        if (inLater)
            m_library->toggleWatchLater(v);
        if (liked)
            m_library->toggleLike(v);

        const auto menu = menuFor(v);
        const QList<MenuEntry> entries = menu->entries();
        QFETCH(QStringList, expected);
        QCOMPARE(labels(entries), expected);
        for (const auto &e : entries) {
            QVERIFY(!e.symbol.isEmpty());
            QCOMPARE(e.destructive, e.title == kHide);
        }
        // The symbols of the two toggles follow their labels.
        for (const auto &e : entries) {
            if (e.id == QLatin1String("watchLater"))
                QCOMPARE(e.symbol, inLater ? QStringLiteral("clock.badge.xmark") : QStringLiteral("clock"));
            if (e.id == QLatin1String("like"))
                QCOMPARE(e.symbol, liked ? QStringLiteral("hand.thumbsup.fill") : QStringLiteral("hand.thumbsup"));
        }
        // The model the kit's menu shows says the same.
        const QVariantList model = menu->menuModel();
        QCOMPARE(model.size(), entries.size());
        QCOMPARE(model.first().toMap().value(QStringLiteral("id")).toString(), QStringLiteral("playNext"));
    }

    // The toggles reach the library, their labels follow it, and only they
    // give a haptic (when on).
    void toggles_data()
    {
        QTest::addColumn<bool>("haptics");
        QTest::newRow("haptics on") << true;
        QTest::newRow("haptics off") << false;
    }
    void toggles()
    {
        QFETCH(bool, haptics);
        Defaults::shared().setValue(QStringLiteral("pref.haptics"), haptics);
        const Video v = video(QStringLiteral("dQw4w9WgXcQ"), QStringLiteral("Canal"), QStringLiteral("UC1"));
        const auto menu = menuFor(v);
        menu->trigger(QStringLiteral("watchLater"));
        QVERIFY(m_library->isWatchLater(v.id));
        QVERIFY(labels(menu->entries()).contains(kUnlater));
        menu->trigger(QStringLiteral("watchLater"));
        QVERIFY(!m_library->isWatchLater(v.id));
        QVERIFY(labels(menu->entries()).contains(kLater));
        menu->trigger(QStringLiteral("like"));
        QVERIFY(m_library->isLiked(v.id));
        QVERIFY(labels(menu->entries()).contains(kUnlike));
        menu->trigger(QStringLiteral("copyLink"));
        QCOMPARE(Haptics::shared().given(), haptics ? QStringList({"light", "light", "light"}) : QStringList{});
    }

    void queueItems()
    {
        const Video a = video(QStringLiteral("aaaaaaaaaaa"), QStringLiteral("Canal"), std::nullopt);
        const Video b = video(QStringLiteral("bbbbbbbbbbb"), QStringLiteral("Canal"), std::nullopt);
        menuFor(a)->trigger(QStringLiteral("enqueue"));
        menuFor(b)->trigger(QStringLiteral("enqueue"));
        QCOMPARE(m_player->toast().value_or(QString()), QStringLiteral("Añadido a la cola"));
        QCOMPARE(m_player->queue(), (QList<Video>{a, b}));

        // Already queued: nothing.
        QSignalSpy queued(m_player.get(), &PlayerStore::queueChanged);
        menuFor(a)->trigger(QStringLiteral("enqueue"));
        QCOMPARE(queued.size(), 0);

        // Play next moves the one copy to the head.
        menuFor(b)->trigger(QStringLiteral("playNext"));
        QCOMPARE(m_player->queue(), (QList<Video>{b, a}));
        QCOMPARE(m_player->toast().value_or(QString()), QStringLiteral("Se reproducirá a continuación"));
    }

    void navigationItems()
    {
        const Video v = video(QStringLiteral("dQw4w9WgXcQ"), QStringLiteral("El Canal"), QStringLiteral("UCcanal"));
        const auto menu = menuFor(v);
        menu->trigger(QStringLiteral("saveToPlaylist"));
        QCOMPARE(m_router->playlistVideo(), std::optional<Video>(v));

        menu->trigger(QStringLiteral("openChannel"));
        QCOMPARE(m_router->homePath().size(), 1);
        QVERIFY(std::holds_alternative<ChannelRoute>(m_router->homePath().first()));
        QCOMPARE(std::get<ChannelRoute>(m_router->homePath().first()),
                 (ChannelRoute{QStringLiteral("UCcanal"), QStringLiteral("El Canal")}));
        QCOMPARE(m_router->tab(), AppTab::home);
    }

    void linkItems()
    {
        const Video v = video(QStringLiteral("dQw4w9WgXcQ"), QStringLiteral("Canal"), std::nullopt);
        const auto menu = menuFor(v);

        menu->trigger(QStringLiteral("copyLink"));
        QCOMPARE(Pasteboard::shared().string(), QStringLiteral("https://youtu.be/dQw4w9WgXcQ"));
        QCOMPARE(m_player->toast().value_or(QString()), QStringLiteral("Enlace copiado"));

        menu->trigger(QStringLiteral("share"));
        QVERIFY(ShareSheet::shared().active());
        QCOMPARE(ShareSheet::shared().kind(), ShareSheet::Link);
        QCOMPARE(ShareSheet::shared().url(), QUrl(QStringLiteral("https://youtu.be/dQw4w9WgXcQ")));
        QVERIFY(ShareSheet::shared().title().isEmpty());

        menu->trigger(QStringLiteral("openOnSite"));
        QCOMPARE(Opener::shared().opened(), QList<QUrl>{QUrl(QStringLiteral("https://www.youtube.com/watch?v=dQw4w9WgXcQ"))});
        // Whatever the id holds stays inside the one query value.
        QCOMPARE(YouTubeLink::watchLink(QStringLiteral("a&b=c#d")),
                 QStringLiteral("https://www.youtube.com/watch?v=a%26b%3Dc%23d"));

        // An id that forms no short link is still copied as text.
        const auto odd = menuFor(video(QStringLiteral("a b"), QStringLiteral("Canal"), std::nullopt));
        odd->trigger(QStringLiteral("copyLink"));
        QCOMPARE(Pasteboard::shared().string(), QStringLiteral("https://youtu.be/a b"));
    }

    // A choice acts on the video the menu was opened for, even when the card
    // has since been handed another video (a reused delegate, a refreshed list).
    void choiceActsOnTheOpenedVideo_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("share") << QStringLiteral("share");
        QTest::newRow("copy link") << QStringLiteral("copyLink");
        QTest::newRow("watch later") << QStringLiteral("watchLater");
        QTest::newRow("save to playlist") << QStringLiteral("saveToPlaylist");
    }

    void choiceActsOnTheOpenedVideo()
    {
        QFETCH(QString, action);
        const Video shown = video(QStringLiteral("aaaaaaaaaaa"), QStringLiteral("Canal A"), std::nullopt);
        const Video later = video(QStringLiteral("bbbbbbbbbbb"), QStringLiteral("Canal B"), std::nullopt);
        const auto menu = menuFor(shown);
        menu->menuModel();
        menu->setVideo(later);
        menu->trigger(action);

        const QString link = QStringLiteral("https://youtu.be/aaaaaaaaaaa");
        if (action == u"share")
            QCOMPARE(ShareSheet::shared().url(), QUrl(link));
        else if (action == u"copyLink")
            QCOMPARE(Pasteboard::shared().string(), link);
        else if (action == u"watchLater")
            QVERIFY(m_library->isWatchLater(shown.id) && !m_library->isWatchLater(later.id));
        else
            QCOMPARE(m_router->playlistVideo().value_or(Video{}).id, shown.id);
        ShareSheet::shared().dismiss();

        // The next opening is for the video shown then.
        menu->menuModel();
        menu->trigger(QStringLiteral("copyLink"));
        QCOMPARE(Pasteboard::shared().string(), QStringLiteral("https://youtu.be/bbbbbbbbbbb"));
    }

    void hideChannelOnce()
    {
        const auto menu = menuFor(video(QStringLiteral("dQw4w9WgXcQ"), QStringLiteral("Canal X"), std::nullopt));
        menu->trigger(QStringLiteral("hideChannel"));
        QCOMPARE(m_library->hiddenChannels(), QStringList{QStringLiteral("Canal X")});
        menu->trigger(QStringLiteral("hideChannel"));
        QCOMPARE(m_library->hiddenChannels().size(), 1);
    }

    // The share sheet is raised over the page, and the shared link's box
    // over the sheet, in either scheme.
    void shareSheetIsRaisedOverThePage_data()
    {
        QTest::addColumn<int>("scheme");
        QTest::addColumn<QColor>("sheet");
        QTest::addColumn<QColor>("box");
        QTest::newRow("dark") << 2 << QColor(0x1C, 0x1C, 0x1E) << QColor(0x2C, 0x2C, 0x2E);
        QTest::newRow("light") << 1 << QColor(Qt::white) << QColor(0xF2, 0xF2, 0xF7);
    }
    void shareSheetIsRaisedOverThePage()
    {
        QFETCH(int, scheme);
        QFETCH(QColor, sheet);
        QFETCH(QColor, box);
        AppScheme::shared().setScheme(scheme);
        QmlHarness qml;
        QQuickItem *host = qml.loadSource("import QtQuick\nimport Nimbelora.Shell\nItem { property alias sheet: sheet\n ShareSheetView { id: sheet } }\n");
        QVERIFY2(host, qPrintable(qml.errors()));
        QObject *view = host->property("sheet").value<QObject *>();
        QVERIFY(ShareSheet::shared().share(QUrl(QStringLiteral("https://youtu.be/dQw4w9WgXcQ"))));
        QTRY_COMPARE(view->property("presentation").toDouble(), 1.0);
        QTest::qWait(100);
        const QImage shot = qml.window()->grabWindow();
        QQuickItem *text = qml.find(u"sharedText"_qs);
        QVERIFY(text);
        // Left of the link inside its box, and the sheet's empty bottom.
        const QPoint inBox = text->mapToScene(QPointF(-6, text->height() / 2)).toPoint();
        QCOMPARE(shot.pixelColor(inBox), box);
        QCOMPARE(shot.pixelColor(QPoint(4, qml.window()->height() - 4)), sheet);
        ShareSheet::shared().dismiss();
    }

    // Our share sheet follows the platform state and acts on its item.
    void shareSheetView()
    {
        QmlHarness qml;
        QQuickItem *host = qml.loadSource("import QtQuick\nimport Nimbelora.Shell\nItem { property alias sheet: sheet\n ShareSheetView { id: sheet } }\n");
        QVERIFY2(host, qPrintable(qml.errors()));
        QObject *sheet = host->property("sheet").value<QObject *>();
        QVERIFY(sheet);
        auto opened = [&] { return sheet->property("opened").toBool(); };
        auto named = [&](const QString &name) { return qml.find(name); };

        const QUrl link(QStringLiteral("https://youtu.be/dQw4w9WgXcQ"));
        QVERIFY(ShareSheet::shared().share(link));
        QVERIFY(TestTime::waitFor(opened, 3000));
        QCOMPARE(named(u"sharedText"_qs)->property("text").toString(), link.toString());
        QVERIFY(named(u"shareOpen"_qs)->isVisible());
        QVERIFY(!named(u"shareSave"_qs)->isVisible());
        QTest::qWait(400); // the sheet slides in
        QVERIFY(qml.click(named(u"shareCopy"_qs)));
        QCOMPARE(Pasteboard::shared().string(), link.toString());
        QVERIFY(!ShareSheet::shared().active());
        QVERIFY(TestTime::waitFor([&] { return !opened(); }, 3000));

        QVERIFY(ShareSheet::shared().share(link));
        QVERIFY(TestTime::waitFor(opened, 3000));
        QTest::qWait(400);
        QVERIFY(qml.click(named(u"shareOpen"_qs)));
        QCOMPARE(Opener::shared().opened(), QList<QUrl>{link});
        QVERIFY(TestTime::waitFor([&] { return !opened(); }, 3000));

        // Closed by hand, the share ends too.
        QVERIFY(ShareSheet::shared().share(QStringLiteral("un texto")));
        QVERIFY(TestTime::waitFor(opened, 3000));
        QVERIFY(!named(u"shareOpen"_qs)->isVisible());
        QMetaObject::invokeMethod(sheet, "close");
        QVERIFY(TestTime::waitFor([&] { return !ShareSheet::shared().active(); }, 3000));
    }

    // On a card: a right click opens the kit's menu with these entries, and a
    // choice reaches the library; the next opening shows the new label.
    void cardMenuOpensAndActs()
    {
        AvatarStore avatars; // outlives the card
        QmlHarness qml;
        const Video v = video(QStringLiteral("dQw4w9WgXcQ"), QStringLiteral("Canal"), QStringLiteral("UC1"));
        QQuickItem *card = qml.loadSource("import Nimbelora.Shell\nVideoCard { width: 380 }\n",
                                          {{QStringLiteral("player"), QVariant::fromValue<QObject *>(m_player.get())},
                                           {QStringLiteral("library"), QVariant::fromValue<QObject *>(m_library.get())},
                                           {QStringLiteral("router"), QVariant::fromValue<QObject *>(m_router.get())},
                                           {QStringLiteral("avatars"), QVariant::fromValue<QObject *>(&avatars)},
                                           {QStringLiteral("video"), QVariant::fromValue(v)}});
        QVERIFY2(card, qPrintable(qml.errors()));

        auto openMenu = [&] {
            const QPoint at = card->mapToScene(QPointF(40, 40)).toPoint();
            QTest::mouseClick(qml.window(), Qt::RightButton, {}, at);
            return TestTime::waitFor([&] { return qml.find(u"contextMenuItem9"_qs) != nullptr; }, 3000);
        };
        QVERIFY(openMenu());
        QQuickItem *later = qml.find(u"contextMenuItem3"_qs);
        QVERIFY(later);
        QVERIFY(TestTime::waitFor([&] { return later->isVisible() && later->width() > 0; }, 3000));
        QVERIFY(qml.click(later));
        QVERIFY(TestTime::waitFor([&] { return m_library->isWatchLater(v.id); }, 3000));
        // The menu closed without playing anything.
        QVERIFY(!m_player->current());

        QTest::qWait(300);
        QVERIFY(openMenu());
        QQuickItem *again = qml.find(u"contextMenuItem3"_qs);
        QVERIFY(again);
        QVERIFY(TestTime::waitFor([&] {
            QStringList texts;
            std::function<void(QQuickItem *)> walk = [&](QQuickItem *i) {
                if (i->inherits("QQuickText"))
                    texts << i->property("text").toString();
                for (QQuickItem *c : i->childItems())
                    walk(c);
            };
            walk(again);
            return texts.contains(kUnlater);
        }, 3000));
    }

    // Cards make their menu's actions at the first opening only; each card's
    // menu then offers its own video's entries, follows a video the card is
    // given later, and acts on the video it was opened for.
    void cardMenusMadeOnDemand()
    {
        AvatarStore avatars; // outlives the cards
        QmlHarness qml;
        const Video a = video(QStringLiteral("dQw4w9WgXcQ"), QStringLiteral("Canal"), QStringLiteral("UC1"));
        const Video b = video(QStringLiteral("9bZkp7q19f0"), QStringLiteral("Otro"), QStringLiteral("UC2"));
        const Video c = video(QStringLiteral("kJQP7kiw5Fk"), QStringLiteral("Tercero"), QStringLiteral("UC3"));
        m_library->toggleLike(b);
        QQuickItem *root = qml.loadSource(R"(
            import QtQuick
            import Nimbelora.Shell
            Column {
                property var a; property var b; property var player; property var library; property var router; property var avatars
                property alias first: first
                property alias second: second
                VideoCard { id: first; width: 380; video: parent.a; player: parent.player; library: parent.library; router: parent.router; avatars: parent.avatars }
                VideoCard { id: second; width: 380; video: parent.b; player: parent.player; library: parent.library; router: parent.router; avatars: parent.avatars }
            })", {{QStringLiteral("player"), QVariant::fromValue<QObject *>(m_player.get())},
                  {QStringLiteral("library"), QVariant::fromValue<QObject *>(m_library.get())},
                  {QStringLiteral("router"), QVariant::fromValue<QObject *>(m_router.get())},
                  {QStringLiteral("avatars"), QVariant::fromValue<QObject *>(&avatars)},
                  {QStringLiteral("a"), QVariant::fromValue(a)}, {QStringLiteral("b"), QVariant::fromValue(b)}});
        QVERIFY2(root, qPrintable(qml.errors()));
        auto *first = root->property("first").value<QQuickItem *>();
        auto *second = root->property("second").value<QQuickItem *>();
        QVERIFY(root->findChildren<VideoMenu *>().isEmpty());

        // A closed card's menu keeps its rows, hidden, until it opens again.
        auto row = [&](int i) -> QQuickItem * {
            const QList<QQuickItem *> rows = QmlHarness::shownItems(qml.window()->contentItem(), u"contextMenuItem"_qs + QString::number(i));
            return rows.isEmpty() ? nullptr : rows.first();
        };
        // The entries' titles, read from the menu on screen.
        auto shown = [&] {
            QStringList titles;
            for (int i = 0;; ++i) {
                QQuickItem *entry = row(i);
                if (!entry)
                    return titles;
                titles << entry->property("entry").toMap().value(u"title"_qs).toString();
            }
        };
        auto open = [&](QQuickItem *card) {
            QTest::mouseClick(qml.window(), Qt::RightButton, {}, card->mapToScene(QPointF(40, 40)).toPoint());
            if (!TestTime::waitFor([&] { return row(9) != nullptr; }, 3000))
                return false;
            QTest::qWait(400); // the menu grows in
            return true;
        };
        auto close = [&] {
            QTest::keyClick(qml.window(), Qt::Key_Escape);
            return TestTime::waitFor([&] { return row(9) == nullptr; }, 3000);
        };
        const QStringList base{kPlayNext, kEnqueue, kSave, kLater, kLike, kShare, kChannel, kCopy, kOpen, kHide};
        QStringList liked = base;
        liked[4] = kUnlike;

        QVERIFY(open(first));
        QCOMPARE(shown(), base);
        QCOMPARE(first->findChildren<VideoMenu *>().size(), 1);
        QVERIFY(second->findChildren<VideoMenu *>().isEmpty());
        QVERIFY(close());

        QTest::qWait(300);
        QVERIFY(open(second));
        QCOMPARE(shown(), liked);
        QVERIFY(qml.click(row(4)));
        QVERIFY(TestTime::waitFor([&] { return !m_library->isLiked(b.id); }, 3000));
        QVERIFY(!m_library->isLiked(a.id));

        // The first card, given another video, offers and acts on that one.
        m_library->toggleLike(c);
        root->setProperty("a", QVariant::fromValue(c));
        QTest::qWait(300);
        QVERIFY(open(first));
        QCOMPARE(shown(), liked);
        QCOMPARE(first->findChildren<VideoMenu *>().size(), 1);
        QVERIFY(qml.click(row(4)));
        QVERIFY(TestTime::waitFor([&] { return !m_library->isLiked(c.id); }, 3000));
        QVERIFY(!m_library->isLiked(a.id));
    }
};

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    TestVideoContextMenu test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_videocontextmenu.moc"
