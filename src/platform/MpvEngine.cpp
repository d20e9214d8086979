#include "MpvEngine.h"

#include "MpvLibrary.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QPointer>
#include <QThread>
#include <QThreadPool>
#include <QVariant>
#include <QtEndian>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <mutex>

namespace {

// Tags of asynchronous requests: the kind in the top byte, a number below.
enum class Tag : quint64 { Load = 1, Seek = 2, Landed = 3, SetPause = 4, Other = 5, Write = 6 };
constexpr int kTagShift = 56;
constexpr quint64 kPayloadMask = (quint64(1) << kTagShift) - 1;

quint64 tag(Tag kind, quint64 payload = 0) { return (quint64(kind) << kTagShift) | (payload & kPayloadMask); }
Tag tagKind(quint64 t) { return Tag(t >> kTagShift); }
quint64 tagPayload(quint64 t) { return t & kPayloadMask; }

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

QVariant fromNode(const mpv_node &node)
{
    switch (node.format) {
    case MPV_FORMAT_STRING:
        return QString::fromUtf8(node.u.string);
    case MPV_FORMAT_FLAG:
        return bool(node.u.flag);
    case MPV_FORMAT_INT64:
        return qlonglong(node.u.int64);
    case MPV_FORMAT_DOUBLE:
        return node.u.double_;
    case MPV_FORMAT_NODE_ARRAY: {
        QVariantList list;
        for (int i = 0; i < node.u.list->num; ++i)
            list << fromNode(node.u.list->values[i]);
        return list;
    }
    case MPV_FORMAT_NODE_MAP: {
        QVariantMap map;
        for (int i = 0; i < node.u.list->num; ++i)
            map.insert(QString::fromUtf8(node.u.list->keys[i]), fromNode(node.u.list->values[i]));
        return map;
    }
    default:
        return {};
    }
}

// Media-time seconds as mpv reads them in commands and options.
QByteArray seconds(double s) { return QByteArray::number(s, 'f', 6); }

// The largest picture worth rendering on the CPU, and the one made while
// nobody shows the video (mpv's video output must still be fed).
constexpr int kMaxFrameSide = 3840;
constexpr QSize kIdleFrame(32, 18);

} // namespace

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

    void render()
    {
        m_scheduled = false;
        std::lock_guard renderLock(m_lock);
        if (!m_context)
            return;
        const bool newFrame = m_lib->render_context_update(m_context) & MPV_RENDER_UPDATE_FRAME;
        const bool redraw = m_redraw.exchange(false);
        if (!newFrame && !redraw)
            return;
        // A frame mpv hands over is always drawn, also while it is not shown:
        // mpv holds the player (up to 0.2 s a frame) until its frames are
        // drawn, the first ones of an item included.
        QSize size;
        {
            std::lock_guard lock(m_slot->mutex);
            size = m_slot->target;
        }
        if (size.isEmpty())
            size = kIdleFrame;
        size = size.boundedTo(QSize(kMaxFrameSide, kMaxFrameSide));

        // mpv asks for 64-byte aligned rows for its fast paths.
        const int stride = (size.width() * 4 + 63) & ~63;
        auto *data = static_cast<uchar *>(std::aligned_alloc(64, size_t(stride) * size.height()));
        if (!data)
            return;
        QImage image(data, size.width(), size.height(), stride, QImage::Format_RGBX8888,
                     [](void *p) { std::free(p); }, data);
        int dims[2] = {size.width(), size.height()};
        size_t rowBytes = size_t(stride);
        char format[] = "rgb0";
        // Never wait here for the frame's display time: that would hold this
        // thread (and its shutdown) hostage to the player's clock.
        int block = 0;
        mpv_render_param params[] = {
            {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
            {MPV_RENDER_PARAM_SW_SIZE, dims},
            {MPV_RENDER_PARAM_SW_FORMAT, format},
            {MPV_RENDER_PARAM_SW_STRIDE, &rowBytes},
            {MPV_RENDER_PARAM_SW_POINTER, data},
            {MPV_RENDER_PARAM_INVALID, nullptr},
        };
        if (m_lib->render_context_render(m_context, params) < 0)
            return;
        // The padding byte is left undefined by mpv; the image must be opaque.
        for (int y = 0; y < size.height(); ++y) {
            auto *row = reinterpret_cast<quint32 *>(data + size_t(y) * stride);
            for (int x = 0; x < size.width(); ++x)
                row[x] |= qToLittleEndian(quint32(0xff000000));
        }
        std::lock_guard lock(m_slot->mutex);
        if (!m_slot->accepting) {
            // Only a new frame can be the new item's; shown once it may be.
            if (newFrame)
                m_slot->held = std::move(image);
            return;
        }
        m_slot->image = std::move(image);
        ++m_slot->serial;
        if (m_slot->onFrame)
            m_slot->onFrame();
    }

    std::mutex m_lock; // one render call at a time, and none after shutdown
    const MpvLibrary *m_lib;
    mpv_render_context *m_context;
    std::shared_ptr<FrameSlot> m_slot;
    std::atomic<bool> m_scheduled{false};
    std::atomic<bool> m_redraw{false};
};

