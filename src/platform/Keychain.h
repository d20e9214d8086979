#pragma once
#include <QString>
#include <optional>

// Small secrets (the backend session token) as generic-password items of the
// desktop's Secret Service, all under one service name, one item per key.
// Reads wait for their job: the session token is restored synchronously while
// the account store is made. Writes are queued and not waited for; the
// keychain library runs its jobs one after another, so a later read still
// sees them. Failures are never reported: a read that fails gives nothing, a
// write that fails leaves the keyring as it was.
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

    // The stored text, or nothing when there is no item, the keyring cannot
    // be reached, or the item is not valid UTF-8.
    virtual std::optional<QString> get(const QString &key);
    // Replaces the item; nothing removes it. An empty string is kept as an
    // empty item.
    virtual void set(const QString &key, const std::optional<QString> &value);

private:
    QString m_service;
};
