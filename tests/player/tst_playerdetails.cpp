// The details under the video and the share menu: what the texts say with
// and without the detail, which parts show, what the channel row and the
// pills do, and the links shared at a time.
#include "DetailsModel.h"
#include "DoubleClickTime.h"
#include "Fmt.h"
#include "Opener.h"
#include "Pasteboard.h"
#include "PlayerRig.h"
#include "ShareAtTimeModel.h"
#include "YouTubeLink.h"
#include "ShareSheet.h"


using namespace playertest;
using Probe = PlayerStoreProbe;

namespace {

VideoDetail detailOf(const Video &v)
{
    VideoDetail d;
    d.id = v.id;
    d.title = QStringLiteral("Título del detalle");
    d.channel = v.channel;
    d.canPlay = true;
    return d;
}

QList<Chapter> chapters(int n)
{
    QList<Chapter> out;
    for (int i = 0; i < n; ++i)
        out.append({i * 60, QStringLiteral("Capítulo %1").arg(i)});
    return out;
}

struct Details
{
    Rig rig;
    QmlHarness h;
    QQuickItem *root = nullptr;
    DetailsModel *model = nullptr;

    explicit Details(const Video &v)
    {
        rig.start(v);
        QVERIFY(TestTime::waitFor([&] { return rig.store.commentsState().isFailed(); }, 8000)); // no such video
        root = rig.loadSheet(h);
        QVERIFY2(root, qPrintable(h.errors()));
        model = root->property("details").value<DetailsModel *>();
    }
    int shown(const char *name) const { return int(QmlHarness::shownItems(root, QString::fromLatin1(name)).size()); }
};

} // namespace

