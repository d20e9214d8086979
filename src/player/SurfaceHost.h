#pragma once
#include "VideoSurface.h"

#include <QPointer>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

// A place that shows the player's one video surface. The surface is a single
// item, so it is never copied: the host that is active takes it in as its
// child, at its full size and with its fill mode. An inactive host never holds
// it and shows only what lies behind (the callers put black there).
//
// Hand-over: a host takes the surface when it becomes active, when it is made
// active, and when its surface or fill mode is set while active (the last one
// wins). A host that stops being active, or goes away, while holding the
// surface passes it to the most recently activated host that is still active;
// with none left the surface is set aside, parentless.
class SurfaceHost : public QQuickItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(VideoSurface *surface READ surface WRITE setSurface NOTIFY surfaceChanged)
    Q_PROPERTY(bool active READ isActive WRITE setActive NOTIFY activeChanged)
    Q_PROPERTY(VideoSurface::FillMode fillMode READ fillMode WRITE setFillMode NOTIFY fillModeChanged)
    Q_PROPERTY(bool holding READ holding NOTIFY holdingChanged)

public:
    explicit SurfaceHost(QQuickItem *parent = nullptr);
    ~SurfaceHost() override;

    VideoSurface *surface() const { return m_surface; }
    void setSurface(VideoSurface *surface);
    bool isActive() const { return m_active; }
    void setActive(bool active);
    VideoSurface::FillMode fillMode() const { return m_fillMode; }
    void setFillMode(VideoSurface::FillMode mode);
    // The surface is this host's child now.
    bool holding() const;

signals:
    void surfaceChanged();
    void activeChanged();
    void fillModeChanged();
    void holdingChanged();

protected:
    void componentComplete() override;
    void geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry) override;

private:
    void claim();
    void handOver();
    void fit();
    void watch(VideoSurface *surface);
    void noteHolding();

    QPointer<VideoSurface> m_surface;
    bool m_active = false;
    VideoSurface::FillMode m_fillMode = VideoSurface::AspectFit;
    bool m_wasHolding = false;
    quint64 m_activatedAt = 0;
    QMetaObject::Connection m_parentWatch;
};
