#include "Clock.h"

namespace {
Clock::Source &source()
{
    static Clock::Source s;
    return s;
}
const QDateTime &referenceDate()
{
    static const QDateTime d(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return d;
}
} // namespace

QDateTime Clock::now()
{
    return source() ? source()() : QDateTime::currentDateTimeUtc();
}

double Clock::referenceSeconds() { return referenceSeconds(now()); }

double Clock::referenceSeconds(const QDateTime &t)
{
    return double(t.toMSecsSinceEpoch() - referenceDate().toMSecsSinceEpoch()) / 1000.0;
}

QDateTime Clock::fromReferenceSeconds(double s)
{
    return QDateTime::fromMSecsSinceEpoch(referenceDate().toMSecsSinceEpoch() + qint64(std::llround(s * 1000.0)), Qt::UTC);
}

void Clock::setSource(Source s) { source() = std::move(s); }
