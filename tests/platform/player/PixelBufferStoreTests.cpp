// Picture memory: blocks given back are handed out again by size, within the
// store's limits, and frames released on other threads, after their pool has
// gone, still come back for the next pool of their size.
#include "platform/player/PixelBufferStore.h"
#include "platform/player/VideoFrame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tessarin::test {
namespace {

TEST(PixelBufferStore, HandsBackABlockOfTheSameSizeOnlyAndKeepsWithinItsLimits)
{
    PixelBufferStore store({ 9000, 2 });
    std::uint8_t* a = store.take(3000);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a) % 64, 0u);
    EXPECT_TRUE(std::all_of(a, a + 3000, [](std::uint8_t b) { return b == 0; })); // new: zeroed
    std::memset(a, 0xAB, 3000);
    store.give(a, 3000);

    std::uint8_t* other = store.take(4000); // another size: a new block
    EXPECT_NE(other, a);
    EXPECT_EQ(store.take(3000), a); // the same size: the block given back, contents kept
    EXPECT_EQ(a[2999], 0xAB);
    EXPECT_EQ(store.figures().mapped, 2u);
    EXPECT_EQ(store.figures().reused, 1u);

    // At most two idle blocks of one size: the oldest goes.
    std::uint8_t* b = store.take(3000);
    std::uint8_t* c = store.take(3000);
    store.give(a, 3000);
    store.give(b, 3000);
    store.give(c, 3000);
    EXPECT_EQ(store.figures().idleBlocks, 2);
    EXPECT_EQ(store.take(3000), c);
    EXPECT_EQ(store.take(3000), b);

    // At most 9000 idle bytes: the oldest blocks of any size go first.
    store.give(b, 3000);
    store.give(c, 3000);
    store.give(other, 4000);
    EXPECT_EQ(store.figures().idleBytes, 7000u);
    EXPECT_EQ(store.figures().idleBlocks, 2);
    EXPECT_EQ(store.take(4000), other);
    EXPECT_EQ(store.take(3000), c);
    store.give(other, 4000);
    store.give(c, 3000);
    // A block larger than all the idle room goes back to the system at once.
    store.give(store.take(20000), 20000);
    EXPECT_EQ(store.figures().idleBytes, 7000u);
    EXPECT_EQ(store.take(0), nullptr);
}

TEST(PixelBufferStore, FramesReleasedOnOtherThreadsAfterTheirPoolWentServeTheNextPoolOfTheirSize)
{
    std::vector<std::shared_ptr<VideoFrame>> frames;
    std::vector<const std::uint8_t*> pixels;
    {
        VideoFramePool pool(1);
        for (int i = 0; i < 3; ++i) {
            frames.push_back(pool.acquire(1234, 567));
            ASSERT_TRUE(frames.back());
            pixels.push_back(frames.back()->constBits());
        }
    } // the pool goes while its frames are still shown
    std::thread([moved = std::move(frames)]() mutable { moved.clear(); }).join();

    auto next = std::make_unique<VideoFramePool>(1);
    std::vector<std::shared_ptr<VideoFrame>> again;
    for (int i = 0; i < 3; ++i) {
        again.push_back(next->acquire(1234, 567));
        ASSERT_TRUE(again.back());
        EXPECT_NE(std::find(pixels.begin(), pixels.end(), again.back()->constBits()), pixels.end()) << i;
    }

    // A frame made to be zeroed is, even in a block that was drawn on.
    std::memset(again.front()->bits(), 0xFF, size_t(again.front()->bytesPerLine()) * 567);
    const std::uint8_t* drawn = again.front()->constBits();
    next.reset();
    again.resize(1);
    again.clear(); // the drawn block is the last one given back
    auto zeroed = VideoFrame::create(1234, 567);
    ASSERT_TRUE(zeroed);
    EXPECT_EQ(zeroed->constBits(), drawn);
    const std::uint8_t* z = zeroed->constBits();
    EXPECT_TRUE(std::all_of(z, z + size_t(zeroed->bytesPerLine()) * 567, [](std::uint8_t b) { return b == 0; }));
}

TEST(PixelBufferStore, ThreadsMakingAndDroppingFramesAtTheirRateReuseAFewBlocks)
{
    // Four threads each make 300 frames, hand each to the next thread to be
    // dropped there, as a decoder's frames are dropped by a renderer.
    constexpr int kThreads = 4;
    constexpr int kFrames = 300;
    const auto before = PixelBufferStore::shared().figures();
    VideoFramePool pool(2);
    std::atomic<int> made { 0 };
    std::vector<std::shared_ptr<VideoFrame>> inbox[kThreads];
    std::mutex inboxLock;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kFrames; ++i) {
                auto frame = pool.acquire(1000, 700);
                if (!frame)
                    continue;
                frame->bits()[0] = std::uint8_t(i);
                made.fetch_add(1);
                std::vector<std::shared_ptr<VideoFrame>> mine;
                {
                    std::lock_guard lock(inboxLock);
                    auto& next = inbox[(t + 1) % kThreads];
                    if (next.size() < 2) // a thread that has finished takes no more
                        next.push_back(std::move(frame));
                    mine.swap(inbox[t]);
                }
                mine.clear(); // frames another thread made, released here
                frame.reset();
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (auto& box : inbox)
        box.clear();
    EXPECT_EQ(made.load(), kThreads * kFrames);
    const auto after = PixelBufferStore::shared().figures();
    // Blocks mapped: about as many as frames alive at once (at most 12 in
    // the inboxes and 4 in hand), not one a frame.
    EXPECT_LE(after.mapped - before.mapped, 40u);
}

} // namespace
} // namespace tessarin::test
