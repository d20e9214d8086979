#include "Subscription.h"
#include "Fmt.h"

Subscription Subscription::fromJson(const QJsonValue &v)
{
    const QJsonObject o = Json::toObject(v);
    Subscription s;
    s.id = Json::read<QString>(o, "id");
    s.name = Fmt::plain(Json::read<QString>(o, "name"));
    s.avatar = Json::read<std::optional<QString>>(o, "avatar");
    return s;
}

QJsonObject Subscription::toJson() const
{
    QJsonObject o;
    Json::write(o, "id", id);
    Json::write(o, "name", name);
    Json::write(o, "avatar", avatar);
    return o;
}
