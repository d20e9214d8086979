#include "ModelChanges.h"
#include "RowListModel.h"
#include <QAbstractItemModelTester>
#include <QPersistentModelIndex>
#include <QTest>

namespace {

struct Row
{
    QString id;
    QString text;
    friend bool operator==(const Row &a, const Row &b) { return a.id == b.id && a.text == b.text; }
};

// "a,b,c"; "b*" is b with another text (same row, changed content).
QList<Row> list(const QString &ids)
{
    QList<Row> out;
    for (const auto &[id, changed] : markedIds(ids))
        out.append({id, (changed ? QStringLiteral("otro ") : QStringLiteral("texto ")) + id});
    return out;
}

class Rows : public RowListModel
{
public:
    using RowListModel::RowListModel;
    int count() const override { return int(m_rows.size()); }
    QVariant data(const QModelIndex &index, int role) const override
    {
        return index.isValid() && role == Qt::DisplayRole ? m_rows.at(index.row()).id : QVariant();
    }
    void set(const QList<Row> &next) { setRows(m_rows, next, [](const Row &r) { return r.id; }); }
    const QList<Row> &rows() const { return m_rows; }

private:
    QList<Row> m_rows;
};

} // namespace

class TestRowListModel : public QObject
{
    Q_OBJECT

private slots:
    // Another order moves rows, as few as the order allows; each row the
    // view holds stays with its id wherever it goes.
    void setRowsMovesRowsInPlace_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("moved");
        QTest::addColumn<int>("inserted");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("changedRows");

        QTest::newRow("same order: no move") << "a,b,c" << "a,b*,c" << 0 << 0 << 0 << 1;
        QTest::newRow("two swap") << "a,b,c" << "b,a,c" << 1 << 0 << 0 << 0;
        QTest::newRow("first to the end") << "a,b,c,d" << "b,c,d,a" << 1 << 0 << 0 << 0;
        QTest::newRow("last to the front") << "a,b,c,d" << "d,a,b,c" << 1 << 0 << 0 << 0;
        QTest::newRow("reversed") << "a,b,c,d" << "d,c,b,a" << 3 << 0 << 0 << 0;
        QTest::newRow("sorted") << "d,a,c,b" << "a,b,c,d" << 2 << 0 << 0 << 0;
        QTest::newRow("ends swap around a kept middle") << "a,b,c,d,e" << "e,b,c,d,a" << 2 << 0 << 0 << 0;
        QTest::newRow("moved, one gone") << "a,b,c,d" << "d,b,a" << 2 << 0 << 1 << 0;
        QTest::newRow("moved, one new") << "a,b,c" << "c,x,a,b" << 1 << 1 << 0 << 0;
        QTest::newRow("moved and changed") << "a,b,c" << "c*,a,b*" << 1 << 0 << 0 << 2;
        QTest::newRow("all of it") << "a,b,c,d,e" << "y,e*,c,x,a,b" << 2 << 2 << 1 << 1;
    }
    void setRowsMovesRowsInPlace()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(int, moved);
        QFETCH(int, inserted);
        QFETCH(int, removed);
        QFETCH(int, changedRows);

        Rows m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        m.set(list(before));
        QHash<QString, QPersistentModelIndex> held;
        for (int i = 0; i < m.count(); ++i)
            held.insert(m.rows().at(i).id, QPersistentModelIndex(m.index(i)));
        ModelChanges seen(&m);

        m.set(list(after));

        QCOMPARE(m.rows(), list(after));
        QCOMPARE(seen.reset.size(), 0);
        QCOMPARE(ModelChanges::rows(seen.moved), moved);
        QCOMPARE(ModelChanges::rows(seen.inserted), inserted);
        QCOMPARE(ModelChanges::rows(seen.removed), removed);
        QCOMPARE(ModelChanges::rows(seen.changed), changedRows);
        QCOMPARE(seen.count.size(), list(before).size() == list(after).size() ? 0 : 1);
        // The signals told the view where each of its rows went.
        for (auto it = held.cbegin(); it != held.cend(); ++it) {
            const int now = int(std::find_if(m.rows().cbegin(), m.rows().cend(),
                                             [&](const Row &r) { return r.id == it.key(); }) - m.rows().cbegin());
            if (now == m.count())
                QVERIFY2(!it.value().isValid(), qPrintable(it.key()));
            else
                QCOMPARE(it.value().row(), now);
        }
    }

    // Without one id per row, where a row went cannot be told: the list resets.
    void anIdTwiceResets_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("twice in the new list") << "a,b" << "b,a,b";
        QTest::newRow("twice in the old list") << "a,b,a" << "b,a";
    }
    void anIdTwiceResets()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        Rows m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        m.set(list(before));
        ModelChanges seen(&m);
        m.set(list(after));
        QCOMPARE(m.rows(), list(after));
        QCOMPARE(seen.reset.size(), 1);
        QCOMPARE(seen.moved.size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestRowListModel)
#include "tst_rowlistmodel.moc"
