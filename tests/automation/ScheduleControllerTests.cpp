#include "automation/ScheduleController.h"
#include "platform/Settings.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace tessarin;

namespace {

// 2024-05-10 10:00:00 in Rome (08:00 UTC).
constexpr double tenOClock = 1715328000.0;

ScheduleEvent makeEvent(ScheduleEvent::Start start, double date, ScheduleEvent::Repeat repeats = ScheduleEvent::Repeat::none)
{
    ScheduleEvent event;
    event.id = QUuid::createUuid();
    event.blockID = QUuid::createUuid();
    event.start = start;
    event.date = date;
    event.repeats = repeats;
    return event;
}

class ScheduleControllerTest : public ::testing::Test {
protected:
    std::unique_ptr<ScheduleController> make()
    {
        return std::make_unique<ScheduleController>(nullptr, settings, clock, [] { return *ScheduleCalendar::named("Europe/Rome"); });
    }

    QTemporaryDir dir;
    Settings settings{dir.filePath("settings.ini")};
    test::ManualClock clock{1000.0, tenOClock - 3600};
};

} // namespace

TEST_F(ScheduleControllerTest, TimingSettingsReadOnceAndWrittenOnEveryAssignment)
{
    auto fresh = make();
    EXPECT_EQ(fresh->prepSeconds(), 10);
    EXPECT_EQ(fresh->lateToleranceSeconds(), 10);
    EXPECT_FALSE(settings.contains("Vellumcast.schedule.prepSeconds"));
    fresh->setPrepSeconds(10);
    EXPECT_EQ(settings.intValue("Vellumcast.schedule.prepSeconds"), 10);

    settings.setString("Vellumcast.schedule.prepSeconds", "dieci");
    settings.setInt("Vellumcast.schedule.lateTolerance", 0);
    auto controller = make();
    EXPECT_EQ(controller->prepSeconds(), 10);
    EXPECT_EQ(controller->lateToleranceSeconds(), 0);
    controller->setLateToleranceSeconds(-5); // stored as given
    EXPECT_EQ(settings.intValue("Vellumcast.schedule.lateTolerance"), -5);
}

TEST_F(ScheduleControllerTest, TicksEveryTenthOfASecondFromTheInjectedClock)
{
    EXPECT_EQ(clock.activeTimers(), 0);
    auto controller = make();
    EXPECT_EQ(clock.activeTimers(), 1);
    clock.advance(3600); // an hour of ticks, at once
    controller.reset();
    EXPECT_EQ(clock.activeTimers(), 0);
}

TEST_F(ScheduleControllerTest, ArmingMarksOnlyThePastOfEnabledEvents)
{
    auto controller = make();
    const auto oneOff = makeEvent(ScheduleEvent::Start::fixed, tenOClock);
    const auto daily = makeEvent(ScheduleEvent::Start::fixed, tenOClock - 86400 * 3, ScheduleEvent::Repeat::daily);
    auto disabled = makeEvent(ScheduleEvent::Start::fixed, tenOClock - 60);
    disabled.isEnabled = false;
    const auto follow = makeEvent(ScheduleEvent::Start::follow, tenOClock - 60);
    controller->load({oneOff, daily, disabled, follow}, false);

    // Five seconds after the start: it is marked, so it will never fire.
    clock.setWallNow(tenOClock + 5);
    QSignalSpy armed(controller.get(), &ScheduleController::isArmedChanged);
    controller->setArmed(true);
    EXPECT_TRUE(controller->isArmed());
    EXPECT_EQ(controller->handled().at(oneOff.id), tenOClock);
    EXPECT_EQ(controller->handled().at(daily.id), tenOClock);
    EXPECT_EQ(controller->handled().count(disabled.id), 0u);
    EXPECT_EQ(controller->handled().count(follow.id), 0u);

    // Arming again changes nothing at all.
    clock.setWallNow(tenOClock + 86400);
    controller->setArmed(true);
    EXPECT_EQ(armed.count(), 1);
    EXPECT_EQ(controller->handled().at(daily.id), tenOClock);

    // Five seconds before the start, nothing is marked yet.
    controller->setArmed(false);
    clock.setWallNow(tenOClock - 5);
    controller->resetProgress();
    controller->setArmed(true);
    EXPECT_EQ(controller->handled().count(oneOff.id), 0u);
    EXPECT_EQ(controller->handled().at(daily.id), tenOClock - 86400);
}

