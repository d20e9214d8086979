// The player sheet over a real store: the auto-hiding controls and the tap
// that brings them back, the layout in portrait and landscape, the layers
// over the video (spinner, error, lock, captions, up-next card, toast), the
// transport, the quality menu and the audio output menu.
#include "AudioSession.h"
#include "PlayerOverlayModel.h"
#include "PlayerRig.h"
#include "RoutePicker.h"

#include <QSignalSpy>

using namespace playertest;

namespace {

bool near(double a, double b) { return std::abs(a - b) < 0.01; }

struct Sheet
{
    QmlHarness h;
    QQuickItem *root = nullptr;
    PlayerOverlayModel *overlay = nullptr;

    bool load(Rig &rig)
    {
        root = rig.loadSheet(h);
        if (!root)
            return false;
        overlay = root->property("overlay").value<PlayerOverlayModel *>();
        return overlay != nullptr;
    }
    QQuickItem *find(const char *name) const { return h.find(QString::fromLatin1(name)); }
    // The controls, while they are made.
    QQuickItem *controls() const { return find("controlsLoader")->property("item").value<QQuickItem *>(); }
    // A spot of the video area with no control on it.
    QPoint emptySpot() const
    {
        QQuickItem *area = find("playerArea");
        return area->mapToScene(QPointF(area->width() / 2, 60)).toPoint();
    }
    // A single tap on the video, acted on once no second tap can follow:
    // the controls turn. False when they did not.
    bool tap() const
    {
        const int interval = find("gestureLayer")->property("model").value<QObject *>()->property("tapDelay").toInt();
        const bool shown = overlay->showControls();
        QTest::mouseClick(h.window(), Qt::LeftButton, {}, emptySpot(), interval + 1);
        return TestTime::waitFor([&] { return overlay->showControls() != shown; });
    }
    // Keeps the controls up for the rest of the case. The sheet starts their
    // hide timer when it is made; a new delay alone would leave that one
    // running, and on a slow machine it ends while the case still clicks.
    void holdControls() const
    {
        overlay->setHideDelay(100000);
        overlay->scheduleHide();
        overlay->setShowControls(true);
    }
    void resize(int w, int hgt)
    {
        h.window()->resize(w, hgt);
        root->setSize(QSizeF(w, hgt));
    }
};

} // namespace

// A started rig and its sheet, loaded; most cases begin here.
#define OPEN_SHEET(id)                                                                                                 \
    Rig rig;                                                                                                           \
    rig.start(makeVideo(QStringLiteral(id)));                                                                          \
    Sheet s;                                                                                                           \
    QVERIFY2(s.load(rig), qPrintable(s.h.errors()))

class TestPlayerSheet : public PlayerTestCase
{
    Q_OBJECT

private slots:

    void controlsHideAfterThreeAndAHalfSeconds()
    {
        Rig rig;
        rig.start(makeVideo(QStringLiteral("a")));
        QVERIFY(rig.store.isPlaying());
        Sheet s;
        // Started before the sheet starts the hide timer as it is made: the
        // time it measures to the hide is never less than the timer's.
        QElapsedTimer clock;
        clock.start();
        QVERIFY2(s.load(rig), qPrintable(s.h.errors()));
        QVERIFY(s.overlay->hidePending());
        QVERIFY(s.overlay->showControls());
        QTRY_VERIFY_WITH_TIMEOUT(!s.overlay->showControls(), 4000);
        QVERIFY2(TestTime::notSooner(clock.elapsed(), 3500), qPrintable(QString::number(clock.elapsed())));
        // Faded out, they take no touches.
        QTRY_VERIFY(!s.controls()->isVisible());
        QVERIFY(!s.controls()->isEnabled());
    }

    void hideRule_data()
    {
        QTest::addColumn<bool>("playing");
        QTest::addColumn<bool>("scrubbing");
        QTest::addColumn<bool>("hidden");
        QTest::newRow("playing") << true << false << true;
        QTest::newRow("paused") << false << false << false;
        QTest::newRow("scrubbing") << true << true << false;
    }

