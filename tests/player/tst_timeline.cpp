// The timeline row and its seek bar: the bar's geometry, the clocks and the
// chapter, scrubbing against the store (seek on release, the store's clock
// held meanwhile and freed on cancel) and the full-screen toggle.
#include "PlayerRig.h"
#include "ScrubberModel.h"
#include "TimelineModel.h"

#include <QSignalSpy>
#include <limits>

using namespace playertest;
using Mark = ScrubberModel::Mark;

Q_DECLARE_METATYPE(QList<Mark>)
Q_DECLARE_METATYPE(std::optional<Mark>)
Q_DECLARE_METATYPE(std::optional<double>)

namespace {

const QByteArray kRow = R"(
import QtQuick
import Nimbelora.Playback
import Nimbelora.Player
Item {
    required property PlayerStore player
    property bool landscape: false
    property int interactions: 0
    TimelineControls {
        objectName: "timeline"
        x: 15; y: 100; width: 400
        player: parent.player
        landscape: parent.landscape
        onInteract: parent.interactions++
    }
}
)";

bool near(double a, double b) { return std::abs(a - b) < 0.01; }

QList<Chapter> chapters(std::initializer_list<std::pair<qint64, const char *>> list)
{
    QList<Chapter> out;
    for (const auto &[start, title] : list)
        out.append({start, QString::fromUtf8(title)});
    return out;
}

VideoDetail detailWith(const QString &id, QList<Chapter> chapterList)
{
    VideoDetail d;
    d.id = id;
    d.title = QStringLiteral("Vídeo ") + id;
    d.duration = 600;
    d.chapters = std::move(chapterList);
    return d;
}

// The row over the rig's store, loaded.
#define LOAD_ROW                                                                                                       \
    QmlHarness h;                                                                                                      \
    QQuickItem *root = h.loadSource(kRow, {{QStringLiteral("player"), qmlObject(&rig.store)}});                        \
    QVERIFY2(root, qPrintable(h.errors()))

} // namespace

class TestTimeline : public PlayerTestCase
{
    Q_OBJECT

    // A point on the bar of the loaded row, at `fraction` of its width.
    static QPoint onBar(QmlHarness &h, double fraction)
    {
        QQuickItem *touch = h.find(QStringLiteral("scrubberTouch"));
        return touch->mapToScene(QPointF(touch->width() * fraction, touch->height() / 2)).toPoint();
    }

private slots:

