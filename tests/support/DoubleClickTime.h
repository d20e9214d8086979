#pragma once
#include <QGuiApplication>
#include <QStyleHints>

// The system's double-click time, set for a scope and given back to the
// platform's own when it ends, a failed or skipped test included.
class DoubleClickTime
{
public:
    explicit DoubleClickTime(int ms) { QGuiApplication::styleHints()->setMouseDoubleClickInterval(ms); }
    ~DoubleClickTime() { QGuiApplication::styleHints()->setMouseDoubleClickInterval(-1); }
    DoubleClickTime(const DoubleClickTime &) = delete;
    DoubleClickTime &operator=(const DoubleClickTime &) = delete;
};
