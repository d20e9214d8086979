#include "YTPlaylistModel.h"
#include "API.h"
#include "Fmt.h"
#include "ErrorDescription.h"


// The whole playlist comes in one reply: it never pages.
YTPlaylistModel::YTPlaylistModel(QObject *parent) : PagedList(parent, {}, LoadState::loading())
{
    setCanMore(false);
}

QString YTPlaylistModel::subtitleFor(const QString &channel, qsizetype videos)
{
    const QString count = Fmt::videoCount(videos);
    return channel.isEmpty() ? count : channel + QStringLiteral(" · ") + count;
}

QCoro::Task<> YTPlaylistModel::load()
{
    const Generation::Ticket load = newLoad();
    setState(LoadState::loading());
    try {
        YTPlaylist playlist = co_await API::shared().playlist(m_playlistId);
        if (!load)
            co_return;
        list()->replace(playlist.videos);
        m_title = playlist.title;
        m_subtitle = subtitleFor(playlist.channel, playlist.videos.size());
        m_hasPlaylist = true;
        emit playlistChanged();
        setState(LoadState::loaded());
    } catch (const std::exception &e) {
        if (load)
            setState(LoadState::failed(describe(e)));
    }
}
