#pragma once
#include "Video.h"
#include "RowListModel.h"
#include <QList>
#include <QtQml/qqmlregistration.h>

// The one list model behind every view of videos. Each row gives the typed
// `video` (and its id as `videoId`). replace() sends the smallest change it
// can, so a page appended to a feed never rebuilds the rows on screen.
class VideoListModel : public RowListModel
{
    Q_OBJECT
    QML_ELEMENT
    // Setting it fills the list with that many placeholder videos (skeletons).
    Q_PROPERTY(int placeholders READ placeholders WRITE setPlaceholders NOTIFY countChanged)

public:
    enum Role { VideoRole = Qt::UserRole + 1, VideoIdRole };
    Q_ENUM(Role)

    explicit VideoListModel(QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    const QList<Video> &videos() const { return m_videos; }
    int count() const override { return int(m_videos.size()); }
    bool isEmpty() const { return m_videos.isEmpty(); }

    void replace(const QList<Video> &videos);
    void append(const QList<Video> &more);
    // The one rule for a further page: its videos whose ids the list lacks,
    // each id once, in page order. Returns how many were added.
    qsizetype appendNew(const QList<Video> &page);
    Q_INVOKABLE void clear() { replace({}); }

    // The video of a row; an empty video outside the list.
    Q_INVOKABLE Video at(int row) const;
    Q_INVOKABLE int indexOf(const QString &id) const;

    int placeholders() const;
    void setPlaceholders(int count);

private:
    QList<Video> m_videos;
};
