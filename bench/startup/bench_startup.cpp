// Start-up probe, each goal against its yardstick from the same run, over
// interleaved runs (min / median / max):
// - start to the first frame of home, against a bare Qt Quick window;
// - the same with a large library (--history entries), against the app with
//   an empty one;
// - the longest frame of the first visit to the Shorts tab, against the
//   longest of a second visit (goal: none over 50 ms);
// - peak resident memory once home has shown its feed, against the bare
//   window's; and after every tab has been shown (--tabs ms apart), with
//   the peak as each tab was left, to show which one made it grow.
//
//   bench_startup [--runs N] [--settle MS] [--history N] [--tabs MS] [--frames]
//
// --frames measures the first frames only (both start-up goals), not the
// memory nor the Shorts visit.
//
// Needs a display (DISPLAY or QT_QPA_PLATFORM). The app runs against the
// development backend started here, in a home folder of its own where the
// welcome has already been seen, so the home tab is what it shows.
#include "../Spread.h"
#include "StartupProbe.h"
#include "TestBackend.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

struct Run
{
    double firstFrameMs = 0;
    qint64 peakRssKb = 0;
    qint64 rssKb = 0;
    double shortsFirstMs = -1;
    double shortsAgainMs = -1;
    // Peak resident memory as each tab was left, in the order visited.
    std::vector<qint64> tabPeakKb;
};

std::optional<Run> launch(const QString &program, const QProcessEnvironment &env, int settleMs, int tabsMs = 0,
                          int shortsMs = 0)
{
    QProcessEnvironment e = env;
    e.insert(QStringLiteral("STARTUP_SETTLE_MS"), QString::number(settleMs));
    if (tabsMs > 0)
        e.insert(QStringLiteral("STARTUP_TABS_MS"), QString::number(tabsMs));
    if (shortsMs > 0)
        e.insert(QStringLiteral("STARTUP_SHORTS_MS"), QString::number(shortsMs));
    QProcess p;
    p.setProcessEnvironment(e);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    const qint64 started = StartupProbe::monotonicNs();
    p.start(program, {});
    if (!p.waitForFinished(90000)) {
        p.kill();
        p.waitForFinished();
        return std::nullopt;
    }
    Run run;
    bool frame = false;
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        if (line.startsWith("FIRST_FRAME ")) {
            run.firstFrameMs = double(line.mid(12).toLongLong() - started) / 1e6;
            frame = true;
        } else if (line.startsWith("PEAK_RSS ")) {
            run.peakRssKb = line.mid(9).toLongLong();
        } else if (line.startsWith("RSS ")) {
            run.rssKb = line.mid(4).toLongLong();
        } else if (line.startsWith("SHORTS_FIRST ")) {
            run.shortsFirstMs = line.mid(13).toDouble();
        } else if (line.startsWith("SHORTS_AGAIN ")) {
            run.shortsAgainMs = line.mid(13).toDouble();
        } else if (line.startsWith("TAB ")) {
            run.tabPeakKb.push_back(line.split(' ').value(2).toLongLong());
        }
    }
    if (!frame)
        std::fprintf(stderr, "%s: no frame\n%s\n", qPrintable(program), p.readAllStandardError().constData());
    return frame ? std::optional<Run>(run) : std::nullopt;
}

using bench::Spread;
using bench::spread;

// App and yardstick measured in the same iterations.
struct Pairs
{
    std::vector<double> app, base;
    void add(double a, double b)
    {
        app.push_back(a);
        base.push_back(b);
    }
    void print(const char *goal, const char *unit, const char *baseName, double limit) const
    {
        std::vector<double> ratios;
        for (size_t i = 0; i < app.size(); ++i)
            ratios.push_back(app[i] / base[i]);
        const Spread a = spread(app), b = spread(base), r = spread(ratios);
        std::printf("%s, %zu interleaved runs (min / median / max)\n"
                    "  app        %9.1f / %9.1f / %9.1f %s\n"
                    "  %-10s %9.1f / %9.1f / %9.1f %s\n"
                    "  ratio      %9.2f / %9.2f / %9.2f   (ratio of medians %.2f",
                    goal, app.size(), a.min, a.median, a.max, unit, baseName, b.min, b.median, b.max, unit, r.min,
                    r.median, r.max, a.median / b.median);
        if (limit > 0)
            std::printf("; goal <= %.2f)\n", limit);
        else
            std::printf(")\n");
    }
};

bool writeFile(const QString &path, const QByteArray &body)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(body) == body.size();
}

