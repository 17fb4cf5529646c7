#pragma once
// The benchmarks' wait: runs the main thread's events until a condition holds.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

namespace tessarin::bench {

// Runs the main thread's events until pred holds; false after seconds.
inline bool waitFor(const std::function<bool()>& pred, double seconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > qint64(seconds * 1000))
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

} // namespace tessarin::bench
