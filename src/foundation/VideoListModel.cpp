#include "VideoListModel.h"

#include <QSet>

VideoListModel::VideoListModel(QObject *parent) : QAbstractListModel(parent) {}

int VideoListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

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
    const qsizetype oldSize = m_videos.size();
    const qsizetype newSize = videos.size();
    const qsizetype common = std::min(oldSize, newSize);

    // The first row that differs, and whether the rows up to the shorter
    // length are the same videos (same ids) in the same places.
    qsizetype firstDiff = 0;
    while (firstDiff < common && m_videos.at(firstDiff) == videos.at(firstDiff))
        ++firstDiff;
    bool sameIds = true;
    for (qsizetype i = firstDiff; i < common && sameIds; ++i)
        sameIds = m_videos.at(i).id == videos.at(i).id;

    if (firstDiff == common && oldSize == newSize)
        return;

    if (!sameIds) {
        beginResetModel();
        m_videos = videos;
        endResetModel();
        if (oldSize != newSize)
            emit countChanged();
        return;
    }

    // Same ids in place: refresh the rows whose content changed…
    qsizetype runStart = -1;
    for (qsizetype i = firstDiff; i <= common; ++i) {
        const bool differs = i < common && !(m_videos.at(i) == videos.at(i));
        if (differs) {
            m_videos[i] = videos.at(i);
            if (runStart < 0)
                runStart = i;
        } else if (runStart >= 0) {
            emit dataChanged(index(int(runStart)), index(int(i - 1)));
            runStart = -1;
        }
    }
    // …then add or drop the tail.
    if (newSize > oldSize) {
        beginInsertRows({}, int(oldSize), int(newSize - 1));
        m_videos.append(videos.mid(oldSize));
        endInsertRows();
        emit countChanged();
    } else if (newSize < oldSize) {
        beginRemoveRows({}, int(newSize), int(oldSize - 1));
        m_videos.resize(newSize);
        endRemoveRows();
        emit countChanged();
    }
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
