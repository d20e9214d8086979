#include "DevBackend_p.h"
#include "Rng.h"

#include <QUrl>

namespace {
using Req = httplib::Request;
using Res = httplib::Response;

const QString noMedia = QStringLiteral("No se pudieron preparar los medios del servidor de desarrollo.");

// Serves bytes kept in memory. httplib 0.11 does not check a Range against
// the length (it would read past the data), so ranges are answered here and
// taken off the request before httplib sees them again.
void sendBytes(const Req &req, Res &res, std::shared_ptr<const QByteArray> data, const char *type, bool cacheable)
{
    res.set_header("Accept-Ranges", "bytes");
    if (cacheable)
        res.set_header("Cache-Control", "public, max-age=86400");
    const qint64 size = data->size();
    qint64 first = 0, last = size - 1;
    bool partial = false;
    if (req.ranges.size() == 1) { // several ranges: the whole file is a valid answer
        const auto [from, to] = req.ranges.front();
        if (from < 0) { // "bytes=-N": the last N bytes
            first = to > 0 ? std::max<qint64>(0, size - qint64(to)) : size;
        } else {
            first = from;
            last = (to < 0 || to >= size) ? size - 1 : qint64(to);
        }
        partial = true;
    }
    // The request object is httplib's own, not const: clearing is safe.
    const_cast<Req &>(req).ranges.clear();
    if (partial && (first >= size || first > last)) {
        res.set_header("Content-Range", "bytes */" + std::to_string(size));
        DevBackend::Impl::sendError(res, 416, QStringLiteral("Rango no válido."));
        return;
    }
    res.status = partial ? 206 : 200;
    if (partial)
        res.set_header("Content-Range", "bytes " + std::to_string(first) + '-' + std::to_string(last) + '/' +
                                            std::to_string(size));
    if (size == 0)
        return res.set_content(std::string(), type);
    res.set_content_provider(size_t(last - first + 1), type,
                             [data, first](size_t offset, size_t length, httplib::DataSink &sink) {
                                 return sink.write(data->constData() + first + qint64(offset), length);
                             });
}
} // namespace

