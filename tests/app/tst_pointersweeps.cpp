#include "AppFixture.h"
#include "DoubleClickTime.h"
#include "RootRig.h"

#include "PlayerOverlayModel.h"
#include "PlayerStore.h"
#include "ShortsStore.h"

#include <QPointer>
#include <QTest>
#include <QWheelEvent>
#include <QtQml/qqmlextensionplugin.h>
#include <functional>
#include <memory>
#include <optional>

Q_IMPORT_QML_PLUGIN(Nimbelora_AppPlugin)

using namespace rig;

namespace {

// Where an item lies, its own scale left out: a button shrinks while pressed.
QRectF placeOf(QQuickItem *item)
{
    QQuickItem *parent = item->parentItem();
    return parent ? parent->mapRectToScene(QRectF(item->position(), item->size())) : item->boundingRect();
}

// What is drawn at `at`, with where each lies.
QList<std::pair<QPointer<QQuickItem>, QRectF>> drawnAt(QQuickWindow *window, QPoint at)
{
    QList<std::pair<QPointer<QQuickItem>, QRectF>> out;
    std::function<void(QQuickItem *)> walk = [&](QQuickItem *item) {
        if (!item->isVisible() || item->opacity() <= 0)
            return;
        if (item->contains(item->mapFromScene(at)))
            out.append({item, placeOf(item)});
        for (QQuickItem *child : item->childItems())
            walk(child);
    };
    walk(window->contentItem());
    return out;
}

// Counts the double clicks the system makes of two presses: a second press
// that came too late to be one would prove nothing.
class DoubleClickCount : public QObject
{
public:
    DoubleClickCount() { QCoreApplication::instance()->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonDblClick)
            ++count;
        return false;
    }
};

