#pragma once
#include "Json.h"
#include "RecordSupport.h"
#include "Video.h"
#include <QtQml/qqmlregistration.h>

// A playlist of the user's own, kept in the library.
struct UserPlaylist
{
    Q_GADGET
    QML_VALUE_TYPE(userPlaylist)
    Q_PROPERTY(QString id MEMBER id)
    Q_PROPERTY(QString name MEMBER name)
    Q_PROPERTY(QVariantList videos READ videosValue)
    Q_PROPERTY(double created MEMBER created)

public:
    QString id;
    QString name;
    QList<Video> videos;
    double created = 0; // seconds since 2001-01-01 00:00:00 UTC

    // A new list: a fresh upper-case UUID, no videos and the current time,
    // unless given.
    static UserPlaylist create(const QString &name, std::optional<QString> id = std::nullopt,
                               QList<Video> videos = {}, std::optional<double> created = std::nullopt);

    // All four keys must be present: the defaults of a new list never fill in.
    static UserPlaylist fromJson(const QJsonValue &v);
    QJsonObject toJson() const;

    QVariantList videosValue() const { return QmlValue::list(videos); }

    auto fields() const { return std::tie(id, name, videos, created); }
    friend bool operator==(const UserPlaylist &a, const UserPlaylist &b) { return Canonical::sameFields(a.fields(), b.fields()); }
    friend size_t qHash(const UserPlaylist &p, size_t seed = 0) { return Canonical::hashFields(p.fields(), seed); }
};