void DevBackend::Impl::installMedia()
{
    // The video behind a media path, or an error reply.
    auto playable = [this](const Req &req, Res &res) -> std::optional<FxVideo> {
        const auto v = fixtures.find(match(req, 1));
        if (!v) {
            sendError(res, 404, DevText::noVideo);
            return std::nullopt;
        }
        if (!v->canPlay) {
            sendError(res, 403, QStringLiteral("Este vídeo no está disponible."));
            return std::nullopt;
        }
        if (!media.ensureClip(v->clip)) {
            sendError(res, 503, noMedia);
            return std::nullopt;
        }
        return v;
    };
    auto keyQuery = [this] { return QStringLiteral("?k=") + QString::fromLatin1(QUrl::toPercentEncoding(options.apiKey)); };

    server.Get("/api/hls/(.+)/master\\.m3u8", [this, playable, keyQuery](const Req &req, Res &res) {
        if (const auto v = fixtures.find(match(req, 1)); v && !v->hls)
            return sendError(res, 404, QStringLiteral("Este vídeo no tiene emisión HLS."));
        const auto v = playable(req, res);
        if (!v)
            return;
        qint64 q = 0;
        if (req.has_param("q")) {
            bool ok = false;
            q = param(req, "q").toLongLong(&ok);
            if (!ok || q < 0)
                return sendError(res, 400, QStringLiteral("Calidad no válida."));
        }
        QList<MediaCache::Variant> variants = media.variants(v->clip);
        if (variants.isEmpty())
            return sendError(res, 503, noMedia);
        // The player does not switch variants: for a quality, list only the
        // best variant at or below it (the lowest when none is).
        if (q > 0) {
            MediaCache::Variant pick = variants.last();
            for (const MediaCache::Variant &var : std::as_const(variants))
                if (var.quality <= q && var.quality > pick.quality)
                    pick = var;
            variants = {pick};
        }
        QString body = QStringLiteral("#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-INDEPENDENT-SEGMENTS\n");
        for (const MediaCache::Variant &var : std::as_const(variants))
            body += QStringLiteral("#EXT-X-STREAM-INF:BANDWIDTH=%1,AVERAGE-BANDWIDTH=%2,RESOLUTION=%3x%4,FRAME-RATE=25.000\n"
                                   "%5/index.m3u8%6\n")
                        .arg(var.bandwidth).arg(var.averageBandwidth).arg(var.width).arg(var.height)
                        .arg(var.quality).arg(keyQuery());
        res.set_content(body.toStdString(), "application/vnd.apple.mpegurl");
    });

    server.Get("/api/hls/(.+)/(360|720)/index\\.m3u8", [this, playable, keyQuery](const Req &req, Res &res) {
        if (const auto v = fixtures.find(match(req, 1)); v && !v->hls)
            return sendError(res, 404, QStringLiteral("Este vídeo no tiene emisión HLS."));
        const auto v = playable(req, res);
        if (!v)
            return;
        const auto data = media.read(media.variantDir(v->clip, match(req, 2).toInt()) + QStringLiteral("/index.m3u8"));
        if (!data)
            return sendError(res, 503, noMedia);
        // Segments need the key too: the player passes no headers.
        QByteArray body;
        for (const QByteArray &line : data->split('\n')) {
            body += line;
            if (!line.trimmed().isEmpty() && !line.startsWith('#'))
                body += keyQuery().toLatin1();
            body += '\n';
        }
        res.set_content(body.toStdString(), "application/vnd.apple.mpegurl");
    });

    server.Get("/api/hls/(.+)/(360|720)/(seg_[0-9]+\\.ts)", [this, playable](const Req &req, Res &res) {
        const auto v = playable(req, res);
        if (!v)
            return;
        const auto data = media.read(media.variantDir(v->clip, match(req, 2).toInt()) + QLatin1Char('/') + match(req, 3));
        if (!data)
            return sendError(res, 404, QStringLiteral("No existe ese segmento."));
        sendBytes(req, res, data, "video/mp2t", true);
    });

    server.Get("/api/stream/(.+)", [this, playable](const Req &req, Res &res) {
        const auto v = playable(req, res);
        if (!v)
            return;
        const auto data = media.read(media.streamFile(v->clip));
        if (!data)
            return sendError(res, 503, noMedia);
        sendBytes(req, res, data, "video/mp4", false);
    });

    // The thumbnail host: some videos lack the large file, one lacks both.
    server.Get("/vi/([^/]+)/(hq720|mqdefault)\\.jpg", [this](const Req &req, Res &res) {
        const auto v = fixtures.find(match(req, 1));
        const bool large = match(req, 2) == QLatin1String("hq720");
        if (!v || !(large ? v->thumbHq : v->thumbMq))
            return sendError(res, 404, QStringLiteral("No existe esa miniatura."));
        if (!media.ensureImages())
            return sendError(res, 503, noMedia);
        const auto data = media.read(media.thumbFile(v->thumb, large));
        if (!data)
            return sendError(res, 503, noMedia);
        sendBytes(req, res, data, "image/jpeg", true);
    });

    server.Get("/img/avatar/(.+)\\.png", [this](const Req &req, Res &res) {
        if (!media.ensureImages())
            return sendError(res, 503, noMedia);
        const auto data = media.read(media.avatarFile(int(Rng::hash(match(req, 1)) % Fixtures::avatarImages)));
        if (!data)
            return sendError(res, 503, noMedia);
        sendBytes(req, res, data, "image/png", true);
    });

    server.Get("/img/banner/(.+)\\.jpg", [this](const Req &req, Res &res) {
        if (!media.ensureImages())
            return sendError(res, 503, noMedia);
        const auto data = media.read(media.bannerFile(int(Rng::hash(match(req, 1)) % Fixtures::bannerImages)));
        if (!data)
            return sendError(res, 503, noMedia);
        sendBytes(req, res, data, "image/jpeg", true);
    });
}
