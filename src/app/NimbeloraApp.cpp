#include "NimbeloraApp.h"
#include "Store.h"

#include "API.h"
#include "AppIcons.h"
#include "Defaults.h"
#include "Keychain.h"
#include "MediaEngineFactory.h"
#include "Orientation.h"
#include "AppScheme.h"
#include "Platform.h"
#include "Pref.h"
#include "Preferences.h"
#include "QuitSignals.h"
#include "ImageLoader.h"
#include "RemoteImageProvider.h"
#include "SearchModel.h"
#include "ShortsStore.h"
#include "UrlInbox.h"
#include "WebSignIn.h"
#include "YouTubeLink.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLockFile>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQuickWindow>
#include <QStandardPaths>
#include <optional>
#include <unistd.h>

namespace {

// Another instance runs, or the data folder cannot be used: say so, and
// start nothing.
int refuseToStart(const QString &message)
{
    WebSignIn::awaitApplication();
    QQmlApplicationEngine engine;
    engine.setInitialProperties({{QStringLiteral("message"), message}});
    engine.loadData(R"(
import QtQuick
import QtQuick.Controls
ApplicationWindow {
    required property string message
    visible: true
    width: 360
    height: Math.max(160, column.implicitHeight + 40)
    title: "Nimbelora"
    Column {
        id: column
        anchors.fill: parent
        anchors.margins: 20
        spacing: 16
        Label {
            width: parent.width
            // A long path has no spaces to break at.
            wrapMode: Text.WrapAtWordBoundaryOrAnywhere
            textFormat: Text.PlainText
            text: message
        }
        Button { anchors.right: parent.right; text: "Aceptar"; onClicked: Qt.quit() }
    }
}
)");
    if (!engine.rootObjects().isEmpty())
        QCoreApplication::exec();
    return 1;
}

const QString alreadyOpen = QStringLiteral("Nimbelora ya está abierto en otra ventana o sesión. Ciérralo y vuelve a intentarlo.");

} // namespace

NimbeloraApp::NimbeloraApp(QObject *parent) : NimbeloraApp(Services{}, parent) {}

NimbeloraApp::NimbeloraApp(Services services, QObject *parent) : QObject(parent)
{
    // The order is part of the contract: the library reads its files and
    // the account store restores the session while they are made.
    m_engine = services.engine ? services.engine : MediaEngineFactory::create(MediaEngineFactory::Role::Main);
    m_player = new PlayerStore(m_engine, this);
    m_library = new LibraryStore(this);
    m_router = new Router(this);
    m_auth = services.keychain || services.web
                 ? new AuthStore(services.keychain ? *services.keychain : Keychain::shared(),
                                 services.web ? *services.web : WebSignIn::shared(), this)
                 : new AuthStore(this);
    m_avatars = new AvatarStore(this);
    ShortsStore::setEngineFactory(services.shortsEngine);

    Pref::registerDefaults();
    readTheme();
    connect(&Preferences::shared(), &Preferences::themeChanged, this, &NimbeloraApp::readTheme);
    AppIcons::shared().applyStored();
}

NimbeloraApp::~NimbeloraApp()
{
    // Events raised while the stores go away have nowhere to go.
    m_library->onSync = nullptr;
}

void NimbeloraApp::readTheme()
{
    const qint64 value = Preferences::shared().theme();
    AppScheme::shared().setScheme(value == 1 || value == 2 ? int(value) : 0);
}

void NimbeloraApp::appeared()
{
    m_player->attach(m_library);
    m_library->onSync = [this](const SyncEvent &event) { sync(event); };
    if (m_appeared)
        return;
    m_appeared = true;
    ImageLoader::mapLargeBlocks();
    // What the first frame could do without is made now, before the URLs.
    emit appearedChanged();

    // The player's engine (some two hundred libraries, a quarter of the
    // memory at home) starts with the first playback, not here.
    m_auth->refresh(); // runs on by itself; it reports nothing
    const QStringList waiting = std::exchange(m_waitingURLs, {});
    for (const QString &url : waiting)
        handleURL(url);
}

void NimbeloraApp::openURL(const QString &url)
{
    if (!m_appeared) {
        m_waitingURLs.append(url);
        return;
    }
    handleURL(url);
}

void NimbeloraApp::handleURL(const QString &url)
{
    if (const auto id = YouTubeLink::parse(url)) {
        m_player->play(SearchModel::placeholder(*id), YouTubeLink::timestamp(url), true);
        return;
    }
    if (const auto list = YouTubeLink::playlistID(url))
        m_router->openPlaylist(*list);
    // Anything else is ignored without a word.
}

void NimbeloraApp::sync(const SyncEvent &event) const
{
    if (!m_auth->signedIn())
        return;
    if (!Defaults::shared().boolValue(Pref::sync))
        return;
    // The calls drop their own errors; their tasks run on unawaited.
    switch (event.kind) {
    case SyncEvent::Kind::like:
        API::shared().syncLike(event.id, event.on);
        break;
    case SyncEvent::Kind::subscribe:
        API::shared().syncSubscribe(event.id, event.on);
        break;
    case SyncEvent::Kind::watched:
        API::shared().markWatched(event.id);
        break;
    }
}

