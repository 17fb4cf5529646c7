// Items, caches and still-image clips against real media made by ffmpeg.
#include "media/ImageClipRenderer.h"
#include "media/MediaFile.h"
#include "media/PeakBucketer.h"
#include "media/ThumbnailCache.h"
#include "media/WaveformCache.h"
#include "platform/ChildProcess.h"
#include "platform/FrameGrabber.h"
#include "platform/PcmReader.h"

#include "support/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tessarin;
using test::mediaPath;
using test::waitUntil;

namespace {

QUrl media(const char* name)
{
    return QUrl::fromLocalFile(mediaPath(name));
}

struct ClipProbe {
    int width = 0;
    int height = 0;
    int frames = 0;
    double duration = 0;
    QString codec;
    QString format;
};

ClipProbe probeClip(const QString& path)
{
    const auto result = runAndCapture("/usr/bin/ffprobe",
                                      {"-v", "error", "-of", "json", "-count_frames", "-show_format", "-show_streams",
                                       path},
                                      30);
    const QJsonObject probe = QJsonDocument::fromJson(result.output).object();
    const QJsonObject stream = probe["streams"][0].toObject();
    return {stream["width"].toInt(), stream["height"].toInt(), stream["nb_read_frames"].toString().toInt(),
            stream["duration"].toString().toDouble(), stream["codec_name"].toString(),
            probe["format"]["format_name"].toString()};
}

QStringList partFiles()
{
    return QDir(ImageClipRenderer::cacheFolder()).entryList({"*.part"}, QDir::Files);
}

} // namespace

TEST(MediaFileAnalysis, VideoFileGetsThumbnailWaveformGainAndDuration)
{
    auto item = MediaFile::create(media("clip_30s.mp4"));
    EXPECT_EQ(item->playableURL(), item->url());
    ASSERT_TRUE(waitUntil([&] { return !item->thumbnail().isNull() && item->waveform() && item->duration() > 0; }, 30));
    EXPECT_EQ(item->thumbnail().size(), QSize(120, 90));
    EXPECT_NEAR(item->duration(), 30.0, 0.05);
    EXPECT_GE(item->waveform()->size(), 240u);
    EXPECT_LT(item->waveform()->size(), 480u);
    // ffmpeg's sine source has an amplitude of 1/8: 0.95 / 0.125 is capped at 4.
    EXPECT_FLOAT_EQ(item->normalizationGain(), 4.0f);

    // A second item of the same file finds thumbnail, waveform and length
    // kept, before the initialiser returns: the file is not opened again.
    auto again = MediaFile::create(media("clip_30s.mp4"));
    EXPECT_FALSE(again->thumbnail().isNull());
    EXPECT_EQ(again->waveform(), item->waveform());
    EXPECT_EQ(again->duration(), item->duration());
}

TEST(MediaFileAnalysis, ItemsOfOneFileMadeTogetherShareOneAnalysis)
{
    // A show lists a file in the browser and in a block: both items are
    // made before either analysis is done, and the file is read once.
    QTemporaryDir dir;
    const QString path = dir.filePath("listed twice.mov");
    ASSERT_TRUE(QFile::copy(mediaPath("clip_5s.mov"), path));
    auto browserItem = MediaFile::create(QUrl::fromLocalFile(path));
    auto blockItem = MediaFile::create(QUrl::fromLocalFile(path));
    ASSERT_TRUE(waitUntil([&] {
        return !browserItem->thumbnail().isNull() && !blockItem->thumbnail().isNull() && browserItem->waveform()
            && blockItem->waveform();
    }, 30));
    EXPECT_EQ(browserItem->packedThumbnail().bytes().constData(), blockItem->packedThumbnail().bytes().constData())
        << "one picture in memory";
    EXPECT_EQ(ThumbnailCache::cached(QUrl::fromLocalFile(path)).bytes().constData(),
              blockItem->packedThumbnail().bytes().constData());
    EXPECT_EQ(browserItem->waveform(), blockItem->waveform());
    ASSERT_TRUE(waitUntil([&] { return browserItem->duration() > 0 && blockItem->duration() > 0; }, 30));
    EXPECT_EQ(browserItem->duration(), blockItem->duration());
}

