#include "SponsorSegment.h"

SponsorSegment SponsorSegment::fromJson(const QJsonValue &v)
{
    const QJsonObject o = Json::toObject(v);
    SponsorSegment s;
    s.start = Json::read<double>(o, "start");
    s.end = Json::read<double>(o, "end");
    s.category = Json::read<QString>(o, "category");
    return s;
}

QJsonObject SponsorSegment::toJson() const
{
    QJsonObject o;
    Json::write(o, "start", start);
    Json::write(o, "end", end);
    Json::write(o, "category", category);
    return o;
}
