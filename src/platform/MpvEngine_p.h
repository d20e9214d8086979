#pragma once
// Shared by the files of MpvEngine; nothing outside them includes this.
#include "MpvEngine.h"
#include "MpvLibrary.h"

#include <QImage>
#include <QUrl>
#include <QVariant>
#include <atomic>
#include <cmath>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class QNetworkAccessManager;

namespace MpvDetail {

// Tags of asynchronous requests: the kind in the top byte, a number below.
enum class Tag : quint64 { Load = 1, Seek = 2, Landed = 3, SetPause = 4, Other = 5, Write = 6, PauseState = 7 };
constexpr int kTagShift = 56;
constexpr quint64 kPayloadMask = (quint64(1) << kTagShift) - 1;

inline quint64 tag(Tag kind, quint64 payload = 0) { return (quint64(kind) << kTagShift) | (payload & kPayloadMask); }
inline Tag tagKind(quint64 t) { return Tag(t >> kTagShift); }
inline quint64 tagPayload(quint64 t) { return t & kPayloadMask; }

// Observed properties, told apart by their reply numbers.
enum Prop : quint64 {
    Pause = 1,
    PausedForCache,
    EofReached,
    TimePos,
    Duration,
    DWidth,
    DHeight,
    FrameDrops,
    DecoderDrops,
    CacheSpeed,
    CacheState,
    TrackList,
};
// Properties observed for others are numbered from here.
constexpr quint64 kObservedForOthers = 1000;

QVariant fromNode(const mpv_node &node);

// What one mpv event says, read on the engine's event thread: the values the
// engine uses come decoded, so the GUI thread never walks an mpv node.
struct Note
{
    enum Kind : quint8 { Reply, Started, Loaded, Ended, Restart, Property };
    Kind kind = Reply;
    quint64 id = 0;     // the request's tag, or the property's number
    int error = 0;      // of a reply, or of an ended file
    int reason = 0;     // why a file ended
    qint64 entry = 0;   // the playlist entry started, ended, or made by a load
    bool known = false; // a value came: the property's, the load's entry, the landed time, the pause read back
    double number = std::nan("");
    qint64 integer = 0; // integer and flag properties, and flags read back
    QSize size;         // of the selected video track
    QList<LoadedRange> ranges;
    QVariant value;     // of a property observed for others
};

// Nothing for events the engine has no use for.
std::optional<Note> translate(const mpv_event &event);
// The seekable ranges of a demuxer-cache-state node.
QList<LoadedRange> seekableRanges(const mpv_node &state);
// The bit rate the selected HLS variant announces (video, else audio) and
// the size of the selected video track, from a track-list node.
void selectedTracks(const mpv_node &list, double &bitrate, QSize &size);

// Media-time seconds as mpv reads them in commands and options.
inline QByteArray seconds(double s) { return QByteArray::number(s, 'f', 6); }

// The largest picture worth rendering on the CPU, and the one made while
// nobody shows the video (mpv's video output must still be fed).
constexpr int kMaxFrameSide = 3840;
constexpr QSize kIdleFrame(32, 18);

} // namespace MpvDetail

// The newest rendered picture and the size wanted for the next, shared by
// the engine (GUI thread), its renderer (render thread) and surfaces (any
// thread of the scene graph).
struct MpvEngine::FrameSlot
{
    mutable std::mutex mutex;
    QImage image;
    quint64 serial = 0;
    QSize target;
    // False from a new item until its first picture is up: mpv redraws the
    // last picture of the item before, which must not show again.
    bool accepting = true;
    QImage held; // the newest picture drawn while not accepting
    std::function<void()> onFrame; // cleared when the engine goes
};

// Notes on their way from the event thread to the GUI thread. `post` asks
// the GUI thread to take them; it is cleared when the engine goes.
struct MpvEngine::Inbox
{
    std::mutex mutex;
    std::vector<MpvDetail::Note> notes;
    bool posted = false;
    std::function<void()> post;
    std::atomic<bool> quit{false};
};

// Renders the engine's video with mpv's software render API on its own
// thread, whenever mpv has a new frame or the wanted size changes.
class MpvEngine::FrameRenderer : public QObject
{
public:
    FrameRenderer(const MpvLibrary *lib, mpv_render_context *context, std::shared_ptr<FrameSlot> slot)
        : m_lib(lib), m_context(context), m_slot(std::move(slot))
    {
        m_lib->render_context_set_update_callback(m_context, &FrameRenderer::onUpdate, this);
    }

    // Thread-safe: asks for one render pass.
    void schedule(bool redraw)
    {
        if (redraw)
            m_redraw = true;
        if (!m_scheduled.exchange(true))
            QMetaObject::invokeMethod(this, [this] { render(); }, Qt::QueuedConnection);
    }

    // From any thread; after it nothing of mpv is touched. It waits for a
    // render pass under way.
    void shutdown()
    {
        std::lock_guard lock(m_lock);
        if (!m_context)
            return;
        m_lib->render_context_set_update_callback(m_context, nullptr, nullptr);
        m_lib->render_context_free(m_context);
        m_context = nullptr;
    }

private:
    static void onUpdate(void *self) { static_cast<FrameRenderer *>(self)->schedule(false); }

    void render();

    std::mutex m_lock; // one render call at a time, and none after shutdown
    const MpvLibrary *m_lib;
    mpv_render_context *m_context;
    std::shared_ptr<FrameSlot> m_slot;
    std::atomic<bool> m_scheduled{false};
    std::atomic<bool> m_redraw{false};
};

// What the engine's playlist fetches share with it, under one lock: a
// fetched playlist starts only while its item is still the one wanted, and
// loads and stops issued meanwhile keep their order. Cleared when the
// engine goes.
struct MpvEngine::Gate
{
    std::mutex mutex;
    const MpvLibrary *lib = nullptr;
    mpv_handle *mpv = nullptr;
    MpvEngine *engine = nullptr; // told what became of a fetch, on its thread
    quint64 wanted = 0;          // the item whose playlist is on its way
};

// Fetches HLS playlists on the thread it lives on and starts them in mpv.
class MpvEngine::PlaylistFetcher : public QObject
{
public:
    explicit PlaylistFetcher(std::shared_ptr<Gate> gate) : m_gate(std::move(gate)) {}
    ~PlaylistFetcher() override;

    void fetch(const QUrl &url, quint64 item);

private:
    std::shared_ptr<Gate> m_gate;
    QNetworkAccessManager *m_network = nullptr;
};
