#pragma once
#include "RowListModel.h"

#include <QList>
#include <QSignalSpy>
#include <QString>

// What a list model tells its views from the moment this is made: every
// change signal, caught.
struct ModelChanges
{
    explicit ModelChanges(RowListModel *model);

    QSignalSpy reset, moved, inserted, removed, changed, count;

    // Rows covered by the (parent, first, last, ...) or (topLeft, bottomRight)
    // signals `spy` caught.
    static int rows(const QSignalSpy &spy);
};

// A list of rows written "a,b,c"; "b*" is b again with other content (the
// same row, changed).
struct MarkedId
{
    QString id;
    bool changed = false;
};
QList<MarkedId> markedIds(const QString &ids);
