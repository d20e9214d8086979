#include "MpvEngine_p.h"

#include <QPointer>
#include <cmath>
#include <limits>

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

} // namespace MpvDetail

using namespace MpvDetail;

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

void MpvEngine::updateWaiting() { reportWaiting(m_fileActive && (m_pausedForCache || m_restartPending)); }
