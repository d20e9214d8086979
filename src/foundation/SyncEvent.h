#pragma once
#include "RecordSupport.h"
#include <QObject>

// A local library change that is carried to the signed-in account.
struct SyncEvent
{
    Q_GADGET
    Q_PROPERTY(Kind kind MEMBER kind)
    Q_PROPERTY(QString id MEMBER id)
    Q_PROPERTY(bool on MEMBER on)

public:
    enum class Kind { like, subscribe, watched };
    Q_ENUM(Kind)

    Kind kind = Kind::watched;
    QString id;      // video id (like, watched) or channel id (subscribe)
    bool on = false; // now liked / now subscribed; unused for watched

    static SyncEvent like(const QString &videoId, bool liked) { return {Kind::like, videoId, liked}; }
    static SyncEvent subscribe(const QString &channelId, bool subscribed) { return {Kind::subscribe, channelId, subscribed}; }
    static SyncEvent watched(const QString &videoId) { return {Kind::watched, videoId, false}; }

    friend bool operator==(const SyncEvent &a, const SyncEvent &b)
    {
        return a.kind == b.kind && Canonical::same(a.id, b.id) && (a.kind == Kind::watched || a.on == b.on);
    }
    friend size_t qHash(const SyncEvent &e, size_t seed = 0)
    {
        return Canonical::combine(Canonical::hash(e.id, qHash(int(e.kind), seed)),
                                  e.kind == Kind::watched ? 0 : size_t(e.on));
    }
};
