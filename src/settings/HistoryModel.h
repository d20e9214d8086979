#pragma once
#include "LibraryStore.h"
#include "RowListModel.h"
#include <QDate>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

// The local watch history as its screen lists it: the entries matching the
// search, grouped by the local calendar day they were watched, days newest
// first and the history's order inside a day. Each row carries its day as
// "yyyy-MM-dd", the key of its section, so days of different years that
// share a label stay apart. A removed entry leaves as a row of its own.
class HistoryModel : public RowListModel
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    // The whole history is empty (whatever the search).
    Q_PROPERTY(bool empty READ empty NOTIFY emptyChanged)
    // The sentence of the empty history, by the incognito setting.
    Q_PROPERTY(QString emptyText READ emptyText NOTIFY emptyTextChanged)

public:
    enum Role { VideoRole = Qt::UserRole + 1, VideoIdRole, DayRole };

    explicit HistoryModel(QObject *parent = nullptr);

    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library);
    const QString &query() const { return m_query; }
    void setQuery(const QString &query);
    bool empty() const { return m_empty; }
    int count() const override { return int(m_rows.size()); }

    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The header of a section key, against today's date now.
    Q_INVOKABLE QString label(const QString &day) const;
    QString emptyText() const;

    Q_INVOKABLE void remove(const QString &videoId);
    // The whole history and every saved position.
    Q_INVOKABLE void clear();

signals:
    void libraryChanged();
    void queryChanged();
    void emptyChanged();
    void emptyTextChanged();

private:
    struct Row
    {
        Video video;
        QDate day;
        bool operator==(const Row &) const = default;
    };

    void refresh();

    QPointer<LibraryStore> m_library;
    QString m_query;
    bool m_empty = true;
    QList<Row> m_rows;
};
