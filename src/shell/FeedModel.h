#pragma once
#include "AuthStore.h"
#include "LibraryStore.h"
#include "Category.h"
#include "PagedList.h"

#include <QJSValue>
#include <QList>
#include <QPointer>
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
class FeedModel : public PagedList
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QVariantList categories READ categoriesValue NOTIFY categoriesChanged)
    Q_PROPERTY(QString selected READ selected WRITE setSelected NOTIFY selectedChanged)
    Q_PROPERTY(VideoListModel *items READ list CONSTANT)
    // Plain: taken from the account store before each reload, never observed.
    Q_PROPERTY(bool loggedIn READ loggedIn WRITE setLoggedIn)
    // Whether an account is signed in, and the user's most watched channels.
    Q_PROPERTY(AuthStore *auth READ auth WRITE setAuth NOTIFY storesChanged)
    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY storesChanged)

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
    AuthStore *auth() const { return m_auth; }
    void setAuth(AuthStore *auth);
    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library);

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

    // The screen's forms: `done` (a function) is called once the load ends.
    Q_INVOKABLE void startLoadCategories();
    Q_INVOKABLE void startReload(const QStringList &personal, bool force, const QJSValue &done = QJSValue());
    // What a screen does to the load it started when it goes away or starts
    // another: the first-page loads running now will change nothing more.
    Q_INVOKABLE void cancelReload() { m_reloads.callOff(); }
    // Pull to refresh: a forced reload under the current sign-in state.
    Q_INVOKABLE void refresh(const QJSValue &done = QJSValue());
    // The error's retry: a reload under the sign-in state of the last one.
    Q_INVOKABLE void retry();

    // The chips offered: every category but the hidden ones (ids joined by
    // ","); "foryou" can never be hidden.
    static QList<Category> visibleCategories(const QList<Category> &categories, const QString &hiddenIds);
    Q_INVOKABLE QVariantList visibleCategories(const QString &hiddenIds) const;

signals:
    void categoriesChanged();
    void selectedChanged();
    void storesChanged();

protected:
    void runTask() override;
    void cancelTask() override { cancelReload(); }

private:
    bool signedIn() const;
    QStringList topChannels() const;
    void updateTaskKey();
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
    QPointer<AuthStore> m_auth;
    QPointer<LibraryStore> m_library;
    // First pages: two may run for one key, and the later one wins.
    Generation m_reloads;
};
