#pragma once
#include "HistoryEntry.h"
#include "Store.h"
#include "Subscription.h"
#include "SyncEvent.h"
#include "UserPlaylist.h"
#include "Video.h"
#include <QDateTime>
#include <QHash>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <future>
#include <memory>
#include <optional>

class QCoreApplication;

// The user's local library: watch history, liked videos, watch later,
// subscriptions, recent searches, own playlists, hidden channels and saved
// playback positions. It lives in "library.json" and "positions.json" in the
// app's data folder, read once at creation and written through the one
// serial file writer after every change.
//
// QML reads the lists it draws as properties; bindings on queries such as isLiked()
// go through `revision`, which moves with every change of a list:
//   checked: library.revision, library.isLiked(video.id)
class LibraryStore : public Store
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The app creates the one library store")
    Q_PROPERTY(QVariantList subscriptions READ subscriptionsValue NOTIFY subscriptionsChanged)
    Q_PROPERTY(QStringList searches READ searches NOTIFY searchesChanged)
    Q_PROPERTY(QStringList hiddenChannels READ hiddenChannels NOTIFY hiddenChannelsChanged)
    // Computed from the history and the (unobserved) positions.
    Q_PROPERTY(QVariantList inProgress READ inProgressValue NOTIFY historyChanged)
    Q_PROPERTY(int revision READ revision NOTIFY revisionChanged)
    // True from the turn of the event loop after both files were taken in.
    // A reader that must not hold the window back waits for this; any other
    // read waits for the files itself.
    Q_PROPERTY(bool loaded READ isLoaded NOTIFY loadedChanged)

public:
    // Starts reading both files on a worker thread; the first use of the
    // store waits for them, so nothing ever sees the library before it is
    // loaded.
    explicit LibraryStore(QObject *parent = nullptr);

    // Starts that read before the store exists (at process start, while the
    // views are being set up); the store made later in this process for the
    // same folder takes it over. Only once the application object stands: a
    // thread of ours that makes a Qt object before it does is taken by Qt
    // for the main thread, and the application is then not on it.
    static void preload(const QCoreApplication &);
    ~LibraryStore() override;

    static constexpr int historyCap = 300;
    static constexpr int searchesCap = 20;

    // The outward hook for like and subscribe events (and the player's
    // watched event); absent until the app installs it.
    std::function<void(const SyncEvent &)> onSync;

    const QList<HistoryEntry> &history() const { ensureLoaded(); return m_history; }
    const QList<Video> &liked() const { ensureLoaded(); return m_liked; }
    const QList<Video> &watchLater() const { ensureLoaded(); return m_watchLater; }
    const QList<Subscription> &subscriptions() const { ensureLoaded(); return m_subscriptions; }
    const QStringList &searches() const { ensureLoaded(); return m_searches; }
    const QList<UserPlaylist> &playlists() const { ensureLoaded(); return m_playlists; }
    const QStringList &hiddenChannels() const { ensureLoaded(); return m_hiddenChannels; }
    int revision() const { return m_revision; }
    bool isLoaded() const { return m_loaded; }

    // Queries
    Q_INVOKABLE bool isLiked(const QString &videoId) const;
    Q_INVOKABLE bool isWatchLater(const QString &videoId) const;
    bool isSubscribed(const std::optional<QString> &channelId) const;
    bool isSubscribed(const QString &channelId) const { return isSubscribed(std::optional<QString>(channelId)); }
    Q_INVOKABLE bool isSubscribed(const QVariant &channelId) const; // undefined or null: absent
    Q_INVOKABLE bool hasWatched(const QString &videoId) const;
    std::optional<double> progress(const Video &video) const;
    Q_INVOKABLE QVariant progressValue(const Video &video) const; // undefined when no bar
    QList<Video> inProgress() const;
    QStringList topChannels() const;
    // Names of channels and queries compare by canonical equivalence: the
    // same text typed composed or decomposed is one.
    Q_INVOKABLE bool isHidden(const QString &channel) const;
    QList<Video> visible(const QList<Video> &videos) const;
    Q_INVOKABLE QVariantList visible(const QVariantList &videos) const;
    Q_INVOKABLE double position(const QString &videoId) const;

    // Changes of the lists; each saves the library.
    Q_INVOKABLE void toggleLike(const Video &video);
    Q_INVOKABLE void removeLiked(const QString &videoId);
    Q_INVOKABLE void toggleWatchLater(const Video &video);
    Q_INVOKABLE void removeWatchLater(const QString &videoId);
    void toggleSubscription(const QString &id, const QString &name, const std::optional<QString> &avatar);
    void toggleSubscription(const QString &id, const QString &name, const QString &avatar)
    {
        toggleSubscription(id, name, std::optional<QString>(avatar));
    }
    Q_INVOKABLE void toggleSubscription(const QString &id, const QString &name, const QVariant &avatar = {});
    void updateAvatar(const QString &id, const std::optional<QString> &avatar);
    void updateAvatar(const QString &id, const QString &avatar) { updateAvatar(id, std::optional<QString>(avatar)); }
    Q_INVOKABLE void updateAvatar(const QString &id, const QVariant &avatar);
    Q_INVOKABLE void addToHistory(const Video &video);
    Q_INVOKABLE void removeFromHistory(const QString &videoId);
    Q_INVOKABLE void clearHistory();
    Q_INVOKABLE void addSearch(const QString &query);
    Q_INVOKABLE void removeSearch(const QString &query);
    Q_INVOKABLE void clearSearches();
    Q_INVOKABLE void hideChannel(const QString &name);
    Q_INVOKABLE void unhideChannel(const QString &name);
    QString createPlaylist(const QString &name, const std::optional<Video> &video);
    Q_INVOKABLE QString createPlaylist(const QString &name, const QVariant &video = {});
    Q_INVOKABLE void add(const Video &video, const QString &playlistId);
    Q_INVOKABLE void remove(const QString &videoId, const QString &playlistId);
    Q_INVOKABLE void renamePlaylist(const QString &playlistId, const QString &name);
    Q_INVOKABLE void deletePlaylist(const QString &playlistId);

    // Playback positions; they never touch the library file.
    Q_INVOKABLE void setPosition(const QString &videoId, double seconds);
    Q_INVOKABLE void forgetPosition(const QString &videoId);

    // Backup: the library snapshot as one file, written at once into a folder
    // only this user can read; an empty URL when it could not be written.
    Q_INVOKABLE QUrl exportBackup();
    // Replaces the seven lists from a backup; false and no change when the
    // bytes are no valid backup.
    Q_INVOKABLE bool importBackup(const QByteArray &data);

    // For the app's quit: writes pending positions and waits until every
    // queued write has landed.
    void flushOnQuit();
    // Blocks until every library and positions write asked for so far has
    // landed (quit, tests).
    static void waitForWrites();

