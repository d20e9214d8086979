#include "AppFixture.h"
#include "Defaults.h"
#include "FakeClock.h"
#include "HistoryModel.h"
#include "Pref.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <ctime>
#include <memory>

namespace {

Video video(const QString &id, const QString &title = u"Vídeo"_qs)
{
    Video v;
    v.id = id;
    v.title = title;
    v.channel = u"Canal"_qs;
    return v;
}

QDateTime madrid(int y, int m, int d, int h, int min = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min), Qt::LocalTime);
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { AppFixture::prepare(); }

    // Local calendar days, newest first, the history's order inside a day;
    // days a year apart with the same label stay apart.
    void groupsByLocalDay()
    {
        AppFixture::clearData();
        FakeClock clock;
        LibraryStore library;
        const QList<std::pair<QString, QDateTime>> watched{
            {u"old"_qs, madrid(2025, 3, 9, 10)},     // a Sunday
            {u"year"_qs, madrid(2020, 3, 9, 10)},    // a Monday, watched after
            {u"mon"_qs, madrid(2026, 3, 9, 10)},     // a Monday
            {u"eve"_qs, madrid(2025, 12, 31, 20)},
            {u"late"_qs, madrid(2025, 12, 31, 23, 50)},
            {u"night"_qs, madrid(2026, 1, 1, 0, 30)}, // still December 31 in UTC
        };
        for (const auto &[id, at] : watched) {
            clock.set(at);
            library.addToHistory(video(id, id == u"mon"_qs ? u"Paella"_qs : u"Vídeo"_qs));
        }
        clock.set(madrid(2026, 1, 1, 12));

        HistoryModel model;
        model.setLibrary(&library);
        QStringList rows;
        for (int i = 0; i < model.count(); ++i) {
            const QModelIndex at = model.index(i);
            rows << model.data(at, HistoryModel::VideoIdRole).toString() + u'@'
                        + model.label(model.data(at, HistoryModel::DayRole).toString());
        }
        QCOMPARE(rows, (QStringList{u"mon@Lunes 9 De Marzo"_qs, u"night@Hoy"_qs, u"late@Ayer"_qs, u"eve@Ayer"_qs,
                                    u"old@Domingo 9 De Marzo"_qs, u"year@Lunes 9 De Marzo"_qs}));
        QVERIFY(model.data(model.index(0), HistoryModel::DayRole) != model.data(model.index(5), HistoryModel::DayRole));

        // A search without matches is an empty list, not an empty history.
        model.setQuery(u" paella "_qs);
        QCOMPARE(model.count(), 1);
        model.setQuery(u"sushi"_qs);
        QCOMPARE(model.count(), 0);
        QVERIFY(!model.empty());
        model.clear();
        QVERIFY(model.empty());
        QVERIFY(library.history().isEmpty());
        LibraryStore::waitForWrites();
    }

    // Entries leave as rows of their own, so the screen can animate them
    // away; nothing resets the list.
    void removalsInPlace_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("removed"); // "first-last" per removal, in order
        QTest::addColumn<int>("left");

        // Newest first: d c b a.
        QTest::newRow("one entry") << "remove b" << QStringList{"2-2"} << 3;
        QTest::newRow("the newest") << "remove d" << QStringList{"0-0"} << 3;
        QTest::newRow("an id not there") << "remove x" << QStringList{} << 4;
        QTest::newRow("clear") << "clear" << QStringList{"0-3"} << 0;
        QTest::newRow("a search keeps two apart") << "query tarta" << QStringList{"2-2", "0-0"} << 2;
    }
    void removalsInPlace()
    {
        QFETCH(QString, action);
        QFETCH(QStringList, removed);
        QFETCH(int, left);
        AppFixture::clearData();
        FakeClock clock;
        clock.set(madrid(2026, 1, 1, 10));
        LibraryStore library;
        for (const QString &id : {u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs})
            library.addToHistory(video(id, id == u"a" || id == u"c" ? u"Tarta de queso"_qs : u"Vídeo"_qs));
        HistoryModel model;
        model.setLibrary(&library);
        QCOMPARE(model.count(), 4);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy removals(&model, &QAbstractItemModel::rowsRemoved);

        const QString arg = action.section(u' ', 1);
        if (action.startsWith(u"remove"))
            model.remove(arg);
        else if (action == u"clear")
            model.clear();
        else
            model.setQuery(arg);

        QStringList got;
        for (const QList<QVariant> &r : removals)
            got << QString::number(r.at(1).toInt()) + u'-' + QString::number(r.at(2).toInt());
        QCOMPARE(got, removed);
        QCOMPARE(resets.size(), 0);
        QCOMPARE(model.count(), left);
        QCOMPARE(model.empty(), action == u"clear");
        LibraryStore::waitForWrites();
    }

    void emptyTextFollowsIncognito()
    {
        HistoryModel model;
        QSignalSpy changed(&model, &HistoryModel::emptyTextChanged);
        Defaults::shared().setValue(QString(Pref::incognito), true);
        QCOMPARE(model.emptyText(), u"El modo incógnito está activado: no se guarda lo que ves."_qs);
        Defaults::shared().setValue(QString(Pref::incognito), false);
        QCOMPARE(model.emptyText(), u"Los vídeos que veas aparecerán aquí."_qs);
        QCOMPARE(changed.size(), 2);
    }
};

int main(int argc, char *argv[])
{
    qputenv("TZ", "Europe/Madrid");
    tzset();
    QCoreApplication app(argc, argv);
    TestHistory test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_history.moc"
