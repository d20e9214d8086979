#include "TestDirs.h"
#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace TestDirs {

void isolate()
{
    if (QCoreApplication::organizationName().isEmpty())
        QCoreApplication::setOrganizationName(QStringLiteral("Nimbelora"));
    if (QCoreApplication::applicationName().isEmpty())
        QCoreApplication::setApplicationName(QStringLiteral("Nimbelora"));
    QStandardPaths::setTestModeEnabled(true);
    for (auto loc : {QStandardPaths::AppDataLocation, QStandardPaths::CacheLocation,
                     QStandardPaths::AppConfigLocation}) {
        const QString dir = QStandardPaths::writableLocation(loc);
        // Test mode paths always live under ~/.qttest; never clear anything else.
        if (dir.contains(QLatin1String(".qttest")))
            QDir(dir).removeRecursively();
    }
}

QString dataDir() { return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation); }
QString cacheDir() { return QStandardPaths::writableLocation(QStandardPaths::CacheLocation); }

} // namespace TestDirs
