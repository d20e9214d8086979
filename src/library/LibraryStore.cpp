#include "LibraryStore.h"
#include "Clock.h"
#include "Defaults.h"
#include "Pref.h"
#include "RecordSupport.h"
#include <QSet>
#include <algorithm>
#include <cmath>

namespace {

constexpr int watchedWindow = 60;   // hasWatched looks no further back
constexpr int recentWindow = 40;    // inProgress and topChannels
constexpr int inProgressCap = 10;
constexpr int topChannelsCap = 3;
constexpr double barelyStarted = 8.0;
constexpr double nearlyFinished = 0.97;

template<class T, class Pred>
qsizetype indexWhere(const QList<T> &list, Pred pred)
{
    const auto it = std::find_if(list.cbegin(), list.cend(), pred);
    return it == list.cend() ? -1 : it - list.cbegin();
}

qsizetype videoIndex(const QList<Video> &list, const QString &id)
{
    return indexWhere(list, [&](const Video &v) { return v.id == id; });
}

std::optional<QString> optionalText(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return std::nullopt;
    return v.toString();
}

} // namespace

// ---- observed lists

void LibraryStore::setHistory(QList<HistoryEntry> v) { assign(m_history, std::move(v), &LibraryStore::historyChanged); }
void LibraryStore::setLiked(QList<Video> v) { assign(m_liked, std::move(v), &LibraryStore::likedChanged); }
void LibraryStore::setWatchLater(QList<Video> v) { assign(m_watchLater, std::move(v), &LibraryStore::watchLaterChanged); }
void LibraryStore::setSubscriptions(QList<Subscription> v) { assign(m_subscriptions, std::move(v), &LibraryStore::subscriptionsChanged); }
void LibraryStore::setSearches(QStringList v) { assign(m_searches, std::move(v), &LibraryStore::searchesChanged); }
void LibraryStore::setPlaylists(QList<UserPlaylist> v) { assign(m_playlists, std::move(v), &LibraryStore::playlistsChanged); }
void LibraryStore::setHiddenChannels(QStringList v) { assign(m_hiddenChannels, std::move(v), &LibraryStore::hiddenChannelsChanged); }

void LibraryStore::bumpRevision()
{
    ++m_revision;
    emit revisionChanged();
}

QVariantList LibraryStore::subscriptionsValue() const { ensureLoaded(); return QmlValue::list(m_subscriptions); }
QVariantList LibraryStore::inProgressValue() const { return QmlValue::list(inProgress()); }

bool LibraryStore::incognito() { return Defaults::shared().boolValue(Pref::incognito); }

qsizetype LibraryStore::playlistIndex(const QString &playlistId) const
{
    return indexWhere(m_playlists, [&](const UserPlaylist &p) { return p.id == playlistId; });
}

// ---- queries

bool LibraryStore::isLiked(const QString &videoId) const { ensureLoaded(); return videoIndex(m_liked, videoId) >= 0; }

bool LibraryStore::isWatchLater(const QString &videoId) const { ensureLoaded(); return videoIndex(m_watchLater, videoId) >= 0; }

bool LibraryStore::isSubscribed(const std::optional<QString> &channelId) const
{
    ensureLoaded();
    if (!channelId)
        return false;
    return indexWhere(m_subscriptions, [&](const Subscription &s) { return s.id == *channelId; }) >= 0;
}

bool LibraryStore::isSubscribed(const QVariant &channelId) const { return isSubscribed(optionalText(channelId)); }

bool LibraryStore::hasWatched(const QString &videoId) const
{
    ensureLoaded();
    const qsizetype n = std::min<qsizetype>(watchedWindow, m_history.size());
    for (qsizetype i = 0; i < n; ++i)
        if (m_history.at(i).video.id == videoId)
            return true;
    return false;
}

std::optional<double> LibraryStore::progress(const Video &video) const
{
    ensureLoaded();
    if (video.duration < 1)
        return std::nullopt;
    const auto it = m_positions.constFind(video.id);
    if (it == m_positions.cend() || *it <= barelyStarted)
        return std::nullopt;
    const double fraction = *it / double(video.duration);
    if (fraction > nearlyFinished)
        return std::nullopt;
    return std::min(fraction, 1.0);
}

QVariant LibraryStore::progressValue(const Video &video) const
{
    ensureLoaded();
    const auto p = progress(video);
    return p ? QVariant(*p) : QVariant();
}

QList<Video> LibraryStore::inProgress() const
{
    ensureLoaded();
    QList<Video> out;
    const qsizetype n = std::min<qsizetype>(recentWindow, m_history.size());
    for (qsizetype i = 0; i < n && out.size() < inProgressCap; ++i) {
        const Video &v = m_history.at(i).video;
        if (progress(v))
            out.append(v);
    }
    return out;
}

