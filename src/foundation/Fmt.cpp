#include "Fmt.h"

#include "Clock.h"
#include "Video.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

enum class Unit { year, month, week, day, hour, minute, second };

QString spanishRelative(Unit unit, qint64 n)
{
    struct Names { const char16_t *one; const char16_t *other; };
    static constexpr Names names[] = {
        {u"año", u"años"},   {u"mes", u"meses"},       {u"semana", u"semanas"}, {u"día", u"días"},
        {u"hora", u"horas"}, {u"minuto", u"minutos"}, {u"segundo", u"segundos"},
    };
    const Names &name = names[int(unit)];
    const qint64 size = n < 0 ? -n : n;
    const QString count = QString::number(size) + u' ' + QString::fromUtf16(size == 1 ? name.one : name.other);
    return (n < 0 ? QStringLiteral("hace ") : QStringLiteral("dentro de ")) + count;
}

// The largest whole number of units that can be added to `from` without
// passing `to`, counted in the local calendar; the difference is told in
// its largest non-zero unit, like the platform's relative formatter.
QString relativeText(const QDateTime &to, const QDateTime &from)
{
    const qint64 sign = to >= from ? 1 : -1;
    auto within = [&](const QDateTime &x) { return sign > 0 ? x <= to : x >= to; };
    auto largest = [&](qint64 estimate, auto add) {
        qint64 n = estimate;
        while (n != 0 && !within(add(n)))
            n -= sign;
        while (within(add(n + sign)))
            n += sign;
        return n;
    };

    const QDate a = from.date();
    const QDate b = to.date();
    const qint64 years = largest(b.year() - a.year(), [&](qint64 n) { return from.addYears(int(n)); });
    if (years != 0)
        return spanishRelative(Unit::year, years);
    const qint64 months = largest((b.year() - a.year()) * 12 + b.month() - a.month(),
                                  [&](qint64 n) { return from.addMonths(int(n)); });
    if (months != 0)
        return spanishRelative(Unit::month, months);
    const qint64 days = a.daysTo(b);
    const qint64 weeks = largest(days / 7, [&](qint64 n) { return from.addDays(n * 7); });
    if (weeks != 0)
        return spanishRelative(Unit::week, weeks);
    const qint64 wholeDays = largest(days, [&](qint64 n) { return from.addDays(n); });
    if (wholeDays != 0)
        return spanishRelative(Unit::day, wholeDays);

    // Below a day the units are plain elapsed time.
    const qint64 ms = from.msecsTo(to);
    if (const qint64 h = ms / 3'600'000)
        return spanishRelative(Unit::hour, h);
    if (const qint64 m = ms / 60'000)
        return spanishRelative(Unit::minute, m);
    return spanishRelative(Unit::second, ms / 1000);
}

bool isLineBreak(char16_t c)
{
    switch (c) {
    case u'\n':
    case u'\v':
    case u'\f':
    case u'\r':
    case 0x0085: // next line
    case 0x2028: // line separator
    case 0x2029: // paragraph separator
        return true;
    default:
        return false;
    }
}

bool isDropped(char16_t c)
{
    const bool control = c < 0x20 || (c >= 0x7f && c <= 0x9f);
    return control && c != u'\t' && !isLineBreak(c);
}

} // namespace

QString Fmt::compact(qint64 count)
{
    if (count < 1000)
        return QString::number(count);

    double divisor = 1e3;
    QStringView suffix = u" mil";
    if (count >= 1'000'000'000) {
        divisor = 1e9;
        suffix = u" mil M";
    } else if (count >= 1'000'000) {
        divisor = 1e6;
        suffix = u" M";
    }
    const double q = double(count) / divisor;

    // printf's rounding (ties to even on the exact binary value), not Qt's.
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, q, std::chars_format::fixed, q < 10 ? 1 : 0);
    QString text = QString::fromLatin1(buf, r.ptr - buf);
    text.replace(u'.', u',');
    if (text.endsWith(u",0"))
        text.chop(2);
    return text.append(suffix);
}

