#include "MpvEngine_p.h"

#include <QtEndian>
#include <cstdlib>

using namespace MpvDetail;

void MpvEngine::FrameRenderer::render()
{
    m_scheduled = false;
    std::lock_guard renderLock(m_lock);
    if (!m_context)
        return;
    const bool newFrame = m_lib->render_context_update(m_context) & MPV_RENDER_UPDATE_FRAME;
    const bool redraw = m_redraw.exchange(false);
    if (!newFrame && !redraw)
        return;
    // A frame mpv hands over is always drawn, also while it is not shown:
    // mpv holds the player (up to 0.2 s a frame) until its frames are
    // drawn, the first ones of an item included.
    QSize size;
    {
        std::lock_guard lock(m_slot->mutex);
        size = m_slot->target;
    }
    if (size.isEmpty())
        size = kIdleFrame;
    size = size.boundedTo(QSize(kMaxFrameSide, kMaxFrameSide));

    // mpv asks for 64-byte aligned rows for its fast paths.
    const int stride = (size.width() * 4 + 63) & ~63;
    auto *data = static_cast<uchar *>(std::aligned_alloc(64, size_t(stride) * size.height()));
    if (!data)
        return;
    QImage image(data, size.width(), size.height(), stride, QImage::Format_RGBX8888,
                 [](void *p) { std::free(p); }, data);
    int dims[2] = {size.width(), size.height()};
    size_t rowBytes = size_t(stride);
    char format[] = "rgb0";
    // Never wait here for the frame's display time: that would hold this
    // thread (and its shutdown) hostage to the player's clock.
    int block = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
        {MPV_RENDER_PARAM_SW_SIZE, dims},
        {MPV_RENDER_PARAM_SW_FORMAT, format},
        {MPV_RENDER_PARAM_SW_STRIDE, &rowBytes},
        {MPV_RENDER_PARAM_SW_POINTER, data},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (m_lib->render_context_render(m_context, params) < 0)
        return;
    // The padding byte is left undefined by mpv; the image must be opaque.
    for (int y = 0; y < size.height(); ++y) {
        auto *row = reinterpret_cast<quint32 *>(data + size_t(y) * stride);
        for (int x = 0; x < size.width(); ++x)
            row[x] |= qToLittleEndian(quint32(0xff000000));
    }
    std::lock_guard lock(m_slot->mutex);
    if (!m_slot->accepting) {
        // Only a new frame can be the new item's; shown once it may be.
        if (newFrame)
            m_slot->held = std::move(image);
        return;
    }
    m_slot->image = std::move(image);
    ++m_slot->serial;
    if (m_slot->onFrame)
        m_slot->onFrame();
}

VideoFrame MpvEngine::videoFrame() const
{
    std::lock_guard lock(m_frames->mutex);
    return VideoFrame{m_frames->image, m_frames->serial};
}

void MpvEngine::clearFrame()
{
    std::lock_guard lock(m_frames->mutex);
    m_frames->accepting = false;
    m_frames->held = QImage();
    if (m_frames->image.isNull())
        return;
    m_frames->image = QImage();
    ++m_frames->serial;
    if (m_frames->onFrame)
        m_frames->onFrame();
}

void MpvEngine::acceptFrames()
{
    {
        std::lock_guard lock(m_frames->mutex);
        if (m_frames->accepting)
            return;
        m_frames->accepting = true;
        if (!m_frames->held.isNull()) {
            m_frames->image = std::exchange(m_frames->held, QImage());
            ++m_frames->serial;
            if (m_frames->onFrame)
                m_frames->onFrame();
        }
    }
    // Only a frame of the new item: a redraw could bring the old one back.
    if (m_renderer)
        m_renderer->schedule(false);
}

void MpvEngine::doSetVideoTargetSize(const QSize &pixels)
{
    {
        std::lock_guard lock(m_frames->mutex);
        m_frames->target = pixels;
    }
    if (m_renderer)
        m_renderer->schedule(true);
}
