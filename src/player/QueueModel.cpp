#include "QueueModel.h"

#include "Store.h"
#include "VideoListModel.h"

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
    if (limit == m_limit)
        return;
    m_limit = limit;
    sync();
    emit limitChanged();
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
