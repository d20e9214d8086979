// The player screens drawn with a real video from the development backend:
// the sheet in portrait and in landscape, and the mini bar over a page. The
// pictures land in the build folder (player-shots/) for looking at; the test
// checks only that the video shows where each place puts it.
#include "Fixtures.h"
#include "MpvEngine.h"
#include "PlayerRig.h"

#include <QCoreApplication>
#include <QImage>

using namespace playertest;

namespace {

bool isDark(QRgb c) { return qRed(c) < 24 && qGreen(c) < 24 && qBlue(c) < 24; }

// Some pixel inside `rect` of the picture is not black.
bool showsPicture(const QImage &image, const QRect &rect)
{
    for (int y = rect.top(); y < rect.bottom(); y += 4)
        for (int x = rect.left(); x < rect.right(); x += 4)
            if (!isDark(image.pixel(x, y)))
                return true;
    return false;
}

} // namespace

class TestPlayerRender : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestBackend> backend;
    QString shots;

    Video playable() const
    {
        for (const FxVideo &v : backend->fixtures().videos())
            if (v.canPlay && v.hls && !v.isShort && !v.live && v.duration >= 180) {
                Video out;
                out.id = v.id;
                out.title = v.title;
                out.channel = backend->get(QStringLiteral("/api/video/") + v.id).json()[QStringLiteral("channel")].toString();
                out.duration = v.duration;
                return out;
            }
        return {};
    }

    QString save(const QImage &image, const QString &name)
    {
        const QString path = shots + QLatin1Char('/') + name;
        return image.save(path) ? path : QString();
    }

private slots:
    void initTestCase()
    {
        TestBackend::Options options;
        options.media = true;
        backend = std::make_unique<TestBackend>(options);
        setUpProcess(*backend);
        shots = QCoreApplication::applicationDirPath() + QStringLiteral("/../player-shots");
        QVERIFY(QDir().mkpath(shots));
    }

    void init() { setUpTest(); }

    void sheetAndBar()
    {
        const Video video = playable();
        QVERIFY(!video.id.isEmpty());
        auto *engine = new MpvEngine;
        engine->prepare();
        QTRY_VERIFY_WITH_TIMEOUT(engine->isAvailable(), 10000);
        PlayerStore store(engine);
        LibraryStore library;
        store.attach(&library);
        Router router;
        AvatarStore avatars;

        {
            QmlHarness h;
            QQuickItem *root = h.load(playerSheet(),
                                      {{QStringLiteral("player"), qmlObject(&store)},
                                       {QStringLiteral("library"), qmlObject(&library)},
                                       {QStringLiteral("router"), qmlObject(&router)},
                                       {QStringLiteral("avatars"), qmlObject(&avatars)}});
            QVERIFY2(root, qPrintable(h.errors()));
            store.play(video, 4.0, true);
            QTRY_VERIFY_WITH_TIMEOUT(store.isPlaying() && store.detail() && store.duration() > 0, 20000);
            QTRY_VERIFY_WITH_TIMEOUT(!engine->videoFrame().image.isNull() && store.currentTime() > 4.5, 20000);
            store.togglePlay(); // paused, the controls stay up
            QTRY_VERIFY(!store.isPlaying());

            // What the bar can show, scaled into the short clip.
            const double d = store.duration();
            VideoDetail detail = *store.detail();
            detail.chapters = {{0, QStringLiteral("Introducción")},
                               {qint64(d * 0.3), QStringLiteral("Primeros pasos")},
                               {qint64(d * 0.7), QStringLiteral("Final")}};
            PlayerStoreProbe::setDetail(store, detail);
            PlayerStoreProbe::setSegments(store, {{d * 0.45, d * 0.55, QStringLiteral("sponsor")}});
            PlayerStoreProbe::setLoopA(store, d * 0.8);
            store.setLoopB(d * 0.9);
            store.seek(d * 0.4);
            QTest::qWait(600);
            store.setActiveCaption(QStringLiteral("es"));
            store.setCaptionText(QStringLiteral("Así se ven los subtítulos sobre el vídeo"));
            PlayerStoreProbe::setToast(store, std::nullopt);
            QTest::qWait(600);

            QImage portrait = h.window()->grabWindow();
            const QString portraitPath = save(portrait, QStringLiteral("sheet-portrait.png"));
            QVERIFY(!portraitPath.isEmpty());
            qInfo("portrait: %s", qPrintable(portraitPath));
            QVERIFY(showsPicture(portrait, QRect(0, 0, 430, 242)));

            h.window()->resize(932, 430);
            root->setSize(QSizeF(932, 430));
            QTest::qWait(1200);
            QImage landscape = h.window()->grabWindow();
            const QString landscapePath = save(landscape, QStringLiteral("sheet-landscape.png"));
            QVERIFY(!landscapePath.isEmpty());
            qInfo("landscape: %s", qPrintable(landscapePath));
            QVERIFY(showsPicture(landscape, QRect(100, 60, 700, 300)));

            // Controls hidden, an up-next card and a toast.
            PlayerStoreProbe::setUpNext(store, video);
            PlayerStoreProbe::setCountdown(store, 5);
            store.showToast(QStringLiteral("Añadido a la cola"));
            root->property("overlay").value<QObject *>()->setProperty("showControls", false);
            QTest::qWait(1200);
            const QString cardPath = save(h.window()->grabWindow(), QStringLiteral("sheet-landscape-upnext.png"));
            QVERIFY(!cardPath.isEmpty());
            qInfo("up next: %s", qPrintable(cardPath));
            store.cancelCountdown();
        }

        store.setPresented(false);
        QmlHarness h;
        QVERIFY2(h.loadSource(kBarOnPage, {{QStringLiteral("player"), qmlObject(&store)}}), qPrintable(h.errors()));
        QTest::qWait(1200);
        QImage bar = h.window()->grabWindow();
        const QString barPath = save(bar, QStringLiteral("mini-bar.png"));
        QVERIFY(!barPath.isEmpty());
        qInfo("mini bar: %s", qPrintable(barPath));
        QQuickItem *video47 = h.find(QStringLiteral("miniPlayerVideo"));
        const QRect box = video47->mapRectToScene(QRectF(10, 8, 64, 31)).toRect();
        QVERIFY(showsPicture(bar, box));
    }
};

QTEST_MAIN(TestPlayerRender)
#include "tst_playerrender.moc"
