// What the user sees on each screen when the backend fails in each way, and
// that the screen recovers once the backend answers again. Drives the whole
// app (RootView with the real stores) against the in-process dev backend.
#include "API.h"
#include "AppFixture.h"
#include "Defaults.h"
#include "DiskCache.h"
#include "DoubleClickTime.h"
#include "Fixtures.h"
#include "Haptics.h"
#include "MemoryKeychain.h"
#include "MpvEngine.h"
#include "NimbeloraApp.h"
#include "Pref.h"
#include "QmlHarness.h"
#include "RootViewLoad.h"
#include "SimulatedEngine.h"
#include "TestDirs.h"
#include "WebSignIn.h"

#include <QDir>
#include <QGuiApplication>
#include <QStyleHints>
#include <algorithm>
#include <QQuickItem>
#include <QTcpServer>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>
#include <memory>

Q_IMPORT_QML_PLUGIN(Nimbelora_AppPlugin)

namespace {

enum class Screen { home, search, suggestions, channel, shorts, subsSignedOut, subsSignedIn, accountList, changelog, playlist };
enum class Fault { down, serverMessage, serverBare, unauthorized, malformed, null, empty, html, slow };

const QString kServerMessage = u"El servidor está en mantenimiento, vuelve en unos minutos."_qs;
const QString kUnauthorized = u"Clave de acceso no válida."_qs;
const QString kNoConnection = u"No se pudo conectar con el servidor."_qs;
const QString kBadResponse = u"El servidor no respondió correctamente."_qs;
const QString kWrongForm = u"No se han podido leer los datos porque no tienen el formato correcto."_qs;
const QString kMissingData = u"No se han podido leer los datos porque faltan."_qs;
const QString kNoNewVideos = u"No hay vídeos nuevos todavía."_qs;
const QString kNoChangelog = u"No se pudo cargar el registro de cambios."_qs;
const QString kUnplayable = u"No se pudo reproducir este vídeo."_qs;

// What a client sees from each fault, for a screen that shows the client's text.
QString clientText(Fault f)
{
    switch (f) {
    case Fault::down: return kNoConnection;
    case Fault::serverMessage: return kServerMessage;
    case Fault::unauthorized: return kUnauthorized;
    case Fault::serverBare:
    case Fault::html: return kBadResponse;
    case Fault::malformed:
    case Fault::empty: return kWrongForm;
    case Fault::null: return kMissingData;
    case Fault::slow: break;
    }
    return {};
}

const char *faultName(Fault f)
{
    switch (f) {
    case Fault::down: return "down";
    case Fault::serverMessage: return "500 message";
    case Fault::serverBare: return "500 bare";
    case Fault::unauthorized: return "401";
    case Fault::malformed: return "malformed";
    case Fault::null: return "null";
    case Fault::empty: return "empty";
    case Fault::html: return "502 html";
    case Fault::slow: return "10 s delay";
    }
    return "";
}

// A local port nothing listens on.
int closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();
    return port;
}

} // namespace

Q_DECLARE_METATYPE(Screen)
Q_DECLARE_METATYPE(Fault)

class TestFaultTable : public QObject
{
    Q_OBJECT

    AppFixture m_backend;
    std::unique_ptr<MemoryKeychain> m_keychain;
    std::unique_ptr<WebSignIn> m_web;
    std::unique_ptr<NimbeloraApp> m_app;
    std::unique_ptr<QmlHarness> m_qml;
    QQuickItem *m_root = nullptr;
    QUrl m_origin;
    bool m_down = false;

    Router *router() const { return m_app->router(); }

    bool load(MediaEngine *engine = nullptr)
    {
        Defaults::shared().setValue(QString(Pref::onboarded), true);
        m_app = std::make_unique<NimbeloraApp>(NimbeloraApp::Services{
            engine ? engine : new SimulatedEngine, m_keychain.get(), m_web.get(), [] { return new SimulatedEngine; }});
        m_app->appeared();
        m_qml = std::make_unique<QmlHarness>();
        m_root = loadRootView(*m_qml, *m_app);
        if (!m_root)
            qWarning("%s", qPrintable(m_qml->errors()));
        return m_root != nullptr;
    }

    void signIn()
    {
        m_keychain->set(u"session"_qs, m_backend->session());
        Defaults::shared().setValue(u"account"_qs, u"{\"name\":\"Usuario de prueba\"}"_qs);
    }

