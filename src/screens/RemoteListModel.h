#pragma once
#include "AuthStore.h"
#include "PagedList.h"
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
class RemoteListModel : public PagedList
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString kind READ kind WRITE setKind NOTIFY kindChanged)
    Q_PROPERTY(AuthStore *auth READ auth WRITE setAuth NOTIFY authChanged)
    Q_PROPERTY(VideoListModel *items READ list CONSTANT)

public:
    explicit RemoteListModel(QObject *parent = nullptr);

    // The screen's title and empty-state symbol for a list kind.
    Q_INVOKABLE static QString titleFor(const QString &kind);
    Q_INVOKABLE static QString symbolFor(const QString &kind);

    const QString &kind() const { return m_kind; }
    void setKind(const QString &kind) { assign(m_kind, kind, &RemoteListModel::kindChanged); }
    AuthStore *auth() const { return m_auth; }
    void setAuth(AuthStore *auth);
    VideoListModel *items() const { return list(); }

    // The screen's task, each time it comes, and its retry.
    QCoro::Task<> load();

    // Pull to refresh: `done` (a function) is called once the load has ended.
    Q_INVOKABLE void refresh(const QJSValue &done = QJSValue());

signals:
    void kindChanged();
    void authChanged();

protected:
    void runTask() override { load(); }

private:
    QCoro::Task<QList<Video>> fetchPage(qint64 page) override;

    QString m_kind;
    QPointer<AuthStore> m_auth;
};
