// Saves the open player while it is touched: the skip badge, the heads-up
// display of each pan (the brightness one with the window dimmed), the
// options menu and each submenu, and the lock. Runs the whole app against
// the backend NIMBELORA_BACKEND_URL names and plays PLAYER_SHOTS_VIDEO;
// argv[1] is the folder, PLAYER_SHOTS_THEME 1 (light) or 2 (dark).
#include "Defaults.h"
#include "LayerPlugins.h"
#include "NimbeloraApp.h"
#include "PlayerGestureModel.h"
#include "Pref.h"
#include "Screen.h"

#include <QDir>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace {

QString g_dir;
QQuickWindow *g_window = nullptr;
int g_failures = 0;

QQuickItem *findIn(QQuickItem *item, const QString &name)
{
    if (!item || (item->objectName() == name && item->isVisible()))
        return item;
    for (QQuickItem *child : item->childItems())
        if (QQuickItem *found = findIn(child, name))
            return found;
    return nullptr;
}

QQuickItem *find(const char *name) { return findIn(g_window->contentItem(), QString::fromLatin1(name)); }

void save(const char *name)
{
    const QString path = QDir(g_dir).absoluteFilePath(QString::fromLatin1(name) + QStringLiteral(".png"));
    const bool ok = g_window->grabWindow().save(path);
    g_failures += !ok;
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
}

QPoint onVideo(double fx, double fy)
{
    QQuickItem *area = find("playerArea");
    return area->mapToScene(QPointF(area->width() * fx, area->height() * fy)).toPoint();
}

// Presses, moves by `by` in steps and, still holding, saves `name`.
void panAndSave(QPoint from, QPoint by, const char *name)
{
    QTest::mousePress(g_window, Qt::LeftButton, {}, from);
    for (int i = 1; i <= 12; ++i)
        QTest::mouseMove(g_window, from + by * i / 12, 15);
    QTest::qWait(400);
    save(name);
    QTest::mouseRelease(g_window, Qt::LeftButton, {}, from + by, 15);
    QTest::qWait(1200);
}

void click(const char *name)
{
    QQuickItem *item = nullptr;
    if (!QTest::qWaitFor([&] { return (item = find(name)) && item->opacity() == 1; }, 3000)) {
        std::fprintf(stderr, "no %s\n", name);
        ++g_failures;
        return;
    }
    QTest::mouseClick(g_window, Qt::LeftButton, {}, item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint());
    QTest::qWait(600);
}

// Closes the menu that holds `row`, and the menus it opened from.
void dismiss(const char *row)
{
    QMetaObject::invokeMethod(find(row)->property("menu").value<QObject *>(), "dismiss");
    QTest::qWait(500);
}

void submenu(const char *entry, const char *row, const char *name)
{
    click("moreButton");
    click(entry);
    save(name);
    dismiss(row);
}

void run(NimbeloraApp *app)
{
    Video v;
    v.id = qEnvironmentVariable("PLAYER_SHOTS_VIDEO", QStringLiteral("rRRTYUH3HPR"));
    v.title = QStringLiteral("Cargando…");
    app->player()->play(v);
    // Paused early, so the clip neither ends nor moves on meanwhile.
    QTest::qWait(5000);
    if (app->player()->isPlaying())
        app->player()->togglePlay();
    PlayerOverlayModel *overlay = find("gestureLayer")->property("model").value<PlayerGestureModel *>()->overlay();
    overlay->setHideDelay(1000000);
    save("player");

    overlay->setShowControls(false);
    QTest::qWait(400);
    QTest::mouseDClick(g_window, Qt::LeftButton, {}, onVideo(0.8, 0.5));
    QTest::qWait(250);
    save("skip-badge");
    QTest::qWait(1200);

    panAndSave(onVideo(0.5, 0.5), QPoint(120, 0), "hud-seek");
    panAndSave(onVideo(0.2, 0.6), QPoint(0, 110), "hud-brightness-dimmed");
    panAndSave(onVideo(0.8, 0.6), QPoint(0, 70), "hud-volume");
    Screen::shared().setBrightness(1);

    overlay->setShowControls(true);
    QTest::qWait(400);
    click("moreButton");
    save("menu");
    dismiss("option.speed");
    submenu("option.speed", "option.rate:0", "menu-speed");
    submenu("option.captions", "option.captionLarger", "menu-captions");
    app->player()->setSleep(30, false);
    submenu("option.sleep", "option.sleep:15", "menu-sleep");
    app->player()->markLoopA();
    submenu("option.loopAB", "option.loopA", "menu-loop");
    click("qualityBadge");
    save("menu-quality");
    dismiss("quality_0");

    click("moreButton");
    click("option.lock");
    QTest::qWait(400);
    QTest::mouseClick(g_window, Qt::LeftButton, {}, onVideo(0.5, 0.3));
    QTest::qWait(1000);
    save("locked");
}

} // namespace

int main(int argc, char *argv[])
{
    g_dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/player-shots");
    QDir().mkpath(g_dir);
    NimbeloraApp::Hooks hooks;
    hooks.windowCreated = [](QQuickWindow *window, NimbeloraApp *app) {
        g_window = window;
        Defaults::shared().setValue(Pref::onboarded, true);
        Defaults::shared().setValue(Pref::theme, qEnvironmentVariableIntValue("PLAYER_SHOTS_THEME"));
        QTimer::singleShot(1500, window, [app] {
            run(app);
            QCoreApplication::exit(g_failures == 0 ? 0 : 1);
        });
    };
    // The app takes its own arguments; the folder is ours.
    int appArgc = 1;
    return NimbeloraApp::main(appArgc, argv, hooks);
}
