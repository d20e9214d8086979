#pragma once
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QUrl>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <optional>

// The newest figures of a playing item, as a media player's access log keeps
// them. Bit rates are in bits per second.
struct AccessLogEvent
{
    double indicatedBitrate = 0;
    double observedBitrate = 0;
    qint64 droppedVideoFrames = 0;
    qint64 stalls = 0;

    bool operator==(const AccessLogEvent &) const = default;
};

// A span of media time that is loaded, in seconds.
struct LoadedRange
{
    double start = 0;
    double duration = 0;

    double end() const { return start + duration; }
    bool operator==(const LoadedRange &) const = default;
};

// One rendered picture of an engine's video; serial grows with every new one.
struct VideoFrame
{
    QImage image;
    quint64 serial = 0;
};

// A media player with one current item at a time, the way the player store
// uses it: load with a start time and a play intent, then ready or failed;
// transport with a rate and a default rate; exact seeks that report whether
// they landed; a periodic time signal every 0.25 s of media time; the end of
// the item; and the figures for the statistics overlay.
//
// The state and the signals live here, so every backend behaves alike:
// backends only carry out the do*() operations and report back through the
// protected setters. Everything runs on the GUI thread, and every signal is
// emitted there. Items are numbered; a signal that names an item lets a
// listener ignore news about an item it has already replaced.
class MediaEngine : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("engines are made in C++")
    Q_PROPERTY(ItemStatus itemStatus READ itemStatus NOTIFY itemStatusChanged)
    Q_PROPERTY(TimeControlStatus timeControlStatus READ timeControlStatus NOTIFY timeControlStatusChanged)
    Q_PROPERTY(double rate READ rate WRITE setRate NOTIFY rateChanged)
    Q_PROPERTY(double defaultRate READ defaultRate WRITE setDefaultRate NOTIFY defaultRateChanged)
    Q_PROPERTY(double volume READ volume WRITE setVolume NOTIFY volumeChanged)
    Q_PROPERTY(bool muted READ isMuted WRITE setMuted NOTIFY mutedChanged)
    Q_PROPERTY(double duration READ duration NOTIFY durationChanged)
    Q_PROPERTY(QSize presentationSize READ presentationSize NOTIFY presentationSizeChanged)

public:
    enum class ItemStatus { None, Loading, Ready, Failed };
    Q_ENUM(ItemStatus)
    enum class TimeControlStatus { Paused, WaitingToPlay, Playing };
    Q_ENUM(TimeControlStatus)

    using SeekCompletion = std::function<void(bool finished)>;

    ~MediaEngine() override;

    // Replaces the current item with one for `url`, at its beginning. It
    // plays at the default rate once it can when `playWhenReady` is true;
    // otherwise it stays paused. A later start time is a seek once the item
    // is ready. Returns the new item's number (never 0).
    quint64 load(const QUrl &url, bool playWhenReady);
    // Removes the current item; the engine is left paused with nothing.
    void unload();
    quint64 currentItem() const { return m_item; }
    bool hasItem() const { return m_item != 0; }
    QUrl itemUrl() const { return m_url; }
    ItemStatus itemStatus() const { return m_status; }
    QString errorText() const { return m_error; }

    // play() plays at the default rate; setRate(0) pauses and any other rate
    // plays at that rate. rate() is 0 while paused. Every pause() is also
    // told as pauseRequested(), so whoever means to start the item later
    // knows it was asked to hold still meanwhile.
    Q_INVOKABLE void play();
    Q_INVOKABLE void pause();
    void playImmediately(double rate);
    double rate() const { return m_paused ? 0.0 : m_speed; }
    void setRate(double rate);
    double defaultRate() const { return m_defaultRate; }
    void setDefaultRate(double rate);
    bool isPaused() const { return m_paused; }
    // The play head stands at the end of the item.
    bool isAtEnd() const { return m_item && m_ended; }
    TimeControlStatus timeControlStatus() const { return m_timeControl; }

    // Seeks exactly to `seconds` (never below 0). `done` runs once on the GUI
    // thread: true when the play head landed, false when the seek was
    // superseded by another seek, the item changed, or it failed. Returns the
    // seek's number, also carried by seekFinished().
    quint64 seek(double seconds, SeekCompletion done = {});
    // The play head in seconds (the target while a seek is under way); 0
    // without an item.
    double currentTime() const { return m_item ? m_time : 0.0; }
    // The item's length in seconds; NaN while it is unknown.
    double duration() const { return m_duration; }

    double volume() const { return m_volume; } // 0 … 1
    void setVolume(double volume);
    bool isMuted() const { return m_muted; }
    void setMuted(bool muted);

    // When true the engine waits to buffer before it starts; when false it
    // starts as soon as it can.
    bool waitsToMinimizeStalling() const { return m_waits; }
    void setWaitsToMinimizeStalling(bool waits);

    // Statistics of the current item. The access log exists once the item is
    // ready.
    QSize presentationSize() const { return m_size; }
    std::optional<AccessLogEvent> accessLog() const;
    QList<LoadedRange> loadedTimeRanges() const { return m_item ? m_ranges : QList<LoadedRange>(); }

    // Video. Exactly one holder (a surface) shows an engine's pictures; the
    // last one to claim it wins and the others show their background.
    QObject *videoHolder() const { return m_holder; }
    void setVideoHolder(QObject *holder);
    // The size in device pixels the holder shows the video at; empty when
    // nobody shows it (then pictures are made as small as possible).
    void setVideoTargetSize(const QSize &pixels);
    QSize videoTargetSize() const { return m_targetSize; }
    // The newest picture; safe to call from a render thread. Backends without
    // pictures return an empty frame.
    virtual VideoFrame videoFrame() const { return {}; }

    // Lets a backend that starts slowly get ready in the background before
    // the first load; loads work without it.
    virtual void prepare() {}