NimbeloraApp::DataLock NimbeloraApp::lockDataFolder()
{
    DataLock out;
    out.folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(out.folder);
    auto lock = std::make_unique<QLockFile>(out.folder + QStringLiteral("/.lock"));
    // Never stale by age: only a dead holder gives it up.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        out.file = std::move(lock);
        return out;
    }
    // Only a living holder means another instance (a dead one's lock is
    // taken over in a folder we may write); anything else (no permission, a
    // file in the folder's place, a stale lock that cannot be removed) is the
    // folder's fault.
    const QFileInfo folder(out.folder);
    const bool held = lock->error() == QLockFile::LockFailedError && folder.isDir() && folder.isWritable();
    out.failure = held ? DataLock::Failure::taken : DataLock::Failure::unwritable;
    return out;
}

QString NimbeloraApp::refusal(const DataLock &lock)
{
    if (lock.failure == DataLock::Failure::unwritable)
        return QStringLiteral("Nimbelora no puede escribir en su carpeta de datos:\n%1\n"
                              "Comprueba que es una carpeta y que tienes permiso para escribir en ella, "
                              "y vuelve a intentarlo.")
            .arg(QDir::toNativeSeparators(lock.folder));
    return alreadyOpen;
}

void NimbeloraApp::flushOnQuit()
{
    m_player->savePosition();
    m_library->flushOnQuit();
    AvatarStore::waitForWrites();
}

int NimbeloraApp::main(int argc, char *argv[], const Hooks &hooks)
{
    // Before any thread exists: glibc fixes its heap count once it grows.
    ImageLoader::tuneAllocator();
    // Chromium refuses its sandbox as root; the sign-in page is the only web content.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setOrganizationName(QStringLiteral("Nimbelora"));
    QCoreApplication::setApplicationName(QStringLiteral("Nimbelora"));
    QGuiApplication::setDesktopFileName(QStringLiteral("nimbelora"));
    const std::unique_ptr<QGuiApplication> made =
        hooks.application ? hooks.application(argc, argv) : std::make_unique<QGuiApplication>(argc, argv);
    QGuiApplication &qapp = *made;
    // The library decodes while the views are set up.
    LibraryStore::preload(qapp);

    // Who runs is settled first: a launch that hands its link over starts
    // nothing more (no keyring read, no drawing worker) and ends at once.
    const QString url = UrlInbox::urlFromArguments(qapp.arguments());
    UrlInbox inbox;
    if (inbox.claim() == UrlInbox::Claim::taken) {
        if (UrlInbox::forward(UrlInbox::ownBus(), QLatin1String(UrlInbox::serviceName), url))
            return 0;
        return refuseToStart(alreadyOpen);
    }
    const DataLock dataLock = lockDataFolder();
    if (!dataLock)
        return refuseToStart(refusal(dataLock));
    // The session token is read, and the engine's shared context made, while
    // the views are set up; the account store takes the token's answer.
    Keychain::shared().prefetch(QLatin1String(AuthStore::sessionKey));
    WebSignIn::prepareAhead();

    // The stores outlive the views made of them.
    std::optional<NimbeloraApp> app;
    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/"));
    installPlatform(engine);
    RemoteImageProvider::install(engine);
    QObject::connect(&engine, &QQmlApplicationEngine::objectCreationFailed, &qapp,
                     [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
    // The views' types (their files and modules) load while the keychain
    // answers the account store's start-up read.
    const QUrl root(QStringLiteral("qrc:/Nimbelora/App/qml/AppWindow.qml"));
    { QQmlComponent types(&engine, root); }
    app.emplace();
    engine.setInitialProperties({{QStringLiteral("app"), QVariant::fromValue(&*app)}});
    // The window's render loop is chosen as it is made, on what the worker found.
    WebSignIn::awaitApplication();
    engine.load(root);
    auto *window = engine.rootObjects().isEmpty() ? nullptr : qobject_cast<QQuickWindow *>(engine.rootObjects().first());
    if (!window)
        return 1;
    Orientation::setWindow(window);

    // "When the window is first shown": after its first frame, so the
    // one-time setup does not hold that frame back.
    QObject::connect(window, &QQuickWindow::frameSwapped, &*app, &NimbeloraApp::appeared,
                     Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
    if (!url.isEmpty())
        app->openURL(url);
    QObject::connect(&inbox, &UrlInbox::opened, &*app, [&app, window](const QString &opened) {
        window->raise();
        window->requestActivate();
        if (!opened.isEmpty())
            app->openURL(opened);
    });
    QObject::connect(&qapp, &QCoreApplication::aboutToQuit, &*app, &NimbeloraApp::flushOnQuit);
    QuitSignals::install();
    if (hooks.windowCreated)
        hooks.windowCreated(window, &*app);
    return qapp.exec();
}