    // The fault on every request whose path starts with `prefix`.
    void switchOn(Fault f, const QString &prefix)
    {
        FaultRule r;
        r.pathPrefix = prefix;
        switch (f) {
        case Fault::down:
            m_down = true;
            QVERIFY(API::shared().setBaseUrl(QUrl(u"http://127.0.0.1:%1"_qs.arg(closedPort()))));
            return;
        case Fault::serverMessage: r.status = 500; r.message = kServerMessage; break;
        case Fault::serverBare: r.status = 500; r.body = FaultRule::Body::Empty; break;
        case Fault::unauthorized: r.status = 401; r.message = kUnauthorized; break;
        case Fault::malformed: r.body = FaultRule::Body::Malformed; break;
        case Fault::null: r.body = FaultRule::Body::Null; break;
        case Fault::empty: r.body = FaultRule::Body::Empty; break;
        case Fault::html: r.status = 502; r.body = FaultRule::Body::Html; break;
        case Fault::slow: r.delayMs = 10000; break;
        }
        m_backend->addFault(r);
    }

    void switchOff()
    {
        m_backend->clearFaults();
        if (m_down)
            API::shared().setBaseUrl(m_origin);
        m_down = false;
    }

    // Every text the user can see, in the window's tree.
    QStringList shownTexts() const
    {
        QStringList out;
        const QRectF window(QPointF(), m_qml->window()->size());
        std::function<void(QQuickItem *)> walk = [&](QQuickItem *item) {
            if (!item->isVisible() || item->opacity() <= 0)
                return;
            if (item->inherits("QQuickText") && item->width() > 0 &&
                window.intersects(item->mapRectToScene(QRectF(0, 0, item->width(), item->height()))))
                out << item->property("text").toString();
            for (QQuickItem *child : item->childItems())
                walk(child);
        };
        walk(m_qml->window()->contentItem());
        return out;
    }
    bool showsText(const QString &text) const { return shownTexts().contains(text); }
    QList<QQuickItem *> shown(const QString &name) const
    {
        return QmlHarness::shownItems(m_qml->window()->contentItem(), name);
    }

    // What the screen shows when its data is there.
    static QString contentOf(Screen s)
    {
        switch (s) {
        case Screen::suggestions: return u"suggestionRow"_qs;
        case Screen::shorts: return u"shortsPager"_qs;
        case Screen::accountList:
        case Screen::playlist: return u"videoRow"_qs;
        case Screen::changelog: return u"changelogList"_qs;
        default: return u"videoCard"_qs;
        }
    }
    bool showsContent(Screen s) const
    {
        if (s == Screen::shorts) {
            const auto pager = shown(contentOf(s));
            return !pager.isEmpty() && pager.first()->property("count").toInt() > 0;
        }
        // Skeletons are cards too, in the placeholder look.
        const auto items = shown(contentOf(s));
        return std::any_of(items.cbegin(), items.cend(),
                           [](QQuickItem *item) { return !item->property("redacted").toBool(); });
    }

    // The path the screen's own load asks for.
    static QString pathOf(Screen s)
    {
        switch (s) {
        case Screen::home: return u"/api/feed"_qs;
        case Screen::search: return u"/api/search"_qs;
        case Screen::suggestions: return u"/api/suggest"_qs;
        case Screen::channel:
        case Screen::subsSignedOut: return u"/api/channel/"_qs;
        case Screen::shorts: return u"/api/shorts"_qs;
        case Screen::subsSignedIn:
        case Screen::accountList: return u"/api/me/feed"_qs;
        case Screen::changelog: return u"/api/changelog"_qs;
        case Screen::playlist: return u"/api/playlist/"_qs;
        }
        return {};
    }

    const FxChannel &someChannel() const
    {
        for (const FxChannel &c : m_backend->fixtures().channels())
            if (c.videos.size() >= 4)
                return c;
        return m_backend->fixtures().channels().first();
    }

    // Rows down past the middle of the window, where "Reintentar" stands.
    const FxPlaylist &longestPlaylist() const
    {
        const auto &all = m_backend->fixtures().playlists();
        return *std::max_element(all.cbegin(), all.cend(),
                                 [](const FxPlaylist &a, const FxPlaylist &b) { return a.videos.size() < b.videos.size(); });
    }

    void typeInSearch(const QByteArray &keys)
    {
        for (char c : keys)
            QTest::keyClick(m_qml->window(), c);
    }

