#include "VideoFilterModel.h"
#include "Store.h"
#include "RecordSupport.h"
#include "VideoListModel.h"

#include <QTimer>

VideoFilterModel::VideoFilterModel(QObject *parent) : QSortFilterProxyModel(parent)
{
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(this, signal, this, &VideoFilterModel::updateSummary);
    connect(this, &QAbstractItemModel::modelReset, this, &VideoFilterModel::updateSummary);
    connect(this, &QAbstractItemModel::layoutChanged, this, &VideoFilterModel::updateSummary);
    connect(this, &QAbstractItemModel::dataChanged, this, &VideoFilterModel::updateSummary);
}

void VideoFilterModel::setSource(VideoListModel *source)
{
    if (!follow(this, m_source, source))
        return;
    setSourceModel(source);
    // After the proxy's own handling, so the summary is already up to date.
    if (source)
        connect(source, &QAbstractItemModel::rowsInserted, this, &VideoFilterModel::sourceGrew);
    updateSummary();
    emit sourceChanged();
}

void VideoFilterModel::setLibrary(LibraryStore *library)
{
    if (!follow(this, m_library, library))
        return;
    if (library) {
        connect(library, &LibraryStore::loadedChanged, this, &VideoFilterModel::refilter);
        connect(library, &LibraryStore::hiddenChannelsChanged, this, &VideoFilterModel::refilter);
        connect(library, &LibraryStore::historyChanged, this, [this] {
            if (m_hideWatched)
                refilter();
        });
    }
    refilter();
    emit libraryChanged();
}

void VideoFilterModel::setHideWatched(bool v)
{
    if (assignAndNotify(this, m_hideWatched, v, &VideoFilterModel::hideWatchedChanged))
        refilter();
}

void VideoFilterModel::rebuildSets()
{
    m_hiddenChannels.clear();
    m_watched.clear();
    if (!m_library || waitsForLibrary())
        return;
    for (const QString &name : m_library->hiddenChannels())
        m_hiddenChannels.insert(Canonical::key(name));
    if (m_hideWatched) {
        const auto &history = m_library->history();
        for (qsizetype i = 0; i < std::min(history.size(), watchedWindow); ++i)
            m_watched.insert(history.at(i).video.id);
    }
}

void VideoFilterModel::refilter()
{
    rebuildSets();
    invalidateRowsFilter();
    updateSummary();
}

bool VideoFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    if (!m_source || sourceRow < 0 || sourceRow >= m_source->count() || waitsForLibrary())
        return false;
    const Video &v = m_source->videos().at(sourceRow);
    return (m_hiddenChannels.isEmpty() || !m_hiddenChannels.contains(Canonical::key(v.channel)))
        && !m_watched.contains(v.id);
}

QList<Video> VideoFilterModel::videos() const
{
    QList<Video> out;
    const int n = rowCount();
    out.reserve(n);
    for (int row = 0; row < n; ++row)
        out.append(at(row));
    return out;
}

Video VideoFilterModel::at(int row) const
{
    if (!m_source || row < 0 || row >= rowCount())
        return {};
    const int sourceRow = mapToSource(index(row, 0)).row();
    return m_source->at(sourceRow);
}

void VideoFilterModel::updateSummary()
{
    const int n = rowCount();
    const QString last = n > 0 ? at(n - 1).id : QString();
    assignAndNotify(this, m_count, n, &VideoFilterModel::countChanged);
    if (last != m_lastId) {
        m_lastId = last;
        m_lastReached = false;
        emit lastIdChanged();
    }
}

void VideoFilterModel::reach(const QString &id)
{
    if (id.isEmpty() || id != m_lastId)
        return;
    m_lastReached = true;
    emit moreWanted();
}

void VideoFilterModel::sourceGrew()
{
    if (!m_lastReached)
        return;
    // Later: the page that grew the list is still being taken in.
    QTimer::singleShot(0, this, [this] {
        if (m_lastReached)
            emit moreWanted();
    });
}
