// Bare libmpv, the reference the playback benchmarks hold the app against:
// an mpv core, its video drawn in software on a thread of its own, and a Qt
// Quick item showing those pictures.
#pragma once

#include <QImage>
#include <QQuickItem>
#include <QSize>

#include <mpv/client.h>
#include <mpv/render.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace bench {

struct MpvDestroy
{
    void operator()(mpv_handle *mpv) const { mpv_terminate_destroy(mpv); }
};
using Mpv = std::unique_ptr<mpv_handle, MpvDestroy>;

using MpvOptions = std::vector<std::pair<const char *, const char *>>;

// An initialised core with the options every bench shares with the engine
// (vo=libmpv, idle, keep-open, no ytdl, config or scripts, a cache, the null
// audio output when no other opens), then `more`.
Mpv makeMpv(const MpvOptions &more = {});

// mpv's pictures drawn in RGBX at `size()` whenever one is due, on a thread
// of their own; `drawn` runs there after each one.
class SoftwareFrames
{
public:
    explicit SoftwareFrames(mpv_handle *mpv, std::function<void()> drawn = {});
    ~SoftwareFrames();
    SoftwareFrames(const SoftwareFrames &) = delete;
    SoftwareFrames &operator=(const SoftwareFrames &) = delete;

    // Until it is set (or while it is empty) nothing is drawn.
    void setSize(QSize size);
    // The newest picture; null before the first one and after clear().
    QImage frame() const;
    // How many pictures were drawn so far.
    quint64 serial() const { return m_serial; }
    void clear();

private:
    static void onUpdate(void *self);
    void drawLoop();

    mpv_render_context *m_render = nullptr;
    std::function<void()> m_drawn;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    QImage m_frame;
    QSize m_size;
    std::atomic<quint64> m_serial{0};
    bool m_pending = false;
    bool m_quit = false;
};

// The pictures of `mpv` in a Qt Quick item, drawn at the item's size.
class BareVideo : public QQuickItem
{
public:
    explicit BareVideo(mpv_handle *mpv);

    quint64 serial() const { return m_frames.serial(); }
    bool hasPicture() const { return !m_frames.frame().isNull(); }
    // Drops the picture shown, as a stopped player does.
    void clear();

protected:
    QSGNode *updatePaintNode(QSGNode *old, UpdatePaintNodeData *) override;
    void geometryChange(const QRectF &now, const QRectF &before) override;

private:
    SoftwareFrames m_frames;
};

} // namespace bench
