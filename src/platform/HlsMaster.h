#pragma once
#include <QByteArray>
#include <QList>
#include <QSize>
#include <QUrl>

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
    // The playlist with every URI in it (its URI lines and URI="…"
    // attributes) resolved against `base`, so it reads the same from
    // anywhere; the rest is left as it is.
    static QByteArray absolute(const QByteArray &text, const QUrl &base);
};
