#include "ListSetting.h"
#include "FeedModel.h"

#include <algorithm>

QSet<QString> ListSetting::parse(const QString &raw)
{
    const QStringList parts = raw.split(u',', Qt::SkipEmptyParts);
    return QSet<QString>(parts.cbegin(), parts.cend());
}

QString ListSetting::join(const QSet<QString> &ids)
{
    QStringList sorted(ids.cbegin(), ids.cend());
    // QString's operator< compares UTF-16 code units, which keeps this
    // independent of the locale.
    std::sort(sorted.begin(), sorted.end());
    return sorted.join(u',');
}

QString ListSetting::with(const QString &raw, const QString &id, bool present)
{
    QSet<QString> ids = parse(raw);
    if (present)
        ids.insert(id);
    else
        ids.remove(id);
    return join(ids);
}

bool ListSetting::lists(const QString &raw, const QString &id)
{
    return parse(raw).contains(id);
}

QVariantList ListSetting::homeCategories()
{
    QVariantList rows;
    const QList<Category> &all = FeedModel::defaultCategories();
    for (qsizetype i = 1; i < std::min<qsizetype>(9, all.size()); ++i)
        rows.append(QVariantMap{{u"id"_qs, all[i].id}, {u"title"_qs, all[i].name}});
    return rows;
}
