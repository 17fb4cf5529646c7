#include "streaming/StreamFormat.h"

#include <gtest/gtest.h>

using namespace tessarin;
using F = StreamFormat;

TEST(StreamFormatTest, RenderIntervalsAndKeyframesFollowTheExactRates)
{
    const std::uint64_t progressive[] = { 41708333, 41666667, 40000000, 33366667, 33333333, 20000000, 16683333, 16666667 };
    const std::uint64_t interlaced[] = { 20854167, 20833333, 20000000, 16683333, 16666667, 10000000, 8341667, 8333333 };
    const int keyframes[] = { 48, 48, 50, 60, 60, 100, 120, 120 };
    for (size_t i = 0; i < F::allRates.size(); ++i) {
        const F p { F::Resolution::hd720, F::Scan::progressive, F::allRates[i] };
        const F n { F::Resolution::hd1080, F::Scan::interlaced, F::allRates[i] };
        EXPECT_EQ(p.renderIntervalNanoseconds(), progressive[i]) << i;
        EXPECT_EQ(n.renderIntervalNanoseconds(), interlaced[i]) << i;
        EXPECT_EQ(p.keyframeInterval(), keyframes[i]);
        EXPECT_EQ(n.keyframeInterval(), keyframes[i]);
    }
    EXPECT_EQ(F::ffmpegValue(F::Rate::r29_97), "30000/1001");
    EXPECT_EQ(F::ffmpegValue(F::Rate::r23_976), "24000/1001");
    EXPECT_EQ(F::ffmpegValue(F::Rate::r50), "50");
}

TEST(StreamFormatTest, NormalizationKeepsInterlacedAt1080AndItsThreeRates)
{
    EXPECT_EQ((F { F::Resolution::hd720, F::Scan::interlaced, F::Rate::r60 }).normalized(),
              (F { F::Resolution::hd1080, F::Scan::interlaced, F::Rate::r25 }));
    EXPECT_EQ((F { F::Resolution::hd720, F::Scan::interlaced, F::Rate::r29_97 }).normalized(),
              (F { F::Resolution::hd1080, F::Scan::interlaced, F::Rate::r29_97 }));
    const F progressive { F::Resolution::hd720, F::Scan::progressive, F::Rate::r50 };
    EXPECT_EQ(progressive.normalized(), progressive);
    EXPECT_EQ(F::available(F::Scan::interlaced), (std::vector<F::Rate> { F::Rate::r25, F::Rate::r29_97, F::Rate::r30 }));
    EXPECT_EQ(F::available(F::Scan::progressive).size(), 8u);
}

TEST(StreamFormatTest, SummariesAndLabels)
{
    EXPECT_EQ((F { F::Resolution::hd720, F::Scan::progressive, F::Rate::r29_97 }).summary(), "720p29,97");
    EXPECT_EQ((F { F::Resolution::hd720, F::Scan::progressive, F::Rate::r30 }).summary(), "720p30");
    EXPECT_EQ((F { F::Resolution::hd1080, F::Scan::progressive, F::Rate::r23_976 }).summary(), "1080p23,976");
    EXPECT_EQ((F { F::Resolution::hd1080, F::Scan::interlaced, F::Rate::r25 }).summary(), "1080i50");
    EXPECT_EQ((F { F::Resolution::hd1080, F::Scan::interlaced, F::Rate::r29_97 }).summary(), "1080i59,94");
    EXPECT_EQ((F { F::Resolution::hd1080, F::Scan::interlaced, F::Rate::r30 }).summary(), "1080i60");
    EXPECT_EQ(F::label(F::Rate::r29_97, F::Scan::interlaced), "59,94i (29,97 fps)");
    EXPECT_EQ(F::label(F::Rate::r29_97, F::Scan::progressive), "29,97 fps");
    EXPECT_EQ(F::label(F::Rate::r50, F::Scan::interlaced), "50 fps");
    EXPECT_EQ(F::label(F::Scan::interlaced), "Interlacciato");
}

TEST(StreamFormatTest, RawValuesParseExactly)
{
    for (F::Rate rate : F::allRates)
        EXPECT_EQ(F::rateFromRaw(F::rawValue(rate)), rate);
    EXPECT_EQ(F::rateFromRaw("R29_97"), std::nullopt);
    EXPECT_EQ(F::rateFromRaw("r29.97"), std::nullopt);
    EXPECT_EQ(F::resolutionFromRaw("hd1080"), F::Resolution::hd1080);
    EXPECT_EQ(F::scanFromRaw("Interlaced"), std::nullopt);
}
