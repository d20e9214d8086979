// Start of playback: from PlayerStore::play() to the first playing status
// (mpv's playback restart, as the engine reports it on the GUI thread), against
// bare libmpv loading the same HLS URLs with the same options in the same
// run. Both play against the in-process development backend; the store's
// run includes everything play() starts (history, metadata requests,
// artwork). Each round takes `samples` starts of each, one after the other
// and the first of each pair alternating, so both see the same load; a
// round's figure is the ratio of its medians. Prints every round and the
// min / median / max over the rounds.
//
//   bench_playback [rounds=9] [samples=20]
//   bench_playback --ui [rounds=9] [samples=6]    (a tap in the whole app,
//                                                  bench_playback_ui.cpp)
#include "Spread.h"
#include "BareVideo.h"
#include "API.h"
#include "Defaults.h"
#include "Fixtures.h"
#include "LibraryStore.h"
#include "MpvEngine.h"
#include "PlayerStore.h"
#include "Pref.h"
#include "TestBackend.h"
#include "TestDirs.h"
#include "WebSignIn.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kWarmUp = 2;
constexpr int kTimeoutMs = 20000;

QList<Video> g_videos;

Video videoAt(int i) { return g_videos.at(i % g_videos.size()); }

double median(const std::vector<double> &v) { return bench::spread(v).median; }

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
        : m_mpv(bench::makeMpv({
              {"pause", "yes"}, {"ao", "null"},
              // As the engine: with mpv's default both sides lose up to a
              // frame's time to the video thread when a playing file is replaced.
              {"video-timing-offset", "0"},
          })),
          m_frames(m_mpv.get())
    {
        m_frames.setSize({32, 18});
    }

    // Loads `url` playing and waits for its playback restart.
    bool loadAndWait(const QByteArray &url)
    {
        const char *cmd[] = {"loadfile", url.constData(), "replace", "pause=no", nullptr};
        if (mpv_command(m_mpv.get(), cmd) < 0)
            return false;
        bool loaded = false;
        QElapsedTimer limit;
        limit.start();
        while (limit.elapsed() < kTimeoutMs) {
            mpv_event *e = mpv_wait_event(m_mpv.get(), 1.0);
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
    bench::Mpv m_mpv;
    bench::SoftwareFrames m_frames;
};

// One sample of each, the first alternating; false when either did not play.
bool samplePair(BareMpv &mpv, PlayerStore &store, int n, bool bareFirst, double &storeMs, double &bareMs)
{
    const Video v = videoAt(n);
    const QByteArray url = API::shared().hlsURL(v.id, store.activeQuality()).toEncoded();
    const auto bare = [&] {
        QElapsedTimer t;
        t.start();
        if (!mpv.loadAndWait(url))
            return false;
        bareMs = double(t.nsecsElapsed()) / 1e6;
        return true;
    };
    const auto app = [&] {
        // Leftovers of the turn before settle first.
        QCoreApplication::processEvents();
        QElapsedTimer t;
        t.start();
        store.play(v, std::nullopt, true);
        if (!waitPlaying(store))
            return false;
        storeMs = double(t.nsecsElapsed()) / 1e6;
        return true;
    };
    return bareFirst ? bare() && app() : app() && bare();
}

} // namespace

int runPlaybackUi(int rounds, int samples);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("NIMBELORA_AUDIO", "null");
    const bool ui = argc > 1 && qstrcmp(argv[1], "--ui") == 0;
    if (ui) {
        if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
            qputenv("QT_QUICK_BACKEND", "software");
        WebSignIn::prepareApplication();
    }
    QGuiApplication app(argc, argv);
    if (ui) {
        const QStringList args = app.arguments();
        return runPlaybackUi(std::max(1, args.value(2, QStringLiteral("9")).toInt()),
                             std::max(1, args.value(3, QStringLiteral("6")).toInt()));
    }
    TestDirs::isolate();
    Defaults::useMemory();
    Pref::registerDefaults();

    TestBackend backend;
    if (!backend.isRunning() || !backend.prepareMedia()) {
        std::fprintf(stderr, "development backend not ready: %s\n", qPrintable(backend.error()));
        return 1;
    }
    API::shared().setBaseUrl(QUrl(backend.origin()));
    // Thumbnails (the Now Playing artwork) come from the backend's origin as
    // the app starts with it, not from the API's base URL.
    qputenv("NIMBELORA_BACKEND_URL", backend.origin().toUtf8());
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

    const QStringList args = app.arguments();
    const int rounds = std::max(1, args.value(1, QStringLiteral("9")).toInt());
    const int samples = std::max(1, args.value(2, QStringLiteral("20")).toInt());

    BareMpv mpv;
    auto library = std::make_unique<LibraryStore>();
    PlayerStore store(new MpvEngine);
    store.attach(library.get());
    int n = 0;
    for (int i = 0; i < kWarmUp; ++i, ++n) {
        double s = 0, b = 0;
        if (!samplePair(mpv, store, n, true, s, b)) {
            std::fprintf(stderr, "no playback while warming up\n");
            return 1;
        }
    }
    std::vector<double> storeMedians, bareMedians, ratios;
    for (int r = 0; r < rounds; ++r) {
        std::vector<double> storeMs, bareMs;
        for (int i = 0; i < samples; ++i, ++n) {
            double s = 0, b = 0;
            if (!samplePair(mpv, store, n, (r + i) % 2 == 0, s, b)) {
                std::fprintf(stderr, "no playback in round %d\n", r);
                return 1;
            }
            storeMs.push_back(s);
            bareMs.push_back(b);
        }
        storeMedians.push_back(median(storeMs));
        bareMedians.push_back(median(bareMs));
        ratios.push_back(storeMedians.back() / bareMedians.back());
        std::printf("round %d: store median %.1f ms, bare median %.1f ms, ratio %.2f\n", r, storeMedians.back(),
                    bareMedians.back(), ratios.back());
        std::fflush(stdout);
    }
    store.stop();

    const auto print = [](const char *what, const std::vector<double> &v, const char *unit) {
        bench::printSpread(what, v, unit);
    };
    std::printf("play() to playing over %d interleaved rounds of %d (min / median / max):\n", rounds, samples);
    print("store median", storeMedians, "ms");
    print("bare libmpv median", bareMedians, "ms");
    print("ratio store / bare", ratios, "");
    return bench::spread(ratios).median <= 1.1 ? 0 : 2;
}
