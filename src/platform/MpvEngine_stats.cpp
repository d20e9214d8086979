#include "MpvEngine_p.h"

AccessLogEvent MpvEngine::accessLogFigures() const
{
    AccessLogEvent log;
    log.indicatedBitrate = m_indicatedBitrate;
    if (log.indicatedBitrate <= 0) {
        // The variant playing: the one of the picture's size, else the first
        // (mpv takes the first when it knows no bit rates).
        for (const HlsMaster::Variant &v : m_variants)
            if (v.resolution == m_videoTrackSize && !m_videoTrackSize.isEmpty())
                log.indicatedBitrate = v.bandwidth;
        if (log.indicatedBitrate <= 0 && !m_variants.isEmpty())
            log.indicatedBitrate = m_variants.first().bandwidth;
    }
    if (m_sinceLoaded.isValid()) {
        const qint64 now = m_sinceLoaded.elapsed();
        if (now > 0)
            log.observedBitrate = m_bytesReceived * 8.0 / (double(now) / 1000.0);
    }
    log.droppedVideoFrames = m_frameDrops + m_decoderDrops;
    log.stalls = m_stalls;
    return log;
}