TEST(MediaFileAnalysis, AudioFilesGetTheGainOfTheirPeak)
{
    for (const char* name : {"tone_half.wav", "tone_half.mp3", "tone_half.m4a"}) {
        auto item = MediaFile::create(media(name));
        EXPECT_TRUE(item->isAudioOnly());
        ASSERT_TRUE(waitUntil([&] { return item->waveform() && item->duration() > 0; }, 30)) << name;
        EXPECT_NEAR(item->duration(), 3.0, 0.05) << name;
        EXPECT_NEAR(item->normalizationGain(), 1.9f, std::string(name) == "tone_half.wav" ? 0.001f : 0.06f) << name;
    }
}

TEST(MediaFileAnalysis, BadFilesLeaveTheDefaults)
{
    for (const char* name : {"truncated.mp4", "empty.mp4", "not_media.mp4", "video_only.mp4"}) {
        auto item = MediaFile::create(media(name));
        QSignalSpy duration(item.get(), &MediaFile::durationChanged);
        ASSERT_TRUE(waitUntil([&] { return duration.count() > 0; }, 30)) << name;
        EXPECT_FALSE(item->waveform()) << name;
        EXPECT_EQ(item->normalizationGain(), 1.0f) << name;
        EXPECT_EQ(item->playableURL(), item->url()) << name;
        if (std::string(name) != "video_only.mp4") {
            EXPECT_EQ(item->duration(), 0.0) << name;
            EXPECT_FALSE(WaveformCache::extractAnalysis(item->url(), 240)) << name;
        }
    }
    EXPECT_FALSE(WaveformCache::extractAnalysis(media("video_only.mp4"), 240));
}

TEST(MediaFileAnalysis, ResultsForAGoneItemAreDropped)
{
    std::weak_ptr<MediaFile> weak;
    {
        auto item = MediaFile::create(media("clip_5s.mov"));
        weak = item;
    } // gone before any result arrives; its completions must do nothing
    EXPECT_TRUE(weak.expired());
    bool done = false;
    WaveformCache::analyze(media("clip_5s.mov"), 240, [&](const auto&) { done = true; });
    ASSERT_TRUE(waitUntil([&] { return done && !ThumbnailCache::cached(media("clip_5s.mov")).isNull(); }, 30));
    test::drainMainQueue();
}

TEST(ThumbnailCache, MakesUprightThumbnailsAndNoneWithoutPictures)
{
    std::optional<QImage> rotated;
    ThumbnailCache::thumbnail(media("rotated.mp4"), [&](const PackedPicture& picture) { rotated = picture.unpack(); });
    std::optional<QImage> audio;
    ThumbnailCache::thumbnail(media("tone_half.mp3"), [&](const PackedPicture& picture) { audio = picture.unpack(); });
    ASSERT_TRUE(waitUntil([&] { return rotated && audio; }, 30));
    EXPECT_EQ(rotated->size(), QSize(68, 90)); // portrait: the display matrix is applied
    EXPECT_TRUE(audio->isNull());
    EXPECT_TRUE(ThumbnailCache::cached(media("tone_half.mp3")).isNull());

    bool inside = false;
    ThumbnailCache::thumbnail(media("rotated.mp4"), [&](const PackedPicture& picture) { inside = !picture.isNull(); });
    EXPECT_TRUE(inside);
}

