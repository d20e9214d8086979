#pragma once
#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QSet>

// Base of the list models whose rows carry an id. setRows() sends the
// smallest change it can: rows that went are removed and rows that came are
// inserted where they stand, rows whose content changed are refreshed in
// place; only another order of the same ids (or an id twice) resets the list.
// So a view keeps its rows, and its place, when the list behind it changes.
class RowListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : count();
    }

    virtual int count() const = 0;

signals:
    void countChanged();

protected:
    template<class Row, class IdOf>
    void setRows(QList<Row> &held, const QList<Row> &next, IdOf idOf)
    {
        if (held == next)
            return;
        const qsizetype before = held.size();
        if (!sameOrder(held, next, idOf)) {
            beginResetModel();
            held = next;
            endResetModel();
        } else {
            QSet<QString> kept;
            for (const Row &r : next)
                kept.insert(idOf(r));
            // The rows that went, from the end so the rows ahead keep their places.
            for (qsizetype i = held.size() - 1; i >= 0;) {
                if (kept.contains(idOf(held.at(i)))) {
                    --i;
                    continue;
                }
                qsizetype first = i;
                while (first > 0 && !kept.contains(idOf(held.at(first - 1))))
                    --first;
                beginRemoveRows({}, int(first), int(i));
                held.remove(first, i - first + 1);
                endRemoveRows();
                i = first - 1;
            }
            // The rows that came, in runs; then the content of the others.
            for (qsizetype i = 0; i < next.size();) {
                if (i < held.size() && idOf(held.at(i)) == idOf(next.at(i))) {
                    ++i;
                    continue;
                }
                const bool tail = i >= held.size();
                qsizetype end = i;
                while (end < next.size() && (tail || idOf(next.at(end)) != idOf(held.at(i))))
                    ++end;
                beginInsertRows({}, int(i), int(end - 1));
                for (qsizetype j = i; j < end; ++j)
                    held.insert(j, next.at(j));
                endInsertRows();
                i = end;
            }
            qsizetype runStart = -1;
            for (qsizetype i = 0; i <= held.size(); ++i) {
                const bool differs = i < held.size() && !(held.at(i) == next.at(i));
                if (differs) {
                    held[i] = next.at(i);
                    if (runStart < 0)
                        runStart = i;
                } else if (runStart >= 0) {
                    emit dataChanged(index(int(runStart)), index(int(i - 1)));
                    runStart = -1;
                }
            }
        }
        if (held.size() != before)
            emit countChanged();
    }

private:
    // Whether the ids both lists share stand in the same order, each once.
    template<class Row, class IdOf>
    static bool sameOrder(const QList<Row> &a, const QList<Row> &b, IdOf idOf)
    {
        QSet<QString> inA, inB;
        for (const Row &r : a)
            inA.insert(idOf(r));
        for (const Row &r : b)
            inB.insert(idOf(r));
        if (inA.size() != a.size() || inB.size() != b.size())
            return false;
        qsizetype j = 0;
        for (const Row &r : a) {
            if (!inB.contains(idOf(r)))
                continue;
            while (j < b.size() && !inA.contains(idOf(b.at(j))))
                ++j;
            if (j == b.size() || idOf(b.at(j)) != idOf(r))
                return false;
            ++j;
        }
        return true;
    }
};
