#include "HistoryEntry.h"

HistoryEntry HistoryEntry::fromJson(const QJsonValue &v)
{
    const QJsonObject o = Json::toObject(v);
    HistoryEntry e;
    e.video = Json::read<Video>(o, "video");
    e.date = Json::read<double>(o, "date");
    return e;
}

QJsonObject HistoryEntry::toJson() const
{
    QJsonObject o;
    Json::write(o, "video", video);
    Json::write(o, "date", date);
    return o;
}
