// The sheets over the player: the queue (opened from "Ver todo", rows that
// play, a swipe that removes, handles that move) and the comments against
// the dev backend (sorts, the retry's "top", the empty and failed states,
// the likes line, markup shown as typed).
#include "CommentsModel.h"
#include "DetailsModel.h"
#include "Fixtures.h"
#include "PlayerOverlayModel.h"
#include "PlayerRig.h"
#include "QueueModel.h"

using namespace playertest;

namespace {

struct Sheet
{
    Rig rig;
    QmlHarness h;
    QQuickItem *root = nullptr;

    bool load()
    {
        root = rig.loadSheet(h);
        return root != nullptr;
    }
    template<class T>
    T *model(const char *name) const { return root->property(name).value<T *>(); }
    // Top to bottom as they show: a list moves its row items, it does not remake them.
    QList<QQuickItem *> shown(const char *name) const
    {
        QList<QQuickItem *> out = QmlHarness::shownItems(h.window()->contentItem(), QString::fromLatin1(name));
        std::stable_sort(out.begin(), out.end(), [](QQuickItem *a, QQuickItem *b) {
            return a->mapToScene(QPointF()).y() < b->mapToScene(QPointF()).y();
        });
        return out;
    }
    // The queue row of a video, and how far it stands off its place in the list.
    QQuickItem *queueEntry(const QString &id) const
    {
        for (QQuickItem *e : QmlHarness::findAllIn(h.window()->contentItem(), QStringLiteral("queueEntry")))
            if (e->isVisible() && e->property("video").value<Video>().id == id)
                return e;
        return nullptr;
    }
    static qreal offset(QQuickItem *entry) { return entry->mapToItem(entry->parentItem(), QPointF()).y() - entry->y(); }
    QStringList queue() const
    {
        QStringList out;
        for (const Video &v : rig.store.queue())
            out << v.id;
        return out;
    }
    // A sheet once it has settled at its height, so its buttons are where they show.
    QObject *opened(const char *name) const
    {
        QObject *sheet = root->findChild<QObject *>(QString::fromLatin1(name));
        return sheet && TestTime::waitFor([&] { return sheet->property("opened").toBool(); }) ? sheet : nullptr;
    }
    // The comments sheet, opened; its sort model.
    CommentsModel *openComments()
    {
        model<DetailsModel>("details")->setShowComments(true);
        QObject *sheet = opened("commentsSheet");
        return sheet ? sheet->property("model").value<CommentsModel *>() : nullptr;
    }
    QString checkedSort(CommentsModel *m) const
    {
        for (const QVariant &e : m->sortMenu())
            if (!e.toMap().value(QStringLiteral("symbol")).toString().isEmpty())
                return e.toMap().value(QStringLiteral("id")).toString();
        return {};
    }
};

} // namespace

class TestQueueAndComments : public PlayerTestCase
{
    Q_OBJECT

    Video catalogue(bool commentsOff) const
    {
        for (const FxVideo &v : backend.fixtures().videos())
            if (v.canPlay && !v.isShort && v.commentsOff == commentsOff)
                return Video::fromJson(backend.fixtures().videoJson(v, backend.origin()));
        return {};
    }
    qsizetype commentRequests() { return backend.requests().matching(QStringLiteral("/api/comments/")).size(); }

private slots:
    void init()
    {
        PlayerTestCase::init();
        backend.clearFaults();
    }

