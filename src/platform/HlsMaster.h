#pragma once
#include <QByteArray>
#include <QList>
#include <QSize>

// An HLS master playlist, read for the bit rates its variants announce:
// mpv does not pass them on.
struct HlsMaster
{
    struct Variant
    {
        double bandwidth = 0; // bits per second
        QSize resolution;
    };
    // The variants a master playlist lists, in its order; none for anything
    // else.
    static QList<Variant> parse(const QByteArray &text);
};
