#pragma once
#include "Json.h"
#include "RecordSupport.h"
#include "Video.h"
#include <QtQml/qqmlregistration.h>

// A playlist of the video site. Only read, never compared.
struct YTPlaylist
{
    Q_GADGET
    QML_VALUE_TYPE(ytPlaylist)
    Q_PROPERTY(QString id MEMBER id)
    Q_PROPERTY(QString title MEMBER title)
    Q_PROPERTY(QString channel MEMBER channel)
    Q_PROPERTY(QVariantList videos READ videosValue)

public:
    QString id;
    QString title;
    QString channel; // the owner's channel name
    QList<Video> videos;

    static YTPlaylist fromJson(const QJsonValue &v);
    QJsonObject toJson() const;

    QVariantList videosValue() const { return QmlValue::list(videos); }
};
