#include "PlayerOverlayModel.h"
#include "Preferences.h"

#include "Defaults.h"
#include "Store.h"
#include "PlayerStore.h"
#include "Pref.h"
#include "RoutePicker.h"

#include <QTimer>
#include <QVariantMap>

PlayerOverlayModel::PlayerOverlayModel(QObject *parent) : QObject(parent)
{
    m_hideTask = new QTimer(this);
    m_hideTask->setSingleShot(true);
    connect(m_hideTask, &QTimer::timeout, this, &PlayerOverlayModel::hideNow);
    connect(&Preferences::shared(), &Preferences::seekStepChanged, this, &PlayerOverlayModel::skipStepChanged);
}

void PlayerOverlayModel::setPlayer(PlayerStore *player)
{
    if (!follow(this, m_player, player))
        return;
    if (player) {
        connect(player, &PlayerStore::activeQualityChanged, this, &PlayerOverlayModel::qualityChanged);
        connect(player, &PlayerStore::detailChanged, this, &PlayerOverlayModel::qualityChanged);
        // The back stack only changes when another video starts.
        connect(player, &PlayerStore::currentChanged, this, &PlayerOverlayModel::playedChanged);
    }
    emit playerChanged();
    emit qualityChanged();
    emit playedChanged();
}

void PlayerOverlayModel::setShowControls(bool v)
{
    assignAndNotify(this, m_showControls, v, &PlayerOverlayModel::showControlsChanged);
}

void PlayerOverlayModel::setLocked(bool v) { assignAndNotify(this, m_locked, v, &PlayerOverlayModel::lockedChanged); }
void PlayerOverlayModel::setShowQueue(bool v) { assignAndNotify(this, m_showQueue, v, &PlayerOverlayModel::showQueueChanged); }
void PlayerOverlayModel::setShowStats(bool v) { assignAndNotify(this, m_showStats, v, &PlayerOverlayModel::showStatsChanged); }

void PlayerOverlayModel::setHideDelay(int ms)
{
    assignAndNotify(this, m_hideDelay, ms, &PlayerOverlayModel::hideDelayChanged);
}

bool PlayerOverlayModel::hidePending() const { return m_hideTask->isActive(); }

bool PlayerOverlayModel::hasPlayed() const { return m_player && !m_player->playedStack().isEmpty(); }

QString PlayerOverlayModel::qualityBadgeFor(qint64 quality)
{
    return quality == 0 ? QStringLiteral("Auto") : QString::number(quality) + QLatin1Char('p');
}

QString PlayerOverlayModel::qualityTitleFor(qint64 height)
{
    QString title = QString::number(height) + QLatin1Char('p');
    if (height >= 720)
        title += QStringLiteral(" HD");
    return title;
}

QString PlayerOverlayModel::qualityBadge() const
{
    return qualityBadgeFor(m_player ? m_player->activeQuality() : 0);
}

QList<MenuEntry> PlayerOverlayModel::qualityEntries() const
{
    const qint64 active = m_player ? m_player->activeQuality() : 0;
    auto option = [active](qint64 value, const QString &title) {
        return MenuEntry::choice(QString::number(value), title, value == active);
    };
    QList<MenuEntry> out{MenuEntry::text(QStringLiteral("title"), QStringLiteral("Calidad")),
                         option(0, QStringLiteral("Automática"))};
    if (m_player && m_player->detail())
        for (qint64 height : m_player->detail()->qualities)
            out.append(option(height, qualityTitleFor(height)));
    return out;
}

QVariantList PlayerOverlayModel::qualityMenu() const { return MenuEntry::toModel(qualityEntries()); }

QList<MenuEntry> PlayerOverlayModel::routeEntries()
{
    QList<MenuEntry> out;
    for (const QVariant &row : RoutePicker::shared().devices()) {
        const QVariantMap device = row.toMap();
        out.append(MenuEntry::choice(device.value(QStringLiteral("name")).toString(),
                                     device.value(QStringLiteral("title")).toString(),
                                     device.value(QStringLiteral("current")).toBool()));
    }
    return out;
}

QVariantList PlayerOverlayModel::routeMenu() const { return MenuEntry::toModel(routeEntries()); }

qint64 PlayerOverlayModel::skipStep()
{
    return std::max(Preferences::shared().seekStep(), minimumSkipStep);
}

void PlayerOverlayModel::scheduleHide()
{
    // Only the newest timer may hide the controls.
    m_hideTask->start(m_hideDelay);
    emit hidePendingChanged();
}

void PlayerOverlayModel::hideNow()
{
    emit hidePendingChanged();
    if (m_player && m_player->isPlaying() && !m_player->isScrubbing())
        setShowControls(false);
}

void PlayerOverlayModel::toggleControls()
{
    setShowControls(!m_showControls);
    if (m_showControls)
        scheduleHide();
}

void PlayerOverlayModel::unlock()
{
    setLocked(false);
    setShowControls(true);
    scheduleHide();
}

void PlayerOverlayModel::collapse()
{
    if (m_player)
        m_player->setPresented(false);
}

void PlayerOverlayModel::previous()
{
    if (m_player)
        m_player->playPrevious();
    scheduleHide();
}

void PlayerOverlayModel::skip(int direction)
{
    if (m_player)
        m_player->seek(m_player->player()->currentTime() + double(direction) * double(skipStep()));
    scheduleHide();
}

void PlayerOverlayModel::playPause()
{
    if (m_player)
        m_player->togglePlay();
    scheduleHide();
}

void PlayerOverlayModel::next()
{
    if (m_player)
        m_player->playNext();
    scheduleHide();
}
