#include "DevBackend_p.h"
#include "SignInPages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
using Req = httplib::Request;
using Res = httplib::Response;

// The body as a JSON object, or nullopt when it is anything else.
std::optional<QJsonObject> bodyObject(const Req &req)
{
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(req.body), &err);
    if (err.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return doc.object();
}

const QJsonObject ok{{QStringLiteral("ok"), true}};
} // namespace

void DevBackend::Impl::installAccount()
{
    server.Post("/api/auth/session", [this](const Req &req, Res &res) {
        const auto body = bodyObject(req);
        if (!body || !body->value(QStringLiteral("cookies")).isArray())
            return sendError(res, 400, DevText::badBody);
        QString why;
        const auto marker = SignInPages::markerValue(body->value(QStringLiteral("cookies")).toArray(), &why);
        if (!marker)
            return sendError(res, 401, why);
        const auto name = accounts.nameFromMarker(*marker);
        if (!name)
            return sendError(res, 401, QStringLiteral("Las cookies de tu cuenta no son válidas. Vuelve a intentarlo."));
        sendJson(res, QJsonObject{{QStringLiteral("session"), accounts.issueSession(*name)},
                                  {QStringLiteral("account"), accounts.accountJson(*name, originOf(req))}});
    });

    server.Get("/api/me", [this](const Req &req, Res &res) {
        if (const auto name = account(req, res))
            sendJson(res, accounts.accountJson(*name, originOf(req)));
    });

    server.Delete("/api/me", [this](const Req &req, Res &res) {
        if (account(req, res)) {
            accounts.revoke(QString::fromStdString(req.get_header_value("X-Ombri-Session")));
            sendJson(res, ok);
        }
    });

    server.Get("/api/me/feed", [this](const Req &req, Res &res) {
        const auto name = account(req, res);
        if (!name)
            return;
        const auto list = accounts.list(*name, param(req, "kind"));
        if (!list)
            return sendError(res, 400, QStringLiteral("Lista de la cuenta desconocida."));
        if (const auto p = page(req, res))
            sendJson(res, fixtures.videosJson(Fixtures::page(*list, *p, Fixtures::accountPageSize), originOf(req)));
    });

    server.Post("/api/me/like", [this](const Req &req, Res &res) {
        const auto name = account(req, res);
        if (!name)
            return;
        const auto body = bodyObject(req);
        if (!body || !body->value(QStringLiteral("id")).isString() || !body->value(QStringLiteral("like")).isBool())
            return sendError(res, 400, DevText::badBody);
        accounts.like(*name, body->value(QStringLiteral("id")).toString(), body->value(QStringLiteral("like")).toBool());
        sendJson(res, ok);
    });

    server.Post("/api/me/subscribe", [this](const Req &req, Res &res) {
        const auto name = account(req, res);
        if (!name)
            return;
        const auto body = bodyObject(req);
        if (!body || !body->value(QStringLiteral("channelId")).isString() ||
            !body->value(QStringLiteral("subscribe")).isBool())
            return sendError(res, 400, DevText::badBody);
        accounts.subscribe(*name, body->value(QStringLiteral("channelId")).toString(),
                           body->value(QStringLiteral("subscribe")).toBool());
        sendJson(res, ok);
    });

    server.Post("/api/me/watched/(.+)", [this](const Req &req, Res &res) {
        if (const auto name = account(req, res)) {
            accounts.watched(*name, match(req, 1));
            sendJson(res, ok);
        }
    });
}
