#include "platform/player/DecodePace.h"

#include <algorithm>

namespace tessarin {

namespace {

// Smoothing: each picture weighs one sixteenth.
constexpr double kWeight = 1.0 / 16.0;
// Pictures measured before the pace is trusted: a frame-threaded decoder
// fills its threads first, and its first pictures take longer.
constexpr int kSettling = 8;
// Late pictures in a row before skipping: one may be a moment's delay.
constexpr int kLateRun = 2;
// One picture held up by a moment's delay counts as at most this much, so
// the delay alone cannot make a decoder that keeps up look slow.
constexpr double kLongestRatio = 3.0;

} // namespace

void DecodePace::picture(double work, double advance, bool late)
{
    if (advance > 0.0 && work >= 0.0) {
        const double ratio = std::min(work / advance, kLongestRatio);
        load_ = pictures_ == 0 ? ratio : load_ + (ratio - load_) * kWeight;
        ++pictures_;
    }
    lateRun_ = late ? lateRun_ + 1 : 0;
}

bool DecodePace::skipUnreferenced() const
{
    return lateRun_ >= kLateRun && pictures_ >= kSettling && load_ > 1.0;
}

void DecodePace::reset()
{
    *this = DecodePace();
}

} // namespace tessarin
