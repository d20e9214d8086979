#include "LocalListModel.h"
#include "LibraryRoute.h"
#include "Store.h"

LocalListModel::LocalListModel(QObject *parent)
    : QObject(parent), m_all(new VideoListModel(this)), m_shown(new VideoSearchModel(this))
{
    m_shown->setSource(m_all);
    connect(m_all, &VideoListModel::countChanged, this, [this, wasEmpty = true]() mutable {
        if (wasEmpty != empty()) {
            wasEmpty = empty();
            emit emptyChanged();
        }
    });
}

void LocalListModel::setLibrary(LibraryStore *library)
{
    if (!follow(this, m_library, library))
        return;
    if (m_library) {
        connect(m_library, &LibraryStore::likedChanged, this, &LocalListModel::refresh);
        connect(m_library, &LibraryStore::watchLaterChanged, this, &LocalListModel::refresh);
    }
    emit libraryChanged();
    refresh();
}

void LocalListModel::setList(List list)
{
    if (!assignAndNotify(this, m_list, list, &LocalListModel::listChanged))
        return;
    refresh();
}

void LocalListModel::refresh()
{
    if (!m_library)
        m_all->clear();
    else
        m_all->replace(m_list == List::Liked ? m_library->liked() : m_library->watchLater());
}

void LocalListModel::remove(const QString &videoId)
{
    if (!m_library)
        return;
    if (m_list == List::Liked)
        m_library->removeLiked(videoId);
    else
        m_library->removeWatchLater(videoId);
}

QString LocalListModel::title() const
{
    return LibraryRoute::make(m_list == List::Liked ? LibraryRoute::Case::liked : LibraryRoute::Case::later).title();
}

QString LocalListModel::symbol() const
{
    return m_list == List::Liked ? QStringLiteral("hand.thumbsup") : QStringLiteral("clock");
}

QString LocalListModel::emptyText() const
{
    return m_list == List::Liked ? QStringLiteral("Toca «Me gusta» en un vídeo para guardarlo aquí.")
                                 : QStringLiteral("Guarda vídeos para verlos cuando quieras.");
}
