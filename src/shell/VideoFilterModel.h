#pragma once
#include "LibraryStore.h"
#include "Video.h"
#include <QPointer>
#include <QSet>
#include <QSortFilterProxyModel>
#include <QtQml/qqmlregistration.h>

class VideoListModel;

// The videos of a VideoListModel that the library lets through, in the same
// order: never a hidden channel's, and with `hideWatched` none of the videos
// among the newest `watchedWindow` history entries. Follows the library as
// it changes, so the source list itself stays unfiltered.
class VideoFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(VideoListModel *source READ source WRITE setSource NOTIFY sourceChanged)
    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(bool hideWatched READ hideWatched WRITE setHideWatched NOTIFY hideWatchedChanged)
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    // Id of the last video shown; empty when none is.
    Q_PROPERTY(QString lastId READ lastId NOTIFY lastIdChanged)

public:
    static constexpr qsizetype watchedWindow = 60;

    explicit VideoFilterModel(QObject *parent = nullptr);

    VideoListModel *source() const { return m_source; }
    void setSource(VideoListModel *source);
    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library);
    bool hideWatched() const { return m_hideWatched; }
    void setHideWatched(bool v);

    int count() const { return rowCount(); }
    QString lastId() const { return m_lastId; }

    // The shown videos, in order.
    QList<Video> videos() const;
    Q_INVOKABLE Video at(int row) const;
    Q_INVOKABLE void reach(const QString &id);

signals:
    void sourceChanged();
    void libraryChanged();
    void hideWatchedChanged();
    void countChanged();
    void lastIdChanged();
    void moreWanted();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    // Until the library is loaded nothing shows: a list filtered by an
    // empty library would show what the real one hides.
    bool waitsForLibrary() const { return m_library && !m_library->isLoaded(); }
    void rebuildSets();
    void refilter();
    void updateSummary();
    void sourceGrew();

    QPointer<VideoListModel> m_source;
    QPointer<LibraryStore> m_library;
    bool m_hideWatched = false;
    QSet<QString> m_hiddenChannels;
    QSet<QString> m_watched;
    QString m_lastId;
    int m_count = 0;
    bool m_lastReached = false;
};
