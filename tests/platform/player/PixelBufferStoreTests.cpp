// Picture memory: blocks given back are handed out again by their size
// within the store's limits, whichever thread makes or drops the frames, and
// a frame made zeroed is zeroed even in a block that was drawn on.
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

TEST(PixelBufferStore, KeepsTheMostRecentBlocksOfASizeWithinItsLimits)
{
    PixelBufferStore store({ 9000, 2 });
    std::uint8_t* a = store.take(3000);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a) % 64, 0u);
    std::uint8_t* b = store.take(3000);
    std::uint8_t* c = store.take(3000);
    std::uint8_t* other = store.take(4000);
    for (std::uint8_t* block : { a, b, c })
        store.give(block, 3000);
    // Two blocks of a size at most, the latest given first; none of another size.
    EXPECT_EQ(store.figures().idleBlocks, 2);
    EXPECT_EQ(store.take(3000), c);
    store.give(c, 3000);
    // 9000 idle bytes at most: the oldest block goes, and a block larger
    // than the whole room is not kept.
    store.give(other, 4000);
    store.give(store.take(20000), 20000);
    EXPECT_EQ(store.figures().idleBytes, 7000u);
    EXPECT_EQ(store.take(4000), other);
    EXPECT_EQ(store.take(3000), c);
    EXPECT_EQ(store.take(0), nullptr);
    store.give(other, 4000);
    store.give(c, 3000);
}

TEST(PixelBufferStore, FramesMadeAndDroppedOnManyThreadsReuseAFewBlocks)
{
    // Four threads each make 300 frames and hand each to the next thread to
    // be dropped there, as a decoder's frames are dropped by a renderer.
    constexpr int kThreads = 4;
    constexpr int kFrames = 300;
    const auto before = PixelBufferStore::shared().figures();
    std::atomic<int> made { 0 };
    std::vector<std::shared_ptr<VideoFrame>> inbox[kThreads];
    std::mutex inboxLock;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kFrames; ++i) {
                auto frame = VideoFrame::createForOverwrite(1000, 700);
                if (!frame)
                    continue;
                std::memset(frame->bits(), 0xFF, std::size_t(frame->bytesPerLine()) * 700);
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

    // Every block was drawn on; a frame made zeroed is zeroed all the same.
    auto zeroed = VideoFrame::create(1000, 700);
    ASSERT_TRUE(zeroed);
    EXPECT_GT(PixelBufferStore::shared().figures().reused, after.reused);
    const std::uint8_t* z = zeroed->constBits();
    EXPECT_TRUE(std::all_of(z, z + std::size_t(zeroed->bytesPerLine()) * 700, [](std::uint8_t b) { return b == 0; }));
}

} // namespace
} // namespace tessarin::test
