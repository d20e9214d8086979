#include "MpvEngine_p.h"
#include "BackgroundPool.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QThreadPool>

using namespace MpvDetail;

// A core as the worker made it; all null when libmpv is missing or mpv
// refused to start.
struct MpvEngine::Made
{
    const MpvLibrary *lib = nullptr;
    mpv_handle *mpv = nullptr;
    mpv_render_context *render = nullptr;
};

MpvEngine::MpvEngine(QObject *parent)
    : MediaEngine(parent), m_frames(std::make_shared<FrameSlot>()), m_inbox(std::make_shared<Inbox>()),
      m_gate(std::make_shared<Gate>())
{
}

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
        // By default mpv's video thread takes each frame 50 ms ahead and then
        // sleeps until it is due, deaf to the core meanwhile. Loading the next
        // file waits on that thread, so a start made while a video plays lost
        // up to a frame's time. Our renderer gains nothing from the head
        // start: it draws as soon as mpv hands a frame over.
        {"video-timing-offset", "0"},
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
    // Ahead of the pictures queued in the pool: a playback waits for it.
    backgroundPool()->start([self, audio] {
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
                    backgroundPool()->start([made] { destroyCore(made); });
            },
            Qt::QueuedConnection);
    }, 1);
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
        m_inbox->post = [this] { QMetaObject::invokeMethod(this, [this] { takeNotes(); }, Qt::QueuedConnection); };
        m_pump = std::make_shared<std::thread>(&MpvEngine::pump, m_lib, m_mpv, m_inbox);
        {
            std::lock_guard lock(m_gate->mutex);
            m_gate->lib = m_lib;
            m_gate->mpv = m_mpv;
            m_gate->engine = this;
        }
        m_fetchThread = new QThread;
        m_fetchThread->setObjectName(QStringLiteral("HLS playlists"));
        m_fetcher = new PlaylistFetcher(m_gate);
        m_fetcher->moveToThread(m_fetchThread);
        m_fetchThread->start();
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
    // After this nothing posts to this engine any more.
    {
        std::lock_guard lock(m_inbox->mutex);
        m_inbox->post = nullptr;
    }
    {
        std::lock_guard lock(m_gate->mutex);
        m_gate->mpv = nullptr;
        m_gate->engine = nullptr;
        m_gate->wanted = 0;
    }
    {
        std::lock_guard lock(m_frames->mutex);
        m_frames->onFrame = nullptr;
    }
    // The render context must go before the core, and both may take a while:
    // finish off the GUI thread. The application waits for the background
    // pool before it exits; by then events are no longer delivered, so
    // nothing here relies on them.
    auto teardown = [lib = m_lib, mpv = m_mpv, renderer = m_renderer, thread = m_renderThread, inbox = m_inbox,
                     pump = m_pump, fetcher = m_fetcher, fetchThread = m_fetchThread] {
        // Fetches under way are dropped with their thread.
        fetcher->deleteLater();
        fetchThread->quit();
        fetchThread->wait();
        delete fetchThread;
        // The event thread must be out of mpv before the core goes.
        inbox->quit = true;
        lib->wakeup(mpv);
        pump->join();
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
                            ? backgroundPool()
                            : nullptr;
    if (pool)
        pool->start(teardown);
    else
        teardown();
}

void MpvEngine::resetItemTracking()
{
    m_entry = 0;
    m_entryKnown = false;
    m_fileActive = false;
    m_fileLoaded = false;
    m_early.clear();
    m_demuxerRead = false;
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
    m_variants.clear();
    m_frameDrops = 0;
    m_decoderDrops = 0;
    m_stalls = 0;
    m_width = 0;
    m_height = 0;
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
    std::lock_guard lock(m_gate->mutex);
    if (fetchesPlaylist(url)) {
        m_gate->wanted = item;
        // What plays stops now, as the load would stop it.
        command(tag(Tag::Other), {QByteArrayLiteral("stop")});
        QMetaObject::invokeMethod(
            m_fetcher, [fetcher = m_fetcher, url, item] { fetcher->fetch(url, item); }, Qt::QueuedConnection);
        return;
    }
    m_gate->wanted = 0;
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
    std::lock_guard lock(m_gate->mutex);
    m_gate->wanted = 0;
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
    if (!m_fileLoaded || !m_demuxerRead) {
        // Not playing yet: seek as soon as the file is there and its demuxer
        // has read from its start.
        m_deferredSeek = seek;
        m_deferredTarget = seconds;
        return;
    }
    issueSeek(seek, seconds);
}

void MpvEngine::issueDeferredSeek()
{
    if (m_deferredSeek && m_fileLoaded && m_demuxerRead)
        issueSeek(std::exchange(m_deferredSeek, 0), m_deferredTarget);
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
