#include "media/PeakBucketer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace tessarin;

namespace {

std::vector<float> noise(std::size_t n, unsigned seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<float> sample(0.0f, 0.3f);
    std::vector<float> values(n);
    for (float& v : values)
        v = sample(random);
    return values;
}

// Streams values through a bucketer in uneven chunks, running the second
// pass when the first one asks for it, as the waveform analysis does.
PeakBucketer::Result stream(const std::vector<float>& values, std::int64_t t, std::int64_t estimate,
                            std::size_t keptLimit, bool* secondPass = nullptr, std::size_t* keptMax = nullptr)
{
    auto run = [&](PeakBucketer& bucketer) {
        std::size_t at = 0, chunk = 1;
        while (at < values.size()) {
            const std::size_t take = std::min(chunk, values.size() - at);
            bucketer.add(values.data() + at, take);
            at += take;
            chunk = chunk * 3 % 4099 + 1;
            if (keptMax)
                *keptMax = std::max(*keptMax, bucketer.keptValues());
        }
    };
    PeakBucketer first(t, estimate, false, keptLimit);
    run(first);
    if (auto result = first.finish()) {
        if (secondPass)
            *secondPass = false;
        return *result;
    }
    if (secondPass)
        *secondPass = true;
    PeakBucketer second(t, first.count(), true, keptLimit);
    run(second);
    auto result = second.finish();
    EXPECT_TRUE(result);
    return result.value_or(PeakBucketer::Result{});
}

} // namespace

TEST(PeakBucketer, BucketSizesFollowTheTotal)
{
    const std::vector<float> million(1000000, 0.25f);
    auto r = PeakBucketer::bucket(million.data(), million.size(), 240);
    EXPECT_EQ(r.waveform.size(), 241u); // buckets of 4166, the last of 160
    for (auto [n, expected] : {std::pair{1000, 250}, {479, 479}, {100, 100}, {0, 0}}) {
        const std::vector<float> values(static_cast<std::size_t>(n), -0.5f);
        r = PeakBucketer::bucket(values.data(), values.size(), 240);
        EXPECT_EQ(r.waveform.size(), static_cast<std::size_t>(expected)) << n;
    }
    const std::vector<float> silence(5000, 0.0f);
    r = PeakBucketer::bucket(silence.data(), silence.size(), 240);
    EXPECT_EQ(r.peak, 0.0f);
    std::vector<float> withNaN{0.1f, std::nanf(""), -0.3f, 0.2f};
    r = PeakBucketer::bucket(withNaN.data(), withNaN.size(), 1);
    EXPECT_EQ(r.waveform, std::vector<float>{0.3f});
}

TEST(PeakBucketer, StreamingEqualsBucketingInMemoryForAnyEstimate)
{
    struct Case {
        std::size_t n;
        std::int64_t t;
        std::int64_t estimate; // relative to n below when not -1
        bool relative;
        std::size_t keptLimit;
        bool expectSecondPass;
    };
    const std::size_t big = 200000;
    const Case cases[] = {
        {big, 240, 0, true, 4096, false},        // estimate exact: windows only
        {big, 240, -37, true, 65536, false},     // estimate a little low
        {big, 240, 41, true, 65536, false},      // a little high
        {big, 240, -50000, true, 4096, true},    // far off: second pass
        {big, 240, 90000, true, 4096, true},
        {big, 240, -1, false, 4096, true},       // unknown and long: second pass
        {big, 240, -1, false, 1 << 20, false},   // unknown but fits: kept whole
        {big, 7, 3, true, 4096, false},
        {big, 1000, -5, true, 1 << 20, false},
        {479, 240, 0, true, 4096, false},        // fewer values than twice the target
        {100, 240, -1, false, 64, true},
        {1, 240, 0, true, 4096, false},
    };
    unsigned seed = 1;
    for (const Case& c : cases) {
        const std::vector<float> values = noise(c.n, seed++);
        const std::int64_t estimate = c.relative ? static_cast<std::int64_t>(c.n) + c.estimate : c.estimate;
        bool secondPass = false;
        std::size_t keptMax = 0;
        const auto streamed = stream(values, c.t, estimate, c.keptLimit, &secondPass, &keptMax);
        const auto reference = PeakBucketer::bucket(values.data(), values.size(), c.t);
        EXPECT_EQ(streamed.waveform, reference.waveform) << "n " << c.n << " t " << c.t << " estimate " << estimate;
        EXPECT_EQ(streamed.peak, reference.peak);
        EXPECT_EQ(secondPass, c.expectSecondPass) << "n " << c.n << " estimate " << estimate;
        EXPECT_LE(keptMax, c.keptLimit);
    }
}

TEST(PeakBucketer, PeaksAtBucketEdgesLandInTheRightBucket)
{
    // Single spikes just before and after every boundary: an off-by-one in
    // the windows would move a spike into the neighbouring bucket.
    const std::size_t n = 96001;
    const std::int64_t t = 240;
    const std::int64_t s = static_cast<std::int64_t>(n) / t;
    std::vector<float> values(n, 0.01f);
    for (std::int64_t k = 1; k * s < static_cast<std::int64_t>(n); ++k) {
        values[static_cast<std::size_t>(k * s - 1)] = 0.5f + 0.001f * static_cast<float>(k % 100);
        values[static_cast<std::size_t>(k * s)] = -0.9f + 0.001f * static_cast<float>(k % 50);
    }
    const auto reference = PeakBucketer::bucket(values.data(), n, t);
    for (std::int64_t off : {-300, -1, 0, 1, 299}) {
        const auto streamed = stream(values, t, static_cast<std::int64_t>(n) + off, 8192);
        EXPECT_EQ(streamed.waveform, reference.waveform) << off;
    }
}
