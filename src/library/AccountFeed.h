#pragma once
#include "AuthStore.h"
#include "LibraryStore.h"
#include "PagedList.h"

#include <QPointer>
#include <QtQml/qqmlregistration.h>

// Base of the feeds whose screen task depends on the account and the
// library: it follows both stores, and works its task key out again when the
// sign-in state changes, or the library signal the feed names. The task reads
// the library, so it waits for the library to be loaded rather than hold the
// GUI thread (a screen shown at start-up would hold the first frame).
class AccountFeed : public PagedList
{
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(AuthStore *auth READ auth WRITE setAuth NOTIFY storesChanged)
    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY storesChanged)

public:
    AuthStore *auth() const { return m_auth; }
    void setAuth(AuthStore *auth);
    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library);

signals:
    void storesChanged();

protected:
    using LibrarySignal = void (LibraryStore::*)();
    AccountFeed(QObject *parent, PagingRule rule = {}, LibrarySignal keyChanges = nullptr);

    bool signedIn() const { return m_auth && m_auth->signedIn(); }
    // The task key as things stand now.
    virtual QString currentTaskKey() const = 0;
    void updateTaskKey() { setTaskKey(currentTaskKey()); }
    // The screen task, run once the library is loaded.
    virtual void runLoadedTask() = 0;

private:
    void runTask() final;

    QPointer<AuthStore> m_auth;
    QPointer<LibraryStore> m_library;
    LibrarySignal m_keyChanges;
    QMetaObject::Connection m_libraryWait;
};
