#include "SelfLaunch.h"

#include <QCoreApplication>
#include <QProcess>

SelfLaunch::SelfLaunch(const QString &platform) : m_env(QProcessEnvironment::systemEnvironment())
{
    m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    if (platform == QLatin1String("xcb")) {
        m_x = std::make_unique<XServer>();
        m_env = m_x->environment(m_env);
    }
}

bool SelfLaunch::ready() const
{
    return !m_x || !m_x->display().isEmpty();
}

QString SelfLaunch::run(const QStringList &arguments, int ms) const
{
    QProcess process;
    process.setProcessEnvironment(m_env);
    process.start(QCoreApplication::applicationFilePath(), arguments);
    if (!process.waitForFinished(ms))
        return QStringLiteral("did not end within %1 ms").arg(ms);
    const QString said = QString::fromLocal8Bit(process.readAllStandardError().right(2000));
    if (process.exitStatus() != QProcess::NormalExit)
        return QStringLiteral("crashed: ") + said;
    if (process.exitCode() != 0)
        return QStringLiteral("exit code %1: ").arg(process.exitCode()) + said;
    return {};
}