    void hideRule()
    {
        QFETCH(bool, playing);
        QFETCH(bool, scrubbing);
        QFETCH(bool, hidden);
        Rig rig;
        rig.start(makeVideo(QStringLiteral("r")));
        if (!playing)
            rig.engine->pause();
        rig.store.setIsScrubbing(scrubbing);
        PlayerOverlayModel overlay;
        overlay.setPlayer(&rig.store);
        overlay.setHideDelay(60);
        overlay.scheduleHide();
        QTRY_VERIFY(!overlay.hidePending());
        QCOMPARE(overlay.showControls(), !hidden);
    }

    // Only the newest timer hides; starting playback starts none.
    void timerRules()
    {
        Rig rig;
        rig.start(makeVideo(QStringLiteral("n")));
        rig.engine->pause();
        PlayerOverlayModel overlay;
        overlay.setPlayer(&rig.store);
        overlay.setHideDelay(300);
        overlay.scheduleHide();
        QTRY_VERIFY(!overlay.hidePending());
        rig.engine->play();
        QVERIFY(rig.store.isPlaying());
        QVERIFY(!overlay.hidePending());
        QTest::qWait(400);
        QVERIFY(overlay.showControls());

        // Long beside the step between the two timers, so that a busy
        // machine does not let the first end before the second starts.
        const int delay = TestTime::ms(600);
        overlay.setHideDelay(delay);
        overlay.scheduleHide();
        QTest::qWait(200);
        QVERIFY(overlay.showControls());
        QElapsedTimer sinceNewest; // started before the newest timer
        sinceNewest.start();
        overlay.scheduleHide();
        QTRY_VERIFY(!overlay.showControls());
        QVERIFY2(TestTime::notSooner(sinceNewest.elapsed(), delay), qPrintable(QString::number(sinceNewest.elapsed())));
    }

    // A tap on the video hides shown controls and brings hidden ones back
    // (with a new timer), also when they hid by themselves.
    void tapTogglesControls()
    {
        Rig rig;
        rig.start(makeVideo(QStringLiteral("t")));
        rig.engine->pause();
        Sheet s;
        QVERIFY2(s.load(rig), qPrintable(s.h.errors()));
        QVERIFY(s.tap());
        QVERIFY(!s.overlay->showControls());
        QTRY_VERIFY(!s.controls()->isVisible());
        QVERIFY(s.tap());
        QVERIFY(s.overlay->showControls());
        QVERIFY(s.overlay->hidePending());
        QTRY_VERIFY(near(s.controls()->opacity(), 1));

        rig.engine->play();
        s.overlay->setHideDelay(50);
        s.overlay->scheduleHide();
        QTRY_VERIFY(!s.overlay->showControls());
        QTRY_VERIFY(!s.controls()->isVisible());
        s.overlay->setHideDelay(100000);
        QVERIFY(s.tap());
        QVERIFY(s.overlay->showControls());
    }

    void lock()
    {
        OPEN_SHEET("k");
        s.overlay->setLocked(true);
        QVERIFY(!s.controls()); // not made at all
        QQuickItem *unlock = s.find("unlockButton");
        QVERIFY(unlock->isVisible());
        // A tap hides and shows the unlock button.
        QVERIFY(s.tap());
        QTRY_VERIFY(near(unlock->opacity(), 0));
        QVERIFY(!unlock->isEnabled());
        QVERIFY(s.tap());
        QTRY_VERIFY(near(unlock->opacity(), 1));
        QVERIFY(s.h.click(unlock));
        QVERIFY(!s.overlay->locked());
        QVERIFY(s.overlay->showControls());
        QVERIFY(s.overlay->hidePending());
        QVERIFY(s.controls());
        QCOMPARE(Haptics::shared().given(), QStringList{"light"});
    }

    // The error view wins over the spinner and over the lock.
    // The controls hiding by their timer while the unlock button is held
    // does not cut the press short: letting go unlocks, at the first press.
    void unlockHeldAsTheControlsHide()
    {
        OPEN_SHEET("h");
        s.overlay->setLocked(true);
        s.overlay->setShowControls(true);
        QQuickItem *unlock = s.find("unlockButton");
        QTRY_VERIFY(unlock->isEnabled() && near(unlock->opacity(), 1));
        const QPoint at = unlock->mapToScene(QPointF(unlock->width() / 2, unlock->height() / 2)).toPoint();
        QTest::mousePress(s.h.window(), Qt::LeftButton, {}, at);
        s.overlay->setShowControls(false); // as its timer does
        QVERIFY(!s.overlay->showControls());
        QTest::mouseRelease(s.h.window(), Qt::LeftButton, {}, at);
        QVERIFY(!s.overlay->locked());
        QVERIFY(s.overlay->showControls());
        QVERIFY(s.controls());
    }

