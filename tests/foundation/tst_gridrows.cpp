#include "GridRowsModel.h"

#include <QStringListModel>
#include <QTest>
#include <functional>

using Change = std::function<void(QStringListModel &, GridRowsModel &)>;
Q_DECLARE_METATYPE(Change)

namespace {

QStringList items(int n, const QString &prefix = QStringLiteral("v"))
{
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << prefix + QString::number(i);
    return out;
}

QVariantList rowItems(const GridRowsModel &rows, int row)
{
    return rows.data(rows.index(row), GridRowsModel::ItemsRole).toList();
}

// What a view holds, kept up to date from the model's signals alone: a row
// it was not told about keeps what it showed.
struct Mirror
{
    explicit Mirror(GridRowsModel &rows)
        : rows(rows)
    {
        rebuild();
        QObject::connect(&rows, &QAbstractItemModel::rowsInserted, [this](const QModelIndex &, int first, int last) {
            insertedAt.append(first);
            for (int r = first; r <= last; ++r)
                shown.insert(r, rowItems(this->rows, r));
        });
        QObject::connect(&rows, &QAbstractItemModel::rowsRemoved, [this](const QModelIndex &, int first, int last) {
            removedAt.append(first);
            shown.remove(first, last - first + 1);
        });
        QObject::connect(&rows, &QAbstractItemModel::dataChanged, [this](const QModelIndex &tl, const QModelIndex &br) {
            for (int r = tl.row(); r <= br.row(); ++r)
                shown[r] = rowItems(this->rows, r);
        });
        QObject::connect(&rows, &QAbstractItemModel::modelReset, [this] {
            ++resets;
            rebuild();
        });
    }
    void rebuild()
    {
        shown.clear();
        for (int r = 0; r < rows.rowCount(); ++r)
            shown.append(rowItems(rows, r));
    }
    QList<QVariantList> truth() const
    {
        QList<QVariantList> out;
        for (int r = 0; r < rows.rowCount(); ++r)
            out.append(rowItems(rows, r));
        return out;
    }

    GridRowsModel &rows;
    QList<QVariantList> shown;
    QList<int> insertedAt, removedAt;
    int resets = 0;
};

} // namespace

class TestGridRows : public QObject
{
    Q_OBJECT

private slots:
    // Whatever the list does, the rows a view holds end up as the model's,
    // rows come and go only at the end, and nothing resets the view.
    void changesArriveAsRows_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<Change>("change");
        QTest::addColumn<int>("rowsAfter");

        auto insert = [](int at, int n) {
            return Change([at, n](QStringListModel &m, GridRowsModel &) {
                m.insertRows(at, n);
                for (int i = at; i < at + n; ++i)
                    m.setData(m.index(i), QStringLiteral("new%1").arg(i));
            });
        };
        auto remove = [](int at, int n) { return Change([at, n](QStringListModel &m, GridRowsModel &) { m.removeRows(at, n); }); };
        QTest::newRow("append within the last row") << 4 << insert(4, 1) << 2;
        QTest::newRow("append whole rows") << 4 << insert(4, 5) << 3;
        QTest::newRow("insert at the front") << 5 << insert(0, 2) << 3;
        QTest::newRow("remove in the middle") << 8 << remove(2, 2) << 2;
        QTest::newRow("remove down to fewer rows") << 7 << remove(0, 4) << 1;
        QTest::newRow("remove all") << 7 << remove(0, 7) << 0;
        QTest::newRow("move to the end") << 6 << Change([](QStringListModel &m, GridRowsModel &) {
            m.moveRows({}, 0, 1, {}, 6);
        }) << 2;
        QTest::newRow("one item changes") << 6 << Change([](QStringListModel &m, GridRowsModel &) {
            m.setData(m.index(4), QStringLiteral("changed"));
        }) << 2;
        QTest::newRow("fewer columns") << 7 << Change([](QStringListModel &, GridRowsModel &g) { g.setColumns(2); }) << 4;
        QTest::newRow("more columns") << 7 << Change([](QStringListModel &, GridRowsModel &g) { g.setColumns(4); }) << 2;
    }
    void changesArriveAsRows()
    {
        QFETCH(int, before);
        QFETCH(Change, change);
        QFETCH(int, rowsAfter);

        QStringListModel list(items(before));
        GridRowsModel rows;
        rows.setColumns(3);
        rows.setRole(QStringLiteral("display"));
        rows.setSource(QVariant::fromValue<QObject *>(&list));
        Mirror view(rows);

        const int rowsBefore = rows.rowCount();
        change(list, rows);

        QCOMPARE(rows.rowCount(), rowsAfter);
        QCOMPARE(view.shown, view.truth());
        QCOMPARE(view.resets, 0);
        for (int at : std::as_const(view.insertedAt))
            QCOMPARE(at, rowsBefore);
        for (int at : std::as_const(view.removedAt))
            QCOMPARE(at, rowsAfter);
        // Each row holds its items in order, the last one what is left over.
        const int columns = rows.columns();
        for (int r = 0; r < rows.rowCount(); ++r) {
            const QModelIndex i = rows.index(r);
            QCOMPARE(rows.data(i, GridRowsModel::FirstRole).toInt(), r * columns);
            const int count = std::min(columns, list.rowCount() - r * columns);
            QCOMPARE(rows.data(i, GridRowsModel::CountRole).toInt(), count);
            for (int c = 0; c < count; ++c)
                QCOMPARE(rowItems(rows, r).at(c).toString(), list.stringList().at(r * columns + c));
        }
    }

    // A number of items stands for a list of their indexes; a list reset,
    // or another source, starts the view afresh.
    void numbersAndResets()
    {
        GridRowsModel rows;
        rows.setColumns(3);
        rows.setSource(7);
        QCOMPARE(rows.rowCount(), 3);
        QCOMPARE(rowItems(rows, 2), QVariantList{6});
        QCOMPARE(rows.rowOf(5), 1);

        QStringListModel list(items(2));
        rows.setRole(QStringLiteral("display"));
        Mirror view(rows);
        rows.setSource(QVariant::fromValue<QObject *>(&list));
        QCOMPARE(view.resets, 1);
        QCOMPARE(rows.rowCount(), 1);
        list.setStringList(items(10, QStringLiteral("w")));
        QCOMPARE(view.resets, 2);
        QCOMPARE(view.shown, view.truth());
        QCOMPARE(rows.rowCount(), 4);

        // A source that goes leaves no rows behind.
        {
            QStringListModel gone(items(5));
            rows.setSource(QVariant::fromValue<QObject *>(&gone));
            QCOMPARE(rows.rowCount(), 2);
        }
        QCOMPARE(rows.rowCount(), 0);
    }
};

QTEST_MAIN(TestGridRows)
#include "tst_gridrows.moc"
