#include "AppFixture.h"
#include "DoubleClickTime.h"
#include "RootRig.h"

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
