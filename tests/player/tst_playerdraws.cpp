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
