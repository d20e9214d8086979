#include "AvatarDisc.h"
#include "Store.h"

#include <QLinearGradient>
#include <QPainter>

AvatarDisc::AvatarDisc(QQuickItem *parent) : QQuickPaintedItem(parent) {}

void AvatarDisc::setTint(const QColor &tint)
{
    if (assignAndNotify(this, m_tint, tint, &AvatarDisc::tintChanged))
        update();
}

void AvatarDisc::paint(QPainter *p)
{
    const QRectF area(0, 0, width(), height());
    QColor light = m_tint;
    light.setAlphaF(0.65f);
    QLinearGradient gradient(area.topLeft(), area.bottomRight());
    gradient.setColorAt(0, m_tint);
    gradient.setColorAt(1, light);
    p->setRenderHint(QPainter::Antialiasing);
    p->setPen(Qt::NoPen);
    p->setBrush(gradient);
    p->drawEllipse(area);
}
