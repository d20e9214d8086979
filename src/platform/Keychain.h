#pragma once
#include <QHash>
#include <QString>
#include <future>
#include <optional>

// Small secrets (the backend session token) as generic-password items of the
// desktop's Secret Service, all under one service name, one item per key.
//
// Every keyring job of the process runs on one thread of its own, in the
// order asked (the keyring library keeps its job queue on the thread that
// first used it, so there must be only one, living until the app ends).
// Reads wait for their answer (the session token is restored synchronously
// while the account store is made) without running the caller's event loop;
// prefetch() lets that read start before anything else at launch. Writes are
// not waited for; a later read still sees them. Failures are never reported:
// a read that fails or takes over ten seconds gives nothing, a write that
// fails leaves the keyring as it was.
class Keychain
{
public:
    explicit Keychain(QString service = QStringLiteral("Nimbelora"));
    virtual ~Keychain() = default;
    Keychain(const Keychain &) = delete;
    Keychain &operator=(const Keychain &) = delete;

    // The app's keychain, over the Secret Service.
    static Keychain &shared();

    QString service() const { return m_service; }

    // Starts reading `key` now; the next get() of it takes that answer,
    // unless the key is written first.
    void prefetch(const QString &key);

    // The stored text, or nothing when there is no item, the keyring cannot
    // be reached, or the item is not valid UTF-8.
    virtual std::optional<QString> get(const QString &key);
    // Replaces the item; nothing removes it. An empty string is kept as an
    // empty item.
    virtual void set(const QString &key, const std::optional<QString> &value);

private:
    using Answer = std::shared_future<std::optional<QString>>;
    Answer read(const QString &key);

    QString m_service;
    QHash<QString, Answer> m_prefetched;
};
