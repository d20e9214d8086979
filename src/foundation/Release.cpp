#include "Release.h"
#include "Fmt.h"

ReleaseChange ReleaseChange::fromJson(const QJsonValue &v)
{
    const QJsonObject o = Json::toObject(v);
    ReleaseChange c;
    c.type = Json::read<QString>(o, "type");
    c.text = Fmt::plain(Json::read<QString>(o, "text"));
    return c;
}

QJsonObject ReleaseChange::toJson() const
{
    QJsonObject o;
    Json::write(o, "type", type);
    Json::write(o, "text", text);
    return o;
}

Release Release::fromJson(const QJsonValue &v)
{
    const QJsonObject o = Json::toObject(v);
    Release r;
    r.version = Json::read<QString>(o, "version");
    r.title = Json::read<std::optional<QString>>(o, "title");
    if (r.title)
        r.title = Fmt::plain(*r.title);
    r.date = Json::read<QString>(o, "date");
    r.changes = Json::read<QList<ReleaseChange>>(o, "changes");
    return r;
}

QJsonObject Release::toJson() const
{
    QJsonObject o;
    Json::write(o, "version", version);
    Json::write(o, "title", title);
    Json::write(o, "date", date);
    Json::write(o, "changes", changes);
    return o;
}
