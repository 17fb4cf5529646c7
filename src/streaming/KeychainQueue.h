#pragma once
// The keychain work of the stream destinations, kept off the main thread: a
// secret service that is starting, locked behind a prompt or stuck can take
// tens of seconds to answer. Tasks run one at a time, in the order queued, on
// the user-initiated workers. Writes coalesce: a text for an account whose
// last write has not begun replaces it, so a burst of edits costs one write
// each time the queue comes free, and the last text given is the one stored.
// Any thread; nothing here waits for the main thread.
#include "platform/Workers.h"

#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace tessarin {

class KeychainQueue : public std::enable_shared_from_this<KeychainQueue> {
public:
    // Where the entries live. Called from the queue's tasks, one call at a time.
    class Store {
    public:
        virtual ~Store() = default;
        virtual std::optional<QString> string(const QString& account) = 0;
        // The text, and whether the entry is there but locked away (its
        // keyring is locked). Stores that cannot tell give string's text.
        struct Entry {
            std::optional<QString> text;
            bool locked = false;
        };
        virtual Entry lookup(const QString& account) { return { string(account), false }; }
        // nullopt or "" deletes the entry. False when the entry was left as
        // it was (a locked keyring, no secret service, a cancelled call).
        virtual bool set(const std::optional<QString>& text, const QString& account) = 0;
        // Any thread: a call in progress returns soon, later calls fail at once.
        virtual void cancel() = 0;
    };

    // What the end of the process grants the writes before the rest is
    // cancelled.
    static constexpr double kFlushSeconds = 3.0;

    // The queue of the application, over SecretStore. At the end of the
    // process (a ProcessEnd step) its writes get kFlushSeconds to finish
    // (finishWrites); then what is left is dropped and the call in progress
    // cancelled.
    static std::shared_ptr<KeychainQueue> shared();

    // Made with std::make_shared (its tasks hold the queue).
    explicit KeychainQueue(std::shared_ptr<Store> store, Workers& workers = Workers::userInitiated());

    // Runs task with the store behind everything queued before it.
    void async(std::function<void(Store&)> task);
    // Tells on the queue's thread whether a write was stored.
    using Written = std::function<void(bool stored)>;
    // Stores text under account behind everything queued before it, or, when
    // a write to account is queued and not begun, gives it this text (and
    // done, in place of the one it had) instead. done runs after the write;
    // a write dropped by abandon() never calls it.
    void set(std::optional<QString> text, const QString& account, Written done = {});
    // Not from a task of this queue. Waits until nothing is queued or running,
    // at most timeoutSeconds; false when work is left.
    bool flush(double timeoutSeconds);
    // Not from a task of this queue. Drops the queued tasks that are not
    // writes, then waits until no write is queued or running, at most
    // timeoutSeconds; false when a write is left.
    bool finishWrites(double timeoutSeconds);
    // Drops what is queued and cancels the store's call in progress; tasks
    // queued later are dropped too.
    void abandon();

private:
    struct Job {
        std::function<void(Store&)> task; // or a write:
        QString account;
        std::optional<QString> text;
        Written done;
    };

    void pushLocked(Job job);
    void drain();

    const std::shared_ptr<Store> store_;
    Workers& workers_;
    std::mutex mutex_;
    std::condition_variable idle_;
    std::deque<Job> jobs_; // none of them begun
    bool draining_ = false;
    bool writing_ = false; // the job running is a write
    bool abandoned_ = false;
};

} // namespace tessarin