    // Brings the screen up the way a user reaches it.
    void open(Screen s)
    {
        switch (s) {
        case Screen::home:
            break;
        case Screen::search:
        case Screen::suggestions:
            router()->setTab(AppTab::search);
            m_qml->window()->requestActivate();
            QVERIFY(QTest::qWaitForWindowActive(m_qml->window()));
            QTRY_VERIFY(!shown(u"searchInput"_qs).isEmpty());
            QVERIFY(m_qml->click(shown(u"searchInput"_qs).first()));
            typeInSearch(s == Screen::search ? "receta" : "rece");
            if (s == Screen::search)
                QTest::keyClick(m_qml->window(), Qt::Key_Return);
            break;
        case Screen::channel:
            router()->openChannel(ChannelRoute{someChannel().id, someChannel().name});
            break;
        case Screen::shorts:
            router()->setTab(AppTab::shorts);
            break;
        case Screen::subsSignedOut:
        case Screen::subsSignedIn:
            router()->setTab(AppTab::subscriptions);
            break;
        case Screen::accountList:
            router()->setTab(AppTab::library);
            router()->open(Router::Route(LibraryRoute::remote(u"liked"_qs)));
            break;
        case Screen::changelog:
            router()->setTab(AppTab::library);
            router()->open(Router::Route(LibraryRoute::make(LibraryRoute::Case::changelog)));
            break;
        case Screen::playlist:
            router()->openPlaylist(longestPlaylist().id);
            break;
        }
    }

private slots:
    void initTestCase()
    {
        qputenv("NIMBELORA_AUDIO", "null");
        QVERIFY2(m_backend.start(), qPrintable(m_backend.error()));
        m_origin = API::shared().base();
    }

    void init()
    {
        // No cached lists: the first page is what is shown. The image cache stays.
        AppFixture::clearData();
        QDir(DiskCache::dir()).removeRecursively();
        m_backend.reset();
        m_keychain = std::make_unique<MemoryKeychain>();
        m_web = std::make_unique<WebSignIn>(WebSignIn::Backing::Memory);
    }

    void cleanup()
    {
        switchOff();
        m_qml.reset();
        m_root = nullptr;
        LibraryStore::waitForWrites();
        m_app.reset();
    }

    void player_data()
    {
        QTest::addColumn<QString>("fault");
        // First of all rows: no thumbnail is in the image caches yet.
        QTest::newRow("thumbnails 404") << u"thumbs"_qs;
        QTest::newRow("hls missing") << u"hls"_qs;
        QTest::newRow("both streams missing") << u"both"_qs;
        QTest::newRow("detail failing") << u"detail"_qs;
    }

