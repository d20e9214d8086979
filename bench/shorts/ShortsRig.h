#pragma once
// The Shorts screen with real stores over the in-process dev backend, for
// the probes in this folder.
#include "HomeRig.h"
#include "ShortsStore.h"

namespace shorts {

class ShortsRig
{
public:
    bool start() { return m_home.start(); }
    TestBackend &backend() { return m_home.backend(); }

    // Fresh data, stores and faults; Shorts play on what `engine` makes.
    void reset(ShortsStore::EngineFactory engine)
    {
        unload();
        m_home.reset();
        ShortsStore::setEngineFactory(std::move(engine));
        m_player = std::make_unique<PlayerStore>(new SimulatedEngine);
        m_library = std::make_unique<LibraryStore>();
        m_avatars = std::make_unique<AvatarStore>();
    }

    QQuickItem *load(int width = 430, int height = 932)
    {
        m_qml = std::make_unique<QmlHarness>();
        m_qml->window()->resize(width, height);
        m_root = m_qml->load(QUrl(QStringLiteral("qrc:/Nimbelora/Shorts/qml/ShortsView.qml")),
                             {{QStringLiteral("player"), QVariant::fromValue<QObject *>(m_player.get())},
                              {QStringLiteral("library"), QVariant::fromValue<QObject *>(m_library.get())},
                              {QStringLiteral("avatars"), QVariant::fromValue<QObject *>(m_avatars.get())}});
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
        m_avatars.reset();
        LibraryStore::waitForWrites();
        AvatarStore::waitForWrites();
    }

    QQuickWindow *window() const { return m_qml->window(); }
    QQuickItem *root() const { return m_root; }
    QQuickItem *pager() const { return m_qml->find(QStringLiteral("shortsPager")); }
    ShortsStore *store() const { return m_root->property("store").value<ShortsStore *>(); }
    QList<QQuickItem *> shown(const QString &name) const { return QmlHarness::shownItems(m_root, name); }
    qsizetype alive(const QString &name) const { return QmlHarness::findAllIn(m_root, name).size(); }

private:
    homefeed::HomeRig m_home;
    std::unique_ptr<PlayerStore> m_player;
    std::unique_ptr<LibraryStore> m_library;
    std::unique_ptr<AvatarStore> m_avatars;
    std::unique_ptr<QmlHarness> m_qml;
    QQuickItem *m_root = nullptr;
};

} // namespace shorts
