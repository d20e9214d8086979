#include "UserPlaylist.h"
#include "Clock.h"
#include <QUuid>

UserPlaylist UserPlaylist::create(const QString &name, std::optional<QString> id, QList<Video> videos,
                                  std::optional<double> created)
{
    UserPlaylist p;
    p.id = id ? *id : QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    p.name = name;
    p.videos = std::move(videos);
    p.created = created ? *created : Clock::referenceSeconds();
    return p;
}

UserPlaylist UserPlaylist::fromJson(const QJsonValue &v)
{
    const QJsonObject o = Json::toObject(v);
    UserPlaylist p;
    p.id = Json::read<QString>(o, "id");
    p.name = Json::read<QString>(o, "name");
    p.videos = Json::read<QList<Video>>(o, "videos");
    p.created = Json::read<double>(o, "created");
    return p;
}

QJsonObject UserPlaylist::toJson() const
{
    QJsonObject o;
    Json::write(o, "id", id);
    Json::write(o, "name", name);
    Json::write(o, "videos", videos);
    Json::write(o, "created", created);
    return o;
}
