// The schedule's texts: 24-hour clock times and day names in the interface
// language, read in the schedule's own calendar (clock changes included),
// and the hour : minute : second fields' arithmetic.
#include "ScheduleViewFixture.h"

#include "platform/Localization.h"
#include "support/TestSupport.h"
#include "ui/kit/TimeOfDayClockView.h"
#include "ui/schedule/ScheduleFormat.h"
#include "ui/schedule/ScheduleLocalTime.h"
#include "ui/schedule/ScheduleTimeFields.h"

using namespace tessarin;
using namespace tessarin::test;
using Start = ScheduleEvent::Start;
using Repeat = ScheduleEvent::Repeat;

namespace {

class ScheduleFormatTest : public ScheduleViewTest {
protected:
    void TearDown() override
    {
        Localization::apply(QStringLiteral("it"));
        ScheduleViewTest::TearDown();
    }
};

// 2024-03-31 in Rome: the clocks go from 02:00 to 03:00.
constexpr double kSpringNightOne = 1711843200.0;  // 01:00 that night
constexpr double kDayBeforeTwoThirty = 1711762200.0; // 30 March, 02:30

} // namespace

TEST(ScheduleFormat, DurationsAndClockTimes)
{
    EXPECT_EQ(ScheduleFormat::duration(0), "00:00:00");
    EXPECT_EQ(ScheduleFormat::duration(59.9), "00:00:59");
    EXPECT_EQ(ScheduleFormat::duration(3725), "01:02:05");
    EXPECT_EQ(ScheduleFormat::duration(360000), "100:00:00");
    EXPECT_EQ(ScheduleFormat::duration(86399.999), "23:59:59");
    EXPECT_EQ(ScheduleFormat::duration(-5), "00:00:00");
    EXPECT_EQ(ScheduleFormat::duration(std::nan("")), "00:00:00");
    EXPECT_EQ(ScheduleFormat::duration(INFINITY), "00:00:00");
    EXPECT_EQ(ScheduleFormat::duration(1e300), "00:00:00");

    const auto rome = *ScheduleCalendar::named("Europe/Rome");
    const double morning = 1715317509.0; // 2024-05-10 07:05:09 in Rome
    EXPECT_EQ(ScheduleFormat::time(morning, rome), "07:05:09");
    EXPECT_EQ(ScheduleFormat::time(morning + 12 * 3600 + 0.9, rome), "19:05:09");
    EXPECT_EQ(ScheduleFormat::time(NAN, rome), "");
}

// Whatever form TZ takes, the editor's local times, the schedule's texts and
// the top-bar clock read one zone, clock changes included.
TEST(ScheduleFormat, EveryFormOfTZGivesTheZoneTheClockShows)
{
    struct Entered {
        LocalDateTime local;
        double instant;
    };
    const Entered entered[] = {
        {{QDate(2024, 7, 1), 14, 0, 0}, 1719835200.0},  // 12:00 UTC
        {{QDate(2024, 1, 15), 14, 0, 0}, 1705323600.0}, // 13:00 UTC
        {{QDate(2024, 3, 31), 2, 30, 0}, kSpringNightOne + 3600}, // in the gap: its end, 03:00
        {{QDate(2024, 10, 27), 2, 30, 0}, 1729989000.0}, // twice: the first, 00:30 UTC
    };
    for (const char* form : {"Europe/Rome", ":Europe/Rome", "/usr/share/zoneinfo/Europe/Rome",
                             "CET-1CEST,M3.5.0,M10.5.0/3"}) {
        SCOPED_TRACE(form);
        const test::ScopedTimeZone tz(form);
        const ScheduleCalendar calendar = ScheduleCalendar::current();
        for (const Entered& time : entered)
            EXPECT_EQ(ScheduleLocalTime::fromLocal(time.local, calendar), time.instant) << time.local.date.toString().toStdString();
        EXPECT_EQ(ScheduleFormat::time(entered[0].instant, calendar), "14:00:00");
        EXPECT_EQ(TimeOfDayClockView::format(entered[0].instant), "14:00:00");
        EXPECT_EQ(TimeOfDayClockView::format(entered[2].instant), "03:00:00");
    }
}

