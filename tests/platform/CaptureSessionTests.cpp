#include "platform/CaptureSession.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

extern "C" {
#include <libavutil/error.h>
}

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cmath>
#include <mutex>
#include <set>
#include <unistd.h>

using namespace tessarin;

namespace {

// What a session delivered, gathered under a lock from its threads.
struct Received {
    std::mutex mutex;
    std::vector<std::shared_ptr<VideoFrame>> frames; // the newest two, as a sink and a renderer keep them
    std::set<const std::uint8_t*> memory; // every distinct picture buffer seen
    int frameCount = 0;
    std::vector<float> channel0;
    int sampleRate = 0;
    int channels = 0;
    std::optional<CaptureFailure> failure;

    CaptureSession::Callbacks callbacks()
    {
        return {
            [this](std::shared_ptr<VideoFrame> frame) {
                std::lock_guard lock(mutex);
                ++frameCount;
                memory.insert(frame->bits());
                frames.push_back(std::move(frame));
                if (frames.size() > 2)
                    frames.erase(frames.begin());
            },
            [this](const CapturedAudio& audio) {
                std::lock_guard lock(mutex);
                sampleRate = audio.sampleRate;
                channels = audio.channels;
                channel0.insert(channel0.end(), audio.plane(0), audio.plane(0) + audio.frames);
            },
            [this](const CaptureFailure& f) {
                std::lock_guard lock(mutex);
                failure = f;
            },
        };
    }
    int frameTotal()
    {
        std::lock_guard lock(mutex);
        return frameCount;
    }
    size_t samples()
    {
        std::lock_guard lock(mutex);
        return channel0.size();
    }
    bool failed()
    {
        std::lock_guard lock(mutex);
        return failure.has_value();
    }
};

// Frequency of a tone from its rising zero crossings.
double toneFrequency(const std::vector<float>& samples, int rate)
{
    int crossings = 0;
    for (size_t i = 1; i < samples.size(); ++i)
        crossings += samples[i - 1] < 0.0f && samples[i] >= 0.0f;
    return crossings * static_cast<double>(rate) / static_cast<double>(samples.size());
}

CaptureInput lavfi(const QString& graph)
{
    CaptureInput input;
    input.format = "lavfi";
    input.url = graph;
    return input;
}

} // namespace

TEST(CaptureSession, DeliversTheDevicesPictureAsBgraAndItsSoundAsPlanarFloat)
{
    Received got;
    CaptureSession session(lavfi("color=c=0x2080C0:s=320x240:r=30,realtime[out0];"
                                 "sine=f=1000:r=44100,arealtime[out1]"),
                           got.callbacks());
    session.start();
    ASSERT_TRUE(test::waitUntil([&] { return got.frameTotal() >= 20 && got.samples() >= 44100 / 2; }, 20));
    session.stop();
    ASSERT_TRUE(test::waitUntil([&] { return session.finished(); }, 10));

    std::lock_guard lock(got.mutex);
    const auto& frame = got.frames.back();
    ASSERT_EQ(frame->width(), 320);
    ASSERT_EQ(frame->height(), 240);
    const std::uint8_t* px = frame->constBits() + 120 * frame->bytesPerLine() + 160 * 4;
    EXPECT_NEAR(px[0], 0xC0, 3); // blue
    EXPECT_NEAR(px[1], 0x80, 3); // green
    EXPECT_NEAR(px[2], 0x20, 3); // red

    // The device's own rate and channel count: no resampling here.
    EXPECT_EQ(got.sampleRate, 44100);
    EXPECT_EQ(got.channels, 1);
    EXPECT_NEAR(toneFrequency(got.channel0, 44100), 1000.0, 20.0);
    // A steady stream is carried by a handful of reused buffers.
    EXPECT_LE(got.memory.size(), 8u);
}

TEST(CaptureSession, SoundComesFromThePairedDeviceWhenThePictureHasNone)
{
    Received got;
    CaptureInput input = lavfi("color=c=red:s=160x120:r=30,realtime");
    input.audioFormat = "lavfi"; // stands in for the ALSA device of the same hardware
    input.audioUrl = "sine=f=500:r=48000,arealtime";
    CaptureSession session(input, got.callbacks());
    session.start();
    ASSERT_TRUE(test::waitUntil([&] { return got.frameTotal() >= 5 && got.samples() >= 24000; }, 20));
    session.stop();
    ASSERT_TRUE(test::waitUntil([&] { return session.finished(); }, 10));
    std::lock_guard lock(got.mutex);
    EXPECT_EQ(got.sampleRate, 48000);
    EXPECT_NEAR(toneFrequency(got.channel0, 48000), 500.0, 15.0);
}

TEST(CaptureSession, StopEndsTheThreadsAndTheFramesStop)
{
    Received got;
    CaptureSession session(lavfi("testsrc2=s=320x240:r=30,realtime"), got.callbacks());
    session.start();
    ASSERT_TRUE(test::waitUntil([&] { return got.frameTotal() >= 3; }, 20));
    session.stop();
    ASSERT_TRUE(test::waitUntil([&] { return session.finished(); }, 10));
    const int atStop = got.frameTotal();
    test::drainMainQueue();
    EXPECT_EQ(got.frameTotal(), atStop);
    EXPECT_FALSE(got.failed());
}

