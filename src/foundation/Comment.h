#pragma once
#include "Json.h"
#include "RecordSupport.h"
#include <QtQml/qqmlregistration.h>

// One comment of a video; only `avatar` may be missing.
struct Comment
{
    Q_GADGET
    QML_VALUE_TYPE(comment)
    Q_PROPERTY(QString id MEMBER id)
    Q_PROPERTY(QString author MEMBER author)
    Q_PROPERTY(QString text MEMBER text)
    Q_PROPERTY(qint64 likes MEMBER likes)
    Q_PROPERTY(QString time MEMBER time)
    Q_PROPERTY(QVariant avatar READ avatarValue)
    Q_PROPERTY(bool pinned MEMBER pinned)
    Q_PROPERTY(bool byUploader MEMBER byUploader)

public:
    QString id;
    QString author;
    QString text;
    qint64 likes = 0;
    QString time; // composed by the backend
    std::optional<QString> avatar;
    bool pinned = false;
    bool byUploader = false;

    static Comment fromJson(const QJsonValue &v);
    QJsonObject toJson() const;

    QVariant avatarValue() const { return QmlValue::of(avatar); }

    auto fields() const { return std::tie(id, author, text, likes, time, avatar, pinned, byUploader); }
    friend bool operator==(const Comment &a, const Comment &b) { return Canonical::sameFields(a.fields(), b.fields()); }
    friend size_t qHash(const Comment &c, size_t seed = 0) { return Canonical::hashFields(c.fields(), seed); }
};
