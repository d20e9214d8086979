#include "BackgroundPool.h"

#include <QCoreApplication>
#include <QThreadPool>

namespace {
struct Pool : QThreadPool
{
    Pool();
};
Q_GLOBAL_STATIC(Pool, pool)

Pool::Pool()
{
    // Pictures decode here beside the scene graph's render thread and a
    // software rasteriser's own threads: two at a time keep up with
    // scrolling, and more took the CPU from the frames.
    setMaxThreadCount(2);
    // Work still running when the application goes (a player closing, say)
    // finishes while the application object still stands, as Qt's own pool's does.
    qAddPostRoutine([] { pool()->waitForDone(); });
}
} // namespace

QThreadPool *backgroundPool()
{
    return pool();
}
