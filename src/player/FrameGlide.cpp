#include "FrameGlide.h"
#include "Store.h"

#include <cmath>

FrameGlide::FrameGlide(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &FrameGlide::step);
}

void FrameGlide::setEngine(MediaEngine *engine)
{
    if (!follow(this, m_engine, engine))
        return;
    if (engine) {
        connect(engine, &MediaEngine::videoFrameChanged, this, &FrameGlide::onPicture);
        // Paused or waiting, no picture is coming to carry a change.
        connect(engine, &MediaEngine::timeControlStatusChanged, this, &FrameGlide::schedule);
        connect(engine, &QObject::destroyed, this, &FrameGlide::schedule);
    }
    emit engineChanged();
    schedule();
}

void FrameGlide::setTarget(double target)
{
    if (std::isnan(target))
        target = 0;
    if (!assignAndNotify(this, m_target, target, &FrameGlide::targetChanged))
        return;
    m_gliding = m_complete && m_animated;
    if (m_gliding) {
        m_from = m_value;
        m_glideClock.start();
    }
    m_pending = true;
    if (!m_complete || (!m_gliding && !picturesFlow())) {
        step();
        return;
    }
    schedule();
}

void FrameGlide::setAnimated(bool animated)
{
    if (!assignAndNotify(this, m_animated, animated, &FrameGlide::animatedChanged))
        return;
    // A glide under way ends where it was going, as a jump would.
    if (!animated && m_gliding) {
        m_gliding = false;
        if (!picturesFlow())
            step();
    }
}

void FrameGlide::componentComplete() { m_complete = true; }

bool FrameGlide::picturesFlow() const
{
    return m_engine && m_engine->timeControlStatus() == MediaEngine::TimeControlStatus::Playing &&
           !m_engine->videoFrame().image.isNull();
}

void FrameGlide::schedule()
{
    // While pictures flow the next one carries the change.
    if (!m_pending || picturesFlow())
        m_timer.stop();
    else if (!m_timer.isActive())
        m_timer.start(displayStepMs);
}

void FrameGlide::onPicture()
{
    if (m_pending)
        step();
}

void FrameGlide::step()
{
    if (!m_pending)
        return;
    double v = m_target;
    if (m_gliding) {
        const double t = double(m_glideClock.elapsed()) / glideMs;
        if (t < 1)
            v = m_from + (m_target - m_from) * t;
        else
            m_gliding = false;
    }
    m_pending = m_gliding;
    setValue(v);
    schedule();
}

void FrameGlide::setValue(double v) { assignAndNotify(this, m_value, v, &FrameGlide::valueChanged); }
