#include "FileWriter.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
