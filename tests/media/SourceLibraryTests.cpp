#include "media/SourceLibrary.h"

#include "platform/CaptureDevices.h"
#include "platform/Json.h"
#include "platform/Settings.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace tessarin;

namespace {

class FakeEnumerator final : public CaptureDeviceEnumerator {
public:
    std::vector<CaptureDeviceInfo> list;
    std::function<void(bool)> watcher;
    std::vector<CaptureDeviceInfo> devices() override { return list; }
    void watch(std::function<void(bool)> onChange) override { watcher = std::move(onChange); }
};

struct Fixture : ::testing::Test {
    QTemporaryDir dir;
    Settings settings { dir.filePath("settings.ini") };
    std::shared_ptr<FakeEnumerator> enumerator = std::make_shared<FakeEnumerator>();
    CaptureDevices devices { enumerator };
};

QString stored(Settings& settings)
{
    return settings.stringValue(SourceLibrary::kManualSourcesKey).value_or("<absent>");
}

} // namespace

using SourceLibraryTest = Fixture;

TEST_F(SourceLibraryTest, ManualSourcesAreTrimmedStoredAndReadBack)
{
    {
        SourceLibrary library(settings, devices);
        EXPECT_TRUE(library.manualSources().empty());
        library.addManualSource(LiveSourceKind::rtmp, "  ", "  rtmp://0.0.0.0:1935/live/a \n", true);
        const auto regia = library.addManualSource(LiveSourceKind::srt, " Regia ", "srt://host:9000", false);
        library.addManualSource(LiveSourceKind::rtmp, "Twin", "rtmp://0.0.0.0:1935/live/a", false);
        ASSERT_EQ(library.manualSources().size(), 3u);
        EXPECT_EQ(library.manualSources()[0].name, "rtmp://0.0.0.0:1935/live/a");
        EXPECT_EQ(library.manualSources()[0].address, "rtmp://0.0.0.0:1935/live/a");
        EXPECT_TRUE(library.manualSources()[0].listen);
        EXPECT_EQ(library.manualSources()[1].name, "Regia");
        ASSERT_TRUE(regia.has_value());
        EXPECT_EQ(*regia, library.manualSources()[1]) << "the source added is the one returned";
        EXPECT_NE(library.manualSources()[0].id, library.manualSources()[2].id);
        EXPECT_EQ(library.sources(LiveSourceKind::srt).size(), 1u);
        EXPECT_EQ(library.sources(LiveSourceKind::rtmp).size(), 2u);
        EXPECT_TRUE(library.sources(LiveSourceKind::ndi).empty());
        // Compact JSON, as written.
        EXPECT_FALSE(stored(settings).contains(' ') && stored(settings).contains("\": "));
    }
    SourceLibrary reopened(settings, devices);
    ASSERT_EQ(reopened.manualSources().size(), 3u);
    EXPECT_EQ(reopened.manualSources()[1].address, "srt://host:9000");
}

TEST_F(SourceLibraryTest, IgnoredAdditionsStoreNothing)
{
    SourceLibrary library(settings, devices);
    EXPECT_FALSE(library.addManualSource(LiveSourceKind::capture, "Cam", "/dev/video0", false));
    EXPECT_FALSE(library.addManualSource(LiveSourceKind::ndi, "N", "ndi://x", false));
    EXPECT_FALSE(library.addManualSource(LiveSourceKind::srt, "Empty", " \t\n", false));
    EXPECT_TRUE(library.manualSources().empty());
    EXPECT_EQ(stored(settings), "<absent>");
}

TEST_F(SourceLibraryTest, RemovingStoresEvenWhenNothingWasRemoved)
{
    SourceLibrary library(settings, devices);
    library.addManualSource(LiveSourceKind::srt, "A", "srt://a", false);
    library.addManualSource(LiveSourceKind::srt, "B", "srt://b", false);
    settings.remove(SourceLibrary::kManualSourcesKey);
    library.removeManualSource(QUuid::createUuid());
    EXPECT_NE(stored(settings), "<absent>");
    library.removeManualSource(library.manualSources()[0].id);
    ASSERT_EQ(library.manualSources().size(), 1u);
    EXPECT_EQ(SourceLibrary::loadManualSources(settings), library.manualSources());
}

TEST_F(SourceLibraryTest, OneBadStoredElementEmptiesTheListWithoutTouchingTheStore)
{
    LiveSource good;
    good.kind = LiveSourceKind::srt;
    good.address = "srt://a";
    QJsonObject bad = toJson(good);
    bad.remove("listen");
    const QString text = QString::fromUtf8(*json::write(QJsonArray { toJson(good), bad }, json::Layout::compact));
    settings.setString(SourceLibrary::kManualSourcesKey, text);
    SourceLibrary library(settings, devices);
    EXPECT_TRUE(library.manualSources().empty());
    EXPECT_EQ(stored(settings), text);

    settings.setString(SourceLibrary::kManualSourcesKey, "not json");
    EXPECT_TRUE(SourceLibrary::loadManualSources(settings).empty());
}

TEST_F(SourceLibraryTest, CaptureDevicesAreListedAgainWithFreshIdsAtEveryHotPlug)
{
    enumerator->list = { { "/dev/v4l/by-id/usb-A-video-index0", "Cam A", "/dev/video0", "" },
                         { "/dev/v4l/by-id/usb-A2-video-index0", "Cam A", "/dev/video2", "plughw:1,0" } };
    SourceLibrary library(settings, devices);
    ASSERT_EQ(library.captureSources().size(), 2u);
    const auto before = library.captureSources();
    EXPECT_EQ(before[0].kind, LiveSourceKind::capture);
    EXPECT_EQ(before[0].name, "Cam A");
    EXPECT_EQ(before[1].name, "Cam A"); // same names stay two entries
    EXPECT_EQ(before[1].address, "/dev/v4l/by-id/usb-A2-video-index0");
    EXPECT_FALSE(before[0].listen);

    QSignalSpy spy(&library, &SourceLibrary::captureSourcesChanged);
    enumerator->list.push_back({ "/dev/v4l/by-path/pci-0000:03:00.0-video-index0", "Card", "/dev/video4", "" });
    enumerator->watcher(true);
    EXPECT_EQ(spy.count(), 1);
    ASSERT_EQ(library.captureSources().size(), 3u);
    EXPECT_NE(library.captureSources()[0].id, before[0].id);
    EXPECT_EQ(library.captureSources()[0].address, before[0].address);

    enumerator->list.erase(enumerator->list.begin());
    enumerator->watcher(false);
    EXPECT_EQ(library.sources(LiveSourceKind::capture).size(), 2u);
}
