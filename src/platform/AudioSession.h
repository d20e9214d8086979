#pragma once
#include <QList>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

// One audio output as the media engine lists it: `name` is what the engine
// is told to use, `description` what a person reads.
struct AudioDevice
{
    Q_GADGET
    Q_PROPERTY(QString name MEMBER name)
    Q_PROPERTY(QString description MEMBER description)

public:
    QString name;
    QString description;

    bool operator==(const AudioDevice &) const = default;
};

// The app's one audio session. A desktop has no session to configure and
// nothing that interrupts playback, so the category and the activation
// succeed without doing anything and `interruption` is never raised here
// (tests raise it). What is real is the output route: the engine wiring feeds
// the list of audio devices and the one in use, and when the device in use
// disappears from the list the route changes for the reason "old device
// unavailable" (headphones unplugged). With the engine's own choice of
// output in use, the sound server's default output going away is that too.
class AudioSession : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(double outputVolume READ outputVolume NOTIFY outputVolumeChanged)

public:
    enum class Category { Playback };
    Q_ENUM(Category)
    enum class Mode { MoviePlayback };
    Q_ENUM(Mode)
    // Raw values as the notifications carry them.
    enum class InterruptionType : uint { Ended = 0, Began = 1 };
    Q_ENUM(InterruptionType)
    enum InterruptionOption : uint { ShouldResume = 1 };
    Q_ENUM(InterruptionOption)
    enum class RouteChangeReason : uint { Unknown = 0, NewDeviceAvailable = 1, OldDeviceUnavailable = 2 };
    Q_ENUM(RouteChangeReason)

    // The engine's own choice of output; using it is not "another device".
    static inline const QString defaultDevice = QStringLiteral("auto");

    static AudioSession &shared();
    static AudioSession *create(QQmlEngine *, QJSEngine *);

    bool setCategory(Category category, Mode mode);
    bool setActive(bool active);

    // The engine's device list and the name of the device in use.
    void setAudioDevices(const QList<AudioDevice> &devices, const QString &current);
    QList<AudioDevice> devices() const { return m_devices; }
    QString currentDevice() const { return m_current; }
    // The sound server's default output went away: an unplug when the
    // engine follows it (the default device is in use).
    void defaultOutputLost();

    // The output volume, 0 … 1, as the engine reports it.
    double outputVolume() const { return m_outputVolume; }
    void setOutputVolume(double volume);

signals:
    // `options` holds InterruptionOption bits.
    void interruption(AudioSession::InterruptionType type, uint options);
    void routeChanged(AudioSession::RouteChangeReason reason);
    void devicesChanged();
    void outputVolumeChanged();

private:
    explicit AudioSession(QObject *parent = nullptr) : QObject(parent) {}

    QList<AudioDevice> m_devices;
    QString m_current;
    double m_outputVolume = 1.0;
};
