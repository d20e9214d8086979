// Touches on the video and the options menu, over a real store.
#include "AudioSession.h"
#include "PlayerGestureModel.h"
#include "PlayerOptionsModel.h"
#include "PlayerOverlayModel.h"
#include "PlayerRig.h"
#include "Screen.h"
#include "VolumeController.h"

using namespace playertest;

namespace {

// The sheet under a drag-to-close handler like the player cover's.
const QByteArray kCovered = R"(
import QtQuick
import Nimbelora.Player
Item {
    id: cover
    required property var player
    required property var library
    required property var router
    required property var avatars
    property real offset: 0
    PlayerSheet {
        objectName: "sheet"; anchors.fill: parent
        player: cover.player; library: cover.library; router: cover.router; avatars: cover.avatars
    }
    DragHandler {
        target: null; xAxis.enabled: false; grabPermissions: PointerHandler.ApprovesTakeOverByAnything
        onTranslationChanged: if (active) cover.offset = Math.max(cover.offset, translation.y)
    }
})";

struct Sheet
{
    QmlHarness h;
    PlayerOverlayModel *overlay = nullptr;
    PlayerGestureModel *gestures = nullptr;

    bool load(Rig &rig)
    {
        if (!h.loadSource(kCovered, rig.stores()))
            return false;
        overlay = h.find(QStringLiteral("sheet"))->property("overlay").value<PlayerOverlayModel *>();
        gestures = h.find(QStringLiteral("gestureLayer"))->property("model").value<PlayerGestureModel *>();
        // Out of the way: every touch lands on the video.
        overlay->setShowControls(false);
        return overlay && gestures;
    }
    QWindow *w() const { return h.window(); }
    // A point of the video area, by fractions of its size.
    QPoint at(double fx, double fy) const
    {
        QQuickItem *area = h.find(QStringLiteral("playerArea"));
        return area->mapToScene(QPointF(area->width() * fx, area->height() * fy)).toPoint();
    }
    void drag(QPoint from, QPoint by)
    {
        QTest::mousePress(w(), Qt::LeftButton, {}, from);
        for (int i = 1; i <= 10; ++i)
            QTest::mouseMove(w(), from + by * i / 10, 10);
        QTest::mouseRelease(w(), Qt::LeftButton, {}, from + by, 10);
    }
    // Clicks a menu row once its opening has settled.
    bool choose(const QString &name)
    {
        QQuickItem *row = nullptr;
        return QmlHarness::waitFor([&] { return (row = h.find(name)) && row->isVisible() && row->opacity() == 1; })
               && h.click(row);
    }
};

// The entries' titles as "title" or "parent/title", marked " ✓".
QStringList titles(const QList<MenuEntry> &entries, const QString &prefix = {})
{
    QStringList out;
    for (const auto &e : entries)
        out << prefix + e.title + (e.symbol == QLatin1String("checkmark") ? QStringLiteral(" ✓") : QString())
            << titles(e.children, prefix + e.title + QLatin1Char('/'));
    return out;
}

} // namespace

#define OPEN_SHEET(id)                                                                                                 \
    Rig rig;                                                                                                           \
    rig.start(makeVideo(QStringLiteral(id)));                                                                          \
    Sheet s;                                                                                                           \
    QVERIFY2(s.load(rig), qPrintable(s.h.errors()))

class TestPlayerGestures : public PlayerTestCase
{
    Q_OBJECT

    // Ours to delete, as QTest says.
    const std::unique_ptr<QPointingDevice> device{QTest::createTouchDevice()};
    QPointingDevice *const touch = device.get();

private slots:
    void init()
    {
        PlayerTestCase::init();
        Screen::shared().setBrightness(1);
        AudioSession::shared().setOutputVolume(1);
        VolumeController::setApplier({});
    }

    void decide_data()
    {
        QTest::addColumn<double>("dx");
        QTest::addColumn<double>("dy");
        QTest::addColumn<double>("startX");
        QTest::addColumn<int>("mode");
        QTest::newRow("diagonal") << 20.0 << 20.0 << 10.0 << 0;
        QTest::newRow("exactly 1.4 across") << 14.0 << 10.0 << 10.0 << 0;
        QTest::newRow("past 1.4 across") << 14.1 << -10.0 << 10.0 << 1;
        QTest::newRow("exactly 1.4 down") << 10.0 << 14.0 << 10.0 << 0;
        QTest::newRow("past 1.4 down") << -10.0 << 14.1 << 10.0 << 2;
        QTest::newRow("down, just left of the middle") << 0.0 << 20.0 << 214.9 << 2;
        QTest::newRow("up, at the middle") << 0.0 << -20.0 << 215.0 << 3;
    }

