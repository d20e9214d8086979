#include "AppFixture.h"
#include "AvatarStore.h"
#include "LoadState.h"
#include "QmlHarness.h"
#include "StoreRig.h"
#include "VideoListModel.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <memory>
#include <optional>

namespace {

QList<Video> videos(int n, const QString &prefix = u"v"_qs, const QString &channel = u"Canal"_qs)
{
    QList<Video> out;
    for (int i = 0; i < n; ++i) {
        Video v;
        v.id = prefix + QString::number(i);
        // Rows of one, two and three lines: rows of several heights.
        v.title = u"Vídeo %1"_qs.arg(i) + QString(u" con un título bastante más largo que los demás"_qs).repeated(i % 3);
        v.channel = channel;
        v.duration = 60 + i;
        out.append(v);
    }
    return out;
}

LoadState stateNamed(const QString &name)
{
    if (name == u"idle")
        return LoadState::idle();
    if (name == u"loading")
        return LoadState::loading();
    if (name == u"failed")
        return LoadState::failed(u"El servidor se cayó"_qs);
    return LoadState::loaded();
}

} // namespace

class TestFeedView : public QObject
{
    Q_OBJECT

    // A FeedView over m_videos in a window of the given size; `extra` is
    // added to its body.
    bool load(const QByteArray &extra, LoadState state, int width = 430, int height = 900)
    {
        m_qml = std::make_unique<QmlHarness>();
        m_qml->window()->resize(width, height);
        const QByteArray size = "width: " + QByteArray::number(width) + "; height: " + QByteArray::number(height);
        m_feed = m_qml->loadSource("import QtQuick\nimport Nimbelora.Shell\nFeedView {\n" + size + "\n" + extra + "\n}\n",
                                   {{u"player"_qs, QVariant::fromValue<QObject *>(&m_stores->store)},
                                    {u"library"_qs, QVariant::fromValue<QObject *>(m_stores->library.get())},
                                    {u"avatars"_qs, QVariant::fromValue<QObject *>(&*m_avatars)},
                                    {u"videos"_qs, QVariant::fromValue<QObject *>(&m_videos)},
                                    {u"feedState"_qs, QVariant::fromValue(state)}});
        if (!m_feed)
            qWarning("%s", qPrintable(m_qml->errors()));
        return m_feed != nullptr;
    }

    QList<QQuickItem *> shown(const QString &name) const { return QmlHarness::shownItems(m_feed, name); }
    QQuickItem *view() const { return m_feed->property("flickable").value<QQuickItem *>(); }
    double num(QQuickItem *item, const char *name) const { return item->property(name).toDouble(); }
    bool atTop() const
    {
        QQuickItem *v = view();
        return num(v, "contentY") <= num(v, "originY") - num(v, "topMargin") + 0.5;
    }

    AppFixture m_backend;
    // The stores the cards and rows take, and the list shown.
    std::optional<StoreRig> m_stores;
    std::optional<AvatarStore> m_avatars;
    VideoListModel m_videos;
    std::unique_ptr<QmlHarness> m_qml;
    QQuickItem *m_feed = nullptr;

    // The stores' writes land (before the data they go to is cleared).
    static void settle()
    {
        LibraryStore::waitForWrites();
        AvatarStore::waitForWrites();
    }

private slots:
    void initTestCase() { QVERIFY2(m_backend.start(), qPrintable(m_backend.error())); }
    void cleanupTestCase() { settle(); }

    void init()
    {
        settle();
        m_backend.reset();
        AppFixture::clearData();
        m_stores.emplace(PlayerStore::Waits{});
        m_avatars.emplace();
        m_videos.clear();
    }

    void cleanup()
    {
        m_qml.reset();
        m_feed = nullptr;
        m_stores.reset();
        m_avatars.reset();
    }

    // What measures the cards' text for the grid's rows is made with the
    // first loaded list, not for placeholders, and the rows fit the cards.
    void rowsAreMeasuredOnceLoaded()
    {
        m_videos.replace(videos(3));
        QVERIFY(load("topMargin: 8", LoadState::loading()));
        QTest::qWait(50);
        QCOMPARE(QmlHarness::findAllIn(m_feed, u"videoCard"_qs).size(), 4);

        m_feed->setProperty("feedState", QVariant::fromValue(LoadState::loaded()));
        QVERIFY(TestTime::waitFor([&] { return shown(u"videoCard"_qs).size() >= 3; }, 3000));
        QList<QQuickItem *> cards = shown(u"videoCard"_qs);
        std::sort(cards.begin(), cards.end(), [](QQuickItem *a, QQuickItem *b) {
            return a->mapToScene(QPointF()).y() < b->mapToScene(QPointF()).y();
        });
        // The second card has a title of two lines: a row is as tall as it.
        const double step = cards.at(2)->mapToScene(QPointF()).y() - cards.at(1)->mapToScene(QPointF()).y();
        QCOMPARE(step, cards.at(1)->implicitHeight() + num(view(), "rowSpacing"));
        QCOMPARE(cards.at(1)->mapToScene(QPointF()).y() - cards.at(0)->mapToScene(QPointF()).y(), step);
    }

