#include "GridRowsModel.h"

GridRowsModel::GridRowsModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

void GridRowsModel::setSource(const QVariant &source)
{
    auto *model = qobject_cast<QAbstractItemModel *>(source.value<QObject *>());
    const int number = model ? 0 : qMax(0, source.toInt());
    if (model == m_model && number == m_number && source.isValid() == m_source.isValid())
        return;
    for (const QMetaObject::Connection &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_source = source;
    m_model = model;
    m_number = number;
    if (model) {
        auto from = [this](const QModelIndex &parent, int first) {
            if (!parent.isValid())
                itemsChangedFrom(first);
        };
        m_connections = {
            connect(model, &QAbstractItemModel::rowsInserted, this, from),
            connect(model, &QAbstractItemModel::rowsRemoved, this, from),
            connect(model, &QAbstractItemModel::rowsMoved, this,
                    [this](const QModelIndex &, int first, int, const QModelIndex &, int to) {
                        itemsChangedFrom(qMin(first, to));
                    }),
            connect(model, &QAbstractItemModel::dataChanged, this,
                    [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                        const int first = rowOf(topLeft.row());
                        const int last = qMin(rowOf(bottomRight.row()), m_rows - 1);
                        if (first <= last)
                            emit dataChanged(index(first), index(last));
                    }),
            connect(model, &QAbstractItemModel::modelReset, this, &GridRowsModel::reset),
            connect(model, &QAbstractItemModel::layoutChanged, this, &GridRowsModel::reset),
            connect(model, &QObject::destroyed, this, &GridRowsModel::reset),
        };
    }
    findRole();
    reset();
    emit sourceChanged();
}

void GridRowsModel::setColumns(int columns)
{
    columns = qMax(1, columns);
    if (columns == m_columns)
        return;
    m_columns = columns;
    // Every row now holds other items; the rows themselves stay for the view to reuse.
    itemsChangedFrom(0);
    emit columnsChanged();
}

void GridRowsModel::setRole(const QString &role)
{
    if (role == m_role)
        return;
    m_role = role;
    findRole();
    if (m_rows > 0)
        emit dataChanged(index(0), index(m_rows - 1), {ItemsRole});
    emit roleChanged();
}

int GridRowsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

QVariant GridRowsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows)
        return {};
    const int first = index.row() * m_columns;
    const int count = qBound(0, itemCount() - first, m_columns);
    switch (role) {
    case FirstRole:
        return first;
    case CountRole:
        return count;
    case ItemsRole: {
        QVariantList items;
        items.reserve(count);
        for (int i = first; i < first + count; ++i)
            items.append(m_model ? (m_sourceRole >= 0 ? m_model->data(m_model->index(i, 0), m_sourceRole) : QVariant())
                                 : QVariant(i));
        return items;
    }
    default:
        return {};
    }
}

QHash<int, QByteArray> GridRowsModel::roleNames() const
{
    return {{FirstRole, "first"}, {CountRole, "count"}, {ItemsRole, "items"}};
}

int GridRowsModel::itemCount() const
{
    return m_model ? m_model->rowCount() : m_number;
}

void GridRowsModel::itemsChangedFrom(int firstItem)
{
    const int before = m_rows;
    const int after = rowsFor(itemCount());
    if (after > before) {
        beginInsertRows({}, before, after - 1);
        m_rows = after;
        endInsertRows();
    } else if (after < before) {
        beginRemoveRows({}, after, before - 1);
        m_rows = after;
        endRemoveRows();
    }
    const int first = rowOf(qMax(0, firstItem));
    const int last = qMin(before, after) - 1;
    if (first <= last)
        emit dataChanged(index(first), index(last));
    if (after != before)
        emit countChanged();
}

void GridRowsModel::reset()
{
    const int before = m_rows;
    beginResetModel();
    m_rows = rowsFor(itemCount());
    endResetModel();
    if (m_rows != before)
        emit countChanged();
}

void GridRowsModel::findRole()
{
    m_sourceRole = -1;
    if (!m_model || m_role.isEmpty())
        return;
    const QByteArray name = m_role.toUtf8();
    const QHash<int, QByteArray> names = m_model->roleNames();
    for (auto it = names.cbegin(); it != names.cend(); ++it)
        if (it.value() == name)
            m_sourceRole = it.key();
}
