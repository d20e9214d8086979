#pragma once
#include <QColor>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// The look of an avatar without a picture: the name's initial on a colour
// derived from the name, the same on every launch and machine.
class AvatarLook : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    // The first letter or digit of the name, upper-cased (may be longer than one
    // character, as "ß" gives "SS"); "?" when the name has none.
    Q_INVOKABLE static QString initial(const QString &name);
    // Hue in [0, 1) from a 64-bit rolling hash of the name's code points.
    Q_INVOKABLE static double hue(const QString &name);
    Q_INVOKABLE static QColor tint(const QString &name);
};
