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
