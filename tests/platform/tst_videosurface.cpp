#include "SampleClips.h"
#include "MpvEngine.h"
#include "QmlHarness.h"
#include "SimulatedEngine.h"
#include "VideoSurface.h"
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

constexpr int kLong = 20000;

bool isRed(QRgb c) { return qRed(c) > 150 && qGreen(c) < 90 && qBlue(c) < 90; }
bool isBlack(QRgb c) { return qRed(c) < 20 && qGreen(c) < 20 && qBlue(c) < 20; }

} // namespace

class TestVideoSurface : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QUrl m_clip; // 3 s of plain red, 16:9

    // Two surfaces side by side, each 200 x 300.
    static QByteArray twoSurfaces()
    {
        return "import QtQuick\nimport Nimbelora.Platform\n"
               "Item { width: 400; height: 300\n"
               "  VideoSurface { objectName: 'a'; x: 0; width: 200; height: 300 }\n"
               "  VideoSurface { objectName: 'b'; x: 200; width: 200; height: 300 }\n"
               "}";
    }

    static QImage grab(QmlHarness &h) { return h.window()->grabWindow(); }

private slots:
    void initTestCase()
    {
        qputenv("NIMBELORA_AUDIO", "null");
        const QString path = m_dir.filePath(QStringLiteral("red.mp4"));
        if (!makeClip(path, QStringLiteral("color=c=red:size=320x180:rate=25:duration=3"), 3, false))
            QSKIP("ffmpeg could not make the test clip");
        m_clip = QUrl::fromLocalFile(path);
    }

    void videoRect_data()
    {
        QTest::addColumn<QSizeF>("item");
        QTest::addColumn<QSizeF>("video");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QRectF>("expected");
        const int fit = VideoSurface::AspectFit, fill = VideoSurface::AspectFill;
        QTest::newRow("fit, wide video in a tall item") << QSizeF(430, 932) << QSizeF(1920, 1080) << fit
                                                        << QRectF(0, 345.0625, 430, 241.875);
        QTest::newRow("fill, wide video in a tall item")
            << QSizeF(430, 932) << QSizeF(1920, 1080) << fill << QRectF(-613.4444444444, 0, 1656.8888888889, 932);
        QTest::newRow("fit, tall video in a wide item") << QSizeF(800, 400) << QSizeF(1080, 1920) << fit
                                                        << QRectF(287.5, 0, 225, 400);
        QTest::newRow("fill, same shape") << QSizeF(640, 360) << QSizeF(1280, 720) << fill << QRectF(0, 0, 640, 360);
        QTest::newRow("unknown video size") << QSizeF(300, 200) << QSizeF() << fill << QRectF(0, 0, 300, 200);
        QTest::newRow("empty item") << QSizeF(0, 200) << QSizeF(16, 9) << fit << QRectF();
    }

    void videoRect()
    {
        QFETCH(QSizeF, item);
        QFETCH(QSizeF, video);
        QFETCH(int, mode);
        QFETCH(QRectF, expected);
        const QRectF r = VideoSurface::videoRect(item, video, VideoSurface::FillMode(mode));
        QVERIFY2(std::abs(r.x() - expected.x()) < 1e-6 && std::abs(r.y() - expected.y()) < 1e-6 &&
                     std::abs(r.width() - expected.width()) < 1e-6 &&
                     std::abs(r.height() - expected.height()) < 1e-6,
                 qPrintable(QStringLiteral("%1 %2 %3 %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())));
    }

    void showsTheVideo_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("barsBlack");
        QTest::newRow("fit leaves bars") << int(VideoSurface::AspectFit) << true;
        QTest::newRow("fill covers everything") << int(VideoSurface::AspectFill) << false;
    }

    void showsTheVideo()
    {
        QFETCH(int, mode);
        QFETCH(bool, barsBlack);
        QmlHarness h;
        auto *surface = qobject_cast<VideoSurface *>(
            h.loadSource("import Nimbelora.Platform\nVideoSurface { width: 430; height: 932 }"));
        QVERIFY2(surface, qPrintable(h.errors()));
        surface->setFillMode(VideoSurface::FillMode(mode));
        MpvEngine engine;
        surface->setEngine(&engine);
        QVERIFY(surface->isActive());
        engine.load(m_clip, false); // paused: the first picture still shows

        QTRY_VERIFY_WITH_TIMEOUT(isRed(grab(h).pixel(215, 466)), kLong);
        // 16:9 fitted into 430 wide is 242 tall: above it, a bar.
        const QRgb top = grab(h).pixel(215, 100);
        QVERIFY2(barsBlack ? isBlack(top) : isRed(top), qPrintable(QString::number(top, 16)));
        // The picture is rendered at the size it is shown, never above the
        // video's once that is known (the very first frame may come before).
        QTRY_VERIFY_WITH_TIMEOUT(!engine.videoFrame().image.isNull() && engine.videoFrame().image.width() <= 320,
                                 kLong);
    }

    void lastAssignmentWins()
    {
        QmlHarness h;
        QVERIFY2(h.loadSource(twoSurfaces()), qPrintable(h.errors()));
        auto *a = qobject_cast<VideoSurface *>(h.find("a"));
        auto *b = qobject_cast<VideoSurface *>(h.find("b"));
        QVERIFY(a && b);
        const auto shows = [&](bool left, bool right) {
            const QImage shot = grab(h);
            return isRed(shot.pixel(100, 150)) == left && isBlack(shot.pixel(100, 150)) != left &&
                   isRed(shot.pixel(300, 150)) == right && isBlack(shot.pixel(300, 150)) != right;
        };
        auto engine = std::make_unique<MpvEngine>();
        a->setEngine(engine.get());
        engine->load(m_clip, false);
        QTRY_VERIFY_WITH_TIMEOUT(shows(true, false), kLong);

        b->setEngine(engine.get());
        QVERIFY(!a->isActive());
        QVERIFY(b->isActive());
        QCOMPARE(engine->videoHolder(), b);
        QTRY_VERIFY_WITH_TIMEOUT(shows(false, true), kLong);

        // Assigning the same engine again takes it back.
        a->setEngine(engine.get());
        QVERIFY(a->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(shows(true, false), kLong);

        // A surface that lets go leaves the engine to nobody.
        a->setEngine(nullptr);
        QCOMPARE(engine->videoHolder(), nullptr);
        QVERIFY(!b->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(shows(false, false), kLong);

        // An engine that goes leaves the background.
        b->setEngine(engine.get());
        QTRY_VERIFY_WITH_TIMEOUT(shows(false, true), kLong);
        engine.reset();
        QCOMPARE(b->engine(), nullptr);
        QVERIFY(!b->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(shows(false, false), kLong);
    }

    // A failed load shows the background, also after a resize (a redraw).
    void failedLoadShowsNoOldPicture()
    {
        QmlHarness h;
        auto *surface = qobject_cast<VideoSurface *>(
            h.loadSource("import Nimbelora.Platform\nVideoSurface { width: 320; height: 180 }"));
        MpvEngine engine;
        surface->setEngine(&engine);
        engine.load(m_clip, true);
        QTRY_VERIFY_WITH_TIMEOUT(isRed(grab(h).pixel(160, 90)) && engine.currentTime() > 0.5, kLong);
        engine.load(QUrl::fromLocalFile(m_clip.toLocalFile() + QStringLiteral(".missing")), true);
        QTRY_COMPARE_WITH_TIMEOUT(engine.itemStatus(), MediaEngine::ItemStatus::Failed, kLong);
        surface->setWidth(300);
        QTest::qWait(300);
        QVERIFY(isBlack(grab(h).pixel(150, 90)));
    }

    void simulatedEngineShowsTheBackground()
    {
        QmlHarness h;
        auto *surface = qobject_cast<VideoSurface *>(
            h.loadSource("import Nimbelora.Platform\nVideoSurface { width: 200; height: 200; color: '#123456' }"));
        QVERIFY2(surface, qPrintable(h.errors()));
        SimulatedEngine engine;
        surface->setEngine(&engine);
        engine.load(QUrl("http://x/a"), true);
        engine.makeReady(60);
        QTest::qWait(50);
        QCOMPARE(QColor(grab(h).pixel(100, 100)), QColor("#123456"));
    }

    void surfaceGoneFreesTheEngine()
    {
        MpvEngine engine;
        {
            QmlHarness h;
            auto *surface = qobject_cast<VideoSurface *>(
                h.loadSource("import Nimbelora.Platform\nVideoSurface { width: 320; height: 180 }"));
            QVERIFY(surface);
            surface->setEngine(&engine);
            QCOMPARE(engine.videoHolder(), surface);
        }
        QCOMPARE(engine.videoHolder(), nullptr);
        QCOMPARE(engine.videoTargetSize(), QSize());
        // Nobody shows it, but it still plays.
        engine.load(m_clip, true);
        QTRY_VERIFY_WITH_TIMEOUT(engine.currentTime() > 0.3, kLong);
    }
};

QTEST_MAIN(TestVideoSurface)
#include "tst_videosurface.moc"
