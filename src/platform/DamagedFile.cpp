#include "DamagedFile.h"
#include "Clock.h"
#include <QFile>
#include <QFileInfo>

bool DamagedFile::keepAside(const QString &path)
{
    const QFileInfo file(path);
    const QString stem = file.absolutePath() + u'/' + file.completeBaseName() + QStringLiteral(".damaged-")
        + Clock::now().toLocalTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString suffix = file.suffix().isEmpty() ? QString() : u'.' + file.suffix();
    QString target = stem + suffix;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = stem + u'-' + QString::number(n) + suffix;
    return QFile::rename(path, target) || QFile::copy(path, target);
}
