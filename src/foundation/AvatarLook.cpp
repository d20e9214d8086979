#include "AvatarLook.h"
#include <QTextBoundaryFinder>

QString AvatarLook::initial(const QString &name)
{
    // Walk user-perceived characters, so a letter keeps its combining marks.
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, name);
    qsizetype start = 0;
    while (start < name.size()) {
        qsizetype end = finder.toNextBoundary();
        if (end <= start)
            end = name.size();
        const QString cluster = name.mid(start, end - start);
        const char32_t first = cluster.toUcs4().value(0);
        if (QChar::isLetterOrNumber(first))
            return cluster.toUpper();
        start = end;
    }
    return QStringLiteral("?");
}

double AvatarLook::hue(const QString &name)
{
    // h = h * 31 + scalar, wrapping on 64 bits; unsigned arithmetic wraps by definition.
    quint64 h = 7;
    for (char32_t scalar : name.toUcs4())
        h = h * 31 + scalar;
    const qint64 signedH = qint64(h);
    // The magnitude as unsigned, so -2^63 has one too (2^63).
    const quint64 magnitude = signedH < 0 ? quint64(0) - h : h;
    return double(magnitude % 360) / 360.0;
}

QColor AvatarLook::tint(const QString &name) { return QColor::fromHsvF(float(hue(name)), 0.55f, 0.78f, 1.0f); }
