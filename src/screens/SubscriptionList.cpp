#include "SubscriptionList.h"

#include <QCollator>
#include <algorithm>

SubscriptionList::SubscriptionList(QObject *parent) : QObject(parent) {}

void SubscriptionList::setLibrary(LibraryStore *library)
{
    if (library == m_library)
        return;
    disconnect(m_watch);
    m_library = library;
    if (library)
        m_watch = connect(library, &LibraryStore::subscriptionsChanged, this, &SubscriptionList::itemsChanged);
    emit libraryChanged();
    emit itemsChanged();
}

void SubscriptionList::setAlphabetical(bool on)
{
    if (on == m_alphabetical)
        return;
    m_alphabetical = on;
    emit alphabeticalChanged();
    emit itemsChanged();
}

QList<Subscription> SubscriptionList::items() const
{
    if (!m_library)
        return {};
    return m_alphabetical ? byName(m_library->subscriptions()) : m_library->subscriptions();
}

QList<Subscription> SubscriptionList::byName(QList<Subscription> list, const QLocale &locale)
{
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(list.begin(), list.end(), [&](const Subscription &a, const Subscription &b) {
        return collator.compare(a.name, b.name) < 0;
    });
    return list;
}

void SubscriptionList::unfollow(const QString &channelId)
{
    if (!m_library)
        return;
    const QList<Subscription> list = m_library->subscriptions(); // the toggle replaces the library's list
    for (const Subscription &s : list) {
        if (s.id == channelId) {
            m_library->toggleSubscription(s.id, s.name, s.avatar);
            return;
        }
    }
}
