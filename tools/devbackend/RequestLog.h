#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMultiMap>
#include <QString>
#include <mutex>
#include <optional>
#include <cstdio>

// One request as the server received it, with the status it answered.
struct RequestRecord
{
    qint64 seq = 0;
    QString method;
    QString path;       // decoded path
    QString rawPath;    // path as received (escapes kept)
    QString rawQuery;   // query as received, without "?"
    QMultiMap<QString, QString> headers; // names lower-cased
    QByteArray body;
    int status = 0;

    QString header(const QString &name) const { return headers.value(name.toLower()); }
    bool hasHeader(const QString &name) const { return headers.contains(name.toLower()); }
    QString target() const { return rawQuery.isEmpty() ? rawPath : rawPath + QLatin1Char('?') + rawQuery; }
    QString line() const { return method + QLatin1Char(' ') + target() + QLatin1Char(' ') + QString::number(status); }
};

// The request log: one line per request in a file, and the last requests in
// memory for tests. Thread-safe.
class RequestLog
{
public:
    explicit RequestLog(const QString &file = {}, int keep = 4000);
    ~RequestLog();
    RequestLog(const RequestLog &) = delete;
    RequestLog &operator=(const RequestLog &) = delete;

    void add(RequestRecord record, bool remember = true);

    QList<RequestRecord> all() const;
    // Records whose decoded path starts with `prefix`.
    QList<RequestRecord> matching(const QString &prefix) const;
    std::optional<RequestRecord> last(const QString &prefix = {}) const;
    QList<RequestRecord> since(qint64 seq) const;
    qint64 lastSeq() const;
    void clear();

private:
    mutable std::mutex m_mutex;
    std::FILE *m_file = nullptr;
    QList<RequestRecord> m_records;
    int m_keep;
    qint64 m_seq = 0;
};
