#include "SelfLaunch.h"
#include "TestTime.h"

#include <QCoreApplication>
#include <QProcess>
#include <dlfcn.h>
#include <link.h>
#include <string>
#include <vector>

namespace {
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kLeaksChecked = true;
#elif defined(__has_feature)
constexpr bool kLeaksChecked = __has_feature(address_sanitizer);
#else
constexpr bool kLeaksChecked = false;
#endif
} // namespace

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
    if (!process.waitForFinished(TestTime::ms(ms)))
        return QStringLiteral("did not end within %1 ms").arg(TestTime::ms(ms));
    const QString said = QString::fromLocal8Bit(process.readAllStandardError().right(2000));
    if (process.exitStatus() != QProcess::NormalExit)
        return QStringLiteral("crashed: ") + said;
    if (process.exitCode() != 0)
        return QStringLiteral("exit code %1: ").arg(process.exitCode()) + said;
    return {};
}

void SelfLaunch::keepLibrariesLoaded()
{
    if constexpr (!kLeaksChecked)
        return;
    // Post routines run newest first: this one after those the child adds
    // later, once its workers have loaded what they load.
    qAddPostRoutine([] {
        std::vector<std::string> names;
        dl_iterate_phdr(
            [](dl_phdr_info *info, size_t, void *data) {
                if (info->dlpi_name && *info->dlpi_name)
                    static_cast<std::vector<std::string> *>(data)->emplace_back(info->dlpi_name);
                return 0;
            },
            &names);
        for (const std::string &name : names)
            dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    });
}
