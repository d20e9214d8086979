#include "PointerGate.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QQuickItem>
#include <QQuickWindow>
#include <QStyleHints>
#include <QWheelEvent>
#include <QtCore/private/qmetaobject_p.h>
#include <QtCore/private/qobject_p.h>
#include <QtQuick/private/qquickitem_p.h>
#include <QtQuickTemplates2/private/qquickoverlay_p.h>
#include <QtQuickTemplates2/private/qquickpopup_p.h>
#include <QtQuickTemplates2/private/qquickpopup_p_p.h>
#include <algorithm>
#include <functional>
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

// Calls off the grabs `off` names, so a grabber neither acts on the release
// nor holds on for a long press. It goes as in Qt's own delivery when one
// grab takes over from another, with the event in hand: Qt's removeGrabber
// tells a cancelled handler without the event, which a TapHandler then reads.
// `substitute` holds what an exclusive grab let go of.
void callOff(QPointerEvent *event, const std::function<bool(QObject *)> &off, QQuickItem *substitute)
{
    const QPointingDevice *device = event->pointingDevice();
    for (qsizetype i = 0; i < event->pointCount(); ++i) {
        QEventPoint &point = event->point(i);
        const QList<QPointer<QObject>> passive = event->passiveGrabbers(point);
        for (const QPointer<QObject> &grabber : passive) {
            if (!grabber || !off(grabber.data()))
                continue;
            QObject *gone = grabber.data();
            event->removePassiveGrabber(point, gone);
            // Letting go of a passive grab is no cancel to a handler: the
            // device's own signal tells it, as removeGrabber does.
            emit device->grabChanged(gone, QPointingDevice::CancelGrabPassive, event, point);
        }
        QObject *exclusive = event->exclusiveGrabber(point);
        if (exclusive && exclusive != substitute && off(exclusive))
            event->setExclusiveGrabber(point, substitute); // the one before is told of a cancel
    }
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
    QPointer<QQuickItem> root;
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
    if (!item || !layer.root)
        return false;
    if (!layer.popup) // the overlay, outside every popup above a modal one
        return item == layer.root;
    return item == layer.root || layer.root->isAncestorOf(item);
}

// What holds a point whose grab is called off: the layer, or the window's root.
QQuickItem *holderOf(QQuickWindow *window, const Layer &layer)
{
    return layer.root ? layer.root.data() : window->contentItem();
}

void keepTo(const Layer &layer, QPointerEvent *event)
{
    if (!layer.root)
        return;
    callOff(event, [&](QObject *grabber) { return !inside(layer, grabber); }, layer.root);
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

// The layers on screen and not going away, in the overlay's order.
QList<QPointer<QObject>> shownLayers(QQuickWindow *window)
{
    QList<QPointer<QObject>> out;
    if (QQuickOverlay *overlay = overlayOf(window))
        for (QQuickItem *item : overlay->childItems())
            if (auto *popup = qobject_cast<QQuickPopup *>(item->parent());
                popup && popup->isVisible() && !leaving(Layer{item, popup}))
                out << popup;
    return out;
}

PointerGateAttached *saidOf(QQuickItem *item)
{
    return qobject_cast<PointerGateAttached *>(qmlAttachedPropertiesObject<PointerGate>(item, false));
}

// A double-click signal with someone listening, asked as Qt's own MouseArea
// and buttons ask before they answer a double click.
bool answersDoubleClicks(QObject *object)
{
    const QMetaObject *meta = object->metaObject();
    const QObjectPrivate *d = QObjectPrivate::get(object);
    for (int i = 0; i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() == QMetaMethod::Signal
            && (method.name() == "doubleClicked" || method.name() == "doubleTapped")
            && d->isSignalConnected(uint(QMetaObjectPrivate::signalIndex(method))))
            return true;
    }
    return false;
}

bool wantsDoubleClicks(QObject *grabber)
{
    QQuickItem *item = itemOf(grabber);
    if (!item)
        return false;
    if (item->inherits("QQuickTextInput") || item->inherits("QQuickTextEdit"))
        return true;
    if (answersDoubleClicks(grabber))
        return true;
    if (PointerGateAttached *said = saidOf(item); said && said->doubleClicks())
        return true;
    // A web page (the sign-in) chooses words and answers double clicks itself.
    for (QQuickItem *above = item; above; above = above->parentItem())
        if (above->inherits("QQuickWebEngineView"))
            return true;
    return false;
}

