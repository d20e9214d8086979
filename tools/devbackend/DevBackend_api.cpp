#include "DevBackend_p.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {
using Req = httplib::Request;
using Res = httplib::Response;
}

void DevBackend::Impl::installApi()
{
    server.Get("/api/categories", [this](const Req &, Res &res) { sendJson(res, fixtures.categoriesJson()); });

    server.Get("/api/changelog", [this](const Req &, Res &res) { sendJson(res, fixtures.changelogJson()); });

    server.Get("/api/feed", [this](const Req &req, Res &res) {
        const auto list = fixtures.feed(param(req, "cat"));
        if (!list)
            return sendError(res, 404, QStringLiteral("Categoría desconocida."));
        if (const auto p = page(req, res))
            sendJson(res, fixtures.videosJson(Fixtures::page(*list, *p, Fixtures::feedPageSize), originOf(req)));
    });

    server.Get("/api/search", [this](const Req &req, Res &res) {
        const auto list = fixtures.search(param(req, "q"), param(req, "f"));
        if (!list)
            return sendError(res, 400, QStringLiteral("Filtro de búsqueda desconocido."));
        if (const auto p = page(req, res))
            sendJson(res, fixtures.videosJson(Fixtures::page(*list, *p, Fixtures::searchPageSize), originOf(req)));
    });

    server.Get("/api/suggest", [this](const Req &req, Res &res) {
        sendJson(res, QJsonArray::fromStringList(fixtures.suggest(param(req, "q"))));
    });

    server.Get("/api/shorts", [this](const Req &req, Res &res) {
        if (const auto p = page(req, res))
            sendJson(res, fixtures.videosJson(Fixtures::page(fixtures.shorts(), *p, Fixtures::shortsPageSize),
                                              originOf(req)));
    });

    server.Get("/api/video/(.+)", [this](const Req &req, Res &res) {
        const auto v = fixtures.find(match(req, 1));
        if (!v)
            return sendError(res, 404, DevText::noVideo);
        sendJson(res, fixtures.detailJson(*v, param(req, "fast") == QLatin1String("1")));
    });

    server.Get("/api/related/(.+)", [this](const Req &req, Res &res) {
        const auto v = fixtures.find(match(req, 1));
        if (!v)
            return sendError(res, 404, DevText::noVideo);
        sendJson(res, fixtures.videosJson(fixtures.related(*v), originOf(req)));
    });

    server.Get("/api/sponsor/(.+)", [this](const Req &req, Res &res) {
        const auto v = fixtures.find(match(req, 1));
        if (!v)
            return sendError(res, 404, DevText::noVideo);
        sendJson(res, fixtures.sponsorJson(*v));
    });

    server.Get("/api/comments/(.+)", [this](const Req &req, Res &res) {
        const auto v = fixtures.find(match(req, 1));
        if (!v)
            return sendError(res, 404, DevText::noVideo);
        const auto list = fixtures.commentsJson(*v, param(req, "sort"), originOf(req));
        if (!list)
            return sendError(res, 400, QStringLiteral("Orden de comentarios desconocido: usa «top» o «new»."));
        sendJson(res, *list);
    });

    // The language is the last path element; the id is everything before it.
    server.Get("/api/captions/(.+)/([^/]+)", [this](const Req &req, Res &res) {
        const auto v = fixtures.find(match(req, 1));
        if (!v)
            return sendError(res, 404, DevText::noVideo);
        const auto cues = fixtures.cuesJson(*v, match(req, 2));
        if (!cues)
            return sendError(res, 404, QStringLiteral("Este vídeo no tiene subtítulos en ese idioma."));
        sendJson(res, *cues);
    });

    server.Get("/api/channel/(.+)", [this](const Req &req, Res &res) {
        const FxChannel *c = fixtures.channel(match(req, 1));
        if (!c)
            return sendError(res, 404, QStringLiteral("No se encontró el canal."));
        const auto list = fixtures.channelTab(*c, param(req, "tab"));
        if (!list)
            return sendError(res, 400, QStringLiteral("Pestaña de canal desconocida."));
        if (const auto p = page(req, res))
            sendJson(res, fixtures.channelJson(*c, Fixtures::page(*list, *p, Fixtures::channelPageSize), originOf(req)));
    });

    server.Get("/api/playlist/(.+)", [this](const Req &req, Res &res) {
        const FxPlaylist *p = fixtures.playlist(match(req, 1));
        if (!p)
            return sendError(res, 404, QStringLiteral("No se encontró la lista de reproducción."));
        sendJson(res, fixtures.playlistJson(*p, originOf(req)));
    });

    server.Get("/api/avatars", [this](const Req &req, Res &res) {
        sendJson(res, fixtures.avatarsJson(param(req, "keys").split(QLatin1Char(','), Qt::SkipEmptyParts),
                                           originOf(req)));
    });

    // Nothing to prepare: media are made once for all videos.
    server.Get("/api/warm", [](const Req &, Res &res) { sendJson(res, QJsonObject{{QStringLiteral("ok"), true}}); });
}
