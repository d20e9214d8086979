#include "MpvEngine_p.h"
#include "BackgroundPool.h"

#include <QPointer>
#include <QThreadPool>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>

namespace MpvDetail {

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

namespace {

const mpv_node *member(const mpv_node &map, const char *key)
{
    if (map.format != MPV_FORMAT_NODE_MAP)
        return nullptr;
    for (int i = 0; i < map.u.list->num; ++i)
        if (std::strcmp(map.u.list->keys[i], key) == 0)
            return &map.u.list->values[i];
    return nullptr;
}

double numberOf(const mpv_node *node)
{
    if (!node)
        return std::numeric_limits<double>::quiet_NaN();
    if (node->format == MPV_FORMAT_DOUBLE)
        return node->u.double_;
    if (node->format == MPV_FORMAT_INT64)
        return double(node->u.int64);
    return std::numeric_limits<double>::quiet_NaN();
}

bool isTrue(const mpv_node *node) { return node && node->format == MPV_FORMAT_FLAG && node->u.flag; }

bool hasText(const mpv_node *node, const char *text)
{
    return node && node->format == MPV_FORMAT_STRING && std::strcmp(node->u.string, text) == 0;
}

} // namespace

QList<LoadedRange> seekableRanges(const mpv_node &state)
{
    QList<LoadedRange> ranges;
    const mpv_node *list = member(state, "seekable-ranges");
    if (!list || list->format != MPV_FORMAT_NODE_ARRAY)
        return ranges;
    for (int i = 0; i < list->u.list->num; ++i) {
        const mpv_node &range = list->u.list->values[i];
        const double start = numberOf(member(range, "start"));
        const double end = numberOf(member(range, "end"));
        if (std::isfinite(start) && std::isfinite(end) && end >= start)
            ranges << LoadedRange{start, end - start};
    }
    return ranges;
}

void selectedTracks(const mpv_node &list, double &bitrate, QSize &size)
{
    double video = 0, audio = 0;
    size = QSize();
    if (list.format == MPV_FORMAT_NODE_ARRAY) {
        for (int i = 0; i < list.u.list->num; ++i) {
            const mpv_node &track = list.u.list->values[i];
            if (!isTrue(member(track, "selected")))
                continue;
            const double rate = numberOf(member(track, "hls-bitrate"));
            const double announced = std::isfinite(rate) ? rate : 0;
            if (hasText(member(track, "type"), "video")) {
                video = announced;
                const double w = numberOf(member(track, "demux-w")), h = numberOf(member(track, "demux-h"));
                size = std::isfinite(w) && std::isfinite(h) ? QSize(int(w), int(h)) : QSize();
            } else if (hasText(member(track, "type"), "audio")) {
                audio = announced;
            }
        }
    }
    bitrate = video > 0 ? video : audio;
}

std::optional<Note> translate(const mpv_event &event)
{
    Note n;
    n.id = event.reply_userdata;
    n.error = event.error;
    switch (event.event_id) {
    case MPV_EVENT_COMMAND_REPLY: {
        n.kind = Note::Reply;
        // Only a load's answer is read: the entry it made.
        if (tagKind(n.id) == Tag::Load && event.data) {
            const mpv_node *entry = member(static_cast<const mpv_event_command *>(event.data)->result,
                                           "playlist_entry_id");
            if (entry && entry->format == MPV_FORMAT_INT64) {
                n.entry = entry->u.int64;
                n.known = true;
            }
        }
        return n;
    }
    case MPV_EVENT_SET_PROPERTY_REPLY:
        n.kind = Note::Reply;
        return n;
    case MPV_EVENT_GET_PROPERTY_REPLY: {
        n.kind = Note::Reply;
        const auto *p = static_cast<const mpv_event_property *>(event.data);
        if (event.error >= 0 && p && p->format == MPV_FORMAT_DOUBLE && p->data) {
            n.number = *static_cast<const double *>(p->data);
            n.known = true;
        } else if (event.error >= 0 && p && p->format == MPV_FORMAT_FLAG && p->data) {
            n.integer = *static_cast<const int *>(p->data);
            n.known = true;
        }
        return n;
    }
    case MPV_EVENT_START_FILE:
        n.kind = Note::Started;
        n.entry = static_cast<const mpv_event_start_file *>(event.data)->playlist_entry_id;
        return n;
    case MPV_EVENT_FILE_LOADED:
        n.kind = Note::Loaded;
        return n;
    case MPV_EVENT_END_FILE: {
        const auto *end = static_cast<const mpv_event_end_file *>(event.data);
        n.kind = Note::Ended;
        n.entry = end->playlist_entry_id;
        n.reason = end->reason;
        n.error = end->error;
        return n;
    }
    case MPV_EVENT_PLAYBACK_RESTART:
        n.kind = Note::Restart;
        return n;
    case MPV_EVENT_PROPERTY_CHANGE: {
        n.kind = Note::Property;
        const auto &p = *static_cast<const mpv_event_property *>(event.data);
        if (p.format == MPV_FORMAT_NONE || !p.data)
            return n;
        n.known = true;
        if (n.id >= kObservedForOthers) {
            if (p.format == MPV_FORMAT_NODE)
                n.value = fromNode(*static_cast<const mpv_node *>(p.data));
            else
                n.known = false;
            return n;
        }
        switch (p.format) {
        case MPV_FORMAT_FLAG:
            n.integer = *static_cast<const int *>(p.data);
            break;
        case MPV_FORMAT_INT64:
            n.integer = *static_cast<const int64_t *>(p.data);
            break;
        case MPV_FORMAT_DOUBLE:
            n.number = *static_cast<const double *>(p.data);
            break;
        case MPV_FORMAT_NODE: {
            const auto &node = *static_cast<const mpv_node *>(p.data);
            if (n.id == CacheState)
                n.ranges = seekableRanges(node);
            else if (n.id == TrackList)
                selectedTracks(node, n.number, n.size);
            break;
        }
        default:
            n.known = false;
            break;
        }
        return n;
    }
    default:
        return std::nullopt;
    }
}

} // namespace MpvDetail

