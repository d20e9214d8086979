#pragma once
// Scrolls a list end to end one screen per frame, waits for its thumbnails
// to land and reports resident memory and step times; and the driver that
// runs such probes in fresh processes, interleaved, and compares them.
#include "DevBackend.h"
#include "HomeRig.h"
#include "ImageLoader.h"
#include "QmlHarness.h"
#include "SamplePictures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QBuffer>
#include <QMap>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWindow>
#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <numeric>
#include <ctime>
#include <malloc.h>
#include <unistd.h>
#include <vector>

namespace scrollprobe {

inline QStringList arguments(int argc, char *argv[])
{
    QStringList out;
    for (int i = 0; i < argc; ++i)
        out << QString::fromLocal8Bit(argv[i]);
    return out;
}

struct Options
{
    QString kind = QStringLiteral("app");
    int cards = 500;
    QSize thumb{398, 224};
    bool noThumbnails = false;
};

inline Options options(const QStringList &args, int cards)
{
    Options o;
    o.cards = cards;
    for (qsizetype i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--probe"))
            o.kind = args[i + 1];
        else if (args[i] == QLatin1String("--cards"))
            o.cards = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--thumb")) {
            const QStringList wh = args[i + 1].split(QLatin1Char('x'));
            if (wh.size() == 2)
                o.thumb = QSize(wh[0].toInt(), wh[1].toInt());
        }
    }
    o.noThumbnails = args.contains(QStringLiteral("--no-thumbnails"));
    return o;
}

// The app's process starts as its main does; the bare list keeps the
// allocator as glibc and Qt leave it.
inline void startProcess(const Options &o)
{
    if (o.kind == QLatin1String("app")) {
        ImageLoader::tuneAllocator();
        ImageLoader::mapLargeBlocks();
    }
}

inline long residentKb()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

// Every thumbnail address answers with one full-size (1280 × 720) JPEG, as
// the thumbnail host serves the large form, so any video id has pictures.
inline void serveThumbnails(TestBackend &backend, bool refuse)
{
    FaultRule rule;
    rule.pathPrefix = QStringLiteral("/vi/");
    if (refuse) {
        rule.status = 404;
        backend.faults().add(rule);
        return;
    }
    const QByteArray bytes = photographJpeg(85);
    std::fprintf(stderr, "thumbnail served: 1280x720 JPEG of %lld bytes\n", qlonglong(bytes.size()));
    rule.body = FaultRule::Body::Raw;
    rule.rawBody = bytes;
    backend.faults().add(rule);
}

inline qint64 threadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// The bare list `qml` of a comparison in a window of the app's size, given
// the backend's `origin` and the probe's cards and thumbnail size; nullptr,
// said on stderr, when it did not load.
inline QQuickItem *loadBareList(QmlHarness &bare, const QByteArray &qml, const QString &origin, const Options &o)
{
    bare.window()->resize(430, 932);
    QQuickItem *view = bare.loadSource(qml, {{QStringLiteral("origin"), origin},
                                             {QStringLiteral("cards"), o.cards},
                                             {QStringLiteral("thumb"), o.thumb}});
    if (!view)
        std::fprintf(stderr, "bare list: %s\n", qPrintable(bare.errors()));
    return view;
}

struct Result
{
    std::vector<qint64> steps; // ns per scroll step, each one screen and one frame
    // The GUI thread's own CPU time of each step: what the step costs, apart
    // from the waits a loaded machine adds to the clock.
    std::vector<qint64> cpu;
    long rssShownKb = 0, rssKb = 0, rssTrimmedKb = 0;
    int thumbRequests = 0, missed = 0;
    qsizetype alive = 0;
    double settleMs = 0;
    QSize thumb;

