#include "PlayerGestureModel.h"

#include "AudioSession.h"
#include "Haptics.h"
#include "Store.h"
#include "Screen.h"
#include "VolumeController.h"

#include <QGuiApplication>
#include <QStyleHints>
#include <QTimer>
#include <cmath>

namespace {

QTimer *singleShotTimer(QObject *owner, int ms)
{
    auto *t = new QTimer(owner);
    t->setSingleShot(true);
    t->setInterval(ms);
    return t;
}

} // namespace

PlayerGestureModel::PlayerGestureModel(QObject *parent)
    : QObject(parent), m_tapDelay(QGuiApplication::styleHints()->mouseDoubleClickInterval())
{
    m_singleTap = singleShotTimer(this, m_tapDelay);
    connect(m_singleTap, &QTimer::timeout, this, &PlayerGestureModel::singleTap);
    m_hold = singleShotTimer(this, holdMs);
    connect(m_hold, &QTimer::timeout, this, &PlayerGestureModel::held);
    m_hudTask = singleShotTimer(this, hudMs);
    connect(m_hudTask, &QTimer::timeout, this, [this] {
        assignAndNotify(this, m_hudShown, false, &PlayerGestureModel::hudShownChanged);
    });
}

PlayerGestureModel::~PlayerGestureModel()
{
    if (!m_player)
        return;
    if (m_dragMode == Seek)
        m_player->setIsScrubbing(false);
    if (m_pressed)
        m_player->boost(false);
}

void PlayerGestureModel::setPlayer(PlayerStore *player)
{
    assignAndNotify(this, m_player, player, &PlayerGestureModel::playerChanged);
}

void PlayerGestureModel::setOverlay(PlayerOverlayModel *overlay)
{
    assignAndNotify(this, m_overlay, overlay, &PlayerGestureModel::overlayChanged);
}

void PlayerGestureModel::setAreaWidth(double w) { assignAndNotify(this, m_areaWidth, w, &PlayerGestureModel::areaWidthChanged); }

void PlayerGestureModel::setTapDelay(int ms)
{
    m_singleTap->setInterval(ms);
    assignAndNotify(this, m_tapDelay, ms, &PlayerGestureModel::tapDelayChanged);
}

void PlayerGestureModel::setFlash(int side) { assignAndNotify(this, m_flash, side, &PlayerGestureModel::flashChanged); }
void PlayerGestureModel::setDragMode(int mode) { assignAndNotify(this, m_dragMode, mode, &PlayerGestureModel::dragModeChanged); }

PlayerGestureModel::DragMode PlayerGestureModel::decide(double dx, double dy, double startX, double width)
{
    if (std::abs(dx) > std::abs(dy) * dominance)
        return Seek;
    if (std::abs(dy) > std::abs(dx) * dominance)
        return startX < width / 2 ? Brightness : Volume;
    return Undecided;
}

double PlayerGestureModel::seekFactor(double duration) { return duration > 600 ? 0.5 : 0.18; }

double PlayerGestureModel::scrubTarget(double base, double dx, double duration)
{
    return std::max(std::min(base + dx * seekFactor(duration), duration), 0.0);
}

double PlayerGestureModel::verticalValue(double base, double dy)
{
    return std::clamp(base + dy / -verticalSpan, 0.0, 1.0);
}

QString PlayerGestureModel::volumeSymbol(double v)
{
    return v == 0 ? QStringLiteral("speaker.slash.fill") : QStringLiteral("speaker.wave.2.fill");
}

void PlayerGestureModel::tap(int side, int tapCount)
{
    if (tapCount % 2 == 1) {
        m_singleTap->start();
        return;
    }
    m_singleTap->stop();
    doubleTap(side);
}

