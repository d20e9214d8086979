#include "HlsMaster.h"

#include <QRegularExpression>

QList<HlsMaster::Variant> HlsMaster::parse(const QByteArray &text)
{
    QList<Variant> variants;
    static const QRegularExpression bandwidth(QStringLiteral("(?:^|,)BANDWIDTH=(\\d+)"));
    static const QRegularExpression resolution(QStringLiteral("(?:^|,)RESOLUTION=(\\d+)x(\\d+)"));
    const QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || !lines.first().trimmed().startsWith("#EXTM3U"))
        return variants;
    for (const QByteArray &raw : lines) {
        const QByteArray line = raw.trimmed();
        if (!line.startsWith("#EXT-X-STREAM-INF:"))
            continue;
        const QString attributes = QString::fromUtf8(line.mid(int(sizeof("#EXT-X-STREAM-INF:") - 1)));
        Variant v;
        if (const auto m = bandwidth.match(attributes); m.hasMatch())
            v.bandwidth = m.captured(1).toDouble();
        if (const auto m = resolution.match(attributes); m.hasMatch())
            v.resolution = QSize(m.captured(1).toInt(), m.captured(2).toInt());
        if (v.bandwidth > 0)
            variants << v;
    }
    return variants;
}

QByteArray HlsMaster::absolute(const QByteArray &text, const QUrl &base)
{
    const auto resolve = [&base](const QByteArray &uri) {
        return base.resolved(QUrl::fromEncoded(uri.trimmed())).toEncoded();
    };
    static const QByteArray attribute("URI=\"");
    QList<QByteArray> lines = text.split('\n');
    for (QByteArray &line : lines) {
        // CRLF endings keep their CR.
        const bool cr = line.endsWith('\r');
        const QByteArray body = cr ? line.chopped(1) : line;
        const QByteArray trimmed = body.trimmed();
        if (trimmed.isEmpty())
            continue;
        if (!trimmed.startsWith('#')) {
            line = resolve(trimmed) + (cr ? "\r" : "");
            continue;
        }
        // An attribute begins the list (after the colon) or follows a comma.
        QByteArray out;
        qsizetype copied = 0;
        for (qsizetype at = body.indexOf(attribute); at >= 0; at = body.indexOf(attribute, at + 1)) {
            if (at == 0 || (body[at - 1] != ':' && body[at - 1] != ','))
                continue;
            const qsizetype start = at + attribute.size();
            const qsizetype end = body.indexOf('"', start);
            if (end < 0)
                break;
            out += body.mid(copied, start - copied) + resolve(body.mid(start, end - start));
            copied = end;
        }
        if (copied > 0)
            line = out + body.mid(copied) + (cr ? "\r" : "");
    }
    return lines.join('\n');
}
