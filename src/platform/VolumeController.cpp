#include "VolumeController.h"
#include "AudioSession.h"
#include <QJSEngine>
#include <algorithm>
#include <cmath>

VolumeController &VolumeController::shared()
{
    static VolumeController *v = new VolumeController;
    return *v;
}

VolumeController *VolumeController::create(QQmlEngine *, QJSEngine *)
{
    VolumeController *v = &shared();
    QJSEngine::setObjectOwnership(v, QJSEngine::CppOwnership);
    return v;
}

double VolumeController::clamped(double volume)
{
    if (std::isnan(volume))
        return 0.0;
    return std::clamp(volume, 0.0, 1.0);
}

void VolumeController::set(double volume)
{
    const double v = clamped(volume);
    if (const Applier &apply = shared().m_applier)
        apply(v);
    AudioSession::shared().setOutputVolume(v);
}

void VolumeController::setApplier(Applier applier) { shared().m_applier = std::move(applier); }
