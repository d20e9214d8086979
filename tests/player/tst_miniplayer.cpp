// The docked mini player: the drag and tap rules, the progress line, the
// buttons, and the bar as the user handles it.
#include "MiniPlayerModel.h"
#include "PlayerRig.h"

#include <QSignalSpy>

using namespace playertest;

namespace {

const QUrl kBar(QStringLiteral("qrc:/Nimbelora/Player/qml/MiniPlayerBar.qml"));

QString symbolName(QQuickItem *symbol) { return symbol ? symbol->property("name").toString() : QString(); }

} // namespace

class TestMiniPlayer : public PlayerTestCase
{
    Q_OBJECT

private slots:

    // A touch on the bar, as moves from where it went down and the release.
    void touches_data()
    {
        QTest::addColumn<QList<QPointF>>("moves");
        QTest::addColumn<QPointF>("release");
        QTest::addColumn<QString>("outcome"); // "stop", "spring back" or "tap"
        QTest::newRow("110 right springs back") << QList<QPointF>{{30, 0}, {110, 0}} << QPointF(110, 0) << "spring back";
        QTest::newRow("110 left springs back") << QList<QPointF>{{-30, 0}, {-110, 0}} << QPointF(-110, 0) << "spring back";
        QTest::newRow("110.5 right stops") << QList<QPointF>{{30, 0}, {110.5, 0}} << QPointF(110.5, 0) << "stop";
        QTest::newRow("110.5 left stops") << QList<QPointF>{{-30, 0}, {-110.5, 0}} << QPointF(-110.5, 0) << "stop";
        QTest::newRow("the release decides") << QList<QPointF>{{200, 0}} << QPointF(90, 0) << "spring back";
        QTest::newRow("a press is a tap") << QList<QPointF>{} << QPointF(0, 0) << "tap";
        QTest::newRow("a move under 24 is a tap") << QList<QPointF>{{20, 10}} << QPointF(20, 10) << "tap";
        QTest::newRow("mostly vertical drags") << QList<QPointF>{{10, 40}} << QPointF(10, 60) << "spring back";
        QTest::newRow("vertical does not stop") << QList<QPointF>{{20, 200}} << QPointF(20, 300) << "spring back";
    }

    void touches()
    {
        QFETCH(QList<QPointF>, moves);
        QFETCH(QPointF, release);
        QFETCH(QString, outcome);
        Rig rig;
        rig.start(makeVideo(QStringLiteral("m")));
        rig.store.setPresented(false);
        Orientation::clearHistory();
        MiniPlayerModel model;
        model.setPlayer(&rig.store);

        model.press();
        for (const QPointF &m : moves) {
            model.move(m.x(), m.y());
            if (model.dragging()) // only the sideways part moves the bar
                QCOMPARE(model.dragX(), m.x());
        }
        model.release(release.x(), release.y());

        QCOMPARE(model.dragging(), false);
        QCOMPARE(model.dragX(), 0.0);
        QCOMPARE(rig.store.current().has_value(), outcome != QLatin1String("stop"));
        QCOMPARE(rig.store.expanded(), outcome == QLatin1String("tap"));
        // Stopping a collapsed player leaves the orientation alone.
        QCOMPARE(Orientation::history(), outcome == QLatin1String("tap") ? QList<int>{26} : QList<int>{});
        QCOMPARE(model.springingBack(), outcome == QLatin1String("spring back"));
        QCOMPARE(Haptics::shared().given(), outcome == QLatin1String("stop") ? QStringList{"light"} : QStringList{});
    }

    void touchesWithoutHapticsAndCancel()
    {
        Rig rig;
        rig.start(makeVideo(QStringLiteral("h")));
        rig.store.setPresented(false);
        Defaults::shared().setValue(Pref::haptics, false);
        MiniPlayerModel model;
        model.setPlayer(&rig.store);
        model.press();
        model.move(130, 0);
        // Taken away by the system: the bar goes back and nothing happens.
        model.cancel();
        QCOMPARE(model.dragX(), 0.0);
        QVERIFY(rig.store.current());
        model.release(130, 0);
        QVERIFY(!rig.store.expanded());

        model.press();
        model.release(-200, 0);
        QVERIFY(!rig.store.current());
        QCOMPARE(Haptics::shared().given(), QStringList{});
    }

