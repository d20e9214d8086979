#pragma once
#include "Json.h"
#include "RecordSupport.h"
#include <QtQml/qqmlregistration.h>

// A channel the user follows; `id` is the channel id and never changes.
struct Subscription
{
    Q_GADGET
    QML_VALUE_TYPE(subscription)
    Q_PROPERTY(QString id MEMBER id)
    Q_PROPERTY(QString name MEMBER name)
    Q_PROPERTY(QVariant avatar READ avatarValue)

public:
    QString id;
    QString name;
    std::optional<QString> avatar; // URL text, filled in once known

    static Subscription fromJson(const QJsonValue &v);
    QJsonObject toJson() const;

    QVariant avatarValue() const { return QmlValue::of(avatar); }

    auto fields() const { return std::tie(id, name, avatar); }
    friend bool operator==(const Subscription &a, const Subscription &b) { return Canonical::sameFields(a.fields(), b.fields()); }
    friend size_t qHash(const Subscription &s, size_t seed = 0) { return Canonical::hashFields(s.fields(), seed); }
};
