#include "platform/ProcessEnd.h"

#include "platform/Workers.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace tessarin::ProcessEnd {
namespace {

struct Steps {
    std::mutex mutex;
    std::vector<std::function<void()>> steps;
};

Steps& steps()
{
    static Steps* instance = new Steps; // never destroyed: finish() runs near the end
    return *instance;
}

} // namespace

void addStep(std::function<void()> step)
{
    if (!step)
        return;
    Steps& s = steps();
    std::lock_guard lock(s.mutex);
    s.steps.push_back(std::move(step));
}

int finish(int status, double timeoutSeconds)
{
    std::vector<std::function<void()>> toRun;
    {
        Steps& s = steps();
        std::lock_guard lock(s.mutex);
        toRun.swap(s.steps);
    }
    // Latest first, as destructors run: what was made later may use what
    // was made before it.
    for (auto step = toRun.rbegin(); step != toRun.rend(); ++step)
        (*step)();
    if (Workers::stopAll(timeoutSeconds))
        return status;
    std::fprintf(stderr, "Background work still running %.0f s after the end; leaving without cleanup\n",
                 timeoutSeconds);
    std::fflush(nullptr);
    std::_Exit(status == 0 ? EXIT_FAILURE : status);
}

} // namespace tessarin::ProcessEnd
