// The item's sound ring between its decode thread and the output: what the
// output copies is never written meanwhile, however often the decoder
// empties the ring during the copy.
#include "platform/player/AudioRing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

namespace tessarin::test {
namespace {

// Frame i written under serial s holds (tag of s, i): a frame copied while it
// was overwritten shows another tag or breaks the count. Eight tags, so no
// run of fewer resets during one copy could hide an overwrite.
constexpr int kTags = 8;

float tagOf(std::uint64_t serial)
{
    return static_cast<float>(serial % kTags + 1);
}

TEST(AudioRing, FramesTheOutputCopiesStayUntouchedThroughAnyNumberOfResets)
{
    constexpr int kCapacity = 48000;
    constexpr std::uint64_t kSerials = 600;
    AudioRing ring(kCapacity);
    ASSERT_EQ(ring.capacity(), kCapacity);
    std::vector<std::vector<float>> written(kTags, std::vector<float>(std::size_t(kCapacity) * 2));
    for (int t = 0; t < kTags; ++t)
        for (int i = 0; i < kCapacity; ++i) {
            written[std::size_t(t)][std::size_t(i) * 2] = tagOf(std::uint64_t(t));
            written[std::size_t(t)][std::size_t(i) * 2 + 1] = static_cast<float>(i);
        }
    std::atomic<std::uint64_t> published { 0 };
    std::atomic<std::uint64_t> attempted { 0 };
    std::atomic<bool> done { false };

    // The decoder: empties the ring and fills it again, over and over; every
    // other time it first lets the output start copying the full ring, so
    // two resets follow while it copies.
    std::thread decoder([&] {
        for (std::uint64_t serial = 1; serial <= kSerials && !done.load(std::memory_order_acquire); ++serial) {
            ring.reset(serial);
            ring.write(written[serial % kTags].data(), kCapacity, 0.0, serial);
            published.store(serial, std::memory_order_release);
            while (serial % 2 == 0 && attempted.load(std::memory_order_acquire) != serial
                && !done.load(std::memory_order_acquire))
                std::this_thread::yield();
        }
        done.store(true, std::memory_order_release);
    });

    std::vector<float> out(std::size_t(kCapacity) * 2, std::numeric_limits<float>::quiet_NaN());
    int copies = 0;
    int torn = -1;      // the first frame copied that is not as written
    int wrongRun = 0;   // reads whose frames or time do not match their run
    while (!done.load(std::memory_order_acquire)) {
        const std::uint64_t serial = published.load(std::memory_order_acquire);
        if (serial == attempted.load(std::memory_order_relaxed)) {
            std::this_thread::yield();
            continue;
        }
        attempted.store(serial, std::memory_order_release);
        const AudioRing::Read r = ring.read(out.data(), kCapacity, serial);
        // Whatever was copied, kept or discarded after a reset, is one run
        // of this serial's frames as written.
        int copied = 0;
        for (; copied < kCapacity && !std::isnan(out[std::size_t(copied) * 2]); ++copied) {
            if (torn < 0 && (out[std::size_t(copied) * 2] != tagOf(serial)
                    || out[std::size_t(copied) * 2 + 1] != out[1] + static_cast<float>(copied)))
                torn = copied;
        }
        if (r.frames > 0)
            wrongRun += copied != r.frames || out[1] != static_cast<float>(std::lround(r.pts * 48000.0));
        copies += copied > 0;
        std::fill_n(out.begin(), std::size_t(copied) * 2, std::numeric_limits<float>::quiet_NaN());
        if (torn >= 0 || wrongRun > 0)
            done.store(true, std::memory_order_release);
    }
    decoder.join();
    EXPECT_EQ(torn, -1);
    EXPECT_EQ(wrongRun, 0);
    EXPECT_GT(copies, 0);
}

} // namespace
} // namespace tessarin::test
