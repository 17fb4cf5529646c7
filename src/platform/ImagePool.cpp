#include "platform/ImagePool.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

namespace tessarin {

void prepareImagePool()
{
    QThreadPool* pool = QThreadPool::globalInstance();
    pool->setExpiryTimeout(-1);
    // As many tasks as threads, each held until all have started: the pool
    // makes a thread for each.
    const int threads = pool->maxThreadCount();
    QSemaphore started;
    QSemaphore release;
    for (int i = 0; i < threads; ++i) {
        pool->start([&] {
            started.release();
            release.acquire();
        });
    }
    started.acquire(threads);
    release.release(threads);
    // The tasks end by themselves; the threads stay, idle, for good. (Not
    // waitForDone(): it also ends the pool's threads.)
    while (pool->activeThreadCount() > 0)
        QThread::yieldCurrentThread();
}

} // namespace tessarin
