#include "PointerGate.h"

#include <QGuiApplication>
#include <QLineF>
#include <QMouseEvent>
#include <QQuickItem>
#include <QQuickWindow>
#include <QStyleHints>
#include <QWheelEvent>
#include <QtGui/private/qpointingdevice_p.h>
#include <QtQuickTemplates2/private/qquickoverlay_p.h>
#include <QtQuickTemplates2/private/qquickpopup_p.h>
#include <QtQuickTemplates2/private/qquickpopup_p_p.h>
#include <algorithm>
#include <utility>

namespace {

// The item a grab belongs to: the item itself, or a handler's item.
QQuickItem *itemOf(QObject *grabber)
{
    if (!grabber)
        return nullptr;
    if (auto *item = qobject_cast<QQuickItem *>(grabber))
        return item;
    return qobject_cast<QQuickItem *>(grabber->parent());
}

QList<QObject *> grabbersOf(const QPointerEvent *event)
{
    QList<QObject *> all;
    for (const QEventPoint &point : event->points()) {
        if (QObject *grabber = event->exclusiveGrabber(point))
            all << grabber;
        for (const QPointer<QObject> &grabber : event->passiveGrabbers(point))
            if (grabber && !all.contains(grabber.data()))
                all << grabber.data();
    }
    return all;
}

// Each grabber is told its grab is called off, so it neither acts on the
// release nor holds on for a long press.
void callOff(const QPointerEvent *event, const QList<QObject *> &grabbers)
{
    auto *device = QPointingDevicePrivate::get(const_cast<QPointingDevice *>(event->pointingDevice()));
    for (QObject *grabber : grabbers)
        device->removeGrabber(grabber, true);
}

QQuickOverlay *overlayOf(QQuickWindow *window)
{
    if (!window->contentItem())
        return nullptr;
    for (QQuickItem *child : window->contentItem()->childItems())
        if (auto *overlay = qobject_cast<QQuickOverlay *>(child))
            return overlay;
    return nullptr;
}

// The topmost layer at `scenePos`, as the item whose subtree alone may take
// the pointer there: a popup's own item over its area; the overlay itself
// where an open modal popup lies elsewhere; none where no layer rules.
struct Layer
{
    QQuickItem *root = nullptr;
    QQuickPopup *popup = nullptr;
};

Layer layerAt(QQuickWindow *window, QPointF scenePos)
{
    QQuickOverlay *overlay = overlayOf(window);
    if (!overlay)
        return {};
    // Top first: by z, then the later opened over the earlier.
    QList<QQuickItem *> children = overlay->childItems();
    std::stable_sort(children.begin(), children.end(),
                     [](const QQuickItem *a, const QQuickItem *b) { return a->z() < b->z(); });
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        QQuickItem *item = *it;
        auto *popup = qobject_cast<QQuickPopup *>(item->parent());
        if (!popup || popup->popupItem() != item || !popup->isVisible() || !item->isVisible())
            continue;
        if (item->contains(item->mapFromScene(scenePos)))
            return {item, popup};
        if (popup->isModal())
            return {overlay, nullptr};
    }
    return {};
}

bool inside(const Layer &layer, QObject *grabber)
{
    QQuickItem *item = itemOf(grabber);
    if (!item)
        return false;
    if (!layer.popup) // the overlay, outside every popup above a modal one
        return item == layer.root;
    return item == layer.root || layer.root->isAncestorOf(item);
}

void keepTo(const Layer &layer, QPointerEvent *event)
{
    if (!layer.root)
        return;
    QList<QObject *> beneath;
    for (QObject *grabber : grabbersOf(event))
        if (!inside(layer, grabber))
            beneath << grabber;
    callOff(event, beneath);
    // A point nothing holds goes, as it moves, to every handler under it:
    // the layer holds it itself.
    for (const QEventPoint &point : event->points())
        if (!event->exclusiveGrabber(point) && event->passiveGrabbers(point).isEmpty())
            event->setExclusiveGrabber(point, layer.root);
}

// A layer going away still covers what it covered, but answers nothing.
bool leaving(const Layer &layer)
{
    return layer.popup
           && (!layer.popup->isEnabled()
               || QQuickPopupPrivate::get(layer.popup)->transitionState == QQuickPopupPrivate::ExitTransition);
}

