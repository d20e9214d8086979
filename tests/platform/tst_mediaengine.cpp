#include "SampleClips.h"
#include "AudioSession.h"
#include "BackgroundPool.h"
#include "HlsMaster.h"
#include "MediaEngineFactory.h"
#include "MpvEngine.h"
#include "RoutePicker.h"
#include "SimulatedEngine.h"
#include <QFile>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <memory>

using TC = MediaEngine::TimeControlStatus;
using IS = MediaEngine::ItemStatus;

namespace {

// Serves the files of one folder over HTTP; 404 for anything else, and no
// answer at all for paths containing "hang".
class TinyServer : public QTcpServer
{
public:
    explicit TinyServer(const QString &folder = {}) : m_folder(folder)
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = nextPendingConnection())
                connect(s, &QTcpSocket::readyRead, s, [this, s] { answer(s); });
        });
        listen(QHostAddress::LocalHost);
    }
    QUrl url(const QString &path) const { return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path)); }
    // How often a path (without its query) was asked for.
    int count(const QByteArray &path) const
    {
        return int(std::count_if(m_asked.cbegin(), m_asked.cend(),
                                 [&](const QByteArray &t) { return t.split('?').value(0) == path; }));
    }
    // Every request's target, as sent.
    QList<QByteArray> asked() const { return m_asked; }

private:
    void answer(QTcpSocket *s)
    {
        QByteArray &request = m_pending[s];
        request += s->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        const QByteArray path = request.split(' ').value(1);
        m_asked << path;
        m_pending.remove(s);
        if (path.contains("hang"))
            return;
        QFile file(m_folder + '/' + QString::fromUtf8(path).section('?', 0, 0).mid(1));
        if (m_folder.isEmpty() || path.contains("..") || !file.open(QIODevice::ReadOnly)) {
            s->write("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\nnot found");
        } else {
            const QByteArray body = file.readAll();
            s->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
                     "\r\nConnection: close\r\n\r\n" + body);
        }
        s->disconnectFromHost();
    }

    QString m_folder;
    QHash<QTcpSocket *, QByteArray> m_pending;
    QList<QByteArray> m_asked;
};

constexpr int kLong = 20000; // generous: the machine may be busy

// What a seek's completion reported, and where the play head was then.
struct SeekProbe
{
    int calls = 0;
    bool finished = false;
    double landed = -1;
};

std::shared_ptr<SeekProbe> seekAndWatch(MediaEngine &e, double to)
{
    auto p = std::make_shared<SeekProbe>();
    e.seek(to, [p, &e](bool f) {
        ++p->calls;
        p->finished = f;
        p->landed = e.currentTime();
    });
    return p;
}

void readySimulated(SimulatedEngine &e)
{
    e.load(QUrl("http://x/a"), false);
    e.makeReady(60);
}

} // namespace

class TestMediaEngine : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QUrl m_clip; // 3 s, 25 fps, a key frame every second, with sound
    bool m_hls = false; // the clip as HLS beside it

    bool waitReady(MediaEngine &e)
    {
        (void)TestTime::waitFor([&] { return e.itemStatus() != IS::Loading; }, kLong);
        return e.itemStatus() == IS::Ready;
    }

