#pragma once
#include "Category.h"
#include "LoadState.h"
#include "Store.h"
#include "Video.h"
#include "VideoListModel.h"

#include <QJSValue>
#include <QList>
#include <QStringList>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <QCoroTask>

// The state behind the home tab: the category chips, the selected category,
// its videos with their loading state, and paging. A first page shows the
// list cached on disk at once and then the backend's answer; for "Para ti"
// it takes the account feed when signed in, and blends in the user's most
// watched channels when not. It never filters: hidden channels and watched
// videos are the screen's business, so the cache keeps the whole list.
class FeedModel : public Store
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QVariantList categories READ categoriesValue NOTIFY categoriesChanged)
    Q_PROPERTY(QString selected READ selected WRITE setSelected NOTIFY selectedChanged)
    Q_PROPERTY(VideoListModel *items READ itemsModel CONSTANT)
    Q_PROPERTY(LoadState state READ state NOTIFY stateChanged)
    Q_PROPERTY(bool loadingMore READ loadingMore NOTIFY loadingMoreChanged)
    Q_PROPERTY(bool canLoadMore READ canLoadMore NOTIFY canLoadMoreChanged)
    // Plain: written by the screen before each reload, never observed.
    Q_PROPERTY(bool loggedIn READ loggedIn WRITE setLoggedIn)

public:
    static inline const QString personalId = QStringLiteral("foryou");
    static inline const QString accountKind = QStringLiteral("home");
    static constexpr qsizetype personalChannels = 2;
    static constexpr qsizetype perChannel = 10;
    static constexpr qsizetype blendCap = 80;
    static constexpr qsizetype warmCount = 8;

    explicit FeedModel(QObject *parent = nullptr);

    static const QList<Category> &defaultCategories();

    const QList<Category> &categories() const { return m_categories; }
    const QString &selected() const { return m_selected; }
    const QList<Video> &items() const { return m_items->videos(); }
    VideoListModel *itemsModel() const { return m_items; }
    LoadState state() const { return m_state; }
    bool loadingMore() const { return m_loadingMore; }
    bool canLoadMore() const { return m_canLoadMore; }
    qint64 page() const { return m_page; }
    const QString &loadedFor() const { return m_loadedFor; }
    bool loggedIn() const { return m_loggedIn; }

    void setSelected(const QString &id) { assign(m_selected, id, &FeedModel::selectedChanged); }
    void setLoggedIn(bool v) { m_loggedIn = v; }

    // The key a first page is loaded and remembered under, and the disk
    // cache key of its list; both fixed when a load starts.
    static QString loadKeyFor(const QString &category, bool loggedIn);
    static QString cacheKeyFor(const QString &category, bool loggedIn);
    QString loadKey() const { return loadKeyFor(m_selected, m_loggedIn); }
    QString cacheKey() const { return cacheKeyFor(m_selected, m_loggedIn); }

    // Never throw; failures end in `state` (first page) or stop paging.
    QCoro::Task<> loadCategories();
    QCoro::Task<> reload(QStringList personal, bool force);
    QCoro::Task<> loadMore();

    // The screen's forms: `done` (a function) is called once the load ends.
    Q_INVOKABLE void startLoadCategories();
    Q_INVOKABLE void startReload(const QStringList &personal, bool force, const QJSValue &done = QJSValue());
    Q_INVOKABLE void startLoadMore();
    // What a screen does to the load it started when it goes away or starts
    // another: the first-page loads running now will change nothing more.
    Q_INVOKABLE void cancelReload() { ++m_generation; }

    // The chips offered: every category but the hidden ones (ids joined by
    // ","); "foryou" can never be hidden.
    static QList<Category> visibleCategories(const QList<Category> &categories, const QString &hiddenIds);
    Q_INVOKABLE QVariantList visibleCategories(const QString &hiddenIds) const;

signals:
    void categoriesChanged();
    void selectedChanged();
    void stateChanged();
    void loadingMoreChanged();
    void canLoadMoreChanged();

private:
    void setCategories(QList<Category> v) { assign(m_categories, std::move(v), &FeedModel::categoriesChanged); }
    void setState(LoadState v) { assign(m_state, std::move(v), &FeedModel::stateChanged); }
    void setLoadingMore(bool v) { assign(m_loadingMore, v, &FeedModel::loadingMoreChanged); }
    void setCanLoadMore(bool v) { assign(m_canLoadMore, v, &FeedModel::canLoadMoreChanged); }
    QVariantList categoriesValue() const;

    QList<Category> m_categories;
    QString m_selected = personalId;
    VideoListModel *m_items;
    LoadState m_state;
    bool m_loadingMore = false;
    bool m_canLoadMore = true;
    qint64 m_page = 0;
    QString m_loadedFor;
    bool m_loggedIn = false;
    quint64 m_generation = 0;
};
