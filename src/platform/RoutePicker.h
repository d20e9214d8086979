#pragma once
#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <functional>

class QQmlEngine;
class QJSEngine;

// The output picker behind AirPlayButton: the audio session's device list as
// menu rows, and a choice that goes to the chooser the engine wiring installs
// (it sets the engine's audio device). The rows follow the session, so a
// choice shows as current once the engine reports it. `active` is true while
// a device other than the engine's default is in use.
class RoutePicker : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    // Each row: {name, title, current}.
    Q_PROPERTY(QVariantList devices READ devices NOTIFY devicesChanged)
    Q_PROPERTY(QString currentDevice READ currentDevice NOTIFY devicesChanged)
    Q_PROPERTY(bool active READ isActive NOTIFY devicesChanged)

public:
    using Chooser = std::function<void(const QString &device)>;

    static RoutePicker &shared();
    static RoutePicker *create(QQmlEngine *, QJSEngine *);

    QVariantList devices() const;
    QString currentDevice() const;
    bool isActive() const;

    // Chooses a listed device; a name that is not listed does nothing.
    Q_INVOKABLE void choose(const QString &device);
    static void setChooser(Chooser chooser);

    // The default output's row title.
    static inline const QString defaultTitle = QStringLiteral("Este equipo");

signals:
    void devicesChanged();

private:
    explicit RoutePicker(QObject *parent = nullptr);

    Chooser m_chooser;
};
