// The yardstick: a bare Qt Quick window with one rectangle and one text.
#include "StartupProbe.h"
#include <QGuiApplication>
#include <QQmlApplicationEngine>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QQmlApplicationEngine engine;
    engine.loadData(R"(
        import QtQuick
        Window {
            width: 430; height: 932; visible: true; title: "bare"
            Rectangle { anchors.fill: parent; color: "white"
                Text { anchors.centerIn: parent; text: "Hola" } }
        })");
    auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().value(0));
    if (!window)
        return 1;
    StartupProbe::watch(window, qEnvironmentVariableIntValue("STARTUP_SETTLE_MS"));
    return app.exec();
}
