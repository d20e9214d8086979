#include "AddToPlaylistModel.h"
#include "Store.h"
#include "Blanks.h"
#include "Fmt.h"
#include "LibraryLink.h"
#include "Haptics.h"

AddToPlaylistModel::AddToPlaylistModel(QObject *parent) : RowListModel(parent) {}

void AddToPlaylistModel::setLibrary(LibraryStore *library)
{
    if (!relinkLibrary(this, m_library, library, &LibraryStore::playlistsChanged, &AddToPlaylistModel::refresh))
        return;
    emit libraryChanged();
    refresh();
}

void AddToPlaylistModel::setVideo(const Video &video)
{
    if (!assignAndNotify(this, m_video, video, &AddToPlaylistModel::videoChanged))
        return;
    refresh();
}

QList<AddToPlaylistModel::Row> AddToPlaylistModel::rowsNow() const
{
    QList<Row> rows;
    if (!m_library)
        return rows;
    for (const UserPlaylist &p : m_library->playlists()) {
        Row row{p.id, p.name, p.videos.size(), false};
        for (const Video &v : p.videos) {
            if (v.id == m_video.id) {
                row.member = true;
                break;
            }
        }
        rows.append(row);
    }
    return rows;
}

// Rows change in place where they can, so a row's symbol can animate from
// one state to the other.
void AddToPlaylistModel::refresh()
{
    setRows(m_rows, rowsNow(), [](const Row &r) { return r.id; });
}

QVariant AddToPlaylistModel::data(const QModelIndex &index, int role) const
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
    case MemberRole:
        return row.member;
    default:
        return {};
    }
}

QHash<int, QByteArray> AddToPlaylistModel::roleNames() const
{
    return {{PlaylistIdRole, "playlistId"}, {NameRole, "name"}, {CountTextRole, "countText"}, {MemberRole, "member"}};
}

QString AddToPlaylistModel::trimmedName(const QString &text) { return Blanks::trimmed(text); }

bool AddToPlaylistModel::create(const QString &text)
{
    const QString name = trimmedName(text);
    if (name.isEmpty() || !m_library)
        return false;
    m_library->createPlaylist(name, std::optional<Video>(m_video));
    Haptics::shared().success();
    return true;
}

void AddToPlaylistModel::toggle(const QString &playlistId)
{
    if (!m_library)
        return;
    bool member = false;
    for (const Row &row : std::as_const(m_rows)) {
        if (row.id == playlistId) {
            member = row.member;
            break;
        }
    }
    Haptics::shared().success();
    if (member)
        m_library->remove(m_video.id, playlistId);
    else
        m_library->add(m_video, playlistId);
}
