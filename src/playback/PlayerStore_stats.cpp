#include "PlayerStore.h"

#include <cmath>

namespace {

// Whole numbers, cut toward zero.
QString whole(double v) { return QString::number(qint64(std::trunc(v))); }

} // namespace

// Only the first loaded range counts, also after a seek into a later one.
double PlayerStore::bufferedAhead() const
{
    if (!m_player->hasItem())
        return 0;
    const QList<LoadedRange> ranges = m_player->loadedTimeRanges();
    if (ranges.isEmpty())
        return 0;
    const double ahead = ranges.first().end() - m_player->currentTime();
    return ahead >= 0 ? ahead : 0;
}

QStringList PlayerStore::statsLines() const
{
    if (!m_player->hasItem())
        return {};
    QStringList lines;
    const QSize size = m_player->presentationSize();
    if (size.width() > 0)
        lines << QStringLiteral("Resolución: %1×%2").arg(size.width()).arg(size.height());
    if (const std::optional<AccessLogEvent> log = m_player->accessLog()) {
        if (log->indicatedBitrate > 0)
            lines << QStringLiteral("Bitrate indicado: ") + whole(log->indicatedBitrate / 1000) + QStringLiteral(" kbps");
        if (log->observedBitrate > 0)
            lines << QStringLiteral("Bitrate observado: ") + whole(log->observedBitrate / 1000) + QStringLiteral(" kbps");
        lines << QStringLiteral("Fotogramas perdidos: ") + QString::number(log->droppedVideoFrames);
        lines << QStringLiteral("Atascos: ") + QString::number(log->stalls);
    }
    lines << QStringLiteral("Búfer: ") + whole(bufferedAhead()) + QStringLiteral(" s");
    lines << QStringLiteral("Origen: ") + (m_usingLegacy ? QStringLiteral("flujo clásico") : QStringLiteral("HLS directo"));
    return lines;
}
