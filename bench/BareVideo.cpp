#include "BareVideo.h"

#include <QQuickWindow>
#include <QSGImageNode>

namespace bench {

Mpv makeMpv(const MpvOptions &more)
{
    Mpv mpv(mpv_create());
    const std::pair<const char *, const char *> options[] = {
        {"vo", "libmpv"},  {"idle", "yes"},         {"keep-open", "yes"}, {"ytdl", "no"},
        {"config", "no"},  {"load-scripts", "no"},  {"cache", "yes"},     {"audio-fallback-to-null", "yes"},
    };
    for (const auto &[name, value] : options)
        mpv_set_option_string(mpv.get(), name, value);
    for (const auto &[name, value] : more)
        mpv_set_option_string(mpv.get(), name, value);
    mpv_initialize(mpv.get());
    return mpv;
}

SoftwareFrames::SoftwareFrames(mpv_handle *mpv, std::function<void()> drawn) : m_drawn(std::move(drawn))
{
    char api[] = MPV_RENDER_API_TYPE_SW;
    mpv_render_param params[] = {{MPV_RENDER_PARAM_API_TYPE, api}, {MPV_RENDER_PARAM_INVALID, nullptr}};
    mpv_render_context_create(&m_render, mpv, params);
    mpv_render_context_set_update_callback(m_render, &SoftwareFrames::onUpdate, this);
    m_thread = std::thread([this] { drawLoop(); });
}

SoftwareFrames::~SoftwareFrames()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_one();
    m_thread.join();
    mpv_render_context_free(m_render);
}

void SoftwareFrames::setSize(QSize size)
{
    std::lock_guard lock(m_mutex);
    m_size = size;
}

QImage SoftwareFrames::frame() const
{
    std::lock_guard lock(m_mutex);
    return m_frame;
}

void SoftwareFrames::clear()
{
    std::lock_guard lock(m_mutex);
    m_frame = QImage();
}

void SoftwareFrames::onUpdate(void *self)
{
    auto *me = static_cast<SoftwareFrames *>(self);
    {
        std::lock_guard lock(me->m_mutex);
        me->m_pending = true;
    }
    me->m_wake.notify_one();
}

void SoftwareFrames::drawLoop()
{
    for (;;) {
        QSize size;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_pending || m_quit; });
            if (m_quit)
                return;
            m_pending = false;
            size = m_size;
        }
        if (!(mpv_render_context_update(m_render) & MPV_RENDER_UPDATE_FRAME) || size.isEmpty())
            continue;
        QImage image(size, QImage::Format_RGBX8888);
        int dims[2] = {size.width(), size.height()};
        size_t stride = size_t(image.bytesPerLine());
        char format[] = "rgb0";
        int block = 0;
        mpv_render_param params[] = {
            {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
            {MPV_RENDER_PARAM_SW_SIZE, dims},
            {MPV_RENDER_PARAM_SW_FORMAT, format},
            {MPV_RENDER_PARAM_SW_STRIDE, &stride},
            {MPV_RENDER_PARAM_SW_POINTER, image.bits()},
            {MPV_RENDER_PARAM_INVALID, nullptr},
        };
        if (mpv_render_context_render(m_render, params) < 0)
            continue;
        {
            std::lock_guard lock(m_mutex);
            m_frame = std::move(image);
            ++m_serial;
        }
        if (m_drawn)
            m_drawn();
    }
}

BareVideo::BareVideo(mpv_handle *mpv)
    : m_frames(mpv, [this] { QMetaObject::invokeMethod(this, [this] { update(); }, Qt::QueuedConnection); })
{
    setFlag(ItemHasContents);
}

void BareVideo::clear()
{
    m_frames.clear();
}

QSGNode *BareVideo::updatePaintNode(QSGNode *old, UpdatePaintNodeData *)
{
    const QImage frame = m_frames.frame();
    auto *node = static_cast<QSGImageNode *>(old);
    if (frame.isNull()) {
        delete node;
        return nullptr;
    }
    if (!node) {
        node = window()->createImageNode();
        node->setOwnsTexture(true);
    }
    node->setTexture(window()->createTextureFromImage(frame));
    node->setRect(boundingRect());
    return node;
}

void BareVideo::geometryChange(const QRectF &now, const QRectF &before)
{
    QQuickItem::geometryChange(now, before);
    m_frames.setSize(now.size().toSize());
}

} // namespace bench
