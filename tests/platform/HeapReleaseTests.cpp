// The heap trim after teardowns: requests that come while one trim waits to
// run are folded into it, and one made while a trim runs gets its own, so
// memory freed during a trim is still given back.
#include "platform/HeapRelease.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace tessarin;

TEST(HeapRelease, FoldsRequestsWhileOneWaitsAndKeepsThoseMadeDuringATrim)
{
    std::vector<std::function<void()>> scheduled;
    int trims = 0;
    HeapRelease* self = nullptr;
    bool requestDuringTrim = false;
    HeapRelease release(
        [&] {
            ++trims;
            if (requestDuringTrim)
                self->request();
        },
        [&](std::function<void()> task) { scheduled.push_back(std::move(task)); });
    self = &release;

    for (int i = 0; i < 5; ++i)
        release.request();
    ASSERT_EQ(scheduled.size(), 1u);
    scheduled[0]();
    EXPECT_EQ(trims, 1);

    // Ran, so the next request schedules again; one made inside the trim too.
    release.request();
    ASSERT_EQ(scheduled.size(), 2u);
    requestDuringTrim = true;
    scheduled[1]();
    EXPECT_EQ(trims, 2);
    ASSERT_EQ(scheduled.size(), 3u);
    requestDuringTrim = false;
    release.request(); // folded into the one scheduled during the trim
    EXPECT_EQ(scheduled.size(), 3u);
    scheduled[2]();
    EXPECT_EQ(trims, 3);
}
