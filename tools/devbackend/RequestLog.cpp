#include "RequestLog.h"

RequestLog::RequestLog(const QString &file, int keep) : m_keep(keep)
{
    if (!file.isEmpty())
        m_file = std::fopen(file.toLocal8Bit().constData(), "a");
}

RequestLog::~RequestLog()
{
    if (m_file)
        std::fclose(m_file);
}

void RequestLog::add(RequestRecord record, bool remember)
{
    std::lock_guard lock(m_mutex);
    record.seq = ++m_seq;
    if (m_file) {
        const QByteArray line = record.line().toUtf8() + '\n';
        std::fwrite(line.constData(), 1, size_t(line.size()), m_file);
        std::fflush(m_file);
    }
    if (!remember)
        return;
    m_records.append(std::move(record));
    if (m_records.size() > m_keep)
        m_records.remove(0, m_records.size() - m_keep);
}

QList<RequestRecord> RequestLog::all() const
{
    std::lock_guard lock(m_mutex);
    return m_records;
}

QList<RequestRecord> RequestLog::matching(const QString &prefix) const
{
    std::lock_guard lock(m_mutex);
    QList<RequestRecord> out;
    for (const RequestRecord &r : m_records)
        if (r.path.startsWith(prefix))
            out.append(r);
    return out;
}

std::optional<RequestRecord> RequestLog::last(const QString &prefix) const
{
    std::lock_guard lock(m_mutex);
    for (auto it = m_records.crbegin(); it != m_records.crend(); ++it)
        if (it->path.startsWith(prefix))
            return *it;
    return std::nullopt;
}

QList<RequestRecord> RequestLog::since(qint64 seq) const
{
    std::lock_guard lock(m_mutex);
    QList<RequestRecord> out;
    for (const RequestRecord &r : m_records)
        if (r.seq > seq)
            out.append(r);
    return out;
}

qint64 RequestLog::lastSeq() const
{
    std::lock_guard lock(m_mutex);
    return m_seq;
}

void RequestLog::clear()
{
    std::lock_guard lock(m_mutex);
    m_records.clear();
}