    void queueSheet()
    {
        Sheet s;
        s.rig.start(makeVideo(QStringLiteral("cur")));
        QVERIFY2(s.load(), qPrintable(s.h.errors()));
        s.rig.store.setQueue({makeVideo(QStringLiteral("a")), makeVideo(QStringLiteral("b")), makeVideo(QStringLiteral("c"))});
        QTRY_COMPARE(s.shown("seeAllQueue").size(), 1);
        QQuickItem *all = s.shown("seeAllQueue").first();
        QTest::qWait(100); // the header lays out on the next frame
        QVERIFY(s.h.click(all));
        QVERIFY(s.model<PlayerOverlayModel>("overlay")->showQueue());
        QObject *sheet = s.opened("queueSheet");
        QVERIFY(sheet);
        QTRY_COMPARE(s.shown("queueEntry").size(), 3);

        // In edit mode the last row's handle takes it to the top.
        QVERIFY(s.h.click(QStringLiteral("queueEdit")));
        QTRY_COMPARE(s.shown("queueHandle").size(), 3);
        QQuickItem *handle = s.shown("queueHandle").last();
        QPoint at = handle->mapToScene(QPointF(handle->width() / 2, handle->height() / 2)).toPoint();
        const int stride = int(s.shown("queueEntry").at(1)->y() - s.shown("queueEntry").at(0)->y());
        QTest::mousePress(s.h.window(), Qt::LeftButton, {}, at);
        for (int i = 1; i <= 10; ++i)
            QTest::mouseMove(s.h.window(), at - QPoint(0, i * stride * 2 / 10));
        const qreal rowStride = s.queueEntry(u"b"_qs)->y() - s.queueEntry(u"a"_qs)->y();
        QTRY_COMPARE(Sheet::offset(s.queueEntry(u"b"_qs)), rowStride); // stepped aside
        QTest::mouseRelease(s.h.window(), Qt::LeftButton, {}, at - QPoint(0, stride * 2));
        QTRY_COMPARE(s.queue(), (QStringList{"c", "a", "b"}));
        // Each row takes its new place at once; none springs back from where
        // the drag had it.
        QTRY_COMPARE(s.queueEntry(u"c"_qs)->y(), 0.0);
        for (const QString &id : {u"a"_qs, u"b"_qs, u"c"_qs})
            QVERIFY2(qAbs(Sheet::offset(s.queueEntry(id))) < 0.5, qPrintable(id));
        QVERIFY(s.h.click(QStringLiteral("queueEdit")));

        // A tap plays the row and leaves the queue; "Quitar" takes a row out.
        QTRY_COMPARE(s.shown("queueHandle").size(), 0);
        QVERIFY(s.h.click(QmlHarness::findIn(s.shown("queueEntry").at(1), QStringLiteral("videoRow"))));
        QCOMPARE(s.rig.store.current()->id, QStringLiteral("a"));
        QCOMPARE(s.queue(), (QStringList{"c", "a", "b"}));
        QVERIFY(QMetaObject::invokeMethod(s.shown("queueEntry").first(), "run", Q_ARG(QVariant, 0)));
        QCOMPARE(s.queue(), (QStringList{"a", "b"}));
        s.rig.store.setQueue({});
        QTRY_COMPARE(s.shown("queueEmpty").size(), 1);
        QVERIFY(sheet->property("visible").toBool());
    }

    // A row dragged by its handle: the row it would take, how the others
    // step aside meanwhile, and where it lands when let go.
    void queueDrag_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<double>("rows"); // dragged by, down when positive
        QTest::addColumn<int>("target");
        QTest::addColumn<QList<int>>("shifts"); // of rows 0..3
        QTest::addColumn<QStringList>("after");

