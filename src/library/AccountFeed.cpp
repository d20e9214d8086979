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
    // A task waiting for the old library waits for this one instead.
    const bool waiting = disconnect(std::exchange(m_libraryWait, {}));
    if (library && m_keyChanges)
        connect(library, m_keyChanges, this, &AccountFeed::updateTaskKey);
    emit storesChanged();
    updateTaskKey();
    if (waiting && !m_libraryWait && onScreen())
        runTask();
}

void AccountFeed::runTask()
{
    if (m_library && !m_library->isLoaded()) {
        if (!m_libraryWait)
            m_libraryWait = connect(m_library, &LibraryStore::loadedChanged, this, [this] {
                disconnect(std::exchange(m_libraryWait, {}));
                // Called off meanwhile: the next appearance runs it.
                if (onScreen())
                    runTask();
            });
        return;
    }
    runLoadedTask();
}
