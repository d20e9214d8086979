#include "PlaylistsModel.h"
#include "LibraryLink.h"
#include "Fmt.h"

PlaylistsModel::PlaylistsModel(QObject *parent) : RowListModel(parent) {}

void PlaylistsModel::setLibrary(LibraryStore *library)
{
    if (!relinkLibrary(this, m_library, library, &LibraryStore::playlistsChanged, &PlaylistsModel::refresh))
        return;
    emit libraryChanged();
    refresh();
}

void PlaylistsModel::refresh()
{
    QList<Row> rows;
    if (m_library) {
        for (const UserPlaylist &p : m_library->playlists())
            rows.append({p.id, p.name, p.videos.size(), p.videos.isEmpty() ? QString() : p.videos.constFirst().id});
    }
    setRows(m_rows, rows, [](const Row &r) { return r.id; });
}

QVariant PlaylistsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const Row &row = m_rows.at(index.row());
    switch (role) {
    case PlaylistIdRole:
        return row.id;
    case NameRole:
        return row.name;
    case CountTextRole:
        return Fmt::videoCount(row.videos);
    case FirstVideoIdRole:
        return row.firstVideoId;
    default:
        return {};
    }
}

QHash<int, QByteArray> PlaylistsModel::roleNames() const
{
    return {{PlaylistIdRole, "playlistId"}, {NameRole, "name"}, {CountTextRole, "countText"},
            {FirstVideoIdRole, "firstVideoId"}};
}

void PlaylistsModel::create(const QString &name)
{
    if (m_library)
        m_library->createPlaylist(name, std::nullopt);
}

void PlaylistsModel::remove(const QString &playlistId)
{
    if (m_library)
        m_library->deletePlaylist(playlistId);
}
