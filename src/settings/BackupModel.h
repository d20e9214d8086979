#pragma once
#include "LibraryStore.h"
#include "Store.h"
#include <QByteArray>
#include <QCoroTask>
#include <QPointer>
#include <QUrl>
#include <optional>
#include <QtQml/qqmlregistration.h>

// The backup section's state: the file of the last export (while set, the
// share control replaces the create button) and the last restore's message.
// Both live as long as the section.
class BackupModel : public Store
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(QUrl exportUrl READ exportUrl NOTIFY exportUrlChanged)
    Q_PROPERTY(QString footer READ footer NOTIFY resultChanged)

public:
    using Store::Store;

    static constexpr qint64 maxBytes = 64 * 1024 * 1024;
    // A regular file of at most maxBytes, whole; nothing otherwise.
    static std::optional<QByteArray> readBackup(const QString &path);

    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library) { assign(m_library, library, &BackupModel::libraryChanged); }
    const QUrl &exportUrl() const { return m_exportUrl; }
    const QString &result() const { return m_result; }
    QString footer() const;

    Q_INVOKABLE void create();
    Q_INVOKABLE void startRestore(const QUrl &file) { restore(file); }
    QCoro::Task<> restore(QUrl file);

signals:
    void libraryChanged();
    void exportUrlChanged();
    void resultChanged();

private:
    QPointer<LibraryStore> m_library;
    QUrl m_exportUrl;
    QString m_result;
};
