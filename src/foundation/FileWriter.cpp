#include "FileWriter.h"
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// QSaveFile's copy is the file's name, a dot and six random letters; no other
// name is ours to remove, however alike.
bool isLeftoverOf(const QString &name, const QString &fileName)
{
    constexpr qsizetype randomLetters = 6;
    if (name.size() != fileName.size() + 1 + randomLetters || !name.startsWith(fileName)
        || name[fileName.size()] != u'.')
        return false;
    for (qsizetype i = fileName.size() + 1; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            return false;
    }
    return true;
}

} // namespace

FileWriter &FileWriter::shared()
{
    static FileWriter writer;
    return writer;
}

FileWriter::FileWriter()
{
    // One thread: jobs of equal priority run first in, first out.
    m_pool.setMaxThreadCount(1);
    m_pool.setExpiryTimeout(-1);
}

void FileWriter::write(const QString &path, QByteArray data)
{
    m_pool.start([path, data = std::move(data)] { writeNow(path, data); });
}

void FileWriter::remove(const QString &path)
{
    m_pool.start([path] { QFile::remove(path); });
}

void FileWriter::removeLeftovers(const QString &path)
{
    m_pool.start([path] {
        const QFileInfo file(path);
        const QString fileName = file.fileName();
        QDirIterator it(file.absolutePath(), QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
        while (it.hasNext()) {
            it.next();
            if (isLeftoverOf(it.fileName(), fileName))
                QFile::remove(it.filePath());
        }
    });
}

void FileWriter::drain() { m_pool.waitForDone(); }

bool FileWriter::writeNow(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
