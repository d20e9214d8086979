#pragma once
#include "RecordSupport.h"
#include <QtQml/qqmlregistration.h>

// The navigation value that opens a playlist of the video site.
struct YTPlaylistRoute
{
    Q_GADGET
    QML_VALUE_TYPE(ytPlaylistRoute)
    Q_PROPERTY(QString id MEMBER id)

public:
    QString id;

    friend bool operator==(const YTPlaylistRoute &a, const YTPlaylistRoute &b) { return Canonical::same(a.id, b.id); }
    friend size_t qHash(const YTPlaylistRoute &r, size_t seed = 0) { return Canonical::hash(r.id, seed); }
};
