#include "ShadowText.h"
#include "Blur.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QQuickWindow>
#include <QSGImageNode>
#include <cmath>

ShadowText::ShadowText(QQuickItem *parent) : QQuickItem(parent)
{
    setFlag(ItemHasContents);
    relayout();
}

void ShadowText::relayout()
{
    const QFontMetricsF metrics(m_font);
    setImplicitSize(std::ceil(metrics.horizontalAdvance(m_text)), std::ceil(metrics.height()));
    m_dirty = true;
    update();
    emit changed();
}

QSGNode *ShadowText::updatePaintNode(QSGNode *old, UpdatePaintNodeData *)
{
    auto *node = static_cast<QSGImageNode *>(old);
    if (m_text.isEmpty() || !window()) {
        delete node;
        return nullptr;
    }
    const qreal margin = std::ceil(2 * m_shadowRadius);
    const QSizeF box(implicitWidth() + 2 * margin, implicitHeight() + 2 * margin);
    if (!node) {
        node = window()->createImageNode();
        node->setOwnsTexture(true);
        m_dirty = true;
    }
    if (m_dirty) {
        const qreal ratio = window()->effectiveDevicePixelRatio();
        QImage picture((box * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        {
            QPainter p(&picture);
            p.setRenderHint(QPainter::TextAntialiasing);
            p.scale(ratio, ratio);
            p.setFont(m_font);
            p.setPen(m_color);
            p.drawText(QPointF(margin, margin + QFontMetricsF(m_font).ascent()), m_text);
        }
        picture = Blur::withShadow(picture, m_shadowRadius * ratio, m_shadowColor);
        node->setTexture(window()->createTextureFromImage(picture));
        m_dirty = false;
    }
    // Centred on the text as laid out, whatever size the item was given.
    node->setRect(QRectF(QPointF((width() - box.width()) / 2, (height() - box.height()) / 2), box));
    return node;
}
