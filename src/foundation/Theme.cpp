#include "Theme.h"

QColor Theme::accent()
{
    static const QColor c = QColor::fromRgbF(1.0f, 0.176f, 0.333f);
    return c;
}

QColor Theme::deep()
{
    static const QColor c = QColor::fromRgbF(0.76f, 0.0f, 0.18f);
    return c;
}

QColor Theme::brandLight() { return QColor::fromRgbF(1.0f, 0.33f, 0.43f); }

QColor Theme::welcomeLight() { return QColor::fromRgbF(1.0f, 0.3f, 0.45f); }

QColor Theme::welcomeDeep() { return QColor::fromRgbF(0.45f, 0.0f, 0.2f); }

QColor Theme::markLight() { return QColor::fromRgbF(1.0f, 0.49f, 0.59f); }

QColor Theme::markMiddle() { return QColor::fromRgbF(1.0f, 0.19f, 0.345f); }

QColor Theme::markDeep() { return QColor::fromRgbF(0.5f, 0.0f, 0.21f); }