// A library whose history has `entries` entries (a restored backup keeps
// them all), in the app's data folder under `home`.
bool writeLargeLibrary(const QString &home, int entries)
{
    QByteArray body = "{\"history\":[";
    body.reserve(entries * 220);
    for (int i = 0; i < entries; ++i) {
        if (i)
            body += ',';
        body += QStringLiteral(R"({"video":{"id":"vid%1","title":"Vídeo número %1 de la historia","channel":"Canal %2",)"
                               R"("channelId":"UCcanal%2","duration":%3,"views":%4,"live":false,"verified":%5},"date":%6})")
                    .arg(i)
                    .arg(i % 97)
                    .arg(60 + i % 3600)
                    .arg(1000 + i * 7)
                    .arg(i % 5 ? "false" : "true")
                    .arg(790000000.0 - i * 60, 0, 'f', 1)
                    .toUtf8();
    }
    body += "],\"liked\":[],\"watchLater\":[],\"subscriptions\":[],\"searches\":[],\"playlists\":[],\"hiddenChannels\":[]}";
    return writeFile(home + QStringLiteral("/.local/share/Nimbelora/Nimbelora/library.json"), body);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int runs = 9;
    int settleMs = 4000;
    int history = 50000;
    int tabsMs = 1500;
    const QStringList args = app.arguments();
    const bool framesOnly = args.contains(QLatin1String("--frames"));
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--runs"))
            runs = std::max(1, args.at(i + 1).toInt());
        else if (args.at(i) == QLatin1String("--settle"))
            settleMs = std::max(0, args.at(i + 1).toInt());
        else if (args.at(i) == QLatin1String("--history"))
            history = std::max(1, args.at(i + 1).toInt());
        else if (args.at(i) == QLatin1String("--tabs"))
            tabsMs = std::max(1, args.at(i + 1).toInt());
    }

    const QString dir = QCoreApplication::applicationDirPath();
    const QString appProgram = dir + QStringLiteral("/startup_app");
    const QString bareProgram = dir + QStringLiteral("/startup_bare");

    TestBackend backend;
    if (!backend.isRunning()) {
        std::fprintf(stderr, "backend: %s\n", qPrintable(backend.error()));
        return 1;
    }
    QTemporaryDir emptyHome, largeHome;
    for (const QTemporaryDir *home : {&emptyHome, &largeHome})
        if (!writeFile(home->path() + QStringLiteral("/.config/Nimbelora/Nimbelora.ini"),
                       "[General]\npref.onboarded=true\n"))
            return 1;
    if (!writeLargeLibrary(largeHome.path(), history))
        return 1;

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        env.remove(QString::fromLatin1(v));
    env.insert(QStringLiteral("NIMBELORA_BACKEND_URL"), backend.origin());
    if (geteuid() == 0)
        env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    QProcessEnvironment emptyEnv = env, largeEnv = env;
    emptyEnv.insert(QStringLiteral("HOME"), emptyHome.path());
    largeEnv.insert(QStringLiteral("HOME"), largeHome.path());

    // One unmeasured start each: the app's first start makes its files.
    launch(bareProgram, emptyEnv, 0);
    launch(appProgram, emptyEnv, settleMs);
    launch(appProgram, largeEnv, settleMs);

    Pairs frame, large, homeRss, tabsRss, homeNow, tabsNow, shorts;
    const char *const tabNames[] = {"home", "Shorts", "search", "subscriptions", "library"};
    const int tabCount = 5;
    std::vector<std::vector<double>> tabPeaks(tabCount);
    // Home has its feed by then; the visits take some 6 s.
    const int shortsAt = 2000, shortsSettle = shortsAt + 6000;
    for (int i = 0; i < runs; ++i) {
        const int settle = framesOnly ? 0 : settleMs;
        const auto bare = launch(bareProgram, emptyEnv, settle);
        const auto home = launch(appProgram, emptyEnv, settle);
        const auto big = launch(appProgram, largeEnv, 0);
        if (framesOnly) {
            if (!bare || !home || !big)
                return 1;
            frame.add(home->firstFrameMs, bare->firstFrameMs);
            large.add(big->firstFrameMs, home->firstFrameMs);
            std::fprintf(stderr, "run %d of %d done\n", i + 1, runs);
            continue;
        }
        const auto tabs = launch(appProgram, emptyEnv, tabCount * tabsMs + settleMs, tabsMs);
        const auto visit = launch(appProgram, emptyEnv, shortsSettle, 0, shortsAt);
        if (!bare || !home || !big || !tabs || !visit || visit->shortsFirstMs < 0 || visit->shortsAgainMs < 0)
            return 1;
        shorts.add(visit->shortsFirstMs, visit->shortsAgainMs);
        frame.add(home->firstFrameMs, bare->firstFrameMs);
        large.add(big->firstFrameMs, home->firstFrameMs);
        homeRss.add(home->peakRssKb / 1024.0, bare->peakRssKb / 1024.0);
        tabsRss.add(tabs->peakRssKb / 1024.0, bare->peakRssKb / 1024.0);
        homeNow.add(home->rssKb / 1024.0, bare->rssKb / 1024.0);
        tabsNow.add(tabs->rssKb / 1024.0, bare->rssKb / 1024.0);
        for (size_t t = 0; t < tabs->tabPeakKb.size() && t < tabPeaks.size(); ++t)
            tabPeaks[t].push_back(tabs->tabPeakKb[t] / 1024.0);
        std::fprintf(stderr, "run %d of %d done\n", i + 1, runs);
    }

    frame.print("start to first frame of home", "ms", "bare", 1.5);
    const QByteArray largeGoal = QByteArray("start to first frame, library of ") + QByteArray::number(history)
                                 + " history entries against an empty one";
    large.print(largeGoal.constData(), "ms", "empty", 1.25);
    if (framesOnly)
        return 0;
    shorts.print("longest frame of the first visit to Shorts, against a second visit (goal: app max under 50 ms)",
                 "ms", "again", 0);
    homeRss.print("peak RSS at home", "MB", "bare", 1.5);
    tabsRss.print("peak RSS after every tab was shown", "MB", "bare", 2.0);
    std::printf("  where the peak grew: peak RSS as each tab was left, median (MB)\n   ");
    double last = 0;
    for (int t = 0; t < tabCount; ++t) {
        const double m = spread(tabPeaks[t]).median;
        std::printf(" %s %.1f (%+.1f)", tabNames[t], m, t ? m - last : 0.0);
        last = m;
    }
    std::printf("\n");
    homeNow.print("(for comparison) present RSS at home", "MB", "bare", 1.5);
    tabsNow.print("(for comparison) present RSS back at home after every tab", "MB", "bare", 2.0);
    return 0;
}
