#pragma once
#include "MenuEntry.h"

#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

// Menus whose entries a view holds as plain data (a picker's options) are
// still built as MenuEntry, the one shape the menu view shows.
class Menus : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    // [{label, value}] with the check mark on `chosen`; a choice's id is its index.
    Q_INVOKABLE static QVariantList choices(const QVariantList &options, int chosen)
    {
        return MenuEntry::toModel(MenuEntry::choices(options, chosen));
    }
};
