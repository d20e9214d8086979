#pragma once
// The player sheet with real stores over the in-process dev backend, with the
// share sheet beside it as the app's root places it, for the probes here.
#include "API.h"
#include "AppFixture.h"
#include "AvatarStore.h"
#include "FileWriter.h"
#include "LibraryStore.h"
#include "MediaEngine.h"
#include "PlayerStore.h"
#include "QmlHarness.h"
#include "Router.h"
#include "Warmer.h"

#include <QEventLoop>
#include <QQuickItem>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <sys/resource.h>

namespace playersheet {

inline long peakRssKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

inline const QByteArray kScene = R"(
import QtQuick
import Nimbelora.Platform as Platform
import Nimbelora.Library
import Nimbelora.Playback
import Nimbelora.Shell
import Nimbelora.Player

Item {
    id: scene
    required property PlayerStore player
    required property LibraryStore library
    required property Router router
    required property AvatarStore avatars
    readonly property Item sheet: playerSheet

    PlayerSheet {
        id: playerSheet
        anchors.fill: parent
        player: scene.player; library: scene.library; router: scene.router; avatars: scene.avatars
    }
    // As the root places it: dark while the player is open.
    ShareSheetView { Platform.Colors.dark: scene.player.expanded }
}
)";

class PlayerSheetRig
{
public:
    bool start()
    {
        if (!m_backend.start()) {
            std::fprintf(stderr, "backend: %s\n", qPrintable(m_backend.error()));
            return false;
        }
        Warmer::setSender([](const QStringList &) {});
        API::shared().setBaseUrl(QUrl(m_backend->origin()));
        return true;
    }

    TestBackend &backend() { return m_backend.backend(); }

    // Stores over `engine` (adopted) and the scene, shown.
    QQuickItem *load(MediaEngine *engine, int width = 430, int height = 932)
    {
        makeStores(engine, width, height);
        return showScene();
    }

    // The stores and the window, with nothing in it yet.
    void makeStores(MediaEngine *engine, int width = 430, int height = 932)
    {
        m_library = std::make_unique<LibraryStore>();
        m_player = std::make_unique<PlayerStore>(engine);
        m_player->attach(m_library.get());
        m_qml = std::make_unique<QmlHarness>();
        m_qml->window()->resize(width, height);
    }

    QQuickItem *showScene()
    {
        auto obj = [](QObject *o) { return QVariant::fromValue(o); };
        m_root = m_qml->loadSource(kScene, {{QStringLiteral("player"), obj(m_player.get())},
                                            {QStringLiteral("library"), obj(m_library.get())},
                                            {QStringLiteral("router"), obj(&m_router)},
                                            {QStringLiteral("avatars"), obj(&m_avatars)}});
        if (!m_root)
            std::fprintf(stderr, "load: %s\n", qPrintable(m_qml->errors()));
        return m_root;
    }

    void unload()
    {
        m_qml.reset();
        m_root = nullptr;
        m_player.reset();
        m_library.reset();
        LibraryStore::waitForWrites();
        FileWriter::shared().drain();
    }

    PlayerStore &player() { return *m_player; }
    LibraryStore &library() { return *m_library; }
    QmlHarness &qml() { return *m_qml; }
    QQuickWindow *window() const { return m_qml->window(); }
    QQuickItem *sheet() const { return m_root->property("sheet").value<QQuickItem *>(); }
    // The sheet's own models by their property names ("overlay", "details").
    QObject *model(const char *name) const { return sheet()->property(name).value<QObject *>(); }

private:
    AppFixture m_backend;
    std::unique_ptr<LibraryStore> m_library;
    std::unique_ptr<PlayerStore> m_player;
    Router m_router;
    AvatarStore m_avatars;
    std::unique_ptr<QmlHarness> m_qml;
    QQuickItem *m_root = nullptr;
};

// Waits for the window's next swapped frame, asking for one.
inline bool nextFrame(QQuickWindow *w, int timeoutMs = 10000)
{
    QEventLoop loop;
    bool got = false;
    const auto c = QObject::connect(w, &QQuickWindow::frameSwapped, &loop, [&] {
        got = true;
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    w->update();
    loop.exec();
    QObject::disconnect(c);
    return got;
}

} // namespace playersheet
