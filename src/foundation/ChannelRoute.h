#pragma once
#include "RecordSupport.h"
#include <QtQml/qqmlregistration.h>

// The navigation value that opens a channel page.
struct ChannelRoute
{
    Q_GADGET
    QML_VALUE_TYPE(channelRoute)
    Q_PROPERTY(QString id MEMBER id)
    Q_PROPERTY(QString name MEMBER name)

public:
    QString id;   // channel id
    QString name; // display name

    auto fields() const { return std::tie(id, name); }
    friend bool operator==(const ChannelRoute &a, const ChannelRoute &b) { return Canonical::sameFields(a.fields(), b.fields()); }
    friend size_t qHash(const ChannelRoute &r, size_t seed = 0) { return Canonical::hashFields(r.fields(), seed); }
};
