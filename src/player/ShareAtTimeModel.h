#pragma once
#include "MenuEntry.h"
#include "PlayerStore.h"
#include "Video.h"

class VideoMenu;

#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>


// The "Compartir" menu of the player: the video's short link, the same link
// from the second playing now, its copy (never with the time) and its watch
// page. A link that is no well-formed URL leaves its share item out.
class ShareAtTimeModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(PlayerStore *player READ player WRITE setPlayer NOTIFY playerChanged)
    Q_PROPERTY(Video video READ video WRITE setVideo NOTIFY videoChanged)

public:
    explicit ShareAtTimeModel(QObject *parent = nullptr);

    PlayerStore *player() const { return m_player; }
    void setPlayer(PlayerStore *player);
    const Video &video() const;
    void setVideo(const Video &video);

    // The items, built with the video and the time of this moment; a choice
    // acts on that same video and moment.
    QList<MenuEntry> entries() const;
    Q_INVOKABLE QVariantList menuModel();
    Q_INVOKABLE void trigger(const QString &id);

signals:
    void playerChanged();
    void videoChanged();

private:
    QPointer<PlayerStore> m_player;
    VideoMenu *m_menu = nullptr;
    double m_menuTime = 0;
    std::optional<QString> m_menuVideo;
};
