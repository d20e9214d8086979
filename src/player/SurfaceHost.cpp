#include "SurfaceHost.h"
#include "Store.h"

#include <QList>

namespace {

// Every live host, so one that lets go can find who takes over.
QList<SurfaceHost *> &liveHosts()
{
    static QList<SurfaceHost *> hosts;
    return hosts;
}

quint64 nextActivation()
{
    static quint64 n = 0;
    return ++n;
}

} // namespace

SurfaceHost::SurfaceHost(QQuickItem *parent) : QQuickItem(parent)
{
    liveHosts().append(this);
}

SurfaceHost::~SurfaceHost()
{
    liveHosts().removeOne(this);
    disconnect(m_parentWatch);
    if (holding())
        handOver();
}

bool SurfaceHost::holding() const { return m_surface && m_surface->parentItem() == this; }

void SurfaceHost::setSurface(VideoSurface *surface)
{
    if (surface == m_surface)
        return;
    if (holding())
        handOver();
    m_surface = surface;
    watch(surface);
    emit surfaceChanged();
    if (m_active)
        claim();
    noteHolding();
}

void SurfaceHost::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    if (active)
        m_activatedAt = nextActivation();
    emit activeChanged();
    if (active)
        claim();
    else if (holding())
        handOver();
}

void SurfaceHost::setFillMode(VideoSurface::FillMode mode)
{
    if (!assignAndNotify(this, m_fillMode, mode, &SurfaceHost::fillModeChanged))
        return;
    if (m_active)
        claim();
}

void SurfaceHost::componentComplete()
{
    QQuickItem::componentComplete();
    if (m_active)
        claim();
}

void SurfaceHost::claim()
{
    // Bindings set the properties one by one while the item is made; it
    // takes the surface once, when they are all in.
    if (!isComponentComplete() || !m_surface || !m_active)
        return;
    if (m_surface->parentItem() != this)
        m_surface->setParentItem(this);
    m_surface->setFillMode(m_fillMode);
    fit();
}

void SurfaceHost::handOver()
{
    VideoSurface *surface = m_surface;
    if (!surface)
        return;
    SurfaceHost *next = nullptr;
    for (SurfaceHost *h : std::as_const(liveHosts()))
        if (h != this && h->m_surface == surface && h->m_active && h->isComponentComplete() &&
            (!next || h->m_activatedAt > next->m_activatedAt))
            next = h;
    if (next)
        next->claim();
    else
        surface->setParentItem(nullptr);
}

void SurfaceHost::fit()
{
    if (!holding())
        return;
    m_surface->setPosition(QPointF(0, 0));
    m_surface->setSize(size());
}

void SurfaceHost::geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry)
{
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size())
        fit();
}

void SurfaceHost::watch(VideoSurface *surface)
{
    disconnect(m_parentWatch);
    if (surface)
        m_parentWatch = connect(surface, &QQuickItem::parentChanged, this, &SurfaceHost::noteHolding);
}

void SurfaceHost::noteHolding()
{
    assignAndNotify(this, m_wasHolding, holding(), &SurfaceHost::holdingChanged);
}