    void player()
    {
        QFETCH(QString, fault);
        auto *engine = new MpvEngine;
        engine->prepare();
        if (!TestTime::waitFor([&] { return engine->isAvailable(); }, 10000)) {
            delete engine;
            QSKIP("mpv cannot start here");
        }
        // A playable video with a progressive stream and both thumbnails.
        std::optional<FxVideo> pick;
        for (const FxVideo &v : m_backend->fixtures().videos())
            if (v.canPlay && v.hls && v.thumbHq && v.thumbMq && !v.live && !v.isShort && v.duration > 60) {
                pick = v;
                break;
            }
        QVERIFY(pick);
        Video video;
        video.id = pick->id;
        video.title = pick->title;
        video.channel = u"Canal"_qs;
        video.duration = double(pick->duration);

        auto missing = [&](FaultRule::Missing m) {
            FaultRule r;
            r.id = video.id;
            r.missing = m;
            m_backend->addFault(r);
        };
        if (fault == u"hls" || fault == u"both")
            missing(FaultRule::Missing::Hls);
        if (fault == u"both")
            missing(FaultRule::Missing::Stream);
        if (fault == u"detail")
            m_backend->failPath(u"/api/video/"_qs + video.id, 500, kServerMessage);
        if (fault == u"thumbs")
            m_backend->failPath(u"/vi/"_qs, 404);

        QVERIFY(load(engine));
        PlayerStore *store = m_app->player();
        store->play(video);
        store->setPresented(true);
        QTRY_VERIFY(!shown(u"playerSheet"_qs).isEmpty());

        if (fault == u"both") {
            QTRY_VERIFY_WITH_TIMEOUT(showsText(kUnplayable), 30000);
            QCOMPARE(shown(u"playerRetry"_qs).size(), 1);
            // Tried the HLS master, then the progressive stream.
            QVERIFY(!m_backend->requests().matching(u"/api/hls/"_qs + video.id).isEmpty());
            QVERIFY(!m_backend->requests().matching(u"/api/stream/"_qs + video.id).isEmpty());
            m_backend->clearFaults();
            QVERIFY(m_qml->click(shown(u"playerRetry"_qs).first()));
        }
        QTRY_VERIFY_WITH_TIMEOUT(store->currentTime() > 0.3, 30000);
        QVERIFY(!store->errorMessage());
        QVERIFY(shown(u"playerError"_qs).isEmpty());
        if (fault == u"hls") // on the progressive stream, told as the quality it plays
            QVERIFY(!m_backend->requests().matching(u"/api/stream/"_qs + video.id).isEmpty());
        if (fault == u"detail") {
            // The card's own title stays; the details area tells the failure
            // and its retry brings the details once the backend answers.
            QVERIFY(showsText(video.title));
            QTRY_VERIFY(!shown(u"detailsError"_qs).isEmpty());
            QVERIFY(showsText(kServerMessage));
            m_backend->clearFaults();
            auto *retry = shown(u"detailsError"_qs).first()->findChild<QQuickItem *>(u"retryButton"_qs);
            QVERIFY(retry);
            QVERIFY(m_qml->click(retry));
            QTRY_VERIFY(shown(u"detailsError"_qs).isEmpty());
            QVERIFY(!showsText(kServerMessage));
        }
        if (fault == u"thumbs") {
            // Every thumbnail refused in both sizes (and so not cached from
            // earlier rows) keeps its plain fill.
            auto refused = [&](QQuickItem *image) {
                const QString id = image->parentItem()->property("videoId").toString();
                return !m_backend->requests().matching(u"/vi/"_qs + id + u"/hq720"_qs).isEmpty() &&
                       !m_backend->requests().matching(u"/vi/"_qs + id + u"/mqdefault"_qs).isEmpty();
            };
            auto anyRefused = [&] {
                const auto images = shown(u"thumbImage"_qs);
                return std::any_of(images.cbegin(), images.cend(), refused);
            };
            QTRY_VERIFY(anyRefused());
            QTest::qWait(300);
            for (QQuickItem *image : shown(u"thumbImage"_qs))
                if (refused(image))
                    QVERIFY(image->property("status").toInt() != 1); // never Image.Ready
            for (const RequestRecord &r : m_backend->requests().matching(u"/vi/"_qs))
                QCOMPARE(r.status, 404);
        }
    }

    // A double click on "Reintentar": the list comes in under the pointer
    // before the second click, which must reach nothing of it (no video
    // played, no tap, no page opened).
    void retryTakesTheWholeDoubleClick_data()
    {
        QTest::addColumn<Screen>("screen");
        QTest::newRow("home") << Screen::home;
        QTest::newRow("search") << Screen::search;
        QTest::newRow("channel") << Screen::channel;
        QTest::newRow("shorts") << Screen::shorts;
        QTest::newRow("subscriptions") << Screen::subsSignedOut;
        QTest::newRow("account list") << Screen::accountList;
        QTest::newRow("playlist") << Screen::playlist;
    }

