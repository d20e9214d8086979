#include "UrlInbox.h"
#include <QDBusConnectionInterface>
#include <QDBusMessage>

// What the bus calls, living on the inbox's thread.
class UrlInbox::Door : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.nimbelora.Nimbelora")

public:
    explicit Door(UrlInbox *inbox) : m_inbox(inbox) {}

public slots:
    Q_SCRIPTABLE void Open(const QString &url)
    {
        QMetaObject::invokeMethod(m_inbox, [inbox = m_inbox, url] { emit inbox->opened(url); }, Qt::QueuedConnection);
    }

private:
    UrlInbox *m_inbox;
};

QDBusConnection UrlInbox::ownBus()
{
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("nimbelora-url-inbox"));
}

UrlInbox::UrlInbox(QDBusConnection bus, QString service, QObject *parent)
    : QObject(parent), m_bus(std::move(bus)), m_service(std::move(service))
{
    m_thread.setObjectName(QStringLiteral("UrlInbox"));
    m_door = new Door(this);
    m_door->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_door, &QObject::deleteLater);
    m_thread.start();
}

UrlInbox::~UrlInbox()
{
    if (m_owner)
        m_bus.unregisterService(m_service);
    if (m_registered)
        m_bus.unregisterObject(QLatin1String(objectPath));
    m_thread.quit();
    m_thread.wait();
}

UrlInbox::Claim UrlInbox::claim()
{
    if (!m_bus.isConnected())
        return Claim::noBus;
    if (m_owner)
        return Claim::owner;
    if (!m_registered)
        m_registered = m_bus.registerObject(QLatin1String(objectPath), m_door, QDBusConnection::ExportScriptableSlots);
    // Never queued and never replaced: a second instance learns at once.
    m_owner = m_bus.registerService(m_service);
    if (m_owner)
        return Claim::owner;
    QDBusConnectionInterface *daemon = m_bus.interface();
    if (daemon && daemon->isServiceRegistered(m_service))
        return Claim::taken;
    // A bus that refuses the name for another reason: run alone.
    return Claim::noBus;
}

bool UrlInbox::forward(QDBusConnection bus, const QString &service, const QString &url, int timeoutMs)
{
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(service, QLatin1String(objectPath),
                                                       QLatin1String(interfaceName), QStringLiteral("Open"));
    call << url;
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

QString UrlInbox::urlFromArguments(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--")) {
            return i + 1 < arguments.size() ? arguments.at(i + 1) : QString();
        }
        if (!a.startsWith(QLatin1Char('-')) && !a.isEmpty())
            return a;
    }
    return {};
}

#include "UrlInbox.moc"