class TestPlayerDetails : public PlayerTestCase
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        PlayerTestCase::initTestCase();
        Opener::setHandler([](const QUrl &) { return true; });
    }

    void texts_data()
    {
        QTest::addColumn<QVariant>("views");       // the video's
        QTest::addColumn<QVariant>("detailViews"); // invalid: no detail
        QTest::addColumn<QVariant>("likes");
        QTest::addColumn<bool>("liked");
        QTest::addColumn<QString>("meta");
        QTest::addColumn<QString>("likeTitle");
        const QVariant none;
        QTest::newRow("one view, no detail") << QVariant(1) << none << none << false << "1 vista" << "Me gusta";
        QTest::newRow("no views, liked") << none << none << none << true << "" << "Te gusta";
        QTest::newRow("zero views") << QVariant(0) << none << none << false << "0 vistas" << "Me gusta";
        QTest::newRow("detail counts win") << QVariant(1) << QVariant(1500) << QVariant(99) << true << "1,5 mil vistas"
                                           << "100";
        QTest::newRow("detail without views") << QVariant(1) << QVariant(-1) << QVariant(99) << false << "1 vista"
                                              << "99";
        QTest::newRow("saturated like") << none << QVariant(-1) << QVariant(std::numeric_limits<qint64>::max())
                                        << true << "" << "9223372037 mil M";
    }

    void texts()
    {
        QFETCH(QVariant, views);
        QFETCH(QVariant, detailViews);
        QFETCH(QVariant, likes);
        QFETCH(bool, liked);
        QFETCH(QString, meta);
        QFETCH(QString, likeTitle);
        Video v = makeVideo(QStringLiteral("t"));
        if (views.isValid())
            v.views = views.toLongLong();
        std::optional<VideoDetail> d;
        if (detailViews.isValid()) {
            d = detailOf(v);
            if (detailViews.toLongLong() >= 0)
                d->views = detailViews.toLongLong();
            if (likes.isValid())
                d->likes = likes.toLongLong();
        }
        QCOMPARE(DetailsModel::metaLineFor(v, d), meta);
        QCOMPARE(DetailsModel::likeTitleFor(d, liked), likeTitle);
    }

    void metaLineAndSubscribers()
    {
        Details s(makeVideo(QStringLiteral("m")));
        QVERIFY(s.model->subscriberLine().isEmpty());
        VideoDetail d = detailOf(*s.rig.store.current());
        d.uploadDate = QDate::currentDate().addDays(-3).toString(Qt::ISODate);
        d.subscribers = 1;
        Probe::setDetail(s.rig.store, d);
        QVERIFY(!Fmt::ago(d.uploadDate).isEmpty());
        QCOMPARE(s.model->metaLine(), Fmt::ago(d.uploadDate)); // the video has no views
        QCOMPARE(s.model->subscriberLine(), QStringLiteral("1 suscriptor"));
        QCOMPARE(s.model->title(), QStringLiteral("Título del detalle"));
    }

    // chapters -1: no detail.
    void descriptionCard_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<int>("chapters");
        QTest::addColumn<bool>("card");
        QTest::addColumn<int>("closedRows");
        QTest::addColumn<int>("openRows");
        QTest::newRow("no detail") << "" << -1 << false << 0 << 0;
        QTest::newRow("empty") << "" << 0 << false << 0 << 0;
        QTest::newRow("text only") << "Hola" << 0 << true << 0 << 0;
        QTest::newRow("chapters only") << "" << 5 << true << 3 << 5;
        QTest::newRow("101 chapters") << "Hola" << 101 << true << 3 << 100;
    }

    void descriptionCard()
    {
        QFETCH(QString, description);
        QFETCH(int, chapters);
        QFETCH(bool, card);
        QFETCH(int, closedRows);
        QFETCH(int, openRows);
        Details s(makeVideo(QStringLiteral("d")));
        if (chapters >= 0) {
            VideoDetail d = detailOf(*s.rig.store.current());
            d.description = description;
            d.chapters = ::chapters(chapters);
            Probe::setDetail(s.rig.store, d);
        }
        QTRY_COMPARE(s.shown("descriptionCard"), card ? 1 : 0);
        QCOMPARE(s.shown("chapterRow"), closedRows);
        // The divider under the chapters covers a pixel row, closed and open.
        auto dividerDrawn = [&] {
            QQuickItem *divider = QmlHarness::findIn(s.root, QStringLiteral("chaptersDivider"));
            return divider && divider->isVisible() && divider->height() >= 1;
        };
        QCOMPARE(dividerDrawn(), chapters > 0);
        if (card) {
            QVERIFY(s.h.click(QStringLiteral("descriptionToggle")));
            QTRY_COMPARE(int(QmlHarness::findAllIn(s.root, QStringLiteral("chapterRow")).size()), openRows);
            QCOMPARE(dividerDrawn(), chapters > 0);
        }
        // The open description stays open for the next video.
        s.rig.start(makeVideo(QStringLiteral("next")));
        QCOMPARE(s.model->descriptionOpen(), card);
    }

    // A click or a drag in the description leaves the player its keys:
    // Space plays and pauses, Escape minimises; a selection is copied.
    void keysPastTheDescription_data()
    {
        QTest::addColumn<int>("drag"); // pixels across the text; 0 a click
        QTest::newRow("click") << 0;
        QTest::newRow("drag across") << 80;
    }

    void keysPastTheDescription()
    {
        QFETCH(int, drag);
        Details s(makeVideo(QStringLiteral("keys")));
        VideoDetail d = detailOf(*s.rig.store.current());
        d.description = QStringLiteral("Una descripción que se puede seleccionar y copiar.");
        Probe::setDetail(s.rig.store, d);
        QTRY_COMPARE(s.shown("descriptionBlock"), 1);
        QQuickWindow *window = s.h.window();
        window->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(window));
        // Where the text lands once the detail has laid the list out.
        QQuickItem *block = QmlHarness::shownItems(s.root, QStringLiteral("descriptionBlock")).first();
        // Still for a while: the list is laid out again as parts arrive.
        QPointF at;
        QVERIFY(TestTime::waitFor([&] {
            at = block->mapToScene(QPointF(2, block->height() / 2));
            QTest::qWait(150);
            return at == block->mapToScene(QPointF(2, block->height() / 2));
        }));
        if (drag > 0)
            QmlHarness::drag(window, at.toPoint(), QPoint(drag, 0));
        else
            QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, at.toPoint());
        QVERIFY(block->hasActiveFocus());
        if (drag > 0) {
            Pasteboard::shared().setString(QStringLiteral("antes"));
            QTest::keyClick(window, Qt::Key_C, Qt::ControlModifier);
            QVERIFY(!block->property("selectedText").toString().isEmpty());
            QCOMPARE(Pasteboard::shared().string(), block->property("selectedText").toString());
        }
        const bool playing = s.rig.store.isPlaying();
        QTest::keyClick(window, Qt::Key_Space);
        QCOMPARE(s.rig.store.isPlaying(), !playing);
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(!s.rig.store.expanded());
    }

    // A description of 100,000 characters opens as blocks that each stay
    // small enough to draw, together the whole text.
    void longDescription()
    {
        Details s(makeVideo(QStringLiteral("long")));
        VideoDetail d = detailOf(*s.rig.store.current());
        d.description = QStringLiteral("Cero.\n");
        while (d.description.size() < 100000)
            d.description += QStringLiteral("Una descripción muy larga que sigue y sigue sin acabar. ");
        Probe::setDetail(s.rig.store, d);
        QTRY_COMPARE(s.shown("descriptionCard"), 1);
        // Closed: three lines, whatever the first block holds.
        QQuickItem *text = QmlHarness::findIn(s.root, QStringLiteral("descriptionText"));
        const qreal closed = text->height();
        QVERIFY(closed > 0 && closed < 80);

        QVERIFY(s.h.click(QStringLiteral("descriptionToggle")));
        QTRY_VERIFY(text->height() > 20 * closed);
        const QList<QQuickItem *> blocks = QmlHarness::findAllIn(s.root, QStringLiteral("descriptionBlock"));
        QVERIFY(blocks.size() > 40);
        QString whole;
        for (QQuickItem *block : blocks) {
            QVERIFY(block->height() < 2048);
            whole += (whole.isEmpty() ? QString() : QStringLiteral("\n")) + block->property("text").toString();
        }
        // The one line break of the text is where the first block ends; the
        // others end after a space.
        QCOMPARE(whole.replace(QStringLiteral(" \n"), QStringLiteral(" ")), d.description);
    }

    void channelRow_data()
    {
        QTest::addColumn<bool>("withId");
        QTest::newRow("with an id") << true;
        QTest::newRow("without") << false;
    }

    void channelRow()
    {
        QFETCH(bool, withId);
        Video v = makeVideo(QStringLiteral("c"));
        if (withId)
            v.channelId = QStringLiteral("UCc");
        Details s(v);
        QCOMPARE(s.shown("subscribeButton"), withId ? 1 : 0);
        Orientation::clearHistory();
        const DoubleClickTime doubleClick(2000);
        QVERIFY(s.h.click(QStringLiteral("channelRow")));
        QCOMPARE(s.rig.store.expanded(), !withId);
        QCOMPARE(s.rig.router.homePath().size(), withId ? 1 : 0);
        // The channel comes in under the pointer: a double click's second
        // press opens nothing more.
        QVERIFY(s.h.click(QStringLiteral("channelRow")));
        QTest::qWait(50);
        QCOMPARE(s.rig.router.homePath().size(), withId ? 1 : 0);
        QCOMPARE(Orientation::history(), withId ? QList<int>{Orientation::Portrait} : QList<int>{});
        if (withId) {
            QVERIFY(s.h.click(QStringLiteral("subscribeButton")));
            QVERIFY(s.rig.library->isSubscribed(QStringLiteral("UCc")));
            QCOMPARE(Haptics::shared().given(), QStringList{QStringLiteral("success")});
        }
    }

    // A link's placeholder stores nothing until its detail has come.
    void placeholderPills()
    {
        Video v = makeVideo(QStringLiteral("p"));
        v.title = PlayerStore::placeholderTitle;
        Details s(v);
        for (const char *pill : {"likePill", "laterPill", "playlistPill"}) {
            QVERIFY(!s.h.click(QString::fromLatin1(pill)));
            QVERIFY(!s.h.find(QString::fromLatin1(pill))->isEnabled());
        }
        s.model->toggleLike();
        QVERIFY(s.rig.library->liked().isEmpty());
        Probe::setDetail(s.rig.store, detailOf(v));
        QVERIFY(s.h.click(QStringLiteral("playlistPill")));
        QCOMPARE(s.rig.router.playlistVideo()->id, v.id);
    }

    // A detail that failed for good is not loading: the video's own texts,
    // no spinner, and the error with its retry, which asks again.
    void failedDetail_data()
    {
        QTest::addColumn<bool>("placeholder");
        QTest::newRow("from a card") << false;
        QTest::newRow("from a link") << true;
    }

    void failedDetail()
    {
        QFETCH(bool, placeholder);
        Video v = makeVideo(QStringLiteral("nodetail"));
        if (placeholder)
            v.title = PlayerStore::placeholderTitle;
        Details s(v); // the backend knows no such video
        QVERIFY(s.rig.store.detailState().isFailed());
        QVERIFY(s.model->detailFailed());
        QVERIFY(!s.model->relatedPending());
        QCOMPARE(s.model->title(), placeholder ? QString() : v.title);
        QCOMPARE(s.model->channelName(), v.channel);
        QCOMPARE(s.shown("relatedSpinner"), 0);
        QCOMPARE(s.shown("detailsError"), 1);
        QVERIFY(s.h.click(QStringLiteral("retryButton")));
        QVERIFY(s.rig.store.detailState().isLoading());
        QVERIFY(s.model->relatedPending());
        QVERIFY(TestTime::waitFor([&] { return s.rig.store.detailState().isFailed(); }, 8000));
    }

    // The video's own channel is hidden, and its related videos go at once.
    void hideChannel_data()
    {
        QTest::addColumn<QString>("channel");
        QTest::newRow("named") << "Canal h";
        QTest::newRow("no name") << "";
    }

    void hideChannel()
    {
        QFETCH(QString, channel);
        Video v = makeVideo(QStringLiteral("h"));
        v.channel = channel;
        Details s(v);
        Video other = makeVideo(QStringLiteral("o"));
        Video same = makeVideo(QStringLiteral("s"));
        same.channel = QStringLiteral("Canal h");
        Probe::setRelated(s.rig.store, {same, other});
        Probe::setToast(s.rig.store, std::nullopt);
        QTRY_COMPARE(s.model->related()->count(), 2);
        s.model->hideChannel();
        QCOMPARE(s.model->related()->count(), channel.isEmpty() ? 2 : 1);
        QCOMPARE(s.rig.store.toast(), channel.isEmpty() ? std::nullopt : std::optional(QStringLiteral("Canal oculto: Canal h")));
    }

    void shareAtTime_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<double>("at");
        QTest::addColumn<QString>("label"); // empty: no time item
        QTest::addColumn<QString>("link");
        QTest::newRow("83.9 s") << "dQw4w9WgXcQ" << 83.9 << "Compartir desde 1:23" << "https://youtu.be/dQw4w9WgXcQ?t=83";
        QTest::newRow("0.4 s") << "dQw4w9WgXcQ" << 0.4 << "Compartir desde 0:00" << "https://youtu.be/dQw4w9WgXcQ?t=0";
        QTest::newRow("no URL") << "a b" << 5.0 << "" << "";
    }

    void shareAtTime()
    {
        QFETCH(QString, id);
        QFETCH(double, at);
        QFETCH(QString, label);
        QFETCH(QString, link);
        Rig rig;
        ShareAtTimeModel share;
        share.setPlayer(&rig.store);
        share.setVideo(makeVideo(id));
        rig.store.setCurrentTime(at);
        QStringList ids;
        for (const QVariant &item : share.menuModel())
            ids << item.toMap().value(QStringLiteral("id")).toString();
        QCOMPARE(ids.contains(QLatin1String("shareAtTime")), !label.isEmpty());
        QCOMPARE(ids.size(), label.isEmpty() ? 2 : 4);
        if (!label.isEmpty()) {
            QCOMPARE(share.menuModel().at(1).toMap().value(QStringLiteral("title")).toString(), label);
            share.trigger(QStringLiteral("shareAtTime"));
            QCOMPARE(ShareSheet::shared().url().toString(), link);
            ShareSheet::shared().dismiss();
        }
        share.trigger(QStringLiteral("copyLink"));
        QCOMPARE(Pasteboard::shared().string(), QStringLiteral("https://youtu.be/") + id);
        QCOMPARE(rig.store.toast(), std::optional(QStringLiteral("Enlace copiado")));
        QCOMPARE(YouTubeLink::shortLinkAt(id, -3).right(4), QStringLiteral("?t=0"));
        QCOMPARE(YouTubeLink::shortLinkAt(id, qQNaN()).right(4), QStringLiteral("?t=0"));
    }
};

QTEST_MAIN(TestPlayerDetails)
#include "tst_playerdetails.moc"
