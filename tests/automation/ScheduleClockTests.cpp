#include "automation/ScheduleModels.h"

#include <gtest/gtest.h>

#include <date/date.h>

#include <QCoreApplication>

#include <chrono>

using namespace tessarin;

namespace {

// An instant given in UTC, so expectations do not go through the code under test.
double utc(int y, unsigned m, unsigned d, int h, int min, int s = 0)
{
    using namespace std::chrono;
    const auto day = date::sys_days{date::year{y} / date::month{m} / date::day{d}};
    return static_cast<double>((day + hours{h} + minutes{min} + seconds{s}).time_since_epoch().count());
}

ScheduleEvent fixedEvent(double date, ScheduleEvent::Repeat repeats)
{
    ScheduleEvent event;
    event.id = QUuid::createUuid();
    event.blockID = QUuid::createUuid();
    event.start = ScheduleEvent::Start::fixed;
    event.date = date;
    event.repeats = repeats;
    return event;
}

ScheduleCalendar zone(const char* name)
{
    const auto calendar = ScheduleCalendar::named(name);
    EXPECT_TRUE(calendar) << name;
    return calendar.value_or(ScheduleCalendar::current());
}

using Repeat = ScheduleEvent::Repeat;

} // namespace

TEST(ScheduleEventTest, EqualityIsMemberwiseWithMediaByIdentity)
{
    ScheduleEvent a = fixedEvent(utc(2024, 3, 1, 9, 0), Repeat::daily);
    ScheduleEvent b = a;
    EXPECT_EQ(a, b);
    b.id = QUuid::createUuid();
    EXPECT_NE(a, b);
    b = a;
    b.duration = 60.0;
    EXPECT_NE(a, b);
    b = a;
    b.blockID.reset();
    EXPECT_NE(a, b);
}

TEST(ScheduleClockTest, OnlyFixedEventsHaveOccurrences)
{
    const auto rome = zone("Europe/Rome");
    for (const auto start : {ScheduleEvent::Start::follow, ScheduleEvent::Start::manual}) {
        ScheduleEvent event = fixedEvent(utc(2024, 3, 1, 9, 0), Repeat::daily);
        event.start = start;
        EXPECT_FALSE(ScheduleClock::nextOccurrence(event, utc(2024, 2, 1, 0, 0), rome));
        EXPECT_FALSE(ScheduleClock::latestOccurrence(event, utc(2024, 4, 1, 0, 0), rome));
    }
}

TEST(ScheduleClockTest, OneOffEvent)
{
    const auto rome = zone("Europe/Rome");
    const double at = utc(2024, 5, 10, 8, 0); // 10:00 in Rome
    const ScheduleEvent event = fixedEvent(at, Repeat::none);
    EXPECT_EQ(ScheduleClock::nextOccurrence(event, at - 60, rome), at);
    EXPECT_FALSE(ScheduleClock::latestOccurrence(event, at - 60, rome));
    EXPECT_FALSE(ScheduleClock::nextOccurrence(event, at, rome));
    EXPECT_EQ(ScheduleClock::latestOccurrence(event, at, rome), at);
    EXPECT_EQ(ScheduleClock::latestOccurrence(event, at + 86400 * 30, rome), at);
}

TEST(ScheduleClockTest, DailyEventAroundItsFirstDate)
{
    const auto rome = zone("Europe/Rome");
    const ScheduleEvent event = fixedEvent(utc(2024, 3, 1, 9, 0), Repeat::daily); // 10:00 CET
    EXPECT_EQ(ScheduleClock::nextOccurrence(event, utc(2024, 2, 28, 12, 0), rome), utc(2024, 3, 1, 9, 0));
    EXPECT_FALSE(ScheduleClock::latestOccurrence(event, utc(2024, 2, 28, 12, 0), rome));
    EXPECT_EQ(ScheduleClock::latestOccurrence(event, utc(2024, 3, 5, 9, 0), rome), utc(2024, 3, 5, 9, 0));
    EXPECT_EQ(ScheduleClock::nextOccurrence(event, utc(2024, 3, 5, 9, 0), rome), utc(2024, 3, 6, 9, 0));
    EXPECT_EQ(ScheduleClock::latestOccurrence(event, utc(2024, 3, 5, 8, 0), rome), utc(2024, 3, 4, 9, 0));
    EXPECT_EQ(ScheduleClock::nextOccurrence(event, utc(2024, 3, 5, 8, 0), rome), utc(2024, 3, 5, 9, 0));
}