// Thumbnails are kept encoded: a video frame in a few kilobytes that decode
// to the same picture within JPEG's error; a picture with transparency
// exactly, alpha included.
TEST(ThumbnailCache, KeepsPicturesSmallAndDecodesThemFaithfully)
{
    const auto frame = FrameGrabber::grab(mediaPath("clip_5s.mov"), 1.0, QSize(160, 90));
    ASSERT_TRUE(frame);
    const PackedPicture packed = PackedPicture::pack(*frame);
    EXPECT_LT(packed.bytes().size(), 12 * 1024) << "a tenth or so of the 57,600 bytes of 160 x 90 x 4";
    const QImage back = packed.unpack();
    ASSERT_EQ(back.size(), frame->size());
    const QImage original = frame->convertToFormat(QImage::Format_RGB32);
    double error = 0;
    for (int y = 0; y < back.height(); ++y) {
        for (int x = 0; x < back.width(); ++x) {
            const QRgb a = original.pixel(x, y), b = back.pixel(x, y);
            error += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
        }
    }
    // JPEG halves the colour's resolution: the test clip's sharp colour bars
    // lose about 6 of 255 on average, a swapped channel or a shifted picture
    // far more.
    EXPECT_LT(error / (3.0 * back.width() * back.height()), 8.0) << "mean error per channel, of 255";

    // A still with a transparent band: kept exactly. An opaque one in the
    // same format is as small as a frame.
    QImage still(160, 90, QImage::Format_ARGB32_Premultiplied);
    still.fill(Qt::transparent);
    QPainter(&still).fillRect(QRect(40, 0, 80, 90), QColor(255, 0, 0));
    const QImage stillBack = PackedPicture::pack(still).unpack().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(stillBack, still);
    QImage opaque = frame->convertToFormat(QImage::Format_ARGB32_Premultiplied);
    EXPECT_LT(PackedPicture::pack(opaque).bytes().size(), 12 * 1024);

    EXPECT_TRUE(PackedPicture::pack(QImage()).isNull());
    EXPECT_TRUE(PackedPicture().unpack().isNull());
}

TEST(WaveformCache, StreamedAnalysisEqualsTheWholeTrackInMemory)
{
    // 30 s of stereo is 2.88 million values: more than the bucketer keeps,
    // so this goes through the bounded path.
    const QUrl url = media("clip_30s.mp4");
    const auto streamed = WaveformCache::extractAnalysis(url, 240);
    ASSERT_TRUE(streamed);
    PcmReader reader(url.toLocalFile());
    std::vector<float> all, chunk;
    while (reader.read(chunk))
        all.insert(all.end(), chunk.begin(), chunk.end());
    ASSERT_EQ(reader.status(), PcmReader::Status::completed);
    const auto reference = PeakBucketer::bucket(all.data(), all.size(), 240);
    EXPECT_EQ(streamed->waveform, reference.waveform);
    EXPECT_EQ(streamed->peak, reference.peak);

    std::optional<WaveformCache::Analysis> first;
    WaveformCache::analyze(url, 240, [&](const auto& a) { first = a; });
    ASSERT_TRUE(waitUntil([&] { return first.has_value(); }, 30));
    bool inside = false;
    WaveformCache::analyze(url, 17, [&](const auto& a) { inside = a && a->waveform == reference.waveform; });
    EXPECT_TRUE(inside);
}

TEST(ImageClipRenderer, SizeAndFrameRules)
{
    using ImageClipRenderer::targetSize;
    EXPECT_EQ(targetSize({1920, 1080}), QSize(1920, 1080));
    EXPECT_EQ(targetSize({3840, 2160}), QSize(1920, 1080));
    EXPECT_EQ(targetSize({1080, 1920}), QSize(1080, 1920));
    EXPECT_EQ(targetSize({1921, 1081}), QSize(1920, 1080));
    EXPECT_EQ(targetSize({4000, 3000}), QSize(1920, 1440));
    EXPECT_EQ(targetSize({1001, 501}), QSize(1000, 500));
    EXPECT_EQ(targetSize({3, 3}), QSize(2, 2));
    EXPECT_EQ(targetSize({1, 1}), QSize(2, 2));

    using ImageClipRenderer::frameCount;
    EXPECT_EQ(frameCount(5.0), 10);
    EXPECT_EQ(frameCount(5.2), 11);
    EXPECT_EQ(frameCount(0.3), 2);
    EXPECT_EQ(frameCount(0.0), std::nullopt);
    EXPECT_EQ(frameCount(-1.0), std::nullopt);
    EXPECT_EQ(frameCount(std::nan("")), std::nullopt);
    EXPECT_EQ(frameCount(1e300), std::nullopt);
}

