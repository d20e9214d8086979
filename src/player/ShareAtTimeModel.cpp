#include "ShareAtTimeModel.h"
#include "Store.h"

#include "Fmt.h"
#include "ShareSheet.h"
#include "VideoMenu.h"

#include <QVariantMap>
#include <cmath>

namespace {

QUrl strictUrl(const QString &text) { return QUrl(text, QUrl::StrictMode); }

QVariantMap item(const QString &id, const QString &label, const QString &symbol)
{
    return {{QStringLiteral("id"), id}, {QStringLiteral("label"), label}, {QStringLiteral("symbol"), symbol}};
}

} // namespace

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

QString ShareAtTimeModel::linkAt(const QString &videoId, double seconds)
{
    const qint64 whole = std::isfinite(seconds) && seconds > 0 ? qint64(seconds) : 0;
    return VideoMenu::shortLink(videoId) + QStringLiteral("?t=") + QString::number(whole);
}

QVariantList ShareAtTimeModel::menuModel()
{
    m_menuTime = m_player ? m_player->currentTime() : 0;
    const QString id = video().id;
    QVariantList out;
    if (strictUrl(VideoMenu::shortLink(id)).isValid())
        out << item(QStringLiteral("share"), QStringLiteral("Compartir vídeo"), QStringLiteral("square.and.arrow.up"));
    if (strictUrl(linkAt(id, m_menuTime)).isValid())
        out << item(QStringLiteral("shareAtTime"), QStringLiteral("Compartir desde ") + Fmt::clock(m_menuTime),
                    QStringLiteral("clock.arrow.circlepath"));
    out << item(QStringLiteral("copyLink"), QStringLiteral("Copiar enlace"), QStringLiteral("link"));
    out << item(QStringLiteral("openOnSite"), QStringLiteral("Abrir en YouTube"), QStringLiteral("arrow.up.right.square"));
    return out;
}

void ShareAtTimeModel::trigger(const QString &id)
{
    if (id == QLatin1String("shareAtTime")) {
        const QUrl url = strictUrl(linkAt(video().id, m_menuTime));
        if (url.isValid())
            ShareSheet::shared().share(url);
        return;
    }
    // The others are the video menu's own items.
    m_menu->trigger(id);
}
