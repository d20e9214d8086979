#pragma once
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>

// URLs opened in the app. The first instance claims a name on the session
// bus and serves Open(url) there; a later launch finds the name taken, hands
// its URL (possibly empty: it only wants the window) to the first instance and
// quits, so one process at a time owns the library files. Without a session
// bus every launch runs on its own.
//
// Open() is answered on a thread of the inbox's own, so a first instance
// still busy starting up (the keyring may keep it ten seconds) takes a later
// launch's URL at once; `opened` reaches the inbox's thread when it is free.
class UrlInbox : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *serviceName = "org.nimbelora.Nimbelora";
    static constexpr const char *objectPath = "/org/nimbelora/Nimbelora";
    static constexpr const char *interfaceName = "org.nimbelora.Nimbelora";

    // A session-bus connection of the inbox's own: the shared one delivers
    // nothing before the event loop first runs.
    static QDBusConnection ownBus();

    explicit UrlInbox(QDBusConnection bus = ownBus(),
                      QString service = QLatin1String(serviceName), QObject *parent = nullptr);
    ~UrlInbox() override;

    enum class Claim {
        owner,    // this instance serves the name
        taken,    // another instance holds it
        noBus,    // no session bus: run alone
    };
    // Serves Open() and claims the name.
    Claim claim();

    // Hands `url` to the instance that serves `service` on `bus`; true once
    // it has answered. Blocks for at most `timeoutMs`.
    static bool forward(QDBusConnection bus, const QString &service, const QString &url, int timeoutMs = 5000);

    // The URL among the command-line arguments (the first one that is not an
    // option), or empty.
    static QString urlFromArguments(const QStringList &arguments);

signals:
    // Every URL handed over, empty ones included (they only ask for the window).
    void opened(const QString &url);

private:
    class Door;

    QDBusConnection m_bus;
    QThread m_thread;
    Door *m_door = nullptr;
    QString m_service;
    bool m_registered = false;
    bool m_owner = false;
};
