#include "FeedModel.h"
#include "API.h"
#include "ErrorDescription.h"
#include "DiskCache.h"
#include "Interleave.h"
#include "Warmer.h"

#include <QPointer>
#include <QSet>
#include <QCoroFuture>
#include <QCoroTask>

namespace {

Category category(const char *id, const char *name)
{
    return Category{QString::fromUtf8(id), QString::fromUtf8(name)};
}

} // namespace

FeedModel::FeedModel(QObject *parent)
    : AccountFeed(parent, PagingRule{.needsLoaded = true}), m_categories(defaultCategories())
{
    updateTaskKey();
    connect(this, &FeedModel::selectedChanged, this, &FeedModel::updateTaskKey);
    // The chips load each time the screen comes, ahead of its feed.
    connect(this, &PagedList::onScreenChanged, this, [this] {
        if (onScreen())
            loadCategories();
    });
}

QStringList FeedModel::topChannels() const { return library() ? library()->topChannels() : QStringList(); }

QString FeedModel::taskKeyFor(const QString &category, bool signedIn)
{
    return category + (signedIn ? QStringLiteral("-true") : QStringLiteral("-false"));
}

void FeedModel::runLoadedTask()
{
    m_loggedIn = signedIn();
    reload(topChannels(), false);
}

void FeedModel::refresh(const QJSValue &done)
{
    m_loggedIn = signedIn();
    callWhenDone(reload(topChannels(), true), done);
}

void FeedModel::retry() { reload(topChannels(), false); }

const QList<Category> &FeedModel::defaultCategories()
{
    static const QList<Category> table{
        category("foryou", "Para ti"),
        category("music", "Música"),
        category("gaming", "Videojuegos"),
        category("news", "Noticias"),
        category("sports", "Deportes"),
        category("tech", "Tecnología"),
        category("movies", "Cine y series"),
        category("learn", "Aprender"),
        category("comedy", "Humor"),
    };
    return table;
}

QString FeedModel::loadKeyFor(const QString &category, bool loggedIn)
{
    return loggedIn && category == personalId ? category + QStringLiteral("+acct") : category;
}

QString FeedModel::cacheKeyFor(const QString &category, bool loggedIn)
{
    return loggedIn && category == personalId ? QString(DiskCache::homeAccountKey) : QStringLiteral("feed-") + category;
}

QVariantList FeedModel::categoriesValue() const { return QmlValue::list(m_categories); }

QList<Category> FeedModel::visibleCategories(const QList<Category> &categories, const QString &hiddenIds)
{
    const QStringList ids = hiddenIds.split(QLatin1Char(','), Qt::SkipEmptyParts);
    const QSet<QString> hidden(ids.begin(), ids.end());
    QList<Category> out;
    for (const Category &c : categories)
        if (c.id == personalId || !hidden.contains(c.id))
            out.append(c);
    return out;
}

QVariantList FeedModel::visibleCategories(const QString &hiddenIds) const
{
    return QmlValue::list(visibleCategories(m_categories, hiddenIds));
}

QCoro::Task<> FeedModel::loadCategories()
{
    QPointer<FeedModel> self(this);
    try {
        QList<Category> list = co_await API::shared().categories();
        if (self && !list.isEmpty())
            setCategories(std::move(list));
    } catch (const std::exception &) {
        // The chips keep what they had.
    }
}

QCoro::Task<> FeedModel::reload(QStringList personal, bool force)
{
    const QString category = m_selected;
    const bool account = m_loggedIn;
    const QString key = loadKeyFor(category, account);
    // Fixed now: a load that outlives a sign-in or sign-out must not write
    // its list into the other account state's file.
    const QString cache = cacheKeyFor(category, account);
    const Generation::Ticket load = m_reloads.current(this);
    auto calledOff = [&] { return !load; };

    if (!force && m_loadedFor == key && !list()->isEmpty())
        co_return;

    // The previous list of this category first, while the backend is asked.
    const std::optional<QList<Video>> cached = co_await DiskCache::load<QList<Video>>(cache);
    if (calledOff() || m_selected != category)
        co_return; // another category took over while the file was read
    if (cached && !cached->isEmpty()) {
        list()->replace(*cached);
        setState(LoadState::loaded());
    } else {
        list()->clear();
        setState(LoadState::loading());
    }
    resetPaging();

    QList<QList<Video>> lists;
    try {
        if (account && category == personalId) {
            std::optional<QList<Video>> list;
            try {
                list = co_await API::shared().meFeed(accountKind, 0);
            } catch (const std::exception &) {
                // The category feed stands in for a failed account feed.
            }
            if (calledOff())
                co_return;
            if (!list)
                list = co_await API::shared().feed(personalId, 0);
            if (calledOff())
                co_return;
            if (list->isEmpty())
                list = co_await API::shared().feed(personalId, 0);
            lists.append(std::move(*list));
        } else {
            lists.append(co_await API::shared().feed(category, 0));
            if (category == personalId) {
                for (const QString &name : personal.mid(0, personalChannels)) {
                    if (calledOff())
                        co_return;
                    try {
                        QList<Video> found = co_await API::shared().search(name, 0);
                        lists.append(found.mid(0, perChannel));
                    } catch (const std::exception &) {
                        // A channel that cannot be searched is left out.
                    }
                }
            }
        }
    } catch (const std::exception &e) {
        if (calledOff())
            co_return;
        // With the cached list on screen a failure stays silent.
        if (list()->isEmpty())
            setState(LoadState::failed(describe(e)));
        co_return;
    }

    if (calledOff() || m_selected != category)
        co_return;
    const QList<Video> items = lists.size() == 1 ? lists.first() : interleave(lists, blendCap);
    list()->replace(items);
    m_loadedFor = key;
    setState(LoadState::loaded());
    // An account's list that arrives after its sign-out is not kept.
    if (!account || m_loggedIn)
        DiskCache::save(items, cache);
    Warmer::warm(items, warmCount);
}

QCoro::Task<QList<Video>> FeedModel::fetchPage(qint64 page)
{
    if (m_loggedIn && m_selected == personalId)
        co_return co_await API::shared().meFeed(accountKind, page);
    co_return co_await API::shared().feed(m_selected, page);
}