TEST(ImageClipRenderer, PlansRendersByCoresAndMemory)
{
    using ImageClipRenderer::RenderPlan;
    constexpr std::int64_t GiB = std::int64_t(1) << 30;
    struct Case {
        int cores;
        std::int64_t available;
        RenderPlan plan;
    };
    const Case cases[] = {
        {8, 16 * GiB, {6, 1}},  // the memory cap, not the cores, bounds the renders
        {2, 16 * GiB, {2, 1}},  // a render per core
        {64, 256 * GiB, {6, 1}}, // a big machine keeps within the cap too
        {8, 2 * GiB, {3, 1}},   // a quarter of what is available
        {4, 1 * GiB, {1, 3}},   // one render: its encoder gets the cores the memory allows
        {1, 0, {1, 1}},         // always one render of one thread
        {0, -1, {1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cores << " cores, " << c.available << " bytes");
        const RenderPlan plan = ImageClipRenderer::planFor(c.cores, c.available);
        EXPECT_EQ(plan.renders, c.plan.renders);
        EXPECT_EQ(plan.encoderThreads, c.plan.encoderThreads);
    }
}

TEST(ImageClipRenderer, RendersNoMoreAtOnceThanThePlanSays)
{
    QTemporaryDir dir;
    const QString previous = ImageClipRenderer::cacheFolder();
    const ImageClipRenderer::RenderPlan machine = ImageClipRenderer::renderPlan();
    ImageClipRenderer::setCacheFolder(dir.path());
    ImageClipRenderer::setRenderPlan({2, 1});
    int done = 0;
    int made = 0;
    for (int i = 0; i < 8; ++i) {
        const QString copy = dir.path() + QStringLiteral("/still-%1.jpg").arg(i);
        ASSERT_TRUE(QFile::copy(mediaPath("still.jpg"), copy));
        ImageClipRenderer::makeClip(QUrl::fromLocalFile(copy), 1.0, [&](const QUrl& clip) {
            ++done;
            made += clip.isEmpty() ? 0 : 1;
        });
    }
    ASSERT_TRUE(waitUntil([&] { return done == 8; }, 120));
    EXPECT_EQ(made, 8);
    EXPECT_GE(ImageClipRenderer::mostRendersAtOnce(), 1);
    EXPECT_LE(ImageClipRenderer::mostRendersAtOnce(), 2);
    ImageClipRenderer::setRenderPlan(machine);
    ImageClipRenderer::setCacheFolder(previous);
}

TEST(ImageClipRenderer, NamesClipsStablyByPathAndDuration)
{
    const QUrl image = QUrl::fromLocalFile("/pictures/slide 1.png");
    const QString name = ImageClipRenderer::cacheURL(image, 5.0).fileName();
    EXPECT_EQ(name, ImageClipRenderer::cacheURL(image, 5.0).fileName());
    EXPECT_TRUE(QRegularExpression("^[0-9a-f]{16}\\.mov$").match(name).hasMatch()) << name.toStdString();
    // Pinned: the name must not change between runs or builds.
    EXPECT_EQ(name.toStdString(), "ad658c77602c0eb3.mov"); // SHA-256 of the path text and the little-endian double
    EXPECT_NE(name, ImageClipRenderer::cacheURL(image, 5.2).fileName());
    EXPECT_NE(name, ImageClipRenderer::cacheURL(QUrl::fromLocalFile("/pictures/slide 2.png"), 5.0).fileName());
    EXPECT_EQ(ImageClipRenderer::cacheURL(image, 0.0), ImageClipRenderer::cacheURL(image, -0.0));
    EXPECT_EQ(ImageClipRenderer::cacheURL(image, 5.0).adjusted(QUrl::RemoveFilename).toLocalFile(),
              ImageClipRenderer::cacheFolder() + "/");
}

TEST(ImageClipRenderer, RendersOnceForConcurrentRequestsAndReusesTheClip)
{
    const QUrl image = media("still.jpg");
    const double duration = 5.2;
    std::vector<QUrl> results;
    for (int i = 0; i < 3; ++i)
        ImageClipRenderer::makeClip(image, duration, [&](const QUrl& clip) { results.push_back(clip); });
    EXPECT_TRUE(results.empty()); // the render runs in the background
    ASSERT_TRUE(waitUntil([&] { return results.size() == 3; }, 60));
    const QUrl clip = ImageClipRenderer::cacheURL(image, duration);
    for (const QUrl& result : results)
        EXPECT_EQ(result, clip);
    EXPECT_TRUE(partFiles().isEmpty());

    const ClipProbe probe = probeClip(clip.toLocalFile());
    EXPECT_TRUE(probe.format.contains("mov"));
    EXPECT_EQ(probe.codec, "h264");
    EXPECT_EQ(probe.width, 640);
    EXPECT_EQ(probe.height, 360);
    EXPECT_EQ(probe.frames, 11);
    EXPECT_DOUBLE_EQ(probe.duration, 5.2);

    bool inside = false;
    ImageClipRenderer::makeClip(image, duration, [&](const QUrl& url) { inside = url == clip; });
    EXPECT_TRUE(inside);
}

TEST(ImageClipRenderer, ARenderEveryRequestWithdrewFromStopsAndKeepsNoClip)
{
    QTemporaryDir dir;
    const QString previous = ImageClipRenderer::cacheFolder();
    ImageClipRenderer::setCacheFolder(dir.path());
    const QUrl image = media("still.jpg");
    int called = 0;
    std::optional<QUrl> again;
    {
        // Withdrawn before the render can end: its completion never runs.
        auto first = ImageClipRenderer::requestClip(image, 3.0, [&](const QUrl&) { ++called; });
        auto second = ImageClipRenderer::requestClip(image, 3.0, [&](const QUrl&) { ++called; });
        auto other = ImageClipRenderer::requestClip(image, 4.0, [&](const QUrl&) { ++called; });
        second = std::move(other); // the 3 s render keeps the first request
        first = ImageClipRenderer::requestClip(image, 3.5, [&](const QUrl&) { ++called; });
        // Given up, then asked for again: rendered after all.
        auto revived = ImageClipRenderer::requestClip(image, 4.0, [&](const QUrl& url) { again = url; });
    }
    ImageClipRenderer::makeClip(image, 4.0, [&](const QUrl& url) { again = url; });
    ASSERT_TRUE(waitUntil([&] { return ImageClipRenderer::rendersPending() == 0; }, 60));
    EXPECT_EQ(called, 0);
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(*again, ImageClipRenderer::cacheURL(image, 4.0));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).join(QLatin1Char(' ')).toStdString(), again->fileName().toStdString());
    ImageClipRenderer::setCacheFolder(previous);
}