void PlayerGestureModel::doubleTap(int side)
{
    if (locked() || !m_player)
        return;
    // Unlike the skip buttons, the controls' timer is left alone.
    m_player->seek(m_player->player()->currentTime() + double(side) * double(PlayerOverlayModel::skipStep()));
    Haptics::shared().light();
    setFlash(side);
    // A later double tap on the other side keeps its badge its full time.
    QTimer::singleShot(flashMs, this, [this, side] {
        if (m_flash == side)
            setFlash(0);
    });
}

void PlayerGestureModel::singleTap()
{
    if (m_overlay)
        m_overlay->toggleControls();
}

void PlayerGestureModel::press(double x, double y)
{
    m_pressed = true;
    m_pressAt = QPointF(x, y);
    m_hold->start();
}

void PlayerGestureModel::move(double x, double y)
{
    if (m_hold->isActive() && std::hypot(x - m_pressAt.x(), y - m_pressAt.y()) > holdSlop)
        m_hold->stop();
}

void PlayerGestureModel::held()
{
    if (!locked() && m_player)
        m_player->boost(true);
}

void PlayerGestureModel::release()
{
    m_hold->stop();
    if (!m_pressed)
        return;
    m_pressed = false;
    if (m_player)
        m_player->boost(false);
}

void PlayerGestureModel::pan(double startX, double dx, double dy)
{
    if (locked() || !m_player)
        return;
    if (!m_panning && std::hypot(dx, dy) < panDistance)
        return;
    m_panning = true;
    if (m_dragMode == Undecided) {
        const DragMode mode = decide(dx, dy, startX, m_areaWidth);
        if (mode == Seek) {
            m_dragBase = m_player->currentTime();
            m_player->setIsScrubbing(true);
        } else if (mode == Brightness) {
            m_dragBase = Screen::shared().brightness();
        } else if (mode == Volume) {
            m_dragBase = AudioSession::shared().outputVolume();
        }
        setDragMode(mode);
    }
    switch (m_dragMode) {
    case Volume: {
        const double v = verticalValue(m_dragBase, dy);
        VolumeController::set(v);
        showHud(volumeSymbol(v), v);
        break;
    }
    case Brightness: {
        const double v = verticalValue(m_dragBase, dy);
        Screen::shared().setBrightness(v);
        showHud(QStringLiteral("sun.max.fill"), v);
        break;
    }
    case Seek: {
        const double duration = m_player->duration();
        // Without a length there is nowhere to go: the position stays.
        if (!(duration > 0)) {
            showHud(QStringLiteral("backward.end.alt.fill"), 0);
            break;
        }
        const double t = scrubTarget(m_dragBase, dx, duration);
        showHud(QStringLiteral("backward.end.alt.fill"), t / duration);
        m_player->setCurrentTime(t);
        break;
    }
    default:
        break;
    }
}

void PlayerGestureModel::endPan()
{
    if (m_dragMode == Seek && m_player) {
        if (m_player->duration() > 0)
            m_player->seek(m_player->currentTime());
        m_player->setIsScrubbing(false);
    }
    m_panning = false;
    setDragMode(Undecided);
}

void PlayerGestureModel::cancelPan()
{
    if (m_dragMode == Seek && m_player)
        m_player->setIsScrubbing(false);
    m_panning = false;
    setDragMode(Undecided);
}

void PlayerGestureModel::endPinch()
{
    const bool fill = m_pinchScale > 1.0;
    m_pinchScale = 1;
    if (!m_player)
        return;
    if (fill == m_player->fillScreen())
        return;
    Haptics::shared().light();
    m_player->setFillScreen(fill);
}

void PlayerGestureModel::showHud(const QString &symbol, double value)
{
    assignAndNotify(this, m_hud.symbol, symbol, &PlayerGestureModel::hudSymbolChanged);
    assignAndNotify(this, m_hud.value, std::clamp(value, 0.0, 1.0), &PlayerGestureModel::hudValueChanged);
    assignAndNotify(this, m_hudShown, true, &PlayerGestureModel::hudShownChanged);
    m_hudTask->start();
}
