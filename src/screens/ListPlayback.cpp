#include "ListPlayback.h"
#include "Haptics.h"

#include <QRandomGenerator>

ListPlayback::ListPlayback(QObject *parent)
    : QObject(parent), random([](qsizetype bound) { return qsizetype(QRandomGenerator::global()->bounded(qint64(bound))); })
{
}

void ListPlayback::setPlayer(PlayerStore *player)
{
    if (follow(this, m_player, player))
        emit playerChanged();
}

void ListPlayback::start(PlayerStore &player, QList<Video> videos)
{
    if (videos.isEmpty())
        return;
    const Video first = videos.takeFirst();
    player.setQueue(std::move(videos));
    player.play(first, std::nullopt, true);
}

void ListPlayback::playAll(PlayerStore &player, const QList<Video> &videos)
{
    Haptics::shared().light();
    start(player, videos);
}

void ListPlayback::shuffle(PlayerStore &player, QList<Video> videos, const Random &random)
{
    Haptics::shared().light();
    for (qsizetype i = videos.size() - 1; i > 0; --i)
        videos.swapItemsAt(i, random(i + 1));
    start(player, std::move(videos));
}

void ListPlayback::playAll(VideoListModel *videos)
{
    if (m_player)
        playAll(*m_player, videos ? videos->videos() : QList<Video>());
}

void ListPlayback::shuffle(VideoListModel *videos)
{
    if (m_player)
        shuffle(*m_player, videos ? videos->videos() : QList<Video>(), random);
}
