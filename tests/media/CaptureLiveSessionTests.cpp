#include "media/CaptureLiveSession.h"
#include "media/LiveSessionFactory.h"
#include "media/FFmpegLiveSession.h"

#include "LiveTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace tessarin;
using tessarin::test::LiveRecorder;
using tessarin::test::waitUntil;

namespace {

// A camera stood in for by a lavfi graph.
CaptureLiveSession::Resolver lavfiCamera(const QString& id, const QString& graph)
{
    return [id, graph](const QString& deviceID) -> std::optional<CaptureInput> {
        if (deviceID != id)
            return std::nullopt;
        CaptureInput input;
        input.format = "lavfi";
        input.url = graph;
        return input;
    };
}

// A session with its recorder; the recorder outlives every callback.
struct Capture {
    LiveRecorder got;
    std::shared_ptr<CaptureLiveSession> session;
    explicit Capture(std::shared_ptr<CaptureLiveSession> s)
        : session(std::move(s))
    {
        got.attach(*session);
    }
    ~Capture() { EXPECT_TRUE(test::stopAndRelease(session)); }
};

} // namespace

TEST(CaptureLiveSession, GoesLiveOnceBeforeTheFirstFrameAndDeliversTheDevicesPicture)
{
    Capture capture(std::make_shared<CaptureLiveSession>(
        "cam", lavfiCamera("cam", "color=c=0x4080C0:s=352x288:r=30,realtime")));
    auto& session = capture.session;
    auto& got = capture.got;
    session->start();
    ASSERT_TRUE(waitUntil([&] { return got.frameCount() >= 10; }, 20));
    session->stop();
    EXPECT_TRUE(got.liveBeforeFirstFrame());
    const auto statuses = got.statuses();
    EXPECT_EQ(statuses, std::vector<LiveStatus>({ LiveStatus::connecting(), LiveStatus::live() }));
    const QImage frame = got.lastFrame();
    EXPECT_EQ(frame.size(), QSize(352, 288)); // the device's own size
    const QRgb px = frame.pixel(100, 100);
    EXPECT_NEAR(qRed(px), 0x40, 3);
    EXPECT_NEAR(qGreen(px), 0x80, 3);
    EXPECT_NEAR(qBlue(px), 0xC0, 3);
    EXPECT_EQ(got.audioBlocks(), 0); // no sound device: no audio
}

TEST(CaptureLiveSession, IntegerInterleavedSoundArrivesAsPlanarFloatAtItsOwnRate)
{
    Capture capture(std::make_shared<CaptureLiveSession>(
        "cam", lavfiCamera("cam", "color=c=black:s=160x120:r=30,realtime[out0];"
                                  "sine=f=441:r=44100,aformat=sample_fmts=s16:channel_layouts=stereo,arealtime[out1]")));
    auto& session = capture.session;
    auto& got = capture.got;
    session->start();
    ASSERT_TRUE(waitUntil([&] { return got.leftSamples().size() >= 44100 / 2; }, 20));
    session->stop();
    const auto format = got.audioFormat();
    ASSERT_TRUE(format);
    EXPECT_EQ(format->sampleRate, 44100.0);
    EXPECT_EQ(format->channels, 2);
    EXPECT_FALSE(format->interleaved);
    EXPECT_NEAR(test::toneFrequency(got.leftSamples(), 44100), 441.0, 10.0);
}

TEST(CaptureLiveSession, UnknownDeviceFailsAsNotFoundAndNeverGoesLive)
{
    Capture capture(std::make_shared<CaptureLiveSession>("gone", lavfiCamera("cam", "color")));
    auto& session = capture.session;
    auto& got = capture.got;
    session->start();
    ASSERT_TRUE(waitUntil([&] { return got.statuses().size() == 2; }, 10));
    EXPECT_EQ(got.statuses().back(), LiveStatus::failed("Dispositivo non trovato: è collegato?"));
    session->stop(); // after a failure: nothing to stop, no failure
}

TEST(CaptureLiveSession, APictureThatStopsArrivingTurnsFailedInsteadOfStayingLive)
{
    Capture capture(std::make_shared<CaptureLiveSession>("cam", lavfiCamera("cam", "color=s=64x64:r=30:d=0.2")));
    auto& session = capture.session;
    auto& got = capture.got;
    session->start();
    ASSERT_TRUE(waitUntil([&] { return got.statuses().size() == 3; }, 10));
    const auto statuses = got.statuses();
    EXPECT_EQ(statuses[0], LiveStatus::connecting());
    EXPECT_EQ(statuses[1], LiveStatus::live());
    ASSERT_TRUE(statuses[2].isFailed());
    EXPECT_TRUE(statuses[2].message().startsWith("Errore dispositivo: ")) << statuses[2].message().toStdString();
}

TEST(CaptureLiveSession, DeviceThatCannotOpenFailsWithTheSystemsReason)
{
    // Listed, but its node is no device at all.
    Capture capture(std::make_shared<CaptureLiveSession>("cam", [](const QString&) {
        CaptureInput input;
        input.format = "v4l2";
        input.url = "/dev/null";
        return std::optional<CaptureInput>(input);
    }));
    auto& session = capture.session;
    auto& got = capture.got;
    session->start();
    ASSERT_TRUE(waitUntil([&] { return got.statuses().size() == 2; }, 10));
    const LiveStatus status = got.statuses().back();
    ASSERT_TRUE(status.isFailed());
    EXPECT_TRUE(status.message().startsWith("Errore dispositivo: ")) << status.message().toStdString();
    EXPECT_GT(status.message().size(), QStringLiteral("Errore dispositivo: ").size());
}

TEST(CaptureLiveSession, StopBeforeTheDeviceOpensDeliversNothing)
{
    Capture capture(std::make_shared<CaptureLiveSession>("cam", lavfiCamera("cam", "color=s=64x64:r=30,realtime")));
    auto& session = capture.session;
    auto& got = capture.got;
    session->start();
    session->stop();
    // Give a running capture every chance to show itself (it must not).
    std::weak_ptr<CaptureLiveSession> weak = session;
    session.reset();
    EXPECT_TRUE(waitUntil([&] { return weak.expired(); }, 10));
    EXPECT_EQ(got.frameCount(), 0);
}

TEST(LiveSessionFactory, PicksTheSessionByKind)
{
    LiveSource capture;
    capture.kind = LiveSourceKind::capture;
    capture.address = "/dev/v4l/by-id/usb-Cam-video-index0";
    auto c = std::dynamic_pointer_cast<CaptureLiveSession>(LiveSessionFactory::make(capture));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->deviceID(), capture.address);

    for (auto kind : { LiveSourceKind::rtmp, LiveSourceKind::srt }) {
        LiveSource feed;
        feed.kind = kind;
        feed.address = "rtmp://0.0.0.0:1935/live/x";
        feed.listen = true;
        auto f = std::dynamic_pointer_cast<FFmpegLiveSession>(LiveSessionFactory::make(feed));
        ASSERT_TRUE(f);
        EXPECT_EQ(f->source(), feed);
    }
}

TEST(LiveSessionFactory, NdiOnlyReportsThatItIsUnavailable)
{
    LiveSource ndi;
    ndi.kind = LiveSourceKind::ndi;
    auto session = LiveSessionFactory::make(ndi);
    session->start(); // no callback set: nothing happens
    LiveRecorder got;
    got.attach(*session);
    session->start();
    EXPECT_EQ(got.statuses(), std::vector<LiveStatus>({ LiveStatus::failed("NDI non è disponibile in questa versione di Tessarin") }));
    session->stop();
    EXPECT_EQ(got.statuses().size(), 1u);
}