// A core as the worker made it; all null when libmpv is missing or mpv
// refused to start.
struct MpvEngine::Made
{
    const MpvLibrary *lib = nullptr;
    mpv_handle *mpv = nullptr;
    mpv_render_context *render = nullptr;
};

MpvEngine::MpvEngine(QObject *parent) : MediaEngine(parent), m_frames(std::make_shared<FrameSlot>()) {}

MpvEngine::Made MpvEngine::makeCore(const QByteArray &audioOutput)
{
    Made made;
    made.lib = MpvLibrary::get();
    if (!made.lib)
        return {};
    const MpvLibrary &mpv = *made.lib;
    made.mpv = mpv.create();
    if (!made.mpv)
        return {};
    const std::pair<const char *, const char *> options[] = {
        {"vo", "libmpv"},          {"idle", "yes"},         {"keep-open", "yes"},
        {"ytdl", "no"},            {"config", "no"},        {"load-scripts", "no"},
        {"cache", "yes"},          {"pause", "yes"},        {"audio-fallback-to-null", "yes"},
        {"input-default-bindings", "no"}, {"input-vo-keyboard", "no"},
        // mpv's own on-screen tools each start a script thread per core.
        {"osc", "no"}, {"load-stats-overlay", "no"}, {"load-osd-console", "no"}, {"load-auto-profiles", "no"},
        // Pictures hold the whole video stretched to their size; the surface
        // gives them the right shape, so no bars are ever drawn in.
        {"keepaspect", "no"},
    };
    for (const auto &[name, value] : options)
        mpv.set_option_string(made.mpv, name, value);
    if (!audioOutput.isEmpty())
        mpv.set_option_string(made.mpv, "ao", audioOutput.constData());
    if (mpv.initialize(made.mpv) < 0) {
        mpv.terminate_destroy(made.mpv);
        return {};
    }
    char api[] = MPV_RENDER_API_TYPE_SW;
    mpv_render_param params[] = {{MPV_RENDER_PARAM_API_TYPE, api}, {MPV_RENDER_PARAM_INVALID, nullptr}};
    if (mpv.render_context_create(&made.render, made.mpv, params) < 0) {
        made.render = nullptr;
        // Without a renderer a file with video would fail to start: play the
        // sound alone.
        mpv.set_property_string(made.mpv, "vid", "no");
    }
    return made;
}

void MpvEngine::destroyCore(const Made &made)
{
    if (!made.mpv)
        return;
    if (made.render)
        made.lib->render_context_free(made.render);
    made.lib->terminate_destroy(made.mpv);
}

void MpvEngine::prepare()
{
    if (m_core != Core::Waiting)
        return;
    m_core = Core::Starting;
    QPointer<MpvEngine> self(this);
    // Tests and machines without sound name an audio output here ("null").
    const QByteArray audio = qgetenv("NIMBELORA_AUDIO");
    QThreadPool::globalInstance()->start([self, audio] {
        const Made made = makeCore(audio);
        auto *app = QCoreApplication::instance();
        if (!app) {
            destroyCore(made);
            return;
        }
        QMetaObject::invokeMethod(
            app,
            [self, made] {
                if (self)
                    self->coreMade(made);
                else
                    QThreadPool::globalInstance()->start([made] { destroyCore(made); });
            },
            Qt::QueuedConnection);
    });
}

