#include "SubsModel.h"
#include "API.h"
#include "DiskCache.h"
#include "Interleave.h"
#include "Warmer.h"

#include <QCoroFuture>
#include <vector>

namespace {

// The first videos of one channel; nothing when its page cannot be had.
QCoro::Task<QList<Video>> firstVideos(QString channelId)
{
    try {
        const ChannelInfo page = co_await API::shared().channel(channelId, 0, QStringLiteral("videos"));
        co_return page.videos.mid(0, SubsModel::perChannel);
    } catch (const std::exception &) {
        co_return QList<Video>{};
    }
}

} // namespace

// A feed of first pages only: it never pages.
SubsModel::SubsModel(QObject *parent) : AccountFeed(parent, {}, &LibraryStore::subscriptionsChanged)
{
    setCanMore(false);
    updateTaskKey();
}

QList<Subscription> SubsModel::subscriptions() const
{
    return library() ? library()->subscriptions() : QList<Subscription>();
}

void SubsModel::runLoadedTask() { load(subscriptions(), signedIn(), false); }

void SubsModel::refresh(const QJSValue &done) { callWhenDone(load(subscriptions(), signedIn(), true), done); }

QString SubsModel::keyFor(const QList<Subscription> &subscriptions, bool account)
{
    QStringList ids;
    ids.reserve(subscriptions.size());
    for (const Subscription &s : subscriptions)
        ids.append(s.id);
    return (account ? QStringLiteral("acct:") : QString()) + ids.join(QLatin1Char(','));
}

void SubsModel::finish(const QList<Video> &items, const QString &key, LoadState state)
{
    list()->replace(items);
    m_loadedKey = key;
    setState(std::move(state));
}

QCoro::Task<> SubsModel::load(QList<Subscription> subscriptions, bool account, bool force)
{
    const QString key = keyFor(subscriptions, account);
    if (!force && key == m_loadedKey && state().isLoaded())
        co_return;

    const Generation::Ticket load = newLoad();
    auto calledOff = [&] { return !load; };

    if (list()->isEmpty()) {
        const auto cached = co_await DiskCache::load<QList<Video>>(account ? accountCache : localCache);
        if (calledOff())
            co_return;
        if (cached && !cached->isEmpty()) {
            list()->replace(*cached);
            setState(LoadState::loaded());
        } else {
            setState(LoadState::loading());
        }
    }

    if (account) {
        QList<Video> feed;
        try {
            feed = co_await API::shared().meFeed(QStringLiteral("subs"), 0);
        } catch (const std::exception &) {
            // The channels of the library stand in for it.
        }
        if (calledOff())
            co_return;
        if (!feed.isEmpty()) {
            DiskCache::save(feed, accountCache);
            Warmer::warm(feed, warmCount);
            finish(feed, key, LoadState::loaded());
            co_return;
        }
    }

    if (subscriptions.isEmpty()) {
        finish({}, key, account ? LoadState::failed(QStringLiteral("Todavía no hay vídeos nuevos de tus suscripciones."))
                                : LoadState::loaded());
        co_return;
    }

    // Every channel is asked before any answer is awaited.
    std::vector<QCoro::Task<QList<Video>>> pages;
    for (const Subscription &s : subscriptions.mid(0, channelCap))
        pages.push_back(firstVideos(s.id));
    QList<QList<Video>> lists;
    for (auto &page : pages) {
        lists.append(co_await std::move(page));
        if (calledOff())
            co_return;
    }

    const QList<Video> merged = interleave(lists, mergeCap);
    if (merged.isEmpty()) {
        finish(merged, key, LoadState::failed(QStringLiteral("No hay vídeos nuevos todavía.")));
        co_return;
    }
    DiskCache::save(merged, localCache);
    Warmer::warm(merged, warmCount);
    finish(merged, key, LoadState::loaded());
}
