// bench_playback --ui: from a tap on a card of the home screen in the whole
// app (root view, real QML, real mpv, the in-process development backend) to
// the first swapped frame of the window that shows a picture of the video in
// the player, against bare libmpv, configured as the engine is, drawing in
// software into a Qt Quick item of the same size in a window of the same
// size, loading the same HLS URL at the same quality. Between two starts each
// side stops its video and settles for the same time: the app closes its
// player, so every tap opens it anew. Each round takes `samples` starts of
// each, one after the other and the first of each pair alternating; a
// round's figure is the ratio of its medians. Prints every round with the
// load average and where the app's time went (the tap's play() reaching
// the engine, the item ready, playing), then the min / median / max over the
// rounds; the last line is "ui ratio X" with X the median ratio. Both sides
// judge the same way which frame first shows a picture: the one whose
// synchronisation began with a picture at hand, so each may count one frame
// late, alike.
#include "Spread.h"
#include "BareVideo.h"
#include "API.h"
#include "Fixtures.h"
#include "LibraryRig.h"
#include "MpvEngine.h"
#include "PlayerStore.h"
#include "Router.h"
#include "ScreenSlot.h"
#include "VideoSurface.h"

#include <QElapsedTimer>
#include <QFile>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

namespace {

constexpr int kWarmUp = 2;
constexpr int kTimeoutMs = 20000;
// After a stop, before the next start: the app's player slides away and is
// taken down in this time.
constexpr int kSettleMs = 600;

double loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    return f.readAll().split(' ').value(0).toDouble();
}

double msSince(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }

bool waitFor(const char *what, const std::function<bool()> &pred, int ms)
{
    if (QTest::qWaitFor(pred, ms))
        return true;
    std::fprintf(stderr, "timed out waiting for %s\n", what);
    return false;
}

// The first frame a window swaps, once armed, whose synchronisation began
// with `shows()` true: the picture it found went into that frame.
class FirstPicture
{
public:
    FirstPicture(QQuickWindow *window, std::function<bool()> shows) : m_shows(std::move(shows))
    {
        m_sync = QObject::connect(window, &QQuickWindow::beforeSynchronizing, window, [this] {
            if (m_armed && !m_found && m_shows())
                m_found = true;
        }, Qt::DirectConnection);
        m_swap = QObject::connect(window, &QQuickWindow::frameSwapped, window, [this] {
            if (m_armed && m_found && !m_done) {
                m_at = msSince(m_clock);
                m_done = true;
            }
        }, Qt::DirectConnection);
    }
    ~FirstPicture()
    {
        QObject::disconnect(m_sync);
        QObject::disconnect(m_swap);
    }

    void arm()
    {
        m_found = false;
        m_done = false;
        m_clock.start();
        m_armed = true;
    }
    // Milliseconds from arm() to that frame; negative when none came.
    double wait()
    {
        const bool ok = QTest::qWaitFor([this] { return m_done.load(); }, kTimeoutMs);
        m_armed = false;
        return ok ? m_at.load() : -1;
    }
    const QElapsedTimer &clock() const { return m_clock; }

private:
    std::function<bool()> m_shows;
    QMetaObject::Connection m_sync, m_swap;
    QElapsedTimer m_clock;
    std::atomic<bool> m_armed{false}, m_found{false}, m_done{false};
    std::atomic<double> m_at{0};
};

// ---- the app

// Where one start of the app spent its time, in ms from the tap; negative
// when the mark was not reached.
struct Marks
{
    double loading = -1, ready = -1, playing = -1;
};

class AppSide
{
public:
    bool start()
    {
        if (!m_rig.start())
            return false;
        m_rig.reset(1, false, new MpvEngine);
        if (!m_rig.load())
            return false;
        m_rig.app().router()->setTab(AppTab::home);
        // As the app's own window does: what QML makes asynchronously is
        // made in slices between frames.
        m_rig.qml().engine().setIncubationController(m_rig.window()->incubationController());
        PlayerStore *player = m_rig.app().player();
        m_surface = player->surface();
        MediaEngine *engine = player->player();
        m_first = std::make_unique<FirstPicture>(m_rig.window(), [this, engine] {
            return m_surface->isActive() && m_surface->isVisible() && m_surface->width() > 0 &&
                   m_surface->parentItem() && m_surface->parentItem()->objectName() == QLatin1String("sheetSurfaceHost") &&
                   engine->hasItem() && !engine->videoFrame().image.isNull();
        });
        QObject::connect(engine, &MediaEngine::itemStatusChanged, engine, [this](quint64, MediaEngine::ItemStatus s) {
            if (s == MediaEngine::ItemStatus::Loading)
                mark(m_marks.loading);
            else if (s == MediaEngine::ItemStatus::Ready)
                mark(m_marks.ready);
        });
        QObject::connect(engine, &MediaEngine::timeControlStatusChanged, engine, [this](MediaEngine::TimeControlStatus s) {
            if (s == MediaEngine::TimeControlStatus::Playing)
                mark(m_marks.playing);
        });
        // Live videos lead the feed: scroll to ordinary ones.
        if (!waitFor("the home cards", [this] { return !cards().isEmpty(); }, kTimeoutMs))
            return false;
        for (int step = 0; step < 40 && playableIds().size() < 3; ++step) {
            QQuickItem *feed = nullptr;
            for (QQuickItem *item : m_rig.qml().root()->findChildren<QQuickItem *>())
                if (item->inherits("QQuickFlickable") && item->isVisible() &&
                    item->property("flickableDirection").toInt() != 1 && (!feed || item->height() > feed->height()))
                    feed = item;
            if (!feed)
                break;
            feed->setProperty("contentY", feed->property("contentY").toDouble() + 300);
            QTest::qWait(150);
        }
        return waitFor("playable cards", [this] { return !playableIds().isEmpty(); }, kTimeoutMs);
    }

