#include "PlaylistDetailModel.h"
#include "Store.h"
#include "LibraryLink.h"

PlaylistDetailModel::PlaylistDetailModel(QObject *parent) : QObject(parent), m_videos(new VideoListModel(this)) {}

void PlaylistDetailModel::setLibrary(LibraryStore *library)
{
    if (!relinkLibrary(this, m_library, library, &LibraryStore::playlistsChanged, &PlaylistDetailModel::refresh))
        return;
    emit libraryChanged();
    refresh();
}

void PlaylistDetailModel::setPlaylistId(const QString &id)
{
    if (!assignAndNotify(this, m_playlistId, id, &PlaylistDetailModel::playlistIdChanged))
        return;
    refresh();
}

void PlaylistDetailModel::refresh()
{
    const UserPlaylist *playlist = nullptr;
    if (m_library) {
        for (const UserPlaylist &p : m_library->playlists()) {
            if (p.id == m_playlistId) {
                playlist = &p;
                break;
            }
        }
    }
    m_videos->replace(playlist ? playlist->videos : QList<Video>());
    const bool found = playlist != nullptr;
    const QString name = playlist ? playlist->name : QString();
    if (found == m_found && name == m_name)
        return;
    m_found = found;
    m_name = name;
    emit changed();
}

void PlaylistDetailModel::remove(const QString &videoId)
{
    if (m_library)
        m_library->remove(videoId, m_playlistId);
}

void PlaylistDetailModel::rename(const QString &name)
{
    if (m_library)
        m_library->renamePlaylist(m_playlistId, name);
}
