#include "PagedList.h"

PagedList::PagedList(QObject *parent, PagingRule rule, LoadState initial)
    : Store(parent), m_rule(rule), m_list(new VideoListModel(this)), m_state(std::move(initial))
{
}

QCoro::Task<QList<Video>> PagedList::fetchPage(qint64)
{
    co_return QList<Video>{};
}

QCoro::Task<> PagedList::loadMore()
{
    if (!m_canMore || m_loadingMore || (m_rule.needsLoaded && !m_state.isLoaded()))
        co_return;
    co_await takePages();
}

QCoro::Task<PagedList::Outcome> PagedList::takePages()
{
    const Generation::Ticket load = ticket();
    const QString key = pageKey();
    // A newer load freed paging when it began; a page of another key only
    // gives the flag back.
    auto dropped = [&] {
        if (!load)
            return true;
        if (pageKey() == key)
            return false;
        setLoadingMore(false);
        return true;
    };

    setLoadingMore(true);
    Outcome outcome = Outcome::nothing;
    for (int tries = 0; tries < m_rule.triesWithoutNews;) {
        QList<Video> reply;
        bool failed = false;
        try {
            reply = co_await fetchPage(m_next);
        } catch (const std::exception &e) {
            failed = true;
            if (load && pageKey() == key)
                pageFailed(e);
        }
        if (dropped())
            co_return Outcome::dropped;
        if (failed) {
            outcome = Outcome::failed;
            break;
        }
        const bool news = m_list->appendNew(reply) > 0;
        if (news || m_rule.endless)
            ++m_next;
        if (news) {
            outcome = Outcome::news;
            break;
        }
        ++tries;
    }
    if (outcome != Outcome::news && !m_rule.endless)
        setCanMore(false);
    setLoadingMore(false);
    co_return outcome;
}

void PagedList::reached(const QString &videoId)
{
    if (!m_list->isEmpty() && m_list->videos().constLast().id == videoId)
        loadMore();
}

void PagedList::setOnScreen(bool v)
{
    if (!assign(m_onScreen, v, &PagedList::onScreenChanged))
        return;
    if (v)
        runTask();
    else
        cancelTask();
}

void PagedList::setTaskKey(const QString &key)
{
    if (!assign(m_taskKey, key, &PagedList::taskKeyChanged) || !m_onScreen)
        return;
    cancelTask();
    runTask();
}

void PagedList::callWhenDone(QCoro::Task<> task, const QJSValue &done)
{
    QJSValue callback = done;
    QCoro::connect(std::move(task), this, [callback] {
        if (callback.isCallable())
            callback.call();
    });
}

Generation::Ticket PagedList::newLoad()
{
    const Generation::Ticket t = m_generation.next(this);
    setLoadingMore(false);
    return t;
}

void PagedList::callOff()
{
    m_generation.callOff();
    setLoadingMore(false);
}

void PagedList::resetPaging(qint64 next)
{
    m_next = next;
    setCanMore(true);
}

void PagedList::showFirstPage(const QList<Video> &videos)
{
    m_list->replace(videos);
    setCanMore(!videos.isEmpty());
    setState(LoadState::loaded());
}