TEST_F(ScheduleFormatTest, DayNamesFollowTheInterfaceLanguage)
{
    auto news = block("News", {file("news", 600)});
    const ScheduleEvent weekly = event(Start::fixed, news, kEightPM + 86400, Repeat::weekly); // Saturday
    const ScheduleEvent once = event(Start::fixed, news, kEightPM + 3600);
    schedule->setEvents({weekly, once});
    makeColumn();
    EXPECT_EQ(rowOf(weekly).caption, "ogni sabato");
    EXPECT_EQ(rowOf(once).caption, "ven 10 mag");
    EXPECT_EQ(ScheduleFormat::weekday(kEightPM, rome()), "venerdì");

    ASSERT_TRUE(Localization::apply(QStringLiteral("en")));
    column.reset();
    makeColumn();
    EXPECT_EQ(rowOf(weekly).caption, "every Saturday");
    EXPECT_EQ(rowOf(once).caption, "Fri, May 10");
    EXPECT_EQ(rowOf(once).time, "21:00:00") << "24-hour clock in English too";
    EXPECT_EQ(ScheduleRow::label(ScheduleRow::Status::missed), "Skipped");
}

TEST_F(ScheduleFormatTest, ADaylightSavingDayShowsThePlannedTimesTheCalendarGives)
{
    auto news = block("News", {file("news", 600)});
    // 02:30 every day: on the spring-forward night that time does not exist
    // and the start moves to the end of the gap, 03:00.
    const ScheduleEvent nightly = event(Start::fixed, news, kDayBeforeTwoThirty, Repeat::daily);
    const ScheduleEvent after = event(Start::follow, news);
    schedule->setEvents({nightly, after});
    clock.setWallNow(kSpringNightOne);
    makeColumn();
    EXPECT_EQ(rowOf(nightly).time, "03:00:00");
    EXPECT_EQ(rowOf(after).time, "≈ 03:10:00") << "ten minutes after the real start, not 02:40";
    EXPECT_EQ(*rowOf(nightly).content.plannedStart, 1711846800.0);

    // A new event proposed on that night starts at the next whole minute.
    clock.setWallNow(kSpringNightOne + 59 * 60 + 59.5); // 01:59:59.5
    EXPECT_EQ(column->nextMinute(), kSpringNightOne + 3600); // 03:00 summer time, one instant after 01:59:59
}

TEST(ScheduleTimeFields, DurationPartsChangeOnlyTheirOwnPart)
{
    EXPECT_EQ(DurationFields::shown(5400, 3600, 100), 1);
    EXPECT_EQ(DurationFields::shown(5400, 60, 60), 30);
    EXPECT_EQ(DurationFields::committed(5400, 60, 60, 45), 6300.0);
    EXPECT_EQ(DurationFields::committed(5400, 60, 60, 75), 5400.0 + 29 * 60) << "clamped to 59";
    EXPECT_EQ(DurationFields::committed(5400, 3600, 100, 250), 99 * 3600 + 1800.0);
    EXPECT_EQ(DurationFields::committed(5400, 1, 60, -3), 5400.0);
    EXPECT_EQ(DurationFields::shown(360000, 3600, 100), 0) << "100 hours show 00";
    EXPECT_EQ(DurationFields::committed(360000, 60, 60, 5), 360300.0) << "and keep their 100 hours";
    EXPECT_EQ(DurationFields::committed(90.7, 1, 60, 30), 90.0);
    EXPECT_EQ(DurationFields::committed(60, 60, 60, 0), 1.0) << "never below a second";

    const auto rome = *ScheduleCalendar::named("Europe/Rome");
    const double lateNight = 1715378399.5; // 2024-05-10 23:59:59.5 in Rome
    using C = TimeOfDayFields::Component;
    EXPECT_EQ(TimeOfDayFields::committed(lateNight, C::hour, 7, rome), 1715320799.0) << "07:59:59 the same day";
    EXPECT_EQ(TimeOfDayFields::committed(lateNight, C::hour, 24, rome), 1715378399.0);
    EXPECT_EQ(TimeOfDayFields::committed(lateNight, C::minute, 75, rome), 1715378399.0);
    EXPECT_EQ(TimeOfDayFields::committed(kDayBeforeTwoThirty + 86400 - 3600, C::hour, 2, rome), 1711846800.0)
        << "02:30 on the spring-forward night is 03:00";

    TwoDigitField field(QStringLiteral("Minuti"));
    field.setValue(5);
    EXPECT_EQ(field.text(), "05");
    int committed = -1;
    QObject::connect(&field, &TwoDigitField::committed, [&](std::int64_t v) { committed = int(v); });
    field.setText("x1");
    emit field.editingFinished();
    EXPECT_EQ(committed, -1) << "not a number: nothing changes";
    EXPECT_EQ(field.text(), "05");
    field.setText(" 42 ");
    emit field.editingFinished();
    EXPECT_EQ(committed, 42);
}
