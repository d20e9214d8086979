#pragma once
#include <QColor>
#include <QFont>
#include <QQuickItem>
#include <QString>
#include <QtQml/qqmlregistration.h>

// One line of text whose digits all take the width of the widest one, as
// monospaced digits do, so a changing time keeps its width (the fonts here
// offer no tabular figures to Qt Quick). Each character is laid out and
// drawn as a Text of its own would be, centred in its cell, but in one item:
// cards carry one of these each, and an item per character made each card
// costly to create.
class DigitText : public QQuickItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(QFont font READ font WRITE setFont NOTIFY fontChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    Q_PROPERTY(qreal digitWidth READ digitWidth NOTIFY fontChanged)

public:
    explicit DigitText(QQuickItem *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    QFont font() const { return m_font; }
    void setFont(const QFont &font);
    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    qreal digitWidth() const { return m_digitWidth; }

signals:
    void textChanged();
    void fontChanged();
    void colorChanged();

protected:
    QSGNode *updatePaintNode(QSGNode *old, UpdatePaintNodeData *) override;

private:
    void relayout();

    QString m_text;
    QFont m_font;
    QColor m_color = Qt::black;
    qreal m_digitWidth = 0;
    // Each character's cell: its left edge and width.
    QList<QPair<qreal, qreal>> m_cells;
    qreal m_lineHeight = 0;
};
