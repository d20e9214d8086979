#include "DiskCache.h"
#include "BackgroundPool.h"
#include "FileWriter.h"
#include "ImageLoader.h"
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// File names may hold 255 bytes; keep well below with ".json" and the hash.
constexpr qsizetype kMaxNameBytes = 200;
constexpr qsizetype kHashedPrefix = 150;

bool isSafe(char c, qsizetype at)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
        || c == '_' || (c == '.' && at > 0);
}

QString cacheRoot() { return QStandardPaths::writableLocation(QStandardPaths::CacheLocation); }

} // namespace

QString DiskCache::dir() { return cacheRoot() + QStringLiteral("/ombri"); }

QString DiskCache::fileName(const QString &key)
{
    const QByteArray utf8 = key.toUtf8();
    QByteArray name;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (isSafe(c, i)) {
            name += c;
        } else {
            name += '%';
            name += QByteArray::number(uchar(c), 16).toUpper().rightJustified(2, '0');
        }
    }
    if (name.size() > kMaxNameBytes) {
        // "~" never comes out of the escaping above, so hashed names stay apart.
        name = name.left(kHashedPrefix) + '~'
            + QCryptographicHash::hash(utf8, QCryptographicHash::Sha256).toHex();
    }
    return QString::fromLatin1(name) + QStringLiteral(".json");
}

QString DiskCache::path(const QString &key) { return dir() + QLatin1Char('/') + fileName(key); }

void DiskCache::saveBytes(QByteArray json, const QString &key)
{
    FileWriter::shared().write(path(key), std::move(json));
}

const QStringList &DiskCache::accountKeys()
{
    static const QStringList keys{homeAccountKey, subscriptionsAccountKey};
    return keys;
}

void DiskCache::forgetAccountLists()
{
    for (const QString &key : accountKeys())
        FileWriter::shared().remove(path(key));
}

std::optional<QByteArray> DiskCache::read(const QString &file)
{
    FileWriter::shared().removeLeftovers(file);
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return f.readAll();
}

QFuture<void> DiskCache::clearAll()
{
    ImageLoader *images = &ImageLoader::shared();
    return QtConcurrent::run(backgroundPool(), [root = cacheRoot(), images] {
        const QFileInfoList items =
            QDir(root).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo &item : items) {
            // A link is removed as a link: never follow it into someone else's files.
            if (item.isDir() && !item.isSymLink())
                QDir(item.filePath()).removeRecursively();
            else
                QFile::remove(item.filePath());
        }
        // The image loader starts its disk cache afresh (a pool thread may wait).
        images->clearDisk().waitForFinished();
    });
}

QFuture<qint64> DiskCache::totalBytes()
{
    return QtConcurrent::run(backgroundPool(), [root = cacheRoot()] {
        qint64 total = 0;
        QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            const QFileInfo info = it.fileInfo();
            if (!info.isSymLink())
                total += info.size();
        }
        return total;
    });
}
