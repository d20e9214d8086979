#pragma once
#include "MediaEngine.h"
#include <QColor>
#include <QPointer>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>
#include <atomic>

// Shows an engine's video, fitted into the item or filling it, over a
// background colour (black). Every assignment of `engine` claims the engine's
// video for this surface, also when it assigns the same engine again; the
// surface that held it before shows only its background from then on. An
// engine without pictures (or without an item) shows the background too.
class VideoSurface : public QQuickItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(MediaEngine *engine READ engine WRITE setEngine NOTIFY engineChanged)
    Q_PROPERTY(FillMode fillMode READ fillMode WRITE setFillMode NOTIFY fillModeChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    Q_PROPERTY(bool active READ isActive NOTIFY activeChanged)

public:
    enum FillMode { AspectFit, AspectFill };
    Q_ENUM(FillMode)

    explicit VideoSurface(QQuickItem *parent = nullptr);
    ~VideoSurface() override;

    MediaEngine *engine() const { return m_engine; }
    void setEngine(MediaEngine *engine);
    FillMode fillMode() const { return m_fillMode; }
    void setFillMode(FillMode mode);
    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    // This surface holds its engine's video.
    bool isActive() const { return m_active; }

    // Where the video goes, in item coordinates, for a picture of `video`
    // pixels (it may reach beyond the item when filling).
    static QRectF videoRect(const QSizeF &item, const QSizeF &video, FillMode mode);

    // The serial of the engine's picture the scene graph last took in (0
    // before any); read from any thread.
    quint64 shownSerial() const { return m_shownSerial; }

signals:
    void engineChanged();
    void fillModeChanged();
    void colorChanged();
    void activeChanged();

protected:
    QSGNode *updatePaintNode(QSGNode *old, UpdatePaintNodeData *) override;
    void geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry) override;
    void itemChange(ItemChange change, const ItemChangeData &value) override;

private:
    void updateActive();
    void updateTargetSize();
    QSizeF videoSize() const;

    QPointer<MediaEngine> m_engine;
    FillMode m_fillMode = AspectFit;
    QColor m_color = Qt::black;
    bool m_active = false;
    std::atomic<quint64> m_shownSerial{0};
};