TEST(CaptureSession, NothingIsDeliveredOnceStopHasReturned)
{
    // Started and stopped at once (pictures come as fast as they are made):
    // none after the stop, and no failure for the stop's interruption.
    for (int i = 0; i < 5; ++i) {
        Received got;
        CaptureSession session(lavfi("testsrc2=s=320x240:r=30"), got.callbacks());
        session.start();
        session.stop();
        const int atStop = got.frameTotal();
        ASSERT_TRUE(test::waitUntil([&] { return session.finished(); }, 10));
        EXPECT_EQ(got.frameTotal(), atStop);
        EXPECT_FALSE(got.failed());
    }

    // Stopped while a picture is being delivered: stop() returns only once
    // that delivery has, and no other starts.
    std::mutex mutex;
    std::condition_variable changed;
    bool inside = false;
    bool stopCalled = false;
    bool stopReturned = false;
    std::atomic<int> afterStop { 0 };
    CaptureSession::Callbacks callbacks;
    callbacks.onFrame = [&](std::shared_ptr<VideoFrame>) {
        std::unique_lock lock(mutex);
        if (stopReturned)
            ++afterStop;
        inside = true;
        changed.notify_all();
        changed.wait(lock, [&] { return stopCalled; });
        // Held a while past the stop: a stop that did not wait returns now.
        changed.wait_for(lock, std::chrono::milliseconds(300), [&] { return stopReturned; });
        if (stopReturned)
            ++afterStop;
    };
    CaptureSession session(lavfi("testsrc2=s=320x240:r=30"), callbacks);
    session.start();
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(20), [&] { return inside; }));
        stopCalled = true;
        changed.notify_all();
    }
    session.stop();
    {
        std::lock_guard lock(mutex);
        stopReturned = true;
        changed.notify_all();
    }
    ASSERT_TRUE(test::waitUntil([&] { return session.finished(); }, 10));
    EXPECT_EQ(afterStop.load(), 0);
}

TEST(CaptureSession, APictureThatEndsWithoutAStopIsReported)
{
    // A device that goes away mid-run ends its reads with an error; a finite
    // graph ends the same way, with the end of file.
    Received got;
    CaptureSession session(lavfi("color=c=red:s=160x120:r=30:d=0.2"), got.callbacks());
    session.start();
    ASSERT_TRUE(test::waitUntil([&] { return got.failed(); }, 10));
    ASSERT_TRUE(test::waitUntil([&] { return session.finished(); }, 10));
    std::lock_guard lock(got.mutex);
    EXPECT_GT(got.frameCount, 0);
    EXPECT_EQ(got.failure->kind, CaptureFailure::Kind::Other);
    EXPECT_EQ(got.failure->reason, CaptureSession::errorText(AVERROR_EOF));
}

TEST(CaptureSession, AMissingDeviceFailsWithTheSystemsReason)
{
    Received got;
    CaptureInput input;
    input.format = "v4l2";
    input.url = "/dev/v4l/by-id/usb-Nobody_Nothing-video-index0";
    CaptureSession session(input, got.callbacks());
    session.start();
    ASSERT_TRUE(test::waitUntil([&] { return got.failed(); }, 10));
    ASSERT_TRUE(test::waitUntil([&] { return session.finished(); }, 10));
    std::lock_guard lock(got.mutex);
    EXPECT_EQ(got.failure->kind, CaptureFailure::Kind::NotFound);
    EXPECT_EQ(got.failure->reason, QString::fromUtf8(strerror(ENOENT)));
    EXPECT_EQ(got.frameCount, 0);
}

TEST(CaptureSession, OpenErrorsAreToldApartWithTheSystemsWording)
{
    using Kind = CaptureFailure::Kind;
    for (int e : { ENOENT, ENODEV, ENXIO })
        EXPECT_EQ(CaptureSession::failureFor(AVERROR(e)).kind, Kind::NotFound) << e;
    for (int e : { EACCES, EPERM }) {
        EXPECT_EQ(CaptureSession::failureFor(AVERROR(e)).kind, Kind::AccessDenied) << e;
        EXPECT_EQ(CaptureSession::failureFor(AVERROR(e)).reason, QString::fromUtf8(strerror(e)));
    }
    EXPECT_EQ(CaptureSession::failureFor(AVERROR(EBUSY)).kind, Kind::Other);
    EXPECT_EQ(CaptureSession::failureFor(AVERROR(EBUSY)).reason, QString::fromUtf8(strerror(EBUSY)));
}

TEST(CaptureSession, ADeviceTheUserMayNotOpenFailsAsAccessDenied)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root opens every file";
    QTemporaryDir dir;
    const QString node = dir.filePath("video9");
    QFile file(node);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    file.setPermissions(QFileDevice::Permissions());

    Received got;
    CaptureInput input;
    input.format = "v4l2";
    input.url = node;
    CaptureSession session(input, got.callbacks());
    session.start();
    ASSERT_TRUE(test::waitUntil([&] { return got.failed(); }, 10));
    std::lock_guard lock(got.mutex);
    EXPECT_EQ(got.failure->kind, CaptureFailure::Kind::AccessDenied);
    EXPECT_EQ(got.failure->reason, QString::fromUtf8(strerror(EACCES)));
}