bool saysOnce(QQuickItem *item)
{
    PointerGateAttached *said = saidOf(item);
    return said && said->once();
}

bool takesPresses(QQuickItem *item)
{
    return item->acceptedMouseButtons() != Qt::NoButton || QQuickItemPrivate::get(item)->hasPointerHandlers();
}

// Where an item lies in the scene, its own scale and rotation left out: a
// control that shrinks while pressed is still where it was.
QRectF placeOf(QQuickItem *item)
{
    if (QQuickItem *parent = item->parentItem())
        return parent->mapRectToScene(QRectF(item->position(), item->size()));
    return item->mapRectToScene(item->boundingRect());
}

bool samePlace(const QRectF &a, const QRectF &b)
{
    constexpr qreal slack = 0.5;
    return std::abs(a.left() - b.left()) < slack && std::abs(a.top() - b.top()) < slack
           && std::abs(a.right() - b.right()) < slack && std::abs(a.bottom() - b.bottom()) < slack;
}

bool shown(QQuickItem *item)
{
    return item->isVisible() && item->opacity() > 0;
}

// Items in paint order, bottom first, as Qt's delivery walks them.
void walk(QQuickItem *item, const std::function<bool(QQuickItem *)> &visit)
{
    if (!shown(item) || !visit(item))
        return;
    for (QQuickItem *child : QQuickItemPrivate::get(item)->paintOrderChildItems())
        walk(child, visit);
}

// What is drawn at `scenePos`, bottom first.
QList<QQuickItem *> itemsAt(QQuickWindow *window, QPointF scenePos)
{
    QList<QQuickItem *> out;
    walk(window->contentItem(), [&](QQuickItem *item) {
        const bool at = item->contains(item->mapFromScene(scenePos));
        if (at)
            out << item;
        return at || !item->clip();
    });
    return out;
}

} // namespace

bool PointerGate::Scene::holds(QQuickItem *item) const
{
    for (qsizetype i = 0; i < items.size(); ++i)
        if (items.at(i) == item)
            return samePlace(placeOf(item), places.at(i));
    return false;
}

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
        m_single &= ~mouse->button();
        if (!(m_held & mouse->button()))
            return false;
        m_held &= ~mouse->button();
        return true;
    case QEvent::MouseButtonDblClick:
        if ((m_held | m_single) & mouse->button())
            return true;
        doubleClick(window, mouse);
        return true;
    default: // a move: kept from all while a held-off button is down
        return (mouse->buttons() & m_held) != 0;
    }
}

bool PointerGate::press(QQuickWindow *window, QMouseEvent *event)
{
    // A press of a held-off button means its release never came here.
    m_held &= ~event->button();
    m_single &= ~event->button();
    m_kept.clear();
    const QPointF at = event->scenePosition();
    // A third press starts a click of its own.
    const Press first = std::exchange(m_last, Press{});
    const auto *hints = QGuiApplication::styleHints();
    const qreal reach = std::max(5, hints->mouseDoubleClickDistance());
    const QPointF moved = at - first.position;
    // Timed by the events, as the system counts double clicks: a busy
    // machine that hands both presses over late still sees a double click.
    const bool second = first.window == window && first.button == event->button() && first.timestamp != 0
                        && event->timestamp() >= first.timestamp
                        && event->timestamp() - first.timestamp < quint64(hints->mouseDoubleClickInterval())
                        && std::max(std::abs(moved.x()), std::abs(moved.y())) <= reach;

    const Layer layer = layerAt(window, at);
    if (leaving(layer)) {
        m_held |= event->button();
        return true;
    }
    if (second)
        return secondPress(window, event, first);

    Press now{window, event->timestamp(), at, event->button(), nullptr, {}, {}, shownLayers(window)};
    const QRectF near(at - QPointF(reach, reach), QSizeF(2 * reach, 2 * reach));
    walk(window->contentItem(), [&](QQuickItem *item) {
        const QRectF place = placeOf(item);
        const bool there = place.intersects(near);
        if (there) {
            now.before.items << item;
            now.before.places << place;
        }
        return there || !item->clip();
    });
    deliver(window, event);
    keepTo(layer, event);
    for (QObject *grabber : grabbersOf(event)) {
        if (wantsDoubleClicks(grabber)) {
            now.taker = grabber;
            now.takerPlace = placeOf(itemOf(grabber));
            break;
        }
    }
    m_last = std::move(now);
    return true;
}

