#include "ModelChanges.h"

ModelChanges::ModelChanges(RowListModel *model)
    : reset(model, &QAbstractItemModel::modelReset), moved(model, &QAbstractItemModel::rowsMoved),
      inserted(model, &QAbstractItemModel::rowsInserted), removed(model, &QAbstractItemModel::rowsRemoved),
      changed(model, &QAbstractItemModel::dataChanged), count(model, &RowListModel::countChanged)
{
}

int ModelChanges::rows(const QSignalSpy &spy)
{
    int n = 0;
    for (const auto &args : spy)
        n += args.at(1).typeId() == QMetaType::Int
                 ? args.at(2).toInt() - args.at(1).toInt() + 1
                 : args.at(1).value<QModelIndex>().row() - args.at(0).value<QModelIndex>().row() + 1;
    return n;
}

QList<MarkedId> markedIds(const QString &ids)
{
    QList<MarkedId> out;
    for (QString id : ids.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const bool changed = id.endsWith(QLatin1Char('*'));
        if (changed)
            id.chop(1);
        out.append({id, changed});
    }
    return out;
}
