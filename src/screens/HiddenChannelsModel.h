#pragma once
#include "LibraryStore.h"
#include "RowListModel.h"
#include <QPointer>
#include <QtQml/qqmlregistration.h>

// The hidden channels as rows, in the order they were hidden; a channel shown
// again leaves as a row of its own, so its screen can animate it away.
class HiddenChannelsModel : public RowListModel
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY libraryChanged)

public:
    enum Role { NameRole = Qt::UserRole + 1 };

    explicit HiddenChannelsModel(QObject *parent = nullptr);

    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library);
    int count() const override { return int(m_names.size()); }

    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override { return {{NameRole, "name"}}; }

    // "Mostrar": the channel's videos appear again.
    Q_INVOKABLE void show(const QString &name);

signals:
    void libraryChanged();

private:
    void refresh();

    QPointer<LibraryStore> m_library;
    QStringList m_names;
};
