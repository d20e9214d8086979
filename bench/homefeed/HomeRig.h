#pragma once
// The home screen with real stores over the in-process dev backend, as the
// shell tests set it up, for the probes in this folder.
#include "API.h"
#include "AppFixture.h"
#include "AuthStore.h"
#include "AvatarStore.h"
#include "DiskCache.h"
#include "FeedModel.h"
#include "FileWriter.h"
#include "LibraryStore.h"
#include "MemoryKeychain.h"
#include "PlayerStore.h"
#include "QmlHarness.h"
#include "Router.h"
#include "SimulatedEngine.h"
#include "Warmer.h"
#include "WebSignIn.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQuickItem>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <memory>
#include <sys/resource.h>

namespace homefeed {

inline long peakRssKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Waits for the window's next swapped frame, asking for one when `request`.
inline bool nextFrame(QQuickWindow *w, bool request = true, int timeoutMs = 10000)
{
    QEventLoop loop;
    bool got = false;
    const auto c = QObject::connect(w, &QQuickWindow::frameSwapped, &loop, [&] {
        got = true;
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (request)
        w->update();
    loop.exec();
    QObject::disconnect(c);
    return got;
}

// Offscreen with the software scene graph unless told otherwise.
inline void preferOffscreen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
}

// Where a probe saves its shots: the folder given first on its command line,
// else "shots" beside the program; made when missing.
inline QString shotsFolder(int argc, char *argv[])
{
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                 : QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("shots"));
    QDir().mkpath(dir);
    return dir;
}

inline bool saveShot(QQuickWindow *window, const QString &dir, const QString &name)
{
    const QString path = QDir(dir).absoluteFilePath(name);
    const bool ok = window->grabWindow().save(path);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
    return ok;
}

inline bool waitFor(const char *what, const std::function<bool()> &pred, int ms = 8000)
{
    if (QmlHarness::waitFor(pred, ms))
        return true;
    std::fprintf(stderr, "timed out waiting for %s\n", what);
    return false;
}

inline QJsonObject videoJson(int n)
{
    const QString id = QStringLiteral("hf%1").arg(n, 9, 10, QLatin1Char('0'));
    return QJsonObject{{"id", id},
                       {"title", QStringLiteral("Vídeo %1 del feed de inicio, con un título que ocupa dos líneas").arg(n)},
                       {"channel", QStringLiteral("Canal %1").arg(n % 37)},
                       {"duration", 60 + n * 7 % 3600}};
}

class HomeRig
{
public:
    bool start()
    {
        if (!m_backend.start()) {
            std::fprintf(stderr, "backend: %s\n", qPrintable(m_backend.error()));
            return false;
        }
        Warmer::setSender([](const QStringList &) {});
        return true;
    }

    TestBackend &backend() { return m_backend.backend(); }

    // Fresh data, stores and faults for the next screen.
    void reset()
    {
        unload();
        FileWriter::shared().drain();
        AppFixture::clearData();
        QDir(DiskCache::dir()).removeRecursively();
        m_backend.reset();
        API::shared().setBaseUrl(QUrl(m_backend->origin()));
        m_keychain = std::make_unique<MemoryKeychain>();
        m_web = std::make_unique<WebSignIn>(WebSignIn::Backing::Memory);
        m_library = std::make_unique<LibraryStore>();
        m_player = std::make_unique<PlayerStore>(new SimulatedEngine);
        m_player->attach(m_library.get());
        m_router = std::make_unique<Router>();
        m_avatars = std::make_unique<AvatarStore>();
    }

    // Shows the home screen (or `screen`, given the stores it names) in a
    // window of the given size.
    QQuickItem *load(int width = 430, int height = 932,
                     const QUrl &screen = QUrl(QStringLiteral("qrc:/Nimbelora/Shell/qml/HomeView.qml")),
                     const QStringList &stores = {QStringLiteral("player"), QStringLiteral("library"),
                                                  QStringLiteral("auth"), QStringLiteral("router"),
                                                  QStringLiteral("avatars")})
    {
        m_auth = std::make_unique<AuthStore>(*m_keychain, *m_web);
        m_qml = std::make_unique<QmlHarness>();
        m_qml->window()->resize(width, height);
        const QVariantMap all{{QStringLiteral("player"), QVariant::fromValue<QObject *>(m_player.get())},
                              {QStringLiteral("library"), QVariant::fromValue<QObject *>(m_library.get())},
                              {QStringLiteral("auth"), QVariant::fromValue<QObject *>(m_auth.get())},
                              {QStringLiteral("router"), QVariant::fromValue<QObject *>(m_router.get())},
                              {QStringLiteral("avatars"), QVariant::fromValue<QObject *>(m_avatars.get())}};
        QVariantMap given;
        for (const QString &name : stores)
            given.insert(name, all.value(name));
        m_root = m_qml->load(screen, given);
        if (!m_root)
            std::fprintf(stderr, "load: %s\n", qPrintable(m_qml->errors()));
        return m_root;
    }

    void unload()
    {
        m_qml.reset();
        m_root = nullptr;
        m_player.reset();
        m_auth.reset();
        m_router.reset();
        m_avatars.reset();
        m_library.reset();
        LibraryStore::waitForWrites();
        AvatarStore::waitForWrites();
    }

    QmlHarness &qml() { return *m_qml; }
    QQuickWindow *window() const { return m_qml->window(); }
    LibraryStore *library() const { return m_library.get(); }
    PlayerStore *player() const { return m_player.get(); }
    AvatarStore *avatars() const { return m_avatars.get(); }
    QQuickItem *root() const { return m_root; }
    FeedModel *feed() const { return m_root->property("model").value<FeedModel *>(); }
    QList<QQuickItem *> shown(const QString &name) const { return QmlHarness::shownItems(m_root, name); }

private:
    AppFixture m_backend;
    std::unique_ptr<MemoryKeychain> m_keychain;
    std::unique_ptr<WebSignIn> m_web;
    std::unique_ptr<LibraryStore> m_library;
    std::unique_ptr<PlayerStore> m_player;
    std::unique_ptr<AuthStore> m_auth;
    std::unique_ptr<Router> m_router;
    std::unique_ptr<AvatarStore> m_avatars;
    std::unique_ptr<QmlHarness> m_qml;
    QQuickItem *m_root = nullptr;
};

} // namespace homefeed