    void layers_data()
    {
        QTest::addColumn<bool>("error");
        QTest::addColumn<bool>("buffering");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QString>("shown"); // the spinner, then one of the three
        QTest::newRow("playing") << false << false << false << "controls";
        QTest::newRow("buffering") << false << true << false << "spinner controls";
        QTest::newRow("locked") << false << false << true << "unlock";
        QTest::newRow("buffering, locked") << false << true << true << "spinner unlock";
        QTest::newRow("failed while buffering") << true << true << false << "error";
        QTest::newRow("failed while locked") << true << false << true << "error";
    }

    void layers()
    {
        QFETCH(bool, error);
        QFETCH(bool, buffering);
        QFETCH(bool, locked);
        QFETCH(QString, shown);
        OPEN_SHEET("e");
        PlayerStoreProbe::setIsBuffering(rig.store, buffering);
        if (error)
            PlayerStoreProbe::setErrorMessage(rig.store, QStringLiteral("No se puede reproducir este vídeo."));
        s.overlay->setLocked(locked);
        QStringList seen;
        if (s.find("playerSpinner")->isVisible())
            seen << QStringLiteral("spinner");
        if (s.find("errorView")->isVisible())
            seen << QStringLiteral("error");
        if (s.find("unlockButton")->isVisible())
            seen << QStringLiteral("unlock");
        if (s.controls())
            seen << QStringLiteral("controls");
        QCOMPARE(seen.join(QLatin1Char(' ')), shown);
        if (error) {
            QCOMPARE(s.find("playerErrorMessage")->property("text").toString(),
                     QStringLiteral("No se puede reproducir este vídeo."));
            QVERIFY(s.h.click("playerRetry"));
            QVERIFY(!rig.store.errorMessage());
        }
    }

    // Landscape is purely the sheet being wider than tall.
    void landscapeByWindowSize()
    {
        OPEN_SHEET("l");
        QQuickItem *area = s.find("playerArea");
        QVERIFY(!s.root->property("landscape").toBool());
        QCOMPARE(area->height(), 242.0); // 430 × 9 / 16
        QVERIFY(s.find("detailsArea")->isVisible());
        QCOMPARE(s.find("transportRow")->property("spacing").toReal(), 26.0);

        s.resize(932, 430);
        QVERIFY(s.root->property("landscape").toBool());
        QCOMPARE(area->size(), QSizeF(932, 430));
        QVERIFY(!s.find("detailsArea")->isVisible());
        QCOMPARE(s.find("transportRow")->property("spacing").toReal(), 40.0);
        QCOMPARE(s.find("timelineControls")->x(), 44.0);
        QCOMPARE(rig.store.surface()->size(), QSizeF(932, 430));

        s.resize(500, 500); // square is portrait
        QVERIFY(!s.root->property("landscape").toBool());
        QCOMPARE(area->height(), 281.0);

        // Fill screen crops the open player's picture; off, it fits again.
        QCOMPARE(rig.store.surface()->fillMode(), VideoSurface::AspectFit);
        rig.store.setFillScreen(true);
        QCOMPARE(rig.store.surface()->fillMode(), VideoSurface::AspectFill);
        rig.store.setFillScreen(false);
        QCOMPARE(rig.store.surface()->fillMode(), VideoSurface::AspectFit);
    }

    void skipStep_data()
    {
        QTest::addColumn<qint64>("setting");
        QTest::addColumn<double>("step");
        QTest::newRow("2 skips 5") << qint64(2) << 5.0;
        QTest::newRow("0 skips 5") << qint64(0) << 5.0;
        QTest::newRow("10") << qint64(10) << 10.0;
        QTest::newRow("15") << qint64(15) << 15.0;
    }