QStringList LibraryStore::topChannels() const
{
    ensureLoaded();
    // Tally in first-seen order, so equal counts keep the newest channel first.
    QList<std::pair<QString, int>> tally;
    QHash<QString, qsizetype> slot;
    const qsizetype n = std::min<qsizetype>(recentWindow, m_history.size());
    for (qsizetype i = 0; i < n; ++i) {
        const QString &name = m_history.at(i).video.channel;
        if (name.isEmpty())
            continue;
        const auto it = slot.constFind(name);
        if (it != slot.cend()) {
            ++tally[*it].second;
        } else {
            slot.insert(name, tally.size());
            tally.append({name, 1});
        }
    }
    std::stable_sort(tally.begin(), tally.end(), [](const auto &a, const auto &b) { return a.second > b.second; });
    QStringList out;
    for (qsizetype i = 0; i < tally.size() && i < topChannelsCap; ++i)
        out.append(tally.at(i).first);
    return out;
}

namespace {

QSet<QString> keysOf(const QStringList &names)
{
    QSet<QString> keys;
    for (const QString &n : names)
        keys.insert(Canonical::key(n));
    return keys;
}

} // namespace

bool LibraryStore::isHidden(const QString &channel) const
{
    ensureLoaded();
    return std::any_of(m_hiddenChannels.begin(), m_hiddenChannels.end(),
                       [&](const QString &h) { return Canonical::same(h, channel); });
}

QList<Video> LibraryStore::visible(const QList<Video> &videos) const
{
    ensureLoaded();
    if (m_hiddenChannels.isEmpty())
        return videos;
    const QSet<QString> hidden = keysOf(m_hiddenChannels);
    QList<Video> out;
    out.reserve(videos.size());
    for (const Video &v : videos)
        if (!hidden.contains(Canonical::key(v.channel)))
            out.append(v);
    return out;
}

QVariantList LibraryStore::visible(const QVariantList &videos) const
{
    ensureLoaded();
    if (m_hiddenChannels.isEmpty())
        return videos;
    const QSet<QString> hidden = keysOf(m_hiddenChannels);
    QVariantList out;
    for (const QVariant &v : videos)
        if (!v.canConvert<Video>() || !hidden.contains(Canonical::key(v.value<Video>().channel)))
            out.append(v);
    return out;
}

double LibraryStore::position(const QString &videoId) const { ensureLoaded(); return m_positions.value(videoId, 0.0); }

// ---- changes of the lists

void LibraryStore::toggleLike(const Video &video)
{
    ensureLoaded();
    QList<Video> next = m_liked;
    const qsizetype i = videoIndex(next, video.id);
    const bool nowLiked = i < 0;
    if (nowLiked)
        next.prepend(video);
    else
        next.removeAt(i);
    setLiked(std::move(next));
    persist();
    if (onSync)
        onSync(SyncEvent::like(video.id, nowLiked));
}

void LibraryStore::removeLiked(const QString &videoId)
{
    ensureLoaded();
    QList<Video> next = m_liked;
    next.removeIf([&](const Video &v) { return v.id == videoId; });
    setLiked(std::move(next));
    persist();
}

void LibraryStore::toggleWatchLater(const Video &video)
{
    ensureLoaded();
    QList<Video> next = m_watchLater;
    const qsizetype i = videoIndex(next, video.id);
    if (i < 0)
        next.prepend(video);
    else
        next.removeAt(i);
    setWatchLater(std::move(next));
    persist();
}

void LibraryStore::removeWatchLater(const QString &videoId)
{
    ensureLoaded();
    QList<Video> next = m_watchLater;
    next.removeIf([&](const Video &v) { return v.id == videoId; });
    setWatchLater(std::move(next));
    persist();
}

void LibraryStore::toggleSubscription(const QString &id, const QString &name, const std::optional<QString> &avatar)
{
    ensureLoaded();
    QList<Subscription> next = m_subscriptions;
    const qsizetype i = indexWhere(next, [&](const Subscription &s) { return s.id == id; });
    const bool nowSubscribed = i < 0;
    if (nowSubscribed)
        next.prepend(Subscription{id, name, avatar});
    else
        next.removeAt(i);
    setSubscriptions(std::move(next));
    persist();
    if (onSync)
        onSync(SyncEvent::subscribe(id, nowSubscribed));
}

void LibraryStore::toggleSubscription(const QString &id, const QString &name, const QVariant &avatar)
{
    toggleSubscription(id, name, optionalText(avatar));
}

void LibraryStore::updateAvatar(const QString &id, const std::optional<QString> &avatar)
{
    ensureLoaded();
    const qsizetype i = indexWhere(m_subscriptions, [&](const Subscription &s) { return s.id == id; });
    if (i < 0 || m_subscriptions.at(i).avatar == avatar)
        return;
    QList<Subscription> next = m_subscriptions;
    next[i].avatar = avatar;
    setSubscriptions(std::move(next));
    persist();
}

void LibraryStore::updateAvatar(const QString &id, const QVariant &avatar) { updateAvatar(id, optionalText(avatar)); }

