#pragma once
#include <QObject>

// The desktop's media controls (media keys, the shell's player widget,
// headsets), reaching the app over MPRIS. The player store registers the
// commands once and connects the signals it handles, with itself as the
// context, so a command that arrives after the store is gone does nothing;
// the desktop is answered with success either way.
//
// MPRIS has no "skip by your own step" command: a Seek forward or backward
// is a skip forward or backward by the offset the desktop asks for. The
// registered skip interval is the step the app offers; MPRIS cannot show it.
class RemoteCommands : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool registered READ isRegistered NOTIFY registeredChanged)

public:
    static RemoteCommands &shared();

    // Makes the commands available, with the step of the two skip commands
    // in seconds, and starts the MPRIS service if it is not running yet.
    void registerCommands(double skipInterval);
    bool isRegistered() const { return m_registered; }
    double skipInterval() const { return m_skipInterval; }

signals:
    void playCommand();
    void pauseCommand();
    void togglePlayPauseCommand();
    // By `interval` seconds (positive).
    void skipForwardCommand(double interval);
    void skipBackwardCommand(double interval);
    void nextTrackCommand();
    void previousTrackCommand();
    void changePlaybackPositionCommand(double seconds);
    void registeredChanged();

private:
    explicit RemoteCommands(QObject *parent = nullptr) : QObject(parent) {}

    bool m_registered = false;
    double m_skipInterval = 0;
};
