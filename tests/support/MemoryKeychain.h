#pragma once
#include "Keychain.h"
#include <QHash>

// A keychain held in memory, for tests and probes.
class MemoryKeychain final : public Keychain
{
public:
    MemoryKeychain() : Keychain(QStringLiteral("memory")) {}

    std::optional<QString> get(const QString &key) override;
    void set(const QString &key, const std::optional<QString> &value) override;

    const QHash<QString, QString> &items() const { return m_items; }
    int writes() const { return m_writes; }

private:
    QHash<QString, QString> m_items;
    int m_writes = 0;
};
