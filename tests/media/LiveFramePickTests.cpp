// Which live picture each render of a program takes: a source at the
// program's rate has every picture shown once, though its due times stray
// (the ingest's 30 fps grid, jitter); a drifting one drops or repeats a
// picture only as often as its drift makes a whole period.
#include "media/LiveFramePick.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace tessarin::test {
namespace {

struct Shown {
    int once = 0, dropped = 0, repeated = 0;
};

// Renders every `period` seconds from `phase` for `seconds`, over pictures
// k = 0, 1, ... due at due(k), each handed over half a second before it is
// due and let go a second after; counts how the pictures came out.
Shown render(const std::function<double(int)>& due, double period, double phase, double seconds, double pickPeriod)
{
    LiveFramePick pick;
    std::vector<int> taken;
    for (double t = phase; t < seconds; t += period) {
        std::vector<LiveFramePick::Frame> frames;
        std::vector<int> index;
        for (int k = 0; due(k) < t + 0.5; ++k) {
            if (due(k) > t - 1.0) {
                frames.push_back({ std::uint64_t(k + 1), due(k) });
                index.push_back(k);
            }
        }
        const int chosen = pick.pick(frames, t, pickPeriod);
        if (chosen >= 0)
            taken.push_back(index[std::size_t(chosen)]);
    }
    Shown shown;
    for (std::size_t i = 1; i < taken.size(); ++i) {
        const int step = taken[i] - taken[i - 1];
        EXPECT_GE(step, 0) << "never back";
        shown.once += step == 1;
        shown.repeated += step == 0;
        shown.dropped += std::max(step - 1, 0);
    }
    return shown;
}

// A fixed jitter in -1 ... 1 for picture k.
double jitter(int k)
{
    std::uint32_t x = std::uint32_t(k) * 2654435761u;
    x ^= x >> 15;
    return double(x % 2001) / 1000.0 - 1.0;
}

TEST(LiveFramePick, ASameRateSourceHasEveryPictureShownOnceAndADriftingOneSeldomDropsOrRepeats)
{
    constexpr double P = 1.0 / 25;
    // A 25 fps picture k on the ingest's 30 fps grid: its slot's time.
    const auto onGrid = [](int k) { return std::round(k * 30.0 / 25.0) / 30.0; };
    const struct {
        const char* name;
        std::function<double(int)> due;
        int mostDropped, mostRepeated;
    } cases[] = {
        { "25 fps timed on the 30 fps grid", onGrid, 0, 0 },
        { "25 fps with 15 ms of jitter", [](int k) { return k * P + 0.015 * jitter(k); }, 0, 0 },
        { "grid and 6 ms of jitter", [&](int k) { return onGrid(k) + 0.006 * jitter(k); }, 0, 0 },
        { "a source 0.2 % fast", [](int k) { return k * P / 1.002; }, 2, 0 },
        { "a source 0.2 % slow", [](int k) { return k * P * 1.002; }, 0, 2 },
    };
    for (const auto& c : cases) {
        for (double phase = 0.0; phase < P; phase += P / 8) {
            const Shown shown = render(c.due, P, 1.0 + phase, 40.0, P);
            EXPECT_LE(shown.dropped, c.mostDropped) << c.name << ", phase " << phase;
            EXPECT_LE(shown.repeated, c.mostRepeated) << c.name << ", phase " << phase;
            EXPECT_GT(shown.once, 900) << c.name << ", phase " << phase;
        }
    }
    // Without the render's period it takes the newest due picture: the
    // grid's stray times cost pictures.
    int lost = 0;
    for (double phase = 0.0; phase < P; phase += P / 8)
        lost += render(onGrid, P, 1.0 + phase, 40.0, 0.0).dropped;
    EXPECT_GT(lost, 100);
}

TEST(LiveFramePick, APictureAfterAGapWaitsForItsTime)
{
    // A still feed whose repeats were left out, then a change (a flash): taken
    // early it would come before its sound. At the pace, the next one is.
    constexpr double P = 1.0 / 25;
    LiveFramePick pick;
    const std::vector<LiveFramePick::Frame> held = { { 1, 0.0 }, { 2, 1.0 } };
    EXPECT_EQ(pick.pick(held, 0.5, P), 0);
    EXPECT_EQ(pick.pick(held, 1.0 - 0.5 * P, P), 0);
    EXPECT_EQ(pick.pick(held, 1.0, P), 1);
    const std::vector<LiveFramePick::Frame> paced = { { 2, 1.0 }, { 3, 1.0 + P } };
    EXPECT_EQ(pick.pick(paced, 1.0 + 0.5 * P, P), 1);
}

} // namespace
} // namespace tessarin::test
