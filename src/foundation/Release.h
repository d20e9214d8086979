#pragma once
#include "Json.h"
#include "RecordSupport.h"
#include <QtQml/qqmlregistration.h>

// One change of a release: "new", "fixed", anything else an improvement.
struct ReleaseChange
{
    Q_GADGET
    QML_VALUE_TYPE(releaseChange)
    Q_PROPERTY(QString type MEMBER type)
    Q_PROPERTY(QString text MEMBER text)

public:
    QString type;
    QString text;

    static ReleaseChange fromJson(const QJsonValue &v);
    QJsonObject toJson() const;

    auto fields() const { return std::tie(type, text); }
    friend bool operator==(const ReleaseChange &a, const ReleaseChange &b) { return Canonical::sameFields(a.fields(), b.fields()); }
    friend size_t qHash(const ReleaseChange &c, size_t seed = 0) { return Canonical::hashFields(c.fields(), seed); }
};

// One release in the release notes; its identity is `version`.
struct Release
{
    Q_GADGET
    QML_VALUE_TYPE(release)
    Q_PROPERTY(QString id READ id)
    Q_PROPERTY(QString version MEMBER version)
    Q_PROPERTY(QVariant title READ titleValue)
    Q_PROPERTY(QString date MEMBER date)
    Q_PROPERTY(QVariantList changes READ changesValue)

public:
    QString version;
    std::optional<QString> title;
    QString date; // "yyyy-MM-dd"
    QList<ReleaseChange> changes;

    QString id() const { return version; }

    static Release fromJson(const QJsonValue &v);
    QJsonObject toJson() const;

    QVariant titleValue() const { return QmlValue::of(title); }
    QVariantList changesValue() const { return QmlValue::list(changes); }

    auto fields() const { return std::tie(version, title, date, changes); }
    friend bool operator==(const Release &a, const Release &b) { return Canonical::sameFields(a.fields(), b.fields()); }
    friend size_t qHash(const Release &r, size_t seed = 0) { return Canonical::hashFields(r.fields(), seed); }
};
