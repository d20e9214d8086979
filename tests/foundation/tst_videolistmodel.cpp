#include "ModelChanges.h"
#include "VideoListModel.h"
#include <QAbstractItemModelTester>
#include <QTest>

namespace {

// "a,b,c"; "b*" is b with another title (same video, changed content).
QList<Video> list(const QString &ids)
{
    QList<Video> out;
    for (const auto &[id, changed] : markedIds(ids)) {
        Video v;
        v.id = id;
        v.title = (changed ? QStringLiteral("Otro título ") : QStringLiteral("Título ")) + id;
        out.append(v);
    }
    return out;
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
        ModelChanges seen(&m);

        m.replace(list(after));

        QCOMPARE(m.videos(), list(after));
        QCOMPARE(seen.reset.size(), resets);
        QCOMPARE(ModelChanges::rows(seen.inserted), inserted);
        QCOMPARE(ModelChanges::rows(seen.removed), removed);
        QCOMPARE(ModelChanges::rows(seen.changed), changedRows);
        QCOMPARE(seen.count.size(), list(before).size() == list(after).size() ? 0 : 1);
    }

    void appendAddsRowsAtTheEnd()
    {
        VideoListModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        m.replace(list(QStringLiteral("a,b")));
        ModelChanges seen(&m);

        m.append(list(QStringLiteral("c,d")));
        m.append({});
        QCOMPARE(m.videos(), list(QStringLiteral("a,b,c,d")));
        QCOMPARE(seen.inserted.size(), 1);
        QCOMPARE(seen.inserted.at(0).at(1).toInt(), 2);
        QCOMPARE(seen.count.size(), 1);
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
        ModelChanges seen(&m);

        const qsizetype added = m.appendNew(list(page));
        QCOMPARE(m.videos(), list(after));
        QCOMPARE(added, list(after).size() - 2);
        QCOMPARE(seen.inserted.size(), added ? 1 : 0);
        QCOMPARE(seen.changed.size(), 0); // a known id keeps its row as it was
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
