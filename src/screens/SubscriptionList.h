#pragma once
#include "LibraryStore.h"
#include "RowListModel.h"
#include "Subscription.h"

#include <QLocale>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

// The rows of the subscriptions manager: the library's subscriptions in its
// own order (newest first) or by name, following the library live. Rows are
// moved, added and removed, never reset, so a list can animate a new order
// or an unfollow. Sorting never touches the library's order.
class SubscriptionList : public RowListModel
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(bool alphabetical READ alphabetical WRITE setAlphabetical NOTIFY alphabeticalChanged)

public:
    enum Role { ChannelIdRole = Qt::UserRole + 1, NameRole, AvatarRole };

    explicit SubscriptionList(QObject *parent = nullptr);

    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library);
    bool alphabetical() const { return m_alphabetical; }
    void setAlphabetical(bool on);

    const QList<Subscription> &items() const { return m_rows; }
    int count() const override { return int(m_rows.size()); }

    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // A stable sort by name under the locale's collation, ignoring case:
    // names that compare equal keep their order. The app speaks Spanish, so
    // its rules hold whatever the system's locale is.
    static QList<Subscription> byName(QList<Subscription> list,
                                      const QLocale &locale = QLocale(QLocale::Spanish, QLocale::Spain));

    // Stops following the channel; nothing when it is no longer followed.
    Q_INVOKABLE void unfollow(const QString &channelId);

signals:
    void libraryChanged();
    void alphabeticalChanged();

private:
    void refresh();

    QPointer<LibraryStore> m_library;
    bool m_alphabetical = false;
    QList<Subscription> m_rows;
};
