#include "Category.h"
#include "Fmt.h"

Category Category::fromJson(const QJsonValue &v)
{
    const QJsonObject o = Json::toObject(v);
    Category c;
    c.id = Json::read<QString>(o, "id");
    c.name = Fmt::plain(Json::read<QString>(o, "name"));
    return c;
}

QJsonObject Category::toJson() const
{
    QJsonObject o;
    Json::write(o, "id", id);
    Json::write(o, "name", name);
    return o;
}
