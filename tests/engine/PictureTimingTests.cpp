// Pictures timed by their sound, on an output that declares a latency (as
// a device does): the live source's pictures are due when its sound is heard, and
// a player's pictures after a join wait for the new item's first sample to
// be heard while the picture on show stays.
#include "engine/LiveAudioPlayer.h"
#include "engine/LiveRoute.h"
#include "engine/PlayerFrameGrabber.h"
#include "media/LiveVideoSink.h"
#include "platform/ChildProcess.h"
#include "platform/Clock.h"
#include "platform/player/AudioOutput.h"
#include "platform/player/FfmpegMediaPlayer.h"
#include "platform/player/PcmBuffer.h"
#include "platform/player/PlayerItem.h"
#include "platform/player/VideoFrame.h"
#include "platform/player/VideoOutput.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cmath>
#include <limits>
#include <mutex>

namespace tessarin::test {
namespace {

// An output rendered by hand whose renders are heard `latency` seconds later.
class LatentOutput final : public AudioOutput {
public:
    explicit LatentOutput(double latency) : latency_(latency) { }
    int bufferFrames() const override { return 512; }
    double latency() const override { return latency_; }
    void render(int frames)
    {
        std::vector<float> out(static_cast<std::size_t>(frames) * 2);
        renderMix(out.data(), frames);
    }

protected:
    void lockRender() override { mutex_.lock(); }
    void unlockRender() override { mutex_.unlock(); }

private:
    double latency_;
    std::mutex mutex_;
};

// A picture whose place in the sound its session cannot tell.
constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

QImage frameOf(QRgb colour)
{
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QRgb colourOf(const QImage& image)
{
    return image.isNull() ? 0 : image.pixel(0, 0);
}

std::shared_ptr<PcmBuffer> sound(double seconds)
{
    const int frames = int(std::lround(seconds * 48000));
    auto buffer = PcmBuffer::create(AudioFormat::float32(48000, 2, false), frames);
    buffer->setFrameLength(frames);
    return buffer;
}

TEST(LiveVideoSink, HandsOutTheNewestFrameDueInTheOrderPushedAndDropsWaitingFramesAtAClear)
{
    auto sink = LiveVideoSink::create();
    const double now = HostClock::monotonicSeconds();
    sink->push(frameOf(0xff0000ffu), now + 10.0);
    sink->push(frameOf(0xff00ff00u), now + 10.5);
    sink->push(frameOf(0xffff0000u), now + 10.2); // never before the one pushed earlier
    const struct {
        double at;
        QRgb colour;
    } cases[] = { { now + 9.9, 0 }, { now + 10.0, 0xff0000ffu }, { now + 10.3, 0xff0000ffu },
                  { now + 10.5, 0xffff0000u }, { now + 20.0, 0xffff0000u } };
    for (const auto& c : cases)
        EXPECT_EQ(colourOf(sink->frameAt(c.at)), c.colour) << "at +" << c.at - now;
    EXPECT_EQ(colourOf(sink->latest()), 0xffff0000u);
    sink->push(QImage(), now);
    EXPECT_TRUE(sink->frameAt(now + 20.0).isNull()) << "a clear drops the frames still waiting";
    test::drainMainQueue();
}

TEST(LivePictures, AreDueWhenTheLiveSoundThatCameWithThemIsHeard)
{
    constexpr double kDeviceLatency = 0.2;
    auto output = std::make_shared<LatentOutput>(kDeviceLatency);
    auto player = std::make_shared<LiveAudioPlayer>(output);
    auto sink = LiveVideoSink::create();
    const LiveRoute::Targets targets = LiveRoute::programTargets(sink, player, {});
    EXPECT_EQ(player->latency(), 0.0) << "no sound yet";

    // Two buffers of 0.1 s at once: the first fills the queue's target (the
    // silence put before it is left out again, since the second came before
    // anything was heard), the second waits after it, each then the
    // device's latency.
    const double start = HostClock::monotonicSeconds();
    targets.audio(sound(0.1));
    targets.audio(sound(0.1));
    player->syncOnQueue([] {});
    const double soundEnds = kDeviceLatency + 0.2;
    EXPECT_GE(player->latency(), soundEnds - 0.1);

    targets.video(frameOf(0xff123456u), kUnknown);
    const double after = HostClock::monotonicSeconds();
    const double slack = 2 * (after - start) + 0.001; // the test's own time
    EXPECT_TRUE(sink->frameAt(start + soundEnds - 0.001).isNull()) << "the picture waits for its sound";
    EXPECT_EQ(colourOf(sink->frameAt(after + soundEnds + slack)), 0xff123456u);

    // A session whose pictures come after their sound has them due sooner.
    auto lagging = LiveVideoSink::create();
    LiveRoute::programTargets(lagging, player, {}, 0.05).video(frameOf(0xff00aa00u), kUnknown);
    EXPECT_TRUE(lagging->frameAt(start + soundEnds - 0.051).isNull());
    EXPECT_EQ(colourOf(lagging->frameAt(HostClock::monotonicSeconds() + soundEnds - 0.05 + slack)), 0xff00aa00u);

    // A picture that says where it lies in the sound is due when that sound
    // is heard, however it arrived; one whose place is unknown, or far from
    // what its arrival gives (sound that never came), by its arrival.
    const double now = HostClock::monotonicSeconds();
    const double firstHeard = player->heardTimeOfPosition(0.0);
    EXPECT_NEAR(firstHeard - start, kDeviceLatency, slack);
    const double byArrival = player->heardTimeOfArrival(now) - 0.05;
    const struct {
        double place;
        double due;
    } cases[] = { { 0.0, firstHeard }, { 0.15, firstHeard + 0.15 }, { kUnknown, byArrival }, { 5.0, byArrival },
                  { -5.0, byArrival } };
    for (const auto& c : cases)
        EXPECT_NEAR(LiveRoute::dueTime(*player, now, c.place, 0.05), c.due, 1e-9) << "a picture at " << c.place;

    // Stopped, the live sound has no clock: a picture is due at once.
    player->stop();
    EXPECT_EQ(LiveRoute::dueTime(*player, now, 0.0, 0.05), now);
    sink->push(QImage()); // as the engine clears it
    EXPECT_EQ(player->latency(), 0.0);
    targets.video(frameOf(0xff654321u), kUnknown);
    EXPECT_EQ(colourOf(sink->frameAt(HostClock::monotonicSeconds())), 0xff654321u);
    test::drainMainQueue();
}

// A 1 s clip of one colour with a tone, made by ffmpeg.
bool makeColourClip(const QString& path, const char* colour)
{
    const CaptureResult made = runAndCapture(QStringLiteral("/usr/bin/ffmpeg"),
        { "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
          QStringLiteral("color=c=%1:s=64x36:r=25:d=1").arg(QLatin1String(colour)), "-f", "lavfi", "-i",
          "sine=frequency=440:sample_rate=48000:duration=1", "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt",
          "yuv420p", "-c:a", "pcm_s16le", "-ac", "2", "-shortest", path },
        60.0);
    return made.exitCode.value_or(-1) == 0;
}

// Whether the picture is mostly of the one colour channel (qRed or qBlue).
bool isMostly(const PlayerFrameGrabber::Picture& picture, int (*channel)(QRgb), int (*other)(QRgb))
{
    if (!picture)
        return false;
    const QRgb px = picture.frame->image().pixel(32, 18);
    return channel(px) > 200 && other(px) < 60;
}

bool isRed(const PlayerFrameGrabber::Picture& picture)
{
    return isMostly(picture, qRed, qBlue);
}

bool isBlue(const PlayerFrameGrabber::Picture& picture)
{
    return isMostly(picture, qBlue, qRed);
}

TEST(JoinPictures, TheNewItemsFirstPictureWaitsForItsFirstSampleToBeHeardWhileThePictureOnShowStays)
{
    QTemporaryDir dir;
    const QString red = dir.filePath("red.mkv");
    const QString blue = dir.filePath("blue.mkv");
    ASSERT_TRUE(makeColourClip(red, "red") && makeColourClip(blue, "blue"));
    // Above any stall of this test between a render and a look, below how
    // long the grabber holds a picture at most.
    constexpr double kLatency = 0.45;
    static_assert(kLatency < PlayerFrameGrabber::kHoldSeconds);
    auto output = std::make_shared<LatentOutput>(kLatency);
    auto player = std::make_shared<FfmpegMediaPlayer>(output, HostClock::shared());
    auto first = PlayerItem::create(red);
    first->setForwardPlaybackEndTime(0.9);
    auto second = PlayerItem::create(blue);
    player->replaceCurrentItem(first);
    ASSERT_TRUE(player->queueNext(second, 0.0));
    ASSERT_TRUE(waitUntil([&] {
        return first->status() == PlayerItem::Status::ReadyToPlay && second->status() == PlayerItem::Status::ReadyToPlay;
    }));
    player->play();
    PlayerFrameGrabber grabber(player);
    // The renders come in real time, as a device's do: the first item's
    // pictures show once its sound is heard, until the player goes on to
    // the second.
    const double began = HostClock::monotonicSeconds();
    bool redShown = false;
    ASSERT_TRUE(waitUntil([&] {
        const double now = HostClock::monotonicSeconds();
        if (double(output->framesRendered()) / AudioOutput::kSampleRate < now - began)
            output->render(512);
        QCoreApplication::processEvents();
        if (player->currentItem() == first)
            redShown = isRed(grabber.image(now)) || redShown; // asked every time, as a renderer does
        return player->currentItem() == second;
    }));
    ASSERT_TRUE(redShown);
    const double joined = HostClock::monotonicSeconds();
    // Its sound started in a render before `joined`, heard kLatency later.
    EXPECT_TRUE(isRed(grabber.image(joined))) << "the picture on show stays";
    ASSERT_TRUE(grabber.output());
    EXPECT_TRUE(std::isnan(grabber.output()->itemTime(joined)));
    EXPECT_TRUE(isRed(grabber.image(joined, 0.01)));
    // Once its first sample is heard, its own pictures show, timed by it.
    double rendered = 0.0;
    ASSERT_TRUE(waitUntil([&] {
        output->render(512);
        rendered = HostClock::monotonicSeconds();
        return std::isfinite(grabber.output()->itemTime(rendered + 10.0));
    }));
    const double heard = rendered + kLatency + 0.02;
    EXPECT_GE(grabber.output()->itemTime(heard), 0.0);
    EXPECT_TRUE(isBlue(grabber.image(heard)));
    player->pause();
}

TEST(StartPictures, AnItemStartedFromStopShowsNoPictureBeforeItsFirstSampleIsHeard)
{
    QTemporaryDir dir;
    const QString blue = dir.filePath("blue.mkv");
    ASSERT_TRUE(makeColourClip(blue, "blue"));
    constexpr double kLatency = 0.45;
    auto output = std::make_shared<LatentOutput>(kLatency);
    auto player = std::make_shared<FfmpegMediaPlayer>(output, HostClock::shared());
    auto item = PlayerItem::create(blue);
    player->replaceCurrentItem(item);
    player->play();
    PlayerFrameGrabber grabber(player);
    // Nothing on show before: no picture while the item opens, decodes its
    // first picture (its clock held) and is mixed, until its sound is heard.
    int early = 0;
    double rendered = 0.0;
    ASSERT_TRUE(waitUntil([&] {
        const double now = HostClock::monotonicSeconds();
        const bool shown = bool(grabber.image(now));
        if (shown && !(grabber.output() && std::isfinite(grabber.output()->itemTime(now))))
            ++early;
        QCoreApplication::processEvents();
        output->render(512);
        rendered = HostClock::monotonicSeconds();
        return grabber.output() && std::isfinite(grabber.output()->itemTime(rendered + 10.0));
    }));
    EXPECT_EQ(early, 0);
    EXPECT_FALSE(grabber.image(rendered)) << "mixed, not heard yet";
    EXPECT_TRUE(isBlue(grabber.image(rendered + kLatency + 0.02)));
    player->pause();
}

} // namespace
} // namespace tessarin::test
