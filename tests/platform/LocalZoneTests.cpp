// The process's zone in every form TZ takes: a TZ that names no zone is
// said once, never taken silently for another zone.
#include "platform/LocalZone.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace tessarin;

TEST(LocalZoneTest, ATzThatNamesNoZoneIsReportedOnceAndReadAsTheCLibraryReadsIt)
{
    struct Row {
        const char* tz;
        bool known;
    };
    const Row rows[] = {
        {"Europe/Rome", true},
        {":Europe/Rome", true},
        {"/usr/share/zoneinfo/Europe/Rome", true},
        {"CET-1CEST,M3.5.0,M10.5.0/3", true},
        {"<+14>-14", true},
        {"EST5", true},
        {"", true},
        {"Mars/Olympus", false},
        {"XYZ", false},
        {"/no/such/zone", false},
        {":CET-1CEST", true},
        {":Mars", false},
    };
    const date::sys_seconds noon{std::chrono::seconds{1719835200}}; // 2024-07-01 12:00 UTC
    for (const Row& row : rows) {
        SCOPED_TRACE(row.tz);
        const test::ScopedTimeZone tz(row.tz);
        testing::internal::CaptureStderr();
        const LocalZone zone = LocalZone::process();
        EXPECT_EQ(LocalZone::process(), zone);
        const std::string said = testing::internal::GetCapturedStderr();
        if (row.known) {
            EXPECT_EQ(said, "");
        } else {
            EXPECT_NE(said.find(row.tz), std::string::npos) << said;
            EXPECT_EQ(said.find('\n'), said.size() - 1) << said; // once
            EXPECT_EQ(zone.toLocal(noon).time_since_epoch(), noon.time_since_epoch());
        }
    }
}
