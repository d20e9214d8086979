#pragma once
#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QList>

// Records as the backend lists them: each one's toJson() in a compact array.
template<class T>
QByteArray jsonList(const QList<T> &items)
{
    QJsonArray a;
    for (const T &item : items)
        a.append(item.toJson());
    return QJsonDocument(a).toJson(QJsonDocument::Compact);
}
