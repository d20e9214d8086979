// Saves the player sheet offscreen, playing a real clip from the dev backend,
// in the light and the dark theme: the details (closed and with the chapters
// open), the statistics, the share menu and sheet, the comments (loaded,
// empty, failed) and the queue (rows, edit mode, empty).
#include "Fixtures.h"
#include "MpvEngine.h"
#include "Palette.h"
#include "PlayerSheetRig.h"
#include "ShareSheet.h"
#include "WebSignIn.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QTest>

using namespace playersheet;

namespace {

int failures = 0;

void save(PlayerSheetRig &rig, const QString &dir, const QString &name)
{
    QTest::qWait(700); // animations and images settle
    const QString path = QDir(dir).absoluteFilePath(name + QStringLiteral(".png"));
    const bool ok = rig.window()->grabWindow().save(path);
    failures += !ok;
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
}

bool wait(const char *what, const std::function<bool()> &pred, int ms = 15000)
{
    if (QmlHarness::waitFor(pred, ms))
        return true;
    std::fprintf(stderr, "timed out waiting for %s\n", what);
    ++failures;
    return false;
}

// A long playable video with chapters and comments.
std::optional<Video> pick(TestBackend &backend)
{
    const Fixtures &fx = backend.fixtures();
    for (const FxVideo &v : fx.videos())
        if (v.canPlay && v.hls && !v.isShort && !v.live && !v.commentsOff && v.duration >= 180 &&
            fx.chaptersJson(v).size() >= 4)
            return Video::fromJson(fx.videoJson(v, backend.origin()));
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                 : QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("shots"));
    QDir().mkpath(dir);

    PlayerSheetRig rig;
    if (!rig.start() || !rig.backend().prepareMedia())
        return 1;
    const std::optional<Video> video = pick(rig.backend());
    if (!video)
        return 1;
    const QString comments = QStringLiteral("/api/comments/") + video->id;

    for (int scheme : {1, 2}) {
        const QString theme = scheme == 1 ? QStringLiteral("-light") : QStringLiteral("-dark");
        Palette::shared().setScheme(scheme);
        auto *engine = new MpvEngine;
        engine->prepare();
        if (!rig.load(engine) || !wait("mpv", [&] { return engine->isAvailable(); }))
            return 1;
        PlayerStore &player = rig.player();
        QObject *overlay = rig.model("overlay");
        QObject *details = rig.model("details");

        player.play(*video, std::nullopt, true);
        wait("metadata", [&] {
            return player.isPlaying() && player.detail() && !player.related().isEmpty() &&
                   player.commentsState().isLoaded();
        });
        QTest::qWait(1500); // thumbnails and avatars
        save(rig, dir, QStringLiteral("details") + theme);
        rig.qml().click(QStringLiteral("descriptionToggle"));
        save(rig, dir, QStringLiteral("details-open") + theme);

        overlay->setProperty("showStats", true);
        QTest::qWait(2000);
        save(rig, dir, QStringLiteral("stats") + theme);
        overlay->setProperty("showStats", false);
        player.togglePlay(); // paused, so the queue stays as set

        QQuickItem *bar = rig.qml().find(QStringLiteral("actionBar"));
        bar->setProperty("contentX", bar->property("contentWidth").toDouble() - bar->width());
        rig.qml().click(QStringLiteral("shareButton"));
        if (wait("share menu", [&] { return rig.qml().find(QStringLiteral("contextMenuItem1")); }, 3000)) {
            save(rig, dir, QStringLiteral("share-menu") + theme);
            rig.qml().click(QStringLiteral("contextMenuItem1"));
            if (wait("share sheet", [&] { return ShareSheet::shared().active(); }, 3000))
                save(rig, dir, QStringLiteral("share-sheet") + theme);
            ShareSheet::shared().dismiss();
        }

        details->setProperty("showComments", true);
        save(rig, dir, QStringLiteral("comments") + theme);
        FaultRule empty;
        empty.pathPrefix = comments;
        empty.body = FaultRule::Body::Raw;
        empty.rawBody = "[]";
        rig.backend().addFault(empty);
        player.loadComments(video->id, QStringLiteral("top"));
        if (wait("empty comments", [&] { return player.commentsState().isLoaded(); }))
            save(rig, dir, QStringLiteral("comments-empty") + theme);
        rig.backend().clearFaults();
        rig.backend().failPath(comments, 500, QStringLiteral("El servidor no responde."));
        player.loadComments(video->id, QStringLiteral("top"));
        if (wait("failed comments", [&] { return player.commentsState().isFailed(); }))
            save(rig, dir, QStringLiteral("comments-failed") + theme);
        rig.backend().clearFaults();
        details->setProperty("showComments", false);

        player.setQueue(player.related().mid(0, 4));
        overlay->setProperty("showQueue", true);
        save(rig, dir, QStringLiteral("queue") + theme);
        rig.qml().click(QStringLiteral("queueEdit"));
        save(rig, dir, QStringLiteral("queue-edit") + theme);
        player.setQueue({});
        save(rig, dir, QStringLiteral("queue-empty") + theme);
        overlay->setProperty("showQueue", false);
        rig.unload();
    }
    return failures == 0 ? 0 : 1;
}
