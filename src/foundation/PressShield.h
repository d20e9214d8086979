#pragma once
#include <QObject>
#include <QtQml/qqmlregistration.h>

class QQuickItem;

// After a click that changes what lies under the pointer (a retry bringing a
// list in), the next press at that spot is most often the second click of a
// double click, or a press that bounced: it belongs to the click that is
// done, not to whatever came in. cover(item) lays a shield over the item's
// place, above everything in its window (popups included), for the system's
// double-click time; it takes every press, release and double click there,
// and stays while a press it took is held.
class PressShield : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    Q_INVOKABLE static void cover(QQuickItem *item);
};
