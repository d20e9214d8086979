#include "StatsModel.h"
#include "Clock.h"
#include "Fmt.h"
#include "RecordSupport.h"

#include <QLocale>
#include <algorithm>

StatsModel::StatsModel(QObject *parent) : Store(parent)
{
    refresh();
}

void StatsModel::setLibrary(LibraryStore *library)
{
    if (!follow(this, m_library, library))
        return;
    if (library) {
        for (auto signal : {&LibraryStore::historyChanged, &LibraryStore::likedChanged,
                            &LibraryStore::subscriptionsChanged, &LibraryStore::playlistsChanged})
            connect(library, signal, this, &StatsModel::refresh);
    }
    emit libraryChanged();
    refresh();
}

void StatsModel::refresh()
{
    const QDateTime now = Clock::now().toLocalTime();
    const QDate today = now.date();
    const QList<HistoryEntry> empty;
    const QList<HistoryEntry> &history = m_library ? m_library->history() : empty;

    QList<Day> week;
    for (int i = 6; i >= 0; --i)
        week.append({Fmt::weekday(today.addDays(-i)), 0});
    // QDateTime::addDays keeps the local wall time across a clock change.
    const QDateTime cutoff = now.addDays(-7);
    int weekCount = 0;
    double seconds = 0;
    QHash<QString, int> counts;
    QList<std::pair<QString, int>> top; // first-seen order
    for (const HistoryEntry &e : history) {
        const QDateTime at = Clock::fromReferenceSeconds(e.date).toLocalTime();
        const qint64 back = at.date().daysTo(today);
        if (back >= 0 && back <= 6)
            ++week[6 - back].count;
        if (at >= cutoff) {
            ++weekCount;
            const double duration = std::max<qint64>(0, e.video.duration);
            seconds += m_library->progress(e.video).value_or(1.0) * duration;
        }
        if (!e.video.channel.isEmpty()) {
            // One channel however its name's accents were composed; the
            // first spelling seen is the one shown.
            const QString key = Canonical::key(e.video.channel);
            auto it = counts.find(key);
            if (it == counts.end()) {
                counts.insert(key, int(top.size()));
                top.append({e.video.channel, 1});
            } else {
                ++top[*it].second;
            }
        }
    }
    std::stable_sort(top.begin(), top.end(), [](const auto &a, const auto &b) { return a.second > b.second; });
    if (top.size() > 5)
        top.resize(5);

    m_week = std::move(week);
    m_weekCount = weekCount;
    m_seconds = seconds;
    m_top = std::move(top);
    m_counts[0] = int(history.size());
    m_counts[1] = m_library ? int(m_library->liked().size()) : 0;
    m_counts[2] = m_library ? int(m_library->subscriptions().size()) : 0;
    m_counts[3] = m_library ? int(m_library->playlists().size()) : 0;
    emit changed();
}

QVariantList StatsModel::days() const
{
    QVariantList out;
    for (const Day &d : m_week)
        out.append(QVariantMap{{u"label"_qs, d.label}, {u"count"_qs, d.count}});
    return out;
}

int StatsModel::chartMax() const
{
    int most = 1;
    for (const Day &d : m_week)
        most = std::max(most, d.count);
    return most;
}

QVariantList StatsModel::topChannels() const
{
    QVariantList out;
    for (const auto &[name, count] : m_top)
        out.append(QVariantMap{{u"name"_qs, name}, {u"count"_qs, count}});
    return out;
}
