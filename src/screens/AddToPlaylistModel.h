#pragma once
#include "LibraryStore.h"
#include "Video.h"

#include "RowListModel.h"
#include <QPointer>
#include <QtQml/qqmlregistration.h>

// The rows of the add-to-playlist sheet: the own playlists in the library's
// order, each with its video count and whether it holds the sheet's video,
// and the two changes the sheet makes (create a list holding the video,
// toggle the video in one list). Rows follow the library live.
class AddToPlaylistModel : public RowListModel
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(Video video READ video WRITE setVideo NOTIFY videoChanged)

public:
    enum Role { PlaylistIdRole = Qt::UserRole + 1, NameRole, CountTextRole, MemberRole };

    explicit AddToPlaylistModel(QObject *parent = nullptr);

    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library);
    const Video &video() const { return m_video; }
    void setVideo(const Video &video);
    int count() const override { return int(m_rows.size()); }

    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The name without spaces and tabs at either end (newlines stay).
    Q_INVOKABLE static QString trimmedName(const QString &text);
    Q_INVOKABLE static bool canCreate(const QString &text) { return !trimmedName(text).isEmpty(); }
    // A new list holding the video, named by the trimmed text; false, and
    // nothing happens, when that is empty.
    Q_INVOKABLE bool create(const QString &text);
    // Takes the video out of the list when it holds it, else appends it.
    Q_INVOKABLE void toggle(const QString &playlistId);

signals:
    void libraryChanged();
    void videoChanged();

private:
    struct Row
    {
        QString id;
        QString name;
        qsizetype videos = 0;
        bool member = false;
        bool operator==(const Row &) const = default;
    };

    QList<Row> rowsNow() const;
    void refresh();

    QPointer<LibraryStore> m_library;
    Video m_video;
    QList<Row> m_rows;
};
