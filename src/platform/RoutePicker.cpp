#include "RoutePicker.h"
#include "AudioSession.h"
#include <QJSEngine>
#include <QVariantMap>
#include <algorithm>

RoutePicker::RoutePicker(QObject *parent) : QObject(parent)
{
    connect(&AudioSession::shared(), &AudioSession::devicesChanged, this, &RoutePicker::devicesChanged);
}

RoutePicker &RoutePicker::shared()
{
    static RoutePicker *p = new RoutePicker;
    return *p;
}

RoutePicker *RoutePicker::create(QQmlEngine *, QJSEngine *)
{
    RoutePicker *p = &shared();
    QJSEngine::setObjectOwnership(p, QJSEngine::CppOwnership);
    return p;
}

QVariantList RoutePicker::devices() const
{
    const AudioSession &session = AudioSession::shared();
    QVariantList rows;
    for (const AudioDevice &d : session.devices()) {
        QString title = d.name == AudioSession::defaultDevice ? defaultTitle : d.description;
        if (title.isEmpty())
            title = d.name;
        rows.append(QVariantMap{
            {QStringLiteral("name"), d.name},
            {QStringLiteral("title"), title},
            {QStringLiteral("current"), d.name == session.currentDevice()},
        });
    }
    return rows;
}

QString RoutePicker::currentDevice() const { return AudioSession::shared().currentDevice(); }

bool RoutePicker::isActive() const
{
    const QString current = currentDevice();
    return !current.isEmpty() && current != AudioSession::defaultDevice;
}

void RoutePicker::choose(const QString &device)
{
    const QList<AudioDevice> listed = AudioSession::shared().devices();
    const bool known = std::any_of(listed.begin(), listed.end(),
                                   [&](const AudioDevice &d) { return d.name == device; });
    if (known && m_chooser)
        m_chooser(device);
}

void RoutePicker::setChooser(Chooser chooser) { shared().m_chooser = std::move(chooser); }
