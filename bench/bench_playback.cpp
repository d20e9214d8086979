// Start of playback: from PlayerStore::play() to the first playing status
// (mpv's playback restart, as the engine reports it on the GUI thread), against
// bare libmpv loading the same HLS URLs with the same options in the same
// run. Both play against the in-process development backend; the store's
// run includes everything play() starts (history, metadata requests,
// artwork). Prints the medians and their ratio at the end.
#include "API.h"
#include "Defaults.h"
#include "Fixtures.h"
#include "LibraryStore.h"
#include "MpvEngine.h"
#include "PlayerStore.h"
#include "Pref.h"
#include "TestBackend.h"
#include "TestDirs.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <mpv/client.h>
#include <mpv/render.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kIterations = 20;
constexpr int kWarmUp = 2;
constexpr int kTimeoutMs = 20000;

QList<Video> g_videos;
std::vector<double> g_storeMs;
std::vector<double> g_bareMs;

Video videoAt(int i) { return g_videos.at(i % g_videos.size()); }

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// ---- the store

bool isPlaying(const PlayerStore &store)
{
    return store.player()->timeControlStatus() == MediaEngine::TimeControlStatus::Playing;
}

// Sleeps in the event loop until the engine reports playing.
bool waitPlaying(PlayerStore &store)
{
    if (isPlaying(store))
        return true;
    QEventLoop loop;
    bool reached = false;
    QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
    QObject::connect(store.player(), &MediaEngine::timeControlStatusChanged, &loop,
                     [&](MediaEngine::TimeControlStatus s) {
                         if (s == MediaEngine::TimeControlStatus::Playing) {
                             reached = true;
                             loop.quit();
                         }
                     });
    loop.exec();
    // It may have gone on to wait for data by now; reaching playing counts.
    return reached;
}

// ---- bare libmpv, configured as the engine is, rendering in software

class BareMpv
{
public:
    BareMpv()
    {
        m_mpv = mpv_create();
        const std::pair<const char *, const char *> options[] = {
            {"vo", "libmpv"},   {"idle", "yes"},  {"keep-open", "yes"}, {"ytdl", "no"},
            {"config", "no"},   {"load-scripts", "no"}, {"cache", "yes"}, {"pause", "yes"},
            {"audio-fallback-to-null", "yes"}, {"ao", "null"},
        };
        for (const auto &[name, value] : options)
            mpv_set_option_string(m_mpv, name, value);
        mpv_initialize(m_mpv);
        char api[] = MPV_RENDER_API_TYPE_SW;
        mpv_render_param params[] = {{MPV_RENDER_PARAM_API_TYPE, api}, {MPV_RENDER_PARAM_INVALID, nullptr}};
        mpv_render_context_create(&m_render, m_mpv, params);
        mpv_render_context_set_update_callback(m_render, &BareMpv::onUpdate, this);
        m_thread = std::thread([this] { renderLoop(); });
    }

    ~BareMpv()
    {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_one();
        m_thread.join();
        mpv_render_context_free(m_render);
        mpv_terminate_destroy(m_mpv);
    }

    // Loads `url` playing and waits for its playback restart.
    bool loadAndWait(const QByteArray &url)
    {
        const char *cmd[] = {"loadfile", url.constData(), "replace", "pause=no", nullptr};
        if (mpv_command(m_mpv, cmd) < 0)
            return false;
        bool loaded = false;
        QElapsedTimer limit;
        limit.start();
        while (limit.elapsed() < kTimeoutMs) {
            mpv_event *e = mpv_wait_event(m_mpv, 1.0);
            if (e->event_id == MPV_EVENT_FILE_LOADED)
                loaded = true;
            else if (e->event_id == MPV_EVENT_PLAYBACK_RESTART && loaded)
                return true;
            else if (e->event_id == MPV_EVENT_END_FILE && loaded)
                return false;
        }
        return false;
    }

private:
    static void onUpdate(void *self)
    {
        auto *me = static_cast<BareMpv *>(self);
        {
            std::lock_guard lock(me->m_mutex);
            me->m_pending = true;
        }
        me->m_wake.notify_one();
    }

