#include "platform/MainThread.h"

#include "platform/Workers.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QSocketNotifier>
#include <QThread>

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
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

// The tasks of lowered threads (analyses at the lowest priority), handed
// over without a lock. Qt's event queue takes a lock of its own to post, and
// a lowered thread holding it while busy processes had the core held the
// main thread at the queue's lock for hundreds of milliseconds. They are
// pushed on a lock-free stack, and the first pushed on an empty one wakes the
// main thread through an event counter it watches. Tasks of one thread run in
// the order posted; they may pass tasks posted through Qt's queue.
struct Handed {
    std::function<void()> fn;
    Handed* next = nullptr;
};

std::atomic<Handed*> handed { nullptr };
std::atomic<int> handedWake { -1 }; // the event counter, once made

QEvent::Type setUpType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

// Runs what lowered threads handed over, oldest first.
void runHanded()
{
    const int wake = handedWake.load(std::memory_order_acquire);
    std::uint64_t count = 0;
    // Read before the stack is taken: a push after this read wakes it again.
    if (wake >= 0 && ::read(wake, &count, sizeof count) < 0) {
        // Nothing was counted; the stack is still taken below.
    }
    Handed* taken = handed.exchange(nullptr, std::memory_order_acquire);
    Handed* oldest = nullptr;
    while (taken) {
        Handed* next = taken->next;
        taken->next = oldest;
        oldest = taken;
        taken = next;
    }
    while (oldest) {
        Handed* next = oldest->next;
        takenOver();
        oldest->fn();
        delete oldest;
        oldest = next;
    }
}

// Runs the tasks; lives in the application's thread.
class Runner final : public QObject {
protected:
    bool event(QEvent* event) override
    {
        takenOver();
        if (event->type() == setUpType()) {
            // Watched from the application's thread, where it is made.
            auto* notifier = new QSocketNotifier(handedWake.load(), QSocketNotifier::Read, this);
            connect(notifier, &QSocketNotifier::activated, this, [] { runHanded(); });
            runHanded();
            return true;
        }
        if (event->type() != taskType())
            return QObject::event(event);
        static_cast<Task*>(event)->run();
        return true;
    }
};

Runner* runnerFor(QCoreApplication* app)
{
    // Found without a lock once made: a lock here, held by a lowered thread
    // that waits for a core, would hold up the main thread's own posts.
    static std::atomic<QCoreApplication*> owner { nullptr };
    static std::atomic<Runner*> runner { nullptr };
    if (owner.load(std::memory_order_acquire) == app)
        return runner.load(std::memory_order_acquire);
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    if (owner.load(std::memory_order_relaxed) != app) {
        // Made on the calling thread, then handed to the application's.
        auto* made = new Runner;
        made->moveToThread(app->thread());
        if (handedWake.load() < 0)
            handedWake.store(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC), std::memory_order_release);
        if (handedWake.load() >= 0)
            QCoreApplication::postEvent(made, new QEvent(setUpType()));
        runner.store(made, std::memory_order_release);
        owner.store(app, std::memory_order_release);
    }
    return runner.load(std::memory_order_relaxed);
}

} // namespace

void postToMain(std::function<void()> fn)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || !fn)
        return;
    Runner* runner = runnerFor(app);
    const int wake = handedWake.load(std::memory_order_acquire);
    if (Workers::isThreadLowered() && wake >= 0) {
        handedOver();
        auto* node = new Handed { std::move(fn) };
        Handed* top = handed.load(std::memory_order_relaxed);
        do
            node->next = top;
        while (!handed.compare_exchange_weak(top, node, std::memory_order_release, std::memory_order_relaxed));
        if (!top) {
            const std::uint64_t one = 1;
            if (::write(wake, &one, sizeof one) < 0) {
                // The counter is full only after 2^64 - 2 wakes: never.
            }
        }
        return;
    }
    QCoreApplication::postEvent(runner, new Task(std::move(fn)));
}

bool isMainThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace tessarin
