#pragma once
#include "Json.h"
#include "RecordSupport.h"
#include "Video.h"
#include <QtQml/qqmlregistration.h>

// One watched video; its identity is the video's id.
struct HistoryEntry
{
    Q_GADGET
    QML_VALUE_TYPE(historyEntry)
    Q_PROPERTY(QString id READ id)
    Q_PROPERTY(Video video MEMBER video)
    Q_PROPERTY(double date MEMBER date)

public:
    Video video;
    double date = 0; // seconds since 2001-01-01 00:00:00 UTC

    QString id() const { return video.id; }

    static HistoryEntry fromJson(const QJsonValue &v);
    QJsonObject toJson() const;

    auto fields() const { return std::tie(video, date); }
    friend bool operator==(const HistoryEntry &a, const HistoryEntry &b) { return Canonical::sameFields(a.fields(), b.fields()); }
    friend size_t qHash(const HistoryEntry &e, size_t seed = 0) { return Canonical::hashFields(e.fields(), seed); }
};
