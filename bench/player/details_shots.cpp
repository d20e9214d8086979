// Saves the whole window with the player open on a real clip from the dev
// backend, in the light and the dark theme: the details (closed and with the
// chapters open), the statistics, the share menu and sheet, the comments
// (loaded, empty, failed) and the queue (rows, edit mode, empty). The first
// argument is the folder for the pictures.
#include "Fixtures.h"
#include "HomeRig.h"
#include "LibraryRig.h"
#include "MpvEngine.h"
#include "AppScheme.h"
#include "ShareSheet.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTest>

using homefeed::saveShot;
using homefeed::waitFor;

namespace {

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
    homefeed::preferOffscreen();
    if (qEnvironmentVariableIsEmpty("NIMBELORA_AUDIO"))
        qputenv("NIMBELORA_AUDIO", "null");
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);
    const QString dir = homefeed::shotsFolder(argc, argv);

    librarytab::LibraryRig rig;
    if (!rig.start() || !rig.backend().prepareMedia())
        return 1;
    const std::optional<Video> video = pick(rig.backend());
    if (!video)
        return 1;
    const QString comments = QStringLiteral("/api/comments/") + video->id;
    int failures = 0;
    auto shot = [&](const QString &name) {
        QTest::qWait(700); // animations and images settle
        failures += !saveShot(rig.window(), dir, name);
    };
    auto check = [&](const char *what, const std::function<bool()> &pred) {
        const bool ok = waitFor(what, pred, 15000);
        failures += !ok;
        return ok;
    };

    for (int theme : {1, 2}) {
        const QString suffix = theme == 1 ? QStringLiteral("-light.png") : QStringLiteral("-dark.png");
        AppScheme::shared().setScheme(theme);
        auto *engine = new MpvEngine;
        engine->prepare(); // mpv opens with the first playback otherwise
        rig.reset(theme, false, engine);
        if (!rig.load() || !check("mpv", [&] { return engine->isAvailable(); }))
            return 1;
        PlayerStore &player = *rig.app().player();
        QmlHarness &qml = rig.qml();

        player.play(*video, std::nullopt, true);
        check("metadata", [&] {
            return player.isPlaying() && player.detail() && !player.related().isEmpty() &&
                   player.commentsState().isLoaded() && qml.find(QStringLiteral("detailsList"));
        });
        QQuickItem *sheet = qml.find(QStringLiteral("playerSheet"))->property("item").value<QQuickItem *>();
        QObject *overlay = sheet->property("overlay").value<QObject *>();
        QObject *details = sheet->property("details").value<QObject *>();
        QTest::qWait(1500); // thumbnails and avatars
        shot(QStringLiteral("details") + suffix);
        rig.library().toggleWatchLater(*video);
        shot(QStringLiteral("details-saved") + suffix);
        rig.library().toggleWatchLater(*video);
        qml.click(QStringLiteral("descriptionToggle"));
        shot(QStringLiteral("details-open") + suffix);
        FaultRule slow;
        slow.pathPrefix = comments;
        slow.delayMs = 4000;
        rig.backend().addFault(slow);
        player.loadComments(video->id, QStringLiteral("top"));
        shot(QStringLiteral("details-comments-loading") + suffix);
        rig.backend().clearFaults();
        check("comments", [&] { return player.commentsState().isLoaded(); });

        overlay->setProperty("showStats", true);
        QTest::qWait(2000);
        shot(QStringLiteral("stats") + suffix);
        overlay->setProperty("showStats", false);
        player.togglePlay(); // paused, so the queue stays as set

        QQuickItem *bar = qml.find(QStringLiteral("actionBar"));
        bar->setProperty("contentX", bar->property("contentWidth").toDouble() - bar->width());
        qml.click(QStringLiteral("shareButton"));
        if (check("share menu", [&] { return qml.find(QStringLiteral("contextMenuItem1")); })) {
            shot(QStringLiteral("share-menu") + suffix);
            qml.click(QStringLiteral("contextMenuItem1"));
            if (check("share sheet", [&] { return ShareSheet::shared().active(); }))
                shot(QStringLiteral("share-sheet") + suffix);
            ShareSheet::shared().dismiss();
        }

        details->setProperty("showComments", true);
        shot(QStringLiteral("comments") + suffix);
        FaultRule empty;
        empty.pathPrefix = comments;
        empty.body = FaultRule::Body::Raw;
        empty.rawBody = "[]";
        rig.backend().addFault(empty);
        player.loadComments(video->id, QStringLiteral("top"));
        if (check("empty comments", [&] { return player.commentsState().isLoaded(); }))
            shot(QStringLiteral("comments-empty") + suffix);
        rig.backend().clearFaults();
        rig.backend().failPath(comments, 500, QStringLiteral("El servidor no responde."));
        player.loadComments(video->id, QStringLiteral("top"));
        if (check("failed comments", [&] { return player.commentsState().isFailed(); }))
            shot(QStringLiteral("comments-failed") + suffix);
        rig.backend().clearFaults();
        details->setProperty("showComments", false);

        player.setQueue(player.related().mid(0, 4));
        overlay->setProperty("showQueue", true);
        shot(QStringLiteral("queue") + suffix);
        qml.click(QStringLiteral("queueEdit"));
        shot(QStringLiteral("queue-edit") + suffix);
        player.setQueue({});
        shot(QStringLiteral("queue-empty") + suffix);
        overlay->setProperty("showQueue", false);
    }
    rig.unload();
    return failures == 0 ? 0 : 1;
}
