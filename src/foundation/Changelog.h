#pragma once
#include "Json.h"
#include "RecordSupport.h"
#include "Release.h"
#include <QtQml/qqmlregistration.h>

// The release notes served by the backend. Only read, never compared.
struct Changelog
{
    Q_GADGET
    QML_VALUE_TYPE(changelog)
    Q_PROPERTY(QVariant latest READ latestValue)
    Q_PROPERTY(QVariantList releases READ releasesValue)

public:
    std::optional<QString> latest; // the latest released version
    QList<Release> releases;       // in the order sent

    static Changelog fromJson(const QJsonValue &v);
    QJsonObject toJson() const;

    QVariant latestValue() const { return QmlValue::of(latest); }
    QVariantList releasesValue() const { return QmlValue::list(releases); }
};
