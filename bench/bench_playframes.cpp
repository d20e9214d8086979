// A video playing in the app with nothing else moving, against bare libmpv
// playing the same HLS stream at the same size in a bare Qt Quick window (one
// item fed by mpv's software renderer), in four places: the full player with
// its controls hidden, home and the library tab with the mini player, and
// picture in picture. For each run:
// - how often each window draws, over the video's frame rate (the pictures
//   the engine hands over per second; goal: the app's windows at most 1.1×);
// - the process's CPU while playing, app over bare (goal: at most 6×);
// - the intervals between swapped frames that show a new picture of the video
//   (the largest is the stall the user sees), and resident memory;
// - the machine's load average as the run ended;
// - in the full player, also from the tap on (the sheet sliding up, the
//   details being made, the controls hiding): the longest interval between
//   window frames that bring a new picture, in ms and in video frames
//   (goal: at most 2).
// The app runs as the user runs it: its own entry point, its window, the
// display's OpenGL (Mesa's software renderer under Xvfb), in a home folder of
// its own against the development backend started here. Each side runs in a
// process of its own, `seconds` per run after the place has settled, and the
// rounds interleave the two so both see the same machine load. Both go round
// the short clip the same way (back to its start at the end) and play through
// the default audio output, or the one NIMBELORA_AUDIO names. Events on the
// GUI thread that take longer than 50 ms while a run measures are listed on
// stderr, with their receiver. Needs a display (DISPLAY) and a session bus.
//
//   bench_playframes [rounds=5] [seconds=30] [places=player,home,library,pip]
//   bench_playframes app|bare <place> <seconds> <video id> <backend origin>   (one run)
#include "Spread.h"
#include "BareVideo.h"
#include "API.h"
#include "Fixtures.h"
#include "LayerPlugins.h"
#include "MediaEngine.h"
#include "NimbeloraApp.h"
#include "PictureInPicture.h"
#include "PlayerStore.h"
#include "Router.h"
#include "TestBackend.h"
#include "VideoSurface.h"

#include <QCoroTask>
#include <QCoroTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr int kSlowEventMs = 50;
// What a place needs to come to rest: the sheet slid away, the feed's
// pictures in, the player's controls hidden (3.5 s after it opened).
constexpr int kSettleMs = 6000;

const QStringList kPlaces = {QStringLiteral("player"), QStringLiteral("home"), QStringLiteral("library"),
                             QStringLiteral("pip")};

// The size each place shows the 16:9 video at, in pixels.
QSize videoSize(const QString &place)
{
    if (place == QLatin1String("player"))
        return {430, 242};
    if (place == QLatin1String("pip"))
        return {PictureInPicture::windowWidth, PictureInPicture::windowWidth * 9 / 16};
    return {84, 48};
}

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

// CPU time of the whole process (every thread), in seconds.
double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
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

// Swapped frames of a window, and of those the ones that show a newer
// picture than the frame before (`videoSerial` names the newest picture,
// read as the scene is synchronised).
class FrameWatch
{
public:
    FrameWatch(QQuickWindow *window, std::function<quint64()> videoSerial) : m_serial(std::move(videoSerial))
    {
        m_shown = m_serial();
        m_clock.start();
        m_connections.push_back(QObject::connect(
            window, &QQuickWindow::afterSynchronizing, window, [this] { m_synced = m_serial(); }, Qt::DirectConnection));
        m_connections.push_back(QObject::connect(window, &QQuickWindow::frameSwapped, window, [this] { swapped(); },
                                                 Qt::DirectConnection));
    }
    ~FrameWatch() { stop(); }
    // No more frames counted; the figures hold still from here.
    void stop()
    {
        for (const auto &c : m_connections)
            QObject::disconnect(c);
        m_connections.clear();
    }
    int frames() const { return m_frames; }
    const Intervals &any() const { return m_any; }
    const Intervals &video() const { return m_video; }

private:
    void swapped()
    {
        const qint64 now = m_clock.nsecsElapsed();
        ++m_frames;
        if (m_last >= 0)
            m_any.ms.push_back(double(now - m_last) / 1e6);
        m_last = now;
        const quint64 serial = m_synced;
        if (serial == m_shown)
            return;
        m_shown = serial;
        if (m_lastVideo >= 0)
            m_video.ms.push_back(double(now - m_lastVideo) / 1e6);
        m_lastVideo = now;
    }

