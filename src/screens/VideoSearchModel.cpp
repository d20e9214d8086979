#include "VideoSearchModel.h"
#include "VideoListModel.h"

VideoSearchModel::VideoSearchModel(QObject *parent) : QSortFilterProxyModel(parent)
{
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(this, signal, this, &VideoSearchModel::countChanged);
    connect(this, &QAbstractItemModel::modelReset, this, &VideoSearchModel::countChanged);
    connect(this, &QAbstractItemModel::layoutChanged, this, &VideoSearchModel::countChanged);
}

void VideoSearchModel::setSource(VideoListModel *source)
{
    if (source == m_source)
        return;
    m_source = source;
    setSourceModel(source);
    emit sourceChanged();
}

void VideoSearchModel::setQuery(const QString &query)
{
    if (query == m_query)
        return;
    m_query = query;
    LocalSearch search(query);
    const bool same = search.needle() == m_search.needle();
    m_search = std::move(search);
    emit queryChanged();
    if (!same)
        invalidateFilter();
}

bool VideoSearchModel::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    return m_search.isBlank() || (m_source && m_search.matches(m_source->videos().at(sourceRow)));
}
