#include "ColorScheme.h"
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {
const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kNamespace = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");
} // namespace

ColorScheme &ColorScheme::shared()
{
    static ColorScheme *c = new ColorScheme;
    return *c;
}

void ColorScheme::setDark(bool dark)
{
    if (m_dark == dark)
        return;
    m_dark = dark;
    emit darkChanged();
}

std::optional<bool> ColorScheme::darkFromValue(const QVariant &value)
{
    QVariant v = value;
    // Read() wraps the value in a second variant; unwrap any depth.
    for (int depth = 0; depth < 8; ++depth) {
        if (v.canConvert<QDBusVariant>() && v.typeId() == qMetaTypeId<QDBusVariant>())
            v = v.value<QDBusVariant>().variant();
        else if (v.typeId() == qMetaTypeId<QDBusArgument>()) {
            const QDBusArgument arg = v.value<QDBusArgument>();
            if (arg.currentType() != QDBusArgument::VariantType)
                return std::nullopt;
            v = qdbus_cast<QDBusVariant>(arg).variant();
        } else
            break;
    }
    switch (v.typeId()) {
    case QMetaType::UInt:
    case QMetaType::Int:
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::Short:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        // 0 no preference, 1 prefer dark, 2 prefer light.
        return v.toLongLong() == 1;
    default:
        return std::nullopt;
    }
}

void ColorScheme::apply(const QVariant &value)
{
    if (auto dark = darkFromValue(value))
        setDark(*dark);
}

void ColorScheme::start()
{
    if (m_started)
        return;
    m_started = true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                SLOT(onSettingChanged(QString, QString, QDBusVariant)));

    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Read"));
    call << kNamespace << kKey;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *w;
        // No portal, or no such setting: stay light.
        if (reply.isError() || m_heardChange)
            return;
        apply(QVariant::fromValue(reply.value()));
    });
}

void ColorScheme::onSettingChanged(const QString &ns, const QString &key, const QDBusVariant &value)
{
    if (ns != kNamespace || key != kKey)
        return;
    m_heardChange = true;
    apply(value.variant());
}