void LibraryStore::addToHistory(const Video &video)
{
    ensureLoaded();
    if (incognito())
        return;
    QList<HistoryEntry> next = m_history;
    next.removeIf([&](const HistoryEntry &e) { return e.video.id == video.id; });
    next.prepend(HistoryEntry{video, Clock::referenceSeconds()});
    if (next.size() > historyCap)
        next.resize(historyCap);
    setHistory(std::move(next));
    persist();
}

void LibraryStore::removeFromHistory(const QString &videoId)
{
    ensureLoaded();
    QList<HistoryEntry> next = m_history;
    next.removeIf([&](const HistoryEntry &e) { return e.video.id == videoId; });
    setHistory(std::move(next));
    persist();
}

void LibraryStore::clearHistory()
{
    ensureLoaded();
    setHistory({});
    m_positions.clear();
    m_positionsDirty = true;
    flushPositions(true);
    persist();
}

void LibraryStore::addSearch(const QString &query)
{
    ensureLoaded();
    const QString q = query.trimmed();
    if (q.isEmpty())
        return;
    const QString k = Canonical::key(q);
    QStringList next = m_searches;
    next.removeIf([&](const QString &s) { return Canonical::key(s).compare(k, Qt::CaseInsensitive) == 0; });
    next.prepend(q);
    if (next.size() > searchesCap)
        next.resize(searchesCap);
    setSearches(std::move(next));
    persist();
}

void LibraryStore::removeSearch(const QString &query)
{
    ensureLoaded();
    QStringList next = m_searches;
    next.removeIf([&](const QString &s) { return Canonical::same(s, query); });
    setSearches(std::move(next));
    persist();
}

void LibraryStore::clearSearches()
{
    ensureLoaded();
    setSearches({});
    persist();
}

void LibraryStore::hideChannel(const QString &name)
{
    ensureLoaded();
    if (name.isEmpty() || isHidden(name))
        return;
    setHiddenChannels(m_hiddenChannels + QStringList{name});
    persist();
}

void LibraryStore::unhideChannel(const QString &name)
{
    ensureLoaded();
    QStringList next = m_hiddenChannels;
    next.removeIf([&](const QString &h) { return Canonical::same(h, name); });
    setHiddenChannels(std::move(next));
    persist();
}

QString LibraryStore::createPlaylist(const QString &name, const std::optional<Video> &video)
{
    ensureLoaded();
    QString n = name.trimmed();
    if (n.isEmpty())
        n = QStringLiteral("Lista nueva");
    const UserPlaylist playlist = UserPlaylist::create(n, std::nullopt, video ? QList<Video>{*video} : QList<Video>{});
    QList<UserPlaylist> next = m_playlists;
    next.prepend(playlist);
    setPlaylists(std::move(next));
    persist();
    return playlist.id;
}

QString LibraryStore::createPlaylist(const QString &name, const QVariant &video)
{
    return createPlaylist(name, video.canConvert<Video>() ? std::optional<Video>(video.value<Video>()) : std::nullopt);
}

void LibraryStore::add(const Video &video, const QString &playlistId)
{
    ensureLoaded();
    const qsizetype i = playlistIndex(playlistId);
    if (i < 0)
        return;
    if (videoIndex(m_playlists.at(i).videos, video.id) < 0) {
        QList<UserPlaylist> next = m_playlists;
        next[i].videos.append(video);
        setPlaylists(std::move(next));
    }
    persist();
}

void LibraryStore::remove(const QString &videoId, const QString &playlistId)
{
    ensureLoaded();
    const qsizetype i = playlistIndex(playlistId);
    if (i < 0)
        return;
    QList<UserPlaylist> next = m_playlists;
    next[i].videos.removeIf([&](const Video &v) { return v.id == videoId; });
    setPlaylists(std::move(next));
    persist();
}

void LibraryStore::renamePlaylist(const QString &playlistId, const QString &name)
{
    ensureLoaded();
    const qsizetype i = playlistIndex(playlistId);
    if (i < 0)
        return;
    const QString n = name.trimmed();
    if (!n.isEmpty()) {
        QList<UserPlaylist> next = m_playlists;
        next[i].name = n;
        setPlaylists(std::move(next));
    }
    persist();
}

void LibraryStore::deletePlaylist(const QString &playlistId)
{
    ensureLoaded();
    QList<UserPlaylist> next = m_playlists;
    next.removeIf([&](const UserPlaylist &p) { return p.id == playlistId; });
    setPlaylists(std::move(next));
    persist();
}

// ---- positions

void LibraryStore::setPosition(const QString &videoId, double seconds)
{
    ensureLoaded();
    // JSON has no NaN or infinity: one such value would make the whole
    // positions file unreadable at the next start.
    if (incognito() || !std::isfinite(seconds))
        return;
    m_positions.insert(videoId, seconds);
    m_positionsDirty = true;
    flushPositions(false);
}

void LibraryStore::forgetPosition(const QString &videoId)
{
    ensureLoaded();
    m_positions.remove(videoId);
    m_positionsDirty = true;
    flushPositions(true);
}
