// What the player draws while a video plays and nothing else moves: one frame
// of the window per picture of the video, whatever the clock does between two
// pictures (the play head published, the progress lines gliding, the clocks
// of hidden controls). No timing: every picture is delivered by the test and
// every frame is counted.
#include "FrameGlide.h"
#include "PictureInPicture.h"
#include "PlayerOverlayModel.h"
#include "PlayerRig.h"

#include <QImage>
#include <QQuickWindow>
#include <QScopeGuard>
#include <QTimer>
#include <atomic>

using namespace playertest;

namespace {

// What a window has drawn since it was watched: its frames, and the newest
// of the engine's pictures taken into one.
class Drawn
{
public:
    Drawn(QQuickWindow *window, MediaEngine *engine)
    {
        m_connections << QObject::connect(
            window, &QQuickWindow::afterSynchronizing, window,
            [this, engine] { m_picture = engine->videoFrame().serial; }, Qt::DirectConnection);
        m_connections << QObject::connect(
            window, &QQuickWindow::afterRendering, window, [this] { ++m_frames; }, Qt::DirectConnection);
    }
    ~Drawn()
    {
        for (const QMetaObject::Connection &c : std::as_const(m_connections))
            QObject::disconnect(c);
    }
    int frames() const { return m_frames; }
    quint64 picture() const { return m_picture; }

private:
    std::atomic<int> m_frames{0};
    std::atomic<quint64> m_picture{0};
    QList<QMetaObject::Connection> m_connections;
};

// The mini bar on its page and, over it, the player made when it opens and
// sliding up from below, as the root view presents it.
const QByteArray kOpening = R"(
import QtQuick
import Nimbelora.Library
import Nimbelora.Playback
import Nimbelora.Shell
import Nimbelora.Player
Item {
    id: scene
    required property PlayerStore player
    required property LibraryStore library
    required property Router router
    required property AvatarStore avatars
    width: 430; height: 932
    MiniPlayerBar {
        width: parent.width
        y: 800
        player: scene.player
    }
    Item {
        objectName: "cover"
        width: parent.width
        height: parent.height
        y: scene.player.expanded ? 0 : height
        Behavior on y { NumberAnimation { duration: 450; easing.type: Easing.OutCubic } }
        Loader {
            anchors.fill: parent
            active: scene.player.expanded
            sourceComponent: PlayerSheet {
                player: scene.player; library: scene.library; router: scene.router; avatars: scene.avatars
            }
        }
    }
}
)";

} // namespace

class TestPlayerDraws : public PlayerTestCase
{
    Q_OBJECT

private slots:

    // A jump waits for the next picture only while pictures come.
    void jumpLands_data()
    {
        QTest::addColumn<bool>("playing");
        QTest::addColumn<bool>("picture");
        QTest::addColumn<bool>("atOnce");
        QTest::newRow("playing, pictures shown") << true << true << false;
        QTest::newRow("paused on a picture") << false << true << true;
        QTest::newRow("playing, no picture yet") << true << false << true;
    }

    void jumpLands()
    {
        QFETCH(bool, playing);
        QFETCH(bool, picture);
        QFETCH(bool, atOnce);
        Rig rig;
        rig.start(makeVideo(QStringLiteral("j")));
        if (!playing)
            rig.engine->pause();
        if (picture)
            rig.engine->deliverFrame(QImage(16, 9, QImage::Format_RGB32));
        FrameGlide glide;
        glide.classBegin();
        glide.setEngine(rig.engine);
        glide.setAnimated(false);
        glide.setTarget(5);
        glide.componentComplete();
        QCOMPARE(glide.value(), 5.0);

        glide.setTarget(40);
        QCOMPARE(glide.value(), atOnce ? 40.0 : 5.0);
        if (!atOnce) {
            rig.engine->deliverFrame(QImage(16, 9, QImage::Format_RGB32));
            QCOMPARE(glide.value(), 40.0);
            // Paused while a jump waits: no picture is coming to carry it.
            glide.setTarget(80);
            rig.engine->pause();
            QTRY_COMPARE(glide.value(), 80.0);
        }
    }