    void decide()
    {
        QFETCH(double, dx);
        QFETCH(double, dy);
        QFETCH(double, startX);
        QFETCH(int, mode);
        QCOMPARE(int(PlayerGestureModel::decide(dx, dy, startX, 430)), mode);
    }

    void scrub_data()
    {
        QTest::addColumn<double>("duration");
        QTest::addColumn<double>("dx");
        QTest::addColumn<double>("time"); // from 100 s
        QTest::addColumn<double>("bar");
        QTest::newRow("600 s: 0.18 s a point") << 600.0 << 100.0 << 118.0 << 118.0 / 600;
        QTest::newRow("601 s: 0.5 s a point") << 601.0 << 100.0 << 150.0 << 150.0 / 601;
        QTest::newRow("past the end") << 300.0 << 2000.0 << 300.0 << 1.0;
        QTest::newRow("past the start") << 300.0 << -2000.0 << 0.0 << 0.0;
        QTest::newRow("no length") << 0.0 << 100.0 << 100.0 << 0.0;
    }

    // Scrubs the published time only; the seek comes at the end, once.
    void scrub()
    {
        QFETCH(double, duration);
        QFETCH(double, dx);
        QFETCH(double, time);
        QFETCH(double, bar);
        Rig rig;
        rig.start(makeVideo(QStringLiteral("s")));
        rig.store.seek(100);
        PlayerStoreProbe::setDuration(rig.store, duration);
        rig.engine->clearRecord();
        PlayerGestureModel g;
        g.setPlayer(&rig.store);
        g.pan(10, dx, 0);
        QVERIFY(rig.store.isScrubbing());
        QCOMPARE(rig.store.currentTime(), time);
        QCOMPARE(g.hud()->symbol, QStringLiteral("backward.end.alt.fill"));
        QCOMPARE(g.hud()->value, bar);
        QVERIFY(rig.engine->seeks().isEmpty());
        g.endPan();
        QVERIFY(!rig.store.isScrubbing());
        QCOMPARE(rig.engine->seeks().size(), duration > 0 ? 1 : 0);
    }

    // Each badge goes 0.6 s after its own double tap, unless another side
    // took it meanwhile; the display goes 0.9 s after its last change.
    void timers()
    {
        Rig rig;
        rig.start(makeVideo(QStringLiteral("f")));
        PlayerGestureModel g;
        g.setPlayer(&rig.store);
        constexpr int flashMs = PlayerGestureModel::flashMs;
        g.doubleTap(1);
        QElapsedTimer sinceRight; // started after the right badge's timer
        sinceRight.start();
        QCOMPARE(g.flash(), 1);
        QTest::qWait(300);
        QElapsedTimer sinceLeft; // started before the left badge's timer
        sinceLeft.start();
        g.doubleTap(-1);
        QCOMPARE(g.flash(), -1);
        // Once the right badge's time is up, the left one stays until its own
        // is; a machine too busy to look in between leaves nothing to see.
        QTRY_VERIFY(sinceRight.elapsed() > flashMs + flashMs / 20);
        QCoreApplication::processEvents();
        const int flash = g.flash();
        if (!TestTime::notSooner(sinceLeft.elapsed(), flashMs))
            QCOMPARE(flash, -1);
        QTRY_COMPARE_WITH_TIMEOUT(g.flash(), 0, flashMs);
        QVERIFY2(TestTime::notSooner(sinceLeft.elapsed(), flashMs), qPrintable(QString::number(sinceLeft.elapsed())));

        // Each change starts the display's time anew.
        g.showHud(QStringLiteral("sun.max.fill"), 0.5);
        QTest::qWait(600);
        QElapsedTimer sinceLast; // started before the last change
        sinceLast.start();
        g.showHud(QStringLiteral("sun.max.fill"), 0.6);
        QVERIFY(g.hud());
        QTRY_VERIFY_WITH_TIMEOUT(!g.hud(), PlayerGestureModel::hudMs + 500);
        QVERIFY2(TestTime::notSooner(sinceLast.elapsed(), PlayerGestureModel::hudMs), qPrintable(QString::number(sinceLast.elapsed())));
    }

