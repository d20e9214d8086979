#pragma once
#include "LibraryStore.h"
#include "Subscription.h"

#include <QLocale>
#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

// The list of the subscriptions manager: the library's subscriptions in its
// own order (newest first) or by name, following the library live. Sorting
// never touches the library's order.
class SubscriptionList : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(bool alphabetical READ alphabetical WRITE setAlphabetical NOTIFY alphabeticalChanged)
    Q_PROPERTY(QVariantList items READ itemsValue NOTIFY itemsChanged)
    Q_PROPERTY(int count READ count NOTIFY itemsChanged)

public:
    explicit SubscriptionList(QObject *parent = nullptr);

    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library);
    bool alphabetical() const { return m_alphabetical; }
    void setAlphabetical(bool on);

    QList<Subscription> items() const;
    int count() const { return m_library ? int(m_library->subscriptions().size()) : 0; }

    // A stable sort by name under the locale's collation, ignoring case:
    // names that compare equal keep their order.
    static QList<Subscription> byName(QList<Subscription> list, const QLocale &locale = QLocale());

    // Stops following the channel; nothing when it is no longer followed.
    Q_INVOKABLE void unfollow(const QString &channelId);

signals:
    void libraryChanged();
    void alphabeticalChanged();
    void itemsChanged();

private:
    QVariantList itemsValue() const { return QmlValue::list(items()); }

    QPointer<LibraryStore> m_library;
    QMetaObject::Connection m_watch;
    bool m_alphabetical = false;
};