    // Each state shows its one view, where the feed's shape puts it.
    void statesShowTheirOwnView_data()
    {
        QTest::addColumn<QByteArray>("shape");
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("listed");     // videos in the list
        QTest::addColumn<int>("skeletons");
        QTest::addColumn<bool>("spinner");
        QTest::addColumn<QString>("error");  // "", "flow", "top" or "middle"
        QTest::addColumn<bool>("empty");
        QTest::addColumn<QString>("item");   // what shows the videos
        QTest::addColumn<bool>("header");

        const QByteArray header = "header: Component { Rectangle { objectName: \"testHeader\"; height: 50; color: \"red\" } }";
        const QByteArray emptyState = "emptyTitle: \"Nada\"; emptySymbol: \"clock\"";
        const QByteArray remote = "rows: true; placeholders: 0; " + emptyState;
        QTest::newRow("cards, idle") << QByteArray("placeholders: 3") << "idle" << 0 << 3 << false << "" << false << "" << false;
        QTest::newRow("cards, loading over old cards") << header << "loading" << 2 << 4 << false << "" << false << "" << true;
        QTest::newRow("cards, failed, under the header") << header << "failed" << 0 << 0 << false << "flow" << false << "" << true;
        QTest::newRow("cards, failed, on top") << QByteArray("errorOnTop: true") << "failed" << 0 << 0 << false << "top" << false << "" << false;
        QTest::newRow("on top, but under a header") << header + "\nerrorOnTop: true" << "failed" << 0 << 0 << false << "flow" << false << "" << true;
        QTest::newRow("cards, loaded") << header << "loaded" << 2 << 0 << false << "" << false << "videoCard" << true;
        QTest::newRow("empty without an empty state") << header << "loaded" << 0 << 0 << false << "" << false << "" << true;
        QTest::newRow("empty with an empty state") << emptyState << "loaded" << 0 << 0 << false << "" << true << "" << false;
        QTest::newRow("rows wait as cards") << QByteArray("rows: true") << "loading" << 0 << 4 << false << "" << false << "" << false;
        QTest::newRow("rows, loaded") << QByteArray("rows: true") << "loaded" << 2 << 0 << false << "" << false << "videoRow" << false;
        QTest::newRow("spinner") << remote << "loading" << 2 << 0 << true << "" << false << "" << false;
        QTest::newRow("spinner, failed") << remote << "failed" << 0 << 0 << false << "middle" << false << "" << false;
        QTest::newRow("spinner, empty") << remote << "loaded" << 0 << 0 << false << "" << true << "" << false;
        QTest::newRow("spinner, loaded") << remote << "loaded" << 2 << 0 << false << "" << false << "videoRow" << false;
    }
    void statesShowTheirOwnView()
    {
        QFETCH(QByteArray, shape);
        QFETCH(QString, state);
        QFETCH(int, listed);
        QFETCH(int, skeletons);
        QFETCH(bool, spinner);
        QFETCH(QString, error);
        QFETCH(bool, empty);
        QFETCH(QString, item);
        QFETCH(bool, header);
        m_videos.replace(videos(listed));
        QVERIFY(load(shape + "\ntopMargin: 8", stateNamed(state)));
        QTest::qWait(100);

        // Made, not only those in the window.
        QCOMPARE(QmlHarness::findAllIn(m_feed, u"skeletonCard"_qs).size(), skeletons);
        QCOMPARE(shown(u"feedSpinner"_qs).size(), spinner ? 1 : 0);
        QCOMPARE(shown(u"feedEmpty"_qs).size(), empty ? 1 : 0);
        QCOMPARE(shown(u"testHeader"_qs).size(), header ? 1 : 0);
        // A placeholder is a card too.
        QCOMPARE(shown(u"videoCard"_qs).size() - shown(u"skeletonCard"_qs).size(), item == u"videoCard" ? listed : 0);
        QCOMPARE(shown(u"videoRow"_qs).size(), item == u"videoRow" ? listed : 0);

        const QList<QQuickItem *> errors = shown(u"feedError"_qs);
        QCOMPARE(errors.size(), error.isEmpty() ? 0 : 1);
        if (error.isEmpty())
            return;
        const QRectF at = errors.first()->mapRectToScene(QRectF(0, 0, errors.first()->width(), errors.first()->height()));
        if (error == u"flow") {
            // Below the header and its gap, within the cards' margins.
            QCOMPARE(at.top(), 8 + 50 + 22.0);
            QCOMPARE(at.left(), 16.0);
            QCOMPARE(at.width(), 430 - 32.0);
        } else {
            QCOMPARE(at.width(), 430.0);
            if (error == u"top")
                QCOMPARE(at.top(), 0.0);
            else
                QVERIFY(qAbs(at.center().y() - 450) <= 1);
        }
    }

