#include "DevBackend_p.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
using Req = httplib::Request;
using Res = httplib::Response;
}

// Not under /api/: no key, never faulted, kept out of the in-memory log.
void DevBackend::Impl::installControl()
{
    server.Post("/__control/fault", [this](const Req &req, Res &res) {
        QJsonParseError err;
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(req.body), &err);
        if (!doc.isObject())
            return sendError(res, 400, DevText::badBody);
        QString why;
        const auto rule = FaultRule::fromJson(doc.object(), &why);
        if (!rule)
            return sendError(res, 400, why);
        sendJson(res, QJsonObject{{QStringLiteral("ok"), true}, {QStringLiteral("rule"), faults.add(*rule)}});
    });

    server.Get("/__control/fault", [this](const Req &, Res &res) {
        QJsonArray list;
        for (const FaultRule &r : faults.rules())
            list.append(r.toJson());
        sendJson(res, list);
    });

    // With ?rule=N removes that rule, otherwise every rule.
    server.Delete("/__control/fault", [this](const Req &req, Res &res) {
        if (req.has_param("rule")) {
            const bool removed = faults.remove(param(req, "rule").toLongLong());
            return sendJson(res, QJsonObject{{QStringLiteral("ok"), removed}}, removed ? 200 : 404);
        }
        faults.clear();
        sendJson(res, QJsonObject{{QStringLiteral("ok"), true}});
    });

    // The requests seen since sequence number `since`, for out-of-process tests.
    server.Get("/__control/requests", [this](const Req &req, Res &res) {
        QJsonArray list;
        for (const RequestRecord &r : log.since(param(req, "since").toLongLong())) {
            QJsonObject headers;
            for (auto it = r.headers.cbegin(); it != r.headers.cend(); ++it)
                headers.insert(it.key(), it.value());
            list.append(QJsonObject{{QStringLiteral("seq"), r.seq},
                                    {QStringLiteral("method"), r.method},
                                    {QStringLiteral("path"), r.path},
                                    {QStringLiteral("target"), r.target()},
                                    {QStringLiteral("query"), r.rawQuery},
                                    {QStringLiteral("status"), r.status},
                                    {QStringLiteral("headers"), headers},
                                    {QStringLiteral("body"), QString::fromUtf8(r.body)}});
        }
        sendJson(res, list);
    });

    server.Delete("/__control/requests", [this](const Req &, Res &res) {
        log.clear();
        sendJson(res, QJsonObject{{QStringLiteral("ok"), true}});
    });
}
