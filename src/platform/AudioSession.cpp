#include "AudioSession.h"
#include <QJSEngine>
#include <algorithm>
#include <cmath>

AudioSession &AudioSession::shared()
{
    static AudioSession *s = new AudioSession;
    return *s;
}

AudioSession *AudioSession::create(QQmlEngine *, QJSEngine *)
{
    AudioSession *s = &shared();
    QJSEngine::setObjectOwnership(s, QJSEngine::CppOwnership);
    return s;
}

bool AudioSession::setCategory(Category, Mode) { return true; }

bool AudioSession::setActive(bool) { return true; }

void AudioSession::setAudioDevices(const QList<AudioDevice> &devices, const QString &current)
{
    const auto listed = [](const QList<AudioDevice> &list, const QString &name) {
        return std::any_of(list.begin(), list.end(), [&](const AudioDevice &d) { return d.name == name; });
    };
    // Only a device that was listed and in use, and is no longer listed, was
    // unplugged; a choice of another device, or any other device coming or
    // going, is not.
    const bool lost = !m_current.isEmpty() && listed(m_devices, m_current) && !listed(devices, m_current);
    const bool changed = devices != m_devices || current != m_current;
    m_devices = devices;
    m_current = current;
    if (changed)
        emit devicesChanged();
    if (lost)
        emit routeChanged(RouteChangeReason::OldDeviceUnavailable);
}

void AudioSession::defaultOutputLost()
{
    if (m_current.isEmpty() || m_current == defaultDevice)
        emit routeChanged(RouteChangeReason::OldDeviceUnavailable);
}

void AudioSession::setOutputVolume(double volume)
{
    const double v = std::isnan(volume) ? 0.0 : std::clamp(volume, 0.0, 1.0);
    if (v == m_outputVolume)
        return;
    m_outputVolume = v;
    emit outputVolumeChanged();
}
