#include "MprisService.h"
#include "MprisPlayerAdaptor.h"
#include "MprisRootAdaptor.h"
#include "NowPlaying.h"
#include "RemoteCommands.h"
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {
// RequestName flags and answers of the bus daemon.
constexpr uint kDoNotQueue = 4;
constexpr uint kPrimaryOwner = 1;
constexpr uint kAlreadyOwner = 4;
} // namespace

MprisService::MprisService()
    : m_root(new MprisRootAdaptor(this))
    , m_player(new MprisPlayerAdaptor(this))
{
    connect(&NowPlaying::shared(), &NowPlaying::changed, this, &MprisService::publish);
    connect(&RemoteCommands::shared(), &RemoteCommands::registeredChanged, this, &MprisService::publish);
    connect(&NowPlaying::shared(), &NowPlaying::seeked, m_player, &MprisPlayerAdaptor::Seeked);
}

MprisService &MprisService::shared()
{
    static MprisService *s = new MprisService;
    return *s;
}

void MprisService::start()
{
    if (m_started)
        return;
    m_started = true;
    m_announced = m_player->announcedProperties();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.registerObject(objectPath, this, QDBusConnection::ExportAdaptors);

    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                       QStringLiteral("/org/freedesktop/DBus"),
                                                       QStringLiteral("org.freedesktop.DBus"),
                                                       QStringLiteral("RequestName"));
    call << serviceName << kDoNotQueue;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        const bool owns = !reply.isError() && (reply.value() == kPrimaryOwner || reply.value() == kAlreadyOwner);
        if (owns != m_ownsName) {
            m_ownsName = owns;
            emit ownsNameChanged();
        }
    });
}

void MprisService::publish()
{
    const QVariantMap now = m_player->announcedProperties();
    QVariantMap changed;
    for (auto it = now.begin(); it != now.end(); ++it)
        if (m_announced.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    m_announced = now;
    if (changed.isEmpty() || !m_started)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(objectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << playerInterface << changed << QStringList();
    bus.send(signal);
}
