#include "Colors.h"
#include "AppScheme.h"
#include <QHash>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSet>

namespace {

QColor rgba(int r, int g, int b, double a)
{
    QColor c(r, g, b);
    c.setAlphaF(float(a));
    return c;
}

QSet<Colors *> &everyColors()
{
    static auto *all = new QSet<Colors *>;
    return *all;
}

// Objects that set `dark`, and to what.
QHash<const QObject *, bool> &overrides()
{
    static auto *set = new QHash<const QObject *, bool>;
    return *set;
}

// The next object out: inside a popup, the popup; a popup's own parent item
// unless that is the window's overlay, where every popup is shown; else
// the visual parent.
QObject *outer(QObject *o)
{
    if (auto *item = qobject_cast<QQuickItem *>(o)) {
        QObject *owner = item->parent();
        if (owner && owner->inherits("QQuickPopup"))
            return owner;
        return item->parentItem() ? static_cast<QObject *>(item->parentItem()) : owner;
    }
    if (o->inherits("QQuickPopup")) {
        auto *shownIn = o->property("parent").value<QQuickItem *>();
        if (shownIn && !shownIn->inherits("QQuickOverlay"))
            return shownIn;
    }
    return o->parent();
}

} // namespace

QColor Colors::color(Role role, bool dark)
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
    case SheetBackground:
        return dark ? QColor(0x1C, 0x1C, 0x1E) : QColor(255, 255, 255);
    case SheetSecondaryBackground:
        return dark ? QColor(0x2C, 0x2C, 0x2E) : QColor(0xF2, 0xF2, 0xF7);
    case MenuBackground:
        return dark ? QColor(0x2C, 0x2C, 0x2E) : QColor(0xF9, 0xF9, 0xF9);
    case MenuGap:
        return rgba(0, 0, 0, dark ? 0.3 : 0.08);
    case ActionSheetBackground:
        return dark ? QColor(0x2C, 0x2C, 0x2E) : QColor(0xF5, 0xF5, 0xF7);
    case AlertBackground:
        return dark ? QColor(0x2C, 0x2C, 0x2E) : QColor(0xF2, 0xF2, 0xF2);
    case ToastBackground:
        return dark ? QColor::fromRgbF(0.17f, 0.17f, 0.18f, 0.92f) : QColor::fromRgbF(0.97f, 0.97f, 0.98f, 0.94f);
    case SegmentThumb:
        return dark ? QColor(0x63, 0x63, 0x66) : QColor(255, 255, 255);
    case NeutralAction:
        return dark ? QColor(0x63, 0x63, 0x66) : QColor(0x8E, 0x8E, 0x93);
    }
    return {};
}

QColor Colors::named(Named name, bool dark)
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

QPalette Colors::palette(bool dark)
{
    // Qt derives the shades of its bevels and frames from the button and window colours.
    QPalette p(color(SheetSecondaryBackground, dark), color(SheetBackground, dark));
    p.setColor(QPalette::Base, color(TertiaryBackground, dark));
    p.setColor(QPalette::AlternateBase, color(SecondaryBackground, dark));
    for (QPalette::ColorRole text : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(text, color(Label, dark));
    p.setColor(QPalette::BrightText, color(Label, !dark));
    p.setColor(QPalette::PlaceholderText, color(TertiaryLabel, dark));
    p.setColor(QPalette::Highlight, named(Blue, dark));
    p.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    p.setColor(QPalette::Link, named(Blue, dark));
    for (QPalette::ColorRole text : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, text, color(TertiaryLabel, dark));
    return p;
}

QColor Colors::alpha(const QColor &color, qreal alpha)
{
    QColor c = color;
    c.setAlphaF(float(alpha));
    return c;
}

Colors::Colors(QObject *attachee) : QObject(attachee)
{
    everyColors().insert(this);
    if (auto *item = qobject_cast<QQuickItem *>(attachee)) {
        connect(item, &QQuickItem::parentChanged, this, &Colors::refresh);
        // A subtree placed into the window (a Loader's item, a popup's
        // content) hears of it here, not through its own parent.
        connect(item, &QQuickItem::windowChanged, this, &Colors::refresh);
    } else if (attachee && attachee->inherits("QQuickPopup")) {
        connect(attachee, SIGNAL(parentChanged()), this, SLOT(refresh()));
        // Its content may have been made before the popup had a place.
        connect(attachee, SIGNAL(aboutToShow()), this, SLOT(refreshEverything()));
    }
    static const bool followsApp = [] {
        QObject::connect(&AppScheme::shared(), &AppScheme::darkChanged, &AppScheme::shared(), &Colors::refreshAll);
        return true;
    }();
    Q_UNUSED(followsApp);
    m_dark = resolve();
}

Colors::~Colors()
{
    // Its subtree goes with it: nothing to tell the others.
    everyColors().remove(this);
    if (m_overrides)
        overrides().remove(parent());
}

void Colors::setDark(bool dark)
{
    if (m_overrides && m_overrideDark == dark)
        return;
    m_overrides = true;
    m_overrideDark = dark;
    overrides().insert(parent(), dark);
    refreshAll();
}

void Colors::resetDark()
{
    if (!m_overrides)
        return;
    m_overrides = false;
    overrides().remove(parent());
    refreshAll();
}

bool Colors::resolve() const
{
    const auto &set = overrides();
    if (!set.isEmpty()) {
        for (QObject *o = parent(); o; o = outer(o)) {
            const auto it = set.constFind(o);
            if (it != set.cend())
                return it.value();
        }
    }
    return AppScheme::shared().dark();
}

void Colors::refresh()
{
    const bool dark = resolve();
    if (dark == m_dark)
        return;
    m_dark = dark;
    emit changed();
}

void Colors::refreshAll()
{
    // A copy: a changed colour may make or destroy views.
    const QList<Colors *> all = everyColors().values();
    for (Colors *c : all)
        if (everyColors().contains(c))
            c->refresh();
}
