#pragma once
#include "AuthStore.h"
#include "LoadState.h"
#include "Store.h"
#include "VideoListModel.h"
#include <QJSValue>
#include <QPointer>
#include <QtQml/qqmlregistration.h>
#include <QCoroTask>

// One of the signed-in account's own lists ("history", "liked", "later"),
// paged from the backend. The list shown stays while a first page reloads;
// further pages add only videos not shown yet and stop for good (until the
// next load) when one brings nothing new or fails.
//
// Every load, and every change of the account (which also reloads, so a
// signed-out account's list goes away), starts a new generation: replies
// asked for by an older one change nothing at all.
class RemoteListModel : public Store
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString kind READ kind WRITE setKind NOTIFY kindChanged)
    Q_PROPERTY(AuthStore *auth READ auth WRITE setAuth NOTIFY authChanged)
    Q_PROPERTY(VideoListModel *items READ items CONSTANT)
    Q_PROPERTY(LoadState state READ state NOTIFY stateChanged)
    Q_PROPERTY(bool loadingMore READ loadingMore NOTIFY loadingMoreChanged)
    Q_PROPERTY(bool canMore READ canMore NOTIFY canMoreChanged)

public:
    explicit RemoteListModel(QObject *parent = nullptr);

    // The screen's title and empty-state symbol for a list kind.
    Q_INVOKABLE static QString titleFor(const QString &kind);
    Q_INVOKABLE static QString symbolFor(const QString &kind);

    const QString &kind() const { return m_kind; }
    void setKind(const QString &kind) { assign(m_kind, kind, &RemoteListModel::kindChanged); }
    AuthStore *auth() const { return m_auth; }
    void setAuth(AuthStore *auth);
    VideoListModel *items() const { return m_items; }
    LoadState state() const { return m_state; }
    bool loadingMore() const { return m_loadingMore; }
    bool canMore() const { return m_canMore; }
    qint64 page() const { return m_page; }

    QCoro::Task<> load();
    QCoro::Task<> more();

    // `done` (a function) is called once the load has ended.
    Q_INVOKABLE void startLoad(const QJSValue &done = QJSValue());
    // A row came on screen: the last one asks for the next page.
    Q_INVOKABLE void reached(const QString &videoId);

signals:
    void kindChanged();
    void authChanged();
    void stateChanged();
    void loadingMoreChanged();
    void canMoreChanged();

private:
    void setState(LoadState v) { assign(m_state, std::move(v), &RemoteListModel::stateChanged); }
    void setLoadingMore(bool v) { assign(m_loadingMore, v, &RemoteListModel::loadingMoreChanged); }
    void setCanMore(bool v) { assign(m_canMore, v, &RemoteListModel::canMoreChanged); }

    QString m_kind;
    QPointer<AuthStore> m_auth;
    VideoListModel *m_items;
    LoadState m_state = LoadState::loading();
    bool m_loadingMore = false;
    bool m_canMore = true;
    qint64 m_page = 0;
    quint64 m_generation = 0;
};
