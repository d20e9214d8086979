#include "Palette.h"
#include "ColorScheme.h"
#include <QJSEngine>

namespace {
QColor rgba(int r, int g, int b, double a)
{
    QColor c(r, g, b);
    c.setAlphaF(float(a));
    return c;
}
} // namespace

Palette::Palette(QObject *parent) : QObject(parent)
{
    connect(&ColorScheme::shared(), &ColorScheme::darkChanged, this, [this] {
        emit systemDarkChanged();
        update();
    });
    update();
}

Palette &Palette::shared()
{
    static Palette *p = new Palette;
    return *p;
}

Palette *Palette::create(QQmlEngine *, QJSEngine *)
{
    Palette *p = &shared();
    QJSEngine::setObjectOwnership(p, QJSEngine::CppOwnership);
    return p;
}

QColor Palette::color(Role role, bool dark)
{
    switch (role) {
    case Label:
        return dark ? QColor(255, 255, 255) : QColor(0, 0, 0);
    case SecondaryLabel:
        return dark ? rgba(235, 235, 245, 0.6) : rgba(60, 60, 67, 0.6);
    case TertiaryLabel:
        return dark ? rgba(235, 235, 245, 0.3) : rgba(60, 60, 67, 0.3);
    case Background:
        return dark ? QColor(0, 0, 0) : QColor(255, 255, 255);
    case SecondaryBackground:
        return dark ? QColor(0x1C, 0x1C, 0x1E) : QColor(0xF2, 0xF2, 0xF7);
    case TertiaryBackground:
        return dark ? QColor(0x2C, 0x2C, 0x2E) : QColor(255, 255, 255);
    case GroupedBackground:
        return dark ? QColor(0, 0, 0) : QColor(0xF2, 0xF2, 0xF7);
    case SecondaryGroupedBackground:
        return dark ? QColor(0x1C, 0x1C, 0x1E) : QColor(255, 255, 255);
    case Fill:
        return rgba(120, 120, 128, dark ? 0.36 : 0.2);
    case SecondaryFill:
        return rgba(120, 120, 128, dark ? 0.32 : 0.16);
    case TertiaryFill:
        return rgba(118, 118, 128, dark ? 0.24 : 0.12);
    case QuaternaryFill:
        return rgba(118, 118, 128, dark ? 0.18 : 0.08);
    case Separator:
        return dark ? rgba(84, 84, 88, 0.6) : rgba(60, 60, 67, 0.29);
    case Bar:
        return dark ? QColor(0x16, 0x16, 0x17) : QColor(0xF9, 0xF9, 0xF9);
    }
    return {};
}

QColor Palette::named(Named name, bool dark)
{
    // {light, dark} as 0xRRGGBB.
    static constexpr QRgb table[][2] = {
        {0xFF3B30, 0xFF453A}, {0xFF9500, 0xFF9F0A}, {0xFFCC00, 0xFFD60A}, {0x34C759, 0x30D158},
        {0x00C7BE, 0x63E6E2}, {0x30B0C7, 0x40C8E0}, {0x32ADE6, 0x64D2FF}, {0x007AFF, 0x0A84FF},
        {0x5856D6, 0x5E5CE6}, {0xAF52DE, 0xBF5AF2}, {0xFF2D55, 0xFF375F}, {0xA2845E, 0xAC8E68},
        {0x8E8E93, 0x8E8E93},
    };
    return QColor(table[name][dark ? 1 : 0]);
}

bool Palette::systemDark() const { return ColorScheme::shared().dark(); }

void Palette::setScheme(int scheme)
{
    if (scheme != 1 && scheme != 2)
        scheme = 0;
    if (m_scheme == scheme)
        return;
    m_scheme = scheme;
    emit schemeChanged();
    update();
}

void Palette::update()
{
    const bool dark = m_scheme == 2 || (m_scheme == 0 && systemDark());
    if (m_dark == dark)
        return;
    m_dark = dark;
    emit darkChanged();
}
