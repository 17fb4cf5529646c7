// The fade level and the A/B mix reach other threads under a lock and the
// views through one announcement per real change.
#include "engine/Transition.h"

#include <gtest/gtest.h>

#include <limits>

namespace tessarin {
namespace {

TEST(Transition, SetClampsAndAnnouncesOnlyRealChanges)
{
    FadeLevel fade;
    PlayerMix mix;
    EXPECT_EQ(fade.level(), 1.0);
    EXPECT_EQ(fade.current(), 1.0);
    EXPECT_EQ(mix.b(), 0.0);
    EXPECT_EQ(mix.current(), 0.0);

    int announcements = 0;
    int levelChanges = 0;
    QObject::connect(&fade, &FadeLevel::changed, [&] { ++announcements; });
    QObject::connect(&fade, &FadeLevel::levelChanged, [&] { ++levelChanges; });
    const struct {
        double in;
        double stored;
    } cases[] = { { -0.3, 0.0 }, { 1.7, 1.0 }, { std::numeric_limits<double>::quiet_NaN(), 0.0 }, { 0.25, 0.25 } };
    for (const auto& c : cases) {
        fade.set(c.in);
        EXPECT_EQ(fade.current(), c.stored) << c.in;
        EXPECT_EQ(fade.level(), c.stored) << c.in;
    }
    // 1 -> 0, 0 -> 1, 1 -> 0 (NaN), 0 -> 0.25
    EXPECT_EQ(announcements, 4);
    fade.set(0.5);
    fade.set(0.5);
    EXPECT_EQ(announcements, 5);
    EXPECT_EQ(levelChanges, 5);
}

TEST(Transition, StylesReadOnlyTheirExactRawValues)
{
    EXPECT_EQ(transition::fromRawValue(QStringLiteral("fade")), TransitionStyle::fade);
    EXPECT_EQ(transition::fromRawValue(QStringLiteral("cut")), TransitionStyle::cut);
    EXPECT_FALSE(transition::fromRawValue(QStringLiteral("Fade")));
    EXPECT_FALSE(transition::fromRawValue(QString()));
    ASSERT_EQ(transition::allCases.size(), 2u);
    EXPECT_EQ(transition::allCases[0], TransitionStyle::cut);
    EXPECT_EQ(transition::rawValue(TransitionStyle::fade), QStringLiteral("fade"));
    EXPECT_EQ(transition::title(TransitionStyle::cut), QStringLiteral("Cut"));
}

} // namespace
} // namespace tessarin