void MpvEngine::coreMade(const Made &made)
{
    m_lib = made.lib;
    m_mpv = made.mpv;
    m_core = m_mpv ? Core::Ready : Core::Missing;
    if (m_mpv) {
        if (made.render) {
            m_renderThread = new QThread;
            m_renderThread->setObjectName(QStringLiteral("video renderer"));
            m_renderer = new FrameRenderer(m_lib, made.render, m_frames);
            m_renderer->moveToThread(m_renderThread);
            m_renderThread->start();
            m_frames->onFrame = [this] {
                if (!m_framePosted.exchange(true))
                    QMetaObject::invokeMethod(
                        this,
                        [this] {
                            m_framePosted = false;
                            emit videoFrameChanged();
                        },
                        Qt::QueuedConnection);
            };
        }
        const std::pair<Prop, std::pair<const char *, mpv_format>> observed[] = {
            {Pause, {"pause", MPV_FORMAT_FLAG}},
            {PausedForCache, {"paused-for-cache", MPV_FORMAT_FLAG}},
            {EofReached, {"eof-reached", MPV_FORMAT_FLAG}},
            {TimePos, {"time-pos", MPV_FORMAT_DOUBLE}},
            {Duration, {"duration", MPV_FORMAT_DOUBLE}},
            {DWidth, {"dwidth", MPV_FORMAT_INT64}},
            {DHeight, {"dheight", MPV_FORMAT_INT64}},
            {FrameDrops, {"frame-drop-count", MPV_FORMAT_INT64}},
            {DecoderDrops, {"decoder-frame-drop-count", MPV_FORMAT_INT64}},
            {CacheSpeed, {"cache-speed", MPV_FORMAT_INT64}},
            {CacheState, {"demuxer-cache-state", MPV_FORMAT_NODE}},
            {TrackList, {"track-list", MPV_FORMAT_NODE}},
        };
        for (const auto &[id, what] : observed)
            m_lib->observe_property(m_mpv, id, what.first, what.second);
        m_lib->set_wakeup_callback(m_mpv, &MpvEngine::wakeup, this);
    }
    // Calls made meanwhile run now, in order; without a core they fail as
    // they would have then.
    QPointer<MpvEngine> self(this);
    const auto waiting = std::exchange(m_waiting, {});
    for (const auto &call : waiting) {
        if (!self)
            return;
        call();
    }
}

bool MpvEngine::deferred(std::function<void()> call)
{
    if (m_core == Core::Ready || m_core == Core::Missing)
        return false;
    m_waiting.push_back(std::move(call));
    return true;
}

MpvEngine::~MpvEngine()
{
    if (!m_mpv)
        return;
    // After this returns mpv calls nothing of ours any more.
    m_lib->set_wakeup_callback(m_mpv, nullptr, nullptr);
    {
        std::lock_guard lock(m_frames->mutex);
        m_frames->onFrame = nullptr;
    }
    // The render context must go before the core, and both may take a while:
    // finish off the GUI thread. The application waits for the global pool
    // before it exits; by then events are no longer delivered, so nothing
    // here relies on them.
    auto teardown = [lib = m_lib, mpv = m_mpv, renderer = m_renderer, thread = m_renderThread] {
        if (renderer) {
            renderer->shutdown();
            thread->quit();
            thread->wait();
            delete renderer;
            delete thread;
        }
        lib->terminate_destroy(mpv);
    };
    QThreadPool *pool = QCoreApplication::instance() && !QCoreApplication::closingDown()
                            ? QThreadPool::globalInstance()
                            : nullptr;
    if (pool)
        pool->start(teardown);
    else
        teardown();
}

VideoFrame MpvEngine::videoFrame() const
{
    std::lock_guard lock(m_frames->mutex);
    return VideoFrame{m_frames->image, m_frames->serial};
}

void MpvEngine::wakeup(void *self)
{
    auto *engine = static_cast<MpvEngine *>(self);
    if (!engine->m_wakePosted.exchange(true))
        QMetaObject::invokeMethod(engine, [engine] { engine->drainEvents(); }, Qt::QueuedConnection);
}

