#include "Chapter.h"
#include "Fmt.h"

Chapter Chapter::fromJson(const QJsonValue &v)
{
    const QJsonObject o = Json::toObject(v);
    Chapter c;
    c.start = Json::read<qint64>(o, "start");
    c.title = Fmt::plain(Json::read<QString>(o, "title"));
    return c;
}

QJsonObject Chapter::toJson() const
{
    QJsonObject o;
    Json::write(o, "start", start);
    Json::write(o, "title", title);
    return o;
}
