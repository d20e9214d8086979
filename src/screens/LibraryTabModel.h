#pragma once
#include "LibraryStore.h"
#include "PlayerStore.h"
#include "VideoListModel.h"
#include <QPointer>
#include <QtQml/qqmlregistration.h>

// What the library tab shows of the stores: the counts of its rows, the
// newest history videos of the "Reciente" strip and the first videos of the
// queue. Counts are the stores' list sizes, read without copying the lists.
class LibraryTabModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(PlayerStore *player READ player WRITE setPlayer NOTIFY playerChanged)
    Q_PROPERTY(int historyCount READ historyCount NOTIFY libraryCountsChanged)
    Q_PROPERTY(int likedCount READ likedCount NOTIFY libraryCountsChanged)
    Q_PROPERTY(int laterCount READ laterCount NOTIFY libraryCountsChanged)
    Q_PROPERTY(int playlistCount READ playlistCount NOTIFY libraryCountsChanged)
    Q_PROPERTY(int hiddenCount READ hiddenCount NOTIFY libraryCountsChanged)
    Q_PROPERTY(int queueCount READ queueCount NOTIFY queueCountChanged)
    Q_PROPERTY(VideoListModel *recent READ recent CONSTANT)
    Q_PROPERTY(VideoListModel *queued READ queued CONSTANT)

public:
    static constexpr qsizetype recentCount = 12;
    static constexpr qsizetype queuedCount = 4;

    explicit LibraryTabModel(QObject *parent = nullptr);

    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library);
    PlayerStore *player() const { return m_player; }
    void setPlayer(PlayerStore *player);

    int historyCount() const { return m_library ? int(m_library->history().size()) : 0; }
    int likedCount() const { return m_library ? int(m_library->liked().size()) : 0; }
    int laterCount() const { return m_library ? int(m_library->watchLater().size()) : 0; }
    int playlistCount() const { return m_library ? int(m_library->playlists().size()) : 0; }
    int hiddenCount() const { return m_library ? int(m_library->hiddenChannels().size()) : 0; }
    int queueCount() const { return m_player ? int(m_player->queue().size()) : 0; }
    VideoListModel *recent() const { return m_recent; }
    VideoListModel *queued() const { return m_queued; }

signals:
    void libraryChanged();
    void playerChanged();
    void libraryCountsChanged();
    void queueCountChanged();

private:
    void refreshRecent();
    void refreshQueued();

    QPointer<LibraryStore> m_library;
    QPointer<PlayerStore> m_player;
    VideoListModel *m_recent;
    VideoListModel *m_queued;
};
