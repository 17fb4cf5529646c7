// The running show's objects turned into a document (paths, live items,
// still images, layers, events), and stored entries turned back into events.
#include "show/ShowDocument.h"

#include "automation/ScheduleModels.h"
#include "engine/OverlayLayer.h"
#include "media/MediaBlock.h"
#include "platform/Json.h"
#include "platform/Workers.h"
#include "support/FakeMediaPlayer.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace tessarin;

namespace {

std::shared_ptr<MediaFile> file(const QString& path)
{
    return MediaFile::create(QUrl::fromLocalFile(path));
}

LiveSource camera()
{
    return LiveSource {QUuid::createUuid(), LiveSourceKind::srt, QStringLiteral("Regia"),
                       QStringLiteral("srt://0.0.0.0:9000"), true};
}

class ShowDocumentBuilding : public ::testing::Test {
protected:
    void TearDown() override
    {
        // Items analyse their (absent) files in the background.
        Workers::userInitiated().waitForIdle(10.0);
        test::drainMainQueue();
    }

    std::shared_ptr<OverlayLayer> layer(const QString& title)
    {
        return OverlayLayer::create(title, clock, [this] { return std::make_shared<test::FakeMediaPlayer>(clock); });
    }

    test::ManualClock clock;
};

} // namespace

TEST_F(ShowDocumentBuilding, ClipSettingsLiveItemsAndStillsAreWrittenAsTheyAre)
{
    auto video = file(QStringLiteral("/m/clip.mov"));
    video->setLoop(true);
    video->setIsMuted(true);
    video->setGainDB(-4.5);
    video->setInPoint(2.0);
    auto stored = ShowDocument::item(*video, std::nullopt);
    EXPECT_EQ(stored.loop, true);
    EXPECT_EQ(stored.isMuted, true);
    EXPECT_EQ(stored.gainDB, -4.5);
    EXPECT_EQ(stored.inPoint, 2.0);
    EXPECT_FALSE(stored.outPoint);
    EXPECT_FALSE(stored.imageDuration);
    video->setOutPoint(9.5);
    EXPECT_EQ(ShowDocument::item(*video, std::nullopt).outPoint, 9.5);

    auto still = file(QStringLiteral("/m/logo.png"));
    ASSERT_TRUE(still->isImage());
    EXPECT_EQ(ShowDocument::item(*still, std::nullopt).imageDuration, 5.0);

    const LiveSource source = camera();
    const auto live = ShowDocument::item(*MediaFile::create(source), QStringLiteral("/m"));
    EXPECT_EQ(live.liveSource, source);
    EXPECT_FALSE(live.path);
    EXPECT_FALSE(live.relativePath);
    EXPECT_FALSE(live.imageDuration);
    EXPECT_EQ(live.gainDB, 0.0);
    EXPECT_EQ(live.loop, false);
}