    // From the engine's own time, not the published one.
    void skipStep()
    {
        QFETCH(qint64, setting);
        QFETCH(double, step);
        Defaults::shared().setValue(Pref::seekStep, setting);
        Rig rig;
        rig.start(makeVideo(QStringLiteral("s")));
        rig.engine->setTime(100.2);
        rig.store.setIsScrubbing(true);
        rig.engine->setTime(100);
        rig.store.setIsScrubbing(false);
        QVERIFY(rig.store.currentTime() != 100.0);
        rig.engine->clearRecord();
        Sheet s;
        QVERIFY2(s.load(rig), qPrintable(s.h.errors()));
        QVERIFY(s.h.click("forwardButton"));
        QVERIFY(s.h.click("backButton"));
        QCOMPARE(rig.engine->seeks().size(), 2);
        QCOMPARE(rig.engine->seeks()[0].target, 100 + step);
        // The first seek has not landed: the engine reports its target.
        QCOMPARE(rig.engine->seeks()[1].target, 100.0);
        QCOMPARE(Haptics::shared().given(), (QStringList{"light", "light"}));
    }

    // A skip acts in place: a double click skips twice, as two taps do
    // (from 0:13 back by 10 s twice lands on 0:00).
    void skipDoubleClicked()
    {
        Defaults::shared().setValue(Pref::seekStep, qint64(10));
        Rig rig;
        rig.start(makeVideo(QStringLiteral("d")));
        rig.engine->setTime(13);
        rig.engine->clearRecord();
        Sheet s;
        QVERIFY2(s.load(rig), qPrintable(s.h.errors()));
        QQuickItem *back = s.find("backButton");
        QTest::mouseDClick(s.h.window(), Qt::LeftButton, Qt::NoModifier,
                           back->mapToScene(QPointF(back->width() / 2, back->height() / 2)).toPoint());
        QCOMPARE(rig.engine->seeks().size(), 2);
        QCOMPARE(rig.engine->seeks()[0].target, 3.0);
        QCOMPARE(rig.engine->seeks()[1].target, 0.0);
    }

    void transport()
    {
        OPEN_SHEET("one");
        QQuickItem *previous = s.find("previousButton");
        // Usable, but dim, with nothing played before.
        QCOMPARE(previous->property("dimming").toReal(), 0.4);
        QVERIFY(previous->isEnabled());

        QCOMPARE(s.find("playPauseButton")->property("symbol").toString(), QStringLiteral("pause.fill"));
        QVERIFY(s.h.click("playPauseButton"));
        QVERIFY(!rig.store.isPlaying());
        QCOMPARE(s.find("playPauseButton")->property("symbol").toString(), QStringLiteral("play.fill"));
        QCOMPARE(s.find("playPauseButton")->property("label").toString(), QStringLiteral("Reproducir"));

        rig.store.enqueue(makeVideo(QStringLiteral("two")));
        s.overlay->setHideDelay(100000);
        QVERIFY(s.h.click("nextButton"));
        QCOMPARE(rig.store.current()->id, QStringLiteral("two"));
        QVERIFY(s.overlay->hidePending());
        QCOMPARE(previous->property("dimming").toReal(), 1.0);
        QVERIFY(s.h.click(previous));
        QCOMPARE(rig.store.current()->id, QStringLiteral("one"));
    }

    void collapse()
    {
        OPEN_SHEET("c");
        Orientation::clearHistory();
        QVERIFY(s.h.click("collapseButton"));
        QVERIFY(!rig.store.expanded());
        QCOMPARE(Orientation::history(), QList<int>{2});
        QCOMPARE(Haptics::shared().given(), QStringList{"light"});
        // The sheet still on screen as it goes gives the picture back.
        QVERIFY(!s.find("sheetSurfaceHost")->property("holding").toBool());
        s.overlay->collapse();
        QCOMPARE(Orientation::history(), QList<int>{2});
    }

    // Minimising works whatever the player shows: Escape always, the
    // chevron wherever it is drawn (the controls' or, failed, its own spot).
    void wayOut_data()
    {
        QTest::addColumn<bool>("failed");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QString>("chevron"); // empty: none on screen
        QTest::newRow("playing") << false << false << "collapseButton";
        QTest::newRow("failed") << true << false << "errorCollapseButton";
        QTest::newRow("locked") << false << true << "";
        QTest::newRow("failed while locked") << true << true << "errorCollapseButton";
    }

