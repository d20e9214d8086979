#pragma once
#include "Fmt.h"
#include "LibraryStore.h"
#include "Store.h"
#include <QPointer>
#include <QtQml/qqmlregistration.h>

// Viewing statistics from the local library, recomputed from scratch with
// the current time whenever an observed list changes (or on refresh()).
// Bars: today and the six local calendar days before it. Week count and
// time: entries at or after now minus seven calendar days, wall time kept.
// Top channels: the whole history, ties in first-seen order.
class StatsModel : public Store
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY libraryChanged)
    // Seven {label, count}, oldest first.
    Q_PROPERTY(QVariantList days READ days NOTIFY changed)
    // The chart's top: max(1, the largest bar).
    Q_PROPERTY(int chartMax READ chartMax NOTIFY changed)
    Q_PROPERTY(int weekCount READ weekCount NOTIFY changed)
    Q_PROPERTY(double estimatedSeconds READ estimatedSeconds NOTIFY changed)
    Q_PROPERTY(QString timeText READ timeText NOTIFY changed)
    // At most five {name, count}, largest first.
    Q_PROPERTY(QVariantList topChannels READ topChannels NOTIFY changed)
    Q_PROPERTY(int historyCount READ historyCount NOTIFY changed)
    Q_PROPERTY(int likedCount READ likedCount NOTIFY changed)
    Q_PROPERTY(int subscriptionCount READ subscriptionCount NOTIFY changed)
    Q_PROPERTY(int playlistCount READ playlistCount NOTIFY changed)

public:
    struct Day
    {
        QString label;
        int count = 0;
    };

    explicit StatsModel(QObject *parent = nullptr);

    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library);

    const QList<Day> &week() const { return m_week; }
    const QList<std::pair<QString, int>> &top() const { return m_top; }
    QVariantList days() const;
    int chartMax() const;
    int weekCount() const { return m_weekCount; }
    double estimatedSeconds() const { return m_seconds; }
    QString timeText() const { return Fmt::hours(m_seconds); }
    QVariantList topChannels() const;
    int historyCount() const { return m_counts[0]; }
    int likedCount() const { return m_counts[1]; }
    int subscriptionCount() const { return m_counts[2]; }
    int playlistCount() const { return m_counts[3]; }

    Q_INVOKABLE void refresh();

signals:
    void libraryChanged();
    void changed();

private:
    QPointer<LibraryStore> m_library;
    QList<Day> m_week;
    int m_weekCount = 0;
    double m_seconds = 0;
    QList<std::pair<QString, int>> m_top;
    int m_counts[4] = {0, 0, 0, 0};
};
