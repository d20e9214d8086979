#pragma once
#include <QObject>
#include <optional>

class QThread;

// Whether the current network path is expensive (metered), from the system's
// network information. Loading its backend talks to the network manager over
// D-Bus and waits for the answers, so the monitor lives on a thread of its
// own ("nimbelora.net") and only hands each reading to the GUI thread.
// Without a backend that knows metering the path is never expensive.
class NetworkPath : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool expensive READ isExpensive NOTIFY expensiveChanged)

public:
    static NetworkPath &shared();

    // Starts the monitor; later calls do nothing. Returns at once.
    void start();
    bool isStarted() const { return m_thread != nullptr; }

    bool isExpensive() const { return m_override.value_or(m_reported); }
    // A reading of the monitor (tests give their own).
    void setExpensive(bool expensive);
    // Tests: pins the answer whatever the monitor reads; nullopt lets the
    // readings through again.
    void setOverride(std::optional<bool> expensive);

signals:
    void expensiveChanged();

private:
    explicit NetworkPath(QObject *parent = nullptr) : QObject(parent) {}
    void apply(bool reported, std::optional<bool> pinned);
    static void stopMonitor();

    bool m_reported = false;
    std::optional<bool> m_override;
    QThread *m_thread = nullptr;
};
