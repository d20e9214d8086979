#pragma once
#include <QObject>
#include <QVariantMap>

class MprisRootAdaptor;
class MprisPlayerAdaptor;

// The app's one MPRIS 2 media player on the session bus: the object
// /org/mpris/MediaPlayer2 with the interfaces org.mpris.MediaPlayer2 and
// org.mpris.MediaPlayer2.Player, under the name
// org.mpris.MediaPlayer2.nimbelora. It shows NowPlaying and forwards the
// desktop's commands to RemoteCommands, and announces every change of the
// player's properties with PropertiesChanged (the position excepted, as
// MPRIS wants: it announces jumps with Seeked).
//
// The name is asked for without waiting. When another instance holds it,
// this one stays unnamed and nobody sees it; without a session bus nothing
// happens at all.
class MprisService : public QObject
{
    Q_OBJECT

public:
    static inline const QString serviceName = QStringLiteral("org.mpris.MediaPlayer2.nimbelora");
    static inline const QString objectPath = QStringLiteral("/org/mpris/MediaPlayer2");
    static inline const QString rootInterface = QStringLiteral("org.mpris.MediaPlayer2");
    static inline const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

    static MprisService &shared();

    // Exports the object and asks for the name; later calls do nothing.
    void start();
    bool isStarted() const { return m_started; }
    // The bus has granted the name.
    bool ownsName() const { return m_ownsName; }

signals:
    void ownsNameChanged();

private:
    MprisService();
    // Announces the player properties that differ from the last announcement.
    void publish();

    MprisRootAdaptor *m_root;
    MprisPlayerAdaptor *m_player;
    QVariantMap m_announced;
    bool m_started = false;
    bool m_ownsName = false;
};
