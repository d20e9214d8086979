// The app's whole window, driven as a user would: the real root view over the
// real stores and the development backend, with a library of likes, videos
// for later, history and one list. For the programs that link the app.
#pragma once
#include "AppFixture.h"
#include "Defaults.h"
#include "Fixtures.h"
#include "LibraryRoute.h"
#include "MemoryKeychain.h"
#include "NimbeloraApp.h"
#include "Pref.h"
#include "QmlHarness.h"
#include "RootViewLoad.h"
#include "SampleVideos.h"
#include "SimulatedEngine.h"
#include "WebSignIn.h"

#include <QPointer>
#include <QPointingDevice>
#include <QTest>
#include <QWheelEvent>
#include <algorithm>
#include <functional>
#include <memory>

namespace rig {

inline QPoint centreOf(QQuickItem *item)
{
    return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
}

// The item a grab belongs to: the item itself, or the nearest item holding it.
inline QQuickItem *itemOf(QObject *grabber)
{
    for (QObject *o = grabber; o; o = o->parent())
        if (auto *item = qobject_cast<QQuickItem *>(o))
            return item;
    return nullptr;
}

inline QString describe(QObject *o)
{
    if (!o)
        return QStringLiteral("(gone)");
    QString name = QString::fromLatin1(o->metaObject()->className());
    for (QQuickItem *item = itemOf(o); item; item = item->parentItem()) {
        if (!item->objectName().isEmpty()) {
            name += QStringLiteral(" in ") + item->objectName();
            break;
        }
    }
    return name;
}

// Everything granted a grab by the mouse since the last take(), less what
// had its grab called off before it could act on anything more.
class GrabLog
{
public:
    GrabLog()
    {
        m_connection = QObject::connect(QPointingDevice::primaryPointingDevice(), &QPointingDevice::grabChanged,
                                        [this](QObject *grabber, QPointingDevice::GrabTransition t, const QPointerEvent *,
                                               const QEventPoint &) {
                                            if (t == QPointingDevice::GrabExclusive || t == QPointingDevice::GrabPassive)
                                                m_took.append(grabber);
                                            else if (t == QPointingDevice::CancelGrabExclusive
                                                     || t == QPointingDevice::CancelGrabPassive)
                                                m_took.removeAll(grabber);
                                        });
    }
    ~GrabLog() { QObject::disconnect(m_connection); }
    GrabLog(const GrabLog &) = delete;
    GrabLog &operator=(const GrabLog &) = delete;
    QList<QPointer<QObject>> take() { return std::exchange(m_took, {}); }

private:
    QMetaObject::Connection m_connection;
    QList<QPointer<QObject>> m_took;
};

inline qreal shownOpacity(QQuickItem *item)
{
    qreal o = 1;
    for (; item; item = item->parentItem())
        o *= item->opacity();
    return o;
}

inline bool takesPresses(QQuickItem *item)
{
    if (item->inherits("QQuickAbstractButton") || item->inherits("QQuickMouseArea") || item->inherits("QQuickTextInput"))
        return true;
    const auto children = item->children();
    return std::any_of(children.cbegin(), children.cend(), [](QObject *c) {
        return c->inherits("QQuickTapHandler") && c->property("enabled").toBool();
    });
}

// Where the user can press something in `under`: the centres of what takes
// presses, seen in the window, a little apart, at most `most` spread over all.
inline QList<QPoint> pressPoints(QQuickItem *under, int most)
{
    const QRectF window(QPointF(), QSizeF(under->window()->size()));
    QList<QPoint> all;
    std::function<void(QQuickItem *)> walk = [&](QQuickItem *item) {
        if (!item->isVisible() || !item->isEnabled())
            return;
        if (takesPresses(item) && item->width() > 4 && item->height() > 4 && shownOpacity(item) > 0.05) {
            const QPoint c = centreOf(item);
            const bool apart = std::none_of(all.cbegin(), all.cend(), [&](QPoint p) {
                return (p - c).manhattanLength() < 16;
            });
            if (window.adjusted(2, 2, -2, -2).contains(c) && apart)
                all << c;
        }
        for (QQuickItem *child : item->childItems())
            walk(child);
    };
    walk(under);
    std::sort(all.begin(), all.end(), [](QPoint a, QPoint b) { return std::pair(a.y(), a.x()) < std::pair(b.y(), b.x()); });
    if (all.size() <= most)
        return all;
    QList<QPoint> spread;
    for (int i = 0; i < most; ++i)
        spread << all.at(i * all.size() / most);
    return spread;
}

inline QQuickItem *overlayOf(QQuickWindow *window)
{
    for (QQuickItem *child : window->contentItem()->childItems())
        if (child->inherits("QQuickOverlay"))
            return child;
    return nullptr;
}

// The popups on screen, their own items, bottom first.
inline QList<QQuickItem *> shownPopups(QQuickWindow *window)
{
    QList<QQuickItem *> out;
    if (QQuickItem *overlay = overlayOf(window))
        for (QQuickItem *item : overlay->childItems())
            if (item->parent() && item->parent()->inherits("QQuickPopup") && item->parent()->property("visible").toBool())
                out << item;
    return out;
}

// Where the lists beneath the layers stand.
inline QVariantList listPlaces(QQuickWindow *window)
{
    QQuickItem *overlay = overlayOf(window);
    QVariantList out;
    std::function<void(QQuickItem *)> walk = [&](QQuickItem *item) {
        if (item == overlay)
            return;
        if (item->inherits("QQuickFlickable"))
            out << u"%1 at %2,%3"_qs.arg(describe(item)).arg(item->property("contentX").toReal()).arg(item->property("contentY").toReal());
        for (QQuickItem *child : item->childItems())
            walk(child);
    };
    walk(window->contentItem());
    return out;
}

} // namespace rig

