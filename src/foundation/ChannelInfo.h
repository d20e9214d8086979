#pragma once
#include "Json.h"
#include "RecordSupport.h"
#include "Video.h"
#include <QtQml/qqmlregistration.h>

// One page of a channel. Only read, never compared.
struct ChannelInfo
{
    Q_GADGET
    QML_VALUE_TYPE(channelInfo)
    Q_PROPERTY(QString id MEMBER id)
    Q_PROPERTY(QString name MEMBER name)
    Q_PROPERTY(QVariant handle READ handleValue)
    Q_PROPERTY(QVariant subscribers READ subscribersValue)
    Q_PROPERTY(QString description MEMBER description)
    Q_PROPERTY(QVariant avatar READ avatarValue)
    Q_PROPERTY(QVariant banner READ bannerValue)
    Q_PROPERTY(bool verified MEMBER verified)
    Q_PROPERTY(QVariantList videos READ videosValue)

public:
    QString id;
    QString name;
    std::optional<QString> handle;
    std::optional<qint64> subscribers;
    QString description;
    std::optional<QString> avatar;
    std::optional<QString> banner;
    bool verified = false;
    QList<Video> videos; // the requested page and tab

    static ChannelInfo fromJson(const QJsonValue &v);
    QJsonObject toJson() const;

    QVariant handleValue() const { return QmlValue::of(handle); }
    QVariant subscribersValue() const { return QmlValue::of(subscribers); }
    QVariant avatarValue() const { return QmlValue::of(avatar); }
    QVariant bannerValue() const { return QmlValue::of(banner); }
    QVariantList videosValue() const { return QmlValue::list(videos); }
};
