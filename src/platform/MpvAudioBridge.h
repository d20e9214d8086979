#pragma once
#include "AudioSession.h"

#include <QObject>
#include <QPointer>

class MpvEngine;

// Connects the app's audio session to the mpv engines. The one that plays
// the main video leads: mpv's list of outputs and the one in use feed the session (so the
// output picker lists them and an unplugged device changes the route), its
// output volume becomes the session's; the output picker's choice sets mpv's
// audio device, and the volume gesture sets the output volume ("ao-volume"),
// or the player's own volume where the output has none. Other engines
// follow the output the session reports.
class MpvAudioBridge : public QObject
{
    Q_OBJECT

public:
    // Bridges `engine` for as long as it lives; a later install for another
    // engine takes the picker and the volume over.
    static MpvAudioBridge *install(MpvEngine *engine);
    // Keeps `engine` on the output the session reports as in use, for as
    // long as it lives.
    static void follow(MpvEngine *engine);

    // mpv's "audio-device-list" value as devices.
    static QList<AudioDevice> devicesFrom(const QVariant &list);

private:
    explicit MpvAudioBridge(MpvEngine *engine);
    void onProperty(const QByteArray &name, const QVariant &value);

    QPointer<MpvEngine> m_engine;
    QList<AudioDevice> m_devices;
    QString m_current;
    bool m_haveDevices = false;
    bool m_haveCurrent = false;
};
