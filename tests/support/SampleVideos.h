// Videos as the tests write them, and what they compare of a list.
#pragma once

#include "Video.h"

#include <QList>
#include <QStringList>

// "Vídeo <id>" on `channel`, `duration` seconds long.
inline Video sampleVideo(const QString &id, qint64 duration = 600, const QString &channel = QStringLiteral("Canal"))
{
    Video v;
    v.id = id;
    v.title = QStringLiteral("Vídeo ") + id;
    v.channel = channel;
    v.duration = duration;
    return v;
}

// The ids of `list`, in its order.
inline QStringList ids(const QList<Video> &list)
{
    QStringList out;
    for (const Video &v : list)
        out.append(v.id);
    return out;
}
