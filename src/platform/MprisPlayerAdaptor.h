#pragma once
#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QVariantMap>

// org.mpris.MediaPlayer2.Player: NowPlaying's state as properties, the
// desktop's calls as RemoteCommands signals. Commands do nothing until the
// store has registered them.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate)
    Q_PROPERTY(double MinimumRate READ minimumRate)
    Q_PROPERTY(double MaximumRate READ maximumRate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ commandsAvailable)
    Q_PROPERTY(bool CanGoPrevious READ commandsAvailable)
    Q_PROPERTY(bool CanPlay READ commandsAvailable)
    Q_PROPERTY(bool CanPause READ commandsAvailable)
    Q_PROPERTY(bool CanSeek READ commandsAvailable)
    Q_PROPERTY(bool CanControl READ canControl)

public:
    explicit MprisPlayerAdaptor(QObject *parent) : QDBusAbstractAdaptor(parent) {}

    QString playbackStatus() const;
    double rate() const;
    // The app's speeds run from 0.25 to 3; a stored speed outside still fits.
    double minimumRate() const;
    double maximumRate() const;
    QVariantMap metadata() const;
    qlonglong position() const;
    bool commandsAvailable() const;
    bool canControl() const { return true; }

    // The properties whose changes PropertiesChanged announces, by name.
    QVariantMap announcedProperties() const;

public slots:
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Next();
    void Previous();
    void Seek(qlonglong Offset);
    void SetPosition(const QDBusObjectPath &TrackId, qlonglong Position);
    void OpenUri(const QString &Uri);

signals:
    void Seeked(qlonglong Position);
};