void MpvEngine::drainEvents()
{
    m_wakePosted = false;
    QPointer<MpvEngine> self(this);
    while (self && m_mpv) {
        const mpv_event *event = m_lib->wait_event(m_mpv, 0);
        if (!event || event->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(*event);
    }
}

void MpvEngine::handleEvent(const mpv_event &event)
{
    switch (event.event_id) {
    case MPV_EVENT_COMMAND_REPLY:
        handleReply(event.reply_userdata, event.error,
                    event.data ? &static_cast<const mpv_event_command *>(event.data)->result : nullptr);
        break;
    case MPV_EVENT_SET_PROPERTY_REPLY:
        handleReply(event.reply_userdata, event.error, nullptr);
        break;
    case MPV_EVENT_GET_PROPERTY_REPLY:
        handleReply(event.reply_userdata, event.error, event.data);
        break;
    case MPV_EVENT_START_FILE:
        onStarted(static_cast<const mpv_event_start_file *>(event.data)->playlist_entry_id);
        break;
    case MPV_EVENT_FILE_LOADED:
        onLoaded();
        break;
    case MPV_EVENT_END_FILE: {
        const auto *end = static_cast<const mpv_event_end_file *>(event.data);
        onEnded(end->playlist_entry_id, end->reason, end->error);
        break;
    }
    case MPV_EVENT_PLAYBACK_RESTART:
        onRestart();
        break;
    case MPV_EVENT_PROPERTY_CHANGE:
        handleProperty(event.reply_userdata, *static_cast<const mpv_event_property *>(event.data));
        break;
    default:
        break;
    }
}

void MpvEngine::handleReply(quint64 t, int error, const void *data)
{
    const quint64 payload = tagPayload(t);
    switch (tagKind(t)) {
    case Tag::Load: {
        if (payload != m_item || m_entryKnown)
            return;
        if (error < 0) {
            reportFailed(m_item, QString::fromUtf8(m_lib->error_string(error)));
            return;
        }
        const auto *result = static_cast<const mpv_node *>(data);
        const QVariantMap map = result ? fromNode(*result).toMap() : QVariantMap();
        bool ok = false;
        const qint64 entry = map.value(QStringLiteral("playlist_entry_id")).toLongLong(&ok);
        if (!ok) {
            reportFailed(m_item, QStringLiteral("no playlist entry"));
            return;
        }
        m_entry = entry;
        m_entryKnown = true;
        // Replay what mpv said about this entry before the answer came.
        const EarlyNews news = m_early.take(entry);
        m_early.clear();
        if (news.started)
            onStarted(entry);
        if (news.loaded && m_fileActive)
            onLoaded();
        if (news.ended)
            onEnded(entry, news.endReason, news.endError);
        break;
    }
    case Tag::Seek:
        if (payload != m_seekAwaitingReply)
            return;
        m_seekAwaitingReply = 0;
        if (error < 0) {
            m_restartPending = false;
            updateWaiting();
            reportSeekFinished(payload, false, std::numeric_limits<double>::quiet_NaN());
        } else {
            m_seekAwaitingRestart = payload;
        }
        break;
    case Tag::Landed: {
        double landed = std::numeric_limits<double>::quiet_NaN();
        const auto *property = static_cast<const mpv_event_property *>(data);
        if (error >= 0 && property && property->format == MPV_FORMAT_DOUBLE)
            landed = *static_cast<const double *>(property->data);
        reportSeekFinished(payload, true, landed);
        break;
    }
    case Tag::SetPause:
        m_pauseSetsInFlight = std::max(0, m_pauseSetsInFlight - 1);
        break;
    case Tag::Write:
        if (auto done = m_writes.take(payload))
            done(error >= 0);
        break;
    case Tag::Other:
        break;
    }
}

void MpvEngine::onStarted(qint64 entry)
{
    m_startedEntry = entry;
    if (!m_item)
        return;
    if (!m_entryKnown) {
        m_early[entry].started = true;
        return;
    }
    if (entry == m_entry)
        m_fileActive = true;
}

void MpvEngine::onLoaded()
{
    if (!m_item)
        return;
    if (!m_entryKnown) {
        m_early[m_startedEntry].loaded = true;
        return;
    }
    if (!m_fileActive || m_startedEntry != m_entry || m_fileLoaded)
        return;
    m_fileLoaded = true;
    m_sinceLoaded.start();
    m_inputRateAt = 0;
    reportReady(m_item);
    if (m_deferredSeek) {
        const quint64 seek = std::exchange(m_deferredSeek, 0);
        issueSeek(seek, m_deferredTarget);
    }
    updateWaiting();
}

void MpvEngine::onEnded(qint64 entry, int reason, int error)
{
    if (!m_item)
        return;
    if (!m_entryKnown) {
        EarlyNews &news = m_early[entry];
        news.ended = true;
        news.endReason = reason;
        news.endError = error;
        return;
    }
    if (entry != m_entry)
        return;
    const bool wasLoaded = m_fileLoaded;
    m_fileActive = false;
    m_fileLoaded = false;
    m_restartPending = false;
    m_pausedForCache = false;
    updateWaiting();
    if (reason == MPV_END_FILE_REASON_ERROR) {
        reportFailed(m_item, QString::fromUtf8(m_lib->error_string(error)));
    } else if (!wasLoaded) {
        reportFailed(m_item, QString::fromUtf8(m_lib->error_string(MPV_ERROR_NOTHING_TO_PLAY)));
    } else if (reason == MPV_END_FILE_REASON_EOF) {
        reportAtEnd(true);
        reportPaused(true);
    }
}

void MpvEngine::onRestart()
{
    if (!m_fileLoaded)
        return;
    acceptFrames();
    m_restartPending = false;
    updateWaiting();
    if (m_seekAwaitingRestart) {
        // The play head has landed; ask where, in order after the seek.
        const quint64 seek = std::exchange(m_seekAwaitingRestart, 0);
        m_lib->get_property_async(m_mpv, tag(Tag::Landed, seek), "time-pos", MPV_FORMAT_DOUBLE);
    }
}

void MpvEngine::handleProperty(quint64 id, const mpv_event_property &p)
{
    if (id >= kObservedForOthers) {
        const qsizetype index = qsizetype(id - kObservedForOthers);
        if (index < m_observedForOthers.size()) {
            const bool known = p.format == MPV_FORMAT_NODE && p.data;
            emit mpvPropertyChanged(m_observedForOthers.at(index),
                                    known ? fromNode(*static_cast<const mpv_node *>(p.data)) : QVariant());
        }
        return;
    }
    // Values that come while no file of the current item plays belong to an
    // earlier one.
    if (!m_fileActive)
        return;
    const bool none = p.format == MPV_FORMAT_NONE || !p.data;
    auto flag = [&] { return !none && p.format == MPV_FORMAT_FLAG && *static_cast<const int *>(p.data); };
    auto number = [&] {
        return !none && p.format == MPV_FORMAT_DOUBLE ? *static_cast<const double *>(p.data)
                                                      : std::numeric_limits<double>::quiet_NaN();
    };
    auto integer = [&] { return !none && p.format == MPV_FORMAT_INT64 ? *static_cast<const int64_t *>(p.data) : 0; };

    switch (id) {
    case Pause:
        if (!none && m_pauseSetsInFlight == 0)
            reportPaused(flag());
        break;
    case PausedForCache: {
        const bool stalled = flag();
        if (stalled && !m_pausedForCache && m_fileLoaded)
            ++m_stalls;
        m_pausedForCache = stalled;
        updateWaiting();
        break;
    }
    case EofReached:
        if (m_fileLoaded)
            reportAtEnd(flag());
        break;
    case TimePos:
        if (m_fileLoaded)
            reportTime(number());
        break;
    case Duration:
        reportDuration(number());
        break;
    case DWidth:
    case DHeight:
        (id == DWidth ? m_width : m_height) = integer();
        if (m_width > 0 && m_height > 0)
            reportPresentationSize(QSize(int(m_width), int(m_height)));
        break;
    case FrameDrops:
        m_frameDrops = integer();
        break;
    case DecoderDrops:
        m_decoderDrops = integer();
        break;
    case CacheSpeed: {
        // Bytes received so far: each input rate mpv reports is the rate of
        // the time since its previous report.
        if (!m_sinceLoaded.isValid())
            break;
        const qint64 now = m_sinceLoaded.elapsed();
        m_bytesReceived += double(std::max<int64_t>(integer(), 0)) * double(now - m_inputRateAt) / 1000.0;
        m_inputRateAt = now;
        break;
    }
    case CacheState: {
        QList<LoadedRange> ranges;
        if (!none && p.format == MPV_FORMAT_NODE) {
            const QVariantMap state = fromNode(*static_cast<const mpv_node *>(p.data)).toMap();
            for (const QVariant &r : state.value(QStringLiteral("seekable-ranges")).toList()) {
                const QVariantMap range = r.toMap();
                const double start = range.value(QStringLiteral("start")).toDouble();
                const double end = range.value(QStringLiteral("end")).toDouble();
                if (std::isfinite(start) && std::isfinite(end) && end >= start)
                    ranges << LoadedRange{start, end - start};
            }
        }
        reportLoadedRanges(ranges);
        break;
    }
    case TrackList: {
        // The bit rate the playing HLS variant announces.
        double video = 0, audio = 0;
        m_videoTrackSize = QSize();
        if (!none && p.format == MPV_FORMAT_NODE) {
            const QVariantList tracks = fromNode(*static_cast<const mpv_node *>(p.data)).toList();
            for (const QVariant &t : tracks) {
                const QVariantMap track = t.toMap();
                if (!track.value(QStringLiteral("selected")).toBool())
                    continue;
                const double rate = track.value(QStringLiteral("hls-bitrate")).toDouble();
                const QString type = track.value(QStringLiteral("type")).toString();
                if (type == QLatin1String("video")) {
                    video = rate;
                    m_videoTrackSize = QSize(track.value(QStringLiteral("demux-w")).toInt(),
                                             track.value(QStringLiteral("demux-h")).toInt());
                }
                else if (type == QLatin1String("audio"))
                    audio = rate;
            }
        }
        m_indicatedBitrate = video > 0 ? video : audio;
        break;
    }
    default:
        break;
    }
}

AccessLogEvent MpvEngine::accessLogFigures() const
{
    AccessLogEvent log;
    log.indicatedBitrate = m_indicatedBitrate;
    if (log.indicatedBitrate <= 0) {
        fetchVariants();
        // The variant playing: the one of the picture's size, else the first
        // (mpv takes the first when it knows no bit rates).
        for (const Variant &v : m_variants)
            if (v.resolution == m_videoTrackSize && !m_videoTrackSize.isEmpty())
                log.indicatedBitrate = v.bandwidth;
        if (log.indicatedBitrate <= 0 && !m_variants.isEmpty())
            log.indicatedBitrate = m_variants.first().bandwidth;
    }
    if (m_sinceLoaded.isValid()) {
        const qint64 now = m_sinceLoaded.elapsed();
        if (now > 0)
            log.observedBitrate = m_bytesReceived * 8.0 / (double(now) / 1000.0);
    }
    log.droppedVideoFrames = m_frameDrops + m_decoderDrops;
    log.stalls = m_stalls;
    return log;
}

void MpvEngine::fetchVariants() const
{
    if (m_variantsAsked || !m_fileLoaded)
        return;
    m_variantsAsked = true;
    const QUrl url = itemUrl();
    if ((url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) ||
        !url.path().endsWith(QLatin1String(".m3u8")))
        return;
    auto *self = const_cast<MpvEngine *>(this);
    if (!m_network)
        m_network = new QNetworkAccessManager(self);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QNetworkReply *reply = m_network->get(request);
    const quint64 item = m_item;
    connect(reply, &QNetworkReply::finished, self, [self, reply, item] {
        reply->deleteLater();
        if (item != self->m_item || reply->error() != QNetworkReply::NoError)
            return;
        self->m_variants = parseMasterPlaylist(reply->read(1 << 20));
    });
}

QList<MpvEngine::Variant> MpvEngine::parseMasterPlaylist(const QByteArray &text)
{
    QList<Variant> variants;
    static const QRegularExpression bandwidth(QStringLiteral("(?:^|,)BANDWIDTH=(\\d+)"));
    static const QRegularExpression resolution(QStringLiteral("(?:^|,)RESOLUTION=(\\d+)x(\\d+)"));
    const QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || !lines.first().trimmed().startsWith("#EXTM3U"))
        return variants;
    for (const QByteArray &raw : lines) {
        const QByteArray line = raw.trimmed();
        if (!line.startsWith("#EXT-X-STREAM-INF:"))
            continue;
        const QString attributes = QString::fromUtf8(line.mid(int(sizeof("#EXT-X-STREAM-INF:") - 1)));
        Variant v;
        if (const auto m = bandwidth.match(attributes); m.hasMatch())
            v.bandwidth = m.captured(1).toDouble();
        if (const auto m = resolution.match(attributes); m.hasMatch())
            v.resolution = QSize(m.captured(1).toInt(), m.captured(2).toInt());
        if (v.bandwidth > 0)
            variants << v;
    }
    return variants;
}

