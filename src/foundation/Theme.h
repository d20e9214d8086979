#pragma once
#include <QColor>
#include <QObject>
#include <QtQml/qqmlregistration.h>

// The two brand colours, sRGB at full opacity.
class Theme : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QColor accent READ accent CONSTANT)
    Q_PROPERTY(QColor deep READ deep CONSTANT)

public:
    using QObject::QObject;

    // #FF2D55: the app-wide tint and the brand fills and highlights.
    static QColor accent();
    // #C2002E: the darker brand colour of the gradients.
    static QColor deep();
};
