#pragma once
#include "PagedList.h"
#include <QtQml/qqmlregistration.h>
#include <QCoroTask>

// A playlist of the video site, fetched by id: its title, the subtitle of
// owner and count, and its videos. Every load first returns to the spinner;
// only the newest load writes, so a late failure never hides a newer list.
// A failed load keeps the previous playlist (not shown while failed).
class YTPlaylistModel : public PagedList
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString playlistId READ playlistId WRITE setPlaylistId NOTIFY playlistIdChanged)
    Q_PROPERTY(bool hasPlaylist READ hasPlaylist NOTIFY playlistChanged)
    Q_PROPERTY(QString title READ title NOTIFY playlistChanged)
    Q_PROPERTY(QString subtitle READ subtitle NOTIFY playlistChanged)
    Q_PROPERTY(VideoListModel *videos READ list CONSTANT)

public:
    explicit YTPlaylistModel(QObject *parent = nullptr);

    const QString &playlistId() const { return m_playlistId; }
    void setPlaylistId(const QString &id) { assign(m_playlistId, id, &YTPlaylistModel::playlistIdChanged); }
    bool hasPlaylist() const { return m_hasPlaylist; }
    const QString &title() const { return m_title; }
    const QString &subtitle() const { return m_subtitle; }
    VideoListModel *videos() const { return list(); }

    // "<channel> · N vídeos", or "N vídeos" without a channel.
    static QString subtitleFor(const QString &channel, qsizetype videos);

    // The screen's task, each time it comes, and its retry.
    QCoro::Task<> load();

signals:
    void playlistIdChanged();
    void playlistChanged();

protected:
    void runTask() override { load(); }

private:
    QString m_playlistId;
    bool m_hasPlaylist = false;
    QString m_title;
    QString m_subtitle;
};
