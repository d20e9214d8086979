#pragma once
#include "Clock.h"

// Sets the app's wall clock for the life of the object; advance() moves it.
class FakeClock
{
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 3, 14), QTime(12, 0), Qt::UTC))
        : m_now(std::move(start))
    {
        Clock::setSource([this] { return m_now; });
    }
    ~FakeClock() { Clock::setSource({}); }
    FakeClock(const FakeClock &) = delete;
    FakeClock &operator=(const FakeClock &) = delete;

    void set(const QDateTime &t) { m_now = t; }
    void advance(double seconds) { m_now = m_now.addMSecs(qint64(seconds * 1000)); }
    QDateTime now() const { return m_now; }

private:
    QDateTime m_now;
};
