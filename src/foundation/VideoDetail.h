#pragma once
#include "CaptionTrack.h"
#include "Chapter.h"
#include "Json.h"
#include "RecordSupport.h"
#include <QtQml/qqmlregistration.h>

// The full detail of one video, as the video endpoint sends it.
struct VideoDetail
{
    Q_GADGET
    QML_VALUE_TYPE(videoDetail)
    Q_PROPERTY(QString id MEMBER id)
    Q_PROPERTY(QString title MEMBER title)
    Q_PROPERTY(QString description MEMBER description)
    Q_PROPERTY(QString channel MEMBER channel)
    Q_PROPERTY(QVariant channelId READ channelIdValue)
    Q_PROPERTY(QVariant subscribers READ subscribersValue)
    Q_PROPERTY(QVariant views READ viewsValue)
    Q_PROPERTY(QVariant likes READ likesValue)
    Q_PROPERTY(QVariant comments READ commentsValue)
    Q_PROPERTY(QVariant uploadDate READ uploadDateValue)
    Q_PROPERTY(qint64 duration MEMBER duration)
    Q_PROPERTY(bool live MEMBER live)
    Q_PROPERTY(bool verified MEMBER verified)
    Q_PROPERTY(QVariantList qualities READ qualitiesValue)
    Q_PROPERTY(QVariantList chapters READ chaptersValue)
    Q_PROPERTY(bool canPlay MEMBER canPlay)
    Q_PROPERTY(QVariant hls READ hlsValue)
    Q_PROPERTY(QVariant captions READ captionsValue)

public:
    QString id;
    QString title;
    QString description;
    QString channel;
    std::optional<QString> channelId;
    std::optional<qint64> subscribers;
    std::optional<qint64> views;
    std::optional<qint64> likes;
    std::optional<qint64> comments;
    std::optional<QString> uploadDate; // "yyyy-MM-dd"
    qint64 duration = 0;
    bool live = false;
    bool verified = false;
    QList<qint64> qualities; // stream heights in pixels
    QList<Chapter> chapters;
    bool canPlay = false;
    std::optional<bool> hls; // false: no HLS stream, use the progressive one
    std::optional<QList<CaptionTrack>> captions;

    static VideoDetail fromJson(const QJsonValue &v);
    QJsonObject toJson() const;

    QVariant channelIdValue() const { return QmlValue::of(channelId); }
    QVariant subscribersValue() const { return QmlValue::of(subscribers); }
    QVariant viewsValue() const { return QmlValue::of(views); }
    QVariant likesValue() const { return QmlValue::of(likes); }
    QVariant commentsValue() const { return QmlValue::of(comments); }
    QVariant uploadDateValue() const { return QmlValue::of(uploadDate); }
    QVariantList qualitiesValue() const { return QmlValue::list(qualities); }
    QVariantList chaptersValue() const { return QmlValue::list(chapters); }
    QVariant hlsValue() const { return QmlValue::of(hls); }
    QVariant captionsValue() const { return captions ? QVariant(QmlValue::list(*captions)) : QVariant(); }

    auto fields() const
    {
        return std::tie(id, title, description, channel, channelId, subscribers, views, likes, comments,
                        uploadDate, duration, live, verified, qualities, chapters, canPlay, hls, captions);
    }
    friend bool operator==(const VideoDetail &a, const VideoDetail &b) { return Canonical::sameFields(a.fields(), b.fields()); }
    friend size_t qHash(const VideoDetail &d, size_t seed = 0) { return Canonical::hashFields(d.fields(), seed); }
};
