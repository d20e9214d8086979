#pragma once
#include <QObject>
#include <QtQml/qqmlregistration.h>
#include <functional>

class QQmlEngine;
class QJSEngine;

// Sets the output volume from the player screen's volume gesture. The value
// is clamped to 0 … 1 (not a number counts as 0) and handed to the applier
// the engine wiring installs, which drives the media engine's output volume;
// the audio session's output volume follows at once, so the next gesture
// starts from what was set. Without an applier only the session follows.
class VolumeController : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using Applier = std::function<void(double volume)>;

    static VolumeController &shared();
    static VolumeController *create(QQmlEngine *, QJSEngine *);

    Q_INVOKABLE static void set(double volume);
    static double clamped(double volume);

    static void setApplier(Applier applier);

private:
    explicit VolumeController(QObject *parent = nullptr) : QObject(parent) {}

    Applier m_applier;
};
