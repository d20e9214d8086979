// Saves the Shorts screen playing, paused, loading and with the backend down,
// in the light and the dark theme, for a look by eye. Offscreen, or under
// Xvfb with QT_QPA_PLATFORM=xcb; the first argument is the folder for the
// pictures.
#include "Defaults.h"
#include "NimbeloraApp.h"
#include "AppScheme.h"
#include "Pref.h"
#include "RootViewLoad.h"
#include "ShareSheet.h"
#include "ShortsRig.h"
#include "WebSignIn.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Nimbelora_AppPlugin)

using namespace homefeed;
using namespace shorts;

int main(int argc, char *argv[])
{
    preferOffscreen();
    if (qEnvironmentVariableIsEmpty("NIMBELORA_AUDIO"))
        qputenv("NIMBELORA_AUDIO", "null");
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);
    const QString dir = shotsFolder(argc, argv);

    ShortsRig rig;
    if (!rig.start() || !rig.backend().prepareMedia())
        return 1;
    int failures = 0;
    for (int theme : {1, 2}) {
        AppScheme::shared().setScheme(theme);
        const QString suffix = theme == 1 ? QStringLiteral("-light.png") : QStringLiteral("-dark.png");

        // Playing the portrait clip, then paused by a tap.
        rig.reset(ShortsStore::defaultEngine);
        if (rig.load() && waitFor("playing", [&] { return rig.store()->ready() && rig.store()->progress() > 0.2; }, 30000)) {
            QTest::qWait(1500); // avatars and the blurred backdrop
            failures += !saveShot(rig.window(), dir, QStringLiteral("shorts-playing") + suffix);
            rig.store()->togglePause();
            QTest::qWait(800);
            failures += !saveShot(rig.window(), dir, QStringLiteral("shorts-paused") + suffix);
        } else {
            ++failures;
        }

        // A Short whose stream is not ready: its spinner over the blurred thumbnail.
        rig.reset([] { return new SimulatedEngine; });
        if (rig.load() && waitFor("page", [&] { return !rig.shown(QStringLiteral("shortSpinner")).isEmpty(); })) {
            QTest::qWait(1500);
            failures += !saveShot(rig.window(), dir, QStringLiteral("shorts-page-loading") + suffix);
        } else {
            ++failures;
        }

        // Loading: the list is held back.
        rig.reset([] { return new SimulatedEngine; });
        rig.backend().delayPath(QStringLiteral("/api/shorts"), 20000);
        if (rig.load() && waitFor("spinner", [&] { return !rig.shown(QStringLiteral("shortsSpinner")).isEmpty(); })) {
            QTest::qWait(600);
            failures += !saveShot(rig.window(), dir, QStringLiteral("shorts-loading") + suffix);
        } else {
            ++failures;
        }

        // Down: nothing listens at the backend's address.
        rig.reset([] { return new SimulatedEngine; });
        API::shared().setBaseUrl(QUrl(QStringLiteral("http://127.0.0.1:9")));
        if (rig.load() && waitFor("error", [&] { return !rig.shown(QStringLiteral("shortsError")).isEmpty(); })) {
            QTest::qWait(400);
            failures += !saveShot(rig.window(), dir, QStringLiteral("shorts-down") + suffix);
        } else {
            ++failures;
        }

        // The whole window on the Shorts tab, then "Enviar" with its share sheet.
        rig.reset(ShortsStore::defaultEngine);
        Defaults::shared().setValue(QString(Pref::onboarded), true);
        Defaults::shared().setValue(QString(Pref::theme), theme);
        MemoryKeychain keychain;
        WebSignIn web(WebSignIn::Backing::Memory);
        NimbeloraApp nimbelora(NimbeloraApp::Services{new SimulatedEngine, &keychain, &web, ShortsStore::defaultEngine});
        nimbelora.appeared();
        nimbelora.router()->setTab(AppTab::shorts);
        QmlHarness qml;
        QQuickItem *root = loadRootView(qml, nimbelora);
        auto share = [&] {
            const QList<QQuickItem *> shown = QmlHarness::shownItems(root, QStringLiteral("shortShare"));
            return shown.isEmpty() ? nullptr : shown.first();
        };
        if (root && waitFor("the tab", [&] { return share() != nullptr; }, 30000)) {
            QTest::qWait(2000);
            failures += !saveShot(qml.window(), dir, QStringLiteral("shorts-tab") + suffix);
            qml.click(share());
            QTest::qWait(1000);
            failures += !saveShot(qml.window(), dir, QStringLiteral("shorts-share") + suffix);
            ShareSheet::shared().dismiss();
        } else {
            ++failures;
        }
    }
    rig.unload();
    return failures == 0 ? 0 : 1;
}
