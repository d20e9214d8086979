#pragma once
#include "LibraryStore.h"
#include "MenuEntry.h"
#include "PlayerStore.h"
#include "Router.h"
#include "Video.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

// The long-press menu of a video card or row: which of its ten actions are
// offered, with which labels, and what each one does to the stores. The
// entries are built anew at every opening, so the watch-later and like
// labels say what the library holds at that moment.
class VideoMenu : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(Video video READ video WRITE setVideo NOTIFY videoChanged)
    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY storesChanged)
    Q_PROPERTY(PlayerStore *player READ player WRITE setPlayer NOTIFY storesChanged)
    Q_PROPERTY(Router *router READ router WRITE setRouter NOTIFY storesChanged)

public:
    enum class Action {
        playNext,
        enqueue,
        saveToPlaylist,
        watchLater,
        like,
        share,
        openChannel,
        copyLink,
        openOnSite,
        hideChannel,
    };
    Q_ENUM(Action)

    explicit VideoMenu(QObject *parent = nullptr);

    const Video &video() const { return m_video; }
    void setVideo(const Video &video);
    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library);
    PlayerStore *player() const { return m_player; }
    void setPlayer(PlayerStore *player);
    Router *router() const { return m_router; }
    void setRouter(Router *router);

    // The items offered for the video now, in menu order; an entry's id is
    // its action's name.
    QList<MenuEntry> entries() const;
    void perform(Action action);

    // An opening: the entries for the video now. A choice acts on the video
    // of the last opening, whatever the menu's video has become since (a
    // reused card shows another video while its menu is still open).
    Q_INVOKABLE QVariantList menuModel();
    // The opening alone, for a menu that shows entries of its own.
    void markOpened() { m_opened = m_video; }
    Q_INVOKABLE void trigger(const QString &actionName);

signals:
    void videoChanged();
    void storesChanged();

private:
    Video m_video;
    std::optional<Video> m_opened;
    QPointer<LibraryStore> m_library;
    QPointer<PlayerStore> m_player;
    QPointer<Router> m_router;
};
