#pragma once
#include "TestBackend.h"

#include <memory>

// What tests that talk to the backend set up once per run: isolated folders,
// in-memory defaults, the app's registered prefs, and a TestBackend that
// API::shared() points at.
class AppFixture
{
public:
    enum class Prefs { registered, unregistered };

    // Isolated folders, in-memory defaults and, unless told, the registered prefs.
    static void prepare(Prefs prefs = Prefs::registered);
    // For initTestCase: prepare(), then the backend; false (see error()) when it does not start.
    bool start(Prefs prefs = Prefs::registered);
    QString error() const;

    // For init: fresh in-memory defaults, signed out, no faults, an empty request log.
    void reset();
    // Empties the data folder once pending library writes are done, then
    // fresh in-memory defaults.
    static void clearData();

    TestBackend &backend() { return *m_backend; }
    TestBackend *operator->() const { return m_backend.get(); }

private:
    std::unique_ptr<TestBackend> m_backend;
};
