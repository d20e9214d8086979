#include "Changelog.h"

Changelog Changelog::fromJson(const QJsonValue &v)
{
    const QJsonObject o = Json::toObject(v);
    Changelog c;
    c.latest = Json::read<std::optional<QString>>(o, "latest");
    c.releases = Json::read<QList<Release>>(o, "releases");
    return c;
}

QJsonObject Changelog::toJson() const
{
    QJsonObject o;
    Json::write(o, "latest", latest);
    Json::write(o, "releases", releases);
    return o;
}