TEST_F(ShowDocumentBuilding, BlocksLayersAndEventsKeepTheirOrderAndIdentities)
{
    auto opening = std::make_shared<MediaBlock>(QStringLiteral("Apertura / 1"), QUuid::createUuid());
    opening->setItems({file(QStringLiteral("/Shows/A/a.mov")), MediaFile::create(camera())});
    opening->setLoop(true);
    opening->setLoopCount(3);
    opening->setEndBehavior(BlockEndBehavior::cueNextBlock);
    opening->setNormalizeAudio(true);
    auto closing = std::make_shared<MediaBlock>(QStringLiteral("Chiusura"), QUuid::createUuid());

    auto withFile = layer(QStringLiteral("Layer 1"));
    withFile->load(QUrl::fromLocalFile(QStringLiteral("/Shows/A/gfx/logo.png")));
    withFile->setOpacity(0.5);
    withFile->setLoops(true);
    auto empty = layer(QStringLiteral("Layer 2"));
    empty->setScale(2.0);
    empty->setOffsetX(-0.25);

    ScheduleEvent both;
    both.id = QUuid::createUuid();
    both.blockID = opening->id();
    both.start = ScheduleEvent::Start::fixed;
    both.date = 1733580000.25;
    both.repeats = ScheduleEvent::Repeat::weekly;
    both.duration = 0.0;
    both.media = file(QStringLiteral("/x/spot.mp4"));
    ScheduleEvent plain;
    plain.id = QUuid::createUuid();
    plain.isEnabled = false;

    const auto doc = ShowDocument::build({opening, closing}, {withFile, empty}, {both, plain}, true,
                                         {file(QStringLiteral("/Shows/A/b.wav"))}, QStringLiteral("/Shows/A"));
    EXPECT_EQ(doc.version, 1);
    ASSERT_EQ(doc.browser.size(), 1u);
    EXPECT_EQ(doc.browser[0].relativePath, QStringLiteral("b.wav"));

    ASSERT_EQ(doc.blocks.size(), 2u);
    const auto& first = doc.blocks[0];
    EXPECT_EQ(first.id, json::uuidText(opening->id()));
    EXPECT_EQ(first.name, QStringLiteral("Apertura / 1"));
    EXPECT_TRUE(first.loop);
    EXPECT_EQ(first.loopCount, 3);
    EXPECT_EQ(first.endBehavior, QStringLiteral("cueNextBlock"));
    EXPECT_TRUE(first.normalizeAudio);
    ASSERT_EQ(first.items.size(), 2u);
    EXPECT_EQ(first.items[0].relativePath, QStringLiteral("a.mov"));
    EXPECT_TRUE(first.items[1].liveSource);
    EXPECT_EQ(doc.blocks[1].endBehavior, QStringLiteral("pauseBlack"));
    EXPECT_TRUE(doc.blocks[1].items.empty());

    ASSERT_EQ(doc.layers.size(), 2u);
    EXPECT_EQ(doc.layers[0].path, QStringLiteral("/Shows/A/gfx/logo.png"));
    EXPECT_EQ(doc.layers[0].relativePath, QStringLiteral("gfx/logo.png"));
    EXPECT_EQ(doc.layers[0].opacity, 0.5);
    EXPECT_TRUE(doc.layers[0].loops);
    EXPECT_FALSE(doc.layers[1].path);
    EXPECT_FALSE(doc.layers[1].relativePath);
    EXPECT_EQ(doc.layers[1].scale, 2.0);
    EXPECT_EQ(doc.layers[1].offsetX, -0.25);

    ASSERT_TRUE(doc.schedule);
    ASSERT_EQ(doc.schedule->size(), 2u);
    const auto& entry = (*doc.schedule)[0];
    EXPECT_EQ(entry.id, json::uuidText(both.id));
    EXPECT_EQ(entry.blockID, json::uuidText(opening->id()));
    EXPECT_EQ(entry.start, QStringLiteral("fixed"));
    EXPECT_EQ(entry.repeats, QStringLiteral("weekly"));
    EXPECT_EQ(entry.date, 1733580000.25);
    EXPECT_EQ(entry.duration, 0.0);
    ASSERT_TRUE(entry.media);
    EXPECT_EQ(entry.media->path, QStringLiteral("/x/spot.mp4"));
    const auto& second = (*doc.schedule)[1];
    EXPECT_FALSE(second.blockID);
    EXPECT_FALSE(second.duration);
    EXPECT_FALSE(second.media);
    EXPECT_FALSE(second.isEnabled);
    EXPECT_EQ(second.start, QStringLiteral("manual"));
    EXPECT_EQ(doc.scheduleLoops, true);

    // Written and read back, the document is the same.
    const auto bytes = doc.toJson(ShowDocument::Layout::pretty);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(ShowDocument::fromJson(*bytes), doc);
}

TEST_F(ShowDocumentBuilding, StoredEntriesBecomeEventsWithTheirOwnRulesForUnknownTexts)
{
    ShowDocument::ScheduleEntry entry;
    entry.id = QStringLiteral("abcdef01-2222-3333-4444-5555555555aa");
    entry.blockID = QStringLiteral("FEDCBA98-7654-4321-8FED-CBA987654321");
    entry.start = QStringLiteral("follow");
    entry.repeats = QStringLiteral("daily");
    entry.date = 1700000000.5;
    entry.isEnabled = false;
    entry.duration = 30.0;
    auto media = file(QStringLiteral("/x/spot.mp4"));
    const auto event = scheduleEvent(entry, media);
    EXPECT_EQ(event.id, QUuid::fromString(QStringLiteral("ABCDEF01-2222-3333-4444-5555555555AA")));
    EXPECT_EQ(event.blockID, QUuid::fromString(QStringLiteral("FEDCBA98-7654-4321-8FED-CBA987654321")));
    EXPECT_EQ(event.start, ScheduleEvent::Start::follow);
    EXPECT_EQ(event.repeats, ScheduleEvent::Repeat::daily);
    EXPECT_EQ(event.date, 1700000000.5);
    EXPECT_FALSE(event.isEnabled);
    EXPECT_EQ(event.duration, 30.0);
    EXPECT_EQ(event.media, media);

    entry.id = QStringLiteral("not-a-uuid");
    entry.blockID = QStringLiteral("{FEDCBA98-7654-4321-8FED-CBA987654321}");
    entry.start = QStringLiteral("Fixed");
    entry.repeats = QStringLiteral("monthly");
    const auto first = scheduleEvent(entry, nullptr);
    const auto again = scheduleEvent(entry, nullptr);
    EXPECT_FALSE(first.id.isNull());
    EXPECT_NE(first.id, again.id);  // a fresh identity each time
    EXPECT_FALSE(first.blockID);
    EXPECT_EQ(first.start, ScheduleEvent::Start::manual);
    EXPECT_EQ(first.repeats, ScheduleEvent::Repeat::none);
    EXPECT_FALSE(first.media);
}
