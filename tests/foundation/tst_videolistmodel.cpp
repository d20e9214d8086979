#include "VideoListModel.h"
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

namespace {

// "a,b,c"; "b*" is b with another title (same video, changed content).
QList<Video> list(const QString &ids)
{
    QList<Video> out;
    for (QString id : ids.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const bool changed = id.endsWith(QLatin1Char('*'));
        if (changed)
            id.chop(1);
        Video v;
        v.id = id;
        v.title = (changed ? QStringLiteral("Otro título ") : QStringLiteral("Título ")) + id;
        out.append(v);
    }
    return out;
}

// Rows covered by the (parent, first, last) or (topLeft, bottomRight) signals a spy saw.
int rows(const QSignalSpy &spy)
{
    int n = 0;
    for (const auto &args : spy)
        n += args.at(1).typeId() == QMetaType::Int
                 ? args.at(2).toInt() - args.at(1).toInt() + 1
                 : args.at(1).value<QModelIndex>().row() - args.at(0).value<QModelIndex>().row() + 1;
    return n;
}

} // namespace

class TestVideoListModel : public QObject
{
    Q_OBJECT

private slots:
    // What delegates bind to: the typed video and its id, by these role names.
    void rolesGiveTheTypedVideo()
    {
        VideoListModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        Video v = list(QStringLiteral("abc")).first();
        v.views = 1500;
        m.replace({v});

        QCOMPARE(m.roleNames().value(VideoListModel::VideoRole), QByteArray("video"));
        QCOMPARE(m.roleNames().value(VideoListModel::VideoIdRole), QByteArray("videoId"));
        QCOMPARE(m.data(m.index(0), VideoListModel::VideoRole).value<Video>(), v);
        QCOMPARE(m.data(m.index(0), VideoListModel::VideoIdRole).toString(), QStringLiteral("abc"));
        QCOMPARE(m.at(7), Video{});
        QCOMPARE(m.indexOf(QStringLiteral("zzz")), -1);
    }

    // Which signals a replacement sends: the smallest change that explains it.
    void replaceSendsTheSmallestChange_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("resets");
        QTest::addColumn<int>("inserted");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("changedRows");

        QTest::newRow("same list: nothing") << "a,b,c" << "a,b,c" << 0 << 0 << 0 << 0;
        QTest::newRow("a page appended") << "a,b" << "a,b,c,d" << 0 << 2 << 0 << 0;
        QTest::newRow("first list") << "" << "a,b" << 0 << 2 << 0 << 0;
        QTest::newRow("tail dropped") << "a,b,c" << "a" << 0 << 0 << 2 << 0;
        QTest::newRow("content changed in place") << "a,b,c" << "a,b*,c*" << 0 << 0 << 0 << 2;
        QTest::newRow("changed and extended") << "a,b" << "a*,b,c" << 0 << 1 << 0 << 1;
        QTest::newRow("another order: moved, not reset") << "a,b,c" << "b,a,c" << 0 << 0 << 0 << 0;
        QTest::newRow("one replaced inside") << "a,b,c" << "a,x,c" << 0 << 1 << 1 << 0;
        QTest::newRow("one goes from inside") << "a,b,c,d" << "a,d" << 0 << 0 << 2 << 0;
        QTest::newRow("rows come inside and at the end") << "a,c" << "x,a,b,c*,d" << 0 << 3 << 0 << 1;
        QTest::newRow("the first goes, one changes") << "a,b,c" << "b*,c" << 0 << 0 << 1 << 1;
        QTest::newRow("an id twice") << "a,b" << "a,b,a" << 1 << 0 << 0 << 0;
    }
    void replaceSendsTheSmallestChange()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(int, resets);
        QFETCH(int, inserted);
        QFETCH(int, removed);
        QFETCH(int, changedRows);

        VideoListModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        m.replace(list(before));
        QSignalSpy reset(&m, &QAbstractItemModel::modelReset);
        QSignalSpy ins(&m, &QAbstractItemModel::rowsInserted);
        QSignalSpy rem(&m, &QAbstractItemModel::rowsRemoved);
        QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
        QSignalSpy count(&m, &VideoListModel::countChanged);

        m.replace(list(after));

        QCOMPARE(m.videos(), list(after));
        QCOMPARE(reset.size(), resets);
        QCOMPARE(rows(ins), inserted);
        QCOMPARE(rows(rem), removed);
        QCOMPARE(rows(changed), changedRows);
        QCOMPARE(count.size(), list(before).size() == list(after).size() ? 0 : 1);
    }

    void appendAddsRowsAtTheEnd()
    {
        VideoListModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        m.replace(list(QStringLiteral("a,b")));
        QSignalSpy ins(&m, &QAbstractItemModel::rowsInserted);
        QSignalSpy count(&m, &VideoListModel::countChanged);

        m.append(list(QStringLiteral("c,d")));
        m.append({});
        QCOMPARE(m.videos(), list(QStringLiteral("a,b,c,d")));
        QCOMPARE(ins.size(), 1);
        QCOMPARE(ins.at(0).at(1).toInt(), 2);
        QCOMPARE(count.size(), 1);
    }

    // A further page adds only what the list lacks, each id once, in one change.
    void appendNewAddsWhatTheListLacks_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("after");
        QTest::newRow("all new") << "c,d" << "a,b,c,d";
        QTest::newRow("shown ones left out") << "b,c,a" << "a,b,c";
        QTest::newRow("repeats in the page once") << "c,d,c,d*" << "a,b,c,d";
        QTest::newRow("nothing new") << "a,b*" << "a,b";
        QTest::newRow("empty page") << "" << "a,b";
    }
    void appendNewAddsWhatTheListLacks()
    {
        QFETCH(QString, page);
        QFETCH(QString, after);
        VideoListModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        m.replace(list(QStringLiteral("a,b")));
        QSignalSpy ins(&m, &QAbstractItemModel::rowsInserted);
        QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);

        const qsizetype added = m.appendNew(list(page));
        QCOMPARE(m.videos(), list(after));
        QCOMPARE(added, list(after).size() - 2);
        QCOMPARE(ins.size(), added ? 1 : 0);
        QCOMPARE(changed.size(), 0); // a known id keeps its row as it was
    }

    void placeholdersFillTheList()
    {
        VideoListModel m;
        m.setPlaceholders(4);
        QCOMPARE(m.placeholders(), 4);
        QCOMPARE(m.at(3), Video::placeholder(3));
        m.replace(list(QStringLiteral("a")));
        QCOMPARE(m.placeholders(), 0);
    }
};

QTEST_GUILESS_MAIN(TestVideoListModel)
#include "tst_videolistmodel.moc"