signals:
    void historyChanged();
    void likedChanged();
    void watchLaterChanged();
    void subscriptionsChanged();
    void searchesChanged();
    void playlistsChanged();
    void hiddenChannelsChanged();
    void revisionChanged();
    void loadedChanged();

private:
    struct Snapshot;

    QVariantList subscriptionsValue() const;
    QVariantList inProgressValue() const;

    void setHistory(QList<HistoryEntry> v);
    void setLiked(QList<Video> v);
    void setWatchLater(QList<Video> v);
    void setSubscriptions(QList<Subscription> v);
    void setSearches(QStringList v);
    void setPlaylists(QList<UserPlaylist> v);
    void setHiddenChannels(QStringList v);
    void bumpRevision();

    static bool incognito();
    qsizetype playlistIndex(const QString &playlistId) const;

    // Persistence (LibraryStore_files.cpp)
    struct Files;
    class Reading;
    struct Preload;
    static Preload &preloaded();
    static QString dir();
    static Files readFiles(const QString &folder);
    static std::future<void> startReading(const std::shared_ptr<Reading> &reading, const QString &folder);
    void startLoad();
    void ensureLoaded() const
    {
        if (m_reading)
            const_cast<LibraryStore *>(this)->finishLoad();
    }
    void finishLoad();
    void announceLoaded();
    void persist();
    void flushPositions(bool force);
    Snapshot snapshot() const;
    static QByteArray encodeSnapshot(const Snapshot &s);
    static std::optional<Snapshot> decodeSnapshot(const QByteArray &data);

    QList<HistoryEntry> m_history;
    QList<Video> m_liked;
    QList<Video> m_watchLater;
    QList<Subscription> m_subscriptions;
    QStringList m_searches;
    QList<UserPlaylist> m_playlists;
    QStringList m_hiddenChannels;
    int m_revision = 0;

    QHash<QString, double> m_positions;
    bool m_positionsDirty = false;
    std::optional<QDateTime> m_lastPositionsWrite; // none: the distant past

    // Until the files are taken in (the first use, or their arrival).
    std::shared_ptr<Reading> m_reading;
    std::future<void> m_reader;
    bool m_loaded = false;

    // A damaged file that could not be moved aside is never written over.
    bool m_libraryWritable = true;
    bool m_positionsWritable = true;
};
