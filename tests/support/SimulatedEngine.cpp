#include "SimulatedEngine.h"
#include <cmath>

namespace {
constexpr double kTick = 0.25;
}

SimulatedEngine::SimulatedEngine(QObject *parent) : MediaEngine(parent) {}

void SimulatedEngine::makeReady(double duration, QSize presentationSize)
{
    if (!hasItem())
        return;
    reportDuration(duration);
    reportPresentationSize(presentationSize);
    reportReady(currentItem());
}

void SimulatedEngine::fail(const QString &error)
{
    if (hasItem())
        reportFailed(currentItem(), error);
}

void SimulatedEngine::advance(double seconds)
{
    if (!(seconds > 0) || timeControlStatus() != TimeControlStatus::Playing)
        return;
    double t = currentTime();
    double remaining = seconds * rate();
    const double end = duration();
    // Step from one 0.25 s mark to the next so that no periodic time is lost.
    while (remaining > 1e-9 && timeControlStatus() == TimeControlStatus::Playing) {
        const double mark = (std::floor(t / kTick + 1e-9) + 1) * kTick;
        const double step = std::min(remaining, mark - t);
        t = step < mark - t ? t + step : mark;
        remaining -= step;
        if (std::isfinite(end) && t >= end) {
            this->end();
            return;
        }
        reportTime(t);
    }
}

void SimulatedEngine::setTime(double seconds) { reportTime(seconds); }

void SimulatedEngine::deliverFrame(const QImage &picture)
{
    m_frame = VideoFrame{picture, m_frame.serial + 1};
    emit videoFrameChanged();
}

void SimulatedEngine::end()
{
    if (!hasItem() || itemStatus() != ItemStatus::Ready)
        return;
    if (std::isfinite(duration()))
        reportTime(duration());
    reportAtEnd(true);
    reportPaused(true);
}

void SimulatedEngine::setBuffering(bool buffering) { reportWaiting(buffering); }

void SimulatedEngine::completeSeek(bool finished)
{
    const QList<quint64> pending = pendingSeeks();
    if (!pending.isEmpty())
        completeSeek(pending.first(), finished);
}

void SimulatedEngine::completeSeek(quint64 id, bool finished)
{
    double target = 0;
    for (const Seek &s : std::as_const(m_seekLog))
        if (s.id == id)
            target = s.target;
    const bool known = pendingSeeks().contains(id);
    reportSeekFinished(id, finished, target);
    if (known && finished && !(std::isfinite(duration()) && target >= duration()))
        reportAtEnd(false);
}

void SimulatedEngine::clearRecord()
{
    m_loads.clear();
    m_seekLog.clear();
    m_rates.clear();
    m_plays = m_pauses = m_unloads = 0;
}

void SimulatedEngine::doLoad(quint64 item, const QUrl &url, bool play)
{
    m_loads << Load{url, play, item};
}

void SimulatedEngine::doUnload() { ++m_unloads; }

void SimulatedEngine::doSetPaused(bool paused)
{
    if (paused)
        ++m_pauses;
    else
        ++m_plays;
}

void SimulatedEngine::doSetSpeed(double speed)
{
    m_rates << speed;
}

void SimulatedEngine::doSeek(quint64 seek, double seconds)
{
    m_seekLog << Seek{seconds, seek};
    if (m_seeksAtOnce)
        QMetaObject::invokeMethod(this, [this, seek] { completeSeek(seek, true); }, Qt::QueuedConnection);
}