    void opacity_data()
    {
        QTest::addColumn<double>("dragX");
        QTest::addColumn<double>("opacity");
        QTest::newRow("at rest") << 0.0 << 1.0;
        QTest::newRow("150") << 150.0 << 0.5;
        QTest::newRow("-150") << -150.0 << 0.5;
        QTest::newRow("180") << 180.0 << 0.4;
        QTest::newRow("never below 0.4") << 900.0 << 0.4;
    }

    void opacity()
    {
        QFETCH(double, dragX);
        QFETCH(double, opacity);
        QVERIFY(qFuzzyCompare(MiniPlayerModel::opacityFor(dragX), opacity));
    }

    void progress_data()
    {
        QTest::addColumn<double>("current");
        QTest::addColumn<double>("duration");
        QTest::addColumn<double>("fraction");
        QTest::newRow("unknown length") << 30.0 << 0.0 << 0.0;
        QTest::newRow("negative length") << 30.0 << -5.0 << 0.0;
        QTest::newRow("a quarter") << 30.0 << 120.0 << 0.25;
        QTest::newRow("past the end is full") << 130.0 << 120.0 << 1.0;
        QTest::newRow("before the start is empty") << -3.0 << 120.0 << 0.0;
    }

    void progress()
    {
        QFETCH(double, current);
        QFETCH(double, duration);
        QFETCH(double, fraction);
        QCOMPARE(MiniPlayerModel::progress(current, duration), fraction);
    }

    // The line's ends follow the bar's corners; the fill is cut where it ends.
    void progressOutline_data()
    {
        QTest::addColumn<double>("fill");
        QTest::addColumn<QList<QPointF>>("outline");
        // A 400 × 2 line in corners of radius 20: the corner meets its top
        // 11.28 in and its bottom 20 in.
        const double x0 = 20 - std::sqrt(20.0 * 20 - 18 * 18);
        QTest::newRow("nothing") << 0.0 << QList<QPointF>{};
        QTest::newRow("inside the left corner") << 5.0 << QList<QPointF>{};
        QTest::newRow("half way down the left corner")
            << (x0 + 20) / 2 << QList<QPointF>{{x0, 0}, {(x0 + 20) / 2, 0}, {(x0 + 20) / 2, 1}, {x0, 0}};
        QTest::newRow("the middle")
            << 200.0 << QList<QPointF>{{x0, 0}, {200, 0}, {200, 2}, {20, 2}, {x0, 0}};
        QTest::newRow("into the right corner")
            << 400 - (x0 + 20) / 2
            << QList<QPointF>{{x0, 0}, {400 - (x0 + 20) / 2, 0}, {400 - (x0 + 20) / 2, 1}, {380, 2}, {20, 2}, {x0, 0}};
        QTest::newRow("full")
            << 400.0 << QList<QPointF>{{x0, 0}, {400 - x0, 0}, {380, 2}, {20, 2}, {x0, 0}};
    }

    void progressOutline()
    {
        QFETCH(double, fill);
        QFETCH(QList<QPointF>, outline);
        const QList<QPointF> got = MiniPlayerModel::progressOutline(400, 2, 20, fill);
        QCOMPARE(got.size(), outline.size());
        for (qsizetype i = 0; i < got.size(); ++i)
            QVERIFY2(std::abs(got[i].x() - outline[i].x()) < 1e-9 && std::abs(got[i].y() - outline[i].y()) < 1e-9,
                     qPrintable(QStringLiteral("point %1").arg(i)));
        // Square ends without corners.
        QCOMPARE(MiniPlayerModel::progressOutline(400, 2, 0, 100),
                 (QList<QPointF>{{0, 0}, {100, 0}, {100, 2}, {0, 2}, {0, 0}}));
    }

