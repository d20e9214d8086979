#include "TimelineModel.h"

#include "Fmt.h"
#include "Store.h"
#include "Orientation.h"
#include "PlayerStore.h"

TimelineModel::TimelineModel(QObject *parent) : QObject(parent) {}

TimelineModel::~TimelineModel()
{
    if (m_scrubValue && m_player)
        m_player->setIsScrubbing(false);
}

void TimelineModel::setPlayer(PlayerStore *player)
{
    if (!follow(this, m_player, player))
        return;
    if (player) {
        connect(player, &PlayerStore::currentTimeChanged, this, &TimelineModel::clockMoved);
        connect(player, &PlayerStore::durationChanged, this, &TimelineModel::clockMoved);
        connect(player, &PlayerStore::detailChanged, this, &TimelineModel::clockMoved);
    }
    emit playerChanged();
    emit clockChanged();
}

void TimelineModel::setLandscape(bool v) { assignAndNotify(this, m_landscape, v, &TimelineModel::landscapeChanged); }

void TimelineModel::setShown(bool v)
{
    if (!assignAndNotify(this, m_shown, v, &TimelineModel::shownChanged) || !v || !m_stale)
        return;
    m_stale = false;
    emit clockChanged();
}

void TimelineModel::clockMoved()
{
    if (m_shown)
        emit clockChanged();
    else
        m_stale = true;
}

std::optional<QString> TimelineModel::chapterAt(const QList<Chapter> &chapters, double time)
{
    for (auto it = chapters.crbegin(); it != chapters.crend(); ++it)
        if (double(it->start) <= time)
            return it->title;
    return std::nullopt;
}

QString TimelineModel::remainingFor(double currentTime, double duration)
{
    const double left = duration - currentTime;
    return QStringLiteral("-") + Fmt::clock(left > 0 ? left : 0);
}

std::optional<QString> TimelineModel::chapter() const
{
    if (!m_player || !m_player->detail())
        return std::nullopt;
    return chapterAt(m_player->detail()->chapters, m_player->currentTime());
}

QVariant TimelineModel::chapterValue() const
{
    const std::optional<QString> c = chapter();
    return c ? QVariant(*c) : QVariant();
}

QString TimelineModel::elapsed() const { return Fmt::clock(m_player ? m_player->currentTime() : 0); }

QString TimelineModel::remaining() const
{
    return m_player ? remainingFor(m_player->currentTime(), m_player->duration()) : remainingFor(0, 0);
}

QString TimelineModel::scrubText() const { return m_scrubValue ? Fmt::clock(*m_scrubValue) : QString(); }

QString TimelineModel::fullScreenSymbol() const
{
    return m_landscape ? QStringLiteral("arrow.down.right.and.arrow.up.left")
                       : QStringLiteral("arrow.up.left.and.arrow.down.right");
}

QString TimelineModel::fullScreenLabel() const
{
    return m_landscape ? QStringLiteral("Salir de pantalla completa") : QStringLiteral("Pantalla completa");
}

void TimelineModel::setScrubValue(std::optional<double> v)
{
    assignAndNotify(this, m_scrubValue, v, &TimelineModel::scrubValueChanged);
}

void TimelineModel::scrub(double t)
{
    if (m_player)
        m_player->setIsScrubbing(true);
    setScrubValue(t);
}

void TimelineModel::commit(double t)
{
    if (m_player) {
        m_player->seek(t);
        m_player->setIsScrubbing(false);
    }
    setScrubValue(std::nullopt);
    emit interacted();
}

void TimelineModel::cancel()
{
    if (m_player)
        m_player->setIsScrubbing(false);
    setScrubValue(std::nullopt);
}

void TimelineModel::toggleFullScreen()
{
    if (m_landscape)
        Orientation::exitLandscape(true);
    else
        Orientation::set(Orientation::Landscape);
}
