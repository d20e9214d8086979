#pragma once
#include <QColor>
#include <QFont>
#include <QQuickItem>
#include <QString>
#include <QtQml/qqmlregistration.h>

// One line of text with a soft shadow around it, drawn as one picture on the
// CPU: the software scene graph has no shader effects. The item is the
// text's size; the shadow reaches beyond it and takes no room.
class ShadowText : public QQuickItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY changed)
    Q_PROPERTY(QFont font READ font WRITE setFont NOTIFY changed)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY changed)
    Q_PROPERTY(qreal shadowRadius READ shadowRadius WRITE setShadowRadius NOTIFY changed)
    Q_PROPERTY(QColor shadowColor READ shadowColor WRITE setShadowColor NOTIFY changed)

public:
    explicit ShadowText(QQuickItem *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &v) { set(m_text, v); }
    QFont font() const { return m_font; }
    void setFont(const QFont &v) { set(m_font, v); }
    QColor color() const { return m_color; }
    void setColor(const QColor &v) { set(m_color, v); }
    qreal shadowRadius() const { return m_shadowRadius; }
    void setShadowRadius(qreal v) { set(m_shadowRadius, v); }
    QColor shadowColor() const { return m_shadowColor; }
    void setShadowColor(const QColor &v) { set(m_shadowColor, v); }

signals:
    void changed();

protected:
    QSGNode *updatePaintNode(QSGNode *old, UpdatePaintNodeData *) override;

private:
    template<class T>
    void set(T &field, const T &value)
    {
        if (field == value)
            return;
        field = value;
        relayout();
    }
    void relayout();

    QString m_text;
    QFont m_font;
    QColor m_color = Qt::white;
    qreal m_shadowRadius = 3;
    QColor m_shadowColor = QColor(0, 0, 0, 102);
    bool m_dirty = true;
};
