#pragma once
#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QQuickWindow>
#include <QTimer>
#include <cstdio>
#include <ctime>

// What both probed programs report on stdout: the monotonic clock at their
// first frame, then (after `settleMs`, the screen's content having arrived)
// their peak and present resident memory, and then they quit.
namespace StartupProbe {

inline qint64 monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// A "Vm...:" line of /proc/self/status, in kB.
inline qint64 statusKb(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

inline qint64 peakRssKb() { return statusKb("VmHWM"); }
inline qint64 rssKb() { return statusKb("VmRSS"); }

inline void watch(QQuickWindow *window, int settleMs)
{
    QObject::connect(
        window, &QQuickWindow::frameSwapped, window,
        [settleMs] {
            std::printf("FIRST_FRAME %lld\n", static_cast<long long>(monotonicNs()));
            std::fflush(stdout);
            QTimer::singleShot(settleMs, qApp, [] {
                std::printf("PEAK_RSS %lld\nRSS %lld\n", static_cast<long long>(peakRssKb()),
                            static_cast<long long>(rssKb()));
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        },
        Qt::ConnectionType(Qt::DirectConnection | Qt::SingleShotConnection));
}

} // namespace StartupProbe
