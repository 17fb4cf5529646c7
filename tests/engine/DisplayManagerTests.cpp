#include "FakeDisplays.h"
#include "engine/DisplayManager.h"

#include <gtest/gtest.h>

using namespace tessarin;

namespace {

VideoMode mode(int w, int h, double rate, quint64 native = 0)
{
    return {w, h, rate, native};
}

QStringList labels(const std::vector<DisplayVideoMode>& modes)
{
    QStringList list;
    for (const auto& m : modes)
        list << m.label();
    return list;
}

class DisplayManagerTest : public ::testing::Test {
protected:
    test::FakeDisplays fake;
    DisplayManager manager{fake};
};

TEST_F(DisplayManagerTest, modesAreListedOnceEachLargestFirst)
{
    fake.modeLists[7] = {mode(1280, 720, 50.0, 1), mode(1920, 1080, 60.0, 2), mode(1280, 720, 60.0, 3),
                         mode(1920, 1080, 60.0, 4), mode(1280, 1024, 60.0, 5), mode(3840, 2160, 30.0, 6)};
    const auto modes = manager.availableModes(7);
    EXPECT_EQ(labels(modes), QStringList({"3840 × 2160 — 30 Hz", "1920 × 1080 — 60 Hz", "1280 × 1024 — 60 Hz",
                                          "1280 × 720 — 60 Hz", "1280 × 720 — 50 Hz"}));
    // Of two equal modes the first listed stays.
    EXPECT_EQ(modes[1].mode.nativeId, 2u);
    EXPECT_TRUE(manager.availableModes(8).empty());
}

TEST_F(DisplayManagerTest, modeIdsAndLabels)
{
    EXPECT_EQ(DisplayVideoMode{mode(1920, 1080, 60.0)}.id(), "1920x1080@60.0");
    EXPECT_EQ(DisplayVideoMode{mode(1920, 1080, 59.94)}.id(), "1920x1080@59.94");
    EXPECT_EQ(DisplayVideoMode{mode(1920, 1080, 59.94)}.label(), "1920 × 1080 — 60 Hz");
    const DisplayVideoMode noRate{mode(1280, 720, 0.0)};
    EXPECT_EQ(noRate.id(), "1280x720@0.0");
    EXPECT_EQ(noRate.label(), "1280 × 720 — predefinito");
    // Equal by id only: the platform's handle does not count.
    EXPECT_EQ(DisplayVideoMode{mode(1280, 720, 50.0, 1)}, DisplayVideoMode{mode(1280, 720, 50.0, 9)});
}

TEST_F(DisplayManagerTest, externalDisplaysLeaveOutTheMainScreen)
{
    fake.addScreen(1, "Built-in");
    EXPECT_EQ(manager.allDisplays().size(), 1u);
    fake.main = 1;
    EXPECT_TRUE(manager.externalDisplays().empty());

    fake.addScreen(2, "HDMI-1");
    const auto external = manager.externalDisplays();
    ASSERT_EQ(external.size(), 1u);
    EXPECT_EQ(external.front().id, 2u);
    EXPECT_EQ(external.front().name, "HDMI-1");

    fake.main.reset(); // no main screen: all of them
    EXPECT_EQ(manager.externalDisplays().size(), 2u);
}

} // namespace
