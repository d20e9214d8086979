#pragma once
#include <QDateTime>
#include <cmath>
#include <functional>

// Wall-clock time for every rule that reads "now", so tests can set it.
class Clock
{
public:
    static QDateTime now();
    // Seconds since 2001-01-01 00:00:00 UTC, the stored date form.
    static double referenceSeconds();
    static double referenceSeconds(const QDateTime &t);
    static QDateTime fromReferenceSeconds(double s);

    using Source = std::function<QDateTime()>;
    static void setSource(Source source); // empty restores the system clock
};