    std::function<quint64()> m_serial;
    std::vector<QMetaObject::Connection> m_connections;
    QElapsedTimer m_clock;
    std::atomic<int> m_frames{0};
    std::atomic<quint64> m_synced{0};
    quint64 m_shown = 0;
    qint64 m_last = -1, m_lastVideo = -1;
    Intervals m_any, m_video;
};

// Measures `seconds` of playing: the windows' frames, the pictures the
// video brought, the process's CPU. `watch` shows the video; `other`, when
// given, is a second window of the same process. Prints the run's line.
int measure(TimedApp &app, QQuickWindow *watch, QQuickWindow *other, int seconds,
            const std::function<quint64()> &videoSerial)
{
    FrameWatch shown(watch, videoSerial);
    std::unique_ptr<FrameWatch> second;
    if (other)
        second = std::make_unique<FrameWatch>(other, videoSerial);
    const quint64 firstPicture = videoSerial();
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds();
    app.armed = true;
    QTest::qWait(seconds * 1000);
    app.armed = false;
    const double cpu = cpuSeconds() - cpu0;
    const double elapsed = double(wall.nsecsElapsed()) / 1e9;
    const quint64 pictures = videoSerial() - firstPicture;
    std::printf("frames %d other %d pictures %llu seconds %.3f cpu %.3f median %.2f max %.2f vmedian %.2f vmax %.2f "
                "rss %ld\n",
                shown.frames(), second ? second->frames() : -1, static_cast<unsigned long long>(pictures), elapsed, cpu,
                shown.any().median(), shown.any().max(), shown.video().median(), shown.video().max(), residentKb());
    std::fflush(stdout);
    return shown.video().ms.size() > size_t(seconds) ? 0 : 1;
}

// ---- the app, as the user runs it

QQuickItem *findNamed(QQuickItem *root, const QString &name)
{
    if (root->objectName() == name)
        return root;
    for (QQuickItem *child : root->childItems())
        if (QQuickItem *found = findNamed(child, name))
            return found;
    return nullptr;
}

QCoro::Task<bool> until(const std::function<bool()> &pred, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms)
            co_return false;
        co_await QCoro::sleepFor(50ms);
    }
    co_return true;
}

QCoro::Task<> probeApp(QQuickWindow *window, NimbeloraApp *app, QString place, int seconds, QString id)
{
    PlayerStore &player = *app->player();
    MediaEngine *engine = player.player();
    // Video pictures the engine handed over, counted as they come.
    auto pictures = std::make_shared<quint64>(0);
    QObject::connect(engine, &MediaEngine::videoFrameChanged, window, [pictures] { ++*pictures; });
    // From the tap on, what the window shows of the video: the picture the
    // surface took in as each frame was synchronised.
    std::unique_ptr<FrameWatch> fromTap;
    if (place == QLatin1String("player"))
        fromTap = std::make_unique<FrameWatch>(window, [surface = player.surface()] { return surface->shownSerial(); });
    Video v;
    v.id = id;
    v.title = QStringLiteral("Vídeo de prueba");
    v.channel = QStringLiteral("Canal");
    // The clips are short; a run needs them to go round.
    player.setLoop(true);
    player.play(v, std::nullopt, true);
    player.setPresented(true);
    if (!co_await until([&] { return player.isPlaying(); }, 30000)) {
        std::fprintf(stderr, "app: no playback\n");
        QCoreApplication::exit(1);
        co_return;
    }
    QQuickWindow *shows = window;
    QQuickWindow *other = nullptr;
    if (place == QLatin1String("home") || place == QLatin1String("library")) {
        player.setPresented(false);
        app->router()->setTab(place == QLatin1String("home") ? AppTab::home : AppTab::library);
    } else if (place == QLatin1String("pip")) {
        PictureInPicture *pip = player.pip();
        if (!pip || !co_await until([pip] { return pip->isPossible(); }, 10000)) {
            std::fprintf(stderr, "app: no picture in picture\n");
            QCoreApplication::exit(1);
            co_return;
        }
        pip->start();
        shows = pip->window();
        other = window;
    }
    co_await QCoro::sleepFor(std::chrono::milliseconds(kSettleMs));
    if (place == QLatin1String("player")) {
        QQuickItem *controls = findNamed(window->contentItem(), QStringLiteral("playerControls"));
        if (controls && controls->isVisible())
            std::fprintf(stderr, "app: the player's controls are still shown\n");
    }
    std::fprintf(stderr, "app video rendered at %d x %d\n", engine->videoTargetSize().width(),
                 engine->videoTargetSize().height());
    const int rc = measure(*static_cast<TimedApp *>(qApp), shows, other, seconds, [pictures] { return *pictures; });
    if (fromTap) {
        fromTap->stop();
        std::printf("from the tap: frames %d vmax %.2f\n", fromTap->frames(), fromTap->video().max());
        std::fflush(stdout);
    }
    QCoreApplication::exit(rc);
}