using namespace MpvDetail;

// The event thread: waits for mpv's events, decodes them and hands them over.
// It ends once asked to and woken, or when the core shuts down.
void MpvEngine::pump(const MpvLibrary *lib, mpv_handle *mpv, std::shared_ptr<Inbox> inbox)
{
    while (!inbox->quit) {
        const mpv_event *event = lib->wait_event(mpv, -1);
        if (inbox->quit || event->event_id == MPV_EVENT_SHUTDOWN)
            return;
        std::optional<Note> note = translate(*event);
        if (!note)
            continue;
        {
            std::lock_guard lock(inbox->mutex);
            inbox->notes.push_back(std::move(*note));
            if (!inbox->posted && inbox->post) {
                inbox->posted = true;
                inbox->post();
            }
        }
        if (event->event_id == MPV_EVENT_FILE_LOADED) {
            static std::once_flag once;
            std::call_once(once, [] { backgroundPool()->start(&MpvLibrary::releaseStartupPages); });
        }
    }
}

void MpvEngine::takeNotes()
{
    std::vector<Note> notes;
    {
        std::lock_guard lock(m_inbox->mutex);
        notes.swap(m_inbox->notes);
        m_inbox->posted = false;
    }
    QPointer<MpvEngine> self(this);
    for (const Note &note : notes) {
        if (!self || !m_mpv)
            return;
        handleNote(note);
    }
}

void MpvEngine::handleNote(const Note &n)
{
    switch (n.kind) {
    case Note::Reply:
        handleReply(n);
        break;
    case Note::Started:
        onStarted(n.entry);
        break;
    case Note::Loaded:
        onLoaded();
        break;
    case Note::Ended:
        onEnded(n.entry, n.reason, n.error);
        break;
    case Note::Restart:
        onRestart();
        break;
    case Note::Property:
        handleProperty(n);
        break;
    }
}

