#include "SubscriptionList.h"
#include "Store.h"
#include "LibraryLink.h"

#include <QCollator>
#include <algorithm>

SubscriptionList::SubscriptionList(QObject *parent) : QAbstractListModel(parent) {}

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
    const int before = count();
    auto position = [this](const QString &id, qsizetype from) {
        for (qsizetype j = from; j < m_rows.size(); ++j)
            if (m_rows.at(j).id == id)
                return j;
        return qsizetype(-1);
    };
    // Rows of channels no longer followed go first; then each place gets its
    // row, moved up from further down or inserted.
    for (qsizetype i = m_rows.size() - 1; i >= 0; --i) {
        const QString &id = m_rows.at(i).id;
        if (std::none_of(target.cbegin(), target.cend(), [&](const Subscription &s) { return s.id == id; })) {
            beginRemoveRows({}, int(i), int(i));
            m_rows.removeAt(i);
            endRemoveRows();
        }
    }
    for (qsizetype i = 0; i < target.size(); ++i) {
        const qsizetype j = position(target.at(i).id, i);
        if (j < 0) {
            beginInsertRows({}, int(i), int(i));
            m_rows.insert(i, target.at(i));
            endInsertRows();
            continue;
        }
        if (j > i) {
            beginMoveRows({}, int(j), int(j), {}, int(i));
            m_rows.move(j, i);
            endMoveRows();
        }
        if (!(m_rows.at(i) == target.at(i))) {
            m_rows[i] = target.at(i);
            emit dataChanged(index(int(i)), index(int(i)));
        }
    }
    if (count() != before)
        emit countChanged();
}

int SubscriptionList::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : count(); }

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
