#include "CaptionTrack.h"
#include "Fmt.h"

CaptionTrack CaptionTrack::fromJson(const QJsonValue &v)
{
    const QJsonObject o = Json::toObject(v);
    CaptionTrack t;
    t.lang = Json::read<QString>(o, "lang");
    t.name = Fmt::plain(Json::read<QString>(o, "name"));
    t.isAuto = Json::read<bool>(o, "auto");
    return t;
}

QJsonObject CaptionTrack::toJson() const
{
    QJsonObject o;
    Json::write(o, "lang", lang);
    Json::write(o, "name", name);
    Json::write(o, "auto", isAuto);
    return o;
}
