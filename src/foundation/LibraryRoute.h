#pragma once
#include "RecordSupport.h"
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// The navigation values of the library tab's stack. Two routes are equal when
// they are the same case and, for `remote` and `playlist`, carry the same
// text; hashing feeds the case's index and then (only for those two) the text,
// so a `remote` and a `playlist` with the same text stay apart.
struct LibraryRoute
{
    Q_GADGET
    QML_VALUE_TYPE(libraryRoute)
    Q_PROPERTY(Case which MEMBER which)
    Q_PROPERTY(QString name READ name)
    Q_PROPERTY(QString payload READ payloadValue)
    // The lists kept on this computer, as the library tab lists them and as
    // their screens are titled; empty for every other case.
    Q_PROPERTY(QString title READ title)
    Q_PROPERTY(QString symbol READ symbol)

public:
    // In declaration order; the index is what hashing uses.
    enum class Case { history, liked, later, settings, playlists, hidden, stats, remote, playlist,
                      sponsorCategories, homeCategories, changelog };
    Q_ENUM(Case)

    Case which = Case::history;
    QString payload; // the account list kind (remote) or own playlist id (playlist)

    static LibraryRoute make(Case which, QString payload = {});
    static LibraryRoute remote(QString kind) { return make(Case::remote, std::move(kind)); }
    static LibraryRoute playlist(QString id) { return make(Case::playlist, std::move(id)); }

    bool hasPayload() const { return which == Case::remote || which == Case::playlist; }
    // The case as written in code: "history", …, "remote", "playlist".
    QString name() const;
    QString title() const;
    QString symbol() const;
    // The payload only where the case has one.
    QString payloadValue() const { return hasPayload() ? payload : QString(); }

    friend bool operator==(const LibraryRoute &a, const LibraryRoute &b)
    {
        return a.which == b.which && (!a.hasPayload() || Canonical::same(a.payload, b.payload));
    }
    friend size_t qHash(const LibraryRoute &r, size_t seed = 0)
    {
        const size_t h = Canonical::combine(seed, ::qHash(int(r.which)));
        return r.hasPayload() ? Canonical::combine(h, Canonical::hash(r.payload)) : h;
    }
};

// How QML makes library routes: LibraryRoutes.history(), LibraryRoutes.remote("liked").
class LibraryRoutes : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    Q_INVOKABLE static LibraryRoute history() { return LibraryRoute::make(LibraryRoute::Case::history); }
    Q_INVOKABLE static LibraryRoute liked() { return LibraryRoute::make(LibraryRoute::Case::liked); }
    Q_INVOKABLE static LibraryRoute later() { return LibraryRoute::make(LibraryRoute::Case::later); }
    Q_INVOKABLE static LibraryRoute settings() { return LibraryRoute::make(LibraryRoute::Case::settings); }
    Q_INVOKABLE static LibraryRoute playlists() { return LibraryRoute::make(LibraryRoute::Case::playlists); }
    Q_INVOKABLE static LibraryRoute hidden() { return LibraryRoute::make(LibraryRoute::Case::hidden); }
    Q_INVOKABLE static LibraryRoute stats() { return LibraryRoute::make(LibraryRoute::Case::stats); }
    Q_INVOKABLE static LibraryRoute remote(const QString &kind) { return LibraryRoute::remote(kind); }
    Q_INVOKABLE static LibraryRoute playlist(const QString &id) { return LibraryRoute::playlist(id); }
    Q_INVOKABLE static LibraryRoute sponsorCategories() { return LibraryRoute::make(LibraryRoute::Case::sponsorCategories); }
    Q_INVOKABLE static LibraryRoute homeCategories() { return LibraryRoute::make(LibraryRoute::Case::homeCategories); }
    Q_INVOKABLE static LibraryRoute changelog() { return LibraryRoute::make(LibraryRoute::Case::changelog); }
};
