#pragma once
#include "PlayerStore.h"

#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

// The rules of the docked mini player: a tap opens the full player, a
// sideways drag beyond 110 stops playback (the bar fades as it is dragged),
// a shorter one springs back.
class MiniPlayerModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(PlayerStore *player READ player WRITE setPlayer NOTIFY playerChanged)
    Q_PROPERTY(double dragX READ dragX NOTIFY dragXChanged)
    Q_PROPERTY(double opacity READ opacity NOTIFY dragXChanged)
    Q_PROPERTY(bool dragging READ dragging NOTIFY draggingChanged)
    // Set while dragX goes back to 0 after a short drag, so the view springs.
    Q_PROPERTY(bool springingBack READ springingBack NOTIFY springingBackChanged)
    // The share of the video played, for the progress line.
    Q_PROPERTY(double progress READ progressValue NOTIFY progressChanged)
    // The trailing button plays the next queued video, else closes the player.
    Q_PROPERTY(bool hasNext READ hasNext NOTIFY hasNextChanged)

public:
    static constexpr double dismissDistance = 110;
    static constexpr double dragStartDistance = 24;

    explicit MiniPlayerModel(QObject *parent = nullptr);

    PlayerStore *player() const { return m_player; }
    void setPlayer(PlayerStore *player);
    double dragX() const { return m_dragX; }
    double opacity() const { return opacityFor(m_dragX); }
    bool dragging() const { return m_dragging; }
    bool springingBack() const { return m_springingBack; }
    double progressValue() const;
    bool hasNext() const;

    // 1 at rest, fading with the drag to 0.4 from 180 on.
    static double opacityFor(double dragX);
    // The share of the video played, 0 … 1; 0 while the length is unknown.
    static double progress(double currentTime, double duration);
    // The outline of the progress line's first `fill` points, for a line
    // `width` × `height` that sits in bottom corners of `radius`: its ends
    // follow the corners (straightened over the line's small height).
    // Empty when nothing is filled.
    Q_INVOKABLE static QList<QPointF> progressOutline(double width, double height, double radius, double fill);

    // A touch on the bar, in its own coordinates relative to where it went
    // down. A press that never travels the drag distance is a tap.
    Q_INVOKABLE void press();
    Q_INVOKABLE void move(double dx, double dy);
    Q_INVOKABLE void release(double dx, double dy);
    Q_INVOKABLE void cancel();

    Q_INVOKABLE void tap();
    Q_INVOKABLE void togglePlay();
    // The trailing button.
    Q_INVOKABLE void nextOrClose();

signals:
    void playerChanged();
    void dragXChanged();
    void draggingChanged();
    void springingBackChanged();
    void progressChanged();
    void hasNextChanged();

private:
    void setDragX(double v);
    void setDragging(bool v);
    void setSpringingBack(bool v);
    void endDrag(double w);

    QPointer<PlayerStore> m_player;
    double m_dragX = 0;
    bool m_dragging = false;
    bool m_pressed = false;
    bool m_springingBack = false;
};