    static qint64 pctOf(std::vector<qint64> s, double p)
    {
        std::sort(s.begin(), s.end());
        return s.empty() ? 0 : s[std::min(s.size() - 1, size_t(p * s.size()))];
    }
    qint64 pct(double p) const { return pctOf(steps, p); }
    void print(const Options &o) const
    {
        std::fprintf(stderr, "%s, %d cards, thumbnails %s: %zu steps (%d without a frame), median %.2f ms, p90 %.2f ms, "
                     "worst %.2f ms; GUI CPU mean %.2f ms, p90 %.2f ms, worst %.2f ms; RSS shown %.1f MiB, settled %.1f MiB (%.1f after trim) after %.0f ms, %d thumbnail requests\n",
                     qPrintable(o.kind), o.cards, o.noThumbnails ? "refused" : "served", steps.size(), missed,
                     pct(0.5) / 1e6, pct(0.9) / 1e6, steps.empty() ? 0.0 : pct(1.0) / 1e6,
                     cpu.empty() ? 0.0 : std::accumulate(cpu.begin(), cpu.end(), 0.0) / cpu.size() / 1e6, pctOf(cpu, 0.9) / 1e6,
                     pctOf(cpu, 1.0) / 1e6, rssShownKb / 1024.0,
                     rssKb / 1024.0, rssTrimmedKb / 1024.0, settleMs, thumbRequests);
        std::printf("RESULT rss=%ld trimmed=%ld p90=%lld worst=%lld median=%lld cpup90=%lld cpuworst=%lld thumbs=%d "
                    "thumb=%dx%d\n",
                    rssKb, rssTrimmedKb, qlonglong(pct(0.9)), qlonglong(steps.empty() ? 0 : pct(1.0)),
                    qlonglong(pct(0.5)), qlonglong(pctOf(cpu, 0.9)), qlonglong(pctOf(cpu, 1.0)), thumbRequests,
                    thumb.width(), thumb.height());
        std::fflush(stdout);
    }
};

// Scrolls `view` (a Flickable) from top to bottom, then waits until no
// thumbnail request came for 1.5 s and `pending()` is 0, and reads memory.
// The in-process backend's request log lives in the measured process and
// keeps thousands of records: it is counted and emptied as the list
// scrolls, so what is measured is the list's, whatever the probe asks for.
inline Result scroll(QQuickWindow *window, QQuickItem *view, const std::function<qsizetype()> &pending,
                     RequestLog &log)
{
    Result r;
    int counted = 0;
    auto thumbs = [&] {
        // A record that lands between reading and emptying goes uncounted;
        // the count is for the report, the quiet wait only needs it to move.
        for (const RequestRecord &rec : log.all())
            counted += rec.path.startsWith(QLatin1String("/vi/"));
        log.clear();
        return counted;
    };
    auto settle = [&] {
        QElapsedTimer total, still;
        total.start();
        still.start();
        int last = -1;
        while (total.elapsed() < 60000) {
            QTest::qWait(250);
            const int n = thumbs();
            if (n != last || pending() > 0) {
                last = n;
                still.restart();
            } else if (still.elapsed() >= 1500) {
                break;
            }
        }
        return double(total.elapsed());
    };
    settle();
    r.rssShownKb = residentKb();

    auto num = [&](const char *name) { return view->property(name).toDouble(); };
    auto bottom = [&] { return num("originY") + num("contentHeight") + num("bottomMargin") - num("height"); };
    const double screen = num("height");
    while (r.steps.size() < 20000) {
        const double y = num("contentY");
        const double end = bottom();
        if (y >= end - 0.5)
            break;
        QElapsedTimer step;
        const qint64 cpu0 = threadCpuNs();
        step.start();
        view->setProperty("contentY", std::min(y + screen, end));
        if (!homefeed::nextFrame(window))
            ++r.missed;
        r.steps.push_back(step.nsecsElapsed());
        r.cpu.push_back(threadCpuNs() - cpu0);
        thumbs();
    }
    r.settleMs = settle();
    r.thumbRequests = thumbs();
    r.rssKb = residentKb();
    malloc_trim(0);
    r.rssTrimmedKb = residentKb();
    return r;
}

