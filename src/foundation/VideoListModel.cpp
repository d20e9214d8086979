#include "VideoListModel.h"

#include <QSet>

VideoListModel::VideoListModel(QObject *parent) : RowListModel(parent) {}

QVariant VideoListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Video &v = m_videos.at(index.row());
    switch (role) {
    case VideoRole:
        return QVariant::fromValue(v);
    case VideoIdRole:
    case Qt::DisplayRole:
        return v.id;
    default:
        return {};
    }
}

QHash<int, QByteArray> VideoListModel::roleNames() const
{
    return {{VideoRole, "video"}, {VideoIdRole, "videoId"}};
}

void VideoListModel::replace(const QList<Video> &videos)
{
    setRows(m_videos, videos, [](const Video &v) { return v.id; });
}

void VideoListModel::append(const QList<Video> &more)
{
    if (more.isEmpty())
        return;
    beginInsertRows({}, count(), int(count() + more.size() - 1));
    m_videos.append(more);
    endInsertRows();
    emit countChanged();
}

qsizetype VideoListModel::appendNew(const QList<Video> &page)
{
    QSet<QString> seen;
    for (const Video &v : m_videos)
        seen.insert(v.id);
    QList<Video> fresh;
    for (const Video &v : page) {
        if (seen.contains(v.id))
            continue;
        seen.insert(v.id);
        fresh.append(v);
    }
    append(fresh);
    return fresh.size();
}

Video VideoListModel::at(int row) const
{
    return row >= 0 && row < count() ? m_videos.at(row) : Video{};
}

int VideoListModel::indexOf(const QString &id) const
{
    for (qsizetype i = 0; i < m_videos.size(); ++i)
        if (m_videos.at(i).id == id)
            return int(i);
    return -1;
}

int VideoListModel::placeholders() const
{
    int n = 0;
    for (const Video &v : m_videos)
        n += v.id.startsWith(QLatin1String("placeholder")) ? 1 : 0;
    return n;
}

void VideoListModel::setPlaceholders(int count)
{
    QList<Video> list;
    for (int i = 0; i < count; ++i)
        list.append(Video::placeholder(i));
    replace(list);
}