    void retryTakesTheWholeDoubleClick()
    {
        QFETCH(Screen, screen);
        // Wide enough for the list to come in within it, however busy the machine.
        const DoubleClickTime doubleClick(3000);
        if (screen == Screen::accountList)
            signIn();
        switchOn(Fault::serverMessage, pathOf(screen));
        QVERIFY(load());
        if (screen == Screen::subsSignedOut)
            m_app->library()->toggleSubscription(someChannel().id, someChannel().name, QVariant());
        open(screen);
        QTRY_VERIFY_WITH_TIMEOUT(shown(u"retryButton"_qs).size() == 1, 10000);
        QTest::qWait(300); // laid out
        QQuickItem *retry = shown(u"retryButton"_qs).first();
        // Low on the button: there a card or a row of every one of these screens comes in.
        const QPoint at = retry->mapToScene(QPointF(retry->width() / 2, retry->height() * 0.8)).toPoint();
        switchOff();
        const auto paths = [this] {
            return QList<Router::Path>{router()->homePath(), router()->searchPath(), router()->subsPath(), router()->libraryPath()};
        };
        const QList<Router::Path> before = paths();
        Haptics::shared().clear();

        QTest::mouseClick(m_qml->window(), Qt::LeftButton, Qt::NoModifier, at);
        QTRY_VERIFY_WITH_TIMEOUT(showsContent(screen), 10000);
        QTest::qWait(50);
        QTest::mouseClick(m_qml->window(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::qWait(300);
        QVERIFY(!m_app->player()->expanded());
        QVERIFY(!m_app->player()->current());
        QCOMPARE(Haptics::shared().given(), QStringList());
        QCOMPARE(paths(), before);
    }

    void screens_data()
    {
        QTest::addColumn<Screen>("screen");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("message"); // empty: the screen's content, no message
        QTest::addColumn<bool>("retry");      // "Reintentar" shown

        const QList<Fault> faults{Fault::down,      Fault::serverMessage, Fault::serverBare, Fault::unauthorized,
                                  Fault::malformed, Fault::null,          Fault::empty,      Fault::html};
        const std::pair<Screen, const char *> clientScreens[] = {{Screen::home, "home"},
                                                                 {Screen::search, "search"},
                                                                 {Screen::channel, "channel"},
                                                                 {Screen::shorts, "shorts"},
                                                                 {Screen::accountList, "account list"}};
        for (const auto &[screen, name] : clientScreens)
            for (Fault f : faults)
                QTest::addRow("%s: %s", name, faultName(f)) << screen << f << clientText(f) << true;
        for (Fault f : faults) {
            QTest::addRow("suggestions: %s", faultName(f)) << Screen::suggestions << f << QString() << false;
            // Each followed channel that fails adds nothing; none left is this message.
            QTest::addRow("subscriptions signed out: %s", faultName(f))
                << Screen::subsSignedOut << f << kNoNewVideos << true;
            // The account's feed failing falls back to the followed channels,
            // unless they fail too.
            QTest::addRow("subscriptions signed in: %s", faultName(f))
                << Screen::subsSignedIn << f << (f == Fault::down ? kNoNewVideos : QString()) << (f == Fault::down);
            QTest::addRow("release notes: %s", faultName(f)) << Screen::changelog << f << kNoChangelog << false;
        }
        // A slow reply is waited for: no time-out before the client's own.
        QTest::addRow("home: 10 s delay") << Screen::home << Fault::slow << QString() << false;
    }

    void screens()
    {
        QFETCH(Screen, screen);
        QFETCH(Fault, fault);
        QFETCH(QString, message);
        QFETCH(bool, retry);

        if (screen == Screen::subsSignedIn || screen == Screen::accountList)
            signIn();
        switchOn(fault, pathOf(screen));
        QVERIFY(load());
        if (screen == Screen::subsSignedOut || screen == Screen::subsSignedIn)
            m_app->library()->toggleSubscription(someChannel().id, someChannel().name, QVariant());
        open(screen);

        if (screen == Screen::suggestions) {
            // Asked and failed, and nothing at all shows for it.
            QTRY_VERIFY(!m_backend->requests().matching(pathOf(screen)).isEmpty() || m_down);
            QTest::qWait(300);
            QVERIFY(shown(u"suggestionRow"_qs).isEmpty());
            QVERIFY(shown(u"retryButton"_qs).isEmpty());
            QVERIFY(!showsText(u"No se pudo cargar"_qs));
            switchOff();
            typeInSearch("t");
            QTRY_VERIFY(showsContent(screen));
            return;
        }

        if (message.isEmpty()) {
            if (fault == Fault::slow) {
                QTest::qWait(1000);
                QVERIFY(!showsContent(screen));
                QVERIFY(!shown(u"skeletonCard"_qs).isEmpty());
                QVERIFY(!showsText(u"No se pudo cargar"_qs));
            }
            QTRY_VERIFY_WITH_TIMEOUT(showsContent(screen), 15000);
            QVERIFY(!showsText(u"No se pudo cargar"_qs));
            QVERIFY(shown(u"retryButton"_qs).isEmpty());
            return;
        }

        QTRY_VERIFY2_WITH_TIMEOUT(showsText(message), qPrintable(shownTexts().join(u" | "_qs)), 10000);
        QVERIFY(showsText(u"No se pudo cargar"_qs));
        QVERIFY(!showsContent(screen));
        const auto retries = shown(u"retryButton"_qs);
        QCOMPARE(retries.size(), retry ? 1 : 0);

        switchOff();
        if (retry) {
            QVERIFY(m_qml->click(retries.first()));
        } else {
            // No retry here: leaving and coming back loads again.
            router()->setLibraryPath({});
            QTRY_VERIFY(!showsText(message));
            open(screen);
        }
        QTRY_VERIFY_WITH_TIMEOUT(showsContent(screen), 10000);
        QVERIFY(!showsText(message));
    }
};

QTEST_MAIN(TestFaultTable)
#include "tst_faulttable.moc"
