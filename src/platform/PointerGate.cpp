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
    // The popup whose layer it is, the modal one for the overlay.
    QPointer<QQuickPopup> owner;
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
            return {item, popup, popup};
        if (popup->isModal())
            return {overlay, nullptr, popup};
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

bool leaving(QQuickPopup *popup)
{
    return popup
           && (!popup->isEnabled() || QQuickPopupPrivate::get(popup)->transitionState == QQuickPopupPrivate::ExitTransition);
}

// A layer going away still covers what it covered, but answers nothing.
bool leaving(const Layer &layer)
{
    return leaving(layer.popup);
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

// Takes a press of `button` itself, or by a tap or drag handler: a point or
// hover handler only watches.
bool takes(QQuickItem *item, Qt::MouseButton button)
{
    // Text takes a press only on a link, text that cannot be changed or
    // chosen none at all: a label is no control.
    const bool label = item->inherits("QQuickText")
                       || ((item->inherits("QQuickTextEdit") || item->inherits("QQuickTextInput"))
                           && item->property("readOnly").toBool() && !item->property("selectByMouse").toBool());
    if (!label && (item->acceptedMouseButtons() & button))
        return true;
    const QObjectList children = item->children();
    return std::any_of(children.cbegin(), children.cend(), [&](const QObject *child) {
        return (child->inherits("QQuickTapHandler") || child->inherits("QQuickDragHandler"))
               && child->property("enabled").toBool()
               && (child->property("acceptedButtons").value<Qt::MouseButtons>() & button);
    });
}

QRectF sceneRectOf(QQuickItem *item)
{
    return item->mapRectToScene(item->boundingRect());
}

// The items Qt's delivery offers a press to, bottom first: shown and enabled,
// within what clips them. `at` tells whether an item lies where the press
// is, inside `clip`, the scene rectangle its clipping ancestors leave.
void walkTargets(QQuickItem *item, QQuickItem *skip, QRectF clip,
                 const std::function<bool(QQuickItem *, const QRectF &)> &at,
                 const std::function<void(QQuickItem *, const QRectF &)> &visit)
{
    if (item == skip || !item->isVisible() || !item->isEnabled())
        return;
    const bool there = at(item, clip);
    const QRectF own = clip;
    if (item->clip()) {
        if (!there)
            return;
        clip = clip.intersected(sceneRectOf(item));
    }
    // Children below zero lie beneath their parent.
    bool visited = false;
    for (QQuickItem *child : QQuickItemPrivate::get(item)->paintOrderChildItems()) {
        if (!visited && child->z() >= 0) {
            visited = true;
            if (there)
                visit(item, own);
        }
        walkTargets(child, skip, clip, at, visit);
    }
    if (!visited && there)
        visit(item, own);
}

const QRectF everywhere(-1e9, -1e9, 2e9, 2e9);

// The controls for `button` under `layer` (the window's, outside every
// popup, where no layer rules), bottom first, with the scene rectangle each
// lies in: `at` tells which lie where the press is.
void controlsIn(QQuickWindow *window, const Layer &layer, Qt::MouseButton button,
                const std::function<bool(QQuickItem *, const QRectF &)> &at,
                const std::function<void(QQuickItem *, const QRectF &)> &visit)
{
    if (layer.root && !layer.popup) {
        visit(layer.root, everywhere); // the overlay, beside a modal layer
        return;
    }
    walkTargets(layer.root ? layer.root.data() : window->contentItem(), layer.root ? nullptr : overlayOf(window),
                everywhere, at, [&](QQuickItem *item, const QRectF &clip) {
                    if (takes(item, button))
                        visit(item, sceneRectOf(item).intersected(clip));
                });
}

// The control a press of `button` at `scenePos` goes to first: the topmost
// item there that takes it, within the layer that rules there.
QQuickItem *controlAt(QQuickWindow *window, QPointF scenePos, Qt::MouseButton button)
{
    QQuickItem *top = nullptr;
    controlsIn(
        window, layerAt(window, scenePos), button,
        [&](QQuickItem *item, const QRectF &clip) {
            return clip.contains(scenePos) && item->contains(item->mapFromScene(scenePos));
        },
        [&](QQuickItem *item, const QRectF &) { top = item; });
    return top;
}

} // namespace