void MpvEngine::updateWaiting() { reportWaiting(m_fileActive && (m_pausedForCache || m_restartPending)); }

void MpvEngine::resetItemTracking()
{
    m_entry = 0;
    m_entryKnown = false;
    m_fileActive = false;
    m_fileLoaded = false;
    m_early.clear();
    m_deferredSeek = 0;
    m_seekAwaitingReply = 0;
    m_seekAwaitingRestart = 0;
    m_restartPending = false;
    m_pausedForCache = false;
    m_sinceLoaded.invalidate();
    m_bytesReceived = 0;
    m_inputRateAt = 0;
    m_indicatedBitrate = 0;
    m_videoTrackSize = QSize();
    m_variantsAsked = false;
    m_variants.clear();
    m_frameDrops = 0;
    m_decoderDrops = 0;
    m_stalls = 0;
    m_width = 0;
    m_height = 0;
}

void MpvEngine::clearFrame()
{
    std::lock_guard lock(m_frames->mutex);
    m_frames->accepting = false;
    m_frames->held = QImage();
    if (m_frames->image.isNull())
        return;
    m_frames->image = QImage();
    ++m_frames->serial;
    if (m_frames->onFrame)
        m_frames->onFrame();
}

void MpvEngine::acceptFrames()
{
    {
        std::lock_guard lock(m_frames->mutex);
        if (m_frames->accepting)
            return;
        m_frames->accepting = true;
        if (!m_frames->held.isNull()) {
            m_frames->image = std::exchange(m_frames->held, QImage());
            ++m_frames->serial;
            if (m_frames->onFrame)
                m_frames->onFrame();
        }
    }
    // Only a frame of the new item: a redraw could bring the old one back.
    if (m_renderer)
        m_renderer->schedule(false);
}

