#include "PressShield.h"

#include <QGuiApplication>
#include <algorithm>
#include <QMouseEvent>
#include <QQuickItem>
#include <QQuickWindow>
#include <QStyleHints>
#include <QTouchEvent>

namespace {

// Above the popups' layer (Qt Quick Controls keeps it at z 1000001).
constexpr qreal shieldZ = 2000000;

class ShieldItem : public QQuickItem
{
public:
    ShieldItem(QQuickItem *parent, int ms) : QQuickItem(parent)
    {
        setObjectName(QStringLiteral("pressShield"));
        setZ(shieldZ);
        setAcceptedMouseButtons(Qt::AllButtons);
        setAcceptTouchEvents(true);
        m_timer = startTimer(ms);
    }

protected:
    void mousePressEvent(QMouseEvent *e) override { hold(e, true); }
    void mouseMoveEvent(QMouseEvent *e) override { e->accept(); }
    void mouseReleaseEvent(QMouseEvent *e) override { hold(e, false); }
    void mouseDoubleClickEvent(QMouseEvent *e) override { e->accept(); }
    void mouseUngrabEvent() override { let(); }
    void touchEvent(QTouchEvent *e) override { hold(e, !e->isEndEvent()); }
    void touchUngrabEvent() override { let(); }

    void timerEvent(QTimerEvent *e) override
    {
        if (e->timerId() != m_timer)
            return;
        killTimer(m_timer);
        m_expired = true;
        goIfDone();
    }

private:
    void hold(QEvent *e, bool held)
    {
        e->accept();
        m_held = held;
        goIfDone();
    }
    void let()
    {
        m_held = false;
        goIfDone();
    }
    void goIfDone()
    {
        if (m_expired && !m_held && !m_going) {
            m_going = true;
            setVisible(false);
            deleteLater();
        }
    }

    int m_timer = 0;
    bool m_held = false;
    bool m_expired = false;
    bool m_going = false;
};

} // namespace

void PressShield::cover(QQuickItem *item)
{
    if (!item || !item->window() || !item->window()->contentItem())
        return;
    QQuickItem *layer = item->window()->contentItem();
    // As far around the item as a second click still counts as a double click.
    const qreal slack = std::max(8, QGuiApplication::styleHints()->mouseDoubleClickDistance());
    const QRectF place = layer->mapRectFromScene(item->mapRectToScene(item->boundingRect()))
                             .adjusted(-slack, -slack, slack, slack);
    auto *shield = new ShieldItem(layer, QGuiApplication::styleHints()->mouseDoubleClickInterval());
    shield->setPosition(place.topLeft());
    shield->setSize(place.size());
}
