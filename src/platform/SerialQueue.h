#pragma once
// A labelled FIFO of tasks run one at a time on one thread of its own.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace tessarin {

class SerialQueue {
public:
    explicit SerialQueue(std::string label);
    ~SerialQueue(); // runs what is queued, then joins
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const std::string& label() const { return label_; }

    // Any thread. Queues fn behind everything queued before it.
    void async(std::function<void()> fn);
    // Any thread but the queue's own. Runs fn on the queue and waits for it.
    void sync(const std::function<void()>& fn);
    // True when called from a task of this queue.
    bool isCurrent() const;

private:
    void run();

    std::string label_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace tessarin