TEST(ScheduleClockTest, FractionOfASecondStaysOnTheFirstStartOnly)
{
    const auto rome = zone("Europe/Rome");
    const double first = utc(2024, 3, 1, 9, 0) + 0.25;
    const ScheduleEvent event = fixedEvent(first, Repeat::daily);
    EXPECT_EQ(ScheduleClock::latestOccurrence(event, first + 0.5, rome), first);
    EXPECT_EQ(ScheduleClock::nextOccurrence(event, first, rome), utc(2024, 3, 2, 9, 0));
}

TEST(ScheduleClockTest, WeeklyEventKeepsItsWeekday)
{
    const auto rome = zone("Europe/Rome");
    // Monday 2024-05-06 20:00 CEST.
    const ScheduleEvent event = fixedEvent(utc(2024, 5, 6, 18, 0), Repeat::weekly);
    EXPECT_EQ(ScheduleClock::nextOccurrence(event, utc(2024, 5, 13, 18, 0, 1), rome), utc(2024, 5, 20, 18, 0));
    EXPECT_EQ(ScheduleClock::nextOccurrence(event, utc(2024, 5, 9, 7, 0), rome), utc(2024, 5, 13, 18, 0));
    EXPECT_EQ(ScheduleClock::latestOccurrence(event, utc(2024, 5, 19, 12, 0), rome), utc(2024, 5, 13, 18, 0));
    EXPECT_EQ(ScheduleClock::latestOccurrence(event, utc(2024, 5, 13, 17, 59), rome), utc(2024, 5, 6, 18, 0));
}

// Rome, 2024-03-31: at 02:00 CET the clocks jump to 03:00 CEST (01:00 UTC).
TEST(ScheduleClockTest, RomeSpringForwardResolvesToTheEndOfTheGap)
{
    const auto rome = zone("Europe/Rome");
    const ScheduleEvent daily = fixedEvent(utc(2024, 3, 25, 1, 30), Repeat::daily); // 02:30 CET
    const double gapEnd = utc(2024, 3, 31, 1, 0);

    EXPECT_EQ(ScheduleClock::nextOccurrence(daily, utc(2024, 3, 30, 12, 0), rome), gapEnd);
    // Asked at the 02:30 before the gap day: the step lands in the gap (03:00, not 03:30).
    EXPECT_EQ(ScheduleClock::nextOccurrence(daily, utc(2024, 3, 30, 1, 30), rome), gapEnd);
    // Asked at the moved occurrence: the next day keeps 02:30 (not 03:00).
    EXPECT_EQ(ScheduleClock::nextOccurrence(daily, gapEnd, rome), utc(2024, 4, 1, 0, 30));
    EXPECT_EQ(ScheduleClock::latestOccurrence(daily, utc(2024, 3, 31, 10, 0), rome), gapEnd);
    EXPECT_EQ(ScheduleClock::latestOccurrence(daily, utc(2024, 4, 1, 0, 0), rome), gapEnd);
    EXPECT_EQ(ScheduleClock::latestOccurrence(daily, gapEnd - 1, rome), utc(2024, 3, 30, 1, 30));

    const ScheduleEvent sundays = fixedEvent(utc(2024, 3, 24, 1, 30), Repeat::weekly); // Sunday 02:30 CET
    EXPECT_EQ(ScheduleClock::nextOccurrence(sundays, utc(2024, 3, 24, 1, 30), rome), gapEnd);
    EXPECT_EQ(ScheduleClock::nextOccurrence(sundays, gapEnd, rome), utc(2024, 4, 7, 0, 30));
    EXPECT_EQ(ScheduleClock::latestOccurrence(sundays, utc(2024, 4, 6, 12, 0), rome), gapEnd);
}

// Rome, 2024-10-27: 03:00 CEST becomes 02:00 CET again; 02:30 happens twice.
TEST(ScheduleClockTest, RomeRepeatedHourTakesTheEarlierInstant)
{
    const auto rome = zone("Europe/Rome");
    const ScheduleEvent daily = fixedEvent(utc(2024, 10, 20, 0, 30), Repeat::daily); // 02:30 CEST
    const double first = utc(2024, 10, 27, 0, 30);
    EXPECT_EQ(ScheduleClock::nextOccurrence(daily, utc(2024, 10, 26, 12, 0), rome), first);
    EXPECT_EQ(ScheduleClock::nextOccurrence(daily, first, rome), utc(2024, 10, 28, 1, 30));
    EXPECT_EQ(ScheduleClock::latestOccurrence(daily, utc(2024, 10, 27, 1, 45), rome), first);
    EXPECT_EQ(ScheduleClock::latestOccurrence(daily, utc(2024, 10, 28, 1, 29), rome), first);

    const ScheduleEvent sundays = fixedEvent(utc(2024, 10, 20, 0, 30), Repeat::weekly);
    EXPECT_EQ(ScheduleClock::nextOccurrence(sundays, utc(2024, 10, 20, 0, 30), rome), first);
    EXPECT_EQ(ScheduleClock::latestOccurrence(sundays, utc(2024, 11, 2, 0, 0), rome), first);
}

