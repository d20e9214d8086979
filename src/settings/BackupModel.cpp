#include "BackupModel.h"

#include <QCoroFuture>
#include <QFuture>
#include <QFile>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

std::optional<QByteArray> BackupModel::readBackup(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > maxBytes)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // The size may have grown since it was looked at.
    QByteArray bytes = file.read(maxBytes + 1);
    if (bytes.size() > maxBytes || file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

QString BackupModel::footer() const
{
    return m_result.isEmpty()
               ? u"Guarda historial, me gusta, listas y suscripciones en un archivo para restaurarlos en otro equipo."_qs
               : m_result;
}

void BackupModel::create()
{
    if (m_library)
        assign(m_exportUrl, m_library->exportBackup(), &BackupModel::exportUrlChanged);
}

QCoro::Task<> BackupModel::restore(QUrl file)
{
    QPointer<BackupModel> self(this);
    // Made outside the co_await: g++ 12 destroys a lambda's captures made
    // inside the awaited expression twice.
    QFuture<std::optional<QByteArray>> reading = QtConcurrent::run(&BackupModel::readBackup, file.toLocalFile());
    const std::optional<QByteArray> bytes = co_await reading;
    if (!self)
        co_return;
    const bool restored = bytes && m_library && m_library->importBackup(*bytes);
    assign(m_result, restored ? u"Biblioteca restaurada correctamente."_qs : u"El archivo no es una copia válida."_qs,
           &BackupModel::resultChanged);
    assign(m_exportUrl, QUrl(), &BackupModel::exportUrlChanged);
}
