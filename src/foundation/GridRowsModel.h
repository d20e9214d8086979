#pragma once
#include <QAbstractListModel>
#include <QPointer>
#include <QQmlEngine>

// A list seen as rows of `columns` items, for a list view that lays out a
// grid and reuses its rows. Changes of the list arrive as changes of rows:
// the rows from the first one touched onwards are refreshed in place, and
// rows come or go only at the end, so the view keeps its rows and its place.
// Each row gives the index of its first item, how many it holds and, with a
// `role`, that role's value of each of them.
class GridRowsModel : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT
    // A model, or a number of items.
    Q_PROPERTY(QVariant source READ source WRITE setSource NOTIFY sourceChanged)
    Q_PROPERTY(int columns READ columns WRITE setColumns NOTIFY columnsChanged)
    Q_PROPERTY(QString role READ role WRITE setRole NOTIFY roleChanged)
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)

public:
    enum Roles { FirstRole = Qt::UserRole + 1, CountRole, ItemsRole };

    explicit GridRowsModel(QObject *parent = nullptr);

    QVariant source() const { return m_source; }
    void setSource(const QVariant &source);
    int columns() const { return m_columns; }
    void setColumns(int columns);
    QString role() const { return m_role; }
    void setRole(const QString &role);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The row that shows item `item`.
    Q_INVOKABLE int rowOf(int item) const { return item < 0 ? -1 : item / m_columns; }

signals:
    void sourceChanged();
    void columnsChanged();
    void roleChanged();
    void countChanged();

private:
    int itemCount() const;
    int rowsFor(int items) const { return (items + m_columns - 1) / m_columns; }
    // The items from `firstItem` on may have changed, and the list now holds
    // `items`: rows follow at the end, and the ones before refresh in place.
    void itemsChangedFrom(int firstItem);
    void reset();
    void findRole();

    QVariant m_source;
    QPointer<QAbstractItemModel> m_model;
    int m_number = 0;
    int m_columns = 1;
    QString m_role;
    int m_sourceRole = -1;
    int m_rows = 0;
    QList<QMetaObject::Connection> m_connections;
};
