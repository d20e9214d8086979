#include "NetworkPath.h"
#include <QCoreApplication>
#include <QNetworkInformation>
#include <QThread>

NetworkPath &NetworkPath::shared()
{
    static NetworkPath *p = new NetworkPath;
    return *p;
}

void NetworkPath::start()
{
    if (m_thread)
        return;
    // Both live as long as the process; the thread is stopped when the
    // application object goes away.
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("nimbelora.net"));
    auto *monitor = new QObject;
    monitor->moveToThread(m_thread);
    connect(m_thread, &QThread::started, monitor, [this, monitor] {
        if (!QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Metered))
            return;
        QNetworkInformation *info = QNetworkInformation::instance();
        const auto report = [this](bool metered) {
            QMetaObject::invokeMethod(this, [this, metered] { setExpensive(metered); }, Qt::QueuedConnection);
        };
        report(info->isMetered());
        connect(info, &QNetworkInformation::isMeteredChanged, monitor, report);
    });
    qAddPostRoutine(&NetworkPath::stopMonitor);
    m_thread->start();
}

void NetworkPath::stopMonitor()
{
    QThread *t = shared().m_thread;
    t->quit();
    // A backend stuck in a D-Bus call must not hold up the quit for long.
    t->wait(1000);
}

void NetworkPath::setExpensive(bool expensive) { apply(expensive, m_override); }

void NetworkPath::setOverride(std::optional<bool> expensive) { apply(m_reported, expensive); }

void NetworkPath::apply(bool reported, std::optional<bool> pinned)
{
    const bool before = isExpensive();
    m_reported = reported;
    m_override = pinned;
    if (isExpensive() != before)
        emit expensiveChanged();
}