void MpvEngine::handleReply(const Note &n)
{
    const quint64 payload = tagPayload(n.id);
    const int error = n.error;
    switch (tagKind(n.id)) {
    case Tag::Load: {
        if (payload != m_item || m_entryKnown)
            return;
        if (error < 0) {
            reportFailed(m_item, QString::fromUtf8(m_lib->error_string(error)));
            return;
        }
        if (!n.known) {
            reportFailed(m_item, QStringLiteral("no playlist entry"));
            return;
        }
        const qint64 entry = n.entry;
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
    case Tag::Landed:
        reportSeekFinished(payload, true, n.known ? n.number : std::numeric_limits<double>::quiet_NaN());
        break;
    case Tag::SetPause:
        m_pauseSetsInFlight = std::max(0, m_pauseSetsInFlight - 1);
        if (m_pauseSetsInFlight == 0)
            m_lib->get_property_async(m_mpv, tag(Tag::PauseState), "pause", MPV_FORMAT_FLAG);
        break;
    case Tag::PauseState:
        // A newer write will be read back in its turn.
        if (m_pauseSetsInFlight == 0 && m_fileActive && n.known)
            reportPaused(n.integer != 0);
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
    if (entry == m_entry) {
        m_fileActive = true;
        // Waiting from the start of the file: ready must not read as playing
        // before the playback restart.
        updateWaiting();
    }
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
    issueDeferredSeek();
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
    m_demuxerRead = true;
    if (m_deferredSeek) {
        // The file's start came up before the seek could go: still waiting,
        // and nothing of it shows.
        issueDeferredSeek();
        return;
    }
    acceptFrames();
    m_restartPending = false;
    updateWaiting();
    if (m_seekAwaitingRestart) {
        // The play head has landed; ask where, in order after the seek.
        const quint64 seek = std::exchange(m_seekAwaitingRestart, 0);
        m_lib->get_property_async(m_mpv, tag(Tag::Landed, seek), "time-pos", MPV_FORMAT_DOUBLE);
    }
}

void MpvEngine::handleProperty(const Note &p)
{
    const quint64 id = p.id;
    if (id >= kObservedForOthers) {
        const qsizetype index = qsizetype(id - kObservedForOthers);
        if (index < m_observedForOthers.size())
            emit mpvPropertyChanged(m_observedForOthers.at(index), p.known ? p.value : QVariant());
        return;
    }
    // Values that come while no file of the current item plays belong to an
    // earlier one.
    if (!m_fileActive)
        return;
    const bool none = !p.known;
    const bool flag = !none && p.integer != 0;
    const double number = none ? std::numeric_limits<double>::quiet_NaN() : p.number;
    const qint64 integer = none ? 0 : p.integer;

    switch (id) {
    case Pause:
        if (!none && m_pauseSetsInFlight == 0)
            reportPaused(flag);
        break;
    case PausedForCache: {
        const bool stalled = flag;
        if (stalled && !m_pausedForCache && m_fileLoaded)
            ++m_stalls;
        m_pausedForCache = stalled;
        updateWaiting();
        break;
    }
    case EofReached:
        if (m_fileLoaded)
            reportAtEnd(flag);
        break;
    case TimePos:
        if (m_fileLoaded)
            reportTime(number);
        break;
    case Duration:
        reportDuration(number);
        break;
    case DWidth:
    case DHeight:
        (id == DWidth ? m_width : m_height) = integer;
        if (m_width > 0 && m_height > 0)
            reportPresentationSize(QSize(int(m_width), int(m_height)));
        break;
    case FrameDrops:
        m_frameDrops = integer;
        break;
    case DecoderDrops:
        m_decoderDrops = integer;
        break;
    case CacheSpeed: {
        // Bytes received so far: each input rate mpv reports is the rate of
        // the time since its previous report.
        if (!m_sinceLoaded.isValid())
            break;
        const qint64 now = m_sinceLoaded.elapsed();
        m_bytesReceived += double(std::max<qint64>(integer, 0)) * double(now - m_inputRateAt) / 1000.0;
        m_inputRateAt = now;
        break;
    }
    case CacheState:
        reportLoadedRanges(p.ranges);
        if (!p.ranges.isEmpty() && !m_demuxerRead) {
            m_demuxerRead = true;
            issueDeferredSeek();
        }
        break;
    case TrackList:
        // The bit rate the playing HLS variant announces.
        m_indicatedBitrate = none ? 0 : p.number;
        m_videoTrackSize = none ? QSize() : p.size;
        break;
    default:
        break;
    }
}

void MpvEngine::updateWaiting() { reportWaiting(m_fileActive && (m_pausedForCache || m_restartPending)); }