class RootRig
{
public:
    explicit RootRig(AppFixture &backend)
        : m_backend(backend), m_keychain(std::make_unique<MemoryKeychain>()),
          m_web(std::make_unique<WebSignIn>(WebSignIn::Backing::Memory))
    {
    }
    ~RootRig()
    {
        m_qml.reset();
        LibraryStore::waitForWrites();
        m_app.reset();
    }
    RootRig(const RootRig &) = delete;
    RootRig &operator=(const RootRig &) = delete;

    NimbeloraApp *app() const { return m_app.get(); }
    Router *router() const { return m_app->router(); }
    QQuickWindow *window() const { return m_qml->window(); }
    QmlHarness &qml() const { return *m_qml; }

    Video fixtureVideo(int i) const
    {
        const auto &videos = m_backend->fixtures().videos();
        const FxVideo &v = videos.at(i % videos.size());
        return sampleVideo(v.id, 300, QStringLiteral("Canal"));
    }

    bool load()
    {
        Defaults::shared().setValue(QString(Pref::onboarded), true);
        m_app = std::make_unique<NimbeloraApp>(NimbeloraApp::Services{new SimulatedEngine, m_keychain.get(), m_web.get(),
                                                                         [] { return new SimulatedEngine; }});
        m_app->appeared();
        m_qml = std::make_unique<QmlHarness>();
        if (!loadRootView(*m_qml, *m_app, {{QStringLiteral("firstFrameShown"), true}})) {
            qWarning("%s", qPrintable(m_qml->errors()));
            return false;
        }
        LibraryStore *library = m_app->library();
        for (int i = 0; i < 6; ++i) {
            library->toggleLike(fixtureVideo(i));
            library->toggleWatchLater(fixtureVideo(i + 6));
            library->addToHistory(fixtureVideo(i + 12));
        }
        m_playlist = library->createPlaylist(QStringLiteral("Para luego"));
        for (int i = 0; i < 4; ++i)
            library->add(fixtureVideo(i + 3), m_playlist);
        return true;
    }

    // Back to the first tab with nothing open over it.
    void clear()
    {
        for (QQuickItem *popup : rig::shownPopups(window()))
            QMetaObject::invokeMethod(popup->parent(), "close");
        router()->setPlaylistVideo(std::nullopt);
        m_app->player()->setPresented(false);
        router()->setTab(AppTab::Home);
        router()->setHomePath({});
        router()->setSearchPath({});
        router()->setSubsPath({});
        router()->setLibraryPath({});
        QmlHarness::waitFor([&] { return rig::shownPopups(window()).isEmpty(); }, 3000);
    }

    static void settle() { QTest::qWait(250); }

    // Where the user is: the tab, each tab's path, what is open over them.
    QVariantList state() const
    {
        QVariantList s{int(router()->tab()),
                       router()->property("homePath"),
                       router()->property("searchPath"),
                       router()->property("subsPath"),
                       router()->property("libraryPath"),
                       router()->playlistVideo().has_value(),
                       m_app->player()->expanded(),
                       m_app->player()->current() ? m_app->player()->current()->id : QString()};
        for (QQuickItem *popup : rig::shownPopups(window()))
            s << QString::fromLatin1(popup->parent()->metaObject()->className()) + popup->parent()->objectName();
        return s;
    }

    void openLibrary(const LibraryRoute &route)
    {
        router()->setTab(AppTab::Library);
        router()->open(QVariant::fromValue(route));
    }