bool wantsDoubleClicks(QQuickItem *item)
{
    if (!item)
        return false;
    if (item->inherits("QQuickTextInput") || item->inherits("QQuickTextEdit"))
        return true;
    auto *said = qobject_cast<PointerGateAttached *>(qmlAttachedPropertiesObject<PointerGate>(item, false));
    if (said && said->doubleClicks())
        return true;
    // A web page (the sign-in) chooses words and answers double clicks itself.
    for (QQuickItem *above = item; above; above = above->parentItem())
        if (above->inherits("QQuickWebEngineView"))
            return true;
    return false;
}

QRectF placeOf(QQuickItem *item)
{
    return item->mapRectToScene(item->boundingRect());
}

bool samePlace(const QRectF &a, const QRectF &b)
{
    constexpr qreal slack = 0.5;
    return std::abs(a.left() - b.left()) < slack && std::abs(a.top() - b.top()) < slack
           && std::abs(a.right() - b.right()) < slack && std::abs(a.bottom() - b.bottom()) < slack;
}

} // namespace

void PointerGate::install()
{
    static PointerGate *gate = nullptr;
    if (gate || !QCoreApplication::instance())
        return;
    gate = new PointerGate(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(gate);
}

PointerGateAttached *PointerGate::qmlAttachedProperties(QObject *object)
{
    return new PointerGateAttached(object);
}

bool PointerGate::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
        break;
    default:
        return false;
    }
    auto *window = qobject_cast<QQuickWindow *>(watched);
    if (!window)
        return false;
    if (event->type() == QEvent::Wheel)
        return wheel(window, static_cast<QWheelEvent *>(event));
    auto *mouse = static_cast<QMouseEvent *>(event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        return press(window, mouse);
    case QEvent::MouseButtonRelease:
        if (!(m_held & mouse->button()))
            return false;
        m_held &= ~mouse->button();
        return true;
    case QEvent::MouseButtonDblClick:
        return (m_held & mouse->button()) != 0;
    default: // a move: kept from all while a held-off button is down
        return (mouse->buttons() & m_held) != 0;
    }
}

bool PointerGate::press(QQuickWindow *window, QMouseEvent *event)
{
    // A press of a held-off button means its release never came here.
    m_held &= ~event->button();
    const QPointF at = event->scenePosition();
    // A third press starts a click of its own.
    const Press first = std::exchange(m_last, Press{});
    const auto *hints = QGuiApplication::styleHints();
    const QPointF moved = at - first.position;
    // Timed by the events, as the system counts double clicks: a busy
    // machine that hands both presses over late still sees a double click.
    const bool second = first.window == window && first.button == event->button() && first.timestamp != 0
                        && event->timestamp() >= first.timestamp
                        && event->timestamp() - first.timestamp < quint64(hints->mouseDoubleClickInterval())
                        && std::max(std::abs(moved.x()), std::abs(moved.y())) <= std::max(5, hints->mouseDoubleClickDistance());

    if (second) {
        QQuickItem *item = itemOf(first.taker);
        const bool stillThere = item && item->window() == window && item->isVisible() && item->isEnabled()
                                && samePlace(placeOf(item), first.takerPlace) && first.takerPlace.contains(at);
        if (!stillThere) {
            m_held |= event->button();
            return true;
        }
    }

    const Layer layer = layerAt(window, at);
    if (leaving(layer)) {
        m_held |= event->button();
        return true;
    }
    deliver(window, event);
    keepTo(layer, event);

    if (second) {
        const QList<QObject *> grabbers = grabbersOf(event);
        if (!grabbers.contains(first.taker.data())) {
            callOff(event, grabbers);
            m_held |= event->button();
        }
        return true;
    }

    m_last = Press{window, event->timestamp(), at, event->button(), nullptr, {}};
    for (QObject *grabber : grabbersOf(event)) {
        if (wantsDoubleClicks(itemOf(grabber))) {
            m_last.taker = grabber;
            m_last.takerPlace = placeOf(itemOf(grabber));
            break;
        }
    }
    return true;
}

bool PointerGate::wheel(QQuickWindow *window, QWheelEvent *event)
{
    // An open modal layer keeps the wheel to itself; one going away (no
    // longer modal, or off) would let it through to what it still covers.
    return leaving(layerAt(window, event->scenePosition()));
}

void PointerGate::deliver(QQuickWindow *window, QEvent *event)
{
    // Straight to the window, past the filters (this one included), as the
    // application would: the gate looks at the grabs once it is handed out.
    static_cast<QObject *>(window)->event(event);
}
