#include "AccountFeed.h"

AccountFeed::AccountFeed(QObject *parent, PagingRule rule, LibrarySignal keyChanges)
    : PagedList(parent, rule), m_keyChanges(keyChanges)
{
}

void AccountFeed::setAuth(AuthStore *auth)
{
    if (!follow(this, m_auth, auth))
        return;
    if (auth)
        connect(auth, &AuthStore::signedInChanged, this, &AccountFeed::updateTaskKey);
    emit storesChanged();
    updateTaskKey();
}

void AccountFeed::setLibrary(LibraryStore *library)
{
    if (!follow(this, m_library, library))
        return;
    if (library && m_keyChanges)
        connect(library, m_keyChanges, this, &AccountFeed::updateTaskKey);
    emit storesChanged();
    updateTaskKey();
}
