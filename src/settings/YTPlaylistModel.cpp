#include "YTPlaylistModel.h"
#include "API.h"
#include "Fmt.h"
#include "ErrorDescription.h"

#include <QPointer>

YTPlaylistModel::YTPlaylistModel(QObject *parent) : Store(parent), m_videos(new VideoListModel(this)) {}

QString YTPlaylistModel::subtitleFor(const QString &channel, qsizetype videos)
{
    const QString count = Fmt::videoCount(videos);
    return channel.isEmpty() ? count : channel + QStringLiteral(" · ") + count;
}

QCoro::Task<> YTPlaylistModel::load()
{
    QPointer<YTPlaylistModel> self(this);
    const quint64 generation = ++m_generation;
    setState(LoadState::loading());
    try {
        YTPlaylist playlist = co_await API::shared().playlist(m_playlistId);
        if (!self || m_generation != generation)
            co_return;
        m_videos->replace(playlist.videos);
        m_title = playlist.title;
        m_subtitle = subtitleFor(playlist.channel, playlist.videos.size());
        m_hasPlaylist = true;
        emit playlistChanged();
        setState(LoadState::loaded());
    } catch (const std::exception &e) {
        if (self && m_generation == generation)
            setState(LoadState::failed(describe(e)));
    }
}
