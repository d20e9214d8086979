#include "AppFixture.h"
#include "Defaults.h"
#include "DoubleClickTime.h"
#include "MemoryKeychain.h"
#include "NimbeloraApp.h"
#include "Orientation.h"
#include "AppScheme.h"
#include "Colors.h"
#include "Pasteboard.h"
#include "Pref.h"
#include "QmlHarness.h"
#include "RootViewLoad.h"
#include "SampleVideos.h"
#include "ScreenSlot.h"
#include "ShareSheet.h"
#include "SimulatedEngine.h"
#include "WebSignIn.h"

#include <QDir>
#include <QFile>
#include <QQmlComponent>
#include <QTemporaryDir>
#include <QGuiApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>
#include <memory>

Q_IMPORT_QML_PLUGIN(Nimbelora_AppPlugin)

class PlayerStoreProbe
{
public:
    static void setErrorMessage(PlayerStore &s, std::optional<QString> v) { s.setErrorMessage(std::move(v)); }
};

namespace {

Video video(const QString &id) { return sampleVideo(id, 300); }

QPoint centreOf(QQuickItem *item)
{
    return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
}

} // namespace

class TestRootView : public QObject
{
    Q_OBJECT

    AppFixture m_backend;
    std::unique_ptr<MemoryKeychain> m_keychain;
    std::unique_ptr<WebSignIn> m_web;
    std::unique_ptr<NimbeloraApp> m_app;
    std::unique_ptr<QmlHarness> m_qml;
    QQuickItem *m_root = nullptr;

    Router *router() const { return m_app->router(); }
    QQuickItem *find(const QString &name) const { return m_qml->find(name); }

    bool load(bool onboarded = true, bool firstFrameShown = true)
    {
        Defaults::shared().setValue(QString(Pref::onboarded), onboarded);
        m_app = std::make_unique<NimbeloraApp>(NimbeloraApp::Services{new SimulatedEngine, m_keychain.get(), m_web.get(),
                                                                         [] { return new SimulatedEngine; }});
        m_app->appeared();
        m_qml = std::make_unique<QmlHarness>();
        m_root = loadRootView(*m_qml, *m_app, {{u"firstFrameShown"_qs, firstFrameShown}});
        if (!m_root)
            qWarning("%s", qPrintable(m_qml->errors()));
        return m_root != nullptr;
    }

    // The one item of that name on screen, once a page transition is over.
    static QQuickItem *shownOne(QQuickItem *in, const QString &name)
    {
        QmlHarness::waitFor([&] { return QmlHarness::shownItems(in, name).size() == 1; });
        const auto items = QmlHarness::shownItems(in, name);
        return items.size() == 1 ? items.first() : nullptr;
    }

    // Pages above the root of a tab's stack, as the stack shows them.
    int depth(const QString &stack) const { return find(stack)->property("depth").toInt(); }

