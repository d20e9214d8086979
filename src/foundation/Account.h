#pragma once
#include "Json.h"
#include "RecordSupport.h"
#include <QtQml/qqmlregistration.h>

// The signed-in account; also kept as JSON under the settings key "account".
struct Account
{
    Q_GADGET
    QML_VALUE_TYPE(account)
    Q_PROPERTY(QString name MEMBER name)
    Q_PROPERTY(QVariant handle READ handleValue)
    Q_PROPERTY(QVariant avatar READ avatarValue)

public:
    QString name;
    std::optional<QString> handle;
    std::optional<QString> avatar; // URL text

    static Account fromJson(const QJsonValue &v);
    QJsonObject toJson() const;

    QVariant handleValue() const { return QmlValue::of(handle); }
    QVariant avatarValue() const { return QmlValue::of(avatar); }

    auto fields() const { return std::tie(name, handle, avatar); }
    friend bool operator==(const Account &a, const Account &b) { return Canonical::sameFields(a.fields(), b.fields()); }
    friend size_t qHash(const Account &a, size_t seed = 0) { return Canonical::hashFields(a.fields(), seed); }
};
