// Start-up probe: the time from process start to the first frame of the root
// view, against a bare Qt Quick window measured in the same run, and the
// app's peak resident memory once the home tab has shown its feed.
//
//   bench_startup [--runs N] [--settle MS]
//
// Needs a display (DISPLAY or QT_QPA_PLATFORM). The app runs against the
// development backend started here, in a home folder of its own where the
// welcome has already been seen, so the home tab is what it shows.
#include "StartupProbe.h"
#include "TestBackend.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
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
};

std::optional<Run> launch(const QString &program, const QProcessEnvironment &env, int settleMs)
{
    QProcessEnvironment e = env;
    e.insert(QStringLiteral("STARTUP_SETTLE_MS"), QString::number(settleMs));
    QProcess p;
    p.setProcessEnvironment(e);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    const qint64 started = StartupProbe::monotonicNs();
    p.start(program, {});
    if (!p.waitForFinished(60000)) {
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
        }
    }
    if (!frame)
        std::fprintf(stderr, "%s: no frame\n%s\n", qPrintable(program), p.readAllStandardError().constData());
    return frame ? std::optional<Run>(run) : std::nullopt;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : (v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int runs = 7;
    int settleMs = 4000;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--runs"))
            runs = std::max(1, args.at(i + 1).toInt());
        else if (args.at(i) == QLatin1String("--settle"))
            settleMs = std::max(0, args.at(i + 1).toInt());
    }

    const QString dir = QCoreApplication::applicationDirPath();
    const QString appProgram = dir + QStringLiteral("/startup_app");
    const QString bareProgram = dir + QStringLiteral("/startup_bare");

    TestBackend backend;
    if (!backend.isRunning()) {
        std::fprintf(stderr, "backend: %s\n", qPrintable(backend.error()));
        return 1;
    }
    QTemporaryDir home;
    QDir(home.path()).mkpath(QStringLiteral(".config/Nimbelora"));
    QFile ini(home.path() + QStringLiteral("/.config/Nimbelora/Nimbelora.ini"));
    if (!ini.open(QIODevice::WriteOnly) || ini.write("[General]\npref.onboarded=true\n") < 0)
        return 1;
    ini.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    for (const char *v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        env.remove(QString::fromLatin1(v));
    env.insert(QStringLiteral("NIMBELORA_BACKEND_URL"), backend.origin());
    if (geteuid() == 0)
        env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));

    // One unmeasured start each: the app's first start makes its files.
    launch(bareProgram, env, 0);
    launch(appProgram, env, settleMs);

    std::vector<double> bare, appTimes;
    for (int i = 0; i < runs; ++i) {
        if (auto r = launch(bareProgram, env, 0))
            bare.push_back(r->firstFrameMs);
        if (auto r = launch(appProgram, env, 0))
            appTimes.push_back(r->firstFrameMs);
    }
    const auto appShown = launch(appProgram, env, settleMs);
    const auto bareShown = launch(bareProgram, env, settleMs);
    if (bare.empty() || appTimes.empty() || !appShown || !bareShown)
        return 1;

    const double b = median(bare);
    const double a = median(appTimes);
    std::printf("start to first frame, median of %d: bare Qt Quick window %.1f ms, app %.1f ms, ratio %.2f\n",
                runs, b, a, a / b);
    std::printf("peak RSS after %d ms: app with the home tab %lld kB, bare window %lld kB\n", settleMs,
                static_cast<long long>(appShown->peakRssKb), static_cast<long long>(bareShown->peakRssKb));
    return 0;
}
