#include "ChannelInfo.h"
#include "Fmt.h"

ChannelInfo ChannelInfo::fromJson(const QJsonValue &v)
{
    const QJsonObject o = Json::toObject(v);
    ChannelInfo c;
    c.id = Json::read<QString>(o, "id");
    c.name = Fmt::plain(Json::read<QString>(o, "name"));
    c.handle = Json::read<std::optional<QString>>(o, "handle");
    c.subscribers = Json::read<std::optional<qint64>>(o, "subscribers");
    c.description = Fmt::plain(Json::read<QString>(o, "description"));
    c.avatar = Json::read<std::optional<QString>>(o, "avatar");
    c.banner = Json::read<std::optional<QString>>(o, "banner");
    c.verified = Json::read<bool>(o, "verified");
    c.videos = Json::read<QList<Video>>(o, "videos");
    return c;
}

QJsonObject ChannelInfo::toJson() const
{
    QJsonObject o;
    Json::write(o, "id", id);
    Json::write(o, "name", name);
    Json::write(o, "handle", handle);
    Json::write(o, "subscribers", subscribers);
    Json::write(o, "description", description);
    Json::write(o, "avatar", avatar);
    Json::write(o, "banner", banner);
    Json::write(o, "verified", verified);
    Json::write(o, "videos", videos);
    return o;
}