    void renderLoop()
    {
        const int w = 32, h = 18;
        const size_t stride = 128;
        std::vector<unsigned char> buffer(stride * h);
        for (;;) {
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_pending || m_quit; });
                if (m_quit)
                    return;
                m_pending = false;
            }
            if (!(mpv_render_context_update(m_render) & MPV_RENDER_UPDATE_FRAME))
                continue;
            int dims[2] = {w, h};
            size_t rowBytes = stride;
            char format[] = "rgb0";
            int block = 0;
            mpv_render_param params[] = {
                {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
                {MPV_RENDER_PARAM_SW_SIZE, dims},
                {MPV_RENDER_PARAM_SW_FORMAT, format},
                {MPV_RENDER_PARAM_SW_STRIDE, &rowBytes},
                {MPV_RENDER_PARAM_SW_POINTER, buffer.data()},
                {MPV_RENDER_PARAM_INVALID, nullptr},
            };
            mpv_render_context_render(m_render, params);
        }
    }

    mpv_handle *m_mpv = nullptr;
    mpv_render_context *m_render = nullptr;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_pending = false;
    bool m_quit = false;
};

// Rounds alternate bare libmpv and the store on the same URL, so both see
// the same machine load; the iteration time is the store's.
void BM_PlayToPlaying(benchmark::State &state)
{
    BareMpv mpv;
    auto library = std::make_unique<LibraryStore>();
    PlayerStore store(new MpvEngine);
    store.attach(library.get());
    auto url = [&](int i) { return API::shared().hlsURL(videoAt(i).id, store.activeQuality()).toEncoded(); };

    int n = 0;
    for (int i = 0; i < kWarmUp; ++i, ++n) {
        store.play(videoAt(n), std::nullopt, true);
        if (!waitPlaying(store)) {
            state.SkipWithError("no playback (store, warming up)");
            return;
        }
        if (!mpv.loadAndWait(url(n))) {
            state.SkipWithError("no playback (bare, warming up)");
            return;
        }
    }
    for (auto _ : state) {
        const Video v = videoAt(n);
        QElapsedTimer t;
        t.start();
        if (!mpv.loadAndWait(url(n))) {
            state.SkipWithError("no playback (bare)");
            return;
        }
        g_bareMs.push_back(double(t.nsecsElapsed()) / 1e6);
        // Let the bare run's leftovers settle before the store's turn.
        QCoreApplication::processEvents();
        t.restart();
        store.play(v, std::nullopt, true);
        if (!waitPlaying(store)) {
            state.SkipWithError("no playback (store)");
            return;
        }
        const double ms = double(t.nsecsElapsed()) / 1e6;
        g_storeMs.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
        ++n;
    }
    store.stop();
    state.counters["store_median_ms"] = median(g_storeMs);
    state.counters["bare_median_ms"] = median(g_bareMs);
    state.counters["ratio"] = median(g_storeMs) / median(g_bareMs);
}

BENCHMARK(BM_PlayToPlaying)->Iterations(kIterations)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("NIMBELORA_AUDIO", "null");
    QGuiApplication app(argc, argv);
    TestDirs::isolate();
    Defaults::useMemory();
    Pref::registerDefaults();

    TestBackend backend;
    if (!backend.isRunning() || !backend.prepareMedia()) {
        std::fprintf(stderr, "development backend not ready: %s\n", qPrintable(backend.error()));
        return 1;
    }
    API::shared().setBaseUrl(QUrl(backend.origin()));
    for (const FxVideo &f : backend.fixtures().videos()) {
        if (!f.canPlay || !f.hls || f.isShort || f.live)
            continue;
        Video v;
        v.id = f.id;
        v.title = f.title;
        v.channel = QStringLiteral("Canal");
        v.duration = f.duration;
        g_videos << v;
        if (g_videos.size() == 6)
            break;
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double store = median(g_storeMs);
    const double bare = median(g_bareMs);
    if (store > 0 && bare > 0) {
        auto [storeMin, storeMax] = std::minmax_element(g_storeMs.begin(), g_storeMs.end());
        auto [bareMin, bareMax] = std::minmax_element(g_bareMs.begin(), g_bareMs.end());
        std::printf("play() to playing over %zu interleaved rounds (min/median/max): store %.1f/%.1f/%.1f ms, "
                    "bare libmpv %.1f/%.1f/%.1f ms, ratio of medians %.2f\n",
                    g_storeMs.size(), *storeMin, store, *storeMax, *bareMin, bare, *bareMax, store / bare);
    }
    return 0;
}
