#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <mutex>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace tessarin {
namespace {

// Qt's event queue hands a task over under a futex of its own, which
// ThreadSanitizer does not see; under it, the hand-over is announced, so
// what a task carries is not reported as raced. Every post and every run
// meet on one key, as they do on the queue's lock.
#if defined(__SANITIZE_THREAD__)
char handOverKey;
void handedOver() { __tsan_release(&handOverKey); }
void takenOver() { __tsan_acquire(&handOverKey); }
#else
void handedOver() { }
void takenOver() { }
#endif

QEvent::Type taskType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

// One task on its way to the main thread.
class Task final : public QEvent {
public:
    explicit Task(std::function<void()> fn)
        : QEvent(taskType())
        , fn_(std::move(fn))
    {
        handedOver();
    }
    ~Task() override { takenOver(); } // also when dropped unrun

    void run() { fn_(); }

private:
    std::function<void()> fn_;
};

// Runs the tasks; lives in the application's thread.
class Runner final : public QObject {
protected:
    bool event(QEvent* event) override
    {
        takenOver();
        if (event->type() != taskType())
            return QObject::event(event);
        static_cast<Task*>(event)->run();
        return true;
    }
};

Runner* runnerFor(QCoreApplication* app)
{
    static std::mutex mutex;
    static QCoreApplication* owner = nullptr;
    static Runner* runner = nullptr;
    std::lock_guard lock(mutex);
    if (owner != app) {
        // Made on the calling thread, then handed to the application's.
        runner = new Runner;
        runner->moveToThread(app->thread());
        owner = app;
    }
    return runner;
}

} // namespace

void postToMain(std::function<void()> fn)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || !fn)
        return;
    QCoreApplication::postEvent(runnerFor(app), new Task(std::move(fn)));
}

bool isMainThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace tessarin
