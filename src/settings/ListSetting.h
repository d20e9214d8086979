#pragma once
#include <QObject>
#include <QSet>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

// A setting that holds a set of ids as one text: split on "," with empty
// parts dropped (no trimming), written back sorted by code point and joined
// by ",". Ids no screen lists survive every change.
class ListSetting : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    static QSet<QString> parse(const QString &raw);
    static QString join(const QSet<QString> &ids);
    // `raw` with `id` present or absent.
    Q_INVOKABLE static QString with(const QString &raw, const QString &id, bool present);
    // `raw` lists `id`.
    Q_INVOKABLE static bool lists(const QString &raw, const QString &id);

    // The home chooser's rows {id, title}: the built-in categories after
    // "Para ti", which always shows.
    Q_INVOKABLE static QVariantList homeCategories();
};
