#pragma once
// A keychain store held shut by the test, standing in for a secret service
// that is starting or stuck: every call waits at the gate until the test
// opens it (or the store is cancelled). Its entries can also be locked away,
// as by a locked keyring: reads then find them without their text, and
// writes fail and change nothing. It notes each call, and whether
// one came from the main thread, which must never happen: such a call fails
// at once instead of waiting, so the test fails rather than hangs.
#include "platform/MainThread.h"
#include "streaming/KeychainQueue.h"

#include <QString>

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace tessarin::test {

class GatedKeychain final : public KeychainQueue::Store {
public:
    explicit GatedKeychain(bool open = false)
        : open_(open)
    {
    }

    std::optional<QString> string(const QString& account) override
    {
        std::unique_lock lock(mutex_);
        if (!pass(lock))
            return std::nullopt;
        ++reads_;
        auto entry = entries_.find(account);
        return entry == entries_.end() || locked_ ? std::nullopt : std::optional<QString>(entry->second);
    }
    Entry lookup(const QString& account) override
    {
        std::unique_lock lock(mutex_);
        if (!pass(lock))
            return {};
        ++reads_;
        auto entry = entries_.find(account);
        if (entry == entries_.end())
            return {};
        if (locked_)
            return { std::nullopt, true };
        return { entry->second, false };
    }
    bool set(const std::optional<QString>& text, const QString& account) override
    {
        std::unique_lock lock(mutex_);
        if (!pass(lock))
            return false;
        if (locked_) {
            ++refusedWrites_;
            return false;
        }
        writes_.emplace_back(account, text.value_or(QString()));
        if (text && !text->isEmpty())
            entries_[account] = *text;
        else
            entries_.erase(account);
        return true;
    }
    void cancel() override
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        changed_.notify_all();
    }

    void open()
    {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    void close()
    {
        std::lock_guard lock(mutex_);
        open_ = false;
    }
    void setLocked(bool locked)
    {
        std::lock_guard lock(mutex_);
        locked_ = locked;
    }
    void put(const QString& account, const QString& text)
    {
        std::lock_guard lock(mutex_);
        entries_[account] = text;
    }
    std::optional<QString> entry(const QString& account) const
    {
        std::lock_guard lock(mutex_);
        auto found = entries_.find(account);
        return found == entries_.end() ? std::nullopt : std::optional<QString>(found->second);
    }
    // Every write done, in order: (account, text; "" for a deletion).
    std::vector<std::pair<QString, QString>> writes() const
    {
        std::lock_guard lock(mutex_);
        return writes_;
    }
    // Writes failed because the entries were locked away.
    int refusedWrites() const
    {
        std::lock_guard lock(mutex_);
        return refusedWrites_;
    }
    int reads() const
    {
        std::lock_guard lock(mutex_);
        return reads_;
    }
    // Calls waiting at the gate now.
    int waiting() const
    {
        std::lock_guard lock(mutex_);
        return waiting_;
    }
    int callsFromMainThread() const
    {
        std::lock_guard lock(mutex_);
        return fromMain_;
    }

private:
    bool pass(std::unique_lock<std::mutex>& lock)
    {
        if (isMainThread()) {
            ++fromMain_;
            return false;
        }
        ++waiting_;
        changed_.wait(lock, [this] { return open_ || cancelled_; });
        --waiting_;
        return !cancelled_;
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool open_;
    bool cancelled_ = false;
    bool locked_ = false;
    std::map<QString, QString> entries_;
    std::vector<std::pair<QString, QString>> writes_;
    int reads_ = 0;
    int refusedWrites_ = 0;
    int waiting_ = 0;
    int fromMain_ = 0;
};

} // namespace tessarin::test
