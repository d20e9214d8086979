#include "AppFixture.h"
#include "Defaults.h"
#include "DoubleClickTime.h"
#include "Fixtures.h"
#include "LibraryRoute.h"
#include "MemoryKeychain.h"
#include "NimbeloraApp.h"
#include "Pref.h"
#include "QmlHarness.h"
#include "RootViewLoad.h"
#include "SampleVideos.h"
#include "SimulatedEngine.h"
#include "TestBackend.h"
#include "WebSignIn.h"

#include <QPointer>
#include <QPointingDevice>
#include <QTest>
#include <QWheelEvent>
#include <QtQml/qqmlextensionplugin.h>
#include <functional>
#include <memory>

Q_IMPORT_QML_PLUGIN(Nimbelora_AppPlugin)

namespace {

QPoint centreOf(QQuickItem *item)
{
    return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
}

// The item a grab belongs to: the item itself, or the nearest item holding it.
QQuickItem *itemOf(QObject *grabber)
{
    for (QObject *o = grabber; o; o = o->parent())
        if (auto *item = qobject_cast<QQuickItem *>(o))
            return item;
    return nullptr;
}

QString describe(QObject *o)
{
    if (!o)
        return u"(gone)"_qs;
    QString name = QString::fromLatin1(o->metaObject()->className());
    for (QQuickItem *item = itemOf(o); item; item = item->parentItem()) {
        if (!item->objectName().isEmpty()) {
            name += u" in "_qs + item->objectName();
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
    QList<QPointer<QObject>> take() { return std::exchange(m_took, {}); }

private:
    QMetaObject::Connection m_connection;
    QList<QPointer<QObject>> m_took;
};

qreal shownOpacity(QQuickItem *item)
{
    qreal o = 1;
    for (; item; item = item->parentItem())
        o *= item->opacity();
    return o;
}

bool takesPresses(QQuickItem *item)
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
QList<QPoint> pressPoints(QQuickItem *under, int most)
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

QQuickItem *overlayOf(QQuickWindow *window)
{
    for (QQuickItem *child : window->contentItem()->childItems())
        if (child->inherits("QQuickOverlay"))
            return child;
    return nullptr;
}

// The popups on screen, their own items, bottom first.
QList<QQuickItem *> shownPopups(QQuickWindow *window)
{
    QList<QQuickItem *> out;
    if (QQuickItem *overlay = overlayOf(window))
        for (QQuickItem *item : overlay->childItems())
            if (item->parent() && item->parent()->inherits("QQuickPopup") && item->parent()->property("visible").toBool())
                out << item;
    return out;
}

} // namespace

// Two sweeps over the whole window, with the app's real screens:
// - a double click on whatever takes presses, on every route's screen, in
//   the player and in every sheet, menu or alert one click opens there: its
//   second press reaches what took the first, or nothing;
// - with the player, a sheet, a menu or an alert open, presses of every
//   button, drags both ways and the wheel over it reach nothing beneath.
class TestPointerSweeps : public QObject
{
    Q_OBJECT

    AppFixture m_backend;
    std::unique_ptr<MemoryKeychain> m_keychain;
    std::unique_ptr<WebSignIn> m_web;
    std::unique_ptr<NimbeloraApp> m_app;
    std::unique_ptr<QmlHarness> m_qml;
    QString m_playlist;

    Router *router() const { return m_app->router(); }
    QQuickWindow *window() const { return m_qml->window(); }

    Video fixtureVideo(int i) const
    {
        const auto &videos = m_backend->fixtures().videos();
        const FxVideo &v = videos.at(i % videos.size());
        return sampleVideo(v.id, 300, u"Canal"_qs);
    }

    bool load()
    {
        Defaults::shared().setValue(QString(Pref::onboarded), true);
        m_app = std::make_unique<NimbeloraApp>(NimbeloraApp::Services{new SimulatedEngine, m_keychain.get(), m_web.get(),
                                                                         [] { return new SimulatedEngine; }});
        m_app->appeared();
        m_qml = std::make_unique<QmlHarness>();
        if (!loadRootView(*m_qml, *m_app, {{u"firstFrameShown"_qs, true}})) {
            qWarning("%s", qPrintable(m_qml->errors()));
            return false;
        }
        LibraryStore *library = m_app->library();
        for (int i = 0; i < 6; ++i) {
            library->toggleLike(fixtureVideo(i));
            library->toggleWatchLater(fixtureVideo(i + 6));
            library->addToHistory(fixtureVideo(i + 12));
        }
        m_playlist = library->createPlaylist(u"Para luego"_qs);
        for (int i = 0; i < 4; ++i)
            library->add(fixtureVideo(i + 3), m_playlist);
        return true;
    }

    // Back to the first tab with nothing open over it.
    void clear()
    {
        for (QQuickItem *popup : shownPopups(window()))
            QMetaObject::invokeMethod(popup->parent(), "close");
        router()->setPlaylistVideo(std::nullopt);
        m_app->player()->setPresented(false);
        router()->setTab(AppTab::Home);
        router()->setHomePath({});
        router()->setSearchPath({});
        router()->setSubsPath({});
        router()->setLibraryPath({});
        QmlHarness::waitFor([&] { return shownPopups(window()).isEmpty(); }, 3000);
    }

    static void settle() { QTest::qWait(250); }

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
        for (QQuickItem *popup : shownPopups(window()))
            s << QString::fromLatin1(popup->parent()->metaObject()->className()) + popup->parent()->objectName();
        return s;
    }

    void openLibrary(const LibraryRoute &route)
    {
        router()->setTab(AppTab::Library);
        router()->open(QVariant::fromValue(route));
    }

    // Each place the sweeps visit, opened from a cleared window.
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
                const auto rows = QmlHarness::shownItems(window()->contentItem(), u"videoRow"_qs);
                if (!rows.isEmpty())
                    QTest::mouseClick(window(), Qt::RightButton, Qt::NoModifier, centreOf(rows.first()));
            };
        if (place == u"new list alert over my lists")
            return [this] {
                openLibrary(LibraryRoutes::playlists());
                settle();
                m_qml->click(u"newListButton"_qs);
            };
        if (place == u"playlist")
            return [this] { openLibrary(LibraryRoutes::playlist(m_playlist)); };
        static const QHash<QString, LibraryRoute (*)()> routes{
            {u"history"_qs, &LibraryRoutes::history},
            {u"liked"_qs, &LibraryRoutes::liked},
            {u"later"_qs, &LibraryRoutes::later},
            {u"settings"_qs, &LibraryRoutes::settings},
            {u"my lists"_qs, &LibraryRoutes::playlists},
            {u"hidden channels"_qs, &LibraryRoutes::hidden},
            {u"statistics"_qs, &LibraryRoutes::stats},
            {u"sponsor categories"_qs, &LibraryRoutes::sponsorCategories},
            {u"home categories"_qs, &LibraryRoutes::homeCategories},
            {u"changelog"_qs, &LibraryRoutes::changelog},
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

    // One double click at `at`; an empty string when its second press
    // reached what took the first, or nothing.
    QString doubleClick(GrabLog &log, QPoint at)
    {
        log.take();
        QTest::mouseClick(window(), Qt::LeftButton, Qt::NoModifier, at);
        const QList<QPointer<QObject>> first = log.take();
        QTest::qWait(150); // on the wall clock; on the events' it is a double click
        QTest::mouseClick(window(), Qt::LeftButton, Qt::NoModifier, at);
        const QList<QPointer<QObject>> second = log.take();
        QTest::qWait(150);
        for (const QPointer<QObject> &o : second)
            if (!first.contains(o))
                return u"at %1,%2 the second press reached %3"_qs.arg(at.x()).arg(at.y()).arg(describe(o));
        return {};
    }

private slots:
    void initTestCase() { QVERIFY2(m_backend.start(), qPrintable(m_backend.error())); }

    void init()
    {
        AppFixture::clearData();
        m_keychain = std::make_unique<MemoryKeychain>();
        m_web = std::make_unique<WebSignIn>(WebSignIn::Backing::Memory);
    }

    void cleanup()
    {
        m_qml.reset();
        LibraryStore::waitForWrites();
        m_app.reset();
    }

    void doubleClicks_data()
    {
        QTest::addColumn<QString>("place");
        for (const char *place : {"home", "search", "subscriptions", "library", "channel", "site playlist", "history",
                                  "liked", "later", "settings", "my lists", "playlist", "hidden channels", "statistics",
                                  "sponsor categories", "home categories", "changelog", "player"})
            QTest::newRow(place) << QString::fromLatin1(place);
    }

    void doubleClicks()
    {
        QFETCH(QString, place);
        const DoubleClickTime doubleClickTime(2000);
        QVERIFY(load());
        GrabLog log;
        const auto open = opener(place);
        reopen(open);
        const QVariantList settled = state();
        const QList<QPoint> points = pressPoints(window()->contentItem(), 8);
        QVERIFY(!points.isEmpty());
        QStringList faults;
        QList<QPoint> openers; // where a click opens a sheet, menu or alert
        for (const QPoint at : points) {
            if (state() != settled)
                reopen(open);
            const int before = shownPopups(window()).size();
            const QString fault = doubleClick(log, at);
            if (!fault.isEmpty())
                faults << fault;
            if (shownPopups(window()).size() > before && openers.size() < 2)
                openers << at;
        }
        // What those clicks open, swept the same way.
        for (const QPoint opening : openers) {
            const auto openIt = [&] { QTest::mouseClick(window(), Qt::LeftButton, Qt::NoModifier, opening); };
            reopen(open, openIt);
            const QList<QQuickItem *> popups = shownPopups(window());
            if (popups.isEmpty())
                continue;
            const QVariantList opened = state();
            for (const QPoint at : pressPoints(popups.last(), 3)) {
                if (state() != opened)
                    reopen(open, openIt);
                const QString fault = doubleClick(log, at);
                if (!fault.isEmpty())
                    faults << u"over what %1,%2 opens: "_qs.arg(opening.x()).arg(opening.y()) + fault;
            }
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u"\n"_qs)));
    }

    void layers_data()
    {
        QTest::addColumn<QString>("place");
        for (const char *place : {"player over liked", "playlist sheet over liked", "video menu over liked",
                                  "new list alert over my lists"})
            QTest::newRow(place) << QString::fromLatin1(place);
    }

    void layers()
    {
        QFETCH(QString, place);
        QVERIFY(load());
        GrabLog log;
        const auto open = opener(place);
        reopen(open);
        QList<QQuickItem *> popups = shownPopups(window());
        QVERIFY(!popups.isEmpty());
        QQuickItem *overlay = overlayOf(window());
        const QVariantList settled = state();
        const QRectF area = popups.last()->mapRectToScene(popups.last()->boundingRect())
                                .intersected(QRectF(QPointF(), QSizeF(window()->size())))
                                .adjusted(8, 8, -8, -8);
        // Where the lists beneath stand: none may move.
        const auto places = [&] {
            QVariantList out;
            std::function<void(QQuickItem *)> walk = [&](QQuickItem *item) {
                if (item == overlay)
                    return;
                if (item->inherits("QQuickFlickable"))
                    out << item->property("contentX") << item->property("contentY");
                for (QQuickItem *child : item->childItems())
                    walk(child);
            };
            walk(window()->contentItem());
            return out;
        };
        QVariantList placed = places();

        using Action = std::function<void(QPoint)>;
        const QList<std::pair<const char *, Action>> actions{
            {"left click", [&](QPoint at) { QTest::mouseClick(window(), Qt::LeftButton, Qt::NoModifier, at); }},
            {"right click", [&](QPoint at) { QTest::mouseClick(window(), Qt::RightButton, Qt::NoModifier, at); }},
            {"middle click", [&](QPoint at) { QTest::mouseClick(window(), Qt::MiddleButton, Qt::NoModifier, at); }},
            {"drag right", [&](QPoint at) { QmlHarness::drag(window(), at, QPoint(std::min(160, int(window()->width()) - at.x() - 2), 0)); }},
            {"drag left", [&](QPoint at) { QmlHarness::drag(window(), at, QPoint(-std::min(160, at.x() - 2), 0)); }},
            {"wheel", [&](QPoint at) {
                 for (const QPoint angle : {QPoint(0, -240), QPoint(0, 240), QPoint(-240, 0)}) {
                     QWheelEvent e(at, window()->mapToGlobal(at), {}, angle, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
                     QCoreApplication::sendEvent(window(), &e);
                 }
             }},
        };
        QStringList faults;
        for (int row = 0; row < 4; ++row) {
            for (int column = 0; column < 3; ++column) {
                const QPoint at(qRound(area.left() + area.width() * (column + 0.5) / 3),
                                qRound(area.top() + area.height() * (row + 0.5) / 4));
                for (const auto &[name, act] : actions) {
                    if (state() != settled) {
                        reopen(open);
                        if (state() != settled)
                            QSKIP("The layer does not open the same way twice here.");
                        placed = places();
                    }
                    log.take();
                    act(at);
                    QTest::qWait(30);
                    for (const QPointer<QObject> &o : log.take()) {
                        QQuickItem *item = itemOf(o);
                        if (o && !(item && overlay && (item == overlay || overlay->isAncestorOf(item))))
                            faults << u"%1 at %2,%3 reached %4"_qs.arg(QString::fromLatin1(name)).arg(at.x()).arg(at.y()).arg(describe(o));
                    }
                    // What the layer itself did (a video played from it) may move a list.
                    if (state() == settled && places() != placed)
                        faults << u"%1 at %2,%3 moved a list beneath"_qs.arg(QString::fromLatin1(name)).arg(at.x()).arg(at.y());
                    if (!faults.isEmpty())
                        QFAIL(qPrintable(faults.join(u"\n"_qs)));
                }
            }
        }
        clear();
        settle();
        QCOMPARE(m_app->library()->liked().size(), 6);
    }
};

QTEST_MAIN(TestPointerSweeps)
#include "tst_pointersweeps.moc"