    QObject *popup(const QString &objectNameOrTitle) const
    {
        for (QObject *o : m_root->findChildren<QObject *>()) {
            if (!o->inherits("QQuickPopup"))
                continue;
            if (o->objectName() == objectNameOrTitle || o->property("title").toString() == objectNameOrTitle)
                return o;
        }
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_backend.start(), qPrintable(m_backend.error()));
    }

    void init()
    {
        // A fresh library; the image cache stays where the loader keeps it.
        AppFixture::clearData();
        m_keychain = std::make_unique<MemoryKeychain>();
        m_web = std::make_unique<WebSignIn>(WebSignIn::Backing::Memory);
        Orientation::clearHistory();
    }

    void cleanup()
    {
        m_qml.reset();
        m_root = nullptr;
        LibraryStore::waitForWrites();
        m_app.reset();
    }

    void tabBar()
    {
        QVERIFY(load());
        const QList<std::pair<QString, AppTab>> tabs{{u"home"_qs, AppTab::home},
                                                     {u"shorts"_qs, AppTab::shorts},
                                                     {u"search"_qs, AppTab::search},
                                                     {u"subscriptions"_qs, AppTab::subscriptions},
                                                     {u"library"_qs, AppTab::library}};
        QStringList labels;
        qreal lastX = -1;
        for (const auto &[name, tab] : tabs) {
            QQuickItem *button = find(u"tab."_qs + name);
            QVERIFY2(button, qPrintable(name));
            labels.append(button->property("text").toString());
            const qreal x = button->mapToScene(QPointF()).x();
            QVERIFY(x > lastX); // in tab order, left to right
            lastX = x;
            QVERIFY(m_qml->click(button));
            QCOMPARE(router()->tab(), tab);
            QCOMPARE(find(u"tabs"_qs)->property("currentIndex").toInt(), int(tab));
        }
        QCOMPARE(labels, (QStringList{u"Inicio"_qs, u"Shorts"_qs, u"Buscar"_qs, u"Suscripciones"_qs, u"Biblioteca"_qs}));
        // The tab bar writes the router and follows it.
        router()->setTab(AppTab::search);
        QCOMPARE(find(u"tabs"_qs)->property("currentIndex").toInt(), int(AppTab::search));
    }

    void tabsAreMadeWhenFirstSelected()
    {
        QVERIFY(load());
        auto rootOf = [this](const QString &stack) { return QmlHarness::findIn(find(stack), u"rootScreen"_qs); };
        QVERIFY(rootOf(u"homeStack"_qs)->property("active").toBool());
        QVERIFY(!rootOf(u"searchStack"_qs)->property("active").toBool());
        QVERIFY(!find(u"shortsScreen"_qs)->property("active").toBool());
        router()->setTab(AppTab::search);
        QVERIFY(rootOf(u"searchStack"_qs)->property("active").toBool());
        router()->setTab(AppTab::home);
        QVERIFY(rootOf(u"searchStack"_qs)->property("active").toBool()); // kept

        // A path written to a stack never shown makes nothing until it is.
        QQuickItem *subs = find(u"subscriptionsStack"_qs);
        router()->setSubsPath({ChannelRoute{u"UC1"_qs, u"Uno"_qs}});
        QVERIFY(!QmlHarness::findIn(subs, u"stackView"_qs));
        QVERIFY(!QmlHarness::findIn(subs, u"pageScreen"_qs));
        router()->setTab(AppTab::subscriptions);
        QCOMPARE(depth(u"subscriptionsStack"_qs), 1);
        // The page is on top and active, the root under it is not.
        auto screenActive = [](QQuickItem *slot) { return slot->property("properties").toMap().value(u"active"_qs).toBool(); };
        QQuickItem *page = QmlHarness::findIn(subs, u"pageScreen"_qs);
        QVERIFY(page && page->isVisible() && screenActive(page));
        QVERIFY(!screenActive(rootOf(u"subscriptionsStack"_qs)));
    }

    // "Ir al canal" on the search tab: the page survives a trip to "Inicio".
    void stacksKeepTheirPathsAcrossTabs()
    {
        QVERIFY(load());
        router()->setTab(AppTab::search);
        router()->openChannel(ChannelRoute{u"UC1"_qs, u"Uno"_qs});
        QCOMPARE(depth(u"searchStack"_qs), 1);
        QCOMPARE(depth(u"homeStack"_qs), 0);
        QVERIFY(m_qml->click(find(u"tab.home"_qs)));
        QVERIFY(m_qml->click(find(u"tab.search"_qs)));
        QCOMPARE(depth(u"searchStack"_qs), 1);
        QCOMPARE(router()->searchPath().size(), 1);

        // Back on the page's bar writes the shorter path.
        QQuickItem *back = QmlHarness::findIn(find(u"searchStack"_qs), u"backButton"_qs);
        QVERIFY(back);
        QTRY_VERIFY(m_qml->click(back));
        QVERIFY(router()->searchPath().isEmpty());
        QTRY_COMPARE(depth(u"searchStack"_qs), 0);
    }

    void shortsRoutesWaitOnTheHomeStack()
    {
        QVERIFY(load());
        QVERIFY(m_qml->click(find(u"tab.shorts"_qs)));
        router()->openPlaylist(u"PLabcdefghijk"_qs);
        QCOMPARE(router()->tab(), AppTab::shorts);
        QCOMPARE(find(u"tabs"_qs)->property("currentIndex").toInt(), int(AppTab::shorts));
        QCOMPARE(depth(u"homeStack"_qs), 1);
        QVERIFY(m_qml->click(find(u"tab.home"_qs)));
        QQuickItem *stack = find(u"homeStack"_qs);
        QVERIFY(stack->isVisible());
        QCOMPARE(depth(u"homeStack"_qs), 1);
        // Until the playlist screen exists, its page shows nothing but the bar.
        QQuickItem *page = QmlHarness::findIn(stack, u"pageScreen"_qs);
        QVERIFY(page);
        QCOMPARE(page->property("item").value<QQuickItem *>() != nullptr,
                 ScreenSlot::exists(QUrl(u"qrc:/Nimbelora/Settings/qml/YTPlaylistScreen.qml"_qs)));
    }

    void pathWrittenElsewhereIsMirrored()
    {
        QVERIFY(load());
        router()->setTab(AppTab::library);
        router()->openChannel(ChannelRoute{u"UC1"_qs, u"Uno"_qs});
        router()->openPlaylist(u"PLabcdefghijk"_qs);
        router()->openChannel(ChannelRoute{u"UC2"_qs, u"Dos"_qs});
        QCOMPARE(depth(u"libraryStack"_qs), 3);
        // Cut back to the first route, then a different second one.
        Router::Path path = router()->libraryPath();
        path.resize(1);
        path.append(YTPlaylistRoute{u"PLzyxwvutsrq"_qs});
        router()->setLibraryPath(path);
        QTRY_COMPARE(depth(u"libraryStack"_qs), 2);
        router()->setLibraryPath({});
        QTRY_COMPARE(depth(u"libraryStack"_qs), 0);
    }

    void playerCoverWriteSide()
    {
        QVERIFY(load());
        PlayerStore *player = m_app->player();
        QVERIFY(!player->expanded());
        QVERIFY(QMetaObject::invokeMethod(m_root, "setPlayerPresented", Q_ARG(QVariant, false)));
        QVERIFY(Orientation::history().isEmpty());

        player->setPresented(true);
        QCOMPARE(Orientation::history(), QList<int>{26});
        QObject *cover = popup(u"playerCover"_qs);
        QVERIFY(cover);
        const bool sheetExists = ScreenSlot::exists(QUrl(u"qrc:/Nimbelora/Player/qml/PlayerSheet.qml"_qs));
        QCOMPARE(cover->property("presented").toBool(), sheetExists);

        // A swipe down: expanded and the mask change together, once.
        QSignalSpy expanded(player, &PlayerStore::expandedChanged);
        QVERIFY(QMetaObject::invokeMethod(m_root, "setPlayerPresented", Q_ARG(QVariant, false)));
        QVERIFY(!player->expanded());
        QCOMPARE(Orientation::history(), (QList<int>{26, 2}));
        QVERIFY(QMetaObject::invokeMethod(m_root, "setPlayerPresented", Q_ARG(QVariant, false)));
        QCOMPARE(Orientation::history(), (QList<int>{26, 2}));
        QCOMPARE(expanded.count(), 1);
        QVERIFY(QMetaObject::invokeMethod(m_root, "setPlayerPresented", Q_ARG(QVariant, true)));
        QVERIFY(player->expanded());
        QCOMPARE(Orientation::history(), (QList<int>{26, 2, 26}));
        QVERIFY(!cover->property("presented").toBool() || sheetExists);
    }

    // A start hands the engine its stream before the player is made, and
    // the player's details wait while the video starts: until then the GUI
    // thread is the engine's. A player opened on a video that plays (or
    // that never starts) has them too.
    void playerMadeBehindTheEngine_data()
    {
        QTest::addColumn<QString>("video"); // "starts", "never starts", "plays already"
        QTest::newRow("starts") << "starts";
        QTest::newRow("never starts") << "never starts";
        QTest::newRow("opened while it plays") << "plays already";
    }

    void playerMadeBehindTheEngine()
    {
        QFETCH(QString, video);
        QVERIFY(load());
        PlayerStore *player = m_app->player();
        auto *engine = qobject_cast<SimulatedEngine *>(player->player());
        QVERIFY(engine);
        auto *slot = qobject_cast<ScreenSlot *>(find(u"playerSheet"_qs));
        QVERIFY(slot);
        if (video == "plays already") {
            player->play(::video(u"p"_qs), std::nullopt, true);
            engine->makeReady();
            player->setPresented(false);
            QTRY_VERIFY(!slot->item());
        }
        qsizetype loadsWhenMade = -1;
        QObject *detailsWhenMade = nullptr;
        connect(slot, &ScreenSlot::itemChanged, this, [&] {
            if (!slot->item() || loadsWhenMade >= 0)
                return;
            loadsWhenMade = engine->loads().size();
            QQuickItem *loader = QmlHarness::findIn(slot->item(), u"detailsLoader"_qs);
            detailsWhenMade = loader ? loader->property("item").value<QObject *>() : nullptr;
        });
        if (video == "plays already")
            player->setPresented(true);
        else
            player->play(::video(u"s"_qs), std::nullopt, true);
        QVERIFY(slot->item());
        QCOMPARE(loadsWhenMade, 1);
        QVERIFY(engine->loads().last().url.toString().contains(video == "plays already" ? u"/p/"_qs : u"/s/"_qs));
        QQuickItem *loader = QmlHarness::findIn(slot->item(), u"detailsLoader"_qs);
        QVERIFY(loader);
        if (video == "plays already") {
            QVERIFY(detailsWhenMade);
            return;
        }
        QVERIFY(!detailsWhenMade);
        if (video == "starts") {
            QTest::qWait(50);
            QVERIFY(!loader->property("item").value<QObject *>());
            engine->makeReady();
            QVERIFY(player->isPlaying() && !player->isBuffering());
        }
        QTRY_VERIFY(loader->property("item").value<QObject *>());
        QVERIFY(QmlHarness::findIn(slot->item(), u"detailsTitle"_qs));
    }

    // A failed or locked player still closes by a drag down on the video.
    void playerDragsDownWhateverItShows_data()
    {
        QTest::addColumn<bool>("failed");
        QTest::addColumn<bool>("locked");
        QTest::newRow("failed") << true << false;
        QTest::newRow("locked") << false << true;
    }

    void playerDragsDownWhateverItShows()
    {
        QFETCH(bool, failed);
        QFETCH(bool, locked);
        QVERIFY(load());
        PlayerStore *player = m_app->player();
        player->setPresented(true);
        QTRY_VERIFY(popup(u"playerCover"_qs)->property("opened").toBool());
        QQuickItem *area = nullptr;
        QTRY_VERIFY((area = find(u"playerArea"_qs)));
        if (failed)
            PlayerStoreProbe::setErrorMessage(*player, u"No se pudo reproducir este vídeo."_qs);
        if (locked)
            QVERIFY(find(u"playerSheet"_qs)->property("item").value<QObject *>()->property("overlay").value<QObject *>()->setProperty("locked", true));
        // Clear of the error box and the unlock button in the middle.
        const QPoint from = area->mapToScene(QPointF(30, area->height() - 20)).toPoint();
        QTest::mousePress(m_qml->window(), Qt::LeftButton, {}, from);
        for (int dy = 10; dy <= 300; dy += 10)
            QTest::mouseMove(m_qml->window(), from + QPoint(0, dy), 8);
        QTest::mouseRelease(m_qml->window(), Qt::LeftButton, {}, from + QPoint(0, 300), 8);
        QTRY_VERIFY(!player->expanded());
    }

    // The player's toast shows at the root while the player is closed, never while it is open.
    void toastOnlyWhileCollapsed()
    {
        QVERIFY(load());
        PlayerStore *player = m_app->player();
        player->setWaits({60000, 1000});
        QQuickItem *toast = find(u"rootToast"_qs);
        QVERIFY(toast);
        player->showToast(u"Añadido a la cola"_qs);
        QCOMPARE(toast->property("text").toString(), u"Añadido a la cola"_qs);
        player->setPresented(true);
        QCOMPARE(toast->property("text").toString(), QString());
        player->setPresented(false);
        QCOMPARE(toast->property("text").toString(), u"Añadido a la cola"_qs);
    }

    void onboardingFollowsTheSetting()
    {
        QVERIFY(load(false));
        // Made afresh each time it is shown, and let go after.
        QPointer<QObject> cover;
        QTRY_VERIFY((cover = popup(u"onboardingCover"_qs)));
        QTRY_VERIFY(cover->property("opened").toBool());
        QTRY_VERIFY(find(u"onboardingSkip"_qs));
        // A video opened meanwhile waits under the welcome, then shows.
        m_app->player()->setPresented(true);
        QVERIFY(!popup(u"playerCover"_qs)->property("presented").toBool());
        QVERIFY(m_qml->click(find(u"onboardingSkip"_qs)));
        QVERIFY(Defaults::shared().boolValue(Pref::onboarded));
        QTRY_VERIFY(!cover || !cover->property("visible").toBool());
        QVERIFY(popup(u"playerCover"_qs)->property("presented").toBool());
        m_app->player()->setPresented(false);
        QTRY_VERIFY(!find(u"onboardingSkip"_qs));
        QTRY_VERIFY(!cover);

        // "Ver la bienvenida otra vez": back at once, from the first page.
        Defaults::shared().setValue(QString(Pref::onboarded), false);
        QTRY_VERIFY((cover = popup(u"onboardingCover"_qs)) && cover->property("opened").toBool());
        QTRY_VERIFY(find(u"onboardingSkip"_qs));
        QCOMPARE(find(u"onboardingPages"_qs)->property("currentIndex").toInt(), 0);

        // Closed another way: it counts as done.
        QMetaObject::invokeMethod(cover, "close");
        QTRY_VERIFY(Defaults::shared().boolValue(Pref::onboarded));
    }

    // Covers share z 0 with every popup, so what opens inside one shows over
    // it and takes the click; inside the player (dark in a light app) it is dark.
    void popupsInCovers_data()
    {
        QTest::addColumn<QString>("cover");
        QTest::addColumn<QString>("kind");
        for (const char *cover : {"player", "onboarding"})
            for (const char *kind : {"sheet", "contextMenu", "menu"})
                QTest::addRow("%s %s", cover, kind) << QString::fromLatin1(cover) << QString::fromLatin1(kind);
    }

    void popupsInCovers()
    {
        QFETCH(QString, cover);
        QFETCH(QString, kind);
        AppScheme::shared().setScheme(1);
        QVERIFY(load(cover == u"player"_qs));
        if (cover == u"player"_qs)
            m_app->player()->setPresented(true);
        QObject *shown = nullptr;
        QTRY_VERIFY((shown = popup(cover + u"Cover"_qs)) && shown->property("opened").toBool());
        QQmlComponent c(&m_qml->engine());
        c.setData(R"(import QtQuick; import QtQuick.Controls.Basic; import Nimbelora.Foundation
            Item {
                property int clicks: 0
                property alias sheet: sheet
                BottomSheet { id: sheet
                    Flickable { objectName: "sheetScroller"; anchors.fill: parent; contentHeight: 3000
                        Button { objectName: "sheetEntry"; text: "Uno"; onClicked: clicks++ } } }
                ContextMenu { id: contextMenu; model: [{ label: "Uno" }]; onTriggered: clicks++ }
                Menu { id: menu; MenuItem { objectName: "menuEntry"; text: "Uno"; onTriggered: clicks++ } }
                function open(kind) { kind === "sheet" ? sheet.open() : kind === "menu" ? menu.popup(40, 40) : contextMenu.popup(40, 40) }
            })", QUrl(u"qrc:/test/Probe.qml"_qs));
        auto *probe = qobject_cast<QQuickItem *>(c.create());
        QVERIFY2(probe, qPrintable(c.errorString()));
        probe->setParent(m_root);
        probe->setParentItem(shown->property("contentItem").value<QQuickItem *>());
        QMetaObject::invokeMethod(probe, "open", Q_ARG(QVariant, kind));
        const QString entry = kind == u"contextMenu"_qs ? u"contextMenuItem0"_qs : kind + u"Entry"_qs;
        QTRY_VERIFY(find(entry) && find(entry)->isVisible());
        QTest::qWait(500); // the opening transition
        QVERIFY(m_qml->click(find(entry)));
        QTRY_COMPARE(probe->property("clicks").toInt(), 1);
        QCOMPARE(probe->property("sheet").value<QObject *>()->property("color").value<QColor>(),
                 Colors::color(Colors::Background, cover == u"player"_qs));
        if (kind == u"sheet"_qs) {
            // The wheel scrolls what the sheet holds, not the cover beneath.
            QQuickItem *scroller = find(u"sheetScroller"_qs);
            m_qml->wheel(scroller, QPoint(0, -120));
            QTRY_VERIFY_WITH_TIMEOUT(scroller->property("contentY").toReal() > 0, 1000);
        }
        if (cover != u"player"_qs || kind != u"sheet"_qs)
            return;
        // The window's one share sheet, over the player and the sheet in it.
        QVERIFY(ShareSheet::shared().share(QUrl(u"https://youtu.be/abcdefghijk?t=42"_qs)));
        QTRY_VERIFY(popup(u"shareSheet"_qs)->property("opened").toBool());
        QCOMPARE(popup(u"shareSheet"_qs)->property("color").value<QColor>(), Colors::color(Colors::SheetBackground, true));
        QVERIFY(m_qml->click(find(u"shareCopy"_qs)));
        QCOMPARE(Pasteboard::shared().string(), u"https://youtu.be/abcdefghijk?t=42"_qs);
        QTRY_VERIFY(!popup(u"shareSheet"_qs)->property("visible").toBool());
        QVERIFY(probe->property("sheet").value<QObject *>()->property("opened").toBool());
    }

    void addToPlaylistSheetFollowsTheRouter()
    {
        QVERIFY(load());
        router()->setPlaylistVideo(video(u"a"_qs));
        QObject *sheet = nullptr;
        QTRY_VERIFY((sheet = popup(u"Guardar en lista"_qs)) && sheet->property("opened").toBool());
        QCOMPARE(sheet->property("video").value<Video>().id, u"a"_qs);

        // Another video: another sheet.
        router()->setPlaylistVideo(video(u"b"_qs));
        QTRY_VERIFY((sheet = popup(u"Guardar en lista"_qs)) && sheet->property("video").value<Video>().id == u"b"_qs);
        QTRY_VERIFY(sheet->property("opened").toBool());

        QVERIFY(m_qml->click(m_qml->find(u"addToPlaylistDone"_qs)));
        QTRY_VERIFY(!router()->playlistVideo());
        QTRY_VERIFY(!popup(u"Guardar en lista"_qs));
    }

    // Every tab but Shorts docks a mini player, made with its stack; only the
    // one on screen is active and shows the video surface.
    void miniPlayerDockedOnStacksOnly()
    {
        QVERIFY(load());
        const bool barExists = ScreenSlot::exists(QUrl(u"qrc:/Nimbelora/Player/qml/MiniPlayerBar.qml"_qs));
        for (const QString &stack : {u"homeStack"_qs, u"searchStack"_qs, u"subscriptionsStack"_qs, u"libraryStack"_qs}) {
            auto *slot = qobject_cast<ScreenSlot *>(QmlHarness::findIn(find(stack), u"miniPlayerSlot"_qs));
            QVERIFY2(slot, qPrintable(stack));
            QCOMPARE(slot->item() != nullptr, barExists && stack == u"homeStack"_qs);
        }
        QVERIFY(!QmlHarness::findIn(find(u"shortsScreen"_qs), u"miniPlayerSlot"_qs));
        if (!barExists)
            return;
        auto bar = [this](const QString &stack) {
            return qobject_cast<ScreenSlot *>(QmlHarness::findIn(find(stack), u"miniPlayerSlot"_qs))->item();
        };
        auto showsSurface = [this](QQuickItem *bar) {
            for (QQuickItem *p = m_app->player()->surface()->parentItem(); p; p = p->parentItem())
                if (p == bar)
                    return true;
            return false;
        };
        QVERIFY(bar(u"homeStack"_qs)->property("active").toBool());
        QVERIFY(showsSurface(bar(u"homeStack"_qs)));
        router()->setTab(AppTab::search);
        QVERIFY(!bar(u"homeStack"_qs)->property("active").toBool());
        QVERIFY(bar(u"searchStack"_qs)->property("active").toBool());
        QVERIFY(showsSurface(bar(u"searchStack"_qs)));
        router()->setTab(AppTab::home);
        QVERIFY(bar(u"homeStack"_qs)->property("active").toBool());
        QVERIFY(!bar(u"searchStack"_qs)->property("active").toBool());
        QVERIFY(showsSurface(bar(u"homeStack"_qs)));
    }

    // The mini player is made after the first frame, yet a video loaded
    // before it still gets its bar.
    void miniPlayerWaitsForTheFirstFrame_data()
    {
        QTest::addColumn<bool>("playFirst");
        QTest::newRow("first frame, then playback") << false;
        QTest::newRow("playback before the first frame") << true;
    }
    void miniPlayerWaitsForTheFirstFrame()
    {
        if (!ScreenSlot::exists(QUrl(u"qrc:/Nimbelora/Player/qml/MiniPlayerBar.qml"_qs)))
            QSKIP("no mini player yet");
        QFETCH(bool, playFirst);
        QVERIFY(load(true, false));
        auto *slot = qobject_cast<ScreenSlot *>(QmlHarness::findIn(find(u"homeStack"_qs), u"miniPlayerSlot"_qs));
        QVERIFY(slot);
        QVERIFY(!slot->item());
        PlayerStore *player = m_app->player();
        player->setWaits({60000, 1000});

        if (playFirst) {
            player->play(video(u"a"_qs), std::nullopt, true);
            QVERIFY(slot->item());
        } else {
            m_root->setProperty("firstFrameShown", true);
            QVERIFY(slot->item());
            QVERIFY(!slot->item()->property("hasVideo").toBool());
            QCOMPARE(slot->implicitHeight(), 0.0);
            player->play(video(u"a"_qs), std::nullopt, true);
        }
        QQuickItem *bar = slot->item();
        QVERIFY(bar->property("hasVideo").toBool());
        player->setPresented(false);
        QVERIFY(slot->implicitHeight() > 0);
        QVERIFY(QmlHarness::waitFor([&] { return QmlHarness::shownItems(bar, u"miniPlayerContent"_qs).size() == 1; }));
        // The first frame coming later keeps the bar made for the video.
        m_root->setProperty("firstFrameShown", true);
        QCOMPARE(slot->item(), bar);
    }

    // The toast and the share sheet are made after the first frame; what was
    // asked of them before shows then.
    void toastAndShareSheetAfterTheFirstFrame()
    {
        QVERIFY(load(true, false));
        QVERIFY(!find(u"rootToast"_qs));
        QVERIFY(!popup(u"shareSheet"_qs));
        m_app->player()->setWaits({60000, 1000});
        m_app->player()->showToast(u"Añadido a la cola"_qs);
        QVERIFY(ShareSheet::shared().share(QUrl(u"https://youtu.be/abcdefghijk"_qs)));

        m_root->setProperty("firstFrameShown", true);
        QQuickItem *toast = find(u"rootToast"_qs);
        QVERIFY(toast);
        QCOMPARE(toast->property("text").toString(), u"Añadido a la cola"_qs);
        QTRY_VERIFY(popup(u"shareSheet"_qs) && popup(u"shareSheet"_qs)->property("opened").toBool());
        QVERIFY(m_qml->click(find(u"shareCopy"_qs)));
        QCOMPARE(Pasteboard::shared().string(), u"https://youtu.be/abcdefghijk"_qs);
        QTRY_VERIFY(!ShareSheet::shared().active());
    }

    // The one route table: every route shows its screen, with what it needs.
    void routeTable_data()
    {
        QTest::addColumn<QVariant>("route");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("value");
        auto row = [](const char *name, const auto &route, const char *file, const char *property = "", const char *value = "") {
            QTest::newRow(name) << QVariant::fromValue(route) << QString::fromLatin1(file) << QString::fromLatin1(property)
                                << QString::fromUtf8(value);
        };
        row("channel", ChannelRoute{u"UC1"_qs, u"Uno"_qs}, "ChannelView.qml", "title", "Uno");
        row("yt playlist", YTPlaylistRoute{u"PLabcdefghijk"_qs}, "YTPlaylistScreen.qml", "playlistId", "PLabcdefghijk");
        row("history", LibraryRoutes::history(), "HistoryScreen.qml");
        row("liked", LibraryRoutes::liked(), "VideoListScreen.qml", "title", "Me gusta");
        row("later", LibraryRoutes::later(), "VideoListScreen.qml", "title", "Ver más tarde");
        row("settings", LibraryRoutes::settings(), "SettingsView.qml");
        row("playlists", LibraryRoutes::playlists(), "PlaylistsScreen.qml");
        row("playlist", LibraryRoutes::playlist(u"P1"_qs), "PlaylistDetailScreen.qml", "playlistId", "P1");
        row("hidden", LibraryRoutes::hidden(), "HiddenChannelsScreen.qml");
        row("stats", LibraryRoutes::stats(), "StatsScreen.qml");
        row("remote other kind", LibraryRoutes::remote(u"otra"_qs), "RemoteListScreen.qml", "kind", "otra");
        row("sponsor categories", LibraryRoutes::sponsorCategories(), "SponsorCategoriesScreen.qml");
        row("home categories", LibraryRoutes::homeCategories(), "CategoriesScreen.qml");
        row("changelog", LibraryRoutes::changelog(), "ChangelogView.qml");
    }

    void routeTable()
    {
        QFETCH(QVariant, route);
        QFETCH(QString, file);
        QFETCH(QString, property);
        QFETCH(QString, value);
        QVERIFY(load());
        router()->setTab(AppTab::library);
        router()->open(route);
        QTRY_COMPARE(depth(u"libraryStack"_qs), 1);
        QQuickItem *stack = find(u"libraryStack"_qs);
        auto *slot = qobject_cast<ScreenSlot *>(
            QmlHarness::findIn(stack->property("_view").value<QQuickItem *>()->property("currentItem").value<QQuickItem *>(),
                               u"pageScreen"_qs));
        QVERIFY(slot);
        QVERIFY2(slot->source().toString().endsWith(u"/"_qs + file), qPrintable(slot->source().toString()));
        QVERIFY(slot->item());
        QCOMPARE(stack->property("topScreen").value<QQuickItem *>(), slot->item());
        if (!property.isEmpty())
            QCOMPARE(slot->item()->property(property.toUtf8()).toString(), value);
    }

    // Screens only name routes: library routes land on the library path
    // whatever the tab; others on the selected tab's; anything else on none.
    void openRoutes()
    {
        Router r;
        r.setTab(AppTab::search);
        r.open(QVariant::fromValue(LibraryRoutes::hidden()));
        r.open(QVariant::fromValue(ChannelRoute{u"UC1"_qs, u"Uno"_qs}));
        r.open(QVariant(u"nada"_qs));
        QCOMPARE(r.libraryPath(), (Router::Path{LibraryRoutes::hidden()}));
        QCOMPARE(r.searchPath(), (Router::Path{ChannelRoute{u"UC1"_qs, u"Uno"_qs}}));
        QVERIFY(r.homePath().isEmpty());
    }

    // The bar of a pushed page: the screen's title and trailing button, and
    // back writes the shorter path.
    void pageBar()
    {
        QVERIFY(load());
        const QString id = m_app->library()->createPlaylist(u"Viaje"_qs, std::nullopt);
        router()->setTab(AppTab::library);
        QVERIFY(m_qml->click(find(u"tab.library"_qs)));
        router()->open(QVariant::fromValue(LibraryRoutes::playlist(id)));
        QTRY_COMPARE(depth(u"libraryStack"_qs), 1);
        QQuickItem *stack = find(u"libraryStack"_qs);
        QQuickItem *page = stack->property("topScreen").value<QQuickItem *>();
        QVERIFY(page);
        QQuickItem *bar = shownOne(stack, u"navigationBar"_qs);
        QVERIFY(bar);
        QTRY_COMPARE(QmlHarness::findIn(bar, u"navigationTitle"_qs)->property("text").toString(), u"Viaje"_qs);
        QQuickItem *button = QmlHarness::findIn(QmlHarness::findIn(bar, u"navigationTrailing"_qs), u"renameButton"_qs);
        QVERIFY(button);
        QTRY_COMPARE(button->mapToScene(QPointF(button->width(), 0)).x(), stack->width() - 8);
        QVERIFY(m_qml->click(button));
        QTRY_VERIFY(page->findChild<QObject *>(u"renameAlert"_qs)->property("opened").toBool());
        QMetaObject::invokeMethod(page->findChild<QObject *>(u"renameAlert"_qs), "close");
        QTRY_VERIFY(!page->findChild<QObject *>(u"renameAlert"_qs)->property("visible").toBool());

        QVERIFY(m_qml->click(QmlHarness::findIn(bar, u"backButton"_qs)));
        QVERIFY(router()->libraryPath().isEmpty());
        QTRY_COMPARE(depth(u"libraryStack"_qs), 0);
    }

    // Scrolled under its bar, a screen neither covers the bar nor takes its
    // clicks: the chevron goes back and the row beneath it stays as it was.
    void barStaysOverScrolledContent_data()
    {
        QTest::addColumn<QVariant>("route");
        QTest::addColumn<int>("tab");
        QTest::newRow("Ajustes") << QVariant::fromValue(LibraryRoutes::settings()) << int(AppTab::library);
        QTest::newRow("Qué saltar") << QVariant::fromValue(LibraryRoutes::sponsorCategories()) << int(AppTab::library);
        QTest::newRow("Categorías") << QVariant::fromValue(LibraryRoutes::homeCategories()) << int(AppTab::library);
        QTest::newRow("Estadísticas") << QVariant::fromValue(LibraryRoutes::stats()) << int(AppTab::library);
        QTest::newRow("channel") << QVariant::fromValue(ChannelRoute{u"UC1"_qs, u"Uno"_qs}) << int(AppTab::subscriptions);
    }

    void barStaysOverScrolledContent()
    {
        QFETCH(QVariant, route);
        QFETCH(int, tab);
        QVERIFY(load());
        // Short enough for every one of these screens to scroll.
        m_root->setHeight(420);
        Defaults::shared().setValue(QString(Pref::autoplay), true);
        for (int i = 0; i < 30; ++i)
            m_app->library()->addToHistory(video(u"h"_qs + QString::number(i)));
        QVERIFY(m_qml->click(find(u"tab."_qs + QStringList{u"home"_qs, u"shorts"_qs, u"search"_qs, u"subscriptions"_qs, u"library"_qs}[tab])));
        router()->open(route);
        const QString stackName = tab == int(AppTab::library) ? u"libraryStack"_qs : u"subscriptionsStack"_qs;
        QTRY_COMPARE(depth(stackName), 1);
        QQuickItem *stack = find(stackName);
        QQuickItem *screen = stack->property("topScreen").value<QQuickItem *>();
        QVERIFY(screen);
        QQuickItem *back = shownOne(stack, u"backButton"_qs);
        QVERIFY(back);
        const QPointF chevron = back->mapToScene(QPointF(back->width() / 2, back->height() / 2));

        // The screen's scroller, moved so that something of it lies under the chevron.
        QQuickItem *flick = nullptr;
        const QList<QQuickItem *> all = screen->findChildren<QQuickItem *>();
        for (QQuickItem *item : all)
            if (item->inherits("QQuickFlickable") && item->isVisible() && item->height() > 200 && !flick)
                flick = item;
        QVERIFY(flick);
        QTRY_VERIFY(flick->property("contentHeight").toDouble() > flick->height());
        // Ajustes: "Reproducción automática" right under the chevron; else a quarter of the way down.
        QQuickItem *autoplay = nullptr;
        for (QQuickItem *item : all)
            if (item->property("key").toString() == u"pref.autoplay"_qs)
                autoplay = item;
        qreal y = (flick->property("contentHeight").toDouble() - flick->height()) / 4;
        if (autoplay) {
            const QPointF rowInContent = autoplay->mapToItem(flick->property("contentItem").value<QQuickItem *>(),
                                                             QPointF(0, autoplay->height() / 2));
            y = rowInContent.y() - (chevron.y() - flick->mapToScene(QPointF()).y());
        }
        flick->setProperty("contentY", y);
        if (autoplay)
            QTRY_COMPARE(qRound(autoplay->mapToScene(QPointF(0, autoplay->height() / 2)).y()), qRound(chevron.y()));

        QQuickItem *material = shownOne(stack, u"navigationBarMaterial"_qs);
        QVERIFY(material);
        QCOMPARE(material->opacity(), 1.0);
        QVERIFY(material->property("color").value<QColor>().alphaF() > 0.95);

        QTest::mouseClick(m_qml->window(), Qt::LeftButton, Qt::NoModifier, chevron.toPoint());
        QTRY_COMPARE(depth(stackName), 0);
        QVERIFY(Defaults::shared().boolValue(QString(Pref::autoplay)));
    }

    // A double click on back pops one page: the second click reaches neither
    // the leaving page's back button nor the one of the page coming in under
    // it. Past the double-click time a press there goes back again.
    void backTakesTheWholeDoubleClick_data()
    {
        QTest::addColumn<QString>("then"); // s: while the page slides away, g: once it is gone, w: after the double-click time
        QTest::addColumn<int>("left");     // pages above the root after the second click
        QTest::newRow("second click while the page slides away") << "s" << 1;
        QTest::newRow("second click once the page is gone") << "g" << 1;
        QTest::newRow("after the double-click time") << "w" << 0;
    }

    void backTakesTheWholeDoubleClick()
    {
        QFETCH(QString, then);
        QFETCH(int, left);
        const int interval = 2000;
        const DoubleClickTime doubleClick(interval);
        QVERIFY(load());
        QVERIFY(m_qml->click(find(u"tab.library"_qs)));
        router()->open(QVariant::fromValue(LibraryRoutes::settings()));
        router()->open(QVariant::fromValue(LibraryRoutes::hidden()));
        QTRY_COMPARE(depth(u"libraryStack"_qs), 2);
        QQuickItem *stack = find(u"libraryStack"_qs);
        QQuickItem *view = QmlHarness::findIn(stack, u"stackView"_qs);
        QTRY_VERIFY(!view->property("busy").toBool());
        QQuickItem *back = shownOne(stack, u"backButton"_qs);
        QVERIFY(back);
        const QPoint at = back->mapToScene(QPointF(back->width() / 2, back->height() / 2)).toPoint();

        QTest::mouseClick(m_qml->window(), Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(router()->libraryPath().size(), 1);
        if (then == u"s") {
            QTest::qWait(50);
            if (!view->property("busy").toBool())
                QSKIP("This machine let the page finish sliding before the second click.");
        } else if (then == u"g") {
            QTRY_VERIFY(!view->property("busy").toBool());
        } else {
            doubleClick.passes();
        }
        QTest::mouseClick(m_qml->window(), Qt::LeftButton, Qt::NoModifier, at);
        QTRY_VERIFY(!view->property("busy").toBool());
        QTest::qWait(50);
        QCOMPARE(router()->libraryPath().size(), left);
        QTRY_COMPARE(depth(u"libraryStack"_qs), left);
    }

    // A double click on the button that sends a cover away (the player's
    // chevron, the welcome's "Saltar" and "Empezar sin cuenta") reaches
    // nothing it uncovers, while it slides away or once it is gone; past the
    // double-click time a press there works again. Under the chevron lies a
    // pushed page's back button, under "Saltar" the tab bar's "Buscar".
    void coverButtonTakesTheWholeDoubleClick_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("then"); // s: once the cover has left the spot, g: once it is gone, w: after the double-click time
        QTest::addColumn<bool>("reached");
        for (const char *button : {"collapseButton", "errorCollapseButton"}) {
            QTest::addRow("%s, while the cover slides away", button) << button << "s" << false;
            QTest::addRow("%s, once the cover is gone", button) << button << "g" << false;
            QTest::addRow("%s, after the double-click time", button) << button << "w" << true;
        }
        for (const char *button : {"onboardingSkip", "onboardingNoAccount"}) {
            QTest::addRow("%s, once the cover is gone", button) << button << "g" << false;
            QTest::addRow("%s, after the double-click time", button) << button << "w" << true;
        }
    }

    void coverButtonTakesTheWholeDoubleClick()
    {
        QFETCH(QString, button);
        QFETCH(QString, then);
        QFETCH(bool, reached);
        const int interval = 2000;
        const DoubleClickTime doubleClick(interval);
        const bool player = !button.startsWith(u"onboarding"_qs);
        QVERIFY(load(player));
        router()->openChannel(ChannelRoute{u"UC1"_qs, u"Uno"_qs});
        QTRY_COMPARE(depth(u"homeStack"_qs), 1);
        QTRY_VERIFY(!QmlHarness::findIn(find(u"homeStack"_qs), u"stackView"_qs)->property("busy").toBool());
        // The welcome is made afresh for each showing and let go after.
        QPointer<QObject> cover;
        QTRY_VERIFY((cover = popup(player ? u"playerCover"_qs : u"onboardingCover"_qs)));
        if (player) {
            m_app->player()->setPresented(true);
            if (button == u"errorCollapseButton")
                PlayerStoreProbe::setErrorMessage(*m_app->player(), u"No se pudo reproducir este vídeo."_qs);
        } else if (button == u"onboardingNoAccount") {
            QTRY_VERIFY(find(u"onboardingPages"_qs));
            find(u"onboardingPages"_qs)->setProperty("currentIndex", 2);
        }
        QTRY_VERIFY(cover->property("opened").toBool());
        QTRY_COMPARE(cover->property("y").toDouble(), 0.0);
        QQuickItem *pressed = nullptr;
        QTRY_VERIFY((pressed = find(button)) && pressed->isVisible());
        QTest::qWait(300); // laid out
        const QPoint at = centreOf(pressed);
        const auto state = [&] {
            return QVariantList{int(router()->tab()), router()->homePath().size(), router()->searchPath().size(),
                                m_app->player()->expanded(), m_app->player()->current().has_value()};
        };

        QTest::mouseClick(m_qml->window(), Qt::LeftButton, Qt::NoModifier, at);
        QVERIFY(cover && !cover->property("presented").toBool());
        const QVariantList before = state();
        if (then == u"s") {
            QTRY_VERIFY(cover->property("y").toDouble() > at.y() + 30);
            QVERIFY(cover->property("visible").toBool());
        } else if (then == u"g") {
            QTRY_VERIFY(!cover || !cover->property("visible").toBool());
        } else {
            doubleClick.passes();
        }
        QTest::mouseClick(m_qml->window(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::qWait(300);
        QCOMPARE(state() != before, reached);
    }

    // A page under another keeps its layout: back on a scrolled Ajustes, the
    // list is where it was left.
    void coveredPageKeepsItsPlace()
    {
        QVERIFY(load());
        m_root->setHeight(700);
        QVERIFY(m_qml->click(find(u"tab.library"_qs)));
        router()->open(QVariant::fromValue(LibraryRoutes::settings()));
        QTRY_COMPARE(depth(u"libraryStack"_qs), 1);
        QQuickItem *settings = find(u"libraryStack"_qs)->property("topScreen").value<QQuickItem *>();
        QQuickItem *list = QmlHarness::findIn(settings, u"settingsList"_qs);
        QTRY_VERIFY(list->property("contentHeight").toDouble() > list->height() + 100);
        const qreal bottom = list->property("contentHeight").toDouble() - list->height();
        list->setProperty("contentY", bottom);
        const qreal top = list->mapToScene(QPointF()).y();
        router()->open(QVariant::fromValue(LibraryRoutes::hidden()));
        QTRY_COMPARE(depth(u"libraryStack"_qs), 2);
        QVERIFY(QMetaObject::invokeMethod(find(u"libraryStack"_qs), "pop"));
        QTRY_COMPARE(depth(u"libraryStack"_qs), 1);
        QTRY_VERIFY(settings->isVisible());
        QCOMPARE(list->property("contentY").toDouble(), bottom);
        QCOMPARE(list->mapToScene(QPointF()).y(), top);
    }

    // A large title stands for the inline one until it scrolls away.
    void largeTitles_data()
    {
        QTest::addColumn<QVariant>("route");
        QTest::addColumn<QString>("title");
        QTest::newRow("Biblioteca") << QVariant() << u"Biblioteca"_qs;
        QTest::newRow("Historial") << QVariant::fromValue(LibraryRoutes::history()) << u"Historial"_qs;
        QTest::newRow("Me gusta") << QVariant::fromValue(LibraryRoutes::liked()) << u"Me gusta"_qs;
        QTest::newRow("Ver más tarde") << QVariant::fromValue(LibraryRoutes::later()) << u"Ver más tarde"_qs;
        QTest::newRow("Mis listas") << QVariant::fromValue(LibraryRoutes::playlists()) << u"Mis listas"_qs;
    }

    void largeTitles()
    {
        QFETCH(QVariant, route);
        QFETCH(QString, title);
        QVERIFY(load());
        m_root->setHeight(480);
        for (int i = 0; i < 12; ++i)
            m_app->library()->addToHistory(video(u"h"_qs + QString::number(i)));
        QVERIFY(m_qml->click(find(u"tab.library"_qs)));
        if (route.isValid()) {
            router()->open(route);
            QTRY_COMPARE(depth(u"libraryStack"_qs), 1);
        }
        QQuickItem *stack = find(u"libraryStack"_qs);
        QQuickItem *screen = stack->property("topScreen").value<QQuickItem *>();
        QTRY_VERIFY(screen);
        QQuickItem *large = QmlHarness::findIn(screen, u"largeTitle"_qs);
        QVERIFY(large);
        QTRY_VERIFY(large->isVisible());
        QCOMPARE(large->property("text").toString(), title);
        QCOMPARE(large->property("truncated").toBool(), false);
        QCOMPARE(large->property("font").value<QFont>().pixelSize(), 34);
        QQuickItem *bar = shownOne(stack, u"navigationBar"_qs);
        QVERIFY(bar);
        QVERIFY(!QmlHarness::findIn(bar, u"navigationTitle"_qs)->isVisible());
        if (route.isValid())
            return;
        // The tab's list scrolled past its title: the bar takes it inline.
        QQuickItem *list = QmlHarness::findIn(screen, u"libraryList"_qs);
        QTRY_VERIFY(list->property("contentHeight").toDouble() > list->height() + 80);
        list->setProperty("contentY", 80);
        QTRY_VERIFY(QmlHarness::findIn(bar, u"navigationTitle"_qs)->isVisible());
        QCOMPARE(QmlHarness::findIn(bar, u"navigationTitle"_qs)->property("text").toString(), title);
    }

    // The tab bar goes dark under the Shorts tab, whatever the app's scheme.
    void tabBarDarkOverShorts()
    {
        AppScheme::shared().setScheme(1);
        QVERIFY(load());
        QQuickItem *bar = find(u"tabBar"_qs);
        QCOMPARE(bar->property("color").value<QColor>(), Colors::color(Colors::Bar, false));
        QVERIFY(m_qml->click(find(u"tab.shorts"_qs)));
        QCOMPARE(bar->property("color").value<QColor>(), Colors::color(Colors::Bar, true));
        QVERIFY(m_qml->click(find(u"tab.home"_qs)));
        QCOMPARE(bar->property("color").value<QColor>(), Colors::color(Colors::Bar, false));
        AppScheme::shared().setScheme(0);
    }

    // Screens get exactly the properties they declare; a missing one shows nothing.
    void screenSlot()
    {
        QmlHarness qml;
        QQuickItem *root = qml.loadSource(R"(
            import QtQuick
            import Nimbelora.App
            Item {
                width: 200; height: 100
                property alias present: present
                property alias missing: missing
                ScreenSlot {
                    id: present
                    anchors.fill: parent
                    source: "qrc:/Nimbelora/Foundation/qml/Toast.qml"
                    properties: ({ text: "hola", duration: 10, bogus: 1 })
                }
                ScreenSlot {
                    id: missing
                    source: "qrc:/Nimbelora/Nowhere/qml/Nothing.qml"
                    properties: ({ text: "x" })
                }
            })");
        QVERIFY2(root, qPrintable(qml.errors()));
        auto *present = root->property("present").value<ScreenSlot *>();
        auto *missing = root->property("missing").value<ScreenSlot *>();
        QVERIFY(present->available());
        QVERIFY(present->item());
        QCOMPARE(present->item()->property("text").toString(), u"hola"_qs);
        QCOMPARE(present->item()->property("duration").toInt(), 10);
        QCOMPARE(present->item()->width(), 200.0);
        QVERIFY(!missing->available());
        QVERIFY(!missing->item());

        // Later changes reach the screen; turning the slot off removes it.
        present->setProperties({{u"text"_qs, u"adiós"_qs}});
        QCOMPARE(present->item()->property("text").toString(), u"adiós"_qs);
        present->setActive(false);
        QVERIFY(!present->item());
    }
};

int main(int argc, char *argv[])
{
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);
    TestRootView test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_rootview.moc"
