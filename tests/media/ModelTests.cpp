#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "media/TimecodeFormatter.h"

#include "support/TestSupport.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tessarin;

namespace {

// An item whose duration and points are set by hand; a URL that is no
// local file is never read, so its analysis ends at once.
std::shared_ptr<MediaFile> timedItem(double duration, double in = 0, std::optional<double> out = std::nullopt)
{
    auto item = MediaFile::create(QUrl("https://example.invalid/clip.mov"));
    item->setDuration(duration);
    item->setInPoint(in);
    item->setOutPoint(out);
    return item;
}

} // namespace

TEST(TimecodeFormatter, WritesHoursMinutesSeconds)
{
    EXPECT_EQ(TimecodeFormatter::string(0), "00:00:00");
    EXPECT_EQ(TimecodeFormatter::string(59.99), "00:00:59");
    EXPECT_EQ(TimecodeFormatter::string(3661.9), "01:01:01");
    EXPECT_EQ(TimecodeFormatter::string(360000), "100:00:00");
    EXPECT_EQ(TimecodeFormatter::string(-0.5), "00:00:00");
    EXPECT_EQ(TimecodeFormatter::string(-0.0), "00:00:00");
    EXPECT_EQ(TimecodeFormatter::string(std::numeric_limits<double>::infinity()), "00:00:00");
    EXPECT_EQ(TimecodeFormatter::string(std::nan("")), "00:00:00");
    EXPECT_EQ(TimecodeFormatter::string(1e300), "00:00:00");
}

TEST(BlockEndBehavior, RawValuesAreExact)
{
    EXPECT_EQ(BlockEndBehaviors::fromRawValue("pauseBlack"), BlockEndBehavior::pauseBlack);
    EXPECT_EQ(BlockEndBehaviors::fromRawValue("cueNextBlock"), BlockEndBehavior::cueNextBlock);
    EXPECT_EQ(BlockEndBehaviors::fromRawValue("pauseblack"), std::nullopt);
    EXPECT_EQ(BlockEndBehaviors::label(BlockEndBehavior::pauseBlack), "Pausa a nero");
}

TEST(MediaFileModel, KindComesFromTheExtension)
{
    struct Case {
        const char* name;
        bool image;
        bool audio;
    };
    for (const Case& c : {Case{"a.mp3", false, true}, Case{"a.mov", false, false}, Case{"a.png", true, false},
                          Case{"noextension", false, false}}) {
        auto item = MediaFile::create(QUrl::fromLocalFile(QString("/nonexistent/") + c.name));
        EXPECT_EQ(item->isImage(), c.image) << c.name;
        EXPECT_EQ(item->isAudioOnly(), c.audio) << c.name;
        // The missing file's analysis ends with the defaults; let it end
        // before the item goes.
        QSignalSpy duration(item.get(), &MediaFile::durationChanged);
        QSignalSpy thumbnail(item.get(), &MediaFile::thumbnailChanged);
        ASSERT_TRUE(test::waitUntil([&] { return duration.count() > 0 && thumbnail.count() > 0; }, 30)) << c.name;
        EXPECT_EQ(item->duration(), 0.0);
        EXPECT_TRUE(item->thumbnail().isNull());
        EXPECT_EQ(item->playableURL().isEmpty(), c.image) << c.name;
    }
}

TEST(MediaFileModel, LiveItemHasTheKindUrlAndNoAnalysis)
{
    LiveSource source{QUuid::createUuid(), LiveSourceKind::rtmp, "Feed", "rtmp://0.0.0.0/live", true};
    auto item = MediaFile::create(source);
    EXPECT_EQ(item->url().toString(), "live://rtmp");
    EXPECT_TRUE(item->isLive());
    EXPECT_EQ(item->liveSource(), source);
    EXPECT_EQ(item->duration(), 0.0);
    EXPECT_TRUE(item->playableURL().isEmpty());
    EXPECT_FALSE(item->isImage());
    EXPECT_EQ(item->imageDuration(), 5.0);
}