    void wayOut()
    {
        QFETCH(bool, failed);
        QFETCH(bool, locked);
        QFETCH(QString, chevron);
        for (bool byKey : {true, false}) {
            if (!byKey && chevron.isEmpty())
                continue;
            OPEN_SHEET("w");
            if (failed)
                PlayerStoreProbe::setErrorMessage(rig.store, QStringLiteral("No se pudo reproducir este vídeo."));
            s.overlay->setLocked(locked);
            QVERIFY(rig.store.expanded());
            QStringList chevrons;
            for (const char *name : {"collapseButton", "errorCollapseButton"})
                if (QQuickItem *item = s.find(name); item && item->isVisible())
                    chevrons << QString::fromLatin1(name);
            QCOMPARE(chevrons.join(u' '), chevron);
            // Failed or locked, the video's pan leaves the drag to the cover.
            QObject *pan = s.root->findChild<QObject *>(QStringLiteral("panHandler"));
            QVERIFY(pan);
            QCOMPARE(pan->property("enabled").toBool(), !failed && !locked);
            Orientation::clearHistory();
            if (byKey) {
                s.h.window()->requestActivate();
                QVERIFY(QTest::qWaitForWindowActive(s.h.window()));
                QTest::keyClick(s.h.window(), Qt::Key_Escape);
            } else {
                QVERIFY(s.h.click(chevron));
            }
            QVERIFY(!rig.store.expanded());
            QCOMPARE(Orientation::history(), QList<int>{2});
        }
    }

    void quality_data()
    {
        QTest::addColumn<qint64>("active");
        QTest::addColumn<QList<qint64>>("heights"); // empty: no detail
        QTest::addColumn<QString>("badge");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QString>("checked");
        QTest::newRow("automatic") << qint64(0) << QList<qint64>{360, 720, 1080} << "Auto"
                                   << QStringList{"Automática", "360p", "720p HD", "1080p HD"} << "Automática";
        QTest::newRow("1080") << qint64(1080) << QList<qint64>{1080, 480} << "1080p"
                              << QStringList{"Automática", "1080p HD", "480p"} << "1080p HD";
        QTest::newRow("no detail") << qint64(720) << QList<qint64>{} << "720p" << QStringList{"Automática"} << "";
    }

    void quality()
    {
        QFETCH(qint64, active);
        QFETCH(QList<qint64>, heights);
        QFETCH(QString, badge);
        QFETCH(QStringList, titles);
        QFETCH(QString, checked);
        OPEN_SHEET("q");
        PlayerStoreProbe::setActiveQuality(rig.store, active);
        if (heights.isEmpty()) {
            PlayerStoreProbe::setDetail(rig.store, std::nullopt);
        } else {
            VideoDetail d;
            d.id = QStringLiteral("q");
            d.qualities = heights;
            PlayerStoreProbe::setDetail(rig.store, d);
        }
        QCOMPARE(s.find("qualityBadgeText")->property("text").toString(), badge);
        QStringList seenTitles;
        QString seenChecked;
        for (const MenuEntry &e : s.overlay->qualityEntries()) {
            if (e.kind != MenuEntry::Kind::button)
                continue;
            seenTitles << e.title;
            if (e.symbol == QLatin1String("checkmark"))
                seenChecked = e.title;
        }
        QCOMPARE(seenTitles, titles);
        QCOMPARE(seenChecked, checked);
    }

    void topBarActions()
    {
        Rig rig;
        rig.start(makeVideo(QStringLiteral("tb")));
        VideoDetail d;
        d.id = QStringLiteral("tb");
        d.qualities = {360, 720};
        PlayerStoreProbe::setDetail(rig.store, d);
        Sheet s;
        QVERIFY2(s.load(rig), qPrintable(s.h.errors()));
        s.holdControls();

        QCOMPARE(s.find("captionsButton")->property("symbol").toString(), QStringLiteral("captions.bubble"));
        QSignalSpy rescheduled(s.overlay, &PlayerOverlayModel::hidePendingChanged);
        QVERIFY(s.h.click("captionsButton"));
        QCOMPARE(rig.store.toast().value_or(QString()), QStringLiteral("Este vídeo no tiene subtítulos"));
        QCOMPARE(rescheduled.count(), 1);
        QVERIFY(s.overlay->hidePending());
        QCOMPARE(Haptics::shared().given(), QStringList{"light"});
        rig.store.setActiveCaption(QStringLiteral("es"));
        QCOMPARE(s.find("captionsButton")->property("symbol").toString(), QStringLiteral("captions.bubble.fill"));

        QVERIFY(s.h.click("qualityBadge"));
        QQuickItem *entry = nullptr;
        // Clicked once the menu has opened: while it still moves in, a
        // click can land beside the entry.
        QTRY_VERIFY(s.find("qualityMenu") && s.find("qualityMenu")->property("opened").toBool());
        QTRY_VERIFY((entry = s.find("quality_360")) && entry->isVisible() && entry->width() > 0);
        QVERIFY(s.h.click(entry));
        QCOMPARE(rig.store.activeQuality(), qint64(360));
        QCOMPARE(s.find("qualityBadgeText")->property("text").toString(), QStringLiteral("360p"));
    }

