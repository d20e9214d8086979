#pragma once
#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QtQml/qqmlregistration.h>

class QMouseEvent;
class QPointerEvent;
class QQuickItem;
class QQuickWindow;
class QWheelEvent;

// What an item says of itself to the gate:
// - doubleClicks: it wants a double click's second press and the double
//   click itself (the player's double tap counts taps). Text fields, web
//   pages and whatever answers a double click by a signal want them without
//   saying.
// - once: its press navigates though it stays in place (the welcome's
//   "Continuar" turns into the sign-in, "Reintentar" may come straight
//   back), so a double click's second press passes it by.
class PointerGateAttached : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool doubleClicks MEMBER m_doubleClicks NOTIFY doubleClicksChanged)
    Q_PROPERTY(bool once MEMBER m_once NOTIFY onceChanged)
    QML_ANONYMOUS

public:
    using QObject::QObject;
    bool doubleClicks() const { return m_doubleClicks; }
    bool once() const { return m_once; }

signals:
    void doubleClicksChanged();
    void onceChanged();

private:
    bool m_doubleClicks = false;
    bool m_once = false;
};

// The window's two rules for the mouse, held for every window of the app:
// - A press belongs to what took it until its release. A layer on top (a
//   popup: the player's cover, a sheet, a menu, an alert, opening, open or
//   going away) takes every press, drag and wheel over its area; an open
//   modal one takes them everywhere else too, and keeps every event of a
//   press begun while it was open, through its exit and after. Qt Quick
//   hands a press that an item above took on to the pointer handlers beneath
//   it; the gate calls those grabs off before they see anything more.
// - A double click's second press goes to the control on top where it lands
//   if that took the first press, or was on top there before it; otherwise
//   nowhere. A control that acts in place (skip, play, like) so takes every
//   press, whatever its look or label does; one that opens, closes or
//   navigates takes one. What took both presses and wants double clicks gets
//   the double click; anything else the press alone.
class PointerGate : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("attached only")
    QML_ATTACHED(PointerGateAttached)

public:
    // Watches every window of the application; once is enough.
    static void install();
    static PointerGateAttached *qmlAttachedProperties(QObject *object);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;

    // A control and the scene rectangle it lay in.
    struct Spot
    {
        QPointer<QQuickItem> item;
        QRectF place;
    };

    // The last press that started a click, for the one that may follow it.
    struct Press
    {
        QPointer<QQuickWindow> window;
        quint64 timestamp = 0;
        QPointF position;
        Qt::MouseButton button = Qt::NoButton;
        // What took it.
        QList<QPointer<QObject>> takers;
        // The controls around it before it, bottom first.
        QList<Spot> before;
        QQuickItem *controlBefore(QPointF scenePos) const;
    };

    // A press begun on a layer, or beside a modal one: the layer's to its release.
    struct LayerPress
    {
        Qt::MouseButton button = Qt::NoButton;
        // The popup whose layer it began on.
        QPointer<QObject> owner;
    };

    bool press(QQuickWindow *window, QMouseEvent *event);
    bool secondPress(QQuickWindow *window, QMouseEvent *event, const Press &first);
    void doubleClick(QQuickWindow *window, QMouseEvent *event);
    bool wheel(QQuickWindow *window, QWheelEvent *event);
    void deliver(QQuickWindow *window, QEvent *event);
    // Whether the layer a press of `button` began on is still there to take its events.
    bool layerHolds(Qt::MouseButton button) const;

    Press m_last;
    // Buttons whose press the gate keeps from everything, until released.
    Qt::MouseButtons m_held;
    // Buttons whose second press went on as a plain press: no double click.
    Qt::MouseButtons m_single;
    QList<LayerPress> m_layered;
    // What kept the last second press: the double click is theirs alone.
    QList<QPointer<QObject>> m_kept;
};
