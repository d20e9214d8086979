#include "ShareAtTimeModel.h"
#include "Store.h"

#include "Fmt.h"
#include "ShareSheet.h"
#include "VideoMenu.h"
#include "YouTubeLink.h"

#include <QVariantMap>
#include <cmath>

ShareAtTimeModel::ShareAtTimeModel(QObject *parent) : QObject(parent), m_menu(new VideoMenu(this)) {}

void ShareAtTimeModel::setPlayer(PlayerStore *player)
{
    if (assignAndNotify(this, m_player, player, &ShareAtTimeModel::playerChanged))
        m_menu->setPlayer(player);
}

const Video &ShareAtTimeModel::video() const { return m_menu->video(); }

void ShareAtTimeModel::setVideo(const Video &video)
{
    if (video == m_menu->video())
        return;
    m_menu->setVideo(video);
    emit videoChanged();
}

QList<MenuEntry> ShareAtTimeModel::entries() const
{
    const QString id = video().id;
    QList<MenuEntry> out;
    if (YouTubeLink::strictUrl(YouTubeLink::shortLink(id)).isValid())
        out << MenuEntry::button(QStringLiteral("share"), QStringLiteral("Compartir vídeo"), QStringLiteral("square.and.arrow.up"));
    if (YouTubeLink::strictUrl(YouTubeLink::shortLinkAt(id, m_menuTime)).isValid())
        out << MenuEntry::button(QStringLiteral("shareAtTime"), QStringLiteral("Compartir desde ") + Fmt::clock(m_menuTime),
                                 QStringLiteral("clock.arrow.circlepath"));
    out << MenuEntry::button(QStringLiteral("copyLink"), QStringLiteral("Copiar enlace"), QStringLiteral("link"));
    out << MenuEntry::button(QStringLiteral("openOnSite"), QStringLiteral("Abrir en YouTube"), QStringLiteral("arrow.up.right.square"));
    return out;
}

QVariantList ShareAtTimeModel::menuModel()
{
    m_menuTime = m_player ? m_player->currentTime() : 0;
    m_menuVideo = video().id;
    m_menu->markOpened();
    return MenuEntry::toModel(entries());
}

void ShareAtTimeModel::trigger(const QString &id)
{
    if (id == QLatin1String("shareAtTime")) {
        const QUrl url = YouTubeLink::strictUrl(YouTubeLink::shortLinkAt(m_menuVideo ? *m_menuVideo : video().id, m_menuTime));
        if (url.isValid())
            ShareSheet::shared().share(url);
        return;
    }
    // The others are the video menu's own items.
    m_menu->trigger(id);
}
