#include "Account.h"
#include "Fmt.h"

Account Account::fromJson(const QJsonValue &v)
{
    const QJsonObject o = Json::toObject(v);
    Account a;
    a.name = Fmt::plain(Json::read<QString>(o, "name"));
    a.handle = Json::read<std::optional<QString>>(o, "handle");
    a.avatar = Json::read<std::optional<QString>>(o, "avatar");
    return a;
}

QJsonObject Account::toJson() const
{
    QJsonObject o;
    Json::write(o, "name", name);
    Json::write(o, "handle", handle);
    Json::write(o, "avatar", avatar);
    return o;
}
