#include "BackgroundPool.h"

#include <QCoreApplication>
#include <QThread>
#include <QThreadPool>

namespace {
struct Pool : QThreadPool
{
    Pool();
};
Q_GLOBAL_STATIC(Pool, pool)

Pool::Pool()
{
    setMaxThreadCount(qMax(2, QThread::idealThreadCount() / 2));
    // Work still running when the application goes (a player closing, say)
    // finishes while the application object still stands, as Qt's own pool's does.
    qAddPostRoutine([] { pool()->waitForDone(); });
}
} // namespace

QThreadPool *backgroundPool()
{
    return pool();
}
