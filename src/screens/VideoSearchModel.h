#pragma once
#include "LocalSearch.h"
#include <QPointer>
#include <QSortFilterProxyModel>
#include <QtQml/qqmlregistration.h>

class VideoListModel;

// The videos of a VideoListModel that match the local search, in order.
class VideoSearchModel : public QSortFilterProxyModel
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(VideoListModel *source READ source WRITE setSource NOTIFY sourceChanged)
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    explicit VideoSearchModel(QObject *parent = nullptr);

    VideoListModel *source() const { return m_source; }
    void setSource(VideoListModel *source);
    const QString &query() const { return m_query; }
    void setQuery(const QString &query);
    int count() const { return rowCount(); }

signals:
    void sourceChanged();
    void queryChanged();
    void countChanged();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QPointer<VideoListModel> m_source;
    QString m_query;
    LocalSearch m_search;
};
