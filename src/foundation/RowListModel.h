#pragma once
#include <QAbstractListModel>
#include <algorithm>
#include <QHash>
#include <QList>
#include <QSet>

// Base of the list models whose rows carry an id. setRows() sends the
// smallest change it can: rows that went are removed, rows that changed
// places are moved (the longest run already in order stays), rows that came
// are inserted where they stand, and rows whose content changed are refreshed
// in place; only an id twice resets the list. So a view keeps its rows, and
// its place, when the list behind it changes, and can animate a new order.
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
        if (!uniqueIds(held, idOf) || !uniqueIds(next, idOf)) {
            beginResetModel();
            held = next;
            endResetModel();
        } else {
            QHash<QString, qsizetype> place; // each id's place in `next`
            for (qsizetype i = 0; i < next.size(); ++i)
                place.insert(idOf(next.at(i)), i);
            // The rows that went, from the end so the rows ahead keep their places.
            for (qsizetype i = held.size() - 1; i >= 0;) {
                if (place.contains(idOf(held.at(i)))) {
                    --i;
                    continue;
                }
                qsizetype first = i;
                while (first > 0 && !place.contains(idOf(held.at(first - 1))))
                    --first;
                beginRemoveRows({}, int(first), int(i));
                held.remove(first, i - first + 1);
                endRemoveRows();
                i = first - 1;
            }
            moveIntoOrder(held, place, idOf);
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
    template<class Row, class IdOf>
    static bool uniqueIds(const QList<Row> &rows, IdOf idOf)
    {
        QSet<QString> ids;
        for (const Row &r : rows)
            ids.insert(idOf(r));
        return ids.size() == rows.size();
    }

    // Puts the rows in the order of their places. The longest run of rows
    // already in that order stays; every other row is moved, in the new
    // order, to just after the row that comes before it there.
    template<class Row, class IdOf>
    void moveIntoOrder(QList<Row> &held, const QHash<QString, qsizetype> &place, IdOf idOf)
    {
        const qsizetype n = held.size();
        QList<qsizetype> rank(n);
        for (qsizetype i = 0; i < n; ++i)
            rank[i] = place.value(idOf(held.at(i)));
        // Longest increasing run of ranks: tails[k] ends the best run of
        // length k + 1; back[i] is the row before row i in its run.
        QList<qsizetype> tails, back(n, -1);
        for (qsizetype i = 0; i < n; ++i) {
            const auto at = std::lower_bound(tails.begin(), tails.end(), i,
                                             [&](qsizetype t, qsizetype row) { return rank[t] < rank[row]; });
            if (at != tails.begin())
                back[i] = *(at - 1);
            if (at == tails.end())
                tails.append(i);
            else
                *at = i;
        }
        if (tails.size() == n)
            return;
        QSet<qsizetype> stays; // ranks of the rows that stay
        for (qsizetype i = tails.last(); i >= 0; i = back[i])
            stays.insert(rank[i]);
        QList<qsizetype> order(n); // the rows' ranks, sorted: the new order
        for (qsizetype i = 0; i < n; ++i)
            order[i] = rank[i];
        std::sort(order.begin(), order.end());
        auto rowOf = [&](qsizetype r) {
            for (qsizetype i = 0; i < held.size(); ++i)
                if (place.value(idOf(held.at(i))) == r)
                    return i;
            return qsizetype(-1);
        };
        for (qsizetype k = 0; k < n; ++k) {
            if (stays.contains(order[k]))
                continue;
            const qsizetype from = rowOf(order[k]);
            const qsizetype to = k == 0 ? 0 : rowOf(order[k - 1]) + 1; // before the move
            if (from == to || from + 1 == to)
                continue;
            beginMoveRows({}, int(from), int(from), {}, int(to));
            held.move(from, from < to ? to - 1 : to);
            endMoveRows();
        }
    }
};
