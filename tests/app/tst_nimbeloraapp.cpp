#include "API.h"
#include "AppFixture.h"
#include "Defaults.h"
#include "FaultSwitches.h"
#include "MemoryKeychain.h"
#include "NimbeloraApp.h"
#include "Orientation.h"
#include "AppScheme.h"
#include "Pref.h"
#include "QuitSignals.h"
#include "SimulatedEngine.h"
#include "TestDirs.h"
#include "WebSignIn.h"

#include <QDir>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonArray>
#include <QJsonObject>
#include <QLockFile>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QNetworkCookie>
#include <QCoroTask>
#include <QProcess>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <cstring>
#include <memory>
#include <thread>

namespace {

QString recordOf(const QString &name)
{
    Account a;
    a.name = name;
    return QString::fromUtf8(QJsonDocument(a.toJson()).toJson(QJsonDocument::Compact));
}

Video video(const QString &id)
{
    Video v;
    v.id = id;
    v.title = QStringLiteral("Vídeo ") + id;
    v.channel = QStringLiteral("Canal");
    v.channelId = QStringLiteral("UC1");
    v.duration = 600;
    return v;
}

// Route paths as "kind:id" lines.
QStringList describe(const Router::Path &path)
{
    QStringList out;
    for (const Router::Route &r : path) {
        if (auto p = std::get_if<YTPlaylistRoute>(&r))
            out.append(u"playlist:"_qs + p->id);
        else if (auto c = std::get_if<ChannelRoute>(&r))
            out.append(u"channel:"_qs + c->id);
        else
            out.append(u"library"_qs);
    }
    return out;
}

// The test runs itself as the whole program, whose display opens only once
// something in the process has the library file open (or a second has
// passed): `--slow-display`. It ends at its first window; exit code 3 when
// Qt took another thread for the main one.
constexpr const char *kSlowDisplay = "--slow-display";

std::atomic<bool> g_mainThreadTaken = false;

bool libraryFileOpen()
{
    std::error_code error;
    for (const auto &fd : std::filesystem::directory_iterator("/proc/self/fd", error))
        if (std::filesystem::read_symlink(fd.path(), error).filename() == "library.json")
            return true;
    return false;
}

int slowDisplayMain(int argc, char *argv[])
{
    static const QtMessageHandler passOn = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            if (message.contains(u"not created in the main() thread"))
                g_mainThreadTaken = true;
            passOn(type, context, message);
        });
    NimbeloraApp::Hooks hooks;
    hooks.application = [](int &argc, char **argv) {
        for (int ms = 0; ms < 1000 && !libraryFileOpen(); ++ms)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return std::make_unique<QGuiApplication>(argc, argv);
    };
    hooks.windowCreated = [](QQuickWindow *, NimbeloraApp *) { QTimer::singleShot(0, qApp, &QCoreApplication::quit); };
    const int code = NimbeloraApp::main(argc, argv, hooks);
    return g_mainThreadTaken ? 3 : code;
}

} // namespace

class TestNimbeloraApp : public QObject
{
    Q_OBJECT

    AppFixture m_backend;
    std::unique_ptr<MemoryKeychain> m_keychain;
    std::unique_ptr<WebSignIn> m_web;
    SimulatedEngine *m_engine = nullptr;

    std::unique_ptr<NimbeloraApp> makeApp()
    {
        m_engine = new SimulatedEngine;
        return std::make_unique<NimbeloraApp>(NimbeloraApp::Services{m_engine, m_keychain.get(), m_web.get()});
    }

    void signIn()
    {
        m_keychain->set(u"session"_qs, m_backend->session(u"Ana"_qs));
        Defaults::shared().setValue(QLatin1String(AuthStore::accountKey), recordOf(u"Ana"_qs));
    }

