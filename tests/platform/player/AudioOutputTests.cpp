// The output device: a driver that opens nothing falls back to SDL's dummy
// driver, and every source is mixed until it is removed.
#include "platform/player/AudioOutput.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace tessarin::test {
namespace {

class Constant final : public AudioSource {
public:
    explicit Constant(float value) : value_(value) { }
    void render(float* mix, int frames, const AudioRenderContext&) override
    {
        for (int i = 0; i < frames * 2; ++i)
            mix[i] += value_;
    }

private:
    float value_;
};

TEST(AudioOutput, FallsBackToTheDummyDriverWhenTheChosenOneOpensNothing)
{
    SdlAudioOutput output(SdlAudioOutput::Options { QStringLiteral("no-such-driver"), 256 });
    ASSERT_TRUE(output.isOpen());
    EXPECT_EQ(output.driverName(), QStringLiteral("dummy"));
    auto source = std::make_shared<Constant>(0.1f);
    output.addSource(source);
    // The dummy driver paces its callback in real time.
    const auto start = output.framesRendered();
    ASSERT_TRUE(waitUntil([&] { return output.framesRendered() >= start + 4800; }));
    output.removeSource(source.get());
    EXPECT_EQ(source.use_count(), 1);
}

TEST(AudioOutput, MixesEverySourceUntilItIsRemoved)
{
    NullAudioOutput output;
    auto a = std::make_shared<Constant>(0.25f);
    auto b = std::make_shared<Constant>(0.125f);
    output.addSource(a);
    output.addSource(b);
    output.addSource(a); // once only
    std::vector<float> block(64 * 2);
    output.render(block.data(), 64);
    EXPECT_EQ(block.front(), 0.375f);
    EXPECT_EQ(block.back(), 0.375f);
    output.removeSource(a.get());
    output.render(block.data(), 64);
    EXPECT_EQ(block.front(), 0.125f);
    EXPECT_EQ(output.framesRendered(), 128u);
}

} // namespace
} // namespace tessarin::test
