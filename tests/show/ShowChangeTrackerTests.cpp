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
    ShowDocument show;
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
    show.blocks.push_back({});
    EXPECT_TRUE(tracker.check());
    tracker.markSaved();
    EXPECT_FALSE(tracker.isDirty());
    EXPECT_EQ(tracker.savedDocument(), show);
    EXPECT_EQ(tracker.savedSnapshot(), ShowChangeTracker::snapshotOf(show));
    EXPECT_FALSE(tracker.check());
    clock.advance(3.0);
    EXPECT_FALSE(tracker.isDirty());

    // Any value anywhere in the show counts, and so does going back to the
    // saved value.
    ShowDocument::Item item;
    item.path = QStringLiteral("/m/a.mov");
    item.gainDB = -3.0;
    show.blocks[0].items.push_back(item);
    EXPECT_TRUE(tracker.check());
    tracker.markSaved();
    show.blocks[0].items[0].gainDB = -2.5;
    clock.advance(1.5);
    EXPECT_TRUE(tracker.isDirty()) << "the watcher found the edit";
    show.blocks[0].items[0].gainDB = -3.0;
    clock.advance(1.5);
    EXPECT_FALSE(tracker.isDirty());
    EXPECT_EQ(flips.count(), 6) << "dirty and saved twice, then dirty and clean again";
}

TEST_F(ShowChangeTrackerTest, AShowThatCannotBeWrittenIsNeverClean)
{
    ShowDocument::Item item;
    item.gainDB = -std::numeric_limits<double>::infinity();
    show.browser.push_back(item);
    EXPECT_TRUE(tracker.check());
    tracker.markSaved();
    EXPECT_TRUE(tracker.check()) << "quitting must still ask";
    show.browser[0].gainDB = std::numeric_limits<double>::quiet_NaN();
    tracker.markSaved();
    EXPECT_TRUE(tracker.check());
    show.browser[0].gainDB = 0.0;
    tracker.markSaved();
    EXPECT_FALSE(tracker.check());
}

TEST_F(ShowChangeTrackerTest, TheWatcherStopsWithTheTracker)
{
    {
        ShowChangeTracker shortLived(clock, [] { return ShowDocument(); });
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

TEST(ShowChangeTrackerRevision, TheWatcherLooksAtTheShowOnlyWhenItsRevisionMoved)
{
    test::ManualClock clock;
    ShowDocument show;
    std::uint64_t revision = 7;
    int built = 0;
    int updated = 0;
    bool canUpdate = true;
    ShowChangeTracker tracker(clock, {[&](ShowDocument) { ++built; return show; },
                                      [&] { return std::optional(revision); },
                                      [&](ShowDocument& document, std::uint64_t since) {
                                          EXPECT_EQ(since, revision - 1) << "the revision the document was made at";
                                          ++updated;
                                          if (canUpdate)
                                              document = show;
                                          return canUpdate;
                                      }});
    tracker.markSaved();
    built = 0;
    clock.advance(15.0);
    EXPECT_EQ(built + updated, 0) << "a show left alone costs no comparison";

    show.browser.push_back({});
    ++revision;
    clock.advance(1.5);
    EXPECT_TRUE(tracker.isDirty());
    show.browser.clear();
    ++revision;
    clock.advance(1.5);
    EXPECT_FALSE(tracker.isDirty()) << "changed back to what is saved";
    EXPECT_EQ(updated, 2);
    EXPECT_EQ(built, 0) << "brought up to date, not made anew";

    canUpdate = false;
    show.blocks.push_back({});
    ++revision;
    clock.advance(1.5);
    EXPECT_TRUE(tracker.isDirty());
    EXPECT_EQ(built, 1) << "made anew when it cannot be brought up to date";
    // Asked before the show is discarded, it compares whatever the revision.
    show.blocks.clear();
    EXPECT_TRUE(tracker.check());
    EXPECT_FALSE(tracker.checkNow());
}