    // A linked video's detail, which names it (the backend does not know the id).
    VideoDetail serveDetail(const QString &id)
    {
        VideoDetail detail;
        detail.id = id;
        detail.title = u"Vídeo enlazado"_qs;
        detail.channel = u"Canal"_qs;
        detail.duration = 600;
        FaultRule served;
        served.pathPrefix = u"/api/video/"_qs + id;
        served.body = FaultRule::Body::Raw;
        served.rawBody = QJsonDocument(detail.toJson()).toJson(QJsonDocument::Compact);
        if (!id.isEmpty())
            m_backend->addFault(served);
        return detail;
    }

    QList<RequestRecord> syncRequests() const { return m_backend->requests().matching(u"/api/me/"_qs); }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_backend.start(AppFixture::Prefs::unregistered), qPrintable(m_backend.error()));
    }

    void init()
    {
        // A fresh library; the image cache stays where the loader keeps it.
        AppFixture::clearData();
        m_backend.reset();
        m_keychain = std::make_unique<MemoryKeychain>();
        m_web = std::make_unique<WebSignIn>(WebSignIn::Backing::Memory);
        Orientation::clearHistory();
    }

    // Runs first: nothing has registered the settings defaults yet.
    void startUp()
    {
        QVERIFY(Defaults::shared().registeredDefaults().isEmpty());
        auto app = makeApp();
        QStringList order;
        for (QObject *child : app->children())
            order.append(QString::fromLatin1(child->metaObject()->className()));
        QCOMPARE(order, (QStringList{u"PlayerStore"_qs, u"LibraryStore"_qs, u"Router"_qs, u"AuthStore"_qs, u"AvatarStore"_qs}));
        QCOMPARE(app->player()->player(), m_engine);
        QCOMPARE(Defaults::shared().registeredDefaults().size(), 24);
        QCOMPARE(Defaults::shared().boolValue(Pref::sync), true);
        // Nothing is linked or asked before the window shows.
        QVERIFY(!app->player()->started());
        QVERIFY(!app->library()->onSync);
    }

    void appearLinksOnceAndRefreshesOnce()
    {
        signIn();
        auto app = makeApp();
        QSignalSpy shown(app.get(), &NimbeloraApp::appearedChanged);
        QVERIFY(!app->property("appeared").toBool());
        app->appeared();
        QVERIFY(app->property("appeared").toBool());
        QCOMPARE(app->player()->library(), app->library());
        QVERIFY(app->player()->started());
        QVERIFY(app->library()->onSync);
        QTRY_COMPARE(m_backend->requests().matching(u"/api/me"_qs).size(), 1);
        app->appeared(); // the content shown again: linked again, no second refresh
        QVERIFY(app->library()->onSync);
        QCOMPARE(shown.size(), 1);
        QTest::qWait(300);
        QCOMPARE(m_backend->requests().matching(u"/api/me"_qs).size(), 1);
    }

    void launchRefreshSignsOutARejectedSession()
    {
        signIn();
        m_backend->failPath(u"/api/me"_qs, 401, u"Sesión caducada"_qs);
        auto app = makeApp();
        QVERIFY(app->auth()->account());
        app->appeared();
        QTRY_VERIFY(!app->auth()->account());
        QVERIFY(!API::shared().session());
    }

    void theme_data()
    {
        QTest::addColumn<QVariant>("stored"); // invalid: nothing stored
        QTest::addColumn<int>("scheme");
        QTest::newRow("default: the system's") << QVariant() << 0;
        QTest::newRow("1 light") << QVariant(1) << 1;
        QTest::newRow("2 dark") << QVariant(2) << 2;
        QTest::newRow("3 the system's") << QVariant(3) << 0;
        QTest::newRow("-1 the system's") << QVariant(-1) << 0;
        QTest::newRow("text read as a number") << QVariant(u"2"_qs) << 2;
    }

    void theme()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, scheme);
        AppScheme::shared().setScheme(7);
        if (stored.isValid())
            Defaults::shared().setValue(QString(Pref::theme), stored);
        auto app = makeApp();
        QCOMPARE(AppScheme::shared().scheme(), scheme);

        // Live: a change in the settings applies at once.
        QSignalSpy spy(&AppScheme::shared(), &AppScheme::schemeChanged);
        const int next = scheme == 2 ? 1 : 2;
        Defaults::shared().setValue(QString(Pref::theme), next);
        QTRY_COMPARE(AppScheme::shared().scheme(), next);
        QCOMPARE(spy.count(), 1);
        Defaults::shared().setValue(QString(Pref::theme), 9);
        QTRY_COMPARE(AppScheme::shared().scheme(), 0);
    }

    void openedURL_data()
    {
        QTest::addColumn<AppTab>("tab");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("playedId");   // empty: nothing played
        QTest::addColumn<double>("startAt");
        QTest::addColumn<QString>("paths");       // "home|search" after the call

        const QString id = u"dQw4w9WgXcQ"_qs;
        QTest::newRow("watch link") << AppTab::home << u"https://www.youtube.com/watch?v="_qs + id << id << 0.0 << u"|"_qs;
        QTest::newRow("video and list: the video") << AppTab::home
                                                   << u"https://www.youtube.com/watch?v="_qs + id + u"&list=PLabcdefghijk"_qs
                                                   << id << 0.0 << u"|"_qs;
        QTest::newRow("short link with t") << AppTab::home << u"https://youtu.be/"_qs + id + u"?t=90"_qs << id << 90.0 << u"|"_qs;
        QTest::newRow("own scheme with start h/m/s") << AppTab::search << u"nimbelora://watch?v="_qs + id + u"&start=1h2m3s"_qs
                                                     << id << 3723.0 << u"|"_qs;
        QTest::newRow("shorts link") << AppTab::home << u"https://youtube.com/shorts/"_qs + id << id << 0.0 << u"|"_qs;
        QTest::newRow("playlist on home") << AppTab::home << u"https://www.youtube.com/playlist?list=PLabcdefghijk"_qs
                                          << QString() << 0.0 << u"playlist:PLabcdefghijk|"_qs;
        QTest::newRow("playlist while Shorts: home path") << AppTab::shorts
                                                          << u"https://m.youtube.com/playlist?list=PLabcdefghijk"_qs
                                                          << QString() << 0.0 << u"playlist:PLabcdefghijk|"_qs;
        QTest::newRow("playlist on search") << AppTab::search << u"https://www.youtube.com/playlist?list=PLabcdefghijk"_qs
                                            << QString() << 0.0 << u"|playlist:PLabcdefghijk"_qs;
        QTest::newRow("list id too short") << AppTab::home << u"https://www.youtube.com/playlist?list=PLshort"_qs
                                           << QString() << 0.0 << u"|"_qs;
        QTest::newRow("other site") << AppTab::home << u"https://example.com/watch?v="_qs + id << QString() << 0.0 << u"|"_qs;
        QTest::newRow("words") << AppTab::home << u"hola mundo"_qs << QString() << 0.0 << u"|"_qs;
        QTest::newRow("own scheme, nothing in it") << AppTab::home << u"nimbelora://ajustes"_qs << QString() << 0.0 << u"|"_qs;
        QTest::newRow("empty") << AppTab::home << QString() << QString() << 0.0 << u"|"_qs;
    }

    void openedURL()
    {
        QFETCH(AppTab, tab);
        QFETCH(QString, url);
        QFETCH(QString, playedId);
        QFETCH(double, startAt);
        QFETCH(QString, paths);

        const VideoDetail detail = serveDetail(playedId);

        auto app = makeApp();
        app->appeared();
        app->router()->setTab(tab);
        m_engine->clearRecord();
        app->openURL(url);

        QCOMPARE(app->router()->tab(), tab);
        QCOMPARE(describe(app->router()->homePath()).join(u',') + u'|' + describe(app->router()->searchPath()).join(u','), paths);
        QVERIFY(app->router()->subsPath().isEmpty() && app->router()->libraryPath().isEmpty());
        if (playedId.isEmpty()) {
            QVERIFY(!app->player()->current());
            QVERIFY(m_engine->loads().isEmpty());
            QVERIFY(!app->player()->expanded());
            QVERIFY(!app->player()->toast());
            return;
        }
        const Video &current = *app->player()->current();
        QCOMPARE(current.id, playedId);
        QCOMPARE(current.title, u"Cargando\u2026"_qs);
        QCOMPARE(current.channel, QString());
        QCOMPARE(current.duration, 0);
        QVERIFY(!current.views && !current.channelId && !current.live && !current.verified);
        QVERIFY(app->player()->expanded());
        QCOMPARE(Orientation::history(), QList<int>{26});
        QCOMPARE(m_engine->loads().size(), 1);
        m_engine->makeReady(600); // the link's time is the item's start seek
        QCOMPARE(m_engine->seeks().isEmpty() ? 0.0 : m_engine->seeks().first().target, startAt);
        // Remembered once its detail has named it, never as "Cargando…".
        QTRY_VERIFY(!app->library()->history().isEmpty());
        QCOMPARE(app->library()->history().first().video.id, playedId);
        QCOMPARE(app->library()->history().first().video.title, detail.title);
    }

    void urlsBeforeTheWindowWait()
    {
        const VideoDetail detail = serveDetail(u"dQw4w9WgXcQ"_qs);
        auto app = makeApp();
        app->openURL(u"https://www.youtube.com/playlist?list=PLabcdefghijk"_qs);
        app->openURL(u"https://youtu.be/dQw4w9WgXcQ?t=5"_qs);
        QVERIFY(!app->player()->current());
        QVERIFY(app->router()->homePath().isEmpty());
        app->appeared();
        QCOMPARE(describe(app->router()->homePath()), QStringList{u"playlist:PLabcdefghijk"_qs});
        QCOMPARE(app->player()->current()->id, u"dQw4w9WgXcQ"_qs);
        // Played after the library was linked: it is in the history, once
        // its detail has named it.
        QTRY_COMPARE(app->library()->history().size(), 1);
        QCOMPARE(app->library()->history().first().video.title, detail.title);
    }

    void syncHook_data()
    {
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<bool>("syncOn");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("request"); // empty: nothing is sent
        QTest::addColumn<QString>("body");

        QTest::newRow("signed out: like") << false << true << u"like"_qs << QString() << QString();
        QTest::newRow("signed out: watched") << false << true << u"watched"_qs << QString() << QString();
        QTest::newRow("sync off: like") << true << false << u"like"_qs << QString() << QString();
        QTest::newRow("sync off: subscribe") << true << false << u"subscribe"_qs << QString() << QString();
        QTest::newRow("like") << true << true << u"like"_qs << u"POST /api/me/like"_qs << u"{\"id\":\"a\",\"like\":true}"_qs;
        QTest::newRow("unlike") << true << true << u"unlike"_qs << u"POST /api/me/like"_qs << u"{\"id\":\"a\",\"like\":false}"_qs;
        QTest::newRow("subscribe") << true << true << u"subscribe"_qs << u"POST /api/me/subscribe"_qs
                                   << u"{\"channelId\":\"UC1\",\"subscribe\":true}"_qs;
        QTest::newRow("watched") << true << true << u"watched"_qs << u"POST /api/me/watched/a"_qs << QString();
        QTest::newRow("watch later: no event") << true << true << u"later"_qs << QString() << QString();
    }

    void syncHook()
    {
        QFETCH(bool, signedIn);
        QFETCH(bool, syncOn);
        QFETCH(QString, event);
        QFETCH(QString, request);
        QFETCH(QString, body);

        if (signedIn)
            signIn();
        auto app = makeApp();
        app->appeared();
        if (event == u"unlike"_qs) {
            app->library()->onSync = nullptr; // the like before the test starts
            app->library()->toggleLike(video(u"a"_qs));
            app->appeared();
        }
        Defaults::shared().setValue(QString(Pref::sync), syncOn);
        QTest::qWait(200); // the launch refresh settles
        m_backend->requests().clear();

        if (event == u"like"_qs || event == u"unlike"_qs)
            app->library()->toggleLike(video(u"a"_qs));
        else if (event == u"subscribe"_qs)
            app->library()->toggleSubscription(u"UC1"_qs, u"Canal"_qs, std::optional<QString>());
        else if (event == u"watched"_qs)
            app->player()->play(video(u"a"_qs), std::nullopt, true);
        else
            app->library()->toggleWatchLater(video(u"a"_qs));

        if (request.isEmpty()) {
            QTest::qWait(400);
            QCOMPARE(syncRequests().size(), 0);
            return;
        }
        QTRY_COMPARE(syncRequests().size(), 1);
        QTest::qWait(200);
        const QList<RequestRecord> sent = syncRequests();
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.first().method + u' ' + sent.first().path, request);
        if (!body.isEmpty())
            QCOMPARE(QJsonDocument::fromJson(sent.first().body).object(), QJsonDocument::fromJson(body.toUtf8()).object());
    }

    // The gate is read at the moment of each event; skipped events are lost.
    void syncGateIsReadPerEvent()
    {
        auto app = makeApp();
        app->appeared();
        app->library()->toggleLike(video(u"a"_qs)); // signed out

        QList<QNetworkCookie> cookies;
        for (const QJsonValue &v : m_backend->signInCookies(u"Ana"_qs)) {
            const QJsonObject o = v.toObject();
            QNetworkCookie c(o.value(u"name").toString().toUtf8(), o.value(u"value").toString().toUtf8());
            c.setDomain(o.value(u"domain").toString());
            c.setPath(o.value(u"path").toString());
            cookies.append(c);
        }
        QCoro::waitFor(app->auth()->login(cookies));
        QVERIFY2(app->auth()->account(), qPrintable(app->auth()->error().value_or(QString())));

        app->library()->toggleLike(video(u"b"_qs)); // sent
        Defaults::shared().setValue(QString(Pref::sync), false);
        app->library()->toggleLike(video(u"c"_qs)); // off: lost
        Defaults::shared().setValue(QString(Pref::sync), true);
        app->library()->toggleLike(video(u"d"_qs)); // sent
        QTRY_COMPARE(syncRequests().size(), 2);
        QTest::qWait(300);
        QStringList ids;
        for (const RequestRecord &r : syncRequests())
            ids.append(QJsonDocument::fromJson(r.body).object().value(u"id").toString());
        ids.sort();
        QCOMPARE(ids, (QStringList{u"b"_qs, u"d"_qs}));
    }

    // SIGTERM, SIGINT and SIGHUP end the loop the normal way, not the process.
    void quitSignals()
    {
        QuitSignals::install();
        QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
        for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
            QTimer::singleShot(0, [sig] { std::raise(sig); });
            QCOMPARE(QCoreApplication::exec(), 0);
        }
        QCOMPARE(quitting.size(), 3);
    }

    // Nothing started ahead of the application object makes Qt take its
    // thread for the main one, however long the display takes to open.
    void nothingAheadOfTheApplicationTakesTheMainThread()
    {
        QTemporaryDir home;
        // Long enough to read that its reading is still under way as the display opens.
        QByteArray library = "{\"history\":[";
        for (int i = 0; i < 50000; ++i)
            library += (i ? "," : "") + QJsonDocument(QJsonObject{{u"video"_qs, video(QString::number(i)).toJson()},
                                                                  {u"date"_qs, 790000000.0 - i}})
                                            .toJson(QJsonDocument::Compact);
        library += "],\"liked\":[],\"watchLater\":[],\"subscriptions\":[],\"searches\":[]}";
        const QString data = home.filePath(u".qttest/share/Nimbelora/Nimbelora"_qs);
        QVERIFY(QDir().mkpath(data));
        QFile file(data + u"/library.json"_qs);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(library) == library.size());
        file.close();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_qs, home.path());
        env.insert(u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs);
        // Alone: no bus to share a name on with other tests' launches.
        env.insert(u"DBUS_SESSION_BUS_ADDRESS"_qs, u"unix:path="_qs + home.filePath(u"nobus"_qs));
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kSlowDisplay)});
        const bool ended = child.waitForFinished(60000);
        const QByteArray said = child.readAllStandardError().right(2000);
        QVERIFY2(ended, said.constData());
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QVERIFY2(child.exitCode() == 0, qPrintable(QString::number(child.exitCode()) + u": "_qs + QString::fromLocal8Bit(said)));
    }

    void oneWriterHoldsTheDataFolder()
    {
        NimbeloraApp::DataLock first = NimbeloraApp::lockDataFolder();
        QVERIFY(first);
        const NimbeloraApp::DataLock second = NimbeloraApp::lockDataFolder();
        QVERIFY(!second);
        QCOMPARE(second.failure, NimbeloraApp::DataLock::Failure::taken);
        QVERIFY(NimbeloraApp::refusal(second).startsWith(u"Nimbelora ya está abierto en otra ventana o sesión"_qs));
        first.file.reset();
        QVERIFY(NimbeloraApp::lockDataFolder());
    }

    // A folder that cannot be written is not another instance: the user is
    // told which folder, not to close a window that does not exist.
    void unusableDataFolderIsNotAnotherInstance_data()
    {
        QTest::addColumn<QString>("blocker");
        QTest::newRow("a file in the folder's place") << QString();
        QTest::newRow("a file in a parent's place") << u".."_qs;
    }
    void unusableDataFolderIsNotAnotherInstance()
    {
        QFETCH(QString, blocker);
        const QString folder = TestDirs::dataDir();
        const QString blocked = QDir::cleanPath(blocker.isEmpty() ? folder : folder + u'/' + blocker);
        QVERIFY(QDir(blocked).removeRecursively());
        QFile file(blocked);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const auto restore = qScopeGuard([&] {
            QFile::remove(blocked);
            QDir().mkpath(folder);
        });

        const NimbeloraApp::DataLock lock = NimbeloraApp::lockDataFolder();
        QVERIFY(!lock);
        QCOMPARE(lock.failure, NimbeloraApp::DataLock::Failure::unwritable);
        const QString text = NimbeloraApp::refusal(lock);
        QVERIFY2(!text.contains(u"otra ventana"_qs), qPrintable(text));
        QVERIFY2(text.contains(folder), qPrintable(text));
    }

    void quitFlushesPositions()
    {
        auto app = makeApp();
        app->appeared();
        app->library()->setPosition(u"a"_qs, 10);
        app->library()->setPosition(u"a"_qs, 42); // within 10 s of the last write: pending
        app->flushOnQuit();
        QFile file(TestDirs::dataDir() + u"/positions.json"_qs);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(file.readAll()).object().value(u"a").toDouble(), 42.0);

        // The play head at quit, not its last 5 s step.
        Video v;
        v.id = u"playing"_qs;
        v.duration = 600;
        app->player()->play(v, 0.0, true);
        m_engine->makeReady(600);
        m_engine->advance(7.3);
        app->flushOnQuit();
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(file.readAll()).object().value(u"playing").toDouble(), 7.3);
    }

    // The play head between two periodic saves is what the quit keeps.
    void quitKeepsThePlayHead()
    {
        auto app = makeApp();
        app->appeared();
        Video v;
        v.id = u"headvideo01"_qs;
        v.duration = 600;
        app->player()->play(v, std::nullopt, false);
        m_engine->makeReady(600);
        m_engine->advance(37.3);
        app->flushOnQuit();
        QFile file(TestDirs::dataDir() + u"/positions.json"_qs);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const double saved = QJsonDocument::fromJson(file.readAll()).object().value(v.id).toDouble();
        QCOMPARE(saved, m_engine->currentTime());
        QVERIFY2(saved > 37, qPrintable(QString::number(saved)));
    }
};

int main(int argc, char *argv[])
{
    if (argc >= 2 && std::strcmp(argv[1], kSlowDisplay) == 0) {
        QStandardPaths::setTestModeEnabled(true);
        argv[1] = argv[0];
        return slowDisplayMain(argc - 1, argv + 1);
    }
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);
    TestNimbeloraApp test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_nimbeloraapp.moc"
