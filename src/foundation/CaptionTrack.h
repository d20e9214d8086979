#pragma once
#include "Json.h"
#include "RecordSupport.h"
#include <QtQml/qqmlregistration.h>

// One caption language offered for a video; its identity is `lang`.
struct CaptionTrack
{
    Q_GADGET
    QML_VALUE_TYPE(captionTrack)
    Q_PROPERTY(QString id READ id)
    Q_PROPERTY(QString lang MEMBER lang)
    Q_PROPERTY(QString name MEMBER name)
    Q_PROPERTY(bool isAuto MEMBER isAuto)

public:
    QString lang; // language code, also the last path element of the captions request
    QString name;
    bool isAuto = false; // JSON key "auto": generated automatically

    QString id() const { return lang; }

    static CaptionTrack fromJson(const QJsonValue &v);
    QJsonObject toJson() const;

    auto fields() const { return std::tie(lang, name, isAuto); }
    friend bool operator==(const CaptionTrack &a, const CaptionTrack &b) { return Canonical::sameFields(a.fields(), b.fields()); }
    friend size_t qHash(const CaptionTrack &c, size_t seed = 0) { return Canonical::hashFields(c.fields(), seed); }
};