int runApp(char *program, const QString &place, int seconds, const QString &id)
{
    // The app reads a link to open from its arguments: it gets none.
    static int argc = 1;
    static char *argv[] = {program, nullptr};
    NimbeloraApp::Hooks hooks;
    hooks.application = [](int &c, char **v) { return std::make_unique<TimedApp>(c, v); };
    hooks.windowCreated = [place, seconds, id](QQuickWindow *window, NimbeloraApp *app) {
        QObject::connect(
            window, &QQuickWindow::frameSwapped, app,
            [window, app, place, seconds, id] { probeApp(window, app, place, seconds, id); },
            Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
    };
    return NimbeloraApp::main(argc, argv, hooks);
}

// ---- bare libmpv in a Qt Quick item, rendered in software at the size shown

int runBare(int argc, char **argv, const QString &place, int seconds, const QString &id, const QString &origin)
{
    TimedApp app(argc, argv);
    API::shared().setBaseUrl(QUrl(origin));
    // The same audio output as the app's.
    const QByteArray ao = qgetenv("NIMBELORA_AUDIO");
    bench::MpvOptions more;
    if (!ao.isEmpty())
        more.emplace_back("ao", ao.constData());
    const bench::Mpv owned = bench::makeMpv(more);
    mpv_handle *mpv = owned.get();
    int rc = 1;
    {
        QQuickWindow window;
        window.resize(430, 932);
        bench::BareVideo video(mpv);
        video.setParentItem(window.contentItem());
        video.setSize(QSizeF(videoSize(place)));
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
            rc = measure(app, &window, nullptr, seconds, [&video] { return video.serial(); });
            quit = true;
            events.join();
        }
    }
    return rc;
}

// ---- the rounds

struct Run
{
    double fps = 0, otherFps = -1, videoFps = 0, cpu = 0;
    double median = 0, max = 0, videoMedian = 0, videoMax = 0;
    double tapVideoMax = -1; // ms, the full player from the tap on
    long rss = 0;
    QString load;
};

QString loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    const QList<QByteArray> fields = f.readAll().split(' ');
    return QString::fromLatin1(fields.mid(0, 3).join(' '));
}

