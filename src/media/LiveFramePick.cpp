#include "media/LiveFramePick.h"

namespace tessarin {

int LiveFramePick::pick(std::span<const Frame> frames, double time, double period)
{
    const int count = int(frames.size());
    int newest = -1; // the newest picture due by time
    while (newest + 1 < count && frames[std::size_t(newest + 1)].due <= time)
        ++newest;
    int shown = -1; // where the picture shown last stands
    if (shown_ && period > 0.0) {
        for (int i = count - 1; i >= 0; --i) {
            if (frames[std::size_t(i)].id == last_) {
                shown = i;
                break;
            }
        }
    }
    int chosen = newest;
    if (shown >= 0) {
        const double slack = period * kSlack;
        const auto dueAt = [&](int i) { return frames[std::size_t(i)].due; };
        const int next = shown + 1;
        if (newest <= shown) {
            // Never back; the next one a little early rather than the same
            // twice, where it keeps the source's pace: one that follows a
            // gap (the feed held a picture, or its repeats were left out)
            // waits for its time, or it would be early for its sound.
            const bool paced = next < count && dueAt(next) - dueAt(shown) < kPaceGap * period;
            chosen = paced && dueAt(next) <= time + slack ? next : shown;
        } else if (newest > next && dueAt(next + 1) > time - slack) {
            // The next one a little late rather than one left out.
            chosen = next;
        }
    }
    if (chosen >= 0) {
        shown_ = true;
        last_ = frames[std::size_t(chosen)].id;
    }
    return chosen;
}

} // namespace tessarin
