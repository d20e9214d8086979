#pragma once
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

// What an item says of itself to the gate: it wants a double click's second
// press (the player's double tap). Text fields and web pages want it without
// saying.
class PointerGateAttached : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool doubleClicks MEMBER m_doubleClicks NOTIFY doubleClicksChanged)
    QML_ANONYMOUS

public:
    using QObject::QObject;
    bool doubleClicks() const { return m_doubleClicks; }

signals:
    void doubleClicksChanged();

private:
    bool m_doubleClicks = false;
};

// The window's two rules for the mouse, held for every window of the app:
// - A layer on top (a popup: the player's cover, a sheet, a menu, an alert,
//   opening, open or going away) takes every press, drag and wheel over its
//   area; an open modal one takes them everywhere else too. Qt Quick hands a
//   press that an item above took on to the pointer handlers beneath it; the
//   gate calls those grabs off before they see anything more.
// - A double click's second press belongs to the click that is done: it
//   reaches only what took the first, and only when that wants double clicks
//   and is still where it was under the pointer; else it reaches nothing, nor
//   does the rest of that press (its moves, its release).
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

    bool press(QQuickWindow *window, QMouseEvent *event);
    bool wheel(QQuickWindow *window, QWheelEvent *event);
    void deliver(QQuickWindow *window, QEvent *event);

    // The last press that started a click, for the one that may follow it.
    struct Press
    {
        QPointer<QQuickWindow> window;
        quint64 timestamp = 0;
        QPointF position;
        Qt::MouseButton button = Qt::NoButton;
        // What took it and wants a double click, with its place then.
        QPointer<QObject> taker;
        QRectF takerPlace;
    };
    Press m_last;
    // Buttons whose press the gate keeps from everything, until released.
    Qt::MouseButtons m_held;
};
