// Saves the home screen offscreen while the feed loads, when the backend is
// down or failing, and with a video's context menu open, for a look by eye.
#include "HomeRig.h"
#include "AppScheme.h"
#include "WebSignIn.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTest>

using namespace homefeed;

int main(int argc, char *argv[])
{
    preferOffscreen();
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);
    const QString dir = shotsFolder(argc, argv);

    HomeRig rig;
    if (!rig.start())
        return 1;
    // Thumbnails in the menu shot need the backend's media.
    const bool media = rig.backend().prepareMedia();
    int failures = 0;

    // Loading: the feed is held back, so the placeholders stay.
    rig.reset();
    rig.backend().delayPath(QStringLiteral("/api/feed"), 20000);
    if (rig.load() && waitFor("skeletons", [&] { return !rig.shown(QStringLiteral("skeletonCard")).isEmpty(); })) {
        QTest::qWait(600);
        failures += !saveShot(rig.window(), dir, QStringLiteral("home-loading.png"));
    } else {
        ++failures;
    }

    // Down: nothing listens at the backend's address.
    rig.reset();
    API::shared().setBaseUrl(QUrl(QStringLiteral("http://127.0.0.1:9")));
    if (rig.load() && waitFor("error state", [&] { return !rig.shown(QStringLiteral("feedError")).isEmpty(); }, 15000)) {
        QTest::qWait(400);
        failures += !saveShot(rig.window(), dir, QStringLiteral("home-down.png"));
    } else {
        ++failures;
    }

    // Failing: the feed answers 500 with a message.
    rig.reset();
    rig.backend().failPath(QStringLiteral("/api/feed"), 500, QStringLiteral("El servidor se cayó"));
    if (rig.load() && waitFor("error state", [&] { return !rig.shown(QStringLiteral("feedError")).isEmpty(); })) {
        QTest::qWait(400);
        failures += !saveShot(rig.window(), dir, QStringLiteral("home-500.png"));
    } else {
        ++failures;
    }

    // The context menu of the first card, opened by a right click.
    rig.reset();
    if (rig.load() && waitFor("cards", [&] { return !rig.shown(QStringLiteral("videoCard")).isEmpty(); })) {
        QTest::qWait(media ? 2000 : 500); // thumbnails and avatars
        QQuickItem *card = rig.shown(QStringLiteral("videoCard")).first();
        const QPoint at = card->mapToScene(QPointF(card->width() / 2, card->height() / 3)).toPoint();
        QTest::mouseClick(rig.window(), Qt::RightButton, {}, at);
        if (waitFor("menu", [&] { return rig.qml().find(QStringLiteral("contextMenuItem0")) != nullptr; }, 3000)) {
            QTest::qWait(800); // the opening animation
            failures += !saveShot(rig.window(), dir, QStringLiteral("home-menu.png"));
        } else {
            ++failures;
        }
    } else {
        ++failures;
    }
    // The loaded feed, its thumbnails faded in, light and dark; narrow and
    // wide (three columns), at its top and scrolled down past reused rows.
    for (int theme : {1, 2}) {
        AppScheme::shared().setScheme(theme);
        for (int width : {430, 1200}) {
            rig.reset();
            const QString name = QStringLiteral("home-feed-%1-%2").arg(theme == 1 ? u"light" : u"dark").arg(width);
            if (!rig.load(width) || !waitFor("cards", [&] { return !rig.shown(QStringLiteral("videoCard")).isEmpty(); })) {
                ++failures;
                continue;
            }
            QTest::qWait(media ? 2500 : 500);
            failures += !saveShot(rig.window(), dir, name + QStringLiteral(".png"));
            QQuickItem *grid = rig.qml().find(QStringLiteral("feedGrid"));
            if (!grid) {
                ++failures;
                continue;
            }
            for (int screen = 0; screen < 6; ++screen) {
                grid->setProperty("contentY", grid->property("contentY").toDouble() + 700);
                QTest::qWait(50);
            }
            QTest::qWait(media ? 2500 : 500);
            failures += !saveShot(rig.window(), dir, name + QStringLiteral("-scrolled.png"));
        }
    }
    AppScheme::shared().setScheme(0);
    rig.unload();
    return failures == 0 ? 0 : 1;
}
