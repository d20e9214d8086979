#pragma once
// The whole app (root view, tab stacks, real stores) over the in-process dev
// backend, on the library tab, for the probes in this folder.
#include "API.h"
#include "AppFixture.h"
#include "Clock.h"
#include "Defaults.h"
#include "MemoryKeychain.h"
#include "NimbeloraApp.h"
#include "Pref.h"
#include "QmlHarness.h"
#include "RootViewLoad.h"
#include "SimulatedEngine.h"
#include "WebSignIn.h"

#include <QCoroTask>
#include <QJsonDocument>
#include <QtQml/qqmlextensionplugin.h>
#include <QQuickItem>
#include <cstdio>
#include <memory>

Q_IMPORT_QML_PLUGIN(Nimbelora_AppPlugin)

namespace librarytab {

// The largest visible vertical Flickable of a screen, scrolled to its end.
inline void scrollToBottom(QQuickItem *screen)
{
    QQuickItem *best = nullptr;
    for (QQuickItem *item : screen->findChildren<QQuickItem *>())
        if (item->inherits("QQuickFlickable") && item->isVisible()
            && item->property("flickableDirection").toInt() != 1 // not a horizontal strip
            && (!best || item->height() > best->height()))
            best = item;
    if (!best)
        return;
    const qreal end = best->property("contentHeight").toDouble() + best->property("originY").toDouble()
                      + best->property("bottomMargin").toDouble() - best->height();
    best->setProperty("contentY", std::max(end, best->property("contentY").toDouble()));
}

class LibraryRig
{
public:
    bool start()
    {
        if (!m_backend.start()) {
            std::fprintf(stderr, "backend: %s\n", qPrintable(m_backend.error()));
            return false;
        }
        return true;
    }

    TestBackend &backend() { return m_backend.backend(); }

    // A fresh library and settings; signed in as the backend's test account
    // when asked. `theme`: 1 light, 2 dark. The player plays on `engine`
    // (adopted), a scripted one when none is given.
    void reset(int theme, bool signedIn = false, MediaEngine *engine = nullptr)
    {
        unload();
        AppFixture::clearData();
        m_backend.reset();
        API::shared().setBaseUrl(QUrl(m_backend->origin()));
        Defaults::shared().setValue(QString(Pref::onboarded), true);
        Defaults::shared().setValue(QString(Pref::theme), theme);
        m_keychain = std::make_unique<MemoryKeychain>();
        m_web = std::make_unique<WebSignIn>(WebSignIn::Backing::Memory);
        if (signedIn) {
            m_keychain->set(QStringLiteral("session"), m_backend->session());
            Defaults::shared().setValue(QStringLiteral("account"),
                                        QStringLiteral(R"({"name":"Usuario de prueba","handle":"@usuario"})"));
        }
        m_app = std::make_unique<NimbeloraApp>(NimbeloraApp::Services{engine ? engine : new SimulatedEngine,
                                                                       m_keychain.get(), m_web.get()});
        m_app->appeared();
    }

    // The videos of a backend feed page, for filling the library.
    static QList<Video> videos(const QString &category = QStringLiteral("foryou"), qint64 page = 0)
    {
        return QCoro::waitFor(API::shared().feed(category, page));
    }

    QQuickItem *load(int width = 430, int height = 932)
    {
        m_qml = std::make_unique<QmlHarness>();
        m_qml->window()->resize(width, height);
        m_root = loadRootView(*m_qml, *m_app);
        if (!m_root) {
            std::fprintf(stderr, "load: %s\n", qPrintable(m_qml->errors()));
            return nullptr;
        }
        m_app->router()->setTab(AppTab::library);
        return m_root;
    }

    void unload()
    {
        m_qml.reset();
        m_root = nullptr;
        if (m_app)
            m_app->flushOnQuit();
        m_app.reset();
    }

    NimbeloraApp &app() { return *m_app; }
    LibraryStore &library() { return *m_app->library(); }
    QmlHarness &qml() { return *m_qml; }
    QQuickWindow *window() const { return m_qml->window(); }
    QQuickItem *stack() const { return m_qml->find(QStringLiteral("libraryStack")); }
    // The screen on top of the library stack.
    QQuickItem *top() const { return stack()->property("topScreen").value<QQuickItem *>(); }
    void open(const LibraryRoute &route) { m_app->router()->setLibraryPath({route}); }
    void open(const YTPlaylistRoute &route) { m_app->router()->setLibraryPath({route}); }

private:
    AppFixture m_backend;
    std::unique_ptr<MemoryKeychain> m_keychain;
    std::unique_ptr<WebSignIn> m_web;
    std::unique_ptr<NimbeloraApp> m_app;
    std::unique_ptr<QmlHarness> m_qml;
    QQuickItem *m_root = nullptr;
};

} // namespace librarytab
