#include "LibraryTabModel.h"
#include "Store.h"

LibraryTabModel::LibraryTabModel(QObject *parent)
    : QObject(parent), m_recent(new VideoListModel(this)), m_queued(new VideoListModel(this))
{
}

void LibraryTabModel::setLibrary(LibraryStore *library)
{
    if (!follow(this, m_library, library))
        return;
    if (m_library) {
        connect(m_library, &LibraryStore::historyChanged, this, &LibraryTabModel::refreshRecent);
        for (auto signal : {&LibraryStore::historyChanged, &LibraryStore::likedChanged, &LibraryStore::watchLaterChanged,
                            &LibraryStore::playlistsChanged, &LibraryStore::hiddenChannelsChanged})
            connect(m_library, signal, this, &LibraryTabModel::libraryCountsChanged);
    }
    emit libraryChanged();
    emit libraryCountsChanged();
    refreshRecent();
}

void LibraryTabModel::setPlayer(PlayerStore *player)
{
    if (!follow(this, m_player, player))
        return;
    if (m_player) {
        connect(m_player, &PlayerStore::queueChanged, this, &LibraryTabModel::refreshQueued);
        connect(m_player, &PlayerStore::queueChanged, this, &LibraryTabModel::queueCountChanged);
    }
    emit playerChanged();
    emit queueCountChanged();
    refreshQueued();
}

void LibraryTabModel::refreshRecent()
{
    QList<Video> videos;
    if (m_library) {
        for (const HistoryEntry &e : m_library->history().mid(0, recentCount))
            videos.append(e.video);
    }
    m_recent->replace(videos);
}

void LibraryTabModel::refreshQueued()
{
    m_queued->replace(m_player ? m_player->queue().mid(0, queuedCount) : QList<Video>());
}