    void audioOutputMenu()
    {
        AudioSession &session = AudioSession::shared();
        const QList<AudioDevice> outputs{{QStringLiteral("auto"), QStringLiteral("Autoselect device")},
                                         {QStringLiteral("pipewire/bt"), QStringLiteral("Auriculares BT")}};
        session.setAudioDevices(outputs, QStringLiteral("auto"));
        QStringList got;
        RoutePicker::setChooser([&got](const QString &d) { got << d; });
        auto restore = qScopeGuard([&session] {
            RoutePicker::setChooser({});
            session.setAudioDevices({}, QString());
        });
        OPEN_SHEET("ao");
        s.holdControls();
        QQuickItem *button = s.find("airPlayButton");
        QVERIFY(button);
        const QColor active = button->property("activeColor").value<QColor>();
        QVERIFY(active != QColor(Qt::white));
        QCOMPARE(button->property("tint").value<QColor>(), QColor(Qt::white));

        // Each opening lists the outputs in the engine's order, the one in use marked.
        const auto open = [&] {
            QVERIFY(s.h.click(button));
            QTRY_VERIFY(s.find("airPlayMenu")->property("opened").toBool());
        };
        const auto marked = [&](const char *name) {
            QQuickItem *row = s.h.find(QStringLiteral("route_") + QLatin1String(name));
            return row ? row->property("entry").toMap().value("symbol").toString() == QLatin1String("checkmark") : false;
        };
        open();
        QQuickItem *bt = nullptr;
        QTRY_VERIFY((bt = s.find("route_pipewire/bt")) && bt->isVisible() && bt->width() > 0);
        QCOMPARE(bt->property("entry").toMap().value("title").toString(), QStringLiteral("Auriculares BT"));
        QCOMPARE(s.find("route_auto")->property("entry").toMap().value("title").toString(), RoutePicker::defaultTitle);
        QVERIFY(marked("auto"));
        QVERIFY(!marked("pipewire/bt"));
        QVERIFY(s.h.click(bt));
        QCOMPARE(got, QStringList{"pipewire/bt"});
        QTRY_VERIFY(!s.find("airPlayMenu")->property("opened").toBool());

        // The engine switches: the icon takes the active colour and the mark moves.
        session.setAudioDevices(outputs, QStringLiteral("pipewire/bt"));
        QCOMPARE(button->property("tint").value<QColor>(), active);
        open();
        QTRY_VERIFY(marked("pipewire/bt"));
        QVERIFY(!marked("auto"));
        session.setAudioDevices(outputs, QStringLiteral("auto"));
        QCOMPARE(button->property("tint").value<QColor>(), QColor(Qt::white));
    }

    void captions_data()
    {
        QTest::addColumn<bool>("track");
        QTest::addColumn<bool>("cue");
        QTest::addColumn<bool>("shown");
        QTest::newRow("a cue of the active track") << true << true << true;
        QTest::newRow("a stale cue without a track") << false << true << false;
        QTest::newRow("a track without a cue at the head") << true << false << false;
    }

    void captions()
    {
        QFETCH(bool, track);
        QFETCH(bool, cue);
        QFETCH(bool, shown);
        OPEN_SHEET("cc");
        rig.store.setActiveCaption(track ? std::optional<QString>(QStringLiteral("es")) : std::nullopt);
        rig.store.setCaptionText(cue ? std::optional<QString>(QStringLiteral("Hola")) : std::nullopt);
        QCOMPARE(s.find("captionLayer")->isVisible(), shown);
    }