    // From the tap on: while the sheet is made and slides up, the details
    // are made in slices and the controls hide, every picture the engine
    // hands over is taken in by the surface and drawn by the window.
    void everyPictureFromTheTap()
    {
        Rig rig;
        QmlHarness h;
        QQuickItem *root = h.loadSource(kOpening, rig.stores());
        QVERIFY2(root, qPrintable(h.errors()));
        VideoSurface *surface = rig.store.surface();
        std::atomic<quint64> taken{0};
        std::atomic<int> drawnPictures{0};
        QMetaObject::Connection synced = connect(
            h.window(), &QQuickWindow::afterSynchronizing, h.window(),
            [&] {
                if (surface->shownSerial() != taken.exchange(surface->shownSerial()))
                    ++drawnPictures;
            },
            Qt::DirectConnection);
        auto done = qScopeGuard([&] { disconnect(synced); });

        // The tap: the video is still starting as the player opens.
        rig.store.play(makeVideo(QStringLiteral("t")), std::nullopt, true);
        QVERIFY(rig.store.expanded());
        QVERIFY(rig.store.isBuffering());
        rig.engine->makeReady(60);
        QQuickItem *details = h.find(QStringLiteral("detailsLoader"));
        QVERIFY(details);
        QVERIFY(!details->property("active").toBool());
        int delivered = 0;
        // The details are made in slices once the first pictures are up.
        int deliveredWhenMade = -1;
        auto made = connect(details, &QQuickItem::childrenChanged, this, [&] { deliveredWhenMade = delivered; });
        auto unmade = qScopeGuard([&] { disconnect(made); });
        QQuickItem *cover = h.find(QStringLiteral("cover"));
        QVERIFY(cover && cover->y() > 0);

        QImage picture(64, 36, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        const auto settled = [&] {
            QQuickItem *controls = h.find(QStringLiteral("playerControls"));
            return cover->y() == 0 && details && details->property("item").value<QQuickItem *>() &&
                   details->property("status").toInt() == 1 /* Ready */ && controls && !controls->isVisible();
        };
        bool slid = false;
        // A picture at a time, each drawn before the next comes, until the
        // player has settled and a few more.
        for (int after = 0; after < 5 && delivered < 2000; ++delivered) {
            rig.engine->deliverFrame(picture);
            const quint64 serial = rig.engine->videoFrame().serial;
            QTRY_COMPARE(taken.load(), serial);
            slid = slid || (cover->y() > 0 && cover->y() < cover->height());
            if (settled())
                ++after;
        }
        QVERIFY(settled());
        QCOMPARE(drawnPictures.load(), delivered);
        // The pictures came while it slid and while the details were made.
        QVERIFY(slid);
        QVERIFY(details->property("asynchronous").toBool());
        QVERIFY(deliveredWhenMade > 0);
    }

    void onePerPicture_data()
    {
        QTest::addColumn<QString>("place");
        QTest::newRow("full player, controls hidden") << "sheet";
        QTest::newRow("mini bar") << "bar";
        QTest::newRow("picture in picture") << "pip";
    }

    void onePerPicture()
    {
        QFETCH(QString, place);
        Rig rig;
        QmlHarness h;
        // Long enough for the clips' whole run, short enough that the lines
        // move a point or more at every published time.
        rig.start(makeVideo(QStringLiteral("f")), 60);
        // Marks on the seek bar, which the play head leaves alone.
        PlayerStoreProbe::setSegments(rig.store, {{12, 18, QStringLiteral("sponsor")}});
        QQuickWindow *video = h.window();
        if (place == QLatin1String("sheet")) {
            QQuickItem *sheet = rig.loadSheet(h);
            QVERIFY2(sheet, qPrintable(h.errors()));
            auto *overlay = sheet->property("overlay").value<PlayerOverlayModel *>();
            QVERIFY(overlay);
            overlay->setShowControls(false);
            QQuickItem *controls = h.find(QStringLiteral("playerControls"));
            QVERIFY(controls);
            QTRY_VERIFY(!controls->isVisible());
            // The details have loaded what they show, and their spinners have
            // faded out.
            QTRY_VERIFY(!rig.store.detailState().isLoading() && !rig.store.commentsState().isLoading() &&
                        !rig.store.commentsState().isIdle());
            for (const QString &name : {QStringLiteral("relatedSpinner"), QStringLiteral("commentsSpinner")}) {
                QQuickItem *spinner = h.find(name);
                QVERIFY(spinner);
                auto *dots = spinner->property("contentItem").value<QQuickItem *>();
                QVERIFY(dots);
                QTRY_COMPARE(dots->opacity(), 0.0);
            }
        } else {
            rig.store.setPresented(false);
            QVERIFY2(h.loadSource(kBarOnPage, {{QStringLiteral("player"), qmlObject(&rig.store)}}),
                     qPrintable(h.errors()));
            QQuickItem *content = h.find(QStringLiteral("miniPlayerContent"));
            QTRY_COMPARE(content->opacity(), 1.0);
            if (place == QLatin1String("pip")) {
                PictureInPicture *pip = rig.store.pip();
                QVERIFY(pip);
                pip->setMainWindow(h.window());
                pip->start();
                QVERIFY(pip->window() && pip->window()->isVisible());
                video = pip->window();
                QTRY_VERIFY(video->isExposed());
            }
        }

        QImage picture(64, 36, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        // The first picture, and whatever the set-up started, drawn.
        {
            Drawn first(video, rig.engine);
            rig.engine->deliverFrame(picture);
            QTRY_COMPARE(first.picture(), rig.engine->videoFrame().serial);
        }

        // What set-up started has finished drawing (a picture of the details
        // landing late on a slow machine): the count starts from a still window.
        {
            Drawn settling(video, rig.engine);
            for (int seen = -1, i = 0; seen != settling.frames() && i < 20; ++i) {
                seen = settling.frames();
                QTest::qWait(250);
            }
        }

        Drawn shown(video, rig.engine);
        Drawn main(h.window(), rig.engine);
        // Two seconds of the video's pictures, 25 a second as a renderer hands
        // them over, and the clock moving half way between two of them: four
        // published times, each starting a glide that spans a dozen pictures.
        constexpr int pictures = 50;
        int delivered = 0;
        bool clockNext = true;
        QTimer renderer;
        renderer.setTimerType(Qt::PreciseTimer);
        connect(&renderer, &QTimer::timeout, this, [&] {
            if (std::exchange(clockNext, !clockNext)) {
                rig.engine->advance(0.04);
                return;
            }
            rig.engine->deliverFrame(picture);
            if (++delivered == pictures)
                renderer.stop();
        });
        renderer.start(20);
        QTRY_VERIFY_WITH_TIMEOUT(delivered == pictures, 30000);
        QTRY_COMPARE(shown.picture(), rig.engine->videoFrame().serial);
        QVERIFY(rig.store.currentTime() > 1.9);
        // A busy machine may draw two pictures in one frame, never a frame
        // without a new picture.
        QVERIFY2(shown.frames() <= pictures, qPrintable(QString::number(shown.frames())));
        QVERIFY2(main.frames() <= pictures, qPrintable(QString::number(main.frames())));
    }
};

QTEST_MAIN(TestPlayerDraws)
#include "tst_playerdraws.moc"
