#pragma once
#include "LibraryStore.h"
#include "VideoListModel.h"
#include "VideoSearchModel.h"
#include <QPointer>
#include <QtQml/qqmlregistration.h>

// One list of videos kept on this computer (liked or watch later) as its
// screen shows it: the whole list, the part matching the search, and the
// removal of one video (on this computer only, nothing goes to the account).
class LocalListModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(List list READ list WRITE setList NOTIFY listChanged)
    Q_PROPERTY(VideoListModel *all READ all CONSTANT)
    Q_PROPERTY(VideoSearchModel *shown READ shown CONSTANT)
    Q_PROPERTY(bool empty READ empty NOTIFY emptyChanged)
    // What the screen of the list says: its title, and its empty state.
    Q_PROPERTY(QString title READ title NOTIFY listChanged)
    Q_PROPERTY(QString symbol READ symbol NOTIFY listChanged)
    Q_PROPERTY(QString emptyText READ emptyText NOTIFY listChanged)

public:
    enum class List { Liked, Later };
    Q_ENUM(List)

    explicit LocalListModel(QObject *parent = nullptr);

    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library);
    List list() const { return m_list; }
    void setList(List list);
    VideoListModel *all() const { return m_all; }
    VideoSearchModel *shown() const { return m_shown; }
    bool empty() const { return m_all->isEmpty(); }
    QString title() const;
    QString symbol() const;
    QString emptyText() const;

    Q_INVOKABLE void remove(const QString &videoId);

signals:
    void libraryChanged();
    void listChanged();
    void emptyChanged();

private:
    void refresh();

    QPointer<LibraryStore> m_library;
    List m_list = List::Liked;
    VideoListModel *m_all;
    VideoSearchModel *m_shown;
};