    void fraction_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("duration");
        QTest::addColumn<double>("fraction");
        QTest::newRow("nothing loaded") << 30.0 << 0.0 << 0.0;
        QTest::newRow("half") << 300.0 << 600.0 << 0.5;
        QTest::newRow("past the end is full") << 700.0 << 600.0 << 1.0;
        QTest::newRow("negative is empty") << -1.0 << 600.0 << 0.0;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 600.0 << 0.0;
    }

    void fraction()
    {
        QFETCH(double, value);
        QFETCH(double, duration);
        QFETCH(double, fraction);
        QCOMPARE(ScrubberModel::fractionOf(value, duration), fraction);
    }

    // The thumb never leaves the bar.
    void thumb_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<double>("thumb");
        QTest::addColumn<double>("x");
        QTest::newRow("start") << 400.0 << 0.0 << 12.0 << 0.0;
        QTest::newRow("middle") << 400.0 << 0.5 << 12.0 << 194.0;
        QTest::newRow("end") << 400.0 << 1.0 << 12.0 << 388.0;
        QTest::newRow("dragging, near the end") << 400.0 << 0.99 << 20.0 << 380.0;
        QTest::newRow("near the start") << 400.0 << 0.01 << 20.0 << 0.0;
    }

    void thumb()
    {
        QFETCH(double, width);
        QFETCH(double, fraction);
        QFETCH(double, thumb);
        QFETCH(double, x);
        QCOMPARE(ScrubberModel::thumbXFor(width, fraction, thumb), x);
    }

    void timeAt_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("duration");
        QTest::addColumn<double>("t");
        QTest::newRow("a quarter") << 100.0 << 400.0 << 600.0 << 150.0;
        QTest::newRow("left of the bar pins to 0") << -40.0 << 400.0 << 600.0 << 0.0;
        QTest::newRow("right of the bar pins to the end") << 900.0 << 400.0 << 600.0 << 600.0;
        QTest::newRow("nothing loaded") << 200.0 << 400.0 << 0.0 << 0.0;
        QTest::newRow("no width yet") << 0.5 << 0.0 << 600.0 << 300.0;
    }

    void timeAt()
    {
        QFETCH(double, x);
        QFETCH(double, width);
        QFETCH(double, duration);
        QFETCH(double, t);
        QCOMPARE(ScrubberModel::timeAt(x, width, duration), t);
    }

    void segmentMarks_data()
    {
        QTest::addColumn<QList<SponsorSegment>>("segments");
        QTest::addColumn<double>("duration");
        QTest::addColumn<QList<Mark>>("marks");
        const QList<SponsorSegment> two{{60, 120, QStringLiteral("sponsor")}, {300, 300.5, QStringLiteral("intro")}};
        QTest::newRow("in list order, short ones 2 wide")
            << two << 600.0 << QList<Mark>{{40, 40}, {200, 2}};
        QTest::newRow("nothing loaded: none") << two << 0.0 << QList<Mark>{};
        QTest::newRow("no segments") << QList<SponsorSegment>{} << 600.0 << QList<Mark>{};
    }

    void segmentMarks()
    {
        QFETCH(QList<SponsorSegment>, segments);
        QFETCH(double, duration);
        QFETCH(QList<Mark>, marks);
        QCOMPARE(ScrubberModel::segmentMarksFor(segments, duration, 400), marks);
    }

    void loopBand_data()
    {
        QTest::addColumn<std::optional<double>>("a");
        QTest::addColumn<std::optional<double>>("b");
        QTest::addColumn<double>("duration");
        QTest::addColumn<std::optional<Mark>>("band");
        QTest::newRow("A to B") << std::optional<double>(150) << std::optional<double>(300) << 600.0
                                << std::optional<Mark>(Mark{100, 100});
        QTest::newRow("a lone A is a 3-wide marker") << std::optional<double>(150) << std::optional<double>() << 600.0
                                                     << std::optional<Mark>(Mark{100, 3});
        QTest::newRow("a short loop is 3 wide") << std::optional<double>(150) << std::optional<double>(151) << 600.0
                                                << std::optional<Mark>(Mark{100, 3});
        QTest::newRow("no A, no band") << std::optional<double>() << std::optional<double>(300) << 600.0
                                       << std::optional<Mark>();
        QTest::newRow("nothing loaded") << std::optional<double>(150) << std::optional<double>(300) << 0.0
                                        << std::optional<Mark>();
    }

    void loopBand()
    {
        QFETCH(std::optional<double>, a);
        QFETCH(std::optional<double>, b);
        QFETCH(double, duration);
        QFETCH(std::optional<Mark>, band);
        QCOMPARE(ScrubberModel::loopBandFor(a, b, duration, 400), band);
    }

    void chapterTicks_data()
    {
        QTest::addColumn<QList<Chapter>>("list");
        QTest::addColumn<double>("duration");
        QTest::addColumn<QList<double>>("ticks");
        QTest::newRow("none") << QList<Chapter>{} << 600.0 << QList<double>{};
        QTest::newRow("one chapter, no tick") << chapters({{0, "Intro"}}) << 600.0 << QList<double>{};
        QTest::newRow("all but the first") << chapters({{0, "Intro"}, {150, "Dos"}, {450, "Tres"}}) << 600.0
                                           << QList<double>{100, 300};
        QTest::newRow("the first in the list, whatever its start")
            << chapters({{150, "Dos"}, {0, "Intro"}}) << 600.0 << QList<double>{0};
        QTest::newRow("nothing loaded") << chapters({{0, "Intro"}, {150, "Dos"}}) << 0.0 << QList<double>{};
    }

    void chapterTicks()
    {
        QFETCH(QList<Chapter>, list);
        QFETCH(double, duration);
        QFETCH(QList<double>, ticks);
        QCOMPARE(ScrubberModel::chapterTicksFor(list, duration, 400), ticks);
    }

    void currentChapter_data()
    {
        QTest::addColumn<QList<Chapter>>("list");
        QTest::addColumn<double>("time");
        QTest::addColumn<QString>("title"); // empty: none
        const QList<Chapter> three = chapters({{10, "Uno"}, {60, "Dos"}, {120, "Tres"}});
        QTest::newRow("no chapters") << QList<Chapter>{} << 50.0 << "";
        QTest::newRow("before the first") << three << 9.5 << "";
        QTest::newRow("at a start") << three << 60.0 << "Dos";
        QTest::newRow("inside the last") << three << 500.0 << "Tres";
        QTest::newRow("one chapter once reached") << chapters({{5, "Solo"}}) << 5.0 << "Solo";
        QTest::newRow("stored order, not sorted") << chapters({{120, "Tres"}, {10, "Uno"}}) << 130.0 << "Uno";
    }

    void currentChapter()
    {
        QFETCH(QList<Chapter>, list);
        QFETCH(double, time);
        QFETCH(QString, title);
        QCOMPARE(TimelineModel::chapterAt(list, time).value_or(QString()), title);
    }

    void remaining_data()
    {
        QTest::addColumn<double>("current");
        QTest::addColumn<double>("duration");
        QTest::addColumn<QString>("text");
        QTest::newRow("running") << 61.0 << 600.0 << "-8:59";
        QTest::newRow("at the end") << 600.0 << 600.0 << "-0:00";
        QTest::newRow("past the end") << 640.0 << 600.0 << "-0:00";
        QTest::newRow("hours") << 0.0 << 3725.0 << "-1:02:05";
    }

    void remaining()
    {
        QFETCH(double, current);
        QFETCH(double, duration);
        QFETCH(QString, text);
        QCOMPARE(TimelineModel::remainingFor(current, duration), text);
    }

    // The bar drawn from the store's fields.
    void barFromTheStore()
    {
        Rig rig;
        rig.start(makeVideo(QStringLiteral("g")));
        PlayerStoreProbe::setDetail(rig.store, detailWith(QStringLiteral("g"), chapters({{0, "A"}, {300, "Introducción"}})));
        PlayerStoreProbe::setSegments(rig.store, {{60, 120, QStringLiteral("sponsor")}});
        PlayerStoreProbe::setLoopA(rig.store, 150.0);
        rig.store.setLoopB(300.0);
        LOAD_ROW;
        auto *geo = h.find(QStringLiteral("scrubber"))->property("geometry").value<ScrubberModel *>();
        QCOMPARE(geo->chapterTicks(), QList<double>{200});
        QCOMPARE(geo->segmentMarks(), (QList<Mark>{{40, 40}}));
        QCOMPARE(h.find(QStringLiteral("sponsorMarks"))->property("count").toInt(), 1);
        QCOMPARE(h.find(QStringLiteral("loopBand"))->width(), 100.0);
        rig.store.seek(330);
        QQuickItem *chapter = h.find(QStringLiteral("chapterTitle"));
        QCOMPARE(chapter->property("text").toString(), QStringLiteral("· Introducción"));
        QTRY_VERIFY(chapter->width() >= chapter->implicitWidth()); // the row has room: no ellipsis
        QCOMPARE(h.find(QStringLiteral("elapsedTime"))->property("text").toString(), QStringLiteral("5:30"));
        QCOMPARE(h.find(QStringLiteral("remainingTime"))->property("text").toString(), QStringLiteral("-4:30"));
        // Animated: it lands near, not always exactly on, the value.
        QTRY_VERIFY(near(h.find(QStringLiteral("scrubberPlayed"))->width(), 220));
    }

    // Press, drag, release: the store's clock holds while the finger moves,
    // the release seeks where it ended, and the clock runs again.
    void scrubSeeksOnRelease()
    {
        Rig rig;
        rig.start(makeVideo(QStringLiteral("s")));
        PlayerStoreProbe::setDetail(rig.store, detailWith(QStringLiteral("s"), chapters({{0, "A"}, {300, "B"}})));
        rig.store.seek(30);
        rig.engine->clearRecord();
        LOAD_ROW;
        QQuickItem *thumb = h.find(QStringLiteral("scrubberThumb"));
        QQuickItem *bubble = h.find(QStringLiteral("scrubBubble"));

        QTest::mousePress(h.window(), Qt::LeftButton, {}, onBar(h, 0.25));
        QVERIFY(rig.store.isScrubbing());
        QTRY_VERIFY(near(thumb->width(), 20));
        QTest::mouseMove(h.window(), onBar(h, 0.6));
        QTest::mouseMove(h.window(), onBar(h, 0.5));
        QCOMPARE(h.find(QStringLiteral("timeline"))->property("model").value<TimelineModel *>()->scrubText(),
                 QStringLiteral("5:00"));
        QTRY_VERIFY(bubble->isVisible());
        // The clock and the chapter keep the playback position.
        rig.engine->advance(2);
        QCOMPARE(rig.store.currentTime(), 30.0);
        QCOMPARE(h.find(QStringLiteral("elapsedTime"))->property("text").toString(), QStringLiteral("0:30"));
        QCOMPARE(h.find(QStringLiteral("chapterTitle"))->property("text").toString(), QStringLiteral("· A"));
        QVERIFY(rig.engine->seeks().isEmpty());

        QTest::mouseRelease(h.window(), Qt::LeftButton, {}, onBar(h, 0.75));
        QCOMPARE(rig.engine->seeks().size(), 1);
        QCOMPARE(rig.engine->seeks().first().target, 450.0);
        QCOMPARE(rig.store.currentTime(), 450.0);
        QVERIFY(!rig.store.isScrubbing());
        QCOMPARE(root->property("interactions").toInt(), 1);
        QTRY_VERIFY(near(thumb->width(), 12));
        QTRY_VERIFY(!bubble->isVisible());
        // One haptic for the whole drag.
        QCOMPARE(Haptics::shared().given(), QStringList{"light"});
    }

    // A drag taken away before its release seeks nowhere and frees the clock.
    void cancelledScrubFreesTheClock()
    {
        Rig rig;
        rig.start(makeVideo(QStringLiteral("c")));
        rig.engine->clearRecord();
        LOAD_ROW;
        QTest::mousePress(h.window(), Qt::LeftButton, {}, onBar(h, 0.5));
        QTest::mouseMove(h.window(), onBar(h, 0.7));
        QVERIFY(rig.store.isScrubbing());
        h.find(QStringLiteral("scrubberTouch"))->ungrabMouse();
        QVERIFY(!rig.store.isScrubbing());
        QVERIFY(rig.engine->seeks().isEmpty());
        QCOMPARE(root->property("interactions").toInt(), 0);
        auto *model = h.find(QStringLiteral("timeline"))->property("model").value<TimelineModel *>();
        QVERIFY(!model->scrubValue());
        QTest::mouseRelease(h.window(), Qt::LeftButton, {}, onBar(h, 0.7));
        QVERIFY(rig.engine->seeks().isEmpty());
        // The store publishes the playback time again.
        rig.engine->advance(1);
        QVERIFY(rig.store.currentTime() > 0.5);
    }

    // The row goes away under the finger: the clock must not stay held.
    void rowGoneMidScrub()
    {
        Rig rig;
        rig.start(makeVideo(QStringLiteral("g")));
        auto h = std::make_unique<QmlHarness>();
        QVERIFY2(h->loadSource(kRow, {{QStringLiteral("player"), qmlObject(&rig.store)}}), qPrintable(h->errors()));
        QTest::mousePress(h->window(), Qt::LeftButton, {}, onBar(*h, 0.5));
        QVERIFY(rig.store.isScrubbing());
        h.reset();
        QVERIFY(!rig.store.isScrubbing());
        rig.engine->advance(1);
        QVERIFY(rig.store.currentTime() > 0.5);
    }

    void scrubWithNothingLoaded()
    {
        Rig rig;
        rig.store.play(makeVideo(QStringLiteral("z"), 0), std::nullopt, true);
        Defaults::shared().setValue(Pref::haptics, false);
        QCOMPARE(rig.store.duration(), 0.0);
        LOAD_ROW;
        QTest::mouseClick(h.window(), Qt::LeftButton, {}, onBar(h, 0.8));
        QCOMPARE(rig.engine->seeks().size(), 1);
        QCOMPARE(rig.engine->seeks().first().target, 0.0);
        QCOMPARE(Haptics::shared().given(), QStringList{});
    }

    // Portrait asks for landscape (the window goes full screen); landscape
    // asks for portrait, then frees rotation again 0.6 s later.
    void fullScreenToggle()
    {
        Rig rig;
        rig.start(makeVideo(QStringLiteral("f")));
        LOAD_ROW;
        Orientation::clearHistory();
        QQuickItem *icon = h.find(QStringLiteral("fullScreenIcon"));
        QCOMPARE(icon->property("name").toString(), QStringLiteral("arrow.up.left.and.arrow.down.right"));
        QVERIFY(h.click(QStringLiteral("fullScreenButton")));
        QCOMPARE(Orientation::history(), QList<int>{24});
        QTRY_VERIFY(h.window()->windowStates() & Qt::WindowFullScreen);

        root->setProperty("landscape", true);
        QCOMPARE(icon->property("name").toString(), QStringLiteral("arrow.down.right.and.arrow.up.left"));
        QVERIFY(h.click(QStringLiteral("fullScreenButton")));
        QCOMPARE(Orientation::history(), (QList<int>{24, 2}));
        QTRY_VERIFY(!(h.window()->windowStates() & Qt::WindowFullScreen));
        QTRY_COMPARE(Orientation::history(), (QList<int>{24, 2, 26}));
    }
};

QTEST_MAIN(TestTimeline)
#include "tst_timeline.moc"
