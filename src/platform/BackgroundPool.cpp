#include "BackgroundPool.h"

#include <QThread>
#include <QThreadPool>

namespace {
struct Pool : QThreadPool
{
    Pool() { setMaxThreadCount(qMax(2, QThread::idealThreadCount() / 2)); }
};
Q_GLOBAL_STATIC(Pool, pool)
} // namespace

QThreadPool *backgroundPool()
{
    return pool();
}
