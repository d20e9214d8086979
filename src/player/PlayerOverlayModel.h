#pragma once
#include "MenuEntry.h"
#include "PlayerStore.h"

#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

class QTimer;

// The player sheet's own state over the store: whether the overlay controls
// are up, the control lock, the auto-hide timer, and the transport actions
// with their skip step. The controls hide 3.5 s after the last action only
// while a video plays and nobody scrubs, so a paused player keeps them up.
class PlayerOverlayModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(PlayerStore *player READ player WRITE setPlayer NOTIFY playerChanged)
    Q_PROPERTY(bool showControls READ showControls WRITE setShowControls NOTIFY showControlsChanged)
    Q_PROPERTY(bool locked READ locked WRITE setLocked NOTIFY lockedChanged)
    // The queue sheet and the statistics overlay, opened from the options menu.
    Q_PROPERTY(bool showQueue READ showQueue WRITE setShowQueue NOTIFY showQueueChanged)
    Q_PROPERTY(bool showStats READ showStats WRITE setShowStats NOTIFY showStatsChanged)
    Q_PROPERTY(int hideDelay READ hideDelay WRITE setHideDelay NOTIFY hideDelayChanged)
    Q_PROPERTY(bool hidePending READ hidePending NOTIFY hidePendingChanged)
    Q_PROPERTY(bool hasPlayed READ hasPlayed NOTIFY playedChanged)
    Q_PROPERTY(QString qualityBadge READ qualityBadge NOTIFY qualityChanged)
    Q_PROPERTY(qint64 skipStep READ skipStep NOTIFY skipStepChanged)

public:
    static constexpr int defaultHideDelay = 3500;
    static constexpr qint64 minimumSkipStep = 5;

    explicit PlayerOverlayModel(QObject *parent = nullptr);

    PlayerStore *player() const { return m_player; }
    void setPlayer(PlayerStore *player);
    bool showControls() const { return m_showControls; }
    void setShowControls(bool v);
    bool locked() const { return m_locked; }
    void setLocked(bool v);
    bool showQueue() const { return m_showQueue; }
    void setShowQueue(bool v);
    bool showStats() const { return m_showStats; }
    void setShowStats(bool v);
    int hideDelay() const { return m_hideDelay; }
    void setHideDelay(int ms);
    bool hidePending() const;
    // Some video was played before this one (the back stack is not empty).
    bool hasPlayed() const;

    // "Auto" for automatic, else the height with "p" ("720p").
    QString qualityBadge() const;
    // The quality menu: "Calidad", then "Automática" (id "0") and the
    // video's heights (id the height); the one in use carries the mark.
    QList<MenuEntry> qualityEntries() const;
    Q_INVOKABLE QVariantList qualityMenu() const;
    static QString qualityBadgeFor(qint64 quality);
    static QString qualityTitleFor(qint64 height);
    // The audio output menu: the outputs the engine lists, in its order (id
    // the device name); the one in use carries the mark.
    static QList<MenuEntry> routeEntries();
    Q_INVOKABLE QVariantList routeMenu() const;

    // The larger of the seek step setting and 5 seconds.
    static qint64 skipStep();

    // Restarts the auto-hide timer.
    Q_INVOKABLE void scheduleHide();
    // A single tap on the video: shows or hides the controls; shown, they
    // hide again by themselves.
    Q_INVOKABLE void toggleControls();
    Q_INVOKABLE void unlock();
    // Back to the mini player, with the portrait lock.
    Q_INVOKABLE void collapse();

    // Transport; each restarts the timer. The buttons give the haptic.
    Q_INVOKABLE void previous();
    // -1 back, 1 forward, by the skip step from the engine's own time.
    Q_INVOKABLE void skip(int direction);
    Q_INVOKABLE void playPause();
    Q_INVOKABLE void next();

signals:
    void playerChanged();
    void showControlsChanged();
    void lockedChanged();
    void showQueueChanged();
    void showStatsChanged();
    void hideDelayChanged();
    void hidePendingChanged();
    void playedChanged();
    void qualityChanged();
    void skipStepChanged();

private:
    void hideNow();

    QPointer<PlayerStore> m_player;
    bool m_showControls = true;
    bool m_locked = false;
    bool m_showQueue = false;
    bool m_showStats = false;
    int m_hideDelay = defaultHideDelay;
    QTimer *m_hideTask = nullptr;
};
