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

// Streams values through a bucketer in uneven chunks, as the waveform
// analysis does, noting the most values it kept at any time.
PeakBucketer::Result stream(const std::vector<float>& values, std::int64_t t, std::int64_t exactCount = -1,
                            std::size_t* keptMax = nullptr, bool* refused = nullptr)
{
    PeakBucketer bucketer(t, exactCount);
    std::size_t at = 0, chunk = 1;
    while (at < values.size()) {
        const std::size_t take = std::min(chunk, values.size() - at);
        bucketer.add(values.data() + at, take);
        at += take;
        chunk = chunk * 3 % 4099 + 1;
        if (keptMax)
            *keptMax = std::max(*keptMax, bucketer.keptValues());
    }
    auto result = bucketer.finish();
    if (refused)
        *refused = !result;
    else
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

TEST(PeakBucketer, OnePassEqualsBucketingInMemoryForAnyLengthAndEnvelope)
{
    // Lengths on both sides of every regime: fewer values than buckets,
    // blocks of one value, and the block size doubling (at 4t, 8t, ...
    // values); envelopes that keep rising or falling for a long time make
    // the longest lists.
    const std::int64_t t = 240;
    const std::size_t lengths[] = {1, 100, 239, 240, 241, 479, 959, 960, 961, 1919, 1920, 1921, 3841, 7681, 96001, 200000};
    unsigned seed = 1;
    for (std::size_t n : lengths) {
        std::vector<std::vector<float>> signals;
        signals.push_back(noise(n, seed++));
        std::vector<float> rising(n), falling(n), silent(n, 0.0f);
        for (std::size_t i = 0; i < n; ++i) {
            const float envelope = static_cast<float>(i + 1) / static_cast<float>(n);
            const float carrier = std::sin(static_cast<float>(i) * 0.37f);
            rising[i] = envelope * carrier;
            falling[i] = (1.0f - envelope) * carrier;
        }
        signals.push_back(rising);
        signals.push_back(falling);
        signals.push_back(silent);
        for (const auto& values : signals) {
            const auto reference = PeakBucketer::bucket(values.data(), values.size(), t);
            const auto streamed = stream(values, t);
            EXPECT_EQ(streamed.waveform, reference.waveform) << "n " << n;
            EXPECT_EQ(streamed.peak, reference.peak) << "n " << n;
        }
    }
    for (std::int64_t small : {1, 7, 1000}) {
        const std::vector<float> values = noise(200000, seed++);
        EXPECT_EQ(stream(values, small).waveform, PeakBucketer::bucket(values.data(), values.size(), small).waveform)
            << "t " << small;
    }
    std::vector<float> withNaN = noise(50000, seed++);
    for (std::size_t i = 0; i < withNaN.size(); i += 97)
        withNaN[i] = std::nanf("");
    EXPECT_EQ(stream(withNaN, t).waveform, PeakBucketer::bucket(withNaN.data(), withNaN.size(), t).waveform);
}

TEST(PeakBucketer, MemoryFollowsTheTargetNotTheLength)
{
    // Ten times the sound keeps about as much: some tens of values per block.
    const std::int64_t t = 240;
    std::size_t shortKept = 0, longKept = 0;
    const std::vector<float> shortNoise = noise(400000, 11);
    const std::vector<float> longNoise = noise(4000000, 12);
    stream(shortNoise, t, -1, &shortKept);
    stream(longNoise, t, -1, &longKept);
    EXPECT_LT(longKept, 128 * static_cast<std::size_t>(t));
    EXPECT_LT(longKept, shortKept * 3 / 2);
}

TEST(PeakBucketer, AKnownCountBucketsAsTheValuesPassAndRefusesAnotherLength)
{
    const std::vector<float> values = noise(123457, 21);
    const auto reference = PeakBucketer::bucket(values.data(), values.size(), 240);
    std::size_t kept = 0;
    EXPECT_EQ(stream(values, 240, static_cast<std::int64_t>(values.size()), &kept).waveform, reference.waveform);
    EXPECT_EQ(kept, 0u);
    bool refused = false;
    stream(values, 240, static_cast<std::int64_t>(values.size()) - 1, nullptr, &refused);
    EXPECT_TRUE(refused);
}

TEST(PeakBucketer, PeaksAtBucketEdgesLandInTheRightBucket)
{
    // Single spikes just before and after every boundary: an off-by-one in
    // the blocks would move a spike into the neighbouring bucket.
    const std::size_t n = 96001;
    const std::int64_t t = 240;
    const std::int64_t s = static_cast<std::int64_t>(n) / t;
    std::vector<float> values(n, 0.01f);
    for (std::int64_t k = 1; k * s < static_cast<std::int64_t>(n); ++k) {
        values[static_cast<std::size_t>(k * s - 1)] = 0.5f + 0.001f * static_cast<float>(k % 100);
        values[static_cast<std::size_t>(k * s)] = -0.9f + 0.001f * static_cast<float>(k % 50);
    }
    const auto reference = PeakBucketer::bucket(values.data(), n, t);
    EXPECT_EQ(stream(values, t).waveform, reference.waveform);
}
