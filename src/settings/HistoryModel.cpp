#include "HistoryModel.h"
#include "Preferences.h"
#include "Store.h"
#include "LibraryLink.h"
#include "Clock.h"
#include "Defaults.h"
#include "Fmt.h"
#include "LocalSearch.h"
#include "Pref.h"

#include <QLocale>
#include <algorithm>

HistoryModel::HistoryModel(QObject *parent) : RowListModel(parent)
{
    connect(&Preferences::shared(), &Preferences::incognitoChanged, this, &HistoryModel::emptyTextChanged);
}

void HistoryModel::setLibrary(LibraryStore *library)
{
    if (!relinkLibrary(this, m_library, library, &LibraryStore::historyChanged, &HistoryModel::refresh))
        return;
    emit libraryChanged();
    refresh();
}

void HistoryModel::setQuery(const QString &query)
{
    if (assignAndNotify(this, m_query, query, &HistoryModel::queryChanged))
        refresh();
}

void HistoryModel::refresh()
{
    const QList<HistoryEntry> history = m_library ? m_library->history() : QList<HistoryEntry>();
    const LocalSearch search(m_query);
    QList<Row> rows;
    for (const HistoryEntry &e : history)
        if (search.matches(e.video))
            rows.append({e.video, Clock::fromReferenceSeconds(e.date).toLocalTime().date()});
    std::stable_sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) { return a.day > b.day; });

    assignAndNotify(this, m_empty, history.isEmpty(), &HistoryModel::emptyChanged);
    setRows(m_rows, rows, [](const Row &r) { return r.video.id; });
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const Row &row = m_rows.at(index.row());
    switch (role) {
    case VideoRole:
        return QVariant::fromValue(row.video);
    case VideoIdRole:
        return row.video.id;
    case DayRole:
        return row.day.toString(Qt::ISODate);
    default:
        return {};
    }
}

QHash<int, QByteArray> HistoryModel::roleNames() const
{
    return {{VideoRole, "video"}, {VideoIdRole, "videoId"}, {DayRole, "day"}};
}

QString HistoryModel::label(const QString &day) const
{
    return Fmt::dayLabel(QDate::fromString(day, Qt::ISODate), Clock::now().toLocalTime().date());
}

QString HistoryModel::emptyText() const
{
    return Preferences::shared().incognito()
               ? QStringLiteral("El modo incógnito está activado: no se guarda lo que ves.")
               : QStringLiteral("Los vídeos que veas aparecerán aquí.");
}

void HistoryModel::remove(const QString &videoId)
{
    if (m_library)
        m_library->removeFromHistory(videoId);
}

void HistoryModel::clear()
{
    if (m_library)
        m_library->clearHistory();
}
