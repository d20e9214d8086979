#pragma once
#include "LoadState.h"
#include "Store.h"
#include "Video.h"
#include "VideoListModel.h"

#include <QJSValue>
#include <QPointer>
#include <QtQml/qqmlregistration.h>
#include <QCoroTask>

// The "still wanted?" guard of a model's async steps. A step takes a ticket
// when it starts; the ticket holds while its owner lives and no newer load
// began, nor was the running one called off.
class Generation
{
public:
    class Ticket
    {
    public:
        bool wanted() const { return m_owner && *m_generation == m_value; }
        explicit operator bool() const { return wanted(); }
        // The owner is alive, whatever became of the generation.
        bool ownerAlive() const { return !m_owner.isNull(); }

    private:
        friend class Generation;
        Ticket(QObject *owner, const quint64 *generation)
            : m_owner(owner), m_generation(generation), m_value(*generation)
        {
        }
        QPointer<QObject> m_owner;
        const quint64 *m_generation; // read only while m_owner lives
        quint64 m_value;
    };

    // Joins the running generation.
    Ticket current(QObject *owner) const { return Ticket(owner, &m_value); }
    // Starts a new one: every ticket taken before is void.
    Ticket next(QObject *owner)
    {
        ++m_value;
        return current(owner);
    }
    void callOff() { ++m_value; }

private:
    quint64 m_value = 0;
};

// How a remote list pages, where its backend differs from the usual one
// (a page with nothing new, or a failed page, ends the list).
struct PagingRule
{
    // Pages are asked only once the first page has loaded.
    bool needsLoaded = false;
    // The backend never says the list ended: every reply moves the page on,
    // and neither nothing new nor a failure ends paging.
    bool endless = false;
    // Replies with nothing new one request takes before it gives up.
    int triesWithoutNews = 1;
};

// Base of the models that show one remote list of videos: the list, its
// load state, the guard of its loads, and paging. A model loads its first
// page its own way (starting a load with newLoad()); further pages come
// through fetchMore(), one request at a time, and add only videos the list
// lacks. A new load frees paging at once: a page of an older load still on
// its way is dropped when it comes.
class PagedList : public Store
{
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(LoadState state READ state NOTIFY stateChanged)
    Q_PROPERTY(bool loadingMore READ loadingMore NOTIFY loadingMoreChanged)
    Q_PROPERTY(bool canMore READ canMore NOTIFY canMoreChanged)
    // The screen that shows the list is on screen: the one way a list
    // screen starts its load. Its task runs each time the screen comes, and
    // again whenever the task's key changes while it stays; the screen
    // going away cancels it, where the model says how.
    Q_PROPERTY(bool onScreen READ onScreen WRITE setOnScreen NOTIFY onScreenChanged)
    Q_PROPERTY(QString taskKey READ taskKey NOTIFY taskKeyChanged)

public:
    VideoListModel *list() const { return m_list; }
    LoadState state() const { return m_state; }
    bool loadingMore() const { return m_loadingMore; }
    bool canMore() const { return m_canMore; }
    // The next page a request asks for, and the last one taken.
    qint64 nextPage() const { return m_next; }
    qint64 page() const { return m_next - 1; }

    // The one paging call: the next page, when there may be one and none is
    // on its way. Never throws.
    QCoro::Task<> loadMore();
    Q_INVOKABLE void fetchMore() { loadMore(); }
    // A row came into view: the last one asks for the next page.
    Q_INVOKABLE void reached(const QString &videoId);
    // The error's retry: the screen's task again, unless the model says otherwise.
    Q_INVOKABLE virtual void retry() { runTask(); }

    bool onScreen() const { return m_onScreen; }
    void setOnScreen(bool v);
    const QString &taskKey() const { return m_taskKey; }

signals:
    void onScreenChanged();
    void taskKeyChanged();
    void stateChanged();
    void loadingMoreChanged();
    void canMoreChanged();

protected:
    PagedList(QObject *parent, PagingRule rule = {}, LoadState initial = LoadState::idle());

    // One page of the list; throws when it cannot be had.
    virtual QCoro::Task<QList<Video>> fetchPage(qint64 page);
    // What a page request stands for beyond the load: a reply asked under
    // another key is dropped without touching paging.
    virtual QString pageKey() const { return {}; }
    // A failed page, after the rule has been applied.
    virtual void pageFailed(const std::exception &) {}

    // The screen's task, and what its going away does: by default nothing,
    // so a load on its way still lands.
    virtual void runTask() {}
    virtual void cancelTask() {}
    // What the task depends on changed: a new key reruns it while on screen.
    void setTaskKey(const QString &key);
    // A screen's form of a load: `done`, when a function, is called once it ends.
    void callWhenDone(QCoro::Task<> task, const QJSValue &done);

    enum class Outcome { news, nothing, failed, dropped };
    // loadMore() without its entry check, for a first page that is paged.
    QCoro::Task<Outcome> takePages();

    Generation::Ticket newLoad();
    Generation::Ticket ticket() { return m_generation.current(this); }
    // The loads running now change nothing more.
    void callOff();
    // Paging starts over from `next`.
    void resetPaging(qint64 next = 1);
    // A first page has come: it is the list, and paging goes on unless it was empty.
    void showFirstPage(const QList<Video> &videos);
    void setState(LoadState v) { assign(m_state, std::move(v), &PagedList::stateChanged); }
    void setCanMore(bool v) { assign(m_canMore, v, &PagedList::canMoreChanged); }
    void setLoadingMore(bool v) { assign(m_loadingMore, v, &PagedList::loadingMoreChanged); }

private:
    PagingRule m_rule;
    VideoListModel *m_list;
    LoadState m_state;
    bool m_loadingMore = false;
    bool m_canMore = true;
    qint64 m_next = 1;
    Generation m_generation;
    bool m_onScreen = false;
    QString m_taskKey;
};