    TestBackend &backend() { return m_rig.backend(); }
    PlayerStore &player() { return *m_rig.app().player(); }
    // The size the player showed its first picture at.
    QSizeF pictureSize() const { return m_pictureSize; }

    // The ids of the playable HLS videos whose cards are on screen.
    QStringList playableIds()
    {
        QStringList ids;
        for (QQuickItem *card : cards()) {
            const QString id = card->property("video").value<Video>().id;
            const FxVideo *f = fixture(id);
            if (f && f->canPlay && f->hls && !f->live && !f->isShort && !ids.contains(id))
                ids << id;
        }
        return ids;
    }

    // One tap on the card of `id`; the time to its first picture in ms.
    double sample(const QString &id, Marks &marks)
    {
        QQuickItem *card = nullptr;
        for (QQuickItem *c : cards())
            if (c->property("video").value<Video>().id == id)
                card = c;
        if (!card)
            return -1;
        m_marks = {};
        m_first->arm();
        m_rig.qml().click(card);
        const double ms = m_first->wait();
        marks = m_marks;
        m_pictureSize = m_surface->size();
        return ms;
    }

    bool reset()
    {
        player().stop();
        auto *slot = qobject_cast<ScreenSlot *>(m_rig.qml().find(QStringLiteral("playerSheet")));
        const bool closed = waitFor("the player to close", [slot] { return !slot || !slot->item(); },
                                              kTimeoutMs);
        QTest::qWait(kSettleMs);
        return closed;
    }

    void unload() { m_rig.unload(); }

private:
    // The cards wholly on screen, above the tab bar.
    QList<QQuickItem *> cards()
    {
        QList<QQuickItem *> whole;
        const qreal bottom = m_rig.window()->height() - 60;
        for (QQuickItem *card : QmlHarness::shownItems(m_rig.qml().root(), QStringLiteral("videoCard"))) {
            const QRectF r = card->mapRectToScene(card->boundingRect());
            if (r.top() >= 0 && r.bottom() <= bottom)
                whole << card;
        }
        return whole;
    }
    const FxVideo *fixture(const QString &id)
    {
        for (const FxVideo &f : m_rig.backend().fixtures().videos())
            if (f.id == id)
                return &f;
        return nullptr;
    }
    void mark(double &at)
    {
        if (at < 0)
            at = msSince(m_first->clock());
    }

    librarytab::LibraryRig m_rig;
    VideoSurface *m_surface = nullptr;
    QSizeF m_pictureSize;
    std::unique_ptr<FirstPicture> m_first;
    Marks m_marks;
};

// ---- the bare window: bare libmpv, as the engine sets it up, drawn by a
// Qt Quick item

class BareSide
{
public:
    explicit BareSide(const QSize &window, const QSizeF &picture)
        // The engine's options (MpvEngine::makeCore), no sound device.
        : m_mpv(bench::makeMpv({
              {"pause", "yes"}, {"input-default-bindings", "no"}, {"input-vo-keyboard", "no"},
              {"osc", "no"}, {"load-stats-overlay", "no"}, {"load-osd-console", "no"}, {"load-auto-profiles", "no"},
              {"keepaspect", "no"}, {"video-timing-offset", "0"}, {"ao", "null"},
          })),
          // Events are drained as any player must.
          m_events([this] {
              while (!m_quit)
                  mpv_wait_event(m_mpv.get(), 0.2);
          }),
          m_video(m_mpv.get())
    {
        m_window.resize(window);
        m_video.setParentItem(m_window.contentItem());
        m_video.setSize(picture);
        m_window.show();
        (void)QTest::qWaitForWindowExposed(&m_window);
        m_first = std::make_unique<FirstPicture>(&m_window, [this] { return m_video.hasPicture(); });
    }

