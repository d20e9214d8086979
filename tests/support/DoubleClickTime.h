#pragma once
#include <QGuiApplication>
#include <QStyleHints>
#include <QTest>

// The system's double-click time, set for a scope and given back to the
// platform's own when it ends, a failed or skipped test included.
class DoubleClickTime
{
public:
    explicit DoubleClickTime(int ms) : m_ms(ms) { QGuiApplication::styleHints()->setMouseDoubleClickInterval(ms); }
    ~DoubleClickTime() { QGuiApplication::styleHints()->setMouseDoubleClickInterval(-1); }
    DoubleClickTime(const DoubleClickTime &) = delete;
    DoubleClickTime &operator=(const DoubleClickTime &) = delete;

    // Lets the time pass, on the events' clock too: a double click is told
    // by the events' times, and the test's events add only a little each.
    void passes() const { pass(m_ms + 150); }
    static void pass(int ms)
    {
        QTest::qWait(ms);
        QTest::lastMouseTimestamp += ms;
    }
    // The next click is one of its own, not the second of a double click,
    // however soon it comes.
    void apart() const { QTest::lastMouseTimestamp += m_ms + 150; }

private:
    int m_ms;
};
