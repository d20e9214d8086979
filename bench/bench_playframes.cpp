// A video playing in the whole app with the player sheet open, against a
// bare Qt Quick window playing the same HLS stream through libmpv: the
// intervals between swapped frames that show a new picture of the video
// (the largest is the stall the user sees), the intervals between any two
// swapped frames (the app also redraws for its own animations, the bare
// window only for the video), and the resident memory while playing. Each side runs in a process of its
// own, for `seconds` (default 60) per run, and the rounds interleave the two
// so both see the same machine load. Both show the video at the same size,
// and both go round the short clip the same way: back to its start once the
// end is reached. Events on the GUI thread that take
// longer than 50 ms while a run measures are listed on stderr, with their
// receiver, to point at what held the frames up. Both play through the
// default audio output, or the one NIMBELORA_AUDIO names.
//
//   bench_playframes [rounds=9] [seconds=60]
//   bench_playframes app|bare <seconds> <video id>     (one run)
#include "Spread.h"
#include "API.h"
#include "HomeRig.h"
#include "LibraryRig.h"
#include "MpvEngine.h"
#include "PlayerStore.h"
#include "Fixtures.h"
#include "TestBackend.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QSGImageNode>
#include <QTest>

#include <mpv/client.h>
#include <mpv/render.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kSlowEventMs = 50;

// Times every event delivered on the GUI thread while `armed`.
class TimedApp : public QGuiApplication
{
public:
    using QGuiApplication::QGuiApplication;
    bool armed = false;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (!armed || QThread::currentThread() != thread())
            return QGuiApplication::notify(receiver, event);
        QElapsedTimer t;
        t.start();
        const int type = event->type();
        const QByteArray cls = receiver->metaObject()->className();
        const QString name = receiver->objectName();
        const bool done = QGuiApplication::notify(receiver, event);
        const qint64 ms = t.elapsed();
        if (ms > kSlowEventMs)
            std::fprintf(stderr, "slow event: %lld ms, type %d, to %s \"%s\"\n", ms, type, cls.constData(),
                         qPrintable(name));
        return done;
    }
};

long residentKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

struct Intervals
{
    std::vector<double> ms;
    double median() const
    {
        if (ms.empty())
            return 0;
        auto v = ms;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
    double max() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
};

// Records frame intervals on `window` for `seconds` and prints the run's line.
// `videoSerial` names the newest picture of the video, read as the scene
// is synchronised: a swap after a newer one than the swap before shows a
// new picture.
int measure(TimedApp &app, QQuickWindow *window, int seconds, std::function<quint64()> videoSerial)
{
    Intervals any, video;
    QElapsedTimer clock;
    qint64 last = -1, lastVideo = -1;
    std::atomic<quint64> synced{0};
    quint64 shown = videoSerial();
    const auto s = QObject::connect(window, &QQuickWindow::afterSynchronizing, window,
                                    [&] { synced = videoSerial(); }, Qt::DirectConnection);
    const auto c = QObject::connect(window, &QQuickWindow::frameSwapped, window, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last >= 0)
            any.ms.push_back(double(now - last) / 1e6);
        last = now;
        const quint64 serial = synced;
        if (serial == shown)
            return;
        shown = serial;
        if (lastVideo >= 0)
            video.ms.push_back(double(now - lastVideo) / 1e6);
        lastVideo = now;
    }, Qt::DirectConnection);
    clock.start();
    app.armed = true;
    QTest::qWait(seconds * 1000);
    app.armed = false;
    QObject::disconnect(c);
    QObject::disconnect(s);
    std::printf("frames %zu median %.2f max %.2f video %zu vmedian %.2f vmax %.2f rss %ld\n", any.ms.size(),
                any.median(), any.max(), video.ms.size(), video.median(), video.max(), residentKb());
    std::fflush(stdout);
    return video.ms.size() > size_t(seconds) ? 0 : 1;
}

// ---- the app

int runApp(TimedApp &app, int seconds, const QString &id)
{
    librarytab::LibraryRig rig;
    if (!rig.start())
        return 1;
    rig.reset(1, false, new MpvEngine);
    if (!rig.load())
        return 1;
    PlayerStore &player = *rig.app().player();
    Video v;
    v.id = id;
    v.title = QStringLiteral("Vídeo de prueba");
    v.channel = QStringLiteral("Canal");
    // The clips are short; a minute of playing needs them to go round.
    player.setLoop(true);
    player.play(v, std::nullopt, true);
    player.setPresented(true);
    if (!QmlHarness::waitFor([&] { return player.isPlaying(); }, 30000)) {
        std::fprintf(stderr, "app: no playback\n");
        return 1;
    }
    QTest::qWait(1000);
    // The bare window shows the video at the size the app shows it.
    for (QQuickItem *item : rig.window()->contentItem()->findChildren<QQuickItem *>())
        if (item->inherits("VideoSurface") && item->isVisible() && item->width() > 0)
            std::fprintf(stderr, "app video surface %.0f x %.0f\n", item->width(), item->height());
    MediaEngine *engine = player.player();
    const int rc = measure(app, rig.window(), seconds, [engine] { return engine->videoFrame().serial; });
    rig.unload();
    return rc;
}

