#pragma once
#include <QColor>
#include <QObject>
#include <QtQml/qqmlregistration.h>

// The brand colours, sRGB at full opacity: the two brand colours and the
// stops of the brand's gradients.
class Theme : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QColor accent READ accent CONSTANT)
    Q_PROPERTY(QColor deep READ deep CONSTANT)
    Q_PROPERTY(QColor brandLight READ brandLight CONSTANT)
    Q_PROPERTY(QColor welcomeLight READ welcomeLight CONSTANT)
    Q_PROPERTY(QColor welcomeDeep READ welcomeDeep CONSTANT)

public:
    using QObject::QObject;

    // #FF2D55: the app-wide tint and the brand fills and highlights.
    static QColor accent();
    // #C2002E: the darker brand colour of the gradients.
    static QColor deep();
    // The light end of the brand gradient that runs to `deep` (selected
    // chips, chart bars).
    static QColor brandLight();
    // The welcome's background runs from welcomeLight to welcomeDeep.
    static QColor welcomeLight();
    static QColor welcomeDeep();
    // The app mark's background runs through these three.
    static QColor markLight();
    static QColor markMiddle();
    static QColor markDeep();
};