TEST(MediaFileModel, GainAndNormalisation)
{
    auto item = MediaFile::create(LiveSource{});
    item->setGainDB(-40);
    EXPECT_EQ(item->gainLinear(), 0.0f);
    item->setGainDB(-39.9);
    EXPECT_NEAR(item->gainLinear(), 0.0101, 0.0001);
    item->setGainDB(0);
    EXPECT_EQ(item->gainLinear(), 1.0f);
    item->setGainDB(6);
    EXPECT_NEAR(item->gainLinear(), 1.995, 0.001);
    // Values a hand-edited show can hold: the factor stays finite and at
    // most the slider's +12 dB, and the stored value is kept as written.
    const float top = static_cast<float>(std::pow(10.0, 12.0 / 20.0));
    item->setGainDB(12);
    EXPECT_NEAR(item->gainLinear(), top, 1e-5);
    item->setGainDB(1000);
    EXPECT_FLOAT_EQ(item->gainLinear(), top);
    EXPECT_EQ(item->gainDB(), 1000.0);
    item->setGainDB(std::numeric_limits<double>::infinity());
    EXPECT_FLOAT_EQ(item->gainLinear(), top);
    item->setGainDB(-std::numeric_limits<double>::infinity());
    EXPECT_EQ(item->gainLinear(), 0.0f);
    item->setGainDB(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(item->gainLinear(), 1.0f);

    EXPECT_FLOAT_EQ(MediaFile::normalizationGain(0.5f), 1.9f);
    EXPECT_FLOAT_EQ(MediaFile::normalizationGain(0.95f), 1.0f);
    EXPECT_NEAR(MediaFile::normalizationGain(1.2f), 0.792f, 0.001f);
    EXPECT_FLOAT_EQ(MediaFile::normalizationGain(0.1f), 4.0f);
    EXPECT_FLOAT_EQ(MediaFile::normalizationGain(0.0001f), 1.0f);
    EXPECT_FLOAT_EQ(MediaFile::normalizationGain(0.0f), 1.0f);
}

TEST(MediaFileModel, PublishesEveryAssignmentAndComparesById)
{
    auto item = MediaFile::create(LiveSource{});
    QSignalSpy loop(item.get(), &MediaFile::loopChanged);
    QSignalSpy any(item.get(), &MediaFile::changed);
    item->setLoop(false);
    item->setLoop(false);
    item->setGainDB(3);
    EXPECT_EQ(loop.count(), 2);
    EXPECT_EQ(any.count(), 3);

    auto other = MediaFile::create(LiveSource{});
    EXPECT_TRUE(*item == *item);
    EXPECT_FALSE(*item == *other);
    EXPECT_EQ(qHash(*item), qHash(item->id()));
}

TEST(MediaBlockModel, PlannedDuration)
{
    MediaBlock block("Blocco", QUuid::createUuid());
    EXPECT_EQ(block.plannedDuration(), std::nullopt);

    block.setItems({timedItem(10), timedItem(30, 5, 20)});
    EXPECT_EQ(block.plannedDuration(), 25.0);
    block.setLoop(true);
    block.setLoopCount(3);
    EXPECT_EQ(block.plannedDuration(), 75.0);
    block.setLoopCount(0);
    EXPECT_EQ(block.plannedDuration(), std::nullopt);
    block.setLoop(false);

    block.appendItems({timedItem(30, 20, 10)}); // out before in adds nothing
    EXPECT_EQ(block.plannedDuration(), 25.0);
    block.appendItems({timedItem(0)}); // end not yet known
    EXPECT_EQ(block.plannedDuration(), std::nullopt);
    block.removeItem(3);
    block.items().front()->setLoop(true);
    EXPECT_EQ(block.plannedDuration(), std::nullopt);
    block.items().front()->setLoop(false);
    block.appendItems({MediaFile::create(LiveSource{})});
    EXPECT_TRUE(block.hasLiveSource());
    EXPECT_EQ(block.plannedDuration(), std::nullopt);
}

TEST(MediaBlockModel, ItemEditsPublishOnceEach)
{
    MediaBlock block("Blocco", QUuid::createUuid());
    QSignalSpy items(&block, &MediaBlock::itemsChanged);
    auto a = timedItem(1), b = timedItem(2), c = timedItem(3);
    block.appendItems({a, b});
    block.insertItem(c, 0);
    EXPECT_EQ(block.items(), (MediaBlock::Items{c, a, b}));
    block.moveItem(0, 2);
    EXPECT_EQ(block.items(), (MediaBlock::Items{a, b, c}));
    block.removeItem(7);
    block.removeItem(1);
    EXPECT_EQ(block.items(), (MediaBlock::Items{a, c}));
    EXPECT_EQ(items.count(), 4);
    EXPECT_EQ(block.endBehavior(), BlockEndBehavior::pauseBlack);
    EXPECT_EQ(block.loopCount(), 0);
}
