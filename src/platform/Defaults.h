#pragma once
#include <QMutex>
#include <QObject>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>
#include <memory>
#include <optional>

class QSettings;
class QQmlEngine;
class QJSEngine;

// The user settings: stored values in one INI file over registered defaults.
// Registered defaults live in memory only and answer for keys with no stored
// value. Values read back from the INI file come as text; they are converted
// to the type of the registered default (or, unregistered, by their look).
// Safe to read from any thread; changes are signalled on the writer's thread.
//
// QML reads and writes the user settings through `Preferences`, one typed
// property each. The singleton `Settings` is left for bindings on C++
// queries that read settings: bind through `revision` so they re-evaluate
// on every change:
//   text: Settings.revision, overlay.skipStep()
class Defaults : public QObject
{
    Q_OBJECT
    QML_NAMED_ELEMENT(Settings)
    QML_SINGLETON
    Q_PROPERTY(int revision READ revision NOTIFY revisionChanged)

public:
    static Defaults &shared();
    static Defaults *create(QQmlEngine *, QJSEngine *);

    // Tests: keep settings in this INI file, or only in memory. Both start
    // the store afresh (registered defaults are kept). Under
    // QStandardPaths test mode the store starts in memory by itself.
    static void useFile(const QString &iniPath);
    static void useMemory();

    void registerDefaults(const QVariantMap &defaults);
    QVariantMap registeredDefaults() const;

    Q_INVOKABLE QVariant value(const QString &key) const;
    Q_INVOKABLE bool boolValue(const QString &key) const;
    Q_INVOKABLE qint64 intValue(const QString &key) const;
    Q_INVOKABLE double doubleValue(const QString &key) const;
    Q_INVOKABLE QString stringValue(const QString &key) const;

    Q_INVOKABLE void setValue(const QString &key, const QVariant &value);
    Q_INVOKABLE void remove(const QString &key);
    // Whether a value is stored (a registered default does not count).
    Q_INVOKABLE bool contains(const QString &key) const;

    int revision() const { return m_revision; }

    // Writes pending changes of the INI file now.
    void sync();

    // Conversions used by the typed readers; nullopt when `v` does not read
    // as that type (an unreadable stored value falls back to the default).
    static std::optional<bool> toBool(const QVariant &v);
    static std::optional<qint64> toInt(const QVariant &v);
    static std::optional<double> toDouble(const QVariant &v);

signals:
    void changed(const QString &key);
    void revisionChanged();

private:
    explicit Defaults(QObject *parent = nullptr);
    ~Defaults() override;

    void ensureStore() const;
    void resetStore(std::unique_ptr<QSettings> settings);
    QVariant storedLocked(const QString &key) const;
    bool containsLocked(const QString &key) const;
    QVariant effectiveLocked(const QString &key) const;
    void announce(const QStringList &keys);

    mutable QMutex m_mutex;
    mutable std::unique_ptr<QSettings> m_settings; // null: in memory
    mutable bool m_storeReady = false;
    QVariantMap m_memory;
    QVariantMap m_registered;
    int m_revision = 0;
};