TEST(ImageClipRenderer, AFailedRenderLeavesNothingBehind)
{
    QTemporaryDir dir;
    const QString fake = dir.path() + "/fake.png";
    QFile::copy(mediaPath("not_media.mp4"), fake);
    std::optional<QUrl> result;
    ImageClipRenderer::makeClip(QUrl::fromLocalFile(fake), 5.0, [&](const QUrl& clip) { result = clip; });
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }, 30));
    EXPECT_TRUE(result->isEmpty());
    EXPECT_FALSE(QFile::exists(ImageClipRenderer::cacheURL(QUrl::fromLocalFile(fake), 5.0).toLocalFile()));
    EXPECT_TRUE(partFiles().isEmpty());

    // An unwritable destination fails without a clip or a temporary file.
    EXPECT_FALSE(ImageClipRenderer::render(media("still.png"), 2.0, dir.path() + "/missing/clip.mov"));
    EXPECT_FALSE(ImageClipRenderer::render(media("still.png"), std::nan(""), dir.path() + "/clip.mov"));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).size() == 1); // only fake.png
}

TEST(MediaFileAnalysis, StillImagesBecomeClipsOfTheirDuration)
{
    auto item = MediaFile::create(media("still.png"));
    EXPECT_TRUE(item->isImage());
    EXPECT_TRUE(item->playableURL().isEmpty());
    // The show loader assigns the stored duration at once: the 5 s result must not win.
    item->setImageDuration(8.0);
    ASSERT_TRUE(waitUntil([&] { return !item->playableURL().isEmpty() && !item->thumbnail().isNull(); }, 60));
    EXPECT_EQ(item->duration(), 8.0);
    EXPECT_EQ(item->playableURL(), ImageClipRenderer::cacheURL(item->url(), 8.0));
    EXPECT_EQ(item->thumbnail().size(), QSize(160, 90)); // stretched, not fitted
    EXPECT_FALSE(item->waveform());
    const ClipProbe probe = probeClip(item->playableURL().toLocalFile());
    EXPECT_EQ(probe.frames, 16);
    EXPECT_DOUBLE_EQ(probe.duration, 8.0);

    // Assigning the same duration renders again: the URL goes away and, the
    // clip being on disk, comes back inside the call.
    QSignalSpy playable(item.get(), &MediaFile::playableURLChanged);
    item->setImageDuration(8.0);
    EXPECT_EQ(playable.count(), 2);
    EXPECT_FALSE(item->playableURL().isEmpty());
}

