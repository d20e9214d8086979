#pragma once
// One factor stretches every time-out of the suite: NIMBELORA_TEST_TIME_FACTOR,
// a whole number (1 when unset; scripts/test sets it). A time-out only bounds a wait on a
// condition, so a larger one costs nothing while the condition comes, and
// lets a busy machine be slow. A window that proves something does not
// happen is not a time-out and is not stretched.
//
// Every test source gets this header before its own (the tests' precompiled
// header holds it), so QTRY_VERIFY, QTRY_COMPARE and the rest, with their
// default 5 s or a time-out of the test's own, all scale without a change
// at their call sites. Waits that are not QTRY macros take TestTime::ms().
#include <QtCore/QtGlobal>
#include <QtTest/QTest>
#include <QtTest/QSignalSpy>

#include <algorithm>

namespace TestTime {

inline int factor()
{
    static const int f = std::max(1, qEnvironmentVariableIntValue("NIMBELORA_TEST_TIME_FACTOR"));
    return f;
}

// A time-out of `idle` ms on an idle machine, on this one.
inline int ms(int idle) { return idle * factor(); }

// QTest::qWaitFor and QSignalSpy::wait with a stretched time-out.
template<typename Pred>
bool waitFor(Pred pred, int idle = 5000)
{
    return QTest::qWaitFor(pred, ms(idle));
}
inline bool wait(QSignalSpy &spy, int idle = 5000) { return spy.wait(ms(idle)); }

// Whether `elapsed` ms, counted from before a timer of `interval` ms started
// to what it did, is enough for that timer: a coarse QTimer may end up to 5%
// early. A busy machine only adds to it, so the check never fails there.
inline bool notSooner(qint64 elapsed, int interval) { return elapsed >= interval - interval / 20; }

} // namespace TestTime

// Qt's QTRY macros all expand QTRY_IMPL with the time-out as written; this is
// Qt 6.4's own definition with that time-out stretched (the polling step
// stays as it was).
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
#error "QTRY_IMPL changed its form in Qt 6.7: stretch its time-out anew here"
#endif
#undef QTRY_IMPL
#define QTRY_IMPL(expr, timeout) \
    const int qt_test_step = (timeout) < 350 ? (timeout) / 7 + 1 : 50; \
    const int qt_test_timeoutValue = TestTime::ms(timeout); \
    { QTRY_LOOP_IMPL(expr, qt_test_timeoutValue, qt_test_step) } \
    QTRY_TIMEOUT_DEBUG_IMPL(expr, qt_test_timeoutValue, qt_test_step)
