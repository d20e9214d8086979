#include "MpvEngine_p.h"

#include "HlsMaster.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

AccessLogEvent MpvEngine::accessLogFigures() const
{
    AccessLogEvent log;
    log.indicatedBitrate = m_indicatedBitrate;
    if (log.indicatedBitrate <= 0) {
        fetchVariants();
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

void MpvEngine::fetchVariants() const
{
    if (m_variantsAsked || !m_fileLoaded)
        return;
    m_variantsAsked = true;
    const QUrl url = itemUrl();
    if ((url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) ||
        !url.path().endsWith(QLatin1String(".m3u8")))
        return;
    auto *self = const_cast<MpvEngine *>(this);
    if (!m_network)
        m_network = new QNetworkAccessManager(self);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QNetworkReply *reply = m_network->get(request);
    const quint64 item = m_item;
    connect(reply, &QNetworkReply::finished, self, [self, reply, item] {
        reply->deleteLater();
        if (item != self->m_item || reply->error() != QNetworkReply::NoError)
            return;
        self->m_variants = HlsMaster::parse(reply->read(1 << 20));
    });
}