QString Fmt::clock(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        return QStringLiteral("0:00");
    // 2^63 and beyond have no defined text; clamp rather than overflow.
    constexpr double limit = 9223372036854775807.0;
    const qint64 s = seconds >= limit ? std::numeric_limits<qint64>::max() : qint64(seconds);
    if (s < 3600)
        return QString::asprintf("%lld:%02lld", s / 60, s % 60);
    return QString::asprintf("%lld:%02lld:%02lld", s / 3600, (s % 3600) / 60, s % 60);
}

QString Fmt::meta(const Video &video)
{
    QStringList parts;
    if (!video.channel.isEmpty())
        parts << oneLine(video.channel);
    if (video.views)
        parts << compact(*video.views) + (*video.views == 1 ? QStringLiteral(" vista") : QStringLiteral(" vistas"));
    return parts.join(u" · ");
}

QString Fmt::ago(const std::optional<QString> &date)
{
    return date ? ago(*date) : QString();
}

QString Fmt::ago(const QString &date)
{
    const QDate day = isoDay(date);
    if (!day.isValid())
        return {};
    // A day stands for its local midnight (or the first moment it has).
    return relativeText(day.startOfDay(), Clock::now().toLocalTime());
}

QString Fmt::longDate(const QString &date)
{
    static const char16_t *const months[] = {
        u"enero", u"febrero", u"marzo",     u"abril",   u"mayo",      u"junio",
        u"julio", u"agosto",  u"septiembre", u"octubre", u"noviembre", u"diciembre",
    };
    const QDate day = isoDay(date);
    if (!day.isValid())
        return date;
    return QStringLiteral("%1 de %2 de %3")
        .arg(day.day())
        .arg(QString::fromUtf16(months[day.month() - 1]))
        .arg(day.year());
}

QString Fmt::plain(const QString &text)
{
    // What the text layout draws as a box (VT, NEL) or not at all (FF, a
    // lone CR) in place of a line break.
    const auto odd = [](char16_t c) { return isDropped(c) || (isLineBreak(c) && c != u'\n' && c < 0x2028); };
    // Nearly every text has none: it is returned as it is, not copied.
    if (std::none_of(text.cbegin(), text.cend(), [&](QChar c) { return odd(c.unicode()); }))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (isDropped(c))
            continue;
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            out += u'\r'; // CR LF is drawn as one break
        else if (odd(c))
            out += u'\n';
        else
            out += QChar(c);
    }
    return out;
}

QString Fmt::oneLine(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (isDropped(c))
            continue;
        if (!isLineBreak(c)) {
            out += QChar(c);
            continue;
        }
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        out += u' ';
    }
    return out;
}

QDate Fmt::isoDay(const QString &text)
{
    if (text.size() != 10 || text[4] != u'-' || text[7] != u'-')
        return {};
    auto number = [&](qsizetype from, qsizetype n) {
        int v = 0;
        for (qsizetype i = from; i < from + n; ++i) {
            const char16_t c = text[i].unicode();
            if (c < u'0' || c > u'9')
                return -1;
            v = v * 10 + (c - u'0');
        }
        return v;
    };
    const int y = number(0, 4), m = number(5, 2), d = number(8, 2);
    if (y < 1 || m < 0 || d < 0)
        return {};
    return QDate(y, m, d); // invalid for a day the calendar lacks
}

QString Fmt::videoCount(qsizetype videos) { return QString::number(videos) + QStringLiteral(" vídeos"); }

QString Fmt::dayLabel(QDate day, QDate today)
{
    if (day == today)
        return QStringLiteral("Hoy");
    if (day == today.addDays(-1))
        return QStringLiteral("Ayer");
    QStringList words = QLocale(QLocale::Spanish, QLocale::Spain)
                            .toString(day, QStringLiteral("dddd d 'de' MMMM"))
                            .split(QLatin1Char(' '));
    for (QString &w : words)
        w = w.left(1).toUpper() + w.mid(1).toLower();
    return words.join(QLatin1Char(' '));
}

QString Fmt::hours(double seconds)
{
    const qint64 m = qint64(seconds / 60);
    if (m >= 60)
        return QString::asprintf("%lld h %02lld min", m / 60, m % 60);
    return QString::number(m) + QStringLiteral(" min");
}

QString Fmt::weekday(QDate day)
{
    const QString name = QLocale(QStringLiteral("es_ES")).toString(day, QStringLiteral("ddd")).toLower();
    return name.isEmpty() ? name : name.left(1).toUpper() + name.mid(1);
}
