#include "MenuEntry.h"

#include <QVariantMap>

MenuEntry MenuEntry::button(const QString &id, const QString &title, const QString &symbol, bool destructive)
{
    return MenuEntry{id, title, symbol, Kind::button, destructive, true, {}};
}

MenuEntry MenuEntry::choice(const QString &id, const QString &title, bool chosen)
{
    return button(id, title, chosen ? QStringLiteral("checkmark") : QString());
}

QList<MenuEntry> MenuEntry::choices(const QVariantList &options, int chosen)
{
    QList<MenuEntry> out;
    for (int i = 0; i < options.size(); ++i)
        out.append(choice(QString::number(i), options[i].toMap().value(QStringLiteral("label")).toString(), i == chosen));
    return out;
}

MenuEntry MenuEntry::submenu(const QString &id, const QString &title, const QString &symbol, QList<MenuEntry> children)
{
    return MenuEntry{id, title, symbol, Kind::submenu, false, true, std::move(children)};
}

MenuEntry MenuEntry::text(const QString &id, const QString &title)
{
    return MenuEntry{id, title, {}, Kind::text, false, false, {}};
}

MenuEntry MenuEntry::separator(const QString &id) { return MenuEntry{id, {}, {}, Kind::separator, false, false, {}}; }

namespace {

QString kindName(MenuEntry::Kind k)
{
    switch (k) {
    case MenuEntry::Kind::submenu:
        return QStringLiteral("submenu");
    case MenuEntry::Kind::text:
        return QStringLiteral("text");
    case MenuEntry::Kind::separator:
        return QStringLiteral("separator");
    case MenuEntry::Kind::button:
        break;
    }
    return QStringLiteral("button");
}

} // namespace

QVariantList MenuEntry::toModel(const QList<MenuEntry> &entries)
{
    QVariantList out;
    for (const MenuEntry &e : entries)
        out.append(QVariantMap{{QStringLiteral("id"), e.id},
                               {QStringLiteral("title"), e.title},
                               {QStringLiteral("symbol"), e.symbol},
                               {QStringLiteral("kind"), kindName(e.kind)},
                               {QStringLiteral("destructive"), e.destructive},
                               {QStringLiteral("enabled"), e.enabled},
                               {QStringLiteral("children"), toModel(e.children)}});
    return out;
}
