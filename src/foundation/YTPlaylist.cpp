#include "YTPlaylist.h"
#include "Fmt.h"

YTPlaylist YTPlaylist::fromJson(const QJsonValue &v)
{
    const QJsonObject o = Json::toObject(v);
    YTPlaylist p;
    p.id = Json::read<QString>(o, "id");
    p.title = Fmt::plain(Json::read<QString>(o, "title"));
    p.channel = Fmt::plain(Json::read<QString>(o, "channel"));
    p.videos = Json::read<QList<Video>>(o, "videos");
    return p;
}

QJsonObject YTPlaylist::toJson() const
{
    QJsonObject o;
    Json::write(o, "id", id);
    Json::write(o, "title", title);
    Json::write(o, "channel", channel);
    Json::write(o, "videos", videos);
    return o;
}
