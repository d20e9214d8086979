#pragma once
#include "MediaEngine.h"
#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QThreadPool>
#include <QUrl>
#include <QVariantMap>
#include <optional>

// What the player store tells the desktop about the video being played.
struct NowPlayingInfo
{
    QString videoId;
    QString title;
    QString artist;
    double duration = 0; // seconds
    double elapsed = 0;  // seconds, at the moment the information is given
    double speed = 1;    // the chosen rate, also while paused
    MediaEngine::TimeControlStatus status = MediaEngine::TimeControlStatus::Paused;
    QImage artwork; // null: none
};

// The desktop's "now playing" information, published over MPRIS. The store
// writes it whole whenever something worth telling changes; between writes
// the position runs on from the elapsed time at the speed while playing,
// the way the desktop itself would extrapolate it. A jump of the position
// within one video is announced as a seek. The artwork is written to a file
// in the cache folder on a background thread and published as a file URL
// once it is there.
class NowPlaying : public QObject
{
    Q_OBJECT

public:
    static NowPlaying &shared();

    // Replaces the information; starts the MPRIS service if needed.
    void setInfo(const NowPlayingInfo &info);
    // No video any more: the desktop shows the player as stopped.
    void clear();
    const std::optional<NowPlayingInfo> &info() const { return m_info; }

    // "Playing" only while the player plays; "Paused" while paused or
    // waiting; "Stopped" without information.
    QString playbackStatus() const;
    // The speed (never 0: the status tells whether time runs).
    double rate() const;
    // Microseconds.
    qint64 position() const;
    QString trackId() const;
    QVariantMap metadata() const;
    QUrl artworkUrl() const { return m_artworkUrl; }

    // An object path for a video id: letters and digits stay, every other
    // byte of its UTF-8 form becomes "_" and two hex digits.
    static QString trackIdFor(const QString &videoId);
    static inline const QString noTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
    static QString artworkFolder();

signals:
    // Anything but the running position changed.
    void changed();
    // The position jumped; microseconds.
    void seeked(qint64 position);

private:
    NowPlaying();
    double elapsedNow() const;
    void forgetArtwork();
    void writeArtwork(const QImage &image);
    void artworkWritten(quint64 generation, const QString &path);

    std::optional<NowPlayingInfo> m_info;
    QDateTime m_stamp; // when `elapsed` was given
    qint64 m_artworkKey = 0;
    quint64 m_artworkGeneration = 0;
    QUrl m_artworkUrl;
    QThreadPool m_writer; // one thread: files are written in order
};
