#include "Cue.h"
#include "Fmt.h"

Cue Cue::fromJson(const QJsonValue &v)
{
    const QJsonObject o = Json::toObject(v);
    Cue c;
    c.s = Json::read<double>(o, "s");
    c.e = Json::read<double>(o, "e");
    c.t = Fmt::plain(Json::read<QString>(o, "t"));
    return c;
}

QJsonObject Cue::toJson() const
{
    QJsonObject o;
    Json::write(o, "s", s);
    Json::write(o, "e", e);
    Json::write(o, "t", t);
    return o;
}
