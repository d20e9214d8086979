#include "SessionResponse.h"

SessionResponse SessionResponse::fromJson(const QJsonValue &v)
{
    const QJsonObject o = Json::toObject(v);
    SessionResponse r;
    r.session = Json::read<QString>(o, "session");
    r.account = Json::read<Account>(o, "account");
    return r;
}

QJsonObject SessionResponse::toJson() const
{
    QJsonObject o;
    Json::write(o, "session", session);
    Json::write(o, "account", account);
    return o;
}
