#include "VideoDetail.h"
#include "Fmt.h"

VideoDetail VideoDetail::fromJson(const QJsonValue &v)
{
    const QJsonObject o = Json::toObject(v);
    VideoDetail d;
    d.id = Json::read<QString>(o, "id");
    d.title = Fmt::plain(Json::read<QString>(o, "title"));
    d.description = Fmt::plain(Json::read<QString>(o, "description"));
    d.channel = Fmt::plain(Json::read<QString>(o, "channel"));
    d.channelId = Json::read<std::optional<QString>>(o, "channelId");
    d.subscribers = Json::read<std::optional<qint64>>(o, "subscribers");
    d.views = Json::read<std::optional<qint64>>(o, "views");
    d.likes = Json::read<std::optional<qint64>>(o, "likes");
    d.comments = Json::read<std::optional<qint64>>(o, "comments");
    d.uploadDate = Json::read<std::optional<QString>>(o, "uploadDate");
    d.duration = Json::read<qint64>(o, "duration");
    d.live = Json::read<bool>(o, "live");
    d.verified = Json::read<bool>(o, "verified");
    d.qualities = Json::read<QList<qint64>>(o, "qualities");
    d.chapters = Json::read<QList<Chapter>>(o, "chapters");
    d.canPlay = Json::read<bool>(o, "canPlay");
    d.hls = Json::read<std::optional<bool>>(o, "hls");
    d.captions = Json::read<std::optional<QList<CaptionTrack>>>(o, "captions");
    return d;
}

QJsonObject VideoDetail::toJson() const
{
    QJsonObject o;
    Json::write(o, "id", id);
    Json::write(o, "title", title);
    Json::write(o, "description", description);
    Json::write(o, "channel", channel);
    Json::write(o, "channelId", channelId);
    Json::write(o, "subscribers", subscribers);
    Json::write(o, "views", views);
    Json::write(o, "likes", likes);
    Json::write(o, "comments", comments);
    Json::write(o, "uploadDate", uploadDate);
    Json::write(o, "duration", duration);
    Json::write(o, "live", live);
    Json::write(o, "verified", verified);
    Json::write(o, "qualities", qualities);
    Json::write(o, "chapters", chapters);
    Json::write(o, "canPlay", canPlay);
    Json::write(o, "hls", hls);
    Json::write(o, "captions", captions);
    return o;
}
