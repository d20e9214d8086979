#pragma once
#include "LibraryStore.h"
#include "RowListModel.h"
#include <QPointer>
#include <QtQml/qqmlregistration.h>

// The rows of "Mis listas": the own playlists in the library's order (newest
// first), each with its video count and the id of its first video (empty
// for an empty list, which shows a placeholder). Rows follow the library.
class PlaylistsModel : public RowListModel
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY libraryChanged)

public:
    enum Role { PlaylistIdRole = Qt::UserRole + 1, NameRole, CountTextRole, FirstVideoIdRole };

    explicit PlaylistsModel(QObject *parent = nullptr);

    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library);
    int count() const override { return int(m_rows.size()); }

    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The name exactly as typed: the library trims it or names it "Lista nueva".
    Q_INVOKABLE void create(const QString &name);
    Q_INVOKABLE void remove(const QString &playlistId);

signals:
    void libraryChanged();

private:
    struct Row
    {
        QString id;
        QString name;
        qsizetype videos = 0;
        QString firstVideoId;
        bool operator==(const Row &) const = default;
    };

    void refresh();

    QPointer<LibraryStore> m_library;
    QList<Row> m_rows;
};