TEST(MediaFileAnalysis, StillsQtCannotReadStillGetAThumbnailAndAClip)
{
    for (const char* name : { "halves.webp", "halves.tiff", "halves16.png" }) {
        SCOPED_TRACE(name);
        auto item = MediaFile::create(media(name));
        ASSERT_TRUE(item->isImage());
        ASSERT_TRUE(waitUntil([&] { return !item->playableURL().isEmpty() && !item->thumbnail().isNull(); }, 60));
        // The transparent half shows black in the clip and stays clear in the thumbnail.
        EXPECT_EQ(item->thumbnail().pixel(20, 45), 0u);
        EXPECT_EQ(qRed(item->thumbnail().pixel(140, 45)), 255);
        const ClipProbe probe = probeClip(item->playableURL().toLocalFile());
        EXPECT_EQ(probe.codec, "h264");
        EXPECT_EQ(probe.width, 64);
        EXPECT_EQ(probe.height, 48);
    }
}

TEST(ImageClipRenderer, RemovesTemporaryFilesOfInterruptedRenders)
{
    QTemporaryDir dir;
    const QString previous = ImageClipRenderer::cacheFolder();
    ImageClipRenderer::setCacheFolder(dir.path());
    auto touch = [&](const QString& name, int daysOld) {
        QFile file(dir.path() + "/" + name);
        file.open(QIODevice::WriteOnly);
        file.write("half a movie");
        file.flush();
        file.setFileTime(QDateTime::currentDateTime().addDays(-daysOld), QFileDevice::FileModificationTime);
    };
    touch("0123456789abcdef.mov.1111.part", 2);
    touch("0123456789abcdef.mov.2222.part", 0); // may belong to a render still running
    std::optional<QUrl> clip;
    ImageClipRenderer::makeClip(media("still.png"), 1.0, [&](const QUrl& url) { clip = url; });
    ASSERT_TRUE(waitUntil([&] { return clip.has_value(); }, 60));
    ASSERT_TRUE(waitUntil([&] { return !QFile::exists(dir.path() + "/0123456789abcdef.mov.1111.part"); }, 60));
    EXPECT_TRUE(QFile::exists(dir.path() + "/0123456789abcdef.mov.2222.part"));
    EXPECT_FALSE(clip->isEmpty());
    ImageClipRenderer::setCacheFolder(previous);
}

TEST(ImageClipRenderer, ADurationUnderHalfASecondStillGivesTwoFrames)
{
    // Two frames at 0 and 0.5 s cannot end at 0.3 s without an edit list:
    // the second frame then lasts one tick of the 1/600 s time scale.
    QTemporaryDir dir;
    const QString path = dir.path() + "/short.mov";
    ASSERT_TRUE(ImageClipRenderer::render(media("still.png"), 0.3, path));
    const ClipProbe probe = probeClip(path);
    EXPECT_EQ(probe.frames, 2);
    EXPECT_NEAR(probe.duration, 0.5 + 1.0 / 600, 1e-6); // ffprobe prints six decimals
}