// One probe: its name, and the arguments after --probe.
struct Probe
{
    QString kind;
    int cards;
};

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Runs every probe once per round, in fresh processes, for `--runs` rounds
// (9 unless told), and prints each measure min / median / max, and each
// ratio (first over second of a pair) computed within a round.
inline int drive(int argc, char *argv[], const QStringList &args, const QList<QPair<QString, Probe>> &probes,
                 const QList<QPair<QString, QString>> &ratios)
{
    QCoreApplication app(argc, argv);
    int runs = 9;
    const qsizetype at = args.indexOf(QStringLiteral("--runs"));
    if (at >= 0 && at + 1 < args.size())
        runs = std::max(1, args[at + 1].toInt());
    QString thumb;
    QMap<QString, QMap<QString, std::vector<double>>> got; // probe → measure → values
    for (int round = 0; round < runs; ++round) {
        for (const auto &[name, probe] : probes) {
            QStringList a{QStringLiteral("--probe"), probe.kind, QStringLiteral("--cards"), QString::number(probe.cards)};
            if (!thumb.isEmpty())
                a << QStringLiteral("--thumb") << thumb;
            QProcess p;
            p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            p.start(QCoreApplication::applicationFilePath(), a);
            if (!p.waitForFinished(600000) || p.exitCode() != 0) {
                std::fprintf(stderr, "probe %s failed\n", qPrintable(name));
                return 1;
            }
            for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
                if (!line.startsWith("RESULT "))
                    continue;
                for (const QByteArray &field : line.mid(7).split(' ')) {
                    const QList<QByteArray> kv = field.split('=');
                    if (kv.size() != 2)
                        continue;
                    if (kv[0] == "thumb") {
                        if (thumb.isEmpty() && kv[1] != "0x0")
                            thumb = QString::fromLatin1(kv[1]);
                        continue;
                    }
                    got[name][QString::fromLatin1(kv[0])].push_back(kv[1].toDouble());
                }
            }
        }
    }
    auto line = [](const QString &what, const std::vector<double> &v, double scale, const char *unit) {
        if (v.empty())
            return;
        std::printf("  %-34s min %9.2f  median %9.2f  max %9.2f %s\n", qPrintable(what),
                    *std::min_element(v.begin(), v.end()) / scale, median(v) / scale,
                    *std::max_element(v.begin(), v.end()) / scale, unit);
    };
    const QList<QPair<QString, std::pair<double, const char *>>> measures{
        {QStringLiteral("rss"), {1024.0, "MiB"}},       {QStringLiteral("trimmed"), {1024.0, "MiB"}},
        {QStringLiteral("p90"), {1e6, "ms"}},           {QStringLiteral("worst"), {1e6, "ms"}},
        {QStringLiteral("median"), {1e6, "ms"}},        {QStringLiteral("cpup90"), {1e6, "ms"}},
        {QStringLiteral("cpuworst"), {1e6, "ms"}},      {QStringLiteral("thumbs"), {1.0, "requests"}},
        {QStringLiteral("create"), {1e6, "ms/card"}},   {QStringLiteral("frame"), {1e6, "ms/card"}},
        {QStringLiteral("redraw"), {1e6, "ms/card"}}, {QStringLiteral("drop"), {1e6, "ms/card"}}};
    std::printf("%d rounds, thumbnails shown at %s\n", runs, qPrintable(thumb));
    for (const auto &[name, probe] : probes) {
        std::printf("%s\n", qPrintable(name));
        for (const auto &[m, unit] : measures)
            line(m, got[name][m], unit.first, unit.second);
    }
    for (const auto &[a, b] : ratios) {
        std::printf("%s / %s (per round)\n", qPrintable(a), qPrintable(b));
        for (const auto &[m, unit] : measures) {
            if (m == QLatin1String("thumbs") || m == QLatin1String("median"))
                continue;
            const std::vector<double> &x = got[a][m], &y = got[b][m];
            std::vector<double> q;
            for (size_t i = 0; i < std::min(x.size(), y.size()); ++i)
                q.push_back(y[i] > 0 ? x[i] / y[i] : 0);
            line(m + QStringLiteral(" ratio"), q, 1.0, "");
        }
    }
    return 0;
}

} // namespace scrollprobe
