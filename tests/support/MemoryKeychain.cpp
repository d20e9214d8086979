#include "MemoryKeychain.h"

std::optional<QString> MemoryKeychain::get(const QString &key)
{
    const auto it = m_items.constFind(key);
    if (it == m_items.constEnd())
        return std::nullopt;
    return *it;
}

void MemoryKeychain::set(const QString &key, const std::optional<QString> &value)
{
    ++m_writes;
    if (value)
        m_items.insert(key, *value);
    else
        m_items.remove(key);
}
