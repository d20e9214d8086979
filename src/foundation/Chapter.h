#pragma once
#include "Json.h"
#include "RecordSupport.h"
#include <QtQml/qqmlregistration.h>

// One chapter of a video.
struct Chapter
{
    Q_GADGET
    QML_VALUE_TYPE(chapter)
    Q_PROPERTY(qint64 start MEMBER start)
    Q_PROPERTY(QString title MEMBER title)

public:
    qint64 start = 0; // whole seconds from the start of the video
    QString title;

    static Chapter fromJson(const QJsonValue &v);
    QJsonObject toJson() const;

    auto fields() const { return std::tie(start, title); }
    friend bool operator==(const Chapter &a, const Chapter &b) { return Canonical::sameFields(a.fields(), b.fields()); }
    friend size_t qHash(const Chapter &c, size_t seed = 0) { return Canonical::hashFields(c.fields(), seed); }
};