    void pinch_data()
    {
        QTest::addColumn<bool>("filled");
        QTest::addColumn<double>("scale");
        QTest::addColumn<bool>("fill");
        QTest::newRow("spread") << false << 1.3 << true;
        QTest::newRow("ends at exactly 1: fit") << true << 1.0 << false;
        QTest::newRow("unchanged") << true << 1.5 << true;
    }

    void pinch()
    {
        QFETCH(bool, filled);
        QFETCH(double, scale);
        QFETCH(bool, fill);
        Rig rig;
        rig.store.setFillScreen(filled);
        PlayerOverlayModel overlay;
        overlay.setLocked(true); // pinching works while locked
        PlayerGestureModel g;
        g.setPlayer(&rig.store);
        g.setOverlay(&overlay);
        g.pinch(scale);
        g.endPinch();
        QCOMPARE(rig.store.fillScreen(), fill);
        QCOMPARE(Haptics::shared().given().size(), fill != filled ? 1 : 0);
    }

    void doubleClickSkips_data()
    {
        QTest::addColumn<qint64>("setting");
        QTest::addColumn<double>("step");
        QTest::newRow("2 skips 5") << qint64(2) << 5.0;
        QTest::newRow("15") << qint64(15) << 15.0;
    }

    // A double click on the right skips from the engine's time, flashes that
    // side and leaves the controls as they were.
    void doubleClickSkips()
    {
        QFETCH(qint64, setting);
        QFETCH(double, step);
        Defaults::shared().setValue(Pref::seekStep, setting);
        OPEN_SHEET("d");
        rig.engine->setTime(100);
        rig.engine->clearRecord();
        QTest::mouseDClick(s.w(), Qt::LeftButton, {}, s.at(0.8, 0.5));
        QCOMPARE(rig.engine->seeks().size(), 1);
        QCOMPARE(rig.engine->seeks()[0].target, 100 + step);
        QCOMPARE(s.gestures->flash(), 1);
        QCOMPARE(Haptics::shared().given(), QStringList{"light"});
        QTest::qWait(s.gestures->tapDelay() + 100);
        QVERIFY(!s.overlay->showControls());
    }

    void hold_data()
    {
        QTest::addColumn<int>("moved");
        QTest::addColumn<bool>("boosts");
        QTest::newRow("still") << 0 << true;
        QTest::newRow("within 40") << 30 << true;
        QTest::newRow("60 away") << 60 << false;
    }

    void hold()
    {
        QFETCH(int, moved);
        QFETCH(bool, boosts);
        OPEN_SHEET("h");
        const QPoint from = s.at(0.2, 0.5);
        QTest::mousePress(s.w(), Qt::LeftButton, {}, from);
        QTest::mouseMove(s.w(), from + QPoint(0, moved), 10);
        if (boosts)
            QTRY_VERIFY(rig.store.boosted());
        else
            QTest::qWait(PlayerGestureModel::holdMs + 50); // past the hold's time: it was called off
        QCOMPARE(rig.store.boosted(), boosts);
        QTest::mouseRelease(s.w(), Qt::LeftButton, {}, from + QPoint(0, moved), 500);
        QVERIFY(!rig.store.boosted());
        QTest::qWait(s.gestures->tapDelay() + 50); // nor was it a tap
        QVERIFY(!s.overlay->showControls());
    }

    // Locked: no skip, no pan, no boost; a click still shows the unlock
    // button, once no second click can follow.
    void locked()
    {
        OPEN_SHEET("l");
        s.overlay->setLocked(true);
        rig.engine->clearRecord();
        QTest::mouseDClick(s.w(), Qt::LeftButton, {}, s.at(0.8, 0.5));
        s.drag(s.at(0.2, 0.5), QPoint(200, 0));
        QTest::mousePress(s.w(), Qt::LeftButton, {}, s.at(0.5, 0.5));
        QTest::qWait(500);
        QVERIFY(!rig.store.boosted());
        QTest::mouseRelease(s.w(), Qt::LeftButton, {}, s.at(0.5, 0.5));
        QVERIFY(rig.engine->seeks().isEmpty());
        QVERIFY(!rig.store.isScrubbing());
        QCOMPARE(s.gestures->flash(), 0);
        QElapsedTimer sinceClick; // started before the click
        sinceClick.start();
        QTest::mouseClick(s.w(), Qt::LeftButton, {}, s.at(0.5, 0.5), s.gestures->tapDelay() + 1);
        QVERIFY(!s.h.find("unlockButton")->isEnabled());
        QTRY_VERIFY(s.h.find("unlockButton")->isEnabled());
        QVERIFY2(TestTime::notSooner(sinceClick.elapsed(), s.gestures->tapDelay()), qPrintable(QString::number(sinceClick.elapsed())));
    }