QQuickItem *PointerGate::Press::controlBefore(QPointF scenePos) const
{
    for (auto it = before.crbegin(); it != before.crend(); ++it)
        if (it->place.contains(scenePos))
            return it->item;
    return nullptr;
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
    case QEvent::MouseButtonRelease: {
        m_single &= ~mouse->button();
        const bool layerGone = !layerHolds(mouse->button());
        m_layered.removeIf([&](const LayerPress &p) { return p.button == mouse->button(); });
        if (m_held & mouse->button()) {
            m_held &= ~mouse->button();
            return true;
        }
        return layerGone;
    }
    case QEvent::MouseButtonDblClick:
        if ((m_held | m_single) & mouse->button())
            return true;
        doubleClick(window, mouse);
        return true;
    default: // a move: kept from all while a held-off button is down, or its layer gone
        if (mouse->buttons() & m_held)
            return true;
        for (const LayerPress &p : std::as_const(m_layered))
            if ((mouse->buttons() & p.button) && !layerHolds(p.button))
                return true;
        return false;
    }
}

bool PointerGate::layerHolds(Qt::MouseButton button) const
{
    for (const LayerPress &p : m_layered) {
        if (p.button != button)
            continue;
        // Still there and answering: the press may go on to its release.
        auto *popup = qobject_cast<QQuickPopup *>(p.owner.data());
        return popup && popup->isVisible() && !leaving(popup);
    }
    return true; // no layer's press
}

bool PointerGate::press(QQuickWindow *window, QMouseEvent *event)
{
    // A press of a held-off button means its release never came here.
    m_held &= ~event->button();
    m_single &= ~event->button();
    m_layered.removeIf([&](const LayerPress &p) { return p.button == event->button(); });
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
    if (leaving(layer.owner.data())) {
        m_held |= event->button();
        return true;
    }
    // Every event of a press begun on a layer, or beside a modal one, is
    // the layer's to its release, however soon the layer goes.
    if (layer.root)
        m_layered << LayerPress{event->button(), layer.owner.data()};
    if (second)
        return secondPress(window, event, first);

    Press now{window, event->timestamp(), at, event->button(), {}, {}};
    // The controls around the pointer, for a second press beside this one.
    const QRectF near(at - QPointF(reach, reach), QSizeF(2 * reach, 2 * reach));
    controlsIn(
        window, layer, event->button(),
        [&](QQuickItem *item, const QRectF &clip) { return sceneRectOf(item).intersected(clip).intersects(near); },
        [&](QQuickItem *item, const QRectF &place) { now.before << Spot{item, place}; });
    deliver(window, event);
    keepTo(layer, event);
    for (QObject *grabber : grabbersOf(event))
        now.takers << grabber;
    m_last = std::move(now);
    return true;
}

bool PointerGate::secondPress(QQuickWindow *window, QMouseEvent *event, const Press &first)
{
    // The press goes to the control on top where it lands, if that took the
    // first press or was on top there before it; otherwise nowhere. Whatever
    // the first click did to its look, size or label does not count, only
    // what it brought over the point or took away.
    const QPointF at = event->scenePosition();
    QQuickItem *top = controlAt(window, at, event->button());
    const bool tookFirst = top && std::any_of(first.takers.cbegin(), first.takers.cend(), [&](const QPointer<QObject> &g) {
        return g && itemOf(g.data()) == top;
    });
    if (!top || saysOnce(top) || !(tookFirst || first.controlBefore(at) == top)) {
        m_held |= event->button();
        return true;
    }

    const Layer layer = layerAt(window, at);
    deliver(window, event);
    keepTo(layer, event);
    // Handlers beneath it that Qt hands the press on to are called off too.
    const auto kept = [&](QObject *grabber) { return itemOf(grabber) == top; };
    const QList<QObject *> grabbers = grabbersOf(event);
    callOff(event, [&](QObject *grabber) { return !kept(grabber); }, holderOf(window, layer));
    m_kept.clear();
    for (QObject *grabber : grabbersOf(event))
        m_kept << grabber;
    if (!std::any_of(grabbers.cbegin(), grabbers.cend(), kept)) {
        m_held |= event->button();
        return true;
    }
    // The double click is for what took both presses and wants it; anything
    // else takes the second as a plain press and acts again.
    const bool doubleClicks = std::any_of(m_kept.cbegin(), m_kept.cend(), [&](const QPointer<QObject> &g) {
        return g && first.takers.contains(g.data()) && wantsDoubleClicks(g.data());
    });
    if (!doubleClicks)
        m_single |= event->button();
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