bool PointerGate::secondPress(QQuickWindow *window, QMouseEvent *event, const Press &first)
{
    const QPointF at = event->scenePosition();
    QQuickItem *takerItem = itemOf(first.taker);
    const bool takerThere = takerItem && takerItem->window() == window && takerItem->isVisible()
                            && takerItem->isEnabled() && samePlace(placeOf(takerItem), first.takerPlace)
                            && first.takerPlace.contains(at);
    const bool sameLayers = shownLayers(window) == first.layers;
    const QList<QQuickItem *> under = itemsAt(window, at);
    // Left as it was by the first click: there before, where it was, and
    // nothing new over it but its own look (a play symbol turned to pause).
    const auto stands = [&](QQuickItem *item) {
        if (!item || !sameLayers || saysOnce(item) || !first.before.holds(item))
            return false;
        const qsizetype i = under.indexOf(item);
        if (i < 0)
            return false;
        for (qsizetype j = i + 1; j < under.size(); ++j) {
            QQuickItem *over = under.at(j);
            if (!first.before.holds(over) && (takesPresses(over) || !item->isAncestorOf(over)))
                return false;
        }
        return true;
    };
    // Nothing there to take it: nothing sees this press at all.
    if (!takerThere && std::none_of(under.cbegin(), under.cend(), [&](QQuickItem *item) {
            return takesPresses(item) && stands(item);
        })) {
        m_held |= event->button();
        return true;
    }

    const Layer layer = layerAt(window, at);
    deliver(window, event);
    keepTo(layer, event);
    const auto kept = [&](QObject *grabber) {
        return (takerThere && grabber == first.taker) || stands(itemOf(grabber));
    };
    const QList<QObject *> grabbers = grabbersOf(event);
    const bool any = std::any_of(grabbers.cbegin(), grabbers.cend(), kept);
    const bool takerKept = takerThere && grabbers.contains(first.taker.data());
    callOff(event, [&](QObject *grabber) { return !kept(grabber); }, holderOf(window, layer));
    if (!any)
        m_held |= event->button();
    else if (!takerKept)
        m_single |= event->button(); // a plain press: what acts in place acts again
    m_kept.clear();
    for (QObject *grabber : grabbersOf(event))
        m_kept << grabber;
    return true;
}

void PointerGate::doubleClick(QQuickWindow *window, QMouseEvent *event)
{
    // Qt hands a double click to whatever lies under the pointer, a layer's
    // depths included: only what kept the second press keeps it, or, where
    // Qt counts one the gate did not, what the layer there allows.
    deliver(window, event);
    const Layer layer = layerAt(window, event->scenePosition());
    if (m_kept.isEmpty())
        keepTo(layer, event);
    else
        callOff(event, [&](QObject *grabber) { return !m_kept.contains(grabber); }, holderOf(window, layer));
}

bool PointerGate::wheel(QQuickWindow *window, QWheelEvent *event)
{
    // A layer going away (no longer modal, or off) would let the wheel
    // through to what it still covers.
    const Layer layer = layerAt(window, event->scenePosition());
    if (leaving(layer))
        return true;
    // Over a layer the wheel is the layer's. Qt 6.4's overlay keeps it from a
    // sheet opened in a modal cover, for the cover beneath: it goes to the
    // window past that filter, where what lies on top takes it first.
    if (layer.popup) {
        deliver(window, event);
        return true;
    }
    return false;
}

void PointerGate::deliver(QQuickWindow *window, QEvent *event)
{
    // Straight to the window, past the filters (this one included), as the
    // application would: the gate looks at the grabs once it is handed out.
    static_cast<QObject *>(window)->event(event);
}
