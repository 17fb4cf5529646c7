#pragma once
// The last guard against dead air: the item on air must move. Its time is
// looked at on a timer of the engine's clock; an item whose time has not
// moved for kStallSeconds while it should (the program plays it, it opened)
// is reported once, so the engine fails it and goes on as for a file that
// cannot be played. Main thread.
#include "platform/Clock.h"

#include <functional>
#include <memory>

namespace tessarin {

class StallWatch {
public:
    static constexpr double kStallSeconds = 5.0;
    static constexpr double kCheckInterval = 0.5;

    // What the watch sees at a look: the item on air (any identity; null
    // for none), whether it should move now, and its time.
    struct Look {
        const void* item = nullptr;
        bool shouldMove = false;
        double time = 0.0;
    };

    StallWatch(Clock& clock, std::function<Look()> look, std::function<void(const void* item)> stalled);

private:
    void check();

    Clock& clock_;
    std::function<Look()> look_;
    std::function<void(const void*)> stalled_;
    std::unique_ptr<Timer> timer_;
    const void* item_ = nullptr;
    double time_ = 0.0;
    double since_ = 0.0; // clock time since which item_ stood at time_
    bool reported_ = false;
};

} // namespace tessarin
