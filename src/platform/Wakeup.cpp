#include "platform/Wakeup.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <ctime>

namespace tessarin {
namespace {

void futexWait(std::atomic<int>& word, const timespec* timeout)
{
    // Returns at once when the word is no longer 0 (posted meanwhile), on a
    // wake, a signal or the timeout: the caller looks again.
    syscall(SYS_futex, reinterpret_cast<int*>(&word), FUTEX_WAIT_PRIVATE, 0, timeout, nullptr, 0);
}

} // namespace

static_assert(sizeof(std::atomic<int>) == sizeof(int) && std::atomic<int>::is_always_lock_free);

void Wakeup::post()
{
    if (posted_.exchange(1, std::memory_order_release) == 0)
        syscall(SYS_futex, reinterpret_cast<int*>(&posted_), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

void Wakeup::wait()
{
    while (posted_.exchange(0, std::memory_order_acquire) == 0)
        futexWait(posted_, nullptr);
}

bool Wakeup::waitFor(std::chrono::nanoseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (posted_.exchange(0, std::memory_order_acquire) != 0)
            return true;
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::nanoseconds::zero())
            return false;
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
        const timespec relative { static_cast<time_t>(seconds.count()),
                                  static_cast<long>((left - seconds).count()) };
        futexWait(posted_, &relative);
    }
}

} // namespace tessarin
