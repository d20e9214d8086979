#include "VideoListModel.h"
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

namespace {

Video video(const QString &id, const QString &title = {})
{
    Video v;
    v.id = id;
    v.title = title.isEmpty() ? QStringLiteral("Título ") + id : title;
    v.channel = QStringLiteral("Canal");
    v.duration = 300;
    return v;
}

// "a,b,c"; "b*" is b with another title (same video, changed content).
QList<Video> list(const QString &spec)
{
    QList<Video> out;
    for (QString id : spec.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const bool changed = id.endsWith(QLatin1Char('*'));
        if (changed)
            id.chop(1);
        out.append(video(id, changed ? QStringLiteral("Otro título ") + id : QString()));
    }
    return out;
}

QStringList ids(const VideoListModel &m)
{
    QStringList out;
    for (int row = 0; row < m.rowCount(); ++row)
        out.append(m.data(m.index(row), VideoListModel::VideoIdRole).toString());
    return out;
}

} // namespace

class TestVideoListModel : public QObject
{
    Q_OBJECT

private slots:
    void rolesGiveTheTypedVideo()
    {
        VideoListModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        Video v = video(QStringLiteral("abc"));
        v.views = 1500;
        v.channelId = QStringLiteral("UC1");
        m.replace({v});

        const QHash<int, QByteArray> names = m.roleNames();
        QCOMPARE(names.value(VideoListModel::VideoRole), QByteArray("video"));
        QCOMPARE(names.value(VideoListModel::VideoIdRole), QByteArray("videoId"));

        const QVariant value = m.data(m.index(0), VideoListModel::VideoRole);
        QVERIFY(value.canConvert<Video>());
        QCOMPARE(value.value<Video>(), v);
        QCOMPARE(m.data(m.index(0), VideoListModel::VideoIdRole).toString(), QStringLiteral("abc"));
        QVERIFY(!m.data(m.index(1), VideoListModel::VideoRole).isValid());
        QCOMPARE(m.at(0), v);
        QCOMPARE(m.at(7), Video{});
        QCOMPARE(m.indexOf(QStringLiteral("abc")), 0);
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
        QTest::newRow("empty to empty") << "" << "" << 0 << 0 << 0 << 0;
        QTest::newRow("a page appended") << "a,b" << "a,b,c,d" << 0 << 2 << 0 << 0;
        QTest::newRow("first list") << "" << "a,b" << 0 << 2 << 0 << 0;
        QTest::newRow("cleared") << "a,b" << "" << 0 << 0 << 2 << 0;
        QTest::newRow("tail dropped") << "a,b,c" << "a" << 0 << 0 << 2 << 0;
        QTest::newRow("content changed in place") << "a,b,c" << "a,b*,c*" << 0 << 0 << 0 << 2;
        QTest::newRow("changed and extended") << "a,b" << "a*,b,c" << 0 << 1 << 0 << 1;
        QTest::newRow("another order") << "a,b,c" << "b,a,c" << 1 << 0 << 0 << 0;
        QTest::newRow("another list") << "a,b" << "x,y,z" << 1 << 0 << 0 << 0;
        QTest::newRow("one replaced inside") << "a,b,c" << "a,x,c" << 1 << 0 << 0 << 0;
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
        int insertedRows = 0;
        for (const auto &args : ins)
            insertedRows += args.at(2).toInt() - args.at(1).toInt() + 1;
        int removedRows = 0;
        for (const auto &args : rem)
            removedRows += args.at(2).toInt() - args.at(1).toInt() + 1;
        int changed_ = 0;
        for (const auto &args : changed)
            changed_ += args.at(1).value<QModelIndex>().row() - args.at(0).value<QModelIndex>().row() + 1;
        QCOMPARE(insertedRows, inserted);
        QCOMPARE(removedRows, removed);
        QCOMPARE(changed_, changedRows);
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
        QCOMPARE(ids(m), QStringList({"a", "b", "c", "d"}));
        QCOMPARE(ins.size(), 1);
        QCOMPARE(ins.at(0).at(1).toInt(), 2);
        QCOMPARE(ins.at(0).at(2).toInt(), 3);
        QCOMPARE(count.size(), 1);

        m.append({});
        QCOMPARE(ins.size(), 1);
        QCOMPARE(count.size(), 1);
    }

    void placeholdersFillTheList()
    {
        VideoListModel m;
        m.setPlaceholders(4);
        QCOMPARE(m.count(), 4);
        QCOMPARE(m.placeholders(), 4);
        QCOMPARE(m.at(3), Video::placeholder(3));
        m.replace(list(QStringLiteral("a")));
        QCOMPARE(m.placeholders(), 0);
    }
};

QTEST_GUILESS_MAIN(TestVideoListModel)
#include "tst_videolistmodel.moc"