signals:
    void itemStatusChanged(quint64 item, MediaEngine::ItemStatus status);
    void itemReady(quint64 item);
    void itemFailed(quint64 item, const QString &error);
    // The current item played to its end (once per time it gets there).
    void itemEnded(quint64 item);
    void timeControlStatusChanged(MediaEngine::TimeControlStatus status);
    void pauseRequested();
    // Every 0.25 s of media time while the item plays, and after each seek
    // that landed.
    void periodicTime(double seconds);
    void seekFinished(quint64 seek, bool finished);
    void rateChanged();
    void defaultRateChanged();
    void volumeChanged();
    void mutedChanged();
    void durationChanged();
    void presentationSizeChanged();
    void videoHolderChanged();
    void videoFrameChanged();

protected:
    explicit MediaEngine(QObject *parent = nullptr);

    // What a backend carries out. Each is called after the state above has
    // been updated; none may call back into the public interface.
    virtual void doLoad(quint64 item, const QUrl &url, bool play) = 0;
    virtual void doUnload() = 0;
    virtual void doSetPaused(bool paused) = 0;
    virtual void doSetSpeed(double speed) = 0;
    virtual void doSeek(quint64 seek, double seconds) = 0;
    virtual void doSetVolume(double volume) = 0;
    virtual void doSetMuted(bool muted) = 0;
    virtual void doSetWaitsToMinimizeStalling(bool) {}
    virtual void doSetVideoTargetSize(const QSize &) {}

    // What a backend reports. Reports about an item that is no longer
    // current are ignored.
    void reportReady(quint64 item);
    void reportFailed(quint64 item, const QString &error);
    // Whether the play head of the current item stands at its end; the
    // change to true is the end of the item.
    void reportAtEnd(bool atEnd);
    void reportSeekFinished(quint64 seek, bool finished, double landedAt);
    void reportTime(double seconds);
    void reportDuration(double seconds);
    void reportPresentationSize(const QSize &size);
    void reportPaused(bool paused);
    void reportWaiting(bool waiting);
    void reportAccessLog(const AccessLogEvent &log) { m_log = log; }
    // The figures accessLog() hands out; by default the last ones reported.
    virtual AccessLogEvent accessLogFigures() const { return m_log; }
    void reportLoadedRanges(const QList<LoadedRange> &ranges) { m_ranges = ranges; }

    // Seeks not yet finished, oldest first.
    QList<quint64> pendingSeeks() const { return m_seekOrder; }

private:
    struct PendingSeek
    {
        double target = 0;
        SeekCompletion done;
    };

    void finishSeekLater(quint64 seek, bool finished);
    void failPendingSeeks();
    void updateTimeControl();
    void emitTick(double seconds);

    quint64 m_item = 0;
    quint64 m_nextItem = 1;
    quint64 m_nextSeek = 1;
    QUrl m_url;
    ItemStatus m_status = ItemStatus::None;
    QString m_error;
    bool m_paused = true;
    bool m_waiting = false;
    double m_speed = 1.0;
    double m_defaultRate = 1.0;
    TimeControlStatus m_timeControl = TimeControlStatus::Paused;
    double m_time = 0;
    double m_duration;
    qint64 m_tickSlot = 0;
    bool m_ended = false;
    double m_volume = 1.0;
    bool m_muted = false;
    bool m_waits = true;
    QSize m_size;
    AccessLogEvent m_log;
    QList<LoadedRange> m_ranges;
    QHash<quint64, PendingSeek> m_seeks;
    QList<quint64> m_seekOrder;
    QPointer<QObject> m_holder;
    QMetaObject::Connection m_holderGone;
    QSize m_targetSize;
};
