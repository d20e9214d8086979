#pragma once
#include "Json.h"
#include "RecordSupport.h"
#include <QtQml/qqmlregistration.h>

// The summary of one video used by every list, the queue, the history and
// the playlists. Decodes tolerantly: only `id` must be there.
struct Video
{
    Q_GADGET
    QML_VALUE_TYPE(video)
    Q_PROPERTY(QString id MEMBER id)
    Q_PROPERTY(QString title MEMBER title)
    Q_PROPERTY(QString channel MEMBER channel)
    Q_PROPERTY(QVariant channelId READ channelIdValue)
    Q_PROPERTY(QVariant handle READ handleValue)
    Q_PROPERTY(QVariant avatar READ avatarValue)
    Q_PROPERTY(qint64 duration MEMBER duration)
    Q_PROPERTY(QVariant views READ viewsValue)
    Q_PROPERTY(bool live MEMBER live)
    Q_PROPERTY(bool verified MEMBER verified)

public:
    QString id;
    QString title;
    QString channel;
    std::optional<QString> channelId;
    std::optional<QString> handle;
    std::optional<QString> avatar; // URL text
    qint64 duration = 0;           // seconds; 0 when the backend gives none
    std::optional<qint64> views;
    bool live = false;
    bool verified = false;

    static Video fromJson(const QJsonValue &v);
    QJsonObject toJson() const;

    // The sample shown redacted by skeleton cards.
    static Video placeholder(qint64 n);

    QVariant channelIdValue() const { return QmlValue::of(channelId); }
    QVariant handleValue() const { return QmlValue::of(handle); }
    QVariant avatarValue() const { return QmlValue::of(avatar); }
    QVariant viewsValue() const { return QmlValue::of(views); }

    auto fields() const { return std::tie(id, title, channel, channelId, handle, avatar, duration, views, live, verified); }
    friend bool operator==(const Video &a, const Video &b) { return Canonical::sameFields(a.fields(), b.fields()); }
    friend size_t qHash(const Video &v, size_t seed = 0) { return Canonical::hashFields(v.fields(), seed); }
};
