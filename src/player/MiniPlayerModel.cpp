#include "MiniPlayerModel.h"

#include "Haptics.h"
#include "Store.h"
#include "PlayerStore.h"

#include <cmath>

MiniPlayerModel::MiniPlayerModel(QObject *parent) : QObject(parent) {}

void MiniPlayerModel::setPlayer(PlayerStore *player)
{
    if (!follow(this, m_player, player))
        return;
    if (player) {
        connect(player, &PlayerStore::currentTimeChanged, this, &MiniPlayerModel::progressChanged);
        connect(player, &PlayerStore::durationChanged, this, &MiniPlayerModel::progressChanged);
        connect(player, &PlayerStore::queueChanged, this, &MiniPlayerModel::hasNextChanged);
    }
    emit playerChanged();
    emit progressChanged();
    emit hasNextChanged();
}

double MiniPlayerModel::progressValue() const
{
    return m_player ? progress(m_player->currentTime(), m_player->duration()) : 0;
}

bool MiniPlayerModel::hasNext() const { return m_player && !m_player->queue().isEmpty(); }

double MiniPlayerModel::opacityFor(double dragX) { return 1.0 - std::min(std::abs(dragX) / 300.0, 0.6); }

double MiniPlayerModel::progress(double currentTime, double duration)
{
    if (!(duration > 0) || !std::isfinite(currentTime))
        return 0;
    return std::clamp(currentTime / duration, 0.0, 1.0);
}

QList<QPointF> MiniPlayerModel::progressOutline(double width, double height, double radius, double fill)
{
    // Where a corner meets the line's top (x0) and bottom (x1) edges.
    double x0 = 0, x1 = 0;
    if (radius > height && height > 0) {
        x0 = radius - std::sqrt(radius * radius - (radius - height) * (radius - height));
        x1 = radius;
    }
    const double right0 = width - x0, right1 = width - x1;
    const double c = std::min(fill, right0);
    if (!(c > x0) || !(height > 0))
        return {};
    // x of the left and right ends at height y (0 top, `height` bottom).
    auto yAtLeft = [&](double x) { return x1 > x0 ? (x - x0) / (x1 - x0) * height : height; };
    auto yAtRight = [&](double x) { return x1 > x0 ? (right0 - x) / (x1 - x0) * height : height; };
    QList<QPointF> out{{x0, 0}, {c, 0}};
    if (c < x1) {
        out.append({c, yAtLeft(c)});
    } else if (c < right1) {
        out.append({c, height});
        out.append({x1, height});
    } else {
        if (c < right0)
            out.append({c, yAtRight(c)});
        out.append({right1, height});
        out.append({x1, height});
    }
    out.append({x0, 0});
    return out;
}

void MiniPlayerModel::press()
{
    m_pressed = true;
    setSpringingBack(false);
}

void MiniPlayerModel::move(double dx, double dy)
{
    if (!m_pressed)
        return;
    if (!m_dragging && std::hypot(dx, dy) >= dragStartDistance)
        setDragging(true);
    // Only the sideways part moves the bar.
    if (m_dragging)
        setDragX(dx);
}

void MiniPlayerModel::release(double dx, double dy)
{
    if (!m_pressed)
        return;
    move(dx, dy);
    m_pressed = false;
    if (m_dragging) {
        setDragging(false);
        endDrag(dx);
        return;
    }
    tap();
}

void MiniPlayerModel::cancel()
{
    const bool wasDragging = m_dragging;
    m_pressed = false;
    setDragging(false);
    if (wasDragging) {
        setSpringingBack(true);
        setDragX(0);
    }
}

void MiniPlayerModel::endDrag(double w)
{
    if (std::abs(w) > dismissDistance) {
        Haptics::shared().light();
        if (m_player)
            m_player->stop();
        setSpringingBack(false);
        setDragX(0);
        return;
    }
    setSpringingBack(true);
    setDragX(0);
}

void MiniPlayerModel::tap()
{
    if (m_player)
        m_player->setPresented(true);
}

void MiniPlayerModel::togglePlay()
{
    Haptics::shared().light();
    if (m_player)
        m_player->togglePlay();
}

void MiniPlayerModel::nextOrClose()
{
    if (!m_player)
        return;
    if (hasNext())
        m_player->playNext();
    else
        m_player->stop();
}

void MiniPlayerModel::setDragX(double v) { assignAndNotify(this, m_dragX, v, &MiniPlayerModel::dragXChanged); }

void MiniPlayerModel::setDragging(bool v) { assignAndNotify(this, m_dragging, v, &MiniPlayerModel::draggingChanged); }

void MiniPlayerModel::setSpringingBack(bool v)
{
    assignAndNotify(this, m_springingBack, v, &MiniPlayerModel::springingBackChanged);
}
