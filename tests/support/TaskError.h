#pragma once
#include <QCoroTask>
#include "TestTime.h"
#include <QTest>
#include <exception>
#include <memory>
#include <stdexcept>

// Runs a task to its end on the event loop: null when it succeeded, else
// what it threw. (QCoro::waitFor never returns once a task has thrown.)
template<class T>
std::exception_ptr errorOf(QCoro::Task<T> task)
{
    struct State
    {
        bool done = false;
        std::exception_ptr error;
    };
    auto state = std::make_shared<State>(); // outlives a task that overruns the wait
    [](QCoro::Task<T> t, std::shared_ptr<State> s) -> QCoro::Task<> {
        try {
            co_await t;
        } catch (...) {
            s->error = std::current_exception();
        }
        s->done = true;
    }(std::move(task), state);
    if (!TestTime::waitFor([&] { return state->done; }, 15000))
        return std::make_exception_ptr(std::runtime_error("unfinished"));
    return state->error;
}
