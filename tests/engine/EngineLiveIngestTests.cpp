// A live item on air end to end: the real ffmpeg ingest session listening
// on a loopback RTMP port, fed by a publisher the test starts, with the
// publisher's colour on the live sink, its sound on the program audio bus, live status
// published, and a pause that ends the ingest and frees the port.
#include "EngineFixture.h"

#include "media/LiveSessionFactory.h"
#include "media/LiveTestSupport.h"
#include "engine/ProgramAudioBus.h"
#include "media/LiveVideoSink.h"

#include <algorithm>
#include <cmath>

namespace tessarin::test {
namespace {

constexpr double kIngestDeadline = 30.0; // ffmpeg's start, probing and the first frame on a busy machine

using LiveIngest = EngineTest;

TEST_F(LiveIngest, AnRtmpFeedGoesOnAirAndAPauseEndsItsIngest)
{
    makeEngine(TransitionStyle::cut);
    engine->setLiveSessionMaker([](const LiveSource& source) { return LiveSessionFactory::make(source); });
    const int port = freeTcpPort();
    const QString url = QStringLiteral("rtmp://127.0.0.1:%1/live/onair").arg(port);
    LiveSource source;
    source.kind = LiveSourceKind::rtmp;
    source.name = QStringLiteral("Feed");
    source.address = url;
    source.listen = true;
    auto live = MediaFile::create(source);
    engine->play(blockOf({ live }));
    EXPECT_EQ(engine->liveStatus(), LiveStatus::connecting());

    Publisher publisher({ url, QStringLiteral("flv") });
    auto bus = engine->programAudio();
    bus->setEnabled(true);
    auto loudestOnBus = [&] {
        float peak = 0.0f;
        for (float v : bus->queued(ProgramAudioBus::kLiveSource))
            peak = std::max(peak, std::fabs(v));
        return peak;
    };
    auto& sink = *engine->liveSink();
    ASSERT_TRUE(waitUntil([&] { return engine->liveStatus() == LiveStatus::live() && !sink.lastImage().isNull(); },
        kIngestDeadline));
    const QImage frame = sink.lastImage();
    const QRgb px = frame.pixel(frame.width() / 2, frame.height() / 2);
    EXPECT_NEAR(qRed(px), 0x20, 10);
    EXPECT_NEAR(qGreen(px), 0xA0, 10);
    EXPECT_NEAR(qBlue(px), 0x60, 10);
    EXPECT_TRUE(waitUntil([&] { return loudestOnBus() > 0.05f; }, kIngestDeadline)) << "the publisher's tone on the bus";

    engine->togglePlayPause();
    EXPECT_FALSE(engine->isLiveOnAir());
    EXPECT_EQ(engine->liveStatus(), LiveStatus::idle());
    EXPECT_TRUE(sink.latest().isNull());
    publisher.stop();
    EXPECT_TRUE(waitUntil([&] { return !tcpPortInUse(port); }, 15.0)) << "the ingest still listens";
    drainMainQueue();
    EXPECT_TRUE(sink.lastImage().isNull());
    EXPECT_EQ(engine->liveStatus(), LiveStatus::idle());
}

} // namespace
} // namespace tessarin::test
