#pragma once

// SIGTERM, SIGINT and SIGHUP (a desktop logout) end the app the normal way:
// the event loop quits, so everything tied to the application's quit (the
// flush of positions and pending writes) still runs. The handlers only wake
// the event loop; the quit itself happens there.
class QuitSignals
{
public:
    QuitSignals() = delete;

    // Once, after the application object exists; later calls do nothing.
    static void install();
};
