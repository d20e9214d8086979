#include "MediaEngine.h"
#include <cmath>
#include <limits>

namespace {

constexpr double kTickInterval = 0.25;
constexpr qint64 kNoSlot = std::numeric_limits<qint64>::min();

qint64 slotOf(double seconds) { return qint64(std::floor(seconds / kTickInterval)); }

bool sameDuration(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

} // namespace

MediaEngine::MediaEngine(QObject *parent)
    : QObject(parent), m_duration(std::numeric_limits<double>::quiet_NaN()), m_tickSlot(kNoSlot)
{
}

MediaEngine::~MediaEngine() = default;

quint64 MediaEngine::load(const QUrl &url, bool playWhenReady)
{
    failPendingSeeks();
    const double oldRate = rate();
    const quint64 item = m_nextItem++;
    m_item = item;
    m_url = url;
    m_error.clear();
    m_status = ItemStatus::Loading;
    m_time = 0;
    m_tickSlot = kNoSlot;
    m_ended = false;
    m_waiting = false;
    m_log = {};
    m_ranges.clear();
    m_paused = !playWhenReady;
    if (playWhenReady && m_speed != m_defaultRate) {
        m_speed = m_defaultRate;
        doSetSpeed(m_speed);
    }
    const bool hadDuration = !std::isnan(m_duration);
    const bool hadSize = !m_size.isEmpty();
    m_duration = std::numeric_limits<double>::quiet_NaN();
    m_size = QSize();

    doLoad(item, url, playWhenReady);

    emit itemStatusChanged(item, m_status);
    if (hadDuration)
        emit durationChanged();
    if (hadSize)
        emit presentationSizeChanged();
    if (rate() != oldRate)
        emit rateChanged();
    updateTimeControl();
    return item;
}

void MediaEngine::unload()
{
    if (!m_item)
        return;
    failPendingSeeks();
    const double oldRate = rate();
    m_item = 0;
    m_url.clear();
    m_error.clear();
    m_status = ItemStatus::None;
    m_time = 0;
    m_ended = false;
    m_waiting = false;
    m_paused = true;
    m_log = {};
    m_ranges.clear();
    const bool hadDuration = !std::isnan(m_duration);
    const bool hadSize = !m_size.isEmpty();
    m_duration = std::numeric_limits<double>::quiet_NaN();
    m_size = QSize();

    doUnload();

    emit itemStatusChanged(0, m_status);
    if (hadDuration)
        emit durationChanged();
    if (hadSize)
        emit presentationSizeChanged();
    if (rate() != oldRate)
        emit rateChanged();
    updateTimeControl();
}

void MediaEngine::play() { playImmediately(m_defaultRate); }

void MediaEngine::playImmediately(double rate)
{
    if (!(rate > 0) || !std::isfinite(rate)) {
        pause();
        return;
    }
    const double oldRate = this->rate();
    if (rate != m_speed) {
        m_speed = rate;
        doSetSpeed(rate);
    }
    m_paused = false;
    doSetPaused(false);
    if (this->rate() != oldRate)
        emit rateChanged();
    updateTimeControl();
}

void MediaEngine::pause()
{
    const double oldRate = rate();
    m_paused = true;
    doSetPaused(true);
    if (rate() != oldRate)
        emit rateChanged();
    updateTimeControl();
    emit pauseRequested();
}

void MediaEngine::setRate(double rate)
{
    if (rate > 0)
        playImmediately(rate);
    else
        pause();
}

void MediaEngine::setDefaultRate(double rate)
{
    if (!(rate > 0) || !std::isfinite(rate) || rate == m_defaultRate)
        return;
    m_defaultRate = rate;
    emit defaultRateChanged();
}

quint64 MediaEngine::seek(double seconds, SeekCompletion done)
{
    const double target = std::isfinite(seconds) ? std::max(seconds, 0.0) : 0.0;
    const quint64 id = m_nextSeek++;
    // An earlier seek that has not landed yet is superseded.
    failPendingSeeks();
    m_seeks.insert(id, PendingSeek{target, std::move(done)});
    if (!m_item || m_status == ItemStatus::Failed) {
        finishSeekLater(id, false);
        return id;
    }
    m_seekOrder.append(id);
    m_time = target;
    doSeek(id, target);
    return id;
}

void MediaEngine::setVolume(double volume)
{
    if (std::isnan(volume))
        return;
    volume = std::clamp(volume, 0.0, 1.0);
    if (volume == m_volume)
        return;
    m_volume = volume;
    doSetVolume(volume);
    emit volumeChanged();
}

void MediaEngine::setMuted(bool muted)
{
    if (muted == m_muted)
        return;
    m_muted = muted;
    doSetMuted(muted);
    emit mutedChanged();
}

void MediaEngine::setWaitsToMinimizeStalling(bool waits)
{
    if (waits == m_waits)
        return;
    m_waits = waits;
    doSetWaitsToMinimizeStalling(waits);
}

std::optional<AccessLogEvent> MediaEngine::accessLog() const
{
    if (!m_item || m_status != ItemStatus::Ready)
        return std::nullopt;
    return accessLogFigures();
}

void MediaEngine::setVideoHolder(QObject *holder)
{
    if (holder == m_holder)
        return;
    disconnect(m_holderGone);
    m_holder = holder;
    if (holder) {
        m_holderGone = connect(holder, &QObject::destroyed, this, [this] {
            m_holder = nullptr;
            setVideoTargetSize(QSize());
            emit videoHolderChanged();
        });
    } else {
        setVideoTargetSize(QSize());
    }
    emit videoHolderChanged();
}

void MediaEngine::setVideoTargetSize(const QSize &pixels)
{
    const QSize size = pixels.isEmpty() ? QSize() : pixels;
    if (size == m_targetSize)
        return;
    m_targetSize = size;
    doSetVideoTargetSize(size);
}

void MediaEngine::reportReady(quint64 item)
{
    if (item != m_item || m_status != ItemStatus::Loading)
        return;
    m_status = ItemStatus::Ready;
    emit itemStatusChanged(item, m_status);
    emit itemReady(item);
    updateTimeControl();
}

void MediaEngine::reportFailed(quint64 item, const QString &error)
{
    if (item != m_item || (m_status != ItemStatus::Loading && m_status != ItemStatus::Ready))
        return;
    m_status = ItemStatus::Failed;
    m_error = error;
    failPendingSeeks();
    emit itemStatusChanged(item, m_status);
    emit itemFailed(item, error);
    updateTimeControl();
}

void MediaEngine::reportAtEnd(bool atEnd)
{
    if (!m_item || m_status != ItemStatus::Ready)
        return;
    if (!atEnd) {
        m_ended = false;
        return;
    }
    if (m_ended)
        return;
    m_ended = true;
    emit itemEnded(m_item);
}

void MediaEngine::reportSeekFinished(quint64 seek, bool finished, double landedAt)
{
    auto it = m_seeks.find(seek);
    if (it == m_seeks.end())
        return;
    PendingSeek pending = std::move(*it);
    m_seeks.erase(it);
    m_seekOrder.removeOne(seek);
    const bool landed = finished && m_seekOrder.isEmpty();
    if (landed) {
        m_time = std::isfinite(landedAt) ? landedAt : pending.target;
        m_tickSlot = slotOf(m_time);
    }
    if (pending.done)
        pending.done(finished);
    emit seekFinished(seek, finished);
    if (landed)
        emit periodicTime(m_time);
}

void MediaEngine::reportTime(double seconds)
{
    if (!m_item || m_status != ItemStatus::Ready || !m_seekOrder.isEmpty() || !std::isfinite(seconds))
        return;
    m_time = seconds;
    emitTick(seconds);
}

void MediaEngine::reportDuration(double seconds)
{
    if (!m_item)
        return;
    if (!std::isfinite(seconds) || seconds < 0)
        seconds = std::numeric_limits<double>::quiet_NaN();
    if (sameDuration(seconds, m_duration))
        return;
    m_duration = seconds;
    emit durationChanged();
}

void MediaEngine::reportPresentationSize(const QSize &size)
{
    if (!m_item || size == m_size)
        return;
    m_size = size;
    emit presentationSizeChanged();
}

void MediaEngine::reportPaused(bool paused)
{
    if (paused == m_paused)
        return;
    m_paused = paused;
    emit rateChanged();
    updateTimeControl();
}

void MediaEngine::reportWaiting(bool waiting)
{
    if (waiting == m_waiting)
        return;
    m_waiting = waiting;
    updateTimeControl();
}

void MediaEngine::emitTick(double seconds)
{
    const qint64 slot = slotOf(seconds);
    if (slot == m_tickSlot)
        return;
    m_tickSlot = slot;
    emit periodicTime(seconds);
}

void MediaEngine::finishSeekLater(quint64 seek, bool finished)
{
    m_seekOrder.removeOne(seek);
    auto it = m_seeks.find(seek);
    if (it == m_seeks.end())
        return;
    SeekCompletion done = std::move(it->done);
    m_seeks.erase(it);
    // Completions never run inside the call that caused them.
    QMetaObject::invokeMethod(
        this,
        [this, seek, finished, done = std::move(done)] {
            if (done)
                done(finished);
            emit seekFinished(seek, finished);
        },
        Qt::QueuedConnection);
}

void MediaEngine::failPendingSeeks()
{
    const QList<quint64> pending = m_seekOrder;
    for (quint64 id : pending)
        finishSeekLater(id, false);
}

void MediaEngine::updateTimeControl()
{
    TimeControlStatus status = TimeControlStatus::Playing;
    if (!m_item || m_paused || m_status == ItemStatus::Failed)
        status = TimeControlStatus::Paused;
    else if (m_status == ItemStatus::Loading || m_waiting)
        status = TimeControlStatus::WaitingToPlay;
    if (status == m_timeControl)
        return;
    m_timeControl = status;
    emit timeControlStatusChanged(status);
}
