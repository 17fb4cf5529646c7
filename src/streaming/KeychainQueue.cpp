#include "streaming/KeychainQueue.h"

#include "platform/ProcessEnd.h"
#include "streaming/SecretStore.h"

#include <algorithm>
#include <chrono>

namespace tessarin {
namespace {

// The application's entries, with one cancellation for all its calls.
class SecretStoreEntries final : public KeychainQueue::Store {
public:
    std::optional<QString> string(const QString& account) override
    {
        return SecretStore::string(account, &cancellation_);
    }
    Entry lookup(const QString& account) override
    {
        const auto found = SecretStore::lookup(account, &cancellation_);
        return { found.text, found.locked };
    }
    bool set(const std::optional<QString>& text, const QString& account) override
    {
        return SecretStore::set(text, account, &cancellation_);
    }
    void cancel() override { cancellation_.cancel(); }

private:
    SecretStore::Cancellation cancellation_;
};

} // namespace

std::shared_ptr<KeychainQueue> KeychainQueue::shared()
{
    static const std::shared_ptr<KeychainQueue> instance = [] {
        auto queue = std::make_shared<KeychainQueue>(std::make_shared<SecretStoreEntries>());
        // An address typed right before quitting is still stored; a secret
        // service that does not answer holds the end only this long.
        ProcessEnd::addStep("stored addresses written", [queue] {
            queue->finishWrites(kFlushSeconds);
            queue->abandon();
        });
        return queue;
    }();
    return instance;
}

KeychainQueue::KeychainQueue(std::shared_ptr<Store> store, Workers& workers)
    : store_(std::move(store))
    , workers_(workers)
{
}

void KeychainQueue::async(std::function<void(Store&)> task)
{
    std::lock_guard guard(mutex_);
    pushLocked(Job { std::move(task), {}, {}, {} });
}

void KeychainQueue::set(std::optional<QString> text, const QString& account, Written done)
{
    std::lock_guard guard(mutex_);
    auto queued = std::find_if(jobs_.begin(), jobs_.end(),
                               [&](const Job& job) { return !job.task && job.account == account; });
    if (queued != jobs_.end() && !abandoned_) {
        queued->text = std::move(text);
        queued->done = std::move(done);
        return;
    }
    pushLocked(Job { {}, account, std::move(text), std::move(done) });
}

void KeychainQueue::pushLocked(Job job)
{
    if (abandoned_)
        return;
    jobs_.push_back(std::move(job));
    if (draining_)
        return;
    draining_ = true;
    workers_.async([self = shared_from_this()] { self->drain(); });
}

void KeychainQueue::drain()
{
    for (;;) {
        Job job;
        {
            std::lock_guard guard(mutex_);
            if (jobs_.empty() || abandoned_) {
                jobs_.clear();
                draining_ = false;
                idle_.notify_all();
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
            writing_ = !job.task;
        }
        if (job.task) {
            job.task(*store_);
        } else {
            const bool stored = store_->set(job.text, job.account);
            if (job.done)
                job.done(stored);
        }
        std::lock_guard guard(mutex_);
        writing_ = false;
        idle_.notify_all();
    }
}

bool KeychainQueue::flush(double timeoutSeconds)
{
    std::unique_lock guard(mutex_);
    return idle_.wait_for(guard, std::chrono::duration<double>(std::max(0.0, timeoutSeconds)),
                          [this] { return !draining_ && jobs_.empty(); });
}

bool KeychainQueue::finishWrites(double timeoutSeconds)
{
    std::unique_lock guard(mutex_);
    std::erase_if(jobs_, [](const Job& job) { return bool(job.task); });
    return idle_.wait_for(guard, std::chrono::duration<double>(std::max(0.0, timeoutSeconds)), [this] {
        return !writing_ && std::none_of(jobs_.begin(), jobs_.end(), [](const Job& job) { return !job.task; });
    });
}

void KeychainQueue::abandon()
{
    {
        std::lock_guard guard(mutex_);
        abandoned_ = true;
        jobs_.clear();
        idle_.notify_all();
    }
    store_->cancel();
}

} // namespace tessarin
