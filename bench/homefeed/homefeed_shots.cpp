// Saves the home screen offscreen while the feed loads, when the backend is
// down or failing, and with a video's context menu open, for a look by eye.
#include "HomeRig.h"
#include "WebSignIn.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTest>

using namespace homefeed;

namespace {

bool save(HomeRig &rig, const QString &dir, const QString &name)
{
    const QString path = QDir(dir).absoluteFilePath(name);
    const bool ok = rig.window()->grabWindow().save(path);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
    return ok;
}

bool wait(const char *what, const std::function<bool()> &pred, int ms = 8000)
{
    if (QmlHarness::waitFor(pred, ms))
        return true;
    std::fprintf(stderr, "timed out waiting for %s\n", what);
    return false;
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

    HomeRig rig;
    if (!rig.start())
        return 1;
    // Thumbnails in the menu shot need the backend's media.
    const bool media = rig.backend().prepareMedia();
    int failures = 0;

    // Loading: the feed is held back, so the placeholders stay.
    rig.reset();
    rig.backend().delayPath(QStringLiteral("/api/feed"), 20000);
    if (rig.load() && wait("skeletons", [&] { return !rig.shown(QStringLiteral("skeletonCard")).isEmpty(); })) {
        QTest::qWait(600);
        failures += !save(rig, dir, QStringLiteral("home-loading.png"));
    } else {
        ++failures;
    }

    // Down: nothing listens at the backend's address.
    rig.reset();
    API::shared().setBaseUrl(QUrl(QStringLiteral("http://127.0.0.1:9")));
    if (rig.load() && wait("error state", [&] { return !rig.shown(QStringLiteral("feedError")).isEmpty(); }, 15000)) {
        QTest::qWait(400);
        failures += !save(rig, dir, QStringLiteral("home-down.png"));
    } else {
        ++failures;
    }

    // Failing: the feed answers 500 with a message.
    rig.reset();
    rig.backend().failPath(QStringLiteral("/api/feed"), 500, QStringLiteral("El servidor se cayó"));
    if (rig.load() && wait("error state", [&] { return !rig.shown(QStringLiteral("feedError")).isEmpty(); })) {
        QTest::qWait(400);
        failures += !save(rig, dir, QStringLiteral("home-500.png"));
    } else {
        ++failures;
    }

    // The context menu of the first card, opened by a right click.
    rig.reset();
    if (rig.load() && wait("cards", [&] { return !rig.shown(QStringLiteral("videoCard")).isEmpty(); })) {
        QTest::qWait(media ? 2000 : 500); // thumbnails and avatars
        QQuickItem *card = rig.shown(QStringLiteral("videoCard")).first();
        const QPoint at = card->mapToScene(QPointF(card->width() / 2, card->height() / 3)).toPoint();
        QTest::mouseClick(rig.window(), Qt::RightButton, {}, at);
        if (wait("menu", [&] { return rig.qml().find(QStringLiteral("contextMenuItem0")) != nullptr; }, 3000)) {
            QTest::qWait(800); // the opening animation
            failures += !save(rig, dir, QStringLiteral("home-menu.png"));
        } else {
            ++failures;
        }
    } else {
        ++failures;
    }
    rig.unload();
    return failures == 0 ? 0 : 1;
}
