#include "VideoSurface.h"
#include <QQuickWindow>
#include <QSGImageNode>
#include <QSGRectangleNode>
#include <QSGTexture>
#include <cmath>
#include <memory>

namespace {

// The background and the picture over it. Both nodes exist from the start
// and are only changed afterwards: the software renderer places a node added
// later under a plain node without its item's transform. Without a picture
// the image node covers nothing. The node owns the picture's texture.
class SurfaceNode : public QSGNode
{
public:
    explicit SurfaceNode(QQuickWindow *window)
        : m_background(window->createRectangleNode()), m_image(window->createImageNode())
    {
        QImage blank(1, 1, QImage::Format_RGB32);
        blank.fill(Qt::black);
        m_texture.reset(window->createTextureFromImage(blank));
        m_image->setTexture(m_texture.get());
        m_image->setFiltering(QSGTexture::Linear);
        appendChildNode(m_background);
        appendChildNode(m_image);
    }

    ~SurfaceNode() override
    {
        // The image node goes before the texture it shows.
        removeChildNode(m_image);
        delete m_image;
    }

    void setBackground(const QRectF &rect, const QColor &color)
    {
        if (m_background->rect() != rect)
            m_background->setRect(rect);
        if (m_background->color() != color)
            m_background->setColor(color);
    }

    void clearPicture()
    {
        if (!m_image->rect().isEmpty())
            m_image->setRect(QRectF());
    }

    // False when the picture could not be made a texture (nothing shown).
    bool setPicture(QQuickWindow *window, const VideoFrame &frame, const QRectF &rect, const QRectF &source)
    {
        if (frame.serial != m_serial) {
            std::unique_ptr<QSGTexture> texture(window->createTextureFromImage(frame.image));
            if (!texture) {
                clearPicture();
                return false;
            }
            m_image->setTexture(texture.get());
            m_texture = std::move(texture);
            m_serial = frame.serial;
        }
        if (m_image->rect() != rect)
            m_image->setRect(rect);
        if (m_image->sourceRect() != source)
            m_image->setSourceRect(source);
        return true;
    }

private:
    QSGRectangleNode *m_background;
    QSGImageNode *m_image;
    std::unique_ptr<QSGTexture> m_texture;
    quint64 m_serial = 0;
};

} // namespace

VideoSurface::VideoSurface(QQuickItem *parent) : QQuickItem(parent)
{
    setFlag(ItemHasContents, true);
}

VideoSurface::~VideoSurface()
{
    if (!m_engine)
        return;
    disconnect(m_engine, nullptr, this, nullptr);
    if (m_engine->videoHolder() == this)
        m_engine->setVideoHolder(nullptr);
}

void VideoSurface::setEngine(MediaEngine *engine)
{
    if (engine == m_engine) {
        // Assigning the engine again takes its video back.
        if (engine && engine->videoHolder() != this)
            engine->setVideoHolder(this);
        return;
    }
    if (m_engine) {
        disconnect(m_engine, nullptr, this, nullptr);
        if (m_engine->videoHolder() == this)
            m_engine->setVideoHolder(nullptr);
    }
    m_engine = engine;
    if (engine) {
        connect(engine, &MediaEngine::videoHolderChanged, this, &VideoSurface::updateActive);
        connect(engine, &MediaEngine::videoFrameChanged, this, [this] {
            if (m_active)
                update();
        });
        connect(engine, &MediaEngine::presentationSizeChanged, this, [this] {
            updateTargetSize();
            update();
        });
        connect(engine, &MediaEngine::itemStatusChanged, this, [this] { update(); });
        connect(engine, &QObject::destroyed, this, [this] {
            updateActive();
            emit engineChanged();
        });
        engine->setVideoHolder(this);
    }
    updateActive();
    emit engineChanged();
}

void VideoSurface::setFillMode(FillMode mode)
{
    if (mode == m_fillMode)
        return;
    m_fillMode = mode;
    updateTargetSize();
    update();
    emit fillModeChanged();
}

void VideoSurface::setColor(const QColor &color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
    emit colorChanged();
}

QRectF VideoSurface::videoRect(const QSizeF &item, const QSizeF &video, FillMode mode)
{
    if (item.isEmpty())
        return {};
    if (video.isEmpty())
        return QRectF(QPointF(0, 0), item);
    const double sx = item.width() / video.width();
    const double sy = item.height() / video.height();
    const double scale = mode == AspectFill ? std::max(sx, sy) : std::min(sx, sy);
    const QSizeF size = video * scale;
    return QRectF(QPointF((item.width() - size.width()) / 2, (item.height() - size.height()) / 2), size);
}

QSizeF VideoSurface::videoSize() const
{
    return m_engine ? QSizeF(m_engine->presentationSize()) : QSizeF();
}

void VideoSurface::updateActive()
{
    const bool active = m_engine && m_engine->videoHolder() == this;
    if (active != m_active) {
        m_active = active;
        emit activeChanged();
    }
    updateTargetSize();
    update();
}

void VideoSurface::updateTargetSize()
{
    if (!m_active || !m_engine)
        return;
    const QRectF rect = videoRect(size(), videoSize(), m_fillMode);
    // Hidden, nothing needs rendering at size.
    if (rect.isEmpty() || !window() || !isVisible()) {
        m_engine->setVideoTargetSize(QSize());
        return;
    }
    const double dpr = window()->effectiveDevicePixelRatio();
    QSize pixels(int(std::ceil(rect.width() * dpr)), int(std::ceil(rect.height() * dpr)));
    // Never render more pixels than the video has; the scene graph scales up.
    const QSize video = m_engine->presentationSize();
    if (!video.isEmpty() && (pixels.width() > video.width() || pixels.height() > video.height()))
        pixels = pixels.scaled(video, Qt::KeepAspectRatio);
    m_engine->setVideoTargetSize(pixels);
}

void VideoSurface::geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry)
{
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size()) {
        updateTargetSize();
        update();
    }
}

void VideoSurface::itemChange(ItemChange change, const ItemChangeData &value)
{
    QQuickItem::itemChange(change, value);
    if (change == ItemSceneChange || change == ItemDevicePixelRatioHasChanged || change == ItemVisibleHasChanged)
        updateTargetSize();
}

QSGNode *VideoSurface::updatePaintNode(QSGNode *old, UpdatePaintNodeData *)
{
    auto *node = static_cast<SurfaceNode *>(old);
    if (!node)
        node = new SurfaceNode(window());
    const QRectF bounds = boundingRect();
    node->setBackground(bounds, m_color);

    VideoFrame frame;
    if (m_active && m_engine && m_engine->hasItem())
        frame = m_engine->videoFrame();
    if (frame.image.isNull() || bounds.isEmpty()) {
        node->clearPicture();
        return node;
    }
    QSizeF video = videoSize();
    if (video.isEmpty())
        video = frame.image.size();
    const QRectF target = videoRect(bounds.size(), video, m_fillMode);
    const QRectF visible = target.intersected(bounds);
    if (visible.isEmpty()) {
        node->clearPicture();
        return node;
    }
    // The part of the picture that falls inside the item.
    const QSizeF picture = frame.image.size();
    const QRectF source((visible.x() - target.x()) / target.width() * picture.width(),
                        (visible.y() - target.y()) / target.height() * picture.height(),
                        visible.width() / target.width() * picture.width(),
                        visible.height() / target.height() * picture.height());
    if (node->setPicture(window(), frame, visible, source))
        m_shownSerial = frame.serial;
    return node;
}
