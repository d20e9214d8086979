#pragma once
#include <QColor>
#include <QQuickPaintedItem>
#include <QtQml/qqmlregistration.h>

// The round backdrop of an avatar without a picture: its tint running
// diagonally into a lighter, see-through version of itself. Painted, as a
// smooth edge drawn with shapes needs a multisampled layer per avatar.
class AvatarDisc : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QColor tint READ tint WRITE setTint NOTIFY tintChanged)

public:
    explicit AvatarDisc(QQuickItem *parent = nullptr);

    QColor tint() const { return m_tint; }
    void setTint(const QColor &tint);

    void paint(QPainter *painter) override;

signals:
    void tintChanged();

private:
    QColor m_tint = Qt::gray;
};
