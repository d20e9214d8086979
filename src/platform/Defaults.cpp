#include "Defaults.h"
#include "DamagedFile.h"
#include <QCoreApplication>
#include <QEvent>
#include <QJSEngine>
#include <QJSValue>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <cmath>

namespace {

// QSettings writes its file from an event on its own thread; that write must
// not overlap a read made under the store's lock on another thread.
class LockedSettings : public QSettings
{
public:
    LockedSettings(QMutex *lock, const QString &path) : QSettings(path, QSettings::IniFormat), m_lock(lock) {}
    LockedSettings(QMutex *lock)
        : QSettings(QSettings::IniFormat, QSettings::UserScope, QCoreApplication::organizationName(),
                    QCoreApplication::applicationName()),
          m_lock(lock)
    {
    }

protected:
    bool event(QEvent *e) override
    {
        if (e->type() != QEvent::UpdateRequest)
            return QSettings::event(e);
        QMutexLocker locker(m_lock);
        return QSettings::event(e);
    }

private:
    QMutex *m_lock;
};

bool isIntegral(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool isFloating(const QVariant &v)
{
    return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}

bool isText(const QVariant &v)
{
    return v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray;
}

std::optional<qint64> fromDouble(double d)
{
    // Outside this range the cast is undefined behaviour.
    if (!std::isfinite(d) || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
        return std::nullopt;
    return qint64(d);
}

// One canonical form per type, so values compare alike whatever their source.
QVariant canonical(const QVariant &v)
{
    if (!v.isValid())
        return v;
    if (v.typeId() == QMetaType::Bool)
        return v;
    if (isIntegral(v)) {
        if (v.typeId() == QMetaType::ULongLong || v.typeId() == QMetaType::ULong) {
            const auto u = v.toULongLong();
            if (u > quint64(std::numeric_limits<qint64>::max()))
                return QVariant(double(u));
        }
        return QVariant(v.toLongLong());
    }
    if (isFloating(v))
        return QVariant(v.toDouble());
    return v;
}

// An unregistered text value read back from the INI file: take it for what
// it plainly is; anything ambiguous stays text.
QVariant guess(const QString &s)
{
    if (s == QLatin1String("true"))
        return true;
    if (s == QLatin1String("false"))
        return false;
    bool ok = false;
    const qint64 n = s.toLongLong(&ok);
    if (ok && QString::number(n) == s)
        return QVariant(n);
    static const QRegularExpression decimal(QStringLiteral("^-?[0-9]+\\.[0-9]+([eE][-+]?[0-9]+)?$"));
    if (decimal.match(s).hasMatch()) {
        const double d = s.toDouble(&ok);
        if (ok && std::isfinite(d))
            return QVariant(d);
    }
    return s;
}

// The stored value in the form of the registered default; nullopt when it
// does not read as that type.
std::optional<QVariant> asRegistered(const QVariant &stored, const QVariant &fallback)
{
    switch (fallback.typeId()) {
    case QMetaType::Bool:
        if (auto b = Defaults::toBool(stored))
            return *b;
        return std::nullopt;
    case QMetaType::LongLong:
        if (auto n = Defaults::toInt(stored))
            return QVariant(*n);
        return std::nullopt;
    case QMetaType::Double:
        if (auto d = Defaults::toDouble(stored))
            return QVariant(*d);
        return std::nullopt;
    case QMetaType::QString:
        if (stored.typeId() == QMetaType::QStringList)
            return stored.toStringList().join(QLatin1Char(','));
        if (stored.canConvert<QString>())
            return stored.toString();
        return std::nullopt;
    default:
        return stored;
    }
}

// An unreadable value gives way to the default.
QVariant conform(const QVariant &stored, const QVariant &fallback)
{
    if (!stored.isValid())
        return fallback;
    if (!fallback.isValid()) {
        const QVariant c = canonical(stored);
        return c.typeId() == QMetaType::QString ? guess(c.toString()) : c;
    }
    return asRegistered(stored, fallback).value_or(fallback);
}

bool same(const QVariant &a, const QVariant &b)
{
    if (a.isValid() != b.isValid())
        return false;
    if (a.typeId() != b.typeId())
        return false;
    return a == b;
}

} // namespace

Defaults::Defaults(QObject *parent) : QObject(parent) {}
Defaults::~Defaults() = default;

Defaults &Defaults::shared()
{
    // Never destroyed: other singletons may read settings while the process ends.
    static Defaults *d = new Defaults;
    return *d;
}

void Defaults::useFile(const QString &iniPath)
{
    shared().resetStore(std::make_unique<LockedSettings>(&shared().m_mutex, iniPath));
}

void Defaults::useMemory() { shared().resetStore(nullptr); }

void Defaults::resetStore(std::unique_ptr<QSettings> settings)
{
    QStringList moved;
    {
        QMutexLocker lock(&m_mutex);
        moved = movedLocked([&] {
            if (m_settings)
                m_settings->sync();
            m_settings = std::move(settings);
            if (m_settings && QCoreApplication::instance())
                m_settings->moveToThread(QCoreApplication::instance()->thread());
            m_memory.clear();
            m_storeReady = true;
            m_fileJudged = false;
        });
    }
    if (!moved.isEmpty()) {
        announce(moved);
        return;
    }
    ++m_revision;
    emit revisionChanged();
}

// Every key either store holds or a default names: each one whose value
// `change` moves is returned, to be announced as any other change is.
QStringList Defaults::movedLocked(const std::function<void()> &change)
{
    const auto storedKeys = [this] { return m_settings ? m_settings->allKeys() : m_memory.keys(); };
    QStringList keys = m_registered.keys() + storedKeys();
    QVariantMap before;
    for (const QString &k : keys)
        before.insert(k, effectiveLocked(k));
    change();
    keys += storedKeys();
    keys.removeDuplicates();
    QStringList moved;
    for (const QString &k : keys)
        if (!same(before.value(k), effectiveLocked(k)))
            moved << k;
    return moved;
}

// QSettings writes back whatever it made of a file it could not read whole,
// over that file. Before the first write, such a file is kept aside (as the
// library's are) and the store starts afresh on the defaults.
void Defaults::keepDamagedFileAside()
{
    QStringList moved;
    {
        QMutexLocker lock(&m_mutex);
        ensureStore();
        if (!m_settings || m_fileJudged)
            return;
        const bool unreadable = m_settings->status() == QSettings::FormatError;
        // A value of another type shows only against the defaults.
        if (!unreadable && m_registered.isEmpty())
            return;
        m_fileJudged = true;
        if (!unreadable && !holdsForeignValueLocked())
            return;
        const bool keptAside = DamagedFile::keepAside(m_settings->fileName());
        moved = movedLocked([&] {
            if (keptAside)
                m_settings->clear();
            else
                m_settings.reset(); // in memory, so nothing is written over the only copy
        });
    }
    announce(moved);
}

bool Defaults::holdsForeignValueLocked() const
{
    for (auto it = m_registered.cbegin(); it != m_registered.cend(); ++it) {
        if (!m_settings->contains(it.key()))
            continue;
        const QVariant stored = m_settings->value(it.key());
        if (!stored.isValid() || !asRegistered(stored, it.value()))
            return true;
    }
    return false;
}

void Defaults::ensureStore() const
{
    if (m_storeReady)
        return;
    m_storeReady = true;
    // A test process never touches the user's own file.
    if (QStandardPaths::isTestModeEnabled())
        return;
    m_settings = std::make_unique<LockedSettings>(&m_mutex);
    if (auto *app = QCoreApplication::instance()) {
        // QSettings writes on its own thread's event loop; that must be one that runs.
        m_settings->moveToThread(app->thread());
        QObject::connect(app, &QCoreApplication::aboutToQuit, m_settings.get(),
                         [s = m_settings.get()] { s->sync(); });
    }
}

void Defaults::registerDefaults(const QVariantMap &defaults)
{
    QStringList moved;
    {
        QMutexLocker lock(&m_mutex);
        ensureStore();
        QVariantMap next;
        for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
            next.insert(it.key(), canonical(it.value()));
        QStringList keys = m_registered.keys() + next.keys();
        keys.removeDuplicates();
        QVariantMap before;
        for (const QString &k : keys)
            before.insert(k, effectiveLocked(k));
        m_registered = next;
        for (const QString &k : keys)
            if (!same(before.value(k), effectiveLocked(k)))
                moved << k;
    }
    announce(moved);
}

QVariantMap Defaults::registeredDefaults() const
{
    QMutexLocker lock(&m_mutex);
    return m_registered;
}

QVariant Defaults::storedLocked(const QString &key) const
{
    ensureStore();
    return m_settings ? m_settings->value(key) : m_memory.value(key);
}

bool Defaults::containsLocked(const QString &key) const
{
    ensureStore();
    return m_settings ? m_settings->contains(key) : m_memory.contains(key);
}

QVariant Defaults::effectiveLocked(const QString &key) const
{
    return conform(storedLocked(key), m_registered.value(key));
}

QVariant Defaults::value(const QString &key) const
{
    QMutexLocker lock(&m_mutex);
    return effectiveLocked(key);
}

bool Defaults::contains(const QString &key) const
{
    QMutexLocker lock(&m_mutex);
    return containsLocked(key);
}

bool Defaults::boolValue(const QString &key) const
{
    QMutexLocker lock(&m_mutex);
    if (auto b = toBool(effectiveLocked(key)))
        return *b;
    return toBool(m_registered.value(key)).value_or(false);
}

qint64 Defaults::intValue(const QString &key) const
{
    QMutexLocker lock(&m_mutex);
    if (auto n = toInt(effectiveLocked(key)))
        return *n;
    return toInt(m_registered.value(key)).value_or(0);
}

double Defaults::doubleValue(const QString &key) const
{
    QMutexLocker lock(&m_mutex);
    if (auto d = toDouble(effectiveLocked(key)))
        return *d;
    return toDouble(m_registered.value(key)).value_or(0.0);
}

QString Defaults::stringValue(const QString &key) const
{
    QMutexLocker lock(&m_mutex);
    const QVariant v = effectiveLocked(key);
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.canConvert<QString>() ? v.toString() : QString();
}

void Defaults::setValue(const QString &key, const QVariant &value)
{
    if (!value.isValid()) {
        remove(key);
        return;
    }
    keepDamagedFileAside();
    bool moved = false;
    {
        QMutexLocker lock(&m_mutex);
        const QVariant before = effectiveLocked(key);
        // QML hands over script values; store what they hold.
        const QVariant plain = value.typeId() == qMetaTypeId<QJSValue>()
                                   ? value.value<QJSValue>().toVariant()
                                   : value;
        if (m_settings)
            m_settings->setValue(key, plain);
        else
            m_memory.insert(key, plain);
        moved = !same(before, effectiveLocked(key));
    }
    if (moved)
        announce({key});
}

void Defaults::remove(const QString &key)
{
    keepDamagedFileAside();
    bool moved = false;
    {
        QMutexLocker lock(&m_mutex);
        if (!containsLocked(key))
            return;
        const QVariant before = effectiveLocked(key);
        if (m_settings)
            m_settings->remove(key);
        else
            m_memory.remove(key);
        moved = !same(before, effectiveLocked(key));
    }
    if (moved)
        announce({key});
}

void Defaults::sync()
{
    QMutexLocker lock(&m_mutex);
    if (m_settings)
        m_settings->sync();
}

void Defaults::announce(const QStringList &keys)
{
    if (keys.isEmpty())
        return;
    ++m_revision;
    for (const QString &k : keys)
        emit changed(k);
    emit revisionChanged();
}

std::optional<bool> Defaults::toBool(const QVariant &v)
{
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (isIntegral(v))
        return v.toLongLong() != 0;
    if (isFloating(v))
        return v.toDouble() != 0.0;
    if (isText(v)) {
        const QString s = v.toString().trimmed().toLower();
        if (s == QLatin1String("true") || s == QLatin1String("1") || s == QLatin1String("yes")
            || s == QLatin1String("on"))
            return true;
        if (s == QLatin1String("false") || s == QLatin1String("0") || s == QLatin1String("no")
            || s == QLatin1String("off") || s.isEmpty())
            return false;
    }
    return std::nullopt;
}

std::optional<qint64> Defaults::toInt(const QVariant &v)
{
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? 1 : 0;
    if (isIntegral(v)) {
        bool ok = false;
        const qint64 n = v.toLongLong(&ok);
        if (ok && !(v.typeId() == QMetaType::ULongLong && v.toULongLong() > quint64(n)))
            return n;
        return std::nullopt;
    }
    if (isFloating(v))
        return fromDouble(v.toDouble());
    if (isText(v)) {
        const QString s = v.toString().trimmed();
        bool ok = false;
        const qint64 n = s.toLongLong(&ok);
        if (ok)
            return n;
        const double d = s.toDouble(&ok);
        if (ok)
            return fromDouble(d);
    }
    return std::nullopt;
}

std::optional<double> Defaults::toDouble(const QVariant &v)
{
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? 1.0 : 0.0;
    if (isIntegral(v) || isFloating(v))
        return v.toDouble();
    if (isText(v)) {
        bool ok = false;
        const double d = v.toString().trimmed().toDouble(&ok);
        if (ok)
            return d;
    }
    return std::nullopt;
}