void MpvEngine::doLoad(quint64 item, const QUrl &url, bool play)
{
    if (deferred([=, this] { doLoad(item, url, play); })) {
        prepare();
        return;
    }
    resetItemTracking();
    m_item = item;
    m_restartPending = true;
    clearFrame();
    if (!m_mpv) {
        QMetaObject::invokeMethod(
            this, [this, item] { reportFailed(item, QStringLiteral("mpv is not available")); },
            Qt::QueuedConnection);
        return;
    }
    // The pause state goes ahead of the file, not as its own option: mpv
    // applies a file's options when the file starts, which would undo a
    // pause asked for after this load but before then.
    ++m_pauseSetsInFlight;
    setFlag(tag(Tag::SetPause), "pause", !play);
    const QByteArray target = url.isLocalFile() ? url.toLocalFile().toUtf8() : url.toEncoded();
    command(tag(Tag::Load, item), {QByteArrayLiteral("loadfile"), target, QByteArrayLiteral("replace")});
}

void MpvEngine::doUnload()
{
    if (deferred([this] { doUnload(); }))
        return;
    resetItemTracking();
    m_item = 0;
    clearFrame();
    command(tag(Tag::Other), {QByteArrayLiteral("stop")});
}

void MpvEngine::doSetPaused(bool paused)
{
    if (deferred([=, this] { doSetPaused(paused); }))
        return;
    ++m_pauseSetsInFlight;
    setFlag(tag(Tag::SetPause), "pause", paused);
    if (!m_mpv)
        m_pauseSetsInFlight = 0;
}

