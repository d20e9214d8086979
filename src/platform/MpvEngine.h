#pragma once
#include "HlsMaster.h"
#include "MediaEngine.h"
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

struct MpvLibrary;
struct mpv_handle;
struct mpv_render_context;
class QThread;
namespace MpvDetail { struct Note; }

// A MediaEngine on libmpv. Each engine is one mpv core with its own video
// renderer, so several can play at once. The GUI thread never waits for mpv:
// commands and property writes are asynchronous, state comes from observed
// properties, and mpv's events are drained and decoded on a thread of the
// engine's own, which hands them to the GUI thread in order, in batches.
//
// Video: the engine keeps one software render context for its whole life and
// renders on a thread of its own into images that whichever surface holds
// the engine shows. mpv allows one render context per core, fails a file that
// starts without one, and drops the video of a file whose context goes away,
// so the context cannot follow surfaces that come and go.
//
// HLS: the engine fetches an item's playlist itself, once, on a thread of
// its own, and hands mpv its text. Left to itself mpv fetches the master
// playlist twice (its stream layer probes it, then libavformat opens it
// again), and it tells nothing of the bit rates the variants announce, which
// the statistics show.
class MpvEngine : public MediaEngine
{
    Q_OBJECT

public:
    explicit MpvEngine(QObject *parent = nullptr);
    ~MpvEngine() override;

    // Makes the mpv core on a worker thread, if not under way already. The
    // first load starts it too; calls made meanwhile wait for the core and
    // then run in order. Nothing of mpv is loaded before this.
    void prepare() override;
    // True once the core runs. When it cannot be made, every load fails.
    bool isAvailable() const { return m_core == Core::Ready; }

    VideoFrame videoFrame() const override;

    // Plain access to mpv properties the engine itself has no use for (the
    // audio outputs and their volume). Observed values come as
    // mpvPropertyChanged() on the GUI thread, with or without a file; a write
    // tells `done` whether mpv took it.
    void observeMpvProperty(const QByteArray &name);
    void writeMpvProperty(const QByteArray &name, const QVariant &value, std::function<void(bool ok)> done = {});

signals:
    void mpvPropertyChanged(const QByteArray &name, const QVariant &value);

public:
    struct FrameSlot;
    class FrameRenderer;
    struct Inbox;
    struct Gate;
    class PlaylistFetcher;

protected:
    void doLoad(quint64 item, const QUrl &url, bool play) override;
    void doUnload() override;
    void doSetPaused(bool paused) override;
    void doSetSpeed(double speed) override;
    void doSeek(quint64 seek, double seconds) override;
    void doSetVolume(double volume) override;
    void doSetMuted(bool muted) override;
    void doSetWaitsToMinimizeStalling(bool waits) override;
    void doSetVideoTargetSize(const QSize &pixels) override;
    AccessLogEvent accessLogFigures() const override;

private:
    enum class Core { Waiting, Starting, Ready, Missing };
    struct Made;
    static Made makeCore(const QByteArray &audioOutput);
    static void destroyCore(const Made &made);
    void coreMade(const Made &made);
    // Keeps a call for when the core is made; false when it can run now.
    bool deferred(std::function<void()> call);

    // What happened to a playlist entry before its load command answered.
    struct EarlyNews
    {
        bool started = false;
        bool loaded = false;
        bool ended = false;
        int endReason = 0;
        int endError = 0;
    };

    static void pump(const MpvLibrary *lib, mpv_handle *mpv, std::shared_ptr<Inbox> inbox);
    void takeNotes();
    void handleNote(const MpvDetail::Note &note);
    void handleReply(const MpvDetail::Note &note);
    void handleProperty(const MpvDetail::Note &note);
    void onStarted(qint64 entry);
    void onLoaded();
    void onEnded(qint64 entry, int reason, int error);
    void onRestart();
    void issueSeek(quint64 seek, double seconds);
    void issueDeferredSeek();
    void updateWaiting();
    void resetItemTracking();
    void clearFrame();
    void acceptFrames();
    static bool fetchesPlaylist(const QUrl &url);
    void playlistRead(quint64 item, const QList<HlsMaster::Variant> &variants);
    void playlistFailed(quint64 item, const QString &error);
    void command(quint64 tag, std::initializer_list<QByteArray> args);
    void setFlag(quint64 tag, const char *name, bool value);
    void setDouble(quint64 tag, const char *name, double value);

    Core m_core = Core::Waiting;
    std::vector<std::function<void()>> m_waiting;
    const MpvLibrary *m_lib = nullptr;
    mpv_handle *m_mpv = nullptr;
    std::shared_ptr<Inbox> m_inbox;
    std::shared_ptr<std::thread> m_pump;
    std::shared_ptr<FrameSlot> m_frames;
    FrameRenderer *m_renderer = nullptr;
    QThread *m_renderThread = nullptr;
    std::atomic<bool> m_framePosted{false};
    std::shared_ptr<Gate> m_gate;
    PlaylistFetcher *m_fetcher = nullptr;
    QThread *m_fetchThread = nullptr;

    // The current item and its playlist entry.
    quint64 m_item = 0;
    qint64 m_entry = 0;
    bool m_entryKnown = false;
    qint64 m_startedEntry = 0;
    bool m_fileActive = false;
    bool m_fileLoaded = false;
    QHash<qint64, EarlyNews> m_early;

    // Seeks: one may wait for the file, one for its playback restart.
    // libavformat's HLS demuxer takes the stream's start from the first
    // packet it reads: a seek that comes before it makes every earlier time
    // unreachable for the rest of the file (its seeks there fail, and mpv
    // plays on from where the demuxer stands, at the end). So a seek waits
    // until the demuxer has read something, as a cached range or a playback
    // restart shows.
    bool m_demuxerRead = false;
    quint64 m_deferredSeek = 0;
    double m_deferredTarget = 0;
    quint64 m_seekAwaitingReply = 0;
    quint64 m_seekAwaitingRestart = 0;
    bool m_restartPending = false;
    bool m_pausedForCache = false;
    // Pause notes that come while our own pause writes are on their way may
    // be older than them, so they are not told; once the last write has
    // landed, mpv's pause is read back (it may have paused by itself
    // meanwhile, as it does at the end of a file).
    int m_pauseSetsInFlight = 0;

    // Figures of the current item.
    QElapsedTimer m_sinceLoaded;
    double m_bytesReceived = 0;
    qint64 m_inputRateAt = 0; // ms since loaded of the last input rate
    double m_indicatedBitrate = 0;
    QSize m_videoTrackSize;
    // The variants of the item's HLS master playlist, as the engine read it.
    QList<HlsMaster::Variant> m_variants;
    qint64 m_frameDrops = 0;
    qint64 m_decoderDrops = 0;
    qint64 m_stalls = 0;
    qint64 m_width = 0;
    qint64 m_height = 0;

    // Properties observed for others, by their place in the list, and the
    // writes whose answer is awaited.
    QList<QByteArray> m_observedForOthers;
    QHash<quint64, std::function<void(bool)>> m_writes;
    quint64 m_nextWrite = 1;
};
