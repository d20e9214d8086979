#include "Haptics.h"
#include <QJSEngine>

Haptics &Haptics::shared()
{
    static Haptics *h = new Haptics;
    return *h;
}

Haptics *Haptics::create(QQmlEngine *, QJSEngine *)
{
    Haptics *h = &shared();
    QJSEngine::setObjectOwnership(h, QJSEngine::CppOwnership);
    return h;
}

void Haptics::light() { give(QStringLiteral("light")); }
void Haptics::success() { give(QStringLiteral("success")); }

void Haptics::give(const QString &kind)
{
    if (!m_enabled)
        return;
    m_given << kind;
    emit givenChanged();
}

void Haptics::clear()
{
    if (m_given.isEmpty())
        return;
    m_given.clear();
    emit givenChanged();
}