void MpvEngine::doSetSpeed(double speed)
{
    if (!deferred([=, this] { doSetSpeed(speed); }))
        setDouble(tag(Tag::Other), "speed", speed);
}

void MpvEngine::doSeek(quint64 seek, double seconds)
{
    if (deferred([=, this] { doSeek(seek, seconds); }))
        return;
    if (!m_fileLoaded) {
        // Not playing yet: seek as soon as the file is there.
        m_deferredSeek = seek;
        m_deferredTarget = seconds;
        return;
    }
    issueSeek(seek, seconds);
}

void MpvEngine::issueSeek(quint64 seek, double target)
{
    m_seekAwaitingReply = seek;
    m_seekAwaitingRestart = 0;
    m_restartPending = true;
    updateWaiting();
    command(tag(Tag::Seek, seek), {QByteArrayLiteral("seek"), seconds(target), QByteArrayLiteral("absolute+exact")});
}

void MpvEngine::doSetVolume(double volume)
{
    if (!deferred([=, this] { doSetVolume(volume); }))
        setDouble(tag(Tag::Other), "volume", volume * 100.0);
}

void MpvEngine::doSetMuted(bool muted)
{
    if (!deferred([=, this] { doSetMuted(muted); }))
        setFlag(tag(Tag::Other), "mute", muted);
}

