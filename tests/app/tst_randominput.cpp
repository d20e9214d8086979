#include "AppFixture.h"
#include "DoubleClickTime.h"
#include "Opener.h"
#include "RootRig.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QStyleHints>
#include <QPointingDevice>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <QtQml/qqmlextensionplugin.h>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

Q_IMPORT_QML_PLUGIN(Nimbelora_AppPlugin)

using namespace rig;

namespace {

constexpr int kActions = 1000;
// Every so often a place is opened afresh, a layer among them, so that
// layers open and close along the way however the clicks fall.
constexpr int kReopenEvery = 250;
// A long press, made short so that a run stays short.
constexpr int kHold = 250;

const char *const kPlaces[] = {"home", "player over liked", "playlist sheet over liked", "video menu over liked",
                               "new list alert over my lists", "player", "channel", "settings", "library", "later"};

} // namespace

// Random input over the whole window: presses of every button, double
// clicks, drags, long presses, the wheel and Escape at random points, as the
// player, sheets, menus and alerts open and close. Nothing may end the app,
// and while a modal layer is open nothing outside it takes a press, nor does
// a list beneath it move.
class TestRandomInput : public QObject
{
    Q_OBJECT

    AppFixture m_backend;
    std::optional<RootRig> m_rig;
    QList<std::pair<QPointer<QObject>, QString>> m_strays;
    QList<QPoint> m_points;
    int m_events = 0; // presses, releases, moves, wheel turns and keys sent
    int m_pointsAge = 0;

    QQuickWindow *window() const { return m_rig->window(); }

    QPoint anywhere(QRandomGenerator &rng) const
    {
        return QPoint(rng.bounded(int(window()->width())), rng.bounded(int(window()->height())));
    }

    // Half the time where something takes presses (looked up anew every
    // few events), else anywhere.
    QPoint somewhere(QRandomGenerator &rng)
    {
        if (rng.bounded(2)) {
            if (m_pointsAge++ % 8 == 0)
                m_points = pressPoints(window()->contentItem(), 60);
            if (!m_points.isEmpty())
                return m_points.at(rng.bounded(int(m_points.size())));
        }
        return anywhere(rng);
    }

    QPoint inWindow(QPoint p) const
    {
        return QPoint(std::clamp(p.x(), 1, int(window()->width()) - 2), std::clamp(p.y(), 1, int(window()->height()) - 2));
    }