// Lord Howe moves its clocks by half an hour: 02:00 to 02:30 on 2024-10-06,
// 02:00 back to 01:30 on 2024-04-07.
TEST(ScheduleClockTest, LordHoweHalfHourChanges)
{
    const auto lordHowe = zone("Australia/Lord_Howe");
    const ScheduleEvent inGap = fixedEvent(utc(2024, 9, 30, 15, 45), Repeat::daily); // 02:15 +10:30
    EXPECT_EQ(ScheduleClock::nextOccurrence(inGap, utc(2024, 10, 5, 12, 0), lordHowe), utc(2024, 10, 5, 15, 30));
    EXPECT_EQ(ScheduleClock::nextOccurrence(inGap, utc(2024, 10, 5, 15, 30), lordHowe), utc(2024, 10, 6, 15, 15));
    EXPECT_EQ(ScheduleClock::latestOccurrence(inGap, utc(2024, 10, 6, 15, 0), lordHowe), utc(2024, 10, 5, 15, 30));

    const ScheduleEvent repeated = fixedEvent(utc(2024, 3, 30, 14, 45), Repeat::daily); // 01:45 +11
    EXPECT_EQ(ScheduleClock::nextOccurrence(repeated, utc(2024, 4, 6, 12, 0), lordHowe), utc(2024, 4, 6, 14, 45));
    EXPECT_EQ(ScheduleClock::latestOccurrence(repeated, utc(2024, 4, 6, 15, 20), lordHowe), utc(2024, 4, 6, 14, 45));
    EXPECT_EQ(ScheduleClock::nextOccurrence(repeated, utc(2024, 4, 6, 14, 45), lordHowe), utc(2024, 4, 7, 15, 15));
}

// Havana changes at midnight: 2024-03-10 begins at 01:00, and on 2024-11-03
// the hour after midnight is lived twice.
TEST(ScheduleClockTest, HavanaMidnightChanges)
{
    const auto havana = zone("America/Havana");
    const ScheduleEvent daily = fixedEvent(utc(2024, 3, 1, 5, 30), Repeat::daily); // 00:30 CST
    EXPECT_EQ(ScheduleClock::nextOccurrence(daily, utc(2024, 3, 9, 5, 30), havana), utc(2024, 3, 10, 5, 0));
    EXPECT_EQ(ScheduleClock::nextOccurrence(daily, utc(2024, 3, 10, 5, 0), havana), utc(2024, 3, 11, 4, 30));
    EXPECT_EQ(ScheduleClock::latestOccurrence(daily, utc(2024, 3, 11, 4, 0), havana), utc(2024, 3, 10, 5, 0));
    EXPECT_EQ(ScheduleClock::nextOccurrence(daily, utc(2024, 11, 2, 12, 0), havana), utc(2024, 11, 3, 4, 30));
    EXPECT_EQ(ScheduleClock::nextOccurrence(daily, utc(2024, 11, 3, 4, 30), havana), utc(2024, 11, 4, 5, 30));

    const ScheduleEvent sundays = fixedEvent(utc(2024, 3, 3, 5, 30), Repeat::weekly); // Sunday 00:30 CST
    EXPECT_EQ(ScheduleClock::nextOccurrence(sundays, utc(2024, 3, 3, 5, 30), havana), utc(2024, 3, 10, 5, 0));
    EXPECT_EQ(ScheduleClock::latestOccurrence(sundays, utc(2024, 3, 16, 12, 0), havana), utc(2024, 3, 10, 5, 0));
    EXPECT_EQ(ScheduleClock::nextOccurrence(sundays, utc(2024, 10, 30, 12, 0), havana), utc(2024, 11, 3, 4, 30));
}

TEST(ScheduleClockTest, UnusableInstantsGiveNoOccurrence)
{
    const auto rome = zone("Europe/Rome");
    const ScheduleEvent daily = fixedEvent(utc(2024, 3, 1, 9, 0), Repeat::daily);
    EXPECT_FALSE(ScheduleClock::nextOccurrence(daily, std::nan(""), rome));
    EXPECT_FALSE(ScheduleClock::latestOccurrence(daily, 1e300, rome));
    ScheduleEvent broken = daily;
    broken.date = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(ScheduleClock::nextOccurrence(broken, utc(2024, 3, 1, 9, 0), rome));
}
