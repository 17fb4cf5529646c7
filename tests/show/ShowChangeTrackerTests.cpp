#include "show/ShowChangeTracker.h"

#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <limits>

using namespace tessarin;

namespace {

class ShowChangeTrackerTest : public ::testing::Test {
protected:
    test::ManualClock clock;
    QString show = QStringLiteral("{\"blocks\":[]}");
    ShowChangeTracker tracker {clock, [this] { return show; }};
    QSignalSpy flips {&tracker, &ShowChangeTracker::isDirtyChanged};

    void SetUp() override
    {
        tracker.markSaved();
        flips.clear();
    }
};

} // namespace

TEST_F(ShowChangeTrackerTest, SavingMakesTheCurrentShowTheCleanOne)
{
    show = QStringLiteral("{\"blocks\":[{}]}");
    EXPECT_TRUE(tracker.check());
    tracker.markSaved();
    EXPECT_FALSE(tracker.isDirty());
    EXPECT_EQ(tracker.savedSnapshot(), show);
    EXPECT_FALSE(tracker.check());
    clock.advance(3.0);
    EXPECT_FALSE(tracker.isDirty());
}

TEST_F(ShowChangeTrackerTest, AShowThatCannotBeWrittenIsNeverClean)
{
    show.clear(); // what snapshotOf gives for a document with a non-finite number
    EXPECT_TRUE(tracker.check());
    tracker.markSaved();
    EXPECT_TRUE(tracker.check()) << "quitting must still ask";
}

TEST_F(ShowChangeTrackerTest, TheWatcherStopsWithTheTracker)
{
    {
        ShowChangeTracker shortLived(clock, [] { return QString(); });
        EXPECT_EQ(clock.activeTimers(), 2);
    }
    EXPECT_EQ(clock.activeTimers(), 1);
    clock.advance(3.0); // must not touch the destroyed one
}

TEST(ShowChangeTrackerSnapshot, IsTheCompactSortedTextWithoutRelativePaths)
{
    ShowDocument doc;
    ShowDocument::Item item;
    item.path = QStringLiteral("/m/a.mov");
    doc.browser = {item};
    doc.schedule = std::vector<ShowDocument::ScheduleEntry> {};
    doc.scheduleLoops = false;
    EXPECT_EQ(ShowChangeTracker::snapshotOf(doc),
              QStringLiteral("{\"blocks\":[],\"browser\":[{\"path\":\"\\/m\\/a.mov\"}],\"layers\":[],\"schedule\":[],"
                             "\"scheduleLoops\":false,\"version\":1}"));
    doc.browser[0].gainDB = std::numeric_limits<double>::infinity();
    EXPECT_EQ(ShowChangeTracker::snapshotOf(doc), QString());
}
