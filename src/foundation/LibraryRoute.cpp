#include "LibraryRoute.h"
#include <QMetaEnum>

LibraryRoute LibraryRoute::make(Case which, QString payload)
{
    LibraryRoute r;
    r.which = which;
    // Cases without a payload carry none, so equal routes hold equal fields.
    if (r.hasPayload())
        r.payload = std::move(payload);
    return r;
}

QString LibraryRoute::name() const
{
    return QString::fromLatin1(QMetaEnum::fromType<Case>().valueToKey(int(which)));
}

QString LibraryRoute::title() const
{
    switch (which) {
    case Case::history: return QStringLiteral("Historial");
    case Case::liked: return QStringLiteral("Me gusta");
    case Case::later: return QStringLiteral("Ver más tarde");
    case Case::playlists: return QStringLiteral("Mis listas");
    case Case::stats: return QStringLiteral("Estadísticas");
    default: return {};
    }
}

QString LibraryRoute::symbol() const
{
    switch (which) {
    case Case::history: return QStringLiteral("clock.arrow.circlepath");
    case Case::liked: return QStringLiteral("hand.thumbsup.fill");
    case Case::later: return QStringLiteral("clock.fill");
    case Case::playlists: return QStringLiteral("music.note.list");
    case Case::stats: return QStringLiteral("chart.bar.xaxis");
    default: return {};
    }
}
