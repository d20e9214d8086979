#pragma once
#include "LibraryStore.h"
#include "VideoListModel.h"
#include <QPointer>
#include <QtQml/qqmlregistration.h>

// One own playlist, looked up by id in the library whenever the library's
// playlists change, so the screen always shows the stored content and
// copes with a list deleted meanwhile (then `found` is false).
class PlaylistDetailModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(QString playlistId READ playlistId WRITE setPlaylistId NOTIFY playlistIdChanged)
    Q_PROPERTY(bool found READ found NOTIFY changed)
    // The list's name, or "" when there is no such list.
    Q_PROPERTY(QString name READ name NOTIFY changed)
    // The screen's title: the name, or "Lista" when there is no such list.
    Q_PROPERTY(QString title READ title NOTIFY changed)
    Q_PROPERTY(VideoListModel *videos READ videos CONSTANT)

public:
    explicit PlaylistDetailModel(QObject *parent = nullptr);

    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library);
    const QString &playlistId() const { return m_playlistId; }
    void setPlaylistId(const QString &id);
    bool found() const { return m_found; }
    const QString &name() const { return m_name; }
    QString title() const { return m_found ? m_name : QStringLiteral("Lista"); }
    VideoListModel *videos() const { return m_videos; }

    Q_INVOKABLE void remove(const QString &videoId);
    // As typed: the library trims it and keeps the old name when nothing is left.
    Q_INVOKABLE void rename(const QString &name);

signals:
    void libraryChanged();
    void playlistIdChanged();
    void changed();

private:
    void refresh();

    QPointer<LibraryStore> m_library;
    QString m_playlistId;
    bool m_found = false;
    QString m_name;
    VideoListModel *m_videos;
};