        QTest::newRow("down two") << 0 << 2.0 << 2 << QList<int>{0, -1, -1, 0} << QStringList{"b", "c", "a", "d"};
        QTest::newRow("last to the top") << 3 << -3.0 << 0 << QList<int>{1, 1, 1, 0} << QStringList{"d", "a", "b", "c"};
        QTest::newRow("past the end: the last row") << 1 << 9.0 << 3 << QList<int>{0, 0, -1, -1}
                                                    << QStringList{"a", "c", "d", "b"};
        QTest::newRow("above the top: the first row") << 2 << -7.0 << 0 << QList<int>{1, 1, 0, 0}
                                                      << QStringList{"c", "a", "b", "d"};
        QTest::newRow("under half a row: stays") << 2 << 0.4 << 2 << QList<int>{0, 0, 0, 0}
                                                 << QStringList{"a", "b", "c", "d"};
        QTest::newRow("over half a row: one down") << 1 << 0.6 << 2 << QList<int>{0, 0, -1, 0}
                                                   << QStringList{"a", "c", "b", "d"};
    }
    void queueDrag()
    {
        QFETCH(int, from);
        QFETCH(double, rows);
        QFETCH(int, target);
        QFETCH(QList<int>, shifts);
        QFETCH(QStringList, after);
        Rig rig;
        rig.start(makeVideo(QStringLiteral("cur")));
        QList<Video> queue;
        for (const char *id : {"a", "b", "c", "d"})
            queue << makeVideo(QString::fromLatin1(id));
        rig.store.setQueue(queue);
        QueueModel model;
        model.setPlayer(&rig.store);
        const qreal stride = 98.4;

        QCOMPARE(model.dragTarget(from, rows * stride, stride), target);
        for (int row = 0; row < 4; ++row)
            QCOMPARE(QueueModel::dragShift(row, from, target), shifts.at(row));
        for (int row = 0; row < 4; ++row) // nothing steps aside while no row is dragged
            QCOMPARE(QueueModel::dragShift(row, -1, -1), 0);
        model.drop(queue.at(from).id, from, target);
        QStringList ids;
        for (const Video &v : rig.store.queue())
            ids << v.id;
        QCOMPARE(ids, after);
    }

    // A failed "new" and its retry: "top" comes back while the mark stays on
    // "Más recientes"; with no video a choice only moves the mark.
    void sortsAndRetry()
    {
        Sheet s;
        const Video v = catalogue(false);
        s.rig.start(v);
        QVERIFY2(s.load(), qPrintable(s.h.errors()));
        QTRY_VERIFY(s.rig.store.commentsState().isLoaded());
        CommentsModel *comments = s.openComments();
        QVERIFY(comments);
        QTRY_VERIFY(!s.shown("commentRow").isEmpty());
        const QString topFirst = s.rig.store.comments().first().id;

        FaultRule failNew;
        failNew.pathPrefix = QStringLiteral("/api/comments/");
        failNew.id = QStringLiteral("new");
        failNew.status = 500;
        failNew.message = QStringLiteral("Sin servicio");
        backend.addFault(failNew);
        comments->setSort(QStringLiteral("new"));
        QTRY_COMPARE(s.shown("commentsError").size(), 1);
        QVERIFY(s.h.click(QStringLiteral("retryButton")));
        QTRY_VERIFY(s.rig.store.commentsState().isLoaded());
        QCOMPARE(s.rig.store.comments().first().id, topFirst);
        QCOMPARE(s.checkedSort(comments), QStringLiteral("new"));
        QCOMPARE(backend.requests().last(QStringLiteral("/api/comments/"))->rawQuery, QStringLiteral("sort=top"));

        const qsizetype asked = commentRequests();
        comments->setSort(QStringLiteral("new")); // the checked one reloads too
        QTRY_COMPARE(commentRequests(), asked + 1);
        s.rig.store.stop();
        comments->setSort(QStringLiteral("top"));
        QCOMPARE(s.checkedSort(comments), QStringLiteral("top"));
        QTest::qWait(200);
        QCOMPARE(commentRequests(), asked + 1);
    }

    void commentsOff()
    {
        Sheet s;
        s.rig.start(catalogue(true));
        QVERIFY2(s.load(), qPrintable(s.h.errors()));
        QVERIFY(s.openComments());
        QTRY_COMPARE(s.shown("commentsEmpty").size(), 1);
        QCOMPARE(s.shown("commentsList").size(), 0);
    }

    // A comment's text is selectable only under the pointer, and stays so
    // while something is selected in it; Escape then still closes the sheet.
    void commentTextSelects()
    {
        Sheet s;
        s.rig.start(catalogue(false));
        QVERIFY2(s.load(), qPrintable(s.h.errors()));
        QVERIFY(s.openComments());
        QTRY_VERIFY(!s.shown("commentRow").isEmpty());
        QQuickWindow *window = s.h.window();
        window->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QQuickItem *text = s.shown("commentText").first();
        // Still for a while: the list is laid out again as parts arrive.
        QPointF at;
        QVERIFY(TestTime::waitFor([&] {
            at = text->mapToScene(QPointF(2, 8));
            QTest::qWait(150);
            return at == text->mapToScene(QPointF(2, 8));
        }));
        QTest::mouseMove(window, at.toPoint());
        QTRY_COMPARE(s.shown("commentTextEdit").size(), 1);
        QTest::mouseMove(window, QPoint(2, 2));
        QTRY_COMPARE(s.shown("commentTextEdit").size(), 0);
        QTest::mouseMove(window, at.toPoint());
        QTRY_COMPARE(s.shown("commentTextEdit").size(), 1);
        QmlHarness::drag(window, at.toPoint(), QPoint(60, 0));
        QQuickItem *edit = s.shown("commentTextEdit").value(0);
        QVERIFY(edit);
        QVERIFY(!edit->property("selectedText").toString().isEmpty());
        QTest::mouseMove(window, QPoint(2, 2));
        QTest::qWait(100);
        QCOMPARE(s.shown("commentTextEdit"), QList<QQuickItem *>{edit});
        QTest::keyClick(window, Qt::Key_Escape);
        QTRY_VERIFY(!s.root->findChild<QObject *>(QStringLiteral("commentsSheet"))->property("visible").toBool());
    }

    // Likes from one on; a comment's markup is its text, nothing is fetched.
    void commentRows()
    {
        const QString markup = QStringLiteral("<img src=\"%1/markup.png\"><b>hola</b>").arg(backend.origin());
        QJsonArray list;
        const qint64 likes[] = {0, 1, 1500};
        for (int i = 0; i < 3; ++i)
            list.append(QJsonObject{{"id", QString::number(i)}, {"author", "Ana"}, {"likes", likes[i]},
                                    {"text", i == 2 ? markup : QStringLiteral("Hola")}, {"time", "hace 1 día"},
                                    {"pinned", i == 0}, {"byUploader", i == 0}});
        FaultRule raw;
        raw.pathPrefix = QStringLiteral("/api/comments/");
        raw.body = FaultRule::Body::Raw;
        raw.rawBody = QJsonDocument(list).toJson();
        backend.addFault(raw);
        Sheet s;
        s.rig.start(makeVideo(QStringLiteral("rows")));
        QVERIFY2(s.load(), qPrintable(s.h.errors()));
        QVERIFY(s.openComments());
        QTRY_COMPARE(s.shown("commentRow").size(), 3);
        QStringList shownLikes;
        for (QQuickItem *t : s.shown("commentLikesText"))
            shownLikes << t->property("text").toString();
        QCOMPARE(shownLikes, (QStringList{"1", "1,5 mil"}));
        QCOMPARE(s.shown("commentPin").size(), 1);
        QCOMPARE(s.shown("commentText").last()->property("text").toString(), markup);
        QTest::qWait(300);
        QVERIFY(backend.requests().matching(QStringLiteral("/markup.png")).isEmpty());
    }
};

QTEST_MAIN(TestQueueAndComments)
#include "tst_queueandcomments.moc"