TEST_F(ScheduleControllerTest, LoadDisarmsAndForgets)
{
    auto controller = make();
    controller->load({makeEvent(ScheduleEvent::Start::fixed, tenOClock - 60)}, true);
    clock.setWallNow(tenOClock);
    controller->setArmed(true);
    ASSERT_FALSE(controller->handled().empty());
    const auto next = makeEvent(ScheduleEvent::Start::manual, 0);
    controller->load({next}, false);
    EXPECT_FALSE(controller->isArmed());
    EXPECT_FALSE(controller->loops());
    EXPECT_TRUE(controller->handled().empty());
    EXPECT_TRUE(controller->started().empty());
    EXPECT_FALSE(controller->runningEventID());
    EXPECT_FALSE(controller->notice());
    ASSERT_EQ(controller->events().size(), 1u);
    EXPECT_EQ(controller->events().front(), next);
}

TEST_F(ScheduleControllerTest, UpdateLetsAChangedTimeRunAgainButNeverThePast)
{
    auto controller = make();
    auto event = makeEvent(ScheduleEvent::Start::fixed, tenOClock - 600, ScheduleEvent::Repeat::daily);
    controller->load({event}, false);
    clock.setWallNow(tenOClock);
    controller->setArmed(true);
    EXPECT_EQ(controller->handled().at(event.id), tenOClock - 600);

    // Moved to a later time today: nothing of it has passed yet (yesterday's is marked).
    event.date = tenOClock + 600 - 86400;
    controller->update(event);
    EXPECT_EQ(controller->events().front(), event);
    EXPECT_EQ(controller->handled().at(event.id), tenOClock + 600 - 86400);

    // An event that is not in the list changes nothing.
    const auto stranger = makeEvent(ScheduleEvent::Start::fixed, tenOClock);
    controller->update(stranger);
    EXPECT_EQ(controller->events().size(), 1u);

    // Disarmed, an update only forgets the marks.
    controller->setArmed(false);
    controller->update(event);
    EXPECT_TRUE(controller->handled().empty());
}

TEST_F(ScheduleControllerTest, RemoveAndMoveEditTheList)
{
    auto controller = make();
    const auto a = makeEvent(ScheduleEvent::Start::manual, 0);
    const auto b = makeEvent(ScheduleEvent::Start::follow, 0);
    const auto c = makeEvent(ScheduleEvent::Start::fixed, tenOClock - 60);
    controller->load({a, b, c}, false);
    auto ids = [&] {
        std::vector<QUuid> list;
        for (const auto& e : controller->events())
            list.push_back(e.id);
        return list;
    };

    controller->moveEvent(a, -1);
    controller->moveEvent(c, 1);
    controller->moveEvent(makeEvent(ScheduleEvent::Start::manual, 0), 1);
    EXPECT_EQ(ids(), (std::vector<QUuid>{a.id, b.id, c.id}));
    controller->moveEvent(a, 2); // a swap, not a shift
    EXPECT_EQ(ids(), (std::vector<QUuid>{c.id, b.id, a.id}));

    clock.setWallNow(tenOClock);
    controller->setArmed(true);
    ASSERT_EQ(controller->handled().count(c.id), 1u);
    QSignalSpy edited(controller.get(), &ScheduleController::eventsChanged);
    controller->remove(c);
    EXPECT_EQ(ids(), (std::vector<QUuid>{b.id, a.id}));
    EXPECT_EQ(controller->handled().count(c.id), 0u);
    EXPECT_EQ(edited.count(), 1);
    controller->add(c);
    EXPECT_EQ(ids(), (std::vector<QUuid>{b.id, a.id, c.id}));
}

TEST_F(ScheduleControllerTest, NextFixedPrefersTheEarliestThenTheHigherInTheList)
{
    auto controller = make();
    EXPECT_FALSE(controller->nextFixed(tenOClock));
    const auto later = makeEvent(ScheduleEvent::Start::fixed, tenOClock + 120);
    const auto first = makeEvent(ScheduleEvent::Start::fixed, tenOClock + 60);
    const auto twin = makeEvent(ScheduleEvent::Start::fixed, tenOClock + 60);
    auto disabled = makeEvent(ScheduleEvent::Start::fixed, tenOClock + 30);
    disabled.isEnabled = false;
    controller->load({later, disabled, first, twin}, false);
    const auto next = controller->nextFixed(tenOClock);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->event.id, first.id);
    EXPECT_EQ(next->date, tenOClock + 60);
    EXPECT_EQ(controller->nextFixed(tenOClock + 60)->event.id, later.id);
    EXPECT_FALSE(controller->nextFixed(tenOClock + 120));
}
