#pragma once
#include "Json.h"
#include "RecordSupport.h"
#include <QtQml/qqmlregistration.h>

// A part of a video the player can skip.
struct SponsorSegment
{
    Q_GADGET
    QML_VALUE_TYPE(sponsorSegment)
    Q_PROPERTY(double start MEMBER start)
    Q_PROPERTY(double end MEMBER end)
    Q_PROPERTY(QString category MEMBER category)

public:
    double start = 0; // seconds
    double end = 0;   // seconds
    QString category; // "sponsor", "selfpromo", "interaction", "intro", "outro", …

    static SponsorSegment fromJson(const QJsonValue &v);
    QJsonObject toJson() const;

    auto fields() const { return std::tie(start, end, category); }
    friend bool operator==(const SponsorSegment &a, const SponsorSegment &b) { return Canonical::sameFields(a.fields(), b.fields()); }
    friend size_t qHash(const SponsorSegment &s, size_t seed = 0) { return Canonical::hashFields(s.fields(), seed); }
};