    void tapWhileOpenDoesNothing()
    {
        Rig rig;
        rig.start(makeVideo(QStringLiteral("t")));
        QVERIFY(rig.store.expanded());
        Orientation::clearHistory();
        MiniPlayerModel model;
        model.setPlayer(&rig.store);
        QSignalSpy spy(&rig.store, &PlayerStore::expandedChanged);
        model.tap();
        QCOMPARE(spy.size(), 0);
        QCOMPARE(Orientation::history(), QList<int>{});
    }

    void barFollowsTheStore()
    {
        Rig rig;
        QmlHarness h;
        QQuickItem *bar = h.load(kBar, {{QStringLiteral("player"), qmlObject(&rig.store)}});
        QVERIFY2(bar, qPrintable(h.errors()));
        // No video: the bar takes no room.
        QCOMPARE(bar->implicitHeight(), 0.0);

        rig.start(makeVideo(QStringLiteral("b")));
        rig.store.setPresented(false);
        QCOMPARE(bar->implicitHeight(), 71.0);
        QCOMPARE(h.find("miniPlayerTitle")->property("text").toString(), QStringLiteral("Vídeo b"));
        QCOMPARE(h.find("miniPlayerChannel")->property("text").toString(), QStringLiteral("Canal b"));
        QTRY_COMPARE(h.find("miniPlayerContent")->opacity(), 1.0);

        // Play / pause follows the store, not the last tap.
        QVERIFY(rig.store.isPlaying());
        QCOMPARE(symbolName(h.find("miniPlayPauseIcon")), QStringLiteral("pause.fill"));
        rig.engine->pause();
        QCOMPARE(symbolName(h.find("miniPlayPauseIcon")), QStringLiteral("play.fill"));
        QVERIFY(h.click("miniPlayPause"));
        QTRY_VERIFY(rig.store.isPlaying());
        QCOMPARE(Haptics::shared().given(), QStringList{"light"});

        // Next when something is queued, else close.
        QCOMPARE(symbolName(h.find("miniTrailingIcon")), QStringLiteral("xmark"));
        rig.store.enqueue(makeVideo(QStringLiteral("q")));
        QCOMPARE(symbolName(h.find("miniTrailingIcon")), QStringLiteral("forward.fill"));
        QVERIFY(h.click("miniTrailing"));
        QCOMPARE(rig.store.current()->id, QStringLiteral("q"));
        QVERIFY(rig.store.queue().isEmpty());
        rig.store.setPresented(false);
        QCOMPARE(symbolName(h.find("miniTrailingIcon")), QStringLiteral("xmark"));
        QVERIFY(h.click("miniTrailing"));
        QVERIFY(!rig.store.current());
        QCOMPARE(bar->implicitHeight(), 0.0);
    }

    // Docked as a tab stack docks it: stopped, the bar slides down from its place.
    void slidesOutWhenStopped()
    {
        Rig rig;
        QmlHarness h;
        QVERIFY2(h.loadSource("import QtQuick\nimport Nimbelora.Player\nItem { property alias player: bar.player\n"
                              "MiniPlayerBar { id: bar; anchors.bottom: parent.bottom; width: parent.width; height: implicitHeight } }",
                              {{QStringLiteral("player"), qmlObject(&rig.store)}}), qPrintable(h.errors()));
        rig.start(makeVideo(QStringLiteral("s")));
        rig.store.setPresented(false);
        QQuickItem *content = h.find("miniPlayerContent");
        QTRY_COMPARE(content->mapToScene(QPointF()).y(), 932.0 - 71);
        bool slid = false;
        connect(content, &QQuickItem::yChanged, content, [&] {
            const qreal y = content->mapToScene(QPointF()).y();
            slid = slid || (content->isVisible() && y > 861 && y < 932);
        });
        rig.store.stop();
        QTRY_VERIFY(!content->isVisible());
        QVERIFY(slid);
    }

