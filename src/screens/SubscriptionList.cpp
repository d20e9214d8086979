#include "SubscriptionList.h"
#include "Store.h"
#include "LibraryLink.h"

#include <QCollator>
#include <algorithm>

SubscriptionList::SubscriptionList(QObject *parent) : RowListModel(parent) {}

void SubscriptionList::setLibrary(LibraryStore *library)
{
    if (!relinkLibrary(this, m_library, library, &LibraryStore::subscriptionsChanged, &SubscriptionList::refresh))
        return;
    emit libraryChanged();
    refresh();
}

void SubscriptionList::setAlphabetical(bool on)
{
    if (assignAndNotify(this, m_alphabetical, on, &SubscriptionList::alphabeticalChanged))
        refresh();
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

void SubscriptionList::refresh()
{
    QList<Subscription> target;
    if (m_library)
        target = m_alphabetical ? byName(m_library->subscriptions()) : m_library->subscriptions();
    setRows(m_rows, target, [](const Subscription &s) { return s.id; });
}

QVariant SubscriptionList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const Subscription &s = m_rows.at(index.row());
    switch (role) {
    case ChannelIdRole:
        return s.id;
    case NameRole:
        return s.name;
    case AvatarRole:
        return s.avatar.value_or(QString());
    default:
        return {};
    }
}

QHash<int, QByteArray> SubscriptionList::roleNames() const
{
    return {{ChannelIdRole, "channelId"}, {NameRole, "name"}, {AvatarRole, "avatar"}};
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