// ---- bare libmpv in a Qt Quick item, rendered in software at the size shown

class BareVideo : public QQuickItem
{
public:
    explicit BareVideo(mpv_handle *mpv)
    {
        setFlag(ItemHasContents);
        char api[] = MPV_RENDER_API_TYPE_SW;
        mpv_render_param params[] = {{MPV_RENDER_PARAM_API_TYPE, api}, {MPV_RENDER_PARAM_INVALID, nullptr}};
        mpv_render_context_create(&m_render, mpv, params);
        mpv_render_context_set_update_callback(m_render, &BareVideo::onUpdate, this);
        m_thread = std::thread([this] { renderLoop(); });
    }

    quint64 serial() const { return m_serial; }

    ~BareVideo() override
    {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_one();
        m_thread.join();
        mpv_render_context_free(m_render);
    }

protected:
    QSGNode *updatePaintNode(QSGNode *old, UpdatePaintNodeData *) override
    {
        QImage frame;
        {
            std::lock_guard lock(m_mutex);
            frame = m_frame;
        }
        if (frame.isNull())
            return old;
        auto *node = static_cast<QSGImageNode *>(old);
        if (!node) {
            node = window()->createImageNode();
            node->setOwnsTexture(true);
        }
        node->setTexture(window()->createTextureFromImage(frame));
        node->setRect(boundingRect());
        return node;
    }

private:
    static void onUpdate(void *self)
    {
        auto *me = static_cast<BareVideo *>(self);
        {
            std::lock_guard lock(me->m_mutex);
            me->m_pending = true;
        }
        me->m_wake.notify_one();
    }

    void renderLoop()
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
            QMetaObject::invokeMethod(this, [this] { update(); }, Qt::QueuedConnection);
        }
    }

    void geometryChange(const QRectF &now, const QRectF &before) override
    {
        QQuickItem::geometryChange(now, before);
        std::lock_guard lock(m_mutex);
        m_size = now.size().toSize();
    }

    mpv_render_context *m_render = nullptr;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    QImage m_frame;
    std::atomic<quint64> m_serial{0};
    QSize m_size;
    bool m_pending = false;
    bool m_quit = false;
};

int runBare(TimedApp &app, int seconds, const QString &id)
{
    TestBackend backend;
    if (!backend.isRunning() || !backend.prepareMedia()) {
        std::fprintf(stderr, "backend: %s\n", qPrintable(backend.error()));
        return 1;
    }
    API::shared().setBaseUrl(QUrl(backend.origin()));
    mpv_handle *mpv = mpv_create();
    const std::pair<const char *, const char *> options[] = {
        {"vo", "libmpv"},      {"idle", "yes"},   {"keep-open", "yes"},       {"ytdl", "no"},
        {"config", "no"},      {"load-scripts", "no"}, {"cache", "yes"},      {"audio-fallback-to-null", "yes"},
    };
    for (const auto &[name, value] : options)
        mpv_set_option_string(mpv, name, value);
    // The same audio output as the app's.
    if (const QByteArray ao = qgetenv("NIMBELORA_AUDIO"); !ao.isEmpty())
        mpv_set_option_string(mpv, "ao", ao.constData());
    mpv_initialize(mpv);
    int rc = 1;
    {
        QQuickWindow window;
        window.resize(430, 932);
        BareVideo video(mpv);
        video.setParentItem(window.contentItem());
        video.setSize(QSizeF(430, 430 * 9 / 16));
        window.show();
        const QByteArray url = API::shared().hlsURL(id, 720).toEncoded();
        const char *cmd[] = {"loadfile", url.constData(), "replace", nullptr};
        mpv_command(mpv, cmd);
        int restart = 0;
        mpv_request_log_messages(mpv, "no");
        QElapsedTimer limit;
        limit.start();
        while (!restart && limit.elapsed() < 30000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            while (mpv_event *e = mpv_wait_event(mpv, 0)) {
                if (e->event_id == MPV_EVENT_NONE)
                    break;
                if (e->event_id == MPV_EVENT_PLAYBACK_RESTART)
                    restart = 1;
            }
        }
        if (!restart) {
            std::fprintf(stderr, "bare: no playback\n");
        } else {
            // mpv's events are drained while playing, as any player must, and
            // the clip goes round the way the app's loop takes it: back to
            // the start once the end is reached.
            std::atomic<bool> quit{false};
            mpv_observe_property(mpv, 1, "eof-reached", MPV_FORMAT_FLAG);
            std::thread events([&] {
                while (!quit) {
                    mpv_event *e = mpv_wait_event(mpv, 0.2);
                    if (e->event_id != MPV_EVENT_PROPERTY_CHANGE)
                        continue;
                    const auto *p = static_cast<mpv_event_property *>(e->data);
                    if (p->format == MPV_FORMAT_FLAG && *static_cast<int *>(p->data)) {
                        const char *seek[] = {"seek", "0", "absolute+exact", nullptr};
                        mpv_command_async(mpv, 0, seek);
                        int no = 0;
                        mpv_set_property_async(mpv, 0, "pause", MPV_FORMAT_FLAG, &no);
                    }
                }
            });
            QTest::qWait(1000);
            rc = measure(app, &window, seconds, [&video] { return video.serial(); });
            quit = true;
            events.join();
        }
    }
    mpv_terminate_destroy(mpv);
    return rc;
}

