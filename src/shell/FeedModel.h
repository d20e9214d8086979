#pragma once
#include "AccountFeed.h"
#include "Category.h"

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
class FeedModel : public AccountFeed
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QVariantList categories READ categoriesValue NOTIFY categoriesChanged)
    Q_PROPERTY(QString selected READ selected WRITE setSelected NOTIFY selectedChanged)
    Q_PROPERTY(VideoListModel *items READ list CONSTANT)
    // Plain: taken from the account store before each reload, never observed.
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
    const QList<Video> &items() const { return list()->videos(); }
    const QString &loadedFor() const { return m_loadedFor; }
    bool loggedIn() const { return m_loggedIn; }

    void setSelected(const QString &id) { assign(m_selected, id, &FeedModel::selectedChanged); }
    void setLoggedIn(bool v) { m_loggedIn = v; }

    // The screen's task key: the selected category and whether an account
    // is signed in ("music-false").
    static QString taskKeyFor(const QString &category, bool signedIn);

    // The key a first page is loaded and remembered under, and the disk
    // cache key of its list; both fixed when a load starts.
    static QString loadKeyFor(const QString &category, bool loggedIn);
    static QString cacheKeyFor(const QString &category, bool loggedIn);
    QString loadKey() const { return loadKeyFor(m_selected, m_loggedIn); }
    QString cacheKey() const { return cacheKeyFor(m_selected, m_loggedIn); }

    // Never throw; failures end in `state`.
    QCoro::Task<> loadCategories();
    QCoro::Task<> reload(QStringList personal, bool force);

    // Pull to refresh: a forced reload under the current sign-in state;
    // `done` (a function) is called once the load ends.
    Q_INVOKABLE void refresh(const QJSValue &done = QJSValue());
    // The error's retry: a reload under the sign-in state of the last one.
    void retry() override;

    // The chips offered: every category but the hidden ones (ids joined by
    // ","); "foryou" can never be hidden.
    static QList<Category> visibleCategories(const QList<Category> &categories, const QString &hiddenIds);
    Q_INVOKABLE QVariantList visibleCategories(const QString &hiddenIds) const;

signals:
    void categoriesChanged();
    void selectedChanged();

protected:
    void runLoadedTask() override;
    // The screen went away or its task starts again: the first-page loads
    // running now will change nothing more.
    void cancelTask() override { m_reloads.callOff(); }
    QString currentTaskKey() const override { return taskKeyFor(m_selected, signedIn()); }

private:
    QStringList topChannels() const;
    void setCategories(QList<Category> v) { assign(m_categories, std::move(v), &FeedModel::categoriesChanged); }
    QCoro::Task<QList<Video>> fetchPage(qint64 page) override;
    // A page of a list no longer shown (another category, or the account
    // changed) is dropped without touching the paging of the new one.
    QString pageKey() const override { return loadKey(); }
    QVariantList categoriesValue() const;

    QList<Category> m_categories;
    QString m_selected = personalId;
    QString m_loadedFor;
    bool m_loggedIn = false;
    // First pages: two may run for one key, and the later one wins.
    Generation m_reloads;
};