    void progressLine()
    {
        Rig rig;
        rig.start(makeVideo(QStringLiteral("l")));
        rig.store.setPresented(false);
        QmlHarness h;
        QVERIFY2(h.load(kBar, {{QStringLiteral("player"), qmlObject(&rig.store)}}), qPrintable(h.errors()));
        QQuickItem *fill = h.find("miniProgressFill");
        QQuickItem *line = h.find("miniProgress");
        QVERIFY(fill && line);
        rig.store.seek(150);
        QTRY_VERIFY(std::abs(fill->width() - line->width() / 4) < 0.01);
        PlayerStoreProbe::setDuration(rig.store, 0);
        QTRY_VERIFY(std::abs(fill->width()) < 0.01);

        // Covered by the full player the line jumps rather than glides, so
        // nothing redraws it every frame; it stays right when uncovered.
        PlayerStoreProbe::setDuration(rig.store, 600);
        rig.store.setPresented(true);
        QVERIFY(!line->property("animated").toBool());
        rig.store.seek(300);
        QCOMPARE(fill->width(), line->width() / 2);
        rig.store.setPresented(false);
        QVERIFY(line->property("animated").toBool());
    }

    // With the mouse: a tap opens the player, a long drag stops it.
    void handling()
    {
        Rig rig;
        rig.start(makeVideo(QStringLiteral("d")));
        rig.store.setPresented(false);
        Orientation::clearHistory();
        QmlHarness h;
        QQuickItem *bar = h.load(kBar, {{QStringLiteral("player"), qmlObject(&rig.store)}});
        QVERIFY2(bar, qPrintable(h.errors()));
        bar->setHeight(bar->implicitHeight());
        QQuickItem *content = h.find("miniPlayerContent");
        QTRY_VERIFY(std::abs(content->opacity() - 1.0) < 0.001);

        // On the title: a tap.
        QQuickItem *title = h.find("miniPlayerTitle");
        QVERIFY(h.click(title));
        QVERIFY(rig.store.expanded());
        QCOMPARE(Orientation::history(), QList<int>{26});
        rig.store.setPresented(false);

        const QPoint start = title->mapToScene(QPointF(title->width() / 2, title->height() / 2)).toPoint();
        QTest::mousePress(h.window(), Qt::LeftButton, {}, start);
        for (int dx = 10; dx <= 150; dx += 10)
            QTest::mouseMove(h.window(), start + QPoint(dx, 3));
        QCOMPARE(content->x(), 150.0);
        QVERIFY(qFuzzyCompare(content->opacity(), 0.5));
        QTest::mouseRelease(h.window(), Qt::LeftButton, {}, start + QPoint(150, 3));
        QVERIFY(!rig.store.current());
        QVERIFY(!rig.store.expanded());
    }

    // A closed player shows its picture in the bar; an open one leaves a
    // black box there.
    void surfaceInTheBar()
    {
        Rig rig;
        rig.start(makeVideo(QStringLiteral("s")));
        QmlHarness h;
        QVERIFY2(h.load(kBar, {{QStringLiteral("player"), qmlObject(&rig.store)}}), qPrintable(h.errors()));
        auto *host = h.find("miniSurfaceHost");
        QVERIFY(host);
        QVERIFY(!host->property("holding").toBool());
        rig.store.setPresented(false);
        QVERIFY(host->property("holding").toBool());
        QCOMPARE(rig.store.surface()->fillMode(), VideoSurface::AspectFill);
        QCOMPARE(rig.store.surface()->size(), QSizeF(84, 47));
        // The tab stack says another tab is on screen.
        h.root()->setProperty("active", false);
        QVERIFY(!host->property("holding").toBool());
    }
};

QTEST_MAIN(TestMiniPlayer)
#include "tst_miniplayer.moc"
