#pragma once
#include "AccountFeed.h"
#include "Subscription.h"

#include <QJSValue>
#include <QList>
#include <QtQml/qqmlregistration.h>
#include <QCoroTask>

// The feed of the subscriptions tab. Signed in, the account's own feed; else,
// or when that gives nothing, the first page of up to 16 followed channels,
// asked all at once and merged one video of each channel in turn. A cached
// copy is painted first; every non-empty result is cached and its first
// videos warmed. Only the load started last may write: an older one, or one
// called off, ends without changing anything.
class SubsModel : public AccountFeed
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(VideoListModel *items READ list CONSTANT)

public:
    static constexpr qsizetype channelCap = 16;
    static constexpr qsizetype perChannel = 8;
    static constexpr qsizetype mergeCap = 100;
    static constexpr qsizetype warmCount = 8;
    static inline const QString accountCache = QStringLiteral("subs-me");
    static inline const QString localCache = QStringLiteral("subs-local");

    explicit SubsModel(QObject *parent = nullptr);

    const QList<Video> &items() const { return list()->videos(); }
    const QString &loadedKey() const { return m_loadedKey; }

    // "acct:" when signed in, then the channel ids joined by ",".
    static QString keyFor(const QList<Subscription> &subscriptions, bool account);

    // Never throws; ends when the load has finished, was skipped or called off.
    QCoro::Task<> load(QList<Subscription> subscriptions, bool account, bool force);

    // Pull to refresh and the error's retry: a forced load of what is
    // followed now; `done` (a function) is called once the load ends.
    Q_INVOKABLE void refresh(const QJSValue &done = QJSValue());
    void retry() override { refresh(); }

protected:
    void runLoadedTask() override;
    // The screen went away or its task starts again: the loads running now
    // will change nothing more.
    void cancelTask() override { callOff(); }
    // Also the skip rule's key: a task run again for it loads nothing.
    QString currentTaskKey() const override { return keyFor(subscriptions(), signedIn()); }

private:
    QList<Subscription> subscriptions() const;
    void finish(const QList<Video> &items, const QString &key, LoadState state);

    QString m_loadedKey;
};
