#include "Colors.h"
#include <QHash>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSet>

namespace {

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
        QObject::connect(&Palette::shared(), &Palette::darkChanged, &Palette::shared(), &Colors::refreshAll);
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
    return Palette::shared().dark();
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
