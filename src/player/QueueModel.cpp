#include "QueueModel.h"

#include "Store.h"
#include "VideoListModel.h"

#include <algorithm>
#include <cmath>

QueueModel::QueueModel(QObject *parent) : QObject(parent), m_videos(new VideoListModel(this)) {}

void QueueModel::setPlayer(PlayerStore *player)
{
    if (!follow(this, m_player, player))
        return;
    if (player)
        connect(player, &PlayerStore::queueChanged, this, &QueueModel::sync);
    sync();
    emit playerChanged();
}

void QueueModel::setLimit(int limit)
{
    if (assignAndNotify(this, m_limit, limit, &QueueModel::limitChanged))
        sync();
}

void QueueModel::sync()
{
    const QList<Video> queue = m_player ? m_player->queue() : QList<Video>();
    m_videos->replace(m_limit < 0 ? queue : queue.mid(0, m_limit));
    emit countChanged();
}

void QueueModel::remove(const QString &id)
{
    if (m_player)
        m_player->removeFromQueue(id);
}

void QueueModel::move(const QString &id, int to)
{
    if (m_player)
        m_player->moveInQueue(id, to);
}

int QueueModel::dragTarget(int from, qreal offset, qreal stride) const
{
    const int rows = m_videos->rowCount();
    if (rows == 0 || stride <= 0)
        return from;
    return std::clamp(from + int(std::floor(offset / stride + 0.5)), 0, rows - 1);
}

int QueueModel::dragShift(int row, int from, int target)
{
    if (from < 0 || row == from)
        return 0;
    if (from < target && row > from && row <= target)
        return -1;
    if (from > target && row >= target && row < from)
        return 1;
    return 0;
}

void QueueModel::drop(const QString &id, int from, int target)
{
    // Counted before the move, a row further down lands before the one after it.
    if (target != from)
        move(id, target > from ? target + 1 : target);
}
