#pragma once
#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <mutex>
#include <optional>

class Fixtures;

// Accounts of the sign-in page and the sessions issued for them. Marker
// cookie values and session tokens are signed with a secret, so a restarted
// server still accepts what it issued earlier; signed-out tokens are refused
// for the life of the process. Each account's lists live in memory.
class AccountBook
{
public:
    AccountBook(const Fixtures &fixtures, QByteArray secret);

    static QStringList listKinds(); // "home", "subs", "history", "liked", "later"

    // The value of the account marker cookies for `name`.
    QString markerValue(const QString &name) const;
    // The account name a marker value was made for, when it is genuine.
    std::optional<QString> nameFromMarker(const QString &value) const;

    QString issueSession(const QString &name);
    std::optional<QString> accountForSession(const QString &token) const;
    void revoke(const QString &token);

    QJsonObject accountJson(const QString &name, const QString &origin) const;

    // Video indexes of one list (nullopt for an unknown kind).
    std::optional<QList<int>> list(const QString &name, const QString &kind);
    void like(const QString &name, const QString &videoId, bool like);
    void subscribe(const QString &name, const QString &channelId, bool subscribe);
    void watched(const QString &name, const QString &videoId);

private:
    struct State
    {
        QStringList history;   // video ids, newest first
        QStringList liked;
        QStringList later;
        QStringList channels;  // subscribed channel ids
    };
    State &state(const QString &name); // lock held
    QString sign(const QString &payload) const;

    const Fixtures &m_fixtures;
    QByteArray m_secret;
    mutable std::mutex m_mutex;
    QHash<QString, State> m_states;
    QSet<QString> m_revoked;
    quint64 m_issued = 0;
};
