#include "platform/HeapRelease.h"

#include "platform/Workers.h"

#include <malloc.h>

#include <atomic>
#include <memory>

namespace tessarin {

struct HeapRelease::State {
    std::atomic<bool> waiting { false };
};

HeapRelease& HeapRelease::shared()
{
    // Never destroyed: a teardown that runs while static objects go still
    // finds it.
    static auto* release = new HeapRelease([] { ::malloc_trim(0); },
        [](std::function<void()> task) { Workers::userInitiated().async(std::move(task), Workers::AtEnd::drop); });
    return *release;
}

HeapRelease::HeapRelease(std::function<void()> trim, std::function<void(std::function<void()>)> schedule)
    : trim_(std::move(trim))
    , schedule_(std::move(schedule))
    , state_(std::make_shared<State>())
{
}

void HeapRelease::request()
{
    if (state_->waiting.exchange(true, std::memory_order_acq_rel))
        return;
    schedule_([state = state_, trim = trim_] {
        // Cleared before the trim: what is freed while it runs asks for
        // the next one.
        state->waiting.store(false, std::memory_order_release);
        trim();
    });
}

} // namespace tessarin
