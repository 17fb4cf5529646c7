#include "platform/SerialQueue.h"

#include "platform/ThreadName.h"

namespace tessarin {

SerialQueue::SerialQueue(std::string label)
    : label_(std::move(label))
{
    thread_ = std::thread([this] { run(); });
}

SerialQueue::~SerialQueue()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

void SerialQueue::async(std::function<void()> fn)
{
    if (!fn)
        return;
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(fn));
    }
    wake_.notify_one();
}

void SerialQueue::sync(const std::function<void()>& fn)
{
    if (isCurrent()) {
        fn(); // waiting on ourselves would never end
        return;
    }
    std::mutex doneMutex;
    std::condition_variable doneSignal;
    bool done = false;
    async([&] {
        fn();
        std::lock_guard lock(doneMutex);
        done = true;
        doneSignal.notify_one();
    });
    std::unique_lock lock(doneMutex);
    doneSignal.wait(lock, [&] { return done; });
}

bool SerialQueue::isCurrent() const
{
    return std::this_thread::get_id() == thread_.get_id();
}

void SerialQueue::run()
{
    setCurrentThreadName(label_);
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
            if (tasks_.empty())
                return; // stopping and drained
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

} // namespace tessarin