    // The last shown video asks for the next page, once; so does a video
    // already made that the filter leaves last.
    void lastShownVideoAsksForMore_data()
    {
        QTest::addColumn<bool>("rows");
        QTest::newRow("cards") << false;
        QTest::newRow("rows") << true;
    }
    void lastShownVideoAsksForMore()
    {
        QFETCH(bool, rows);
        QList<Video> list = videos(2, u"a"_qs, u"Canal A"_qs) + videos(2, u"b"_qs, u"Canal B"_qs);
        m_videos.replace(list);
        QVERIFY(load(QByteArray("filtered: true; rows: ") + (rows ? "true" : "false"), LoadState::loading(), 1200, 1400));
        QSignalSpy more(m_feed, SIGNAL(moreWanted()));
        m_feed->setProperty("feedState", QVariant::fromValue(LoadState::loaded()));
        QVERIFY(TestTime::waitFor([&] { return more.size() == 1; }, 3000));
        QTest::qWait(100);
        QCOMPARE(more.size(), 1);

        // The tail's channel hidden: "a1", made already, is last now.
        m_stores->library->hideChannel(u"Canal B"_qs);
        QVERIFY(TestTime::waitFor([&] { return more.size() == 2; }, 3000));

        // A page: its last video, once made, asks again.
        m_videos.append(videos(1, u"c"_qs, u"Canal C"_qs));
        QVERIFY(TestTime::waitFor([&] { return more.size() == 3; }, 3000));
        QTest::qWait(100);
        QCOMPARE(more.size(), 3);
    }

    // A view left at its top stays there when what is above the videos
    // grows; placeholders replacing a scrolled list show from the top; a
    // scrolled list of rows of several heights stays where it is.
    void offsetFollowsWhatIsAbove()
    {
        m_videos.replace(videos(40));
        QVERIFY(load("header: Component { Rectangle { objectName: \"testHeader\"; height: 50 } }\ntopMargin: 8",
                     LoadState::loaded()));
        QTest::qWait(100);
        QVERIFY(atTop());
        QQuickItem *header = QmlHarness::findAllIn(m_feed, u"testHeader"_qs).first();
        header->setHeight(300);
        QTest::qWait(100);
        QVERIFY(atTop());
        QCOMPARE(header->mapToScene(QPointF()).y(), 8.0);

        QQuickItem *v = view();
        v->setProperty("contentY", num(v, "contentY") + 3000);
        QTest::qWait(100);
        QVERIFY(!atTop());
        m_feed->setProperty("feedState", QVariant::fromValue(LoadState::loading()));
        QVERIFY(TestTime::waitFor([&] { return atTop(); }, 2000));
    }

    void scrolledRowsStayWhereTheyAre()
    {
        m_videos.replace(videos(60));
        QVERIFY(load("rows: true; placeholders: 0; topMargin: 8", LoadState::loaded(), 430, 600));
        QTest::qWait(100);
        // Down to the end as its estimate goes, which it revises on the way.
        QQuickItem *v = view();
        auto toEnd = [&] {
            v->setProperty("contentY", num(v, "contentHeight") + num(v, "originY") + num(v, "bottomMargin") - v->height());
            QTest::qWait(100);
        };
        toEnd();
        toEnd();
        QVERIFY(!atTop());
        m_feed->setProperty("loadingMore", true);
        toEnd();
        QTest::qWait(300);
        QVERIFY(!atTop());
    }
};

QTEST_MAIN(TestFeedView)
#include "tst_feedview.moc"
