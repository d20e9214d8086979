#include "MpvAudioBridge.h"
#include "DefaultOutputWatch.h"
#include "MpvEngine.h"
#include "RoutePicker.h"
#include "VolumeController.h"

#include <cmath>
#include <memory>

MpvAudioBridge *MpvAudioBridge::install(MpvEngine *engine)
{
    if (!engine)
        return nullptr;
    if (auto *existing = engine->findChild<MpvAudioBridge *>(QString(), Qt::FindDirectChildrenOnly))
        return existing;
    auto *bridge = new MpvAudioBridge(engine);
    // mpv plays through the sound server unless told otherwise (tests say "null").
    if (qEnvironmentVariableIsEmpty("NIMBELORA_AUDIO")) {
        auto *watch = new DefaultOutputWatch(bridge);
        connect(watch, &DefaultOutputWatch::defaultOutputLost, bridge,
                [] { AudioSession::shared().defaultOutputLost(); });
    }

    QPointer<MpvEngine> target(engine);
    RoutePicker::setChooser([target](const QString &device) {
        if (target)
            target->writeMpvProperty("audio-device", device);
    });
    VolumeController::setApplier([target](double volume) {
        if (!target)
            return;
        target->writeMpvProperty("ao-volume", volume * 100.0, [target, volume](bool ok) {
            if (!ok && target)
                target->setVolume(volume);
        });
    });
    return bridge;
}

void MpvAudioBridge::follow(MpvEngine *engine)
{
    if (!engine)
        return;
    auto written = std::make_shared<QString>();
    auto follow = [engine, written] {
        const QString device = AudioSession::shared().currentDevice();
        // Writing the same device again would reopen the output.
        if (device.isEmpty() || device == *written)
            return;
        *written = device;
        engine->writeMpvProperty("audio-device", device);
    };
    QObject::connect(&AudioSession::shared(), &AudioSession::devicesChanged, engine, follow);
    follow();
}

MpvAudioBridge::MpvAudioBridge(MpvEngine *engine) : QObject(engine), m_engine(engine)
{
    connect(engine, &MpvEngine::mpvPropertyChanged, this, &MpvAudioBridge::onProperty);
    engine->observeMpvProperty("audio-device-list");
    engine->observeMpvProperty("audio-device");
    engine->observeMpvProperty("ao-volume");
}

QList<AudioDevice> MpvAudioBridge::devicesFrom(const QVariant &list)
{
    QList<AudioDevice> devices;
    for (const QVariant &entry : list.toList()) {
        const QVariantMap map = entry.toMap();
        const QString name = map.value(QStringLiteral("name")).toString();
        if (name.isEmpty())
            continue;
        devices << AudioDevice{name, map.value(QStringLiteral("description")).toString()};
    }
    return devices;
}

void MpvAudioBridge::onProperty(const QByteArray &name, const QVariant &value)
{
    if (name == "audio-device-list") {
        m_devices = devicesFrom(value);
        m_haveDevices = true;
    } else if (name == "audio-device") {
        m_current = value.toString();
        m_haveCurrent = true;
    } else if (name == "ao-volume") {
        // Unknown until an output is open, and absent for outputs without one.
        bool ok = false;
        const double percent = value.toDouble(&ok);
        if (ok && std::isfinite(percent))
            AudioSession::shared().setOutputVolume(percent / 100.0);
        return;
    } else {
        return;
    }
    if (m_haveDevices && m_haveCurrent)
        AudioSession::shared().setAudioDevices(m_devices, m_current);
}