// ---- the rounds

struct Run
{
    double median = 0, max = 0, videoMedian = 0, videoMax = 0;
    long rss = 0;
};

bool runChild(const QString &self, const QString &mode, int seconds, const QString &id, Run &out)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(self, {mode, QString::number(seconds), id});
    child.waitForFinished((seconds + 120) * 1000);
    const QString text = QString::fromUtf8(child.readAllStandardOutput());
    const auto m = QRegularExpression(QStringLiteral(
        "median ([0-9.]+) max ([0-9.]+) video [0-9]+ vmedian ([0-9.]+) vmax ([0-9.]+) rss ([0-9]+)")).match(text);
    if (child.exitCode() != 0 || !m.hasMatch())
        return false;
    out = {m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(), m.captured(4).toDouble(),
           m.captured(5).toLong()};
    return true;
}

QString pickVideo()
{
    TestBackend backend;
    if (!backend.isRunning() || !backend.prepareMedia())
        return {};
    for (const FxVideo &f : backend.fixtures().videos())
        if (f.canPlay && f.hls && !f.isShort && !f.live)
            return f.id;
    return {};
}

} // namespace

int main(int argc, char **argv)
{
    homefeed::preferOffscreen();
    WebSignIn::prepareApplication();
    TimedApp app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("app"))
        return runApp(app, args[2].toInt(), args[3]);
    if (args.size() == 4 && args[1] == QLatin1String("bare"))
        return runBare(app, args[2].toInt(), args[3]);

    const int rounds = args.size() > 1 ? args[1].toInt() : 9;
    const int seconds = args.size() > 2 ? args[2].toInt() : 60;
    const QString id = pickVideo();
    if (id.isEmpty()) {
        std::fprintf(stderr, "no playable video\n");
        return 1;
    }
    std::vector<double> appMax, bareMax, appMedian, bareMedian, appAnyMax, bareAnyMax, maxRatio, appRss, bareRss,
        rssRatio;
    for (int r = 0; r < rounds; ++r) {
        Run a, b;
        // Alternate who goes first.
        const bool appFirst = r % 2 == 0;
        const bool ok = appFirst ? runChild(args[0], QStringLiteral("app"), seconds, id, a)
                                       && runChild(args[0], QStringLiteral("bare"), seconds, id, b)
                                 : runChild(args[0], QStringLiteral("bare"), seconds, id, b)
                                       && runChild(args[0], QStringLiteral("app"), seconds, id, a);
        if (!ok) {
            std::fprintf(stderr, "round %d failed\n", r);
            return 1;
        }
        std::printf("round %d: app video frames median %.1f max %.1f ms (any frame max %.1f), rss %.1f MiB | bare "
                    "median %.1f max %.1f ms (any frame max %.1f), rss %.1f MiB\n",
                    r, a.videoMedian, a.videoMax, a.max, a.rss / 1024.0, b.videoMedian, b.videoMax, b.max,
                    b.rss / 1024.0);
        std::fflush(stdout);
        appMax.push_back(a.videoMax);
        bareMax.push_back(b.videoMax);
        appMedian.push_back(a.videoMedian);
        bareMedian.push_back(b.videoMedian);
        appAnyMax.push_back(a.max);
        bareAnyMax.push_back(b.max);
        maxRatio.push_back(a.videoMax / b.videoMax);
        appRss.push_back(a.rss / 1024.0);
        bareRss.push_back(b.rss / 1024.0);
        rssRatio.push_back(double(a.rss) / double(b.rss));
    }
    const auto print = [](const char *what, const std::vector<double> &v, const char *unit) {
        bench::printSpread(what, v, unit, 34);
    };
    std::printf("over %d interleaved rounds of %d s (min / median / max):\n", rounds, seconds);
    print("app video frame interval median", appMedian, "ms");
    print("bare video frame interval median", bareMedian, "ms");
    print("app longest video frame interval", appMax, "ms");
    print("bare longest video frame interval", bareMax, "ms");
    print("longest interval app / bare", maxRatio, "");
    print("app longest any-frame interval", appAnyMax, "ms");
    print("bare longest any-frame interval", bareAnyMax, "ms");
    print("app resident memory", appRss, "MiB");
    print("bare resident memory", bareRss, "MiB");
    print("memory ratio app / bare", rssRatio, "");
    const bool stallFree = bench::spread(appMax).max <= 100;
    const bool lean = bench::spread(rssRatio).median <= 1.5;
    return stallFree && lean ? 0 : 2;
}
