#include "AppMark.h"
#include "Theme.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <array>

namespace {

// (column, row) of each tile: columns of 5, 4, 3, 2 and 1 tiles, centred.
constexpr std::array<std::array<qreal, 2>, AppMark::tileCount> kTiles{{
    {0, -2}, {0, -1}, {0, 0}, {0, 1}, {0, 2},
    {1, -1.5}, {1, -0.5}, {1, 0.5}, {1, 1.5},
    {2, -1}, {2, 0}, {2, 1},
    {3, -0.5}, {3, 0.5},
    {4, 0},
}};

void fillRounded(QPainter *p, const QRectF &r, qreal radius, const QBrush &brush)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    p->fillPath(path, brush);
}

} // namespace

AppMark::AppMark(QQuickItem *parent) : QQuickPaintedItem(parent)
{
    setImplicitSize(m_size, m_size);
    setWidth(m_size);
    setHeight(m_size);
}

void AppMark::setSize(qreal size)
{
    if (qFuzzyCompare(size, m_size) || size < 0)
        return;
    m_size = size;
    setImplicitSize(size, size);
    setWidth(size);
    setHeight(size);
    update();
    emit sizeChanged();
}

QRectF AppMark::tileRect(qreal size, int index)
{
    const auto &[column, row] = kTiles.at(size_t(index));
    const qreal rowStep = 0.134 * size;
    const qreal columnStep = 0.866 * rowStep;
    const qreal side = 0.104 * size;
    const QPointF centre(size / 2 + 0.006 * size + (column - 2) * columnStep, size / 2 + row * rowStep);
    return QRectF(centre.x() - side / 2, centre.y() - side / 2, side, side);
}

qreal AppMark::tileRadius(qreal size) { return 0.32 * 0.104 * size; }

void AppMark::paint(QPainter *p)
{
    const qreal s = m_size;
    if (s <= 0)
        return;
    p->setRenderHint(QPainter::Antialiasing);
    p->scale(width() / s, height() / s);

    QLinearGradient background(0, 0, s, s);
    background.setColorAt(0, Theme::markLight());
    background.setColorAt(0.5, Theme::markMiddle());
    background.setColorAt(1, Theme::markDeep());
    fillRounded(p, QRectF(0, 0, s, s), cornerRadius(), background);

    const qreal radius = tileRadius(s);
    const qreal blur = 0.012 * s;  // two soft layers stand in for a blurred shadow
    const qreal drop = 0.01 * s;
    for (int i = 0; i < tileCount; ++i) {
        const QRectF face = tileRect(s, i);
        fillRounded(p, face.translated(0, drop).adjusted(-blur / 2, -blur / 2, blur / 2, blur / 2),
                    radius + blur / 2, QColor::fromRgbF(0, 0, 0, 0.07f));
        fillRounded(p, face.translated(0, drop), radius, QColor::fromRgbF(0, 0, 0, 0.11f));
        QLinearGradient shine(face.topLeft(), face.bottomLeft());
        shine.setColorAt(0, Qt::white);
        shine.setColorAt(1, QColor::fromRgbF(1.0f, 0.84f, 0.88f));
        fillRounded(p, face, radius, shine);
    }
}
