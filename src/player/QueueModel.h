#pragma once
#include "PlayerStore.h"

#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

#include "VideoListModel.h"

// The player's queue as a list model for the views that show it (all of it,
// or its first `limit` videos), and the queue sheet's edits, made by id.
class QueueModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(PlayerStore *player READ player WRITE setPlayer NOTIFY playerChanged)
    // Below 0: no limit.
    Q_PROPERTY(int limit READ limit WRITE setLimit NOTIFY limitChanged)
    Q_PROPERTY(VideoListModel *videos READ videos CONSTANT)
    // The whole queue's length, whatever the limit.
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    explicit QueueModel(QObject *parent = nullptr);

    PlayerStore *player() const { return m_player; }
    void setPlayer(PlayerStore *player);
    int limit() const { return m_limit; }
    void setLimit(int limit);
    VideoListModel *videos() const { return m_videos; }
    int count() const { return m_player ? int(m_player->queue().size()) : 0; }

    Q_INVOKABLE void remove(const QString &id);
    // `to`: the row it lands before, counted before the move.
    Q_INVOKABLE void move(const QString &id, int to);

    // A row dragged by its handle from row `from`, `offset` pixels down (up
    // when negative), with rows `stride` pixels apart: the row it would take.
    Q_INVOKABLE int dragTarget(int from, qreal offset, qreal stride) const;
    // How far row `row` steps (-1 up, 1 down, 0 not at all) out of the way
    // of the row dragged from `from` to `target`.
    Q_INVOKABLE static int dragShift(int row, int from, int target);
    // The drag from `from` ended on `target`: the video takes that row.
    Q_INVOKABLE void drop(const QString &id, int from, int target);

signals:
    void playerChanged();
    void limitChanged();
    void countChanged();

private:
    void sync();

    QPointer<PlayerStore> m_player;
    int m_limit = -1;
    VideoListModel *m_videos = nullptr;
};
