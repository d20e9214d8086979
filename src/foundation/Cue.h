#pragma once
#include "Json.h"
#include "RecordSupport.h"
#include <QtQml/qqmlregistration.h>

// One caption of a track.
struct Cue
{
    Q_GADGET
    QML_VALUE_TYPE(cue)
    Q_PROPERTY(double s MEMBER s)
    Q_PROPERTY(double e MEMBER e)
    Q_PROPERTY(QString t MEMBER t)

public:
    double s = 0; // start, seconds
    double e = 0; // end, seconds
    QString t;    // text

    static Cue fromJson(const QJsonValue &v);
    QJsonObject toJson() const;

    auto fields() const { return std::tie(s, e, t); }
    friend bool operator==(const Cue &a, const Cue &b) { return Canonical::sameFields(a.fields(), b.fields()); }
    friend size_t qHash(const Cue &c, size_t seed = 0) { return Canonical::hashFields(c.fields(), seed); }
};
