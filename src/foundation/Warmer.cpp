#include "Warmer.h"
#include "API.h"
#include <QSet>

namespace {

constexpr qsizetype kResetAt = 601;

QSet<QString> &sent()
{
    static QSet<QString> ids;
    return ids;
}

void sendToBackend(const QStringList &ids)
{
    // API::warm never throws, so its task may be dropped unawaited.
    API::shared().warm(ids);
}

Warmer::Sender &sender()
{
    static Warmer::Sender s = sendToBackend;
    return s;
}

} // namespace

void Warmer::warm(const QList<Video> &videos, qsizetype count)
{
    QStringList ids;
    const qsizetype n = std::min(std::max<qsizetype>(count, 0), videos.size());
    for (qsizetype i = 0; i < n; ++i) {
        const QString &id = videos[i].id;
        if (!sent().contains(id) && !id.startsWith(QLatin1String("placeholder")))
            ids.append(id);
    }
    if (ids.isEmpty())
        return;
    for (const QString &id : std::as_const(ids))
        sent().insert(id);
    if (sent().size() >= kResetAt)
        sent().clear();
    sender()(ids);
}

void Warmer::setSender(Sender s) { sender() = s ? std::move(s) : Sender(sendToBackend); }
