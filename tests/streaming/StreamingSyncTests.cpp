// Picture and sound of the real program streamed through the real ffmpeg,
// with the program's sound played by a device that keeps wall-clock time
// (a PulseAudio null sink): in the received file each flash of a sync clip
// and its beep arrive together, even though the encoder started late.
#include "FakeFFmpeg.h"
#include "SyncClip.h"

#include "engine/PlaylistEngine.h"
#include "media/FFmpegTools.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "platform/Settings.h"
#include "platform/player/AudioOutput.h"
#include "platform/player/FfmpegMediaPlayer.h"
#include "streaming/KeychainQueue.h"
#include "streaming/ProgramStreamSources.h"
#include "streaming/SecretStore.h"

#include "media/LiveTestSupport.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

using namespace tessarin;

namespace {

TEST(StreamingSyncTest, AFileJoinedInTheMiddleOfAFlashAndBeepCountsNeitherAtItsStart)
{
    // The sync clip from 1.05 s on: it begins white and loud, then flashes
    // and beeps at 1.95 s of its own time.
    QTemporaryDir dir;
    const QString clip = dir.filePath("sync.mkv");
    ASSERT_TRUE(test::makeSyncClip(clip, 4.0, 50, 1.0, 2.0, 2));
    const QString joined = dir.filePath("joined.mkv");
    const CaptureResult cut = runAndCapture(QStringLiteral("/usr/bin/ffmpeg"),
        { "-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-ss", "1.05", "-i", clip, "-c:v", "libx264",
          "-preset", "ultrafast", "-bf", "0", "-c:a", "pcm_s16le", joined },
        60.0);
    ASSERT_EQ(cut.exitCode.value_or(-1), 0);
    const test::SyncEvents events = test::findSyncEvents(joined, 50);
    ASSERT_EQ(events.flashes.size(), 1u);
    ASSERT_EQ(events.beeps.size(), 1u);
    EXPECT_NEAR(events.flashes[0], 1.95, 0.03);
    EXPECT_NEAR(events.beeps[0], 1.95, 0.03);
}

TEST(StreamingSyncTest, FlashAndBeepArriveTogetherThoughTheEncoderStartsLate)
{
    QTemporaryDir dir;
    test::PulseNullSink pulse(dir.filePath("pulse"));
    ASSERT_TRUE(pulse.ready()) << "no PulseAudio server (tools/packages.txt lists pulseaudio)";
    auto device = std::make_shared<SdlAudioOutput>(SdlAudioOutput::Options { QStringLiteral("pulseaudio") });
    ASSERT_EQ(device->driverName(), QStringLiteral("pulseaudio")) << "the sound must be paced by the wall clock";

    // Two 4 s items at 50 frames a second, each flashing and beeping at 1 s
    // and 3 s: a join between them, and four flashes in all. A flash lands
    // in the stream frame nearest to it, 10 ms early or late at most.
    const QString clip = dir.filePath("sync.mkv");
    ASSERT_TRUE(test::makeSyncClip(clip, 4.0, 50, 1.0, 2.0, 2));
    SecretStore::overrideServiceForTesting("test." + QUuid::createUuid().toString(QUuid::WithoutBraces));
    Settings settings(dir.filePath("settings.ini"));
    PlaylistEngine engine(HostClock::shared(), settings,
                          [device] { return std::make_shared<FfmpegMediaPlayer>(device, HostClock::shared()); },
                          device);
    engine.setTransitionStyle(TransitionStyle::cut);
    auto block = test::syncBlock(clip, 2, 4.0);
    engine.setBlocks({ block });

    const int port = test::freeTcpPort();
    const QString url = QStringLiteral("rtmp://127.0.0.1:%1/live/sync").arg(port);
    const QString received = dir.filePath("received.flv");
    auto receiver = ChildProcess::spawn("/usr/bin/ffmpeg",
                                        { "-hide_banner", "-loglevel", "error", "-nostdin", "-listen", "1", "-timeout",
                                          "30", "-i", url, "-c", "copy", "-y", received },
                                        {});
    ASSERT_TRUE(receiver.has_value());

    // The encoder starts 1.5 s late: picture and sound pile up meanwhile.
    const QString late = test::writeFakeFFmpeg(dir, "late-ffmpeg", test::kAllEncoders, test::kAllProtocols,
                                               "sleep 1.5; exec /usr/bin/ffmpeg \"$@\"");
    FFmpegTools::overrideCandidates(QStringList { late });
    {
        ProgramStreaming streaming = ProgramStreaming::create(settings, engine);
        StreamManager& manager = *streaming.manager;
        manager.setFormat({ StreamFormat::Resolution::hd720, StreamFormat::Scan::progressive, StreamFormat::Rate::r50 });
        StreamOutput& out = *manager.outputs()[0];
        out.setKind(StreamOutput::Kind::rtmp);
        out.setVideoCodec(StreamOutput::VideoCodec::h264);
        out.setBitrateKbps(2500);
        out.setUrl(url);
        manager.startPipeline();
        out.start(manager.format());
        EXPECT_TRUE(test::waitUntil([&] { return out.status() != StreamOutput::Status::connecting(); }, 30.0));
        EXPECT_EQ(out.status(), StreamOutput::Status::live()) << out.status().message.toStdString();
        // The picture and the sound that waited for the encoder are in; the
        // program starts while the encoder still works through them.
        engine.play(block);
        EXPECT_TRUE(test::waitUntil([&] { return !engine.isPlaying(); }, 30.0)) << "the block did not end";
        // On a busy machine the encoder is still seconds behind, working
        // through what waits for it: once the pipes have taken what the
        // block showed, only the encoder's own queue is left (a second of
        // pictures), and the stop lets it take that and end at the end of
        // its pipes, well within the time a stop gives it.
        EXPECT_TRUE(test::waitUntil([&] {
            const auto [frames, blocks] = out.pendingWrites();
            return frames <= 1 && blocks <= 1;
        }, 60.0)) << "the encoder did not catch up";
        out.stop();
        EXPECT_TRUE(test::waitUntil([&] { return !out.isActive(); }, StreamOutput::kStopFlushLimitSeconds + StreamOutput::kKillGraceSeconds + 20.0));
        out.setUrl(QString());
    }
    FFmpegTools::overrideCandidates(std::nullopt);
    EXPECT_TRUE(receiver->wait(20.0).has_value()) << "the receiver did not end with the stream";
    KeychainQueue::shared()->flush(30.0);
    SecretStore::overrideServiceForTesting(QString());

    const test::SyncEvents events = test::findSyncEvents(received, 50);
    const std::vector<test::SyncOffset> offsets = test::syncOffsets(events);
    QString seen;
    for (const double t : events.flashes)
        seen += QStringLiteral(" flash %1").arg(t);
    for (const double t : events.beeps)
        seen += QStringLiteral(" beep %1").arg(t);
    SCOPED_TRACE(seen.toStdString());
    // A frame the stream had no time for is left out, however busy the
    // machine: a flash is measured from its start even when its first
    // pictures went (the first one carried tells how many), and a flash may
    // go whole, which the pictures around its beep tell. Every beep has its
    // flash, measured or wholly left out. The sound the block played is
    // all in the stream, the last beep too: the stop lost nothing that was
    // on air.
    EXPECT_EQ(events.beeps.size(), 4u);
    std::size_t leftOut = 0;
    for (const double beep : events.beeps) {
        if (std::any_of(offsets.begin(), offsets.end(),
                        [&](const test::SyncOffset& o) { return std::abs(o.flash + o.offset - beep) < 1e-9; }))
            continue;
        EXPECT_TRUE(test::flashLeftOut(events, beep)) << "the beep at " << beep << " s has no flash";
        ++leftOut;
    }
    EXPECT_GE(offsets.size(), 1u);
    std::printf("%zu flashes measured, %zu left out whole by the stream\n", offsets.size(), leftOut);
    for (const test::SyncOffset& o : offsets)
        std::printf("flash at %.3f s, beep %+.1f ms after it\n", o.flash, o.offset * 1000);
    // Together: every flash within two frames of its beep, the first ones
    // measured while the encoder still works through what piled up (an
    // encoder's late start that moved the sound would move it by the
    // second it waited). How close they come on a quiet and a busy machine
    // (the median, the spread) is the sync benchmark's figure.
    for (const test::SyncOffset& o : offsets)
        EXPECT_LE(std::abs(o.offset), 0.040) << "flash at " << o.flash << " s: beep " << o.offset * 1000 << " ms after";
}

} // namespace