bool runChild(const QString &self, const QProcessEnvironment &env, const QString &mode, const QString &place,
              int seconds, const QString &id, const QString &origin, Run &out)
{
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(self, {mode, place, QString::number(seconds), id, origin});
    child.waitForFinished((seconds + 120) * 1000);
    const QString text = QString::fromUtf8(child.readAllStandardOutput());
    const auto m = QRegularExpression(QStringLiteral(
        "frames ([0-9]+) other (-?[0-9]+) pictures ([0-9]+) seconds ([0-9.]+) cpu ([0-9.]+) median ([0-9.]+) "
        "max ([0-9.]+) vmedian ([0-9.]+) vmax ([0-9.]+) rss ([0-9]+)")).match(text);
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0 || !m.hasMatch()) {
        std::fprintf(stderr, "%s run: %s, exit code %d, output: %s\n", qPrintable(mode),
                     child.exitStatus() == QProcess::NormalExit ? "ended" : "crashed", child.exitCode(),
                     qPrintable(text.trimmed()));
        return false;
    }
    const double s = m.captured(4).toDouble();
    out.fps = m.captured(1).toDouble() / s;
    out.otherFps = m.captured(2).toInt() < 0 ? -1 : m.captured(2).toDouble() / s;
    out.videoFps = m.captured(3).toDouble() / s;
    out.cpu = m.captured(5).toDouble() / s * 100;
    out.median = m.captured(6).toDouble();
    out.max = m.captured(7).toDouble();
    out.videoMedian = m.captured(8).toDouble();
    out.videoMax = m.captured(9).toDouble();
    out.rss = m.captured(10).toLong();
    const auto tap = QRegularExpression(QStringLiteral("from the tap: frames [0-9]+ vmax ([0-9.]+)")).match(text);
    if (tap.hasMatch())
        out.tapVideoMax = tap.captured(1).toDouble();
    out.load = loadAverage();
    return true;
}

QString pickVideo(TestBackend &backend)
{
    for (const FxVideo &f : backend.fixtures().videos())
        if (f.canPlay && f.hls && !f.isShort && !f.live)
            return f.id;
    return {};
}

// One place's figures over the rounds.
struct Series
{
    std::vector<double> appRatio, pipRatio, bareRatio, appCpu, bareCpu, cpuRatio, appVmax, bareVmax, appRss, bareRss;
    std::vector<double> tapVmax, tapVmaxFrames;
};

} // namespace