void MpvEngine::doSetWaitsToMinimizeStalling(bool waits)
{
    if (!deferred([=, this] { doSetWaitsToMinimizeStalling(waits); }))
        setFlag(tag(Tag::Other), "cache-pause-initial", waits);
}

void MpvEngine::doSetVideoTargetSize(const QSize &pixels)
{
    {
        std::lock_guard lock(m_frames->mutex);
        m_frames->target = pixels;
    }
    if (m_renderer)
        m_renderer->schedule(true);
}

void MpvEngine::command(quint64 t, std::initializer_list<QByteArray> args)
{
    if (!m_mpv)
        return;
    std::vector<const char *> argv;
    argv.reserve(args.size() + 1);
    for (const QByteArray &a : args)
        argv.push_back(a.constData());
    argv.push_back(nullptr);
    m_lib->command_async(m_mpv, t, argv.data());
}

void MpvEngine::setFlag(quint64 t, const char *name, bool value)
{
    if (!m_mpv)
        return;
    int flag = value ? 1 : 0;
    m_lib->set_property_async(m_mpv, t, name, MPV_FORMAT_FLAG, &flag);
}

void MpvEngine::setDouble(quint64 t, const char *name, double value)
{
    if (!m_mpv)
        return;
    m_lib->set_property_async(m_mpv, t, name, MPV_FORMAT_DOUBLE, &value);
}

void MpvEngine::observeMpvProperty(const QByteArray &name)
{
    if (deferred([=, this] { observeMpvProperty(name); }))
        return;
    if (!m_mpv || m_observedForOthers.contains(name))
        return;
    m_observedForOthers << name;
    m_lib->observe_property(m_mpv, kObservedForOthers + quint64(m_observedForOthers.size() - 1), name.constData(),
                         MPV_FORMAT_NODE);
}

void MpvEngine::writeMpvProperty(const QByteArray &name, const QVariant &value, std::function<void(bool)> done)
{
    if (deferred([=, this] { writeMpvProperty(name, value, done); }))
        return;
    if (!m_mpv) {
        if (done)
            QMetaObject::invokeMethod(this, [done] { done(false); }, Qt::QueuedConnection);
        return;
    }
    const quint64 write = m_nextWrite++;
    if (done)
        m_writes.insert(write, std::move(done));
    const quint64 t = tag(Tag::Write, write);
    switch (value.typeId()) {
    case QMetaType::Bool: {
        int flag = value.toBool() ? 1 : 0;
        m_lib->set_property_async(m_mpv, t, name.constData(), MPV_FORMAT_FLAG, &flag);
        break;
    }
    case QMetaType::Int:
    case QMetaType::LongLong: {
        int64_t number = value.toLongLong();
        m_lib->set_property_async(m_mpv, t, name.constData(), MPV_FORMAT_INT64, &number);
        break;
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        double number = value.toDouble();
        m_lib->set_property_async(m_mpv, t, name.constData(), MPV_FORMAT_DOUBLE, &number);
        break;
    }
    default: {
        const QByteArray text = value.toString().toUtf8();
        const char *data = text.constData();
        m_lib->set_property_async(m_mpv, t, name.constData(), MPV_FORMAT_STRING, &data);
        break;
    }
    }
}
