#pragma once
#include "DevBackend.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QMultiMap>
#include <QString>
#include <QUrl>
#include <memory>

class Fixtures;

// A reply as the test's HTTP client saw it.
struct HttpReply
{
    int status = 0;                      // 0: no reply at all
    QByteArray body;
    QMultiMap<QString, QString> headers; // names lower-cased

    QString header(const QString &name) const { return headers.value(name.toLower()); }
    QStringList headerValues(const QString &name) const { return headers.values(name.toLower()); }
    // The body as one JSON value (null included); undefined when it is not JSON.
    QJsonValue json() const;
    // The message of an error body {"error": "..."}, or empty.
    QString errorMessage() const;
};
using RawHeaders = QList<QPair<QByteArray, QByteArray>>;

// The development backend running in this process on a free 127.0.0.1 port
// for the life of the object. NIMBELORA_BACKEND_URL points at it meanwhile
// (restored afterwards). Media are made only when a test asks for them, into
// a folder shared by all test runs, so only the first run pays for ffmpeg.
class TestBackend
{
public:
    struct Options
    {
        bool media = false;         // make every clip and image before returning
        QString apiKey;             // empty: the build's key
        QList<FaultRule> faults;
    };

    TestBackend();
    explicit TestBackend(Options options);
    ~TestBackend();
    TestBackend(const TestBackend &) = delete;
    TestBackend &operator=(const TestBackend &) = delete;

    bool isRunning() const;
    QString error() const { return m_error; }

    QString origin() const;
    // origin + pathAndQuery, taken as already escaped.
    QUrl url(const QString &pathAndQuery) const;
    QString apiKey() const;

    DevBackend &backend() { return *m_backend; }
    RequestLog &requests() { return m_backend->requestLog(); }
    FaultSwitches &faults() { return m_backend->faults(); }
    const Fixtures &fixtures() const { return m_backend->fixtures(); }

    qint64 addFault(const FaultRule &rule) { return faults().add(rule); }
    // Shorthands for the common faults.
    qint64 failPath(const QString &prefix, int status, const QString &message = {});
    qint64 delayPath(const QString &prefix, int ms);
    // `body` in place of the fixtures' reply to requests under `prefix` that
    // name `id` (any when empty), after `delayMs`, the next `times` times.
    qint64 servePath(const QString &prefix, const QString &id, const QByteArray &body, int delayMs = 0,
                     int times = -1);
    void clearFaults() { faults().clear(); }

    // A plain HTTP exchange with the server (no redirects followed).
    HttpReply request(const QByteArray &method, const QString &pathAndQuery, const RawHeaders &headers = {},
                      const QByteArray &body = {}, const QByteArray &contentType = {}) const;
    // GET with the API key header, and the session header when one is given.
    HttpReply get(const QString &pathAndQuery, const QString &session = {}) const;
    // POST/DELETE with the key (and session); a JSON body when `body` is not empty.
    HttpReply send(const QByteArray &method, const QString &path, const QByteArray &body = {},
                   const QString &session = {}) const;

    // Makes every clip and image (blocking; seconds on the first run).
    bool prepareMedia();
    static QString sharedMediaDir();

    // The cookie records the app's sign-in would hand over for `name`
    // (name, value, domain, path, secure, httpOnly, expires).
    QJsonArray signInCookies(const QString &name = QStringLiteral("Usuario de prueba")) const;
    // A session token for `name`, as the session exchange issues it.
    QString session(const QString &name = QStringLiteral("Usuario de prueba"));

private:
    std::unique_ptr<DevBackend> m_backend;
    QString m_error;
    QByteArray m_oldUrl;
    bool m_hadUrl = false;
};
