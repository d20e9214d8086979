#pragma once
#include <QQuickPaintedItem>
#include <QRectF>
#include <QtQml/qqmlregistration.h>

// The app's logo: fifteen tiles forming a play triangle on a rounded square
// with a diagonal gradient, painted at any size. One picture rather than a
// scene of shapes: drawing those smoothly took a multisampled layer, which
// made the first frame of every screen that shows the mark much slower.
class AppMark : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(qreal size READ size WRITE setSize NOTIFY sizeChanged)
    Q_PROPERTY(qreal cornerRadius READ cornerRadius NOTIFY sizeChanged)

public:
    explicit AppMark(QQuickItem *parent = nullptr);

    qreal size() const { return m_size; }
    void setSize(qreal size);
    qreal cornerRadius() const { return 0.225 * m_size; }

    static constexpr int tileCount = 15;
    // Tile `index` (0 to 14, by column then row) of a mark `size` wide.
    static QRectF tileRect(qreal size, int index);
    static qreal tileRadius(qreal size);

    void paint(QPainter *painter) override;

signals:
    void sizeChanged();

private:
    qreal m_size = 64;
};
