#include "VideoMenu.h"
#include "Store.h"
#include "ChannelRoute.h"
#include "Haptics.h"
#include "Opener.h"
#include "Pasteboard.h"
#include "ShareSheet.h"
#include "YouTubeLink.h"

#include <QMetaEnum>
#include <QVariantMap>

VideoMenu::VideoMenu(QObject *parent) : QObject(parent) {}

void VideoMenu::setVideo(const Video &video)
{
    assignAndNotify(this, m_video, video, &VideoMenu::videoChanged);
}

void VideoMenu::setLibrary(LibraryStore *library)
{
    assignAndNotify(this, m_library, library, &VideoMenu::storesChanged);
}

void VideoMenu::setPlayer(PlayerStore *player)
{
    assignAndNotify(this, m_player, player, &VideoMenu::storesChanged);
}

void VideoMenu::setRouter(Router *router)
{
    assignAndNotify(this, m_router, router, &VideoMenu::storesChanged);
}

namespace {

QString idOf(VideoMenu::Action action)
{
    return QString::fromLatin1(QMetaEnum::fromType<VideoMenu::Action>().valueToKey(int(action)));
}

MenuEntry entry(VideoMenu::Action action, const QString &title, const QString &symbol, bool destructive = false)
{
    return MenuEntry::button(idOf(action), title, symbol, destructive);
}

} // namespace

QList<MenuEntry> VideoMenu::entries() const
{
    const bool later = m_library && m_library->isWatchLater(m_video.id);
    const bool liked = m_library && m_library->isLiked(m_video.id);

    QList<MenuEntry> out;
    out.append(entry(Action::playNext, QStringLiteral("Reproducir a continuación"), QStringLiteral("text.insert")));
    out.append(entry(Action::enqueue, QStringLiteral("Añadir a la cola"), QStringLiteral("list.bullet.indent")));
    out.append(entry(Action::saveToPlaylist, QStringLiteral("Guardar en lista…"), QStringLiteral("text.badge.plus")));
    out.append(later ? entry(Action::watchLater, QStringLiteral("Quitar de Ver más tarde"), QStringLiteral("clock.badge.xmark"))
                     : entry(Action::watchLater, QStringLiteral("Ver más tarde"), QStringLiteral("clock")));
    out.append(liked ? entry(Action::like, QStringLiteral("Quitar me gusta"), QStringLiteral("hand.thumbsup.fill"))
                     : entry(Action::like, QStringLiteral("Me gusta"), QStringLiteral("hand.thumbsup")));
    if (YouTubeLink::strictUrl(YouTubeLink::shortLink(m_video.id)).isValid())
        out.append(entry(Action::share, QStringLiteral("Compartir"), QStringLiteral("square.and.arrow.up")));
    if (m_video.channelId)
        out.append(entry(Action::openChannel, QStringLiteral("Ir al canal"), QStringLiteral("person.crop.circle")));
    out.append(entry(Action::copyLink, QStringLiteral("Copiar enlace"), QStringLiteral("link")));
    out.append(entry(Action::openOnSite, QStringLiteral("Abrir en YouTube"), QStringLiteral("arrow.up.right.square")));
    if (!m_video.channel.isEmpty())
        out.append(entry(Action::hideChannel, QStringLiteral("No me interesa este canal"), QStringLiteral("eye.slash"), true));
    return out;
}

void VideoMenu::perform(Action action)
{
    // The opened video; copied, as the stores' signals may replace the menu's.
    const Video v = m_opened.value_or(m_video);
    switch (action) {
    case Action::playNext:
        if (m_player)
            m_player->playAfterCurrent(v);
        break;
    case Action::enqueue:
        if (m_player)
            m_player->enqueue(v);
        break;
    case Action::saveToPlaylist:
        if (m_router)
            m_router->setPlaylistVideo(v);
        break;
    case Action::watchLater:
        Haptics::shared().light();
        if (m_library)
            m_library->toggleWatchLater(v);
        break;
    case Action::like:
        Haptics::shared().light();
        if (m_library)
            m_library->toggleLike(v);
        break;
    case Action::share: {
        const QUrl url = YouTubeLink::strictUrl(YouTubeLink::shortLink(v.id));
        if (url.isValid())
            ShareSheet::shared().share(url);
        break;
    }
    case Action::openChannel:
        if (m_router && v.channelId)
            m_router->openChannel(ChannelRoute{*v.channelId, v.channel});
        break;
    case Action::copyLink:
        Pasteboard::shared().setString(YouTubeLink::shortLink(v.id));
        if (m_player)
            m_player->showToast(QStringLiteral("Enlace copiado"));
        break;
    case Action::openOnSite: {
        const QUrl url = YouTubeLink::strictUrl(YouTubeLink::watchLink(v.id));
        if (url.isValid())
            Opener::shared().open(url);
        break;
    }
    case Action::hideChannel:
        if (m_library)
            m_library->hideChannel(v.channel);
        break;
    }
}

QVariantList VideoMenu::menuModel()
{
    markOpened();
    return MenuEntry::toModel(entries());
}

void VideoMenu::trigger(const QString &actionName)
{
    bool ok = false;
    const int value = QMetaEnum::fromType<Action>().keyToValue(actionName.toLatin1().constData(), &ok);
    if (ok)
        perform(Action(value));
}