private slots:
    void initTestCase()
    {
        qputenv("NIMBELORA_AUDIO", "null");
        const QString path = m_dir.filePath(QStringLiteral("clip.mp4"));
        if (!makeClip(path, QStringLiteral("testsrc2=size=320x240:rate=25:duration=3"), 3))
            QSKIP("ffmpeg could not make the test clip");
        m_clip = QUrl::fromLocalFile(path);

        // The same clip as HLS: a master playlist with one variant.
        QProcess hls;
        hls.start(QStringLiteral("ffmpeg"), {"-loglevel", "error", "-y", "-i", path, "-c", "copy", "-f", "hls",
                                             "-hls_time", "1", "-hls_playlist_type", "vod",
                                             m_dir.filePath(QStringLiteral("v240.m3u8"))});
        QFile master(m_dir.filePath(QStringLiteral("master.m3u8")));
        QFile escaped(m_dir.filePath(QStringLiteral("escaped.m3u8")));
        m_hls = hls.waitForFinished(60000) && hls.exitCode() == 0 && master.open(QIODevice::WriteOnly) &&
                master.write("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=800000,RESOLUTION=320x240\nv240.m3u8\n") > 0 &&
                escaped.open(QIODevice::WriteOnly) &&
                escaped.write("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\nv240.m3u8?k=a%2Fb%20c\n") > 0;
    }

    // --- the shared rules, driven through the scripted engine ---

    void timeControlStatus_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<TC>("expected");
        QTest::newRow("nothing loaded") << "" << TC::Paused;
        QTest::newRow("loading, paused") << "load" << TC::Paused;
        QTest::newRow("loading, to play") << "load+play" << TC::WaitingToPlay;
        QTest::newRow("ready, playing") << "load+play ready" << TC::Playing;
        QTest::newRow("ready, paused") << "load ready" << TC::Paused;
        QTest::newRow("buffering") << "load+play ready buffer" << TC::WaitingToPlay;
        QTest::newRow("buffering while paused") << "load ready buffer" << TC::Paused;
        QTest::newRow("buffered again") << "load+play ready buffer unbuffer" << TC::Playing;
        QTest::newRow("failed while playing") << "load+play fail" << TC::Paused;
        QTest::newRow("ended") << "load+play ready end" << TC::Paused;
        QTest::newRow("unloaded") << "load+play ready unload" << TC::Paused;
        QTest::newRow("paused by rate 0") << "load+play ready rate0" << TC::Paused;
        QTest::newRow("played by a rate") << "load ready rate2" << TC::Playing;
    }

    void timeControlStatus()
    {
        QFETCH(QString, script);
        QFETCH(TC, expected);
        SimulatedEngine e;
        const QHash<QString, std::function<void()>> steps{
            {"load", [&] { e.load(QUrl("http://x/a"), false); }},
            {"load+play", [&] { e.load(QUrl("http://x/a"), true); }},
            {"ready", [&] { e.makeReady(60); }},
            {"buffer", [&] { e.setBuffering(true); }},
            {"unbuffer", [&] { e.setBuffering(false); }},
            {"fail", [&] { e.fail(); }},
            {"end", [&] { e.end(); }},
            {"unload", [&] { e.unload(); }},
            {"rate0", [&] { e.setRate(0); }},
            {"rate2", [&] { e.setRate(2); }},
        };
        for (const QString &step : script.split(' ', Qt::SkipEmptyParts))
            steps.value(step)();
        QCOMPARE(e.timeControlStatus(), expected);
    }

    void periodicTime_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("rate");
        QTest::addColumn<double>("advance");
        QTest::addColumn<QList<double>>("ticks");
        QTest::newRow("one second") << 0.0 << 1.0 << 1.0 << QList<double>{0.25, 0.5, 0.75, 1.0};
        QTest::newRow("double rate") << 0.0 << 2.0 << 0.5 << QList<double>{0.25, 0.5, 0.75, 1.0};
        QTest::newRow("between marks") << 0.1 << 1.0 << 0.6 << QList<double>{0.25, 0.5};
        QTest::newRow("short step") << 0.3 << 1.0 << 0.1 << QList<double>{};
        QTest::newRow("half rate") << 10.0 << 0.5 << 1.0 << QList<double>{10.25, 10.5};
    }

    void periodicTime()
    {
        QFETCH(double, start);
        QFETCH(double, rate);
        QFETCH(double, advance);
        QFETCH(QList<double>, ticks);
        SimulatedEngine e;
        e.setDefaultRate(rate);
        e.load(QUrl("http://x/a"), true);
        e.makeReady(600);
        e.setTime(start);
        QSignalSpy spy(&e, &MediaEngine::periodicTime);
        e.advance(advance);
        QCOMPARE(spy.size(), ticks.size());
        for (int i = 0; i < ticks.size(); ++i)
            QVERIFY2(std::abs(spy[i][0].toDouble() - ticks[i]) < 1e-9, qPrintable(spy[i][0].toString()));
        QVERIFY(std::abs(e.currentTime() - (start + advance * rate)) < 1e-9);
    }

    void endOfItemIsSignalledOncePerArrival()
    {
        SimulatedEngine e;
        const quint64 item = e.load(QUrl("http://x/a"), true);
        e.makeReady(2);
        QSignalSpy ended(&e, &MediaEngine::itemEnded);
        e.advance(5);
        e.advance(5);
        e.end();
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended[0][0].value<quint64>(), item);
        QCOMPARE(e.timeControlStatus(), TC::Paused);
        QCOMPARE(e.rate(), 0.0);
        QCOMPARE(e.currentTime(), 2.0);

        // Back to the start and through to the end again: a second arrival.
        e.seek(0);
        e.completeSeek();
        e.play();
        e.advance(3);
        QCOMPARE(ended.size(), 2);
    }

    void newerSeekSupersedesOlder()
    {
        SimulatedEngine e;
        readySimulated(e);
        QList<std::pair<int, bool>> done;
        e.seek(10, [&](bool f) { done << std::pair{1, f}; });
        e.seek(20, [&](bool f) { done << std::pair{2, f}; });
        QVERIFY(done.isEmpty()); // completions never run inside seek()
        QCOMPARE(e.currentTime(), 20.0);
        e.completeSeek();
        QTRY_COMPARE(done.size(), 2);
        QCOMPARE(done, (QList<std::pair<int, bool>>{{2, true}, {1, false}}));
        QCOMPARE(e.currentTime(), 20.0);
    }

    void seekWithoutAPlayableItemFails_data()
    {
        QTest::addColumn<QString>("state");
        QTest::newRow("no item") << "none";
        QTest::newRow("failed item") << "failed";
        QTest::newRow("item replaced meanwhile") << "replaced";
        QTest::newRow("item removed meanwhile") << "unloaded";
    }

    void seekWithoutAPlayableItemFails()
    {
        QFETCH(QString, state);
        SimulatedEngine e;
        if (state == "failed") {
            e.load(QUrl("http://x/a"), false);
            e.fail();
        } else if (state != "none") {
            readySimulated(e);
        }
        const auto seek = seekAndWatch(e, 12);
        if (state == "replaced")
            e.load(QUrl("http://x/b"), false);
        if (state == "unloaded")
            e.unload();
        QTRY_COMPARE(seek->calls, 1);
        QVERIFY(!seek->finished);
        e.completeSeek(e.lastSeek(), true); // too late: nothing more happens
        QTest::qWait(10);
        QCOMPARE(seek->calls, 1);
    }

    void playUsesTheDefaultRate()
    {
        SimulatedEngine e;
        e.setDefaultRate(1.5);
        e.setDefaultRate(0); // refused
        QCOMPARE(e.defaultRate(), 1.5);
        readySimulated(e);
        QCOMPARE(e.rate(), 0.0);
        e.play();
        QCOMPARE(e.rate(), 1.5);
        e.playImmediately(2.0);
        QCOMPARE(e.rate(), 2.0);
        // A load that plays starts at the default rate again.
        e.load(QUrl("http://x/b"), true);
        QCOMPARE(e.rate(), 1.5);
    }

    void lastVideoHolderWins()
    {
        SimulatedEngine e;
        QObject a, b;
        auto *c = new QObject;
        e.setVideoHolder(&a);
        e.setVideoHolder(&b);
        QCOMPARE(e.videoHolder(), &b);
        e.setVideoHolder(c);
        e.setVideoTargetSize(QSize(640, 360));
        delete c;
        QCOMPARE(e.videoHolder(), nullptr);
        QCOMPARE(e.videoTargetSize(), QSize()); // nobody shows it any more
    }

    // --- mpv ---

    // The core is made in the background: not before it is asked for, and
    // an engine gone while it is being made takes it down with no harm.
    void mpvCoreStartsWhenAsked()
    {
        MpvEngine e;
        QTest::qWait(50);
        QVERIFY(!e.isAvailable());
        e.prepare();
        QTRY_VERIFY_WITH_TIMEOUT(e.isAvailable(), kLong);

        auto early = std::make_unique<MpvEngine>();
        early->prepare();
        early.reset();
        QTest::qWait(300);
    }

    // Pictures queued in the background pool do not hold a player back: the
    // core is made as soon as a thread is free, not after the queue.
    void mpvCoreGoesAheadOfQueuedWork()
    {
        QThreadPool *pool = backgroundPool();
        QSemaphore release;
        std::atomic<int> started{0}, done{0};
        for (int i = 0; i < pool->maxThreadCount(); ++i)
            pool->start([&] {
                ++started;
                release.acquire();
            });
        QTRY_COMPARE(started.load(), pool->maxThreadCount());
        constexpr int queued = 40;
        for (int i = 0; i < queued; ++i)
            pool->start([&] {
                QThread::msleep(5);
                ++done;
            });
        MpvEngine e;
        e.prepare();
        release.release(pool->maxThreadCount());
        QTRY_VERIFY_WITH_TIMEOUT(e.isAvailable(), kLong);
        QVERIFY2(done.load() < queued, "the core waited for the whole queue");
        QVERIFY(pool->waitForDone(kLong));
    }

    // A load before the core exists starts it and waits for it; then it
    // plays, reports what it has loaded, and holds still when paused.
    void mpvLoadPlayAndPause()
    {
        MpvEngine e;
        QSignalSpy ready(&e, &MediaEngine::itemReady);
        const quint64 item = e.load(m_clip, false);
        QVERIFY(waitReady(e));
        QCOMPARE(ready.size(), 1);
        QCOMPARE(ready[0][0].value<quint64>(), item);
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(e.duration() - 3.0) < 0.1, kLong);
        QTRY_COMPARE_WITH_TIMEOUT(e.presentationSize(), QSize(320, 240), kLong);
        QCOMPARE(e.timeControlStatus(), TC::Paused);

        e.play();
        QTRY_COMPARE_WITH_TIMEOUT(e.timeControlStatus(), TC::Playing, kLong);
        QTRY_VERIFY_WITH_TIMEOUT(e.currentTime() > 0.5, kLong);
        QTRY_VERIFY_WITH_TIMEOUT(!e.loadedTimeRanges().isEmpty(), kLong);
        const LoadedRange range = e.loadedTimeRanges().first();
        QVERIFY(range.start <= 0.1);
        QVERIFY(range.end() > 2.5);
        const auto log = e.accessLog();
        QVERIFY(log);
        QVERIFY(log->droppedVideoFrames >= 0);
        QCOMPARE(log->stalls, 0);
        QCOMPARE(log->indicatedBitrate, 0.0); // not HLS

        e.pause();
        QCOMPARE(e.timeControlStatus(), TC::Paused);
        QTest::qWait(300);
        const double held = e.currentTime();
        QTest::qWait(400);
        QVERIFY(std::abs(e.currentTime() - held) < 0.05);
    }


    // A pause right after a playing load holds, also once mpv starts the file.
    void mpvPauseWhileLoadingHolds()
    {
        MpvEngine e;
        e.prepare();
        QTRY_VERIFY_WITH_TIMEOUT(e.isAvailable(), kLong);
        e.load(m_clip, true);
        e.pause();
        QVERIFY(waitReady(e));
        QTest::qWait(600);
        QCOMPARE(e.timeControlStatus(), TC::Paused);
        QVERIFY2(e.currentTime() < 0.1, qPrintable(QString::number(e.currentTime())));
    }
    void mpvFailsOnAMissingStream_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("404") << "http";
        QTest::newRow("no such file") << "file";
    }

    void mpvFailsOnAMissingStream()
    {
        QFETCH(QString, where);
        TinyServer server;
        MpvEngine e;
        QSignalSpy failed(&e, &MediaEngine::itemFailed);
        const QUrl url = where == "http" ? server.url("/api/stream/missing")
                                         : QUrl::fromLocalFile(m_dir.filePath("nothing.mp4"));
        const quint64 item = e.load(url, true);
        QVERIFY(!waitReady(e));
        QCOMPARE(e.itemStatus(), IS::Failed);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed[0][0].value<quint64>(), item);
        QVERIFY(!e.errorText().isEmpty());
        QCOMPARE(e.timeControlStatus(), TC::Paused);
        QVERIFY(!e.accessLog());
        // A seek on the failed item does not land.
        const auto seek = seekAndWatch(e, 1);
        QTRY_COMPARE(seek->calls, 1);
        QVERIFY(!seek->finished);
        // The engine still plays what comes next.
        e.load(m_clip, false);
        QVERIFY(waitReady(e));
    }

    void mpvExactSeekLandsOnTarget_data()
    {
        QTest::addColumn<bool>("playing");
        QTest::newRow("paused") << false;
        QTest::newRow("playing") << true;
    }

    void mpvExactSeekLandsOnTarget()
    {
        QFETCH(bool, playing);
        MpvEngine e;
        e.load(m_clip, false);
        QVERIFY(waitReady(e));
        if (playing)
            e.play();
        // 1.3 s lies between key frames (every 1 s): only an exact seek gets there.
        const auto seek = seekAndWatch(e, 1.3);
        QTRY_COMPARE_WITH_TIMEOUT(seek->calls, 1, kLong);
        QVERIFY(seek->finished);
        // While playing, the play head has moved on a frame or two by the time
        // it is read; a seek to the key frame would be back near 1.0.
        QVERIFY2(seek->landed > 1.25 && seek->landed < 1.3 + (playing ? 0.15 : 0.05),
                 qPrintable(QString::number(seek->landed)));
    }

    void mpvSupersededSeek()
    {
        MpvEngine e;
        e.load(m_clip, false);
        QVERIFY(waitReady(e));
        const auto first = seekAndWatch(e, 0.5);
        const auto second = seekAndWatch(e, 2.2);
        QTRY_VERIFY_WITH_TIMEOUT(first->calls == 1 && second->calls == 1, kLong);
        QVERIFY(!first->finished);
        QVERIFY(second->finished);
        QVERIFY2(std::abs(second->landed - 2.2) < 0.05, qPrintable(QString::number(second->landed)));
    }

    void mpvSeekBeforeReadyWaitsForTheFile()
    {
        MpvEngine e;
        e.load(m_clip, false);
        const auto seek = seekAndWatch(e, 2.0);
        QTRY_VERIFY_WITH_TIMEOUT(seek->finished, kLong);
        QVERIFY(std::abs(e.currentTime() - 2.0) < 0.05);
    }

    // Starts where a seek made while loading asked, then one tick per
    // quarter second of media time, always forward.
    void mpvStartTimeAndTicks()
    {
        MpvEngine e;
        QSignalSpy ticks(&e, &MediaEngine::periodicTime);
        e.load(m_clip, false);
        e.seek(1.5, [&e](bool) { e.play(); });
        QTRY_VERIFY_WITH_TIMEOUT(ticks.size() >= 4, kLong);
        const double first = ticks.first()[0].toDouble();
        QVERIFY2(first >= 1.45 && first < 1.9, qPrintable(QString::number(first)));
        double last = -1;
        for (const auto &args : ticks) {
            const double t = args[0].toDouble();
            QVERIFY2(std::floor(t / 0.25) > std::floor(last / 0.25), qPrintable(QString::number(t)));
            last = t;
        }
    }

    // mpv may pause or play by itself (it pauses at the end of a file) while
    // the engine's own pause write is on its way; the engine ends up telling
    // mpv's state, not the one it wrote. A few rounds: the notes' order
    // varies from one to the next.
    void mpvPauseFromElsewhereIsNotLost_data()
    {
        QTest::addColumn<bool>("elsewherePauses");
        QTest::newRow("paused while a play is on its way") << true;
        QTest::newRow("played while a pause is on its way") << false;
    }

    void mpvPauseFromElsewhereIsNotLost()
    {
        QFETCH(bool, elsewherePauses);
        for (int round = 0; round < 5; ++round) {
            MpvEngine e;
            e.load(m_clip, !elsewherePauses);
            QVERIFY(waitReady(e));
            if (!elsewherePauses)
                QTRY_COMPARE_WITH_TIMEOUT(e.timeControlStatus(), TC::Playing, kLong);
            elsewherePauses ? e.play() : e.pause();
            e.writeMpvProperty("pause", elsewherePauses);
            const TC wanted = elsewherePauses ? TC::Paused : TC::Playing;
            QTRY_COMPARE_WITH_TIMEOUT(e.timeControlStatus(), wanted, kLong);
            // And it stays so: no late note turns it back.
            QTest::qWait(300);
            QCOMPARE(e.timeControlStatus(), wanted);
            QCOMPARE(e.isPaused(), elsewherePauses);
        }
    }

    void mpvEndOfItemOnce()
    {
        MpvEngine e;
        QSignalSpy ended(&e, &MediaEngine::itemEnded);
        const quint64 item = e.load(m_clip, false);
        e.seek(2.2, [&e](bool) { e.play(); });
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, kLong);
        QCOMPARE(ended[0][0].value<quint64>(), item);
        QTRY_COMPARE_WITH_TIMEOUT(e.timeControlStatus(), TC::Paused, kLong);
        QTest::qWait(500);
        QCOMPARE(ended.size(), 1);
        QVERIFY(e.currentTime() > 2.8);

        // Back before the end, it ends again.
        const auto seek = seekAndWatch(e, 2.5);
        QTRY_VERIFY_WITH_TIMEOUT(seek->finished, kLong);
        e.play();
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 2, kLong);
    }

    void mpvTwoEnginesAtOnce()
    {
        MpvEngine a, b;
        QSignalSpy ticksA(&a, &MediaEngine::periodicTime);
        QSignalSpy ticksB(&b, &MediaEngine::periodicTime);
        a.load(m_clip, true);
        b.load(m_clip, true);
        QTRY_VERIFY_WITH_TIMEOUT(ticksA.size() >= 3 && ticksB.size() >= 3, kLong);
        b.pause();
        QTRY_VERIFY_WITH_TIMEOUT(ticksA.size() >= 6, kLong);
        QCOMPARE(a.timeControlStatus(), TC::Playing);
        QCOMPARE(b.timeControlStatus(), TC::Paused);
    }

    // The menu's choice goes to the main engine and the session follows it;
    // every other engine follows the session, one made after the choice too.
    void mpvEnginesFollowTheChosenOutput()
    {
        using Role = MediaEngineFactory::Role;
        auto make = [](Role role) { return std::unique_ptr<MpvEngine>(qobject_cast<MpvEngine *>(MediaEngineFactory::create(role))); };
        auto watchDevice = [this](MpvEngine &e, QString &device) {
            connect(&e, &MpvEngine::mpvPropertyChanged, this, [&device](const QByteArray &name, const QVariant &value) {
                if (name == "audio-device")
                    device = value.toString();
            });
            e.observeMpvProperty("audio-device");
        };
        const auto main = make(Role::Main);
        const auto side = make(Role::Follower);
        QVERIFY(main && side);
        QString sideDevice;
        watchDevice(*side, sideDevice);
        main->prepare();
        side->prepare();
        QTRY_VERIFY_WITH_TIMEOUT(main->isAvailable() && side->isAvailable(), kLong);
        AudioSession &session = AudioSession::shared();
        QTRY_VERIFY_WITH_TIMEOUT(!session.devices().isEmpty(), kLong);
        QCOMPARE(session.currentDevice(), AudioSession::defaultDevice);
        if (session.devices().size() < 2)
            QSKIP("mpv lists one output only");

        const QString chosen = session.devices().last().name;
        RoutePicker::shared().choose(chosen);
        QTRY_COMPARE_WITH_TIMEOUT(session.currentDevice(), chosen, kLong);
        QTRY_COMPARE_WITH_TIMEOUT(sideDevice, chosen, kLong);

        const auto late = make(Role::Follower);
        QString lateDevice;
        watchDevice(*late, lateDevice);
        late->prepare();
        QTRY_COMPARE_WITH_TIMEOUT(lateDevice, chosen, kLong);

        RoutePicker::shared().choose(AudioSession::defaultDevice);
        QTRY_COMPARE_WITH_TIMEOUT(session.currentDevice(), AudioSession::defaultDevice, kLong);
        QTRY_COMPARE_WITH_TIMEOUT(sideDevice, AudioSession::defaultDevice, kLong);
        QTRY_COMPARE_WITH_TIMEOUT(lateDevice, AudioSession::defaultDevice, kLong);
    }

    void mpvDestroyWhileLoading_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("stream that never answers") << "hang";
        QTest::newRow("local file") << "file";
        QTest::newRow("right after creation") << "nothing";
    }

    void mpvDestroyWhileLoading()
    {
        QFETCH(QString, what);
        TinyServer server;
        auto e = std::make_unique<MpvEngine>();
        if (what == "hang")
            e->load(server.url("/hang.m3u8"), true);
        else if (what == "file")
            e->load(m_clip, true);
        const auto seek = what == "nothing" ? std::make_shared<SeekProbe>() : seekAndWatch(*e, 1);
        QTest::qWait(what == "hang" ? 300 : 0);
        QElapsedTimer clock;
        clock.start();
        e.reset();
        QVERIFY(clock.elapsed() < 500); // the GUI thread does not wait for mpv
        QTest::qWait(50);
        QCOMPARE(seek->calls, 0);
    }

    void mpvHlsFigures()
    {
        if (!m_hls)
            QSKIP("ffmpeg could not make the HLS clip");
        TinyServer server(m_dir.path());
        MpvEngine e;
        e.load(server.url("/master.m3u8?k=key"), true);
        QVERIFY(waitReady(e));
        QTRY_COMPARE_WITH_TIMEOUT(e.presentationSize(), QSize(320, 240), kLong);
        // The bit rate the master playlist announces, from the one fetch of it.
        QTRY_COMPARE_WITH_TIMEOUT(e.accessLog()->indicatedBitrate, 800000.0, kLong);
        QTRY_VERIFY_WITH_TIMEOUT(e.accessLog()->observedBitrate > 0, kLong);
        QTRY_VERIFY_WITH_TIMEOUT(e.timeControlStatus() == TC::Playing && e.currentTime() > 0.5, kLong);
        QCOMPARE(server.count("/master.m3u8"), 1);
        QCOMPARE(server.count("/v240.m3u8"), 1);

        // Escapes in the playlist's URIs reach the server as they were.
        MpvEngine escaped;
        escaped.load(server.url("/escaped.m3u8"), true);
        QVERIFY(waitReady(escaped));
        QVERIFY2(server.asked().contains("/v240.m3u8?k=a%2Fb%20c"), server.asked().join(' ').constData());
    }

    void mpvHlsPlaylistFailures_data()
    {
        QTest::addColumn<QString>("first");  // a load whose playlist is still on its way, or fails
        QTest::addColumn<QString>("second"); // loaded right after it; empty for none
        QTest::newRow("missing master") << "/missing.m3u8" << "";
        QTest::newRow("master on its way, then a file") << "/master.m3u8" << "file";
        QTest::newRow("hanging master, then the master") << "/hang.m3u8" << "/master.m3u8";
        QTest::newRow("master on its way, then unloaded") << "/master.m3u8" << "unload";
    }

    // A failed fetch fails the item; a fetch that comes back for an item
    // already replaced or unloaded starts nothing.
    void mpvHlsPlaylistFailures()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        if (!m_hls)
            QSKIP("ffmpeg could not make the HLS clip");
        TinyServer server(m_dir.path());
        MpvEngine e;
        QSignalSpy failed(&e, &MediaEngine::itemFailed);
        const quint64 replaced = e.load(server.url(first), true);
        if (second.isEmpty()) {
            QTRY_COMPARE_WITH_TIMEOUT(e.itemStatus(), IS::Failed, kLong);
            QCOMPARE(failed.size(), 1);
            QCOMPARE(failed.first().first().toULongLong(), replaced);
            QCOMPARE(e.timeControlStatus(), TC::Paused);
            return;
        }
        if (second == "unload") {
            e.unload();
            QTRY_COMPARE_WITH_TIMEOUT(server.count("/master.m3u8"), 1, kLong);
            QTest::qWait(500);
            QVERIFY(!e.hasItem());
            QCOMPARE(server.count("/v240.m3u8"), 0);
            QCOMPARE(failed.size(), 0);
            return;
        }
        e.load(second == "file" ? m_clip : server.url(second), true);
        QVERIFY(waitReady(e));
        QTRY_COMPARE_WITH_TIMEOUT(e.presentationSize(), QSize(320, 240), kLong);
        // Still the second item, playing on.
        QTRY_VERIFY_WITH_TIMEOUT(e.timeControlStatus() == TC::Playing && e.currentTime() > 1.0, kLong);
        QCOMPARE(e.itemStatus(), IS::Ready);
        QCOMPARE(failed.size(), 0);
        if (second == "file")
            QCOMPARE(server.count("/v240.m3u8"), 0);
    }

    void masterPlaylist_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QList<double>>("bandwidths");
        QTest::addColumn<QList<QSize>>("sizes");
        QTest::newRow("two variants")
            << QByteArray("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=2500000,RESOLUTION=1280x720,CODECS=\"avc1.4d401f,mp4a.40.2\"\n"
                          "720.m3u8\n#EXT-X-STREAM-INF:AVERAGE-BANDWIDTH=700000,BANDWIDTH=900000,RESOLUTION=640x360\n360.m3u8\n")
            << QList<double>{2500000, 900000} << QList<QSize>{{1280, 720}, {640, 360}};
        QTest::newRow("without a size, with CRLF")
            << QByteArray("#EXTM3U\r\n#EXT-X-STREAM-INF:BANDWIDTH=128000\r\naudio.m3u8\r\n") << QList<double>{128000}
            << QList<QSize>{QSize()};
        QTest::newRow("a media playlist") << QByteArray("#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2.0,\na.ts\n")
                                          << QList<double>{} << QList<QSize>{};
        QTest::newRow("not a playlist") << QByteArray("<html>BANDWIDTH=5</html>") << QList<double>{} << QList<QSize>{};
    }

    void absolutePlaylist_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("relative variants with queries")
            << QByteArray("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\n720/index.m3u8?k=a%2Fb\n"
                          "#EXT-X-STREAM-INF:BANDWIDTH=2\n../low.m3u8\n")
            << QByteArray("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\nhttp://h:1/api/hls/v/720/index.m3u8?k=a%2Fb\n"
                          "#EXT-X-STREAM-INF:BANDWIDTH=2\nhttp://h:1/api/hls/low.m3u8\n");
        QTest::newRow("absolute and rooted URIs, CRLF, blank lines")
            << QByteArray("#EXTM3U\r\n\r\nhttps://cdn/x.m3u8\r\n/root/y.m3u8\r\n")
            << QByteArray("#EXTM3U\r\n\r\nhttps://cdn/x.m3u8\r\nhttp://h:1/root/y.m3u8\r\n");
        QTest::newRow("URI attributes of renditions, keys and maps")
            << QByteArray("#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"a\",URI=\"audio/es.m3u8\"\n"
                          "#EXT-X-KEY:METHOD=AES-128,URI=\"key.bin\",IV=0x1\n#EXT-X-MAP:URI=\"init.mp4\"\n")
            << QByteArray("#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"a\",URI=\"http://h:1/api/hls/v/audio/es.m3u8\"\n"
                          "#EXT-X-KEY:METHOD=AES-128,URI=\"http://h:1/api/hls/v/key.bin\",IV=0x1\n"
                          "#EXT-X-MAP:URI=\"http://h:1/api/hls/v/init.mp4\"\n");
        QTest::newRow("only attributes named URI")
            << QByteArray("#EXT-X-SESSION-DATA:DATA-ID=\"x\",XURI=\"no.m3u8\"\n")
            << QByteArray("#EXT-X-SESSION-DATA:DATA-ID=\"x\",XURI=\"no.m3u8\"\n");
    }

    void absolutePlaylist()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, expected);
        QCOMPARE(HlsMaster::absolute(text, QUrl("http://h:1/api/hls/v/master.m3u8?k=key&q=720")), expected);
    }

    void masterPlaylist()
    {
        QFETCH(QByteArray, text);
        QFETCH(QList<double>, bandwidths);
        QFETCH(QList<QSize>, sizes);
        const auto variants = HlsMaster::parse(text);
        QList<double> b;
        QList<QSize> r;
        for (const auto &v : variants) {
            b << v.bandwidth;
            r << v.resolution;
        }
        QCOMPARE(b, bandwidths);
        QCOMPARE(r, sizes);
    }
};

QTEST_MAIN(TestMediaEngine)
#include "tst_mediaengine.moc"
