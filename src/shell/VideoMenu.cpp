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

namespace {

// The link as a URL, or an invalid one when the text is no well-formed URL.
QUrl strictUrl(const QString &text) { return QUrl(text, QUrl::StrictMode); }

} // namespace

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

QString VideoMenu::shortLink(const QString &videoId)
{
    return QStringLiteral("https://") + YouTubeLink::shortHost.toString() + QLatin1Char('/') + videoId;
}

QString VideoMenu::watchLink(const QString &videoId)
{
    return QStringLiteral("https://www.") + YouTubeLink::mainDomain.toString() + QStringLiteral("/watch?v=") +
           QString::fromLatin1(QUrl::toPercentEncoding(videoId));
}

QList<VideoMenu::Entry> VideoMenu::entries() const
{
    const bool later = m_library && m_library->isWatchLater(m_video.id);
    const bool liked = m_library && m_library->isLiked(m_video.id);

    QList<Entry> out;
    out.append({Action::playNext, QStringLiteral("Reproducir a continuación"), QStringLiteral("text.insert")});
    out.append({Action::enqueue, QStringLiteral("Añadir a la cola"), QStringLiteral("list.bullet.indent")});
    out.append({Action::saveToPlaylist, QStringLiteral("Guardar en lista…"), QStringLiteral("text.badge.plus")});
    out.append(later ? Entry{Action::watchLater, QStringLiteral("Quitar de Ver más tarde"), QStringLiteral("clock.badge.xmark")}
                     : Entry{Action::watchLater, QStringLiteral("Ver más tarde"), QStringLiteral("clock")});
    out.append(liked ? Entry{Action::like, QStringLiteral("Quitar me gusta"), QStringLiteral("hand.thumbsup.fill")}
                     : Entry{Action::like, QStringLiteral("Me gusta"), QStringLiteral("hand.thumbsup")});
    if (strictUrl(shortLink(m_video.id)).isValid())
        out.append({Action::share, QStringLiteral("Compartir"), QStringLiteral("square.and.arrow.up")});
    if (m_video.channelId)
        out.append({Action::openChannel, QStringLiteral("Ir al canal"), QStringLiteral("person.crop.circle")});
    out.append({Action::copyLink, QStringLiteral("Copiar enlace"), QStringLiteral("link")});
    out.append({Action::openOnSite, QStringLiteral("Abrir en YouTube"), QStringLiteral("arrow.up.right.square")});
    if (!m_video.channel.isEmpty())
        out.append({Action::hideChannel, QStringLiteral("No me interesa este canal"), QStringLiteral("eye.slash"), true});
    return out;
}

void VideoMenu::perform(Action action)
{
    const Video v = m_video; // the stores' signals may replace the menu's video
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
        const QUrl url = strictUrl(shortLink(v.id));
        if (url.isValid())
            ShareSheet::shared().share(url);
        break;
    }
    case Action::openChannel:
        if (m_router && v.channelId)
            m_router->openChannel(ChannelRoute{*v.channelId, v.channel});
        break;
    case Action::copyLink:
        Pasteboard::shared().setString(shortLink(v.id));
        if (m_player)
            m_player->showToast(QStringLiteral("Enlace copiado"));
        break;
    case Action::openOnSite: {
        const QUrl url = strictUrl(watchLink(v.id));
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

QVariantList VideoMenu::menuModel() const
{
    const QMetaEnum names = QMetaEnum::fromType<Action>();
    QVariantList out;
    for (const Entry &e : entries()) {
        out.append(QVariantMap{
            {QStringLiteral("label"), e.label},
            {QStringLiteral("symbol"), e.symbol},
            {QStringLiteral("destructive"), e.destructive},
            {QStringLiteral("id"), QString::fromLatin1(names.valueToKey(int(e.action)))},
        });
    }
    return out;
}

void VideoMenu::trigger(const QString &actionName)
{
    bool ok = false;
    const int value = QMetaEnum::fromType<Action>().keyToValue(actionName.toLatin1().constData(), &ok);
    if (ok)
        perform(Action(value));
}
