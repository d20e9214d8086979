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