    // One thing a user does; its name, for the log of what led to a fault.
    QString act(QRandomGenerator &rng)
    {
        const QPoint at = somewhere(rng);
        const QString where = u" %1,%2"_qs.arg(at.x()).arg(at.y());
        QWindow *w = window();
        switch (rng.bounded(10)) {
        case 0:
        case 1:
        case 2:
            m_events += 2;
            QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at);
            return u"click"_qs + where;
        case 3:
            m_events += 2;
            QTest::mouseClick(w, Qt::RightButton, Qt::NoModifier, at);
            return u"right click"_qs + where;
        case 4:
            m_events += 2;
            QTest::mouseClick(w, Qt::MiddleButton, Qt::NoModifier, at);
            return u"middle click"_qs + where;
        case 5:
            m_events += 5;
            QTest::mouseDClick(w, Qt::LeftButton, Qt::NoModifier, at);
            return u"double click"_qs + where;
        case 6: {
            // Six moves with no pause: a quick drag.
            const QPoint to = inWindow(at + QPoint(rng.bounded(-200, 201), rng.bounded(-300, 301)));
            QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, at);
            for (int step = 1; step <= 6; ++step)
                QTest::mouseMove(w, at + (to - at) * step / 6);
            QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, to);
            m_events += 8;
            return u"drag"_qs + where + u" to %1,%2"_qs.arg(to.x()).arg(to.y());
        }
        case 7: {
            const int notches = rng.bounded(-3, 4);
            const QPoint angle = rng.bounded(4) ? QPoint(0, 120 * notches) : QPoint(120 * notches, 0);
            QWheelEvent e(at, w->mapToGlobal(at), {}, angle, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(w, &e);
            m_events += 1;
            return u"wheel"_qs + where;
        }
        case 8:
            m_events += 2;
            if (rng.bounded(16) == 0) {
                QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, at);
                QTest::qWait(kHold + 50); // past a long press
                QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, at);
                return u"long press"_qs + where;
            }
            QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at);
            return u"click"_qs + where;
        default:
            m_events += 2;
            QTest::keyClick(w, Qt::Key_Escape);
            return u"Escape"_qs;
        }
    }

    bool modalLayerShown() const
    {
        const QList<QQuickItem *> popups = shownPopups(window());
        return std::any_of(popups.cbegin(), popups.cend(), [](QQuickItem *item) {
            return item->parent()->property("modal").toBool() && item->parent()->property("enabled").toBool();
        });
    }

    bool insideOverlay(QObject *grabber) const
    {
        QQuickItem *overlay = overlayOf(window());
        QQuickItem *item = itemOf(grabber);
        return item && overlay && (item == overlay || overlay->isAncestorOf(item));
    }

    QList<QQuickItem *> listsBeneath() const
    {
        QQuickItem *overlay = overlayOf(window());
        QList<QQuickItem *> out;
        const std::function<void(QQuickItem *)> walk = [&](QQuickItem *item) {
            if (item == overlay)
                return;
            if (item->inherits("QQuickFlickable"))
                out << item;
            for (QQuickItem *child : item->childItems())
                walk(child);
        };
        walk(window()->contentItem());
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_backend.start(), qPrintable(m_backend.error()));
        // Links go nowhere: no browser starts.
        Opener::setHandler([](const QUrl &) { return true; });
    }

    void init()
    {
        AppFixture::clearData();
        m_rig.emplace(m_backend);
    }

    void cleanup() { m_rig.reset(); }

    void seeds_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {7u, 1234u, 98765u})
            QTest::newRow(qPrintable(QString::number(seed))) << seed;
    }

    void seeds()
    {
        QFETCH(quint32, seed);
        QRandomGenerator rng(seed);
        m_events = 0;
        const DoubleClickTime doubleClickTime(400);
        QGuiApplication::styleHints()->setMousePressAndHoldInterval(kHold);
        QVERIFY(m_rig->load());
        QElapsedTimer clock;
        clock.start();
        QStringList recent;
        // Grabs given outside the overlay, judged when given: a row may be
        // gone from its list by the time the click is done.
        const QMetaObject::Connection watch = connect(
            QPointingDevice::primaryPointingDevice(), &QPointingDevice::grabChanged, this,
            [this](QObject *grabber, QPointingDevice::GrabTransition t, const QPointerEvent *, const QEventPoint &) {
                if (t == QPointingDevice::GrabExclusive || t == QPointingDevice::GrabPassive) {
                    if (!insideOverlay(grabber))
                        m_strays.append({grabber, describe(grabber)});
                } else if (t == QPointingDevice::CancelGrabExclusive || t == QPointingDevice::CancelGrabPassive) {
                    m_strays.removeIf([&](const auto &stray) { return stray.first == grabber; });
                }
            });
        for (int i = 0; i < kActions; ++i) {
            if (i % kReopenEvery == 0) {
                const QString place = QString::fromLatin1(kPlaces[rng.bounded(int(std::size(kPlaces)))]);
                m_rig->reopen(m_rig->opener(place));
                recent << u"— open "_qs + place;
            }
            // An open modal layer holds the whole window: nothing outside it
            // may take a press, nor a list beneath it move.
            const bool layered = modalLayerShown();
            QStringList layers;
            for (QQuickItem *popup : shownPopups(window()))
                layers << describe(popup->parent()) + (popup->parent()->property("modal").toBool() ? u" (modal)"_qs : QString());
            m_strays.clear();
            std::vector<std::pair<QString, std::unique_ptr<QSignalSpy>>> lists;
            if (layered)
                for (QQuickItem *list : listsBeneath())
                    lists.emplace_back(describe(list), std::make_unique<QSignalSpy>(list, SIGNAL(movementStarted())));
            recent << act(rng);
            if (recent.size() > 12)
                recent.removeFirst();
            QStringList faults;
            for (const auto &[name, spy] : lists)
                if (!spy->isEmpty())
                    faults << name + u" moved"_qs;
            if (layered)
                for (const auto &[grabber, name] : std::exchange(m_strays, {}))
                    if (grabber)
                        faults << name + u" took a press"_qs;
            if (!faults.isEmpty())
                QFAIL(qPrintable(faults.join(u"; "_qs) + u" under "_qs + layers.join(u", "_qs) + u", after:\n"_qs
                                 + recent.join(u'\n')));
            // Sometimes another press soon after, sometimes long after.
            QTest::lastMouseTimestamp += rng.bounded(700);
            if (rng.bounded(16) == 0)
                QTest::qWait(rng.bounded(100));
        }
        disconnect(watch);
        QGuiApplication::styleHints()->setMousePressAndHoldInterval(-1);
        // Back to a calm window before it goes: what the last action left
        // sliding or drawn into a layer is let go as the app lets it go.
        m_rig->clear();
        RootRig::settle();
        qInfo("seed %u: %d actions, %d input events, in %lld ms", seed, kActions, m_events, clock.elapsed());
    }
};

QTEST_MAIN(TestRandomInput)
#include "tst_randominput.moc"