    ~BareSide()
    {
        m_quit = true;
        mpv_wakeup(m_mpv.get());
        m_events.join();
    }

    double sample(const QByteArray &url)
    {
        m_first->arm();
        // Playing from its start, as the store starts a video.
        int no = 0;
        mpv_set_property_async(m_mpv.get(), 0, "pause", MPV_FORMAT_FLAG, &no);
        const char *cmd[] = {"loadfile", url.constData(), "replace", nullptr};
        mpv_command_async(m_mpv.get(), 0, cmd);
        return m_first->wait();
    }

    void reset()
    {
        const char *cmd[] = {"stop", nullptr};
        mpv_command_async(m_mpv.get(), 0, cmd);
        m_video.clear();
        QTest::qWait(kSettleMs);
    }

private:
    bench::Mpv m_mpv;
    std::atomic<bool> m_quit{false};
    std::thread m_events;
    QQuickWindow m_window;
    bench::BareVideo m_video;
    std::unique_ptr<FirstPicture> m_first;
};

double median(const std::vector<double> &v) { return bench::spread(v).median; }

} // namespace

int runPlaybackUi(int rounds, int samples)
{
    AppSide app;
    if (!app.start()) {
        std::fprintf(stderr, "the app did not show its home cards\n");
        return 1;
    }
    if (!app.backend().prepareMedia()) {
        std::fprintf(stderr, "development backend media not ready: %s\n", qPrintable(app.backend().error()));
        return 1;
    }
    const QStringList ids = app.playableIds();
    std::printf("cards tapped: %s\n", qPrintable(ids.join(QStringLiteral(", "))));

    std::unique_ptr<BareSide> bare;
    int n = 0;
    // One pair: the same video on both sides, the first alternating.
    const auto pair = [&](bool bareFirst, double &appMs, double &bareMs, Marks &marks) {
        const QString id = ids.at(n++ % ids.size());
        const auto appTurn = [&] {
            appMs = app.sample(id, marks);
            return appMs >= 0 && app.reset();
        };
        const auto bareTurn = [&] {
            if (!bare) // sized as the app shows the video
                bare = std::make_unique<BareSide>(QSize(430, 932), app.pictureSize());
            const QByteArray url = API::shared().hlsURL(id, app.player().activeQuality()).toEncoded();
            bareMs = bare->sample(url);
            bare->reset();
            return bareMs >= 0;
        };
        // The app goes first the very first time: the bare window takes the
        // size of the app's picture.
        return bareFirst && bare ? bareTurn() && appTurn() : appTurn() && bareTurn();
    };

    for (int i = 0; i < kWarmUp; ++i) {
        double a = 0, b = 0;
        Marks m;
        if (!pair(i % 2 == 1, a, b, m)) {
            std::fprintf(stderr, "no picture while warming up\n");
            return 1;
        }
    }
    std::printf("picture %.0f x %.0f in a 430 x 932 window\n", app.pictureSize().width(), app.pictureSize().height());

    std::vector<double> appMedians, bareMedians, ratios, loads;
    for (int r = 0; r < rounds; ++r) {
        const double load = loadAverage();
        std::vector<double> appMs, bareMs, loading, ready, playing;
        for (int i = 0; i < samples; ++i) {
            double a = 0, b = 0;
            Marks m;
            if (!pair((r + i) % 2 == 0, a, b, m)) {
                std::fprintf(stderr, "no picture in round %d\n", r);
                return 1;
            }
            appMs.push_back(a);
            bareMs.push_back(b);
            loading.push_back(m.loading);
            ready.push_back(m.ready);
            playing.push_back(m.playing);
        }
        appMedians.push_back(median(appMs));
        bareMedians.push_back(median(bareMs));
        ratios.push_back(appMedians.back() / bareMedians.back());
        loads.push_back(load);
        std::printf("round %d (load %.2f): app median %.1f ms, bare median %.1f ms, ratio %.2f | app medians: "
                    "engine load %.1f, ready %.1f, playing %.1f ms\n",
                    r, load, appMedians.back(), bareMedians.back(), ratios.back(), median(loading), median(ready),
                    median(playing));
        std::fflush(stdout);
    }
    app.player().stop();
    bare.reset();
    app.unload();

    std::printf("tap to first picture over %d interleaved rounds of %d (min / median / max):\n", rounds, samples);
    bench::printSpread("app median", appMedians, "ms");
    bench::printSpread("bare libmpv median", bareMedians, "ms");
    bench::printSpread("ratio app / bare", ratios, "");
    bench::printSpread("load average (1 min)", loads, "");
    const double ratio = median(ratios);
    std::printf("ui ratio %.2f\n", ratio);
    return ratio <= 1.3 ? 0 : 2;
}
