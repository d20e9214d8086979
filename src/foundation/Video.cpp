#include "Video.h"
#include "Fmt.h"

Video Video::fromJson(const QJsonValue &v)
{
    const QJsonObject o = Json::toObject(v);
    Video video;
    video.id = Json::read<QString>(o, "id");
    // Every other field falls back to its empty value, whatever is wrong with it.
    video.title = Fmt::plain(Json::asString(o.value(QLatin1String("title"))).value_or(QString()));
    video.channel = Fmt::plain(Json::asString(o.value(QLatin1String("channel"))).value_or(QString()));
    video.channelId = Json::asString(o.value(QLatin1String("channelId")));
    video.handle = Json::asString(o.value(QLatin1String("handle")));
    video.avatar = Json::asString(o.value(QLatin1String("avatar")));
    video.duration = Json::asInteger(o.value(QLatin1String("duration"))).value_or(0);
    video.views = Json::asInteger(o.value(QLatin1String("views")));
    video.live = Json::asBool(o.value(QLatin1String("live"))).value_or(false);
    video.verified = Json::asBool(o.value(QLatin1String("verified"))).value_or(false);
    return video;
}

QJsonObject Video::toJson() const
{
    QJsonObject o;
    Json::write(o, "id", id);
    Json::write(o, "title", title);
    Json::write(o, "channel", channel);
    Json::write(o, "channelId", channelId);
    Json::write(o, "handle", handle);
    Json::write(o, "avatar", avatar);
    Json::write(o, "duration", duration);
    Json::write(o, "views", views);
    Json::write(o, "live", live);
    Json::write(o, "verified", verified);
    return o;
}

Video Video::placeholder(qint64 n)
{
    Video v;
    v.id = QStringLiteral("placeholder") + QString::number(n);
    v.title = QStringLiteral("Título del vídeo de ejemplo que ocupa dos líneas");
    v.channel = QStringLiteral("Nombre del canal");
    v.duration = 600;
    v.views = 120000;
    return v;
}
