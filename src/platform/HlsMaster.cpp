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
