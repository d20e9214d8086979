#pragma once
#include "Json.h"
#include "RecordSupport.h"
#include <QtQml/qqmlregistration.h>

// A home-feed category; `id` is what the feed request sends.
struct Category
{
    Q_GADGET
    QML_VALUE_TYPE(category)
    Q_PROPERTY(QString id MEMBER id)
    Q_PROPERTY(QString name MEMBER name)

public:
    QString id;
    QString name;

    static Category fromJson(const QJsonValue &v);
    QJsonObject toJson() const;

    auto fields() const { return std::tie(id, name); }
    friend bool operator==(const Category &a, const Category &b) { return Canonical::sameFields(a.fields(), b.fields()); }
    friend size_t qHash(const Category &c, size_t seed = 0) { return Canonical::hashFields(c.fields(), seed); }
};
