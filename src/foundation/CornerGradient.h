#pragma once
#include <QColor>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

// A rounded rectangle filled with a linear gradient from its top leading
// corner to its bottom trailing one (a QML Gradient runs only across or
// down). Drawn as coloured vertices: the colour is linear in the position,
// so it is exact at every pixel, and it takes no shader of its own (the
// first use of a new one costs a compile on software GL).
class CornerGradient : public QQuickItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QColor from READ from WRITE setFrom NOTIFY fromChanged)
    Q_PROPERTY(QColor to READ to WRITE setTo NOTIFY toChanged)
    Q_PROPERTY(qreal radius READ radius WRITE setRadius NOTIFY radiusChanged)

public:
    explicit CornerGradient(QQuickItem *parent = nullptr);

    QColor from() const { return m_from; }
    void setFrom(const QColor &color);
    QColor to() const { return m_to; }
    void setTo(const QColor &color);
    qreal radius() const { return m_radius; }
    void setRadius(qreal radius);

    struct Vertex
    {
        float x, y;
        QColor color;
    };
    // The outline of a `size` rectangle with corners of `radius` (clamped to
    // half the shorter side), coloured along the diagonal; the first vertex
    // is the centre, the rest go round it.
    static QList<Vertex> outline(QSizeF size, qreal radius, const QColor &from, const QColor &to);

signals:
    void fromChanged();
    void toChanged();
    void radiusChanged();

protected:
    QSGNode *updatePaintNode(QSGNode *old, UpdatePaintNodeData *) override;
    void geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry) override;

private:
    QColor m_from = Qt::black;
    QColor m_to = Qt::black;
    qreal m_radius = 0;
};
