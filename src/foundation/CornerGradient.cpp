#include "CornerGradient.h"
#include "Store.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QQuickWindow>
#include <QSGGeometryNode>
#include <QSGImageNode>
#include <QSGRendererInterface>
#include <QSGVertexColorMaterial>
#include <QtMath>
#include <algorithm>

CornerGradient::CornerGradient(QQuickItem *parent) : QQuickItem(parent)
{
    setFlag(ItemHasContents);
}

void CornerGradient::setFrom(const QColor &color)
{
    if (assignAndNotify(this, m_from, color, &CornerGradient::fromChanged))
        update();
}

void CornerGradient::setTo(const QColor &color)
{
    if (assignAndNotify(this, m_to, color, &CornerGradient::toChanged))
        update();
}

void CornerGradient::setRadius(qreal radius)
{
    if (assignAndNotify(this, m_radius, radius, &CornerGradient::radiusChanged))
        update();
}

void CornerGradient::geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry)
{
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size())
        update();
}

QList<CornerGradient::Vertex> CornerGradient::outline(QSizeF size, qreal radius, const QColor &from, const QColor &to)
{
    const qreal w = size.width(), h = size.height();
    QList<Vertex> out;
    if (w <= 0 || h <= 0)
        return out;
    const qreal r = std::clamp(radius, 0.0, std::min(w, h) / 2);
    const qreal length2 = w * w + h * h;
    auto at = [&](qreal x, qreal y) {
        const qreal t = std::clamp((x * w + y * h) / length2, 0.0, 1.0);
        const QColor c = QColor::fromRgbF(from.redF() + (to.redF() - from.redF()) * t,
                                          from.greenF() + (to.greenF() - from.greenF()) * t,
                                          from.blueF() + (to.blueF() - from.blueF()) * t,
                                          from.alphaF() + (to.alphaF() - from.alphaF()) * t);
        out.append({float(x), float(y), c});
    };
    at(w / 2, h / 2);
    // Fine enough that no chord strays half a pixel from its arc.
    const int steps = r > 0 ? std::max(2, int(std::ceil(M_PI_2 * r / 3))) : 0;
    const struct { qreal cx, cy, start; } corners[] = {
        {w - r, r, -M_PI_2}, {w - r, h - r, 0}, {r, h - r, M_PI_2}, {r, r, M_PI}};
    for (const auto &c : corners) {
        for (int i = 0; i <= steps; ++i) {
            const qreal a = c.start + M_PI_2 * i / std::max(1, steps);
            at(c.cx + r * std::cos(a), c.cy + r * std::sin(a));
        }
    }
    return out;
}

// The software renderer draws no geometry of ours: a picture instead.
static QSGNode *paintedNode(QQuickWindow *window, QSGNode *old, QSizeF size, qreal radius, const QColor &from,
                            const QColor &to)
{
    if (size.width() <= 0 || size.height() <= 0) {
        delete old;
        return nullptr;
    }
    const qreal dpr = window->effectiveDevicePixelRatio();
    QImage picture((size * dpr).toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(dpr);
    picture.fill(Qt::transparent);
    {
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient fill(0, 0, size.width(), size.height());
        fill.setColorAt(0, from);
        fill.setColorAt(1, to);
        const qreal r = std::clamp(radius, 0.0, std::min(size.width(), size.height()) / 2);
        QPainterPath path;
        path.addRoundedRect(QRectF(QPointF(), size), r, r);
        p.fillPath(path, fill);
    }
    // A node of its own each time: it takes its picture with it when it goes.
    delete old;
    QSGImageNode *node = window->createImageNode();
    node->setOwnsTexture(true);
    node->setTexture(window->createTextureFromImage(picture));
    node->setRect(QRectF(QPointF(), size));
    return node;
}

QSGNode *CornerGradient::updatePaintNode(QSGNode *old, UpdatePaintNodeData *)
{
    if (window()->rendererInterface()->graphicsApi() == QSGRendererInterface::Software)
        return paintedNode(window(), old, size(), m_radius, m_from, m_to);
    const QList<Vertex> vertices = outline(size(), m_radius, m_from, m_to);
    if (vertices.size() < 4) {
        delete old;
        return nullptr;
    }
    auto *node = static_cast<QSGGeometryNode *>(old);
    if (!node) {
        node = new QSGGeometryNode;
        node->setMaterial(new QSGVertexColorMaterial);
        node->setFlag(QSGNode::OwnsMaterial);
        node->setFlag(QSGNode::OwnsGeometry);
    }
    const int ring = int(vertices.size()) - 1;
    auto *geometry = node->geometry();
    if (!geometry || geometry->vertexCount() != int(vertices.size())) {
        geometry = new QSGGeometry(QSGGeometry::defaultAttributes_ColoredPoint2D(), int(vertices.size()), ring * 3,
                                   QSGGeometry::UnsignedShortType);
        geometry->setDrawingMode(QSGGeometry::DrawTriangles);
        node->setGeometry(geometry);
    }
    QSGGeometry::ColoredPoint2D *points = geometry->vertexDataAsColoredPoint2D();
    for (int i = 0; i < vertices.size(); ++i) {
        const Vertex &v = vertices.at(i);
        const qreal a = v.color.alphaF();
        // The material takes premultiplied colours.
        points[i].set(v.x, v.y, uchar(qRound(v.color.redF() * a * 255)), uchar(qRound(v.color.greenF() * a * 255)),
                      uchar(qRound(v.color.blueF() * a * 255)), uchar(qRound(a * 255)));
    }
    quint16 *indices = geometry->indexDataAsUShort();
    for (int i = 0; i < ring; ++i) {
        indices[i * 3] = 0;
        indices[i * 3 + 1] = quint16(1 + i);
        indices[i * 3 + 2] = quint16(1 + (i + 1) % ring);
    }
    node->markDirty(QSGNode::DirtyGeometry);
    return node;
}