    // Captions rise above visible controls, and take their size and backing
    // from the settings.
    void captionPlacement()
    {
        Rig rig;
        rig.start(makeVideo(QStringLiteral("cp")));
        rig.store.setActiveCaption(QStringLiteral("es"));
        rig.store.setCaptionText(QStringLiteral("Hola"));
        Sheet s;
        QVERIFY2(s.load(rig), qPrintable(s.h.errors()));
        QQuickItem *area = s.find("playerArea");
        QQuickItem *box = s.find("captionBox");
        QQuickItem *text = s.find("captionText");
        auto gap = [&] { return area->height() - (box->y() + box->height()); };
        QTRY_VERIFY(near(gap(), 56));
        QCOMPARE(text->property("font").value<QFont>().pixelSize(), 14);
        QCOMPARE(box->property("color").value<QColor>().alphaF(), 0.62f);

        s.overlay->toggleControls();
        QTRY_VERIFY(near(gap(), 14));
        s.overlay->toggleControls();
        s.resize(932, 430);
        QTRY_VERIFY(near(gap(), 76));
        QCOMPARE(text->property("font").value<QFont>().pixelSize(), 20);

        Defaults::shared().setValue(Pref::captionSize, 1.5);
        Defaults::shared().setValue(Pref::captionBg, false);
        QCOMPARE(text->property("font").value<QFont>().pixelSize(), 30);
        QCOMPARE(box->property("color").value<QColor>().alpha(), 0);
    }

    void upNextCard()
    {
        OPEN_SHEET("u");
        QQuickItem *card = s.find("upNext");
        QVERIFY(!card->isVisible());
        PlayerStoreProbe::setUpNext(rig.store, makeVideo(QStringLiteral("next")));
        PlayerStoreProbe::setCountdown(rig.store, 5);
        QTRY_VERIFY(card->isVisible());
        QCOMPARE(s.find("upNextCountdown")->property("text").toString(), QStringLiteral("Siguiente en 5 s"));
        QCOMPARE(s.find("upNextTitle")->property("text").toString(), QStringLiteral("Vídeo next"));
        PlayerStoreProbe::setCountdown(rig.store, 4);
        QCOMPARE(s.find("upNextCountdown")->property("text").toString(), QStringLiteral("Siguiente en 4 s"));
        // Above the controls, so its buttons take the taps, yet clear of the
        // time row while it shows; at the bottom once the controls hide.
        QTRY_VERIFY(near(s.find("upNextCard")->opacity(), 1));
        auto bottomOf = [](QQuickItem *i) { return i->mapToScene(QPointF(0, i->height())).y(); };
        QTRY_VERIFY(bottomOf(s.find("upNextCard")) <= s.find("timelineControls")->mapToScene(QPointF()).y());
        s.overlay->setShowControls(false);
        QTRY_VERIFY(near(bottomOf(s.find("upNextCard")), bottomOf(s.find("playerArea")) - 12));
        s.overlay->setShowControls(true);
        QVERIFY(s.h.click("upNextCancel"));
        QVERIFY(!rig.store.upNext());
        QTRY_VERIFY(!card->isVisible());

        // "Ahora" plays what the store plays next.
        rig.store.enqueue(makeVideo(QStringLiteral("next")));
        PlayerStoreProbe::setUpNext(rig.store, makeVideo(QStringLiteral("next")));
        QTRY_VERIFY(near(s.find("upNextCard")->opacity(), 1));
        QVERIFY(s.h.click("upNextNow"));
        QCOMPARE(rig.store.current()->id, QStringLiteral("next"));
        QVERIFY(!rig.store.upNext());
    }

    void toastAndBoost()
    {
        OPEN_SHEET("tb");
        QVERIFY(!s.find("boostBadge")->isVisible());
        PlayerStoreProbe::setBoosted(rig.store, true);
        QVERIFY(s.find("boostBadge")->isVisible());
        QCOMPARE(s.find("boostBadge")->y(), 54.0);

        rig.store.showToast(QStringLiteral("Añadido a la cola"));
        QCOMPARE(s.find("toastText")->property("text").toString(), QStringLiteral("Añadido a la cola"));
        QQuickItem *pill = s.find("toastPill");
        QTRY_VERIFY(near(pill->opacity(), 1));
        QTRY_VERIFY(near(pill->y(), 10)); // at the top edge
    }
};

QTEST_MAIN(TestPlayerSheet)
#include "tst_playersheet.moc"