// The first T in the window's items or in a popup shown there.
template<typename T>
T *findObject(QQuickWindow *window)
{
    QList<QObject *> roots{window->contentItem()};
    for (QQuickItem *popup : rig::shownPopups(window))
        roots << popup->parent();
    for (QObject *root : roots)
        if (T *found = root->findChild<T *>())
            return found;
    return nullptr;
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
    std::optional<RootRig> m_rig;

    Router *router() const { return m_rig->router(); }
    QQuickWindow *window() const { return m_rig->window(); }
    QVariantList state() const { return m_rig->state(); }

    // One double click at `at`; an empty string when its second press
    // reached what took the first, or what was there before the first.
    QString doubleClick(GrabLog &log, QPoint at)
    {
        const auto before = drawnAt(window(), at);
        log.take();
        QTest::mouseClick(window(), Qt::LeftButton, Qt::NoModifier, at);
        const QList<QPointer<QObject>> first = log.take();
        QTest::qWait(150); // on the wall clock; on the events' it is a double click
        QTest::mouseClick(window(), Qt::LeftButton, Qt::NoModifier, at);
        const QList<QPointer<QObject>> second = log.take();
        QTest::qWait(60); // what the second press did, begun
        for (const QPointer<QObject> &o : second) {
            QQuickItem *item = itemOf(o);
            const bool wasThere = item && std::any_of(before.cbegin(), before.cend(), [&](const auto &seen) {
                return seen.first == item && seen.second == placeOf(item);
            });
            if (!first.contains(o) && !wasThere)
                return u"at %1,%2 the second press reached %3"_qs.arg(at.x()).arg(at.y()).arg(describe(o));
        }
        return {};
    }

private slots:
    void initTestCase() { QVERIFY2(m_backend.start(), qPrintable(m_backend.error())); }

    void init()
    {
        AppFixture::clearData();
        m_rig.emplace(m_backend);
    }

    void cleanup() { m_rig.reset(); }

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
        QVERIFY(m_rig->load());
        GrabLog log;
        const auto open = m_rig->opener(place);
        m_rig->reopen(open);
        const QVariantList settled = state();
        const QList<QPoint> points = pressPoints(window()->contentItem(), 8);
        QVERIFY(!points.isEmpty());
        QStringList faults;
        QList<QPoint> openers; // where a click opens a sheet, menu or alert
        for (const QPoint at : points) {
            if (state() != settled)
                m_rig->reopen(open);
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
            m_rig->reopen(open, openIt);
            const QList<QQuickItem *> popups = shownPopups(window());
            if (popups.isEmpty())
                continue;
            const QVariantList opened = state();
            for (const QPoint at : pressPoints(popups.last(), 3)) {
                if (state() != opened)
                    m_rig->reopen(open, openIt);
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
        QTest::addColumn<bool>("outside"); // pressed beside the layer, on what takes presses beneath it
        for (const char *place : {"player over liked", "playlist sheet over liked", "video menu over liked",
                                  "new list alert over my lists"})
            QTest::newRow(place) << QString::fromLatin1(place) << false;
        for (const char *place : {"video menu over home", "video menu over liked", "up-next menu in the player over home"})
            QTest::newRow(qPrintable(u"beside the "_qs + QString::fromLatin1(place))) << QString::fromLatin1(place) << true;
    }

    void layers()
    {
        QFETCH(QString, place);
        QFETCH(bool, outside);
        QVERIFY(m_rig->load());
        GrabLog log;
        const auto open = m_rig->opener(place);
        m_rig->reopen(open);
        QList<QQuickItem *> popups = shownPopups(window());
        QVERIFY(!popups.isEmpty());
        QQuickItem *overlay = overlayOf(window());
        const QVariantList settled = state();
        const QRectF area = popups.last()->mapRectToScene(popups.last()->boundingRect())
                                .intersected(QRectF(QPointF(), QSizeF(window()->size())))
                                .adjusted(8, 8, -8, -8);
        // Where the lists beneath stand: none may move.
        const auto places = [&] { return listPlaces(window()); };
        QVariantList placed = places();

        // Beside a layer the press closes it: the drag is held until the
        // layer has gone, so its moves come after, however fast the machine.
        const auto dragBy = [&](QPoint at, QPoint by) {
            if (!outside) {
                QmlHarness::drag(window(), at, by);
                return;
            }
            const qsizetype layers = shownPopups(window()).size();
            QTest::mousePress(window(), Qt::LeftButton, Qt::NoModifier, at);
            QVERIFY(QmlHarness::waitFor([&] { return shownPopups(window()).size() < layers; }));
            for (int step = 1; step <= 12; ++step)
                QTest::mouseMove(window(), at + by * step / 12);
            QTest::mouseRelease(window(), Qt::LeftButton, Qt::NoModifier, at + by);
        };
        using Action = std::function<void(QPoint)>;
        const QList<std::pair<const char *, Action>> actions{
            {"left click", [&](QPoint at) { QTest::mouseClick(window(), Qt::LeftButton, Qt::NoModifier, at); }},
            {"right click", [&](QPoint at) { QTest::mouseClick(window(), Qt::RightButton, Qt::NoModifier, at); }},
            {"middle click", [&](QPoint at) { QTest::mouseClick(window(), Qt::MiddleButton, Qt::NoModifier, at); }},
            {"drag right", [&](QPoint at) { dragBy(at, QPoint(std::min(160, int(window()->width()) - at.x() - 2), 0)); }},
            {"drag left", [&](QPoint at) { dragBy(at, QPoint(-std::min(160, at.x() - 2), 0)); }},
            {"wheel", [&](QPoint at) {
                 for (const QPoint angle : {QPoint(0, -240), QPoint(0, 240), QPoint(-240, 0)}) {
                     QWheelEvent e(at, window()->mapToGlobal(at), {}, angle, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
                     QCoreApplication::sendEvent(window(), &e);
                 }
             }},
        };
        QList<QPoint> points;
        if (outside) {
            QVERIFY2(area.width() < window()->width() - 40, "the layer covers the window: nothing lies beside it");
            for (const QPoint at : pressPoints(window()->contentItem(), 40))
                if (!area.adjusted(-8, -8, 8, 8).contains(at) && points.size() < 3)
                    points << at;
            QVERIFY(!points.isEmpty());
        } else {
            for (int row = 0; row < 4; ++row)
                for (int column = 0; column < 3; ++column)
                    points << QPoint(qRound(area.left() + area.width() * (column + 0.5) / 3),
                                     qRound(area.top() + area.height() * (row + 0.5) / 4));
        }
        QStringList faults;
        for (const QPoint at : points) {
            for (const auto &[name, act] : actions) {
                // Beside a layer every press closes it: each starts afresh.
                if (outside || state() != settled) {
                    m_rig->reopen(open);
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
        m_rig->clear();
        RootRig::settle();
        QCOMPARE(m_rig->app()->library()->liked().size(), 6);
    }

    // Controls that act in place take both presses of a double click,
    // whatever the first did to their label, or what came up over them
    // that takes no press, on any machine: each press is seen to act.
    void actsOnEachPress_data()
    {
        QTest::addColumn<QString>("control");
        for (const char *control : {"subscribe", "save for later", "queue edit", "next while loading", "next once playing",
                                    "short, its middle", "short, beside its middle"})
            QTest::newRow(control) << QString::fromLatin1(control);
    }

    void actsOnEachPress()
    {
        QFETCH(QString, control);
        const DoubleClickTime doubleClickTime(2000);
        QVERIFY(m_rig->load());
        PlayerStore *player = m_rig->app()->player();
        auto *engine = qobject_cast<SimulatedEngine *>(player->player());
        QVERIFY(engine);
        const auto shown = [&](const QString &name) -> QQuickItem * {
            const QList<QQuickItem *> all = QmlHarness::shownItems(window()->contentItem(), name);
            return all.isEmpty() ? nullptr : all.first();
        };
        QQuickItem *target = nullptr;
        QPoint at;
        std::function<QVariant()> read;
        std::function<void()> between = [] {};
        QVariant twice; // what two presses leave; what was there for a toggle
        if (control.startsWith(u"short")) {
            router()->setTab(AppTab::Shorts);
            QQuickItem *page = nullptr;
            QVERIFY(QmlHarness::waitFor([&] {
                for (QQuickItem *item : QmlHarness::shownItems(window()->contentItem(), u"shortTapArea"_qs))
                    if (item->parentItem()->property("current").toBool())
                        page = item->parentItem();
                return page != nullptr;
            }));
            auto *shorts = page->property("store").value<ShortsStore *>();
            QVERIFY(shorts);
            read = [shorts] { return shorts->paused(); };
            target = QmlHarness::findIn(page, u"shortTapArea"_qs);
            at = centreOf(target) + (control.contains(u"beside") ? QPoint(0, -150) : QPoint());
        } else {
            player->play(m_rig->fixtureVideo(20));
            engine->makeReady(300);
            QTRY_VERIFY(player->isPlaying());
            RootRig::settle();
            auto *overlay = findObject<PlayerOverlayModel>(window());
            QVERIFY(overlay);
            if (control == u"subscribe" || control == u"save for later") {
                QTRY_VERIFY(shown(control == u"subscribe" ? u"subscribeButton"_qs : u"laterPill"_qs));
                target = shown(control == u"subscribe" ? u"subscribeButton"_qs : u"laterPill"_qs);
                QTRY_VERIFY(target->isEnabled());
                read = [target] { return target->property("text"); };
            } else if (control == u"queue edit") {
                player->enqueue(m_rig->fixtureVideo(21));
                overlay->setShowQueue(true);
                QTRY_VERIFY(shown(u"queueEdit"_qs));
                QTRY_VERIFY(rig::shownPopups(window()).size() == 2);
                RootRig::settle();
                target = shown(u"queueEdit"_qs);
                read = [target] { return target->property("text"); };
            } else {
                player->enqueue(m_rig->fixtureVideo(21));
                player->enqueue(m_rig->fixtureVideo(22));
                overlay->setShowControls(true);
                QTRY_VERIFY(shown(u"nextButton"_qs) && shown(u"nextButton"_qs)->isEnabled());
                RootRig::settle();
                target = shown(u"nextButton"_qs);
                read = [player] { return player->current() ? player->current()->id : QString(); };
                twice = m_rig->fixtureVideo(22).id;
                if (control.endsWith(u"playing"))
                    between = [&] {
                        engine->makeReady(300);
                        QTRY_VERIFY(player->isPlaying());
                    };
            }
            at = centreOf(target);
        }
        QVERIFY(target);
        const QVariant start = read();
        if (!twice.isValid())
            twice = start;
        DoubleClickCount doubleClicks;
        QTest::mouseClick(window(), Qt::LeftButton, Qt::NoModifier, at);
        QVERIFY2(QmlHarness::waitFor([&] { return read() != start; }), "the first press did not act");
        between();
        QTest::mouseClick(window(), Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(doubleClicks.count, 1);
        QTRY_COMPARE(read(), twice);
    }

    // The up-next card's close button, over the transport's "Siguiente"
    // while the controls are up, over the video's tap zones while they are
    // not: a double click cancels the countdown, and what the card leaves
    // uncovered takes nothing.
    void upNextCloseTakesOnePress_data()
    {
        QTest::addColumn<bool>("controls");
        QTest::addColumn<bool>("late"); // the second press once the card has slid away
        QTest::newRow("controls up") << true << false;
        QTest::newRow("controls up, the card gone") << true << true;
        QTest::newRow("controls hidden") << false << false;
        QTest::newRow("controls hidden, the card gone") << false << true;
    }

    void upNextCloseTakesOnePress()
    {
        QFETCH(bool, controls);
        QFETCH(bool, late);
        const DoubleClickTime doubleClickTime(2000);
        Defaults::shared().setValue(QString(Pref::autoplay), true);
        Defaults::shared().setValue(QString(Pref::countdown), true);
        QVERIFY(m_rig->load());
        PlayerStore *player = m_rig->app()->player();
        auto *engine = qobject_cast<SimulatedEngine *>(player->player());
        player->play(m_rig->fixtureVideo(20));
        engine->makeReady(30);
        QTRY_VERIFY(player->isPlaying());
        QTRY_VERIFY(!player->related().isEmpty()); // what the countdown offers
        auto *overlay = findObject<PlayerOverlayModel>(window());
        QVERIFY(overlay);
        engine->end();
        QTRY_VERIFY(player->upNext().has_value());
        overlay->setShowControls(controls);
        QQuickItem *close = QmlHarness::findIn(window()->contentItem(), u"upNextCancel"_qs);
        QQuickItem *card = QmlHarness::findIn(window()->contentItem(), u"upNextCard"_qs);
        QVERIFY(close && card);
        // The card at rest where the controls leave it.
        QRectF place;
        QVERIFY(QmlHarness::waitFor([&] {
            const QRectF now = card->mapRectToScene(card->boundingRect());
            const bool still = card->opacity() > 0.999 && now == place;
            place = now;
            QTest::qWait(20);
            return still;
        }));
        const QPoint at = centreOf(close);
        if (controls) {
            QQuickItem *next = QmlHarness::findIn(window()->contentItem(), u"nextButton"_qs);
            QVERIFY(next);
            QVERIFY2(next->contains(next->mapFromScene(at)), "the close button no longer lies over Siguiente");
        }
        const QString current = player->current()->id;
        const qsizetype loads = engine->loads().size();
        DoubleClickCount doubleClicks;
        QTest::mouseClick(window(), Qt::LeftButton, Qt::NoModifier, at);
        QVERIFY(!player->upNext().has_value());
        if (late)
            QTRY_VERIFY(!card->isVisible());
        GrabLog log;
        QTest::mouseClick(window(), Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(doubleClicks.count, 1);
        for (const QPointer<QObject> &o : log.take())
            QVERIFY2(!o || card->isAncestorOf(itemOf(o)), qPrintable(u"the second press reached "_qs + describe(o)));
        QTRY_VERIFY(!card->isVisible());
        QCOMPARE(player->current()->id, current);
        QCOMPARE(engine->loads().size(), loads);
        QCOMPARE(overlay->showControls(), controls);
    }

    // The comments sheet at full height has its handle over the video:
    // pressed there and dragged down, it closes the sheet, and the player stays.
    void sheetHandleOverTheVideo()
    {
        QVERIFY(m_rig->load());
        m_rig->reopen(m_rig->opener(u"comments sheet over the player"_qs));
        const QList<QQuickItem *> popups = shownPopups(window());
        QCOMPARE(popups.size(), 2);
        QObject *sheet = popups.last()->parent();
        QTRY_COMPARE(sheet->property("detent").toString(), u"large"_qs);
        RootRig::settle();
        QQuickItem *grabber = QmlHarness::findIn(popups.last(), u"sheetGrabber"_qs);
        QVERIFY(grabber);
        const QPoint at = centreOf(grabber);
        QmlHarness::drag(window(), at, QPoint(0, int(window()->height()) - at.y() - 4));
        QTRY_VERIFY(!sheet->property("visible").toBool());
        QVERIFY(m_rig->app()->player()->expanded());
    }
};

QTEST_MAIN(TestPointerSweeps)
#include "tst_pointersweeps.moc"