    // Each place a test visits, opened from a cleared window.
    std::function<void()> opener(const QString &place)
    {
        if (place == u"home")
            return [] {};
        if (place == u"search")
            return [this] { router()->setTab(AppTab::Search); };
        if (place == u"subscriptions")
            return [this] { router()->setTab(AppTab::Subscriptions); };
        if (place == u"library")
            return [this] { router()->setTab(AppTab::Library); };
        if (place == u"channel")
            return [this] {
                const FxChannel &c = m_backend->fixtures().channels().first();
                router()->openChannel(c.id, c.name);
            };
        if (place == u"site playlist")
            return [this] { router()->openPlaylist(m_backend->fixtures().playlists().first().id); };
        if (place == u"player")
            return [this] { m_app->player()->play(fixtureVideo(20)); };
        if (place == u"player over liked")
            return [this] {
                openLibrary(LibraryRoutes::liked());
                m_app->player()->play(fixtureVideo(20));
            };
        if (place == u"playlist sheet over liked")
            return [this] {
                openLibrary(LibraryRoutes::liked());
                router()->setPlaylistVideo(fixtureVideo(21));
            };
        if (place == u"video menu over liked")
            return [this] {
                openLibrary(LibraryRoutes::liked());
                settle();
                const auto rows = QmlHarness::shownItems(window()->contentItem(), QStringLiteral("videoRow"));
                if (!rows.isEmpty())
                    QTest::mouseClick(window(), Qt::RightButton, Qt::NoModifier, rig::centreOf(rows.first()));
            };
        if (place == u"video menu over home")
            return [this] {
                settle();
                rightClickFirst(window()->contentItem(), QStringLiteral("videoCard"));
            };
        if (place == u"up-next menu in the player over home")
            return [this] {
                m_app->player()->play(fixtureVideo(20));
                settle();
                // The details scrolled down to "A continuación", home cards beneath.
                const QPoint middle(window()->width() / 2, window()->height() * 3 / 4);
                QWheelEvent wheel(middle, window()->mapToGlobal(middle), {}, QPoint(0, -600), Qt::NoButton,
                                  Qt::NoModifier, Qt::NoScrollPhase, false);
                QCoreApplication::sendEvent(window(), &wheel);
                QmlHarness::waitFor([&] { return wholeIn(rig::shownPopups(window()).value(0), QStringLiteral("videoRow")); });
                const QList<QQuickItem *> popups = rig::shownPopups(window());
                if (!popups.isEmpty())
                    rightClickFirst(popups.last(), QStringLiteral("videoRow"));
            };
        if (place == u"comments sheet over the player")
            return [this] {
                m_app->player()->play(fixtureVideo(20));
                QmlHarness::waitFor([&] { return wholeIn(rig::shownPopups(window()).value(0), QStringLiteral("commentsCard")); });
                if (QQuickItem *card = wholeIn(rig::shownPopups(window()).value(0), QStringLiteral("commentsCard")))
                    QTest::mouseClick(window(), Qt::LeftButton, Qt::NoModifier, rig::centreOf(card));
                settle();
                const QList<QQuickItem *> popups = rig::shownPopups(window());
                if (!popups.isEmpty())
                    popups.last()->parent()->setProperty("detent", QStringLiteral("large"));
            };
        if (place == u"new list alert over my lists")
            return [this] {
                openLibrary(LibraryRoutes::playlists());
                settle();
                m_qml->click(QStringLiteral("newListButton"));
            };
        if (place == u"playlist")
            return [this] { openLibrary(LibraryRoutes::playlist(m_playlist)); };
        static const QHash<QString, LibraryRoute (*)()> routes{
            {QStringLiteral("history"), &LibraryRoutes::history},
            {QStringLiteral("liked"), &LibraryRoutes::liked},
            {QStringLiteral("later"), &LibraryRoutes::later},
            {QStringLiteral("settings"), &LibraryRoutes::settings},
            {QStringLiteral("my lists"), &LibraryRoutes::playlists},
            {QStringLiteral("hidden channels"), &LibraryRoutes::hidden},
            {QStringLiteral("statistics"), &LibraryRoutes::stats},
            {QStringLiteral("sponsor categories"), &LibraryRoutes::sponsorCategories},
            {QStringLiteral("home categories"), &LibraryRoutes::homeCategories},
            {QStringLiteral("changelog"), &LibraryRoutes::changelog},
        };
        const auto route = routes.value(place);
        return [this, route] { openLibrary(route()); };
    }

    void reopen(const std::function<void()> &open, const std::function<void()> &then = {})
    {
        clear();
        open();
        settle();
        if (then) {
            then();
            settle();
        }
    }

private:
    // The first `name` shown in `under` that lies whole in the window.
    QQuickItem *wholeIn(QQuickItem *under, const QString &name) const
    {
        if (!under)
            return nullptr;
        const QRectF shown(QPointF(), QSizeF(window()->size()));
        for (QQuickItem *item : QmlHarness::shownItems(under, name))
            if (shown.contains(item->mapRectToScene(item->boundingRect())))
                return item;
        return nullptr;
    }

    void rightClickFirst(QQuickItem *under, const QString &name)
    {
        if (QQuickItem *item = wholeIn(under, name))
            QTest::mouseClick(window(), Qt::RightButton, Qt::NoModifier, rig::centreOf(item));
    }

    AppFixture &m_backend;
    std::unique_ptr<MemoryKeychain> m_keychain;
    std::unique_ptr<WebSignIn> m_web;
    std::unique_ptr<NimbeloraApp> m_app;
    std::unique_ptr<QmlHarness> m_qml;
    QString m_playlist;
};
