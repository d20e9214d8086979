#pragma once
#include <QList>
#include <QString>
#include <QVariantList>

// One entry of any menu of the app, as its model builds it at an opening.
// The one menu view (ContextMenu) shows a list of these; a choice comes back
// as the entry's id.
struct MenuEntry
{
    enum class Kind { button, submenu, text, separator };

    QString id;
    QString title;
    QString symbol;
    Kind kind = Kind::button;
    bool destructive = false;
    bool enabled = true;
    QList<MenuEntry> children;

    static MenuEntry button(const QString &id, const QString &title, const QString &symbol = {}, bool destructive = false);
    // One of a set of choices: the chosen one carries the check mark.
    static MenuEntry choice(const QString &id, const QString &title, bool chosen);
    // A picker's menu over [{label, value}]: ids are the options' indexes.
    static QList<MenuEntry> choices(const QVariantList &options, int chosen);
    static MenuEntry submenu(const QString &id, const QString &title, const QString &symbol, QList<MenuEntry> children);
    static MenuEntry text(const QString &id, const QString &title);
    static MenuEntry separator(const QString &id);

    // What the view reads: {id, title, symbol, kind, destructive, enabled,
    // children} per entry, kind one of "button", "submenu", "text", "separator".
    static QVariantList toModel(const QList<MenuEntry> &entries);
};
