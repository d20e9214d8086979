#include "ShortsStore.h"
#include "API.h"
#include "DiskCache.h"
#include "ErrorDescription.h"
#include "MediaEngineFactory.h"
#include "YouTubeLink.h"

#include <QPointer>
#include <QCoroFuture>
#include <cmath>

namespace {

ShortsStore::EngineFactory &factory()
{
    static ShortsStore::EngineFactory f = ShortsStore::defaultEngine;
    return f;
}

// Runs unawaited and outlives any store: the reply only becomes the cache of
// the next launch.
QCoro::Task<> refreshCache()
{
    try {
        const QList<Video> list = co_await API::shared().shorts(0);
        if (!list.isEmpty())
            DiskCache::save(list, ShortsStore::cacheKey);
    } catch (const std::exception &) {
    }
}

} // namespace

void ShortsStore::setEngineFactory(EngineFactory f) { factory() = f ? std::move(f) : EngineFactory(defaultEngine); }

MediaEngine *ShortsStore::defaultEngine()
{
    return MediaEngineFactory::create(MediaEngineFactory::Role::Follower);
}

ShortsStore::ShortsStore(QObject *parent)
    : PagedList(parent, PagingRule{.endless = true, .triesWithoutNews = emptyRepliesToStop}), m_player(factory()())
{
    resetPaging(0);
    m_player->setParent(this);
    connect(m_player, &MediaEngine::itemReady, this, [this](quint64 item) {
        if (item != m_item)
            return;
        setReady(true);
        playIfWanted();
    });
}

ShortsStore::~ShortsStore() = default;

void ShortsStore::setPlayerHeld(bool held)
{
    if (!assign(m_playerHeld, held, &ShortsStore::playerHeldChanged) || held)
        return;
    if (m_started)
        m_player->prepare();
    if (m_loadWaiting)
        loadCurrent();
}

void ShortsStore::runTask()
{
    if (m_mainPlayer)
        m_mainPlayer->pause();
    playIfWanted();
    start();
    loadInitial();
}

void ShortsStore::playIfWanted()
{
    if (onScreen() && !m_paused)
        m_player->play();
}

void ShortsStore::start()
{
    if (m_started)
        return;
    m_started = true;
    m_player->setWaitsToMinimizeStalling(true);
    if (!m_playerHeld)
        m_player->prepare();
    // Queued: the engine pauses at the end after it reports the end.
    connect(
        m_player, &MediaEngine::itemEnded, this,
        [this](quint64 item) {
            if (item != m_item || item != m_player->currentItem())
                return;
            m_player->seek(0);
            playIfWanted();
        },
        Qt::QueuedConnection);
    connect(m_player, &MediaEngine::periodicTime, this, [this](double seconds) {
        const double duration = m_player->duration();
        if (!m_player->hasItem() || m_player->currentItem() != m_item || !std::isfinite(duration) || duration <= 0)
            return;
        setProgress(std::clamp(seconds / duration, 0.0, 1.0));
    });
}

QCoro::Task<> ShortsStore::loadInitial()
{
    if (!list()->isEmpty() || loadingMore() || m_readingCache)
        co_return;
    QPointer<ShortsStore> self(this);
    m_readingCache = true;
    const std::optional<QList<Video>> cached = co_await DiskCache::load<QList<Video>>(cacheKey);
    if (!self)
        co_return;
    m_readingCache = false;

    if (cached && !cached->isEmpty()) {
        list()->appendNew(*cached);
        setState(LoadState::loaded());
        if (m_currentID.isEmpty())
            setCurrent(items().first().id);
        refreshCache();
        co_return;
    }
    setState(LoadState::loading());
    const Outcome outcome = co_await takePages();
    if (!self || outcome == Outcome::failed || outcome == Outcome::dropped)
        co_return;
    setState(LoadState::loaded());
    // After the load has ended: the first Short, near the end of a short
    // list, asks for the next page at once.
    if (!list()->isEmpty()) {
        DiskCache::save(items().mid(0, cacheLimit), cacheKey);
        if (m_currentID.isEmpty())
            setCurrent(items().first().id);
    }
}

QCoro::Task<QList<Video>> ShortsStore::fetchPage(qint64 page)
{
    co_return co_await API::shared().shorts(page);
}

void ShortsStore::pageFailed(const std::exception &e)
{
    if (list()->isEmpty())
        setState(LoadState::failed(describe(e)));
}

void ShortsStore::setCurrent(const QString &id)
{
    if (id.isEmpty())
        return;
    if (id == m_currentID && (m_player->hasItem() || m_loadWaiting))
        return;
    setCurrentID(id);
    setPaused(false);
    setReady(false);
    setProgress(0);
    loadCurrent();
    warmNext(id);
    const int index = list()->indexOf(id);
    if (index >= 0 && index >= list()->count() - pageWhenWithin)
        loadMore();
}

void ShortsStore::loadCurrent()
{
    if (m_playerHeld) {
        // What the engine still holds is no longer the current Short.
        m_item = 0;
        m_loadWaiting = true;
        m_player->pause();
        return;
    }
    m_loadWaiting = false;
    m_item = m_player->load(API::shared().streamURL(m_currentID), onScreen() && !m_paused);
}

void ShortsStore::warmNext(const QString &id)
{
    const int index = list()->indexOf(id);
    if (index < 0)
        return;
    const qsizetype end = std::min<qsizetype>(index + 1 + warmAhead, items().size());
    for (qsizetype i = index + 1; i < end; ++i) {
        const QString &next = items().at(i).id;
        if (m_warmed.contains(next))
            continue;
        m_warmed.insert(next);
        API::shared().warmStream(next);
    }
}

void ShortsStore::togglePause()
{
    setPaused(!m_paused);
    if (m_paused)
        m_player->pause();
    else
        playIfWanted();
}

QString ShortsStore::shareLink(const QString &id) { return YouTubeLink::shortsLink(id); }
