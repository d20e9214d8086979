#pragma once
#include "MediaEngine.h"

// A MediaEngine that plays nothing: a test scripts it. Loads stay loading
// until the test makes the item ready or failed; media time moves only when
// the test advances it (while playing, at the rate), emitting the periodic
// time on the way and ending the item at its duration; seeks wait for the
// test to complete them unless they are set to complete at once; pictures
// come only when the test delivers them. Every call is recorded for
// assertions.
class SimulatedEngine : public MediaEngine
{
    Q_OBJECT

public:
    struct Load
    {
        QUrl url;
        bool play = false;
        quint64 item = 0;
    };
    struct Seek
    {
        double target = 0;
        quint64 id = 0;
    };

    explicit SimulatedEngine(QObject *parent = nullptr);

    // Script.
    void makeReady(double duration = 600, QSize presentationSize = QSize(1280, 720));
    void fail(const QString &error = QStringLiteral("simulated failure"));
    // Moves media time by `seconds` of wall time (times the rate) while the
    // item plays; the item ends when it reaches its duration.
    void advance(double seconds);
    // Puts the play head at `seconds` as if the media had got there.
    void setTime(double seconds);
    void end();
    void setBuffering(bool buffering);
    // Completes the oldest pending seek (or the one numbered `id`).
    void completeSeek(bool finished = true);
    void completeSeek(quint64 id, bool finished);
    void setCompletesSeeksAtOnce(bool atOnce) { m_seeksAtOnce = atOnce; }
    void setDuration(double seconds) { reportDuration(seconds); }
    void setPresentationSize(const QSize &size) { reportPresentationSize(size); }
    void setAccessLog(const AccessLogEvent &log) { reportAccessLog(log); }
    void setLoadedRanges(const QList<LoadedRange> &ranges) { reportLoadedRanges(ranges); }
    // A new picture of the video, as a renderer hands one over.
    void deliverFrame(const QImage &picture);
    VideoFrame videoFrame() const override { return m_frame; }

    // Record.
    QList<Load> loads() const { return m_loads; }
    QList<Seek> seeks() const { return m_seekLog; }
    QList<double> rates() const { return m_rates; } // every rate playback was asked to run at
    int playCalls() const { return m_plays; }
    int pauseCalls() const { return m_pauses; }
    int unloadCalls() const { return m_unloads; }
    quint64 lastSeek() const { return m_seekLog.isEmpty() ? 0 : m_seekLog.last().id; }
    void clearRecord();

protected:
    void doLoad(quint64 item, const QUrl &url, bool play) override;
    void doUnload() override;
    void doSetPaused(bool paused) override;
    void doSetSpeed(double speed) override;
    void doSeek(quint64 seek, double seconds) override;
    void doSetVolume(double) override {}
    void doSetMuted(bool) override {}

private:
    QList<Load> m_loads;
    QList<Seek> m_seekLog;
    QList<double> m_rates;
    int m_plays = 0;
    int m_pauses = 0;
    int m_unloads = 0;
    bool m_seeksAtOnce = false;
    VideoFrame m_frame;
};
