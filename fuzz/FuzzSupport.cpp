#include "FuzzSupport.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace Fuzz {

void setUp(int *argc, char ***argv)
{
    static QTemporaryDir home(QDir::tempPath() + QStringLiteral("/nimbelora-fuzz-XXXXXX"));
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CACHE_HOME", (home.path() + QStringLiteral("/cache")).toUtf8());
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("Nimbelora"));
    QCoreApplication::setApplicationName(QStringLiteral("NimbeloraFuzz"));
    // Lives for the whole run; libFuzzer never returns from its loop.
    static QCoreApplication *app = new QCoreApplication(*argc, *argv);
    Q_UNUSED(app);
}

std::pair<QString, QString> twoTexts(const uint8_t *data, size_t size)
{
    const QByteArray all = bytes(data, size);
    const qsizetype cut = all.indexOf('\0');
    if (cut < 0)
        return {QString::fromUtf8(all), QString()};
    return {QString::fromUtf8(all.left(cut)), QString::fromUtf8(all.mid(cut + 1))};
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

void failed(const char *what, const QByteArray &detail)
{
    std::fprintf(stderr, "check failed: %s\n", what);
    if (!detail.isEmpty())
        std::fprintf(stderr, "  %s\n", detail.constData());
    std::abort();
}

} // namespace Fuzz
