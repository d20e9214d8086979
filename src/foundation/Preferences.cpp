#include "Preferences.h"
#include "Haptics.h"
#include <QJSEngine>
#include <QMetaProperty>

Preferences::Preferences(QObject *parent) : QObject(parent)
{
    const QMetaObject *meta = metaObject();
    for (const Pref::Entry &e : Pref::table()) {
        const QString key = e.key;
        const QByteArray name = key.mid(key.indexOf(u'.') + 1).toLatin1();
        const int index = meta->indexOfProperty(name.constData());
        Q_ASSERT_X(index >= 0, "Preferences", name.constData());
        if (index >= 0)
            m_notify.insert(key, meta->property(index).notifySignal());
    }
    connect(&Defaults::shared(), &Defaults::changed, this, &Preferences::announce);
    // Haptics sit below the settings: they are told, not asked.
    const auto gateHaptics = [this] { Haptics::shared().setEnabled(haptics()); };
    connect(this, &Preferences::hapticsChanged, this, gateHaptics);
    gateHaptics();
}

Preferences &Preferences::shared()
{
    static Preferences *p = new Preferences;
    return *p;
}

Preferences *Preferences::create(QQmlEngine *, QJSEngine *)
{
    Preferences *p = &shared();
    QJSEngine::setObjectOwnership(p, QJSEngine::CppOwnership);
    return p;
}

void Preferences::store(QLatin1StringView key, const QVariant &value)
{
    Defaults::shared().setValue(key, value);
}

void Preferences::announce(const QString &key)
{
    const auto it = m_notify.constFind(key);
    if (it != m_notify.cend())
        it->invoke(this);
}