    // Vertical drags dim (left) or set the volume (right), 260 points for
    // the whole range; the cover stays.
    void verticalDragsKeepTheCover()
    {
        QList<double> applied;
        VolumeController::setApplier([&applied](double v) { applied << v; });
        OPEN_SHEET("v");
        s.drag(s.at(0.2, 0.8), QPoint(0, 130));
        QCOMPARE(Screen::shared().brightness(), 0.5);
        QCOMPARE(s.h.root()->property("offset").toReal(), 0.0);
        QCOMPARE(s.gestures->dragMode(), 0);
        s.drag(s.at(0.8, 0.8), QPoint(0, 65));
        QCOMPARE(applied.value(applied.size() - 1), 0.75);
        QCOMPARE(s.h.root()->property("offset").toReal(), 0.0);
        QTRY_VERIFY(s.h.find("hud")->isVisible());
        QCOMPARE(s.gestures->hudSymbol(), QStringLiteral("speaker.wave.2.fill"));
        s.drag(s.at(0.8, 0.5), QPoint(0, 260));
        QCOMPARE(applied.last(), 0.0);
        QCOMPARE(s.gestures->hudSymbol(), QStringLiteral("speaker.slash.fill"));
    }

    // Taken away or torn down mid-scrub: the clock runs again, nothing is
    // sought, and a held boost ends.
    void interruptedScrub_data()
    {
        QTest::addColumn<bool>("destroy");
        QTest::newRow("cancelled") << false;
        QTest::newRow("destroyed") << true;
    }

    void interruptedScrub()
    {
        QFETCH(bool, destroy);
        OPEN_SHEET("i");
        const QPoint from = s.at(0.5, 0.5);
        QTest::touchEvent(s.w(), touch).press(0, from);
        QTRY_VERIFY(rig.store.boosted());
        for (int i = 1; i <= 5; ++i) {
            QTest::touchEvent(s.w(), touch).move(0, from + QPoint(20 * i, 0));
            QTest::qWait(5); // each its own delivery, not squashed into one
        }
        QTRY_VERIFY(rig.store.isScrubbing());
        if (destroy) {
            delete s.h.root()->findChild<QQuickItem *>("sheet");
        } else {
            QTouchEvent cancel(QEvent::TouchCancel, touch);
            QCoreApplication::sendEvent(s.w(), &cancel);
        }
        QVERIFY(!rig.store.isScrubbing());
        QVERIFY(!rig.store.boosted());
        QVERIFY(rig.engine->seeks().isEmpty());
    }

    void options_data()
    {
        QTest::addColumn<float>("speed");
        QTest::addColumn<QStringList>("expected"); // lines that must be there
        QTest::addColumn<QStringList>("absent");
        QTest::newRow("1×") << 1.0f << QStringList{"Velocidad (1×)", "Velocidad (1×)/1× ✓", "Subtítulos/Sin subtítulos", "Cola (0)"}
                            << QStringList{"Temporizador/Desactivar", "Bucle A–B/Quitar bucle"};
        QTest::newRow("0,25×") << 0.25f << QStringList{"Velocidad (0,25×)", "Velocidad (0,25×)/0,25× ✓", "Velocidad (0,25×)/1,75×"}
                               << QStringList{};
        QTest::newRow("1,1× marks no row") << 1.1f << QStringList{"Velocidad (1,1×)", "Velocidad (1,1×)/1×"}
                                           << QStringList{"Velocidad (1,1×)/1× ✓"};
    }

    void options()
    {
        QFETCH(float, speed);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, absent);
        Rig rig;
        rig.start(makeVideo(QStringLiteral("o")));
        rig.store.setSpeed(speed);
        PlayerOptionsModel m;
        m.setPlayer(&rig.store);
        const QStringList all = titles(m.entries());
        for (const QString &line : expected)
            QVERIFY2(all.contains(line), qPrintable(line));
        for (const QString &line : absent)
            QVERIFY2(!all.contains(line), qPrintable(line));
        QCOMPARE(m.entries().size(), 11);

