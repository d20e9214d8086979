#include "Comment.h"
#include "Fmt.h"

Comment Comment::fromJson(const QJsonValue &v)
{
    const QJsonObject o = Json::toObject(v);
    Comment c;
    c.id = Json::read<QString>(o, "id");
    c.author = Fmt::plain(Json::read<QString>(o, "author"));
    c.text = Fmt::plain(Json::read<QString>(o, "text"));
    c.likes = Json::read<qint64>(o, "likes");
    c.time = Json::read<QString>(o, "time");
    c.avatar = Json::read<std::optional<QString>>(o, "avatar");
    c.pinned = Json::read<bool>(o, "pinned");
    c.byUploader = Json::read<bool>(o, "byUploader");
    return c;
}

QJsonObject Comment::toJson() const
{
    QJsonObject o;
    Json::write(o, "id", id);
    Json::write(o, "author", author);
    Json::write(o, "text", text);
    Json::write(o, "likes", likes);
    Json::write(o, "time", time);
    Json::write(o, "avatar", avatar);
    Json::write(o, "pinned", pinned);
    Json::write(o, "byUploader", byUploader);
    return o;
}
