#pragma once
#include "PlayerStore.h"
#include "Video.h"
#include "VideoListModel.h"
#include <QPointer>
#include <functional>
#include <QtQml/qqmlregistration.h>

// Starts a whole list in the player: a light haptic first (also for an
// empty list, which then changes nothing), then the queue becomes the list
// after its first video, which plays from its saved position. Shuffling
// does the same with a shuffled copy; the list itself keeps its order.
class ListPlayback : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(PlayerStore *player READ player WRITE setPlayer NOTIFY playerChanged)

public:
    // A uniform random index below `bound`.
    using Random = std::function<qsizetype(qsizetype bound)>;

    explicit ListPlayback(QObject *parent = nullptr);

    PlayerStore *player() const { return m_player; }
    void setPlayer(PlayerStore *player);

    static void playAll(PlayerStore &player, const QList<Video> &videos);
    static void shuffle(PlayerStore &player, QList<Video> videos, const Random &random);

    Q_INVOKABLE void playAll(VideoListModel *videos);
    Q_INVOKABLE void shuffle(VideoListModel *videos);

    // Replaces the system's generator (tests).
    Random random;

signals:
    void playerChanged();

private:
    static void start(PlayerStore &player, QList<Video> videos);

    QPointer<PlayerStore> m_player;
};