        rig.store.setSleep(QVariant(), true);
        PlayerStoreProbe::setLoopA(rig.store, 1.0);
        const QStringList later = titles(m.entries());
        QVERIFY(later.contains(QStringLiteral("Temporizador/Desactivar")));
        QVERIFY(later.contains(QStringLiteral("Bucle A–B/Quitar bucle")));

        // "Desactivar" turns the timer off and leaves the menu.
        m.trigger(QStringLiteral("sleepOff"));
        QVERIFY(!rig.store.sleepEndsAt() && !rig.store.sleepAtEnd());
        QVERIFY(!titles(m.entries()).contains(QStringLiteral("Temporizador/Desactivar")));
    }

    // The menu opens from the top bar, and a submenu row acts.
    void menu()
    {
        OPEN_SHEET("m");
        s.overlay->setShowControls(true);
        QVERIFY(s.h.click("moreButton"));
        QVERIFY(Haptics::shared().given().isEmpty());
        QVERIFY(s.choose("option.speed"));
        QVERIFY(s.choose("option.rate:0"));
        QCOMPARE(rig.store.speed(), 0.25f);
        QVERIFY(s.h.click("moreButton"));
        QVERIFY(s.choose("option.lock"));
        QVERIFY(s.overlay->locked());
        QVERIFY(!s.overlay->showControls());
    }

    // A caption track name too long for 280 widens its submenu (up to the
    // window) and is read whole.
    void longCaptionName()
    {
        OPEN_SHEET("cc");
        PlayerStoreProbe::setCaptionTracks(
            rig.store, {CaptionTrack{QStringLiteral("es"), QStringLiteral("Español (generados automáticamente)"), true}});
        s.overlay->setShowControls(true);
        QVERIFY(s.h.click("moreButton"));
        QVERIFY(s.choose("option.captions"));
        QQuickItem *row = nullptr;
        QVERIFY(QmlHarness::waitFor([&] {
            return (row = s.h.find(QStringLiteral("option.caption:es"))) && row->isVisible() && row->opacity() == 1;
        }));
        auto *content = row->property("contentItem").value<QQuickItem *>();
        QQuickItem *label = content->childItems().first();
        QCOMPARE(label->property("text").toString(), QStringLiteral("Español (generados automáticamente)"));
        QVERIFY(!label->property("truncated").toBool());
        QVERIFY(row->width() > 280);
        const QRectF r = row->mapRectToScene(QRectF(0, 0, row->width(), row->height()));
        QVERIFY(r.left() >= 0 && r.right() <= s.w()->width());
    }

    void captionSteps_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("larger");
        QTest::addColumn<double>("smaller");
        QTest::newRow("at the top") << 2.0 << 2.0 << 1.8;
        QTest::newRow("at the bottom") << 0.6 << 0.8 << 0.6;
        QTest::newRow("1.9") << 1.9 << 2.0 << 1.7;
    }

    void captionSteps()
    {
        QFETCH(double, scale);
        QFETCH(double, larger);
        QFETCH(double, smaller);
        QCOMPARE(PlayerOptionsModel::largerCaption(scale), larger);
        QCOMPARE(PlayerOptionsModel::smallerCaption(scale), smaller);
    }

    void markB_data()
    {
        QTest::addColumn<double>("a"); // 0: none
        QTest::addColumn<double>("t");
        QTest::addColumn<QString>("toast");
        QTest::newRow("no A") << 0.0 << 50.0 << "";
        QTest::newRow("A + 1.0 refused") << 10.0 << 11.0 << "El final debe ir después del inicio";
        QTest::newRow("A + 1.01 taken") << 10.0 << 11.01 << "Bucle activado";
    }

    void markB()
    {
        QFETCH(double, a);
        QFETCH(double, t);
        QFETCH(QString, toast);
        Rig rig;
        rig.start(makeVideo(QStringLiteral("b")));
        if (a > 0)
            PlayerStoreProbe::setLoopA(rig.store, a);
        rig.engine->setTime(t);
        PlayerOptionsModel m;
        m.setPlayer(&rig.store);
        m.trigger(QStringLiteral("loopB"));
        QCOMPARE(rig.store.loopB(), toast == QLatin1String("Bucle activado") ? std::optional<double>(t) : std::nullopt);
        QCOMPARE(rig.store.toast().value_or(QString()), toast);
    }
};

QTEST_MAIN(TestPlayerGestures)
#include "tst_playergestures.moc"
