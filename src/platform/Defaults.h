#pragma once
#include <QMutex>
#include <QObject>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>

class QSettings;

// The user settings: stored values in one INI file over registered defaults.
// Registered defaults live in memory only and answer for keys with no stored
// value. Values read back from the INI file come as text; they are converted
// to the type of the registered default (or, unregistered, by their look).
// A file that is not INI, or holds a setting of another type than its
// default's, is kept aside at the first write, which starts a fresh file.
// Safe to read from any thread; changes are signalled on the writer's thread.
// QML reads and writes the user settings through `Preferences`, one typed
// property each; `revision` moves on every change, a fresh store included.
class Defaults : public QObject
{
    Q_OBJECT

public:
    static Defaults &shared();

    // Tests: keep settings in this INI file, or only in memory. Both start
    // the store afresh (registered defaults are kept). Under
    // QStandardPaths test mode the store starts in memory by itself.
    static void useFile(const QString &iniPath);
    static void useMemory();

    void registerDefaults(const QVariantMap &defaults);
    QVariantMap registeredDefaults() const;

    QVariant value(const QString &key) const;
    bool boolValue(const QString &key) const;
    qint64 intValue(const QString &key) const;
    double doubleValue(const QString &key) const;
    QString stringValue(const QString &key) const;

    void setValue(const QString &key, const QVariant &value);
    void remove(const QString &key);
    // Whether a value is stored (a registered default does not count).
    bool contains(const QString &key) const;

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
    QStringList movedLocked(const std::function<void()> &change);
    void keepDamagedFileAside();
    bool holdsForeignValueLocked() const;
    QVariant storedLocked(const QString &key) const;
    bool containsLocked(const QString &key) const;
    QVariant effectiveLocked(const QString &key) const;
    void announce(const QStringList &keys);

    mutable QMutex m_mutex;
    mutable std::unique_ptr<QSettings> m_settings; // null: in memory
    mutable bool m_storeReady = false;
    bool m_fileJudged = false; // its file was looked at before a first write
    QVariantMap m_memory;
    QVariantMap m_registered;
    int m_revision = 0;
};
