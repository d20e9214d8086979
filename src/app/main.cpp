#include "Platform.h"
#include "RemoteImageProvider.h"
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QtQml/qqmlextensionplugin.h>
#include <QtWebEngineQuick/qtwebenginequickglobal.h>
#include <unistd.h>

Q_IMPORT_QML_PLUGIN(Nimbelora_PlatformPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_FoundationPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_LibraryPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_PlaybackPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_ShellPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_PlayerPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_ShortsPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_ScreensPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_SettingsPlugin)

int main(int argc, char *argv[])
{
    // Chromium refuses its sandbox as root; the sign-in page is the only web content.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setOrganizationName(QStringLiteral("Nimbelora"));
    QCoreApplication::setApplicationName(QStringLiteral("Nimbelora"));
    QtWebEngineQuick::initialize();
    QGuiApplication app(argc, argv);

    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/"));
    installPlatform(engine);
    engine.addImageProvider(RemoteImageProvider::name, new RemoteImageProvider);
    QObject::connect(&engine, &QQmlApplicationEngine::objectCreationFailed, &app,
                     [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
    engine.load(QUrl(QStringLiteral("qrc:/Nimbelora/App/qml/AppWindow.qml")));
    return app.exec();
}