int main(int argc, char **argv)
{
    if (argc == 6 && QByteArray(argv[1]) == "app")
        return runApp(argv[0], QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt(),
                      QString::fromLocal8Bit(argv[4]));
    if (argc == 6 && QByteArray(argv[1]) == "bare")
        return runBare(argc, argv, QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt(),
                       QString::fromLocal8Bit(argv[4]), QString::fromLocal8Bit(argv[5]));

    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int rounds = args.size() > 1 ? std::max(1, args[1].toInt()) : 5;
    const int seconds = args.size() > 2 ? std::max(1, args[2].toInt()) : 30;
    const QStringList places = args.size() > 3 ? args[3].split(QLatin1Char(','), Qt::SkipEmptyParts) : kPlaces;
    for (const QString &p : places)
        if (!kPlaces.contains(p)) {
            std::fprintf(stderr, "unknown place %s\n", qPrintable(p));
            return 1;
        }
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "needs a display (DISPLAY)\n");
        return 1;
    }

    TestBackend::Options options;
    options.media = true;
    TestBackend backend(options);
    if (!backend.isRunning() || !backend.prepareMedia()) {
        std::fprintf(stderr, "backend: %s\n", qPrintable(backend.error()));
        return 1;
    }
    const QString id = pickVideo(backend);
    if (id.isEmpty()) {
        std::fprintf(stderr, "no playable video\n");
        return 1;
    }
    // The app's own home, where the welcome has been seen.
    QTemporaryDir home;
    QDir().mkpath(home.path() + QStringLiteral("/.config/Nimbelora"));
    QFile ini(home.path() + QStringLiteral("/.config/Nimbelora/Nimbelora.ini"));
    if (!ini.open(QIODevice::WriteOnly) || ini.write("[General]\npref.onboarded=true\n") < 0)
        return 1;
    ini.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "QT_QPA_PLATFORM", "QT_QUICK_BACKEND"})
        env.remove(QString::fromLatin1(v));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("NIMBELORA_BACKEND_URL"), backend.origin());

    std::map<QString, Series> series;
    for (int r = 0; r < rounds; ++r) {
        for (const QString &place : places) {
            Run a, b;
            // Alternate who goes first.
            const bool appFirst = r % 2 == 0;
            const auto appRun = [&] {
                return runChild(args[0], env, QStringLiteral("app"), place, seconds, id, backend.origin(), a);
            };
            const auto bareRun = [&] {
                return runChild(args[0], env, QStringLiteral("bare"), place, seconds, id, backend.origin(), b);
            };
            const bool ok = appFirst ? appRun() && bareRun() : bareRun() && appRun();
            if (!ok) {
                std::fprintf(stderr, "round %d, %s: a run failed\n", r, qPrintable(place));
                return 1;
            }
            Series &s = series[place];
            s.appRatio.push_back(a.fps / a.videoFps);
            if (a.otherFps >= 0)
                s.pipRatio.push_back(a.otherFps / a.videoFps);
            s.bareRatio.push_back(b.fps / b.videoFps);
            s.appCpu.push_back(a.cpu);
            s.bareCpu.push_back(b.cpu);
            s.cpuRatio.push_back(a.cpu / b.cpu);
            s.appVmax.push_back(a.videoMax);
            s.bareVmax.push_back(b.videoMax);
            s.appRss.push_back(a.rss / 1024.0);
            s.bareRss.push_back(b.rss / 1024.0);
            // In the video's own frames: its pictures per second as the run
            // measured them.
            const double tapFrames = a.tapVideoMax * a.videoFps / 1000;
            if (a.tapVideoMax >= 0) {
                s.tapVmax.push_back(a.tapVideoMax);
                s.tapVmaxFrames.push_back(tapFrames);
            }
            std::printf("round %d, %-7s app %5.1f fps", r, qPrintable(place), a.fps);
            if (a.otherFps >= 0)
                std::printf(" (main window %5.1f)", a.otherFps);
            std::printf(" / video %4.1f fps = %.2fx, cpu %5.1f %% (load %s) | bare %5.1f fps / %4.1f = %.2fx, cpu "
                        "%4.1f %% (load %s) | cpu app/bare %.1fx | video frames median %.0f max %.0f ms (bare %.0f, "
                        "%.0f) | rss %.0f MiB (bare %.0f)\n",
                        a.videoFps, a.fps / a.videoFps, a.cpu, qPrintable(a.load), b.fps, b.videoFps,
                        b.fps / b.videoFps, b.cpu, qPrintable(b.load), a.cpu / b.cpu, a.videoMedian, a.videoMax,
                        b.videoMedian, b.videoMax, a.rss / 1024.0, b.rss / 1024.0);
            if (a.tapVideoMax >= 0)
                std::printf("round %d, %-7s from the tap: longest video frame interval %.0f ms = %.1f video frames\n", r,
                            qPrintable(place), a.tapVideoMax, tapFrames);
            std::fflush(stdout);
        }
    }

    const auto print = [](const char *what, const std::vector<double> &v, const char *unit) {
        bench::printSpread(what, v, unit, 40);
    };
    bool met = true;
    std::printf("over %d interleaved rounds of %d s (min / median / max):\n", rounds, seconds);
    for (const QString &place : places) {
        const Series &s = series[place];
        std::printf("%s\n", qPrintable(place));
        print(place == QLatin1String("pip") ? "  app floating window fps / video fps" : "  app window fps / video fps",
              s.appRatio, "(goal <= 1.10)");
        if (!s.pipRatio.empty())
            print("  app main window fps / video fps", s.pipRatio, "(goal <= 1.10)");
        print("  bare window fps / video fps", s.bareRatio, "");
        print("  app cpu", s.appCpu, "% of a core");
        print("  bare cpu", s.bareCpu, "% of a core");
        print("  cpu app / bare", s.cpuRatio, "(goal <= 6)");
        print("  app longest video frame interval", s.appVmax, "ms");
        print("  bare longest video frame interval", s.bareVmax, "ms");
        if (!s.tapVmax.empty()) {
            print("  app longest video gap from the tap", s.tapVmax, "ms");
            print("  app the same in video frames", s.tapVmaxFrames, "(goal <= 2)");
            met = met && bench::spread(s.tapVmaxFrames).max <= 2;
        }
        print("  app resident memory", s.appRss, "MiB");
        print("  bare resident memory", s.bareRss, "MiB");
        met = met && bench::spread(s.appRatio).median <= 1.1 && bench::spread(s.cpuRatio).median <= 6;
        if (!s.pipRatio.empty())
            met = met && bench::spread(s.pipRatio).median <= 1.1;
    }
    return met ? 0 : 2;
}
