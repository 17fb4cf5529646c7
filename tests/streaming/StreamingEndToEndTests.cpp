// Streams through the real ffmpeg program to receivers on 127.0.0.1 that each
// test starts and stops, and checks what arrived with ffprobe.
#include "SyntheticSources.h"

#include "platform/ChildProcess.h"
#include "platform/Settings.h"
#include "streaming/KeychainQueue.h"
#include "streaming/SecretStore.h"
#include "streaming/StreamManager.h"

#include "support/Loopback.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <csignal>

using namespace tessarin;
using F = StreamFormat;
using Status = StreamOutput::Status;

namespace {

struct Probe {
    QJsonObject video;
    QJsonObject audio;
    double duration = 0;
};

Probe probe(const QString& path)
{
    const CaptureResult result = runAndCapture(
        "/usr/bin/ffprobe",
        { "-v", "error", "-show_entries",
          "stream=codec_type,codec_name,width,height,r_frame_rate,field_order,sample_rate,channels:format=duration",
          "-of", "json", path },
        30.0);
    const QJsonObject root = QJsonDocument::fromJson(result.output).object();
    Probe out;
    for (const QJsonValue& stream : root.value("streams").toArray()) {
        if (stream.toObject().value("codec_type") == "video")
            out.video = stream.toObject();
        else if (stream.toObject().value("codec_type") == "audio")
            out.audio = stream.toObject();
    }
    out.duration = root.value("format").toObject().value("duration").toString().toDouble();
    return out;
}

class StreamingEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // CTest runs these cases with no other test beside them (RUN_ALONE in
        // CMakeLists.txt): an encoder sharing a small machine falls behind
        // real time.
        SecretStore::overrideServiceForTesting("test." + QUuid::createUuid().toString(QUuid::WithoutBraces));
        settings = std::make_unique<Settings>(dir.filePath("settings.ini"));
        manager = std::make_unique<StreamManager>(
            *settings,
            [this](int w, int h, double) {
                frames = std::make_shared<test::NumberedFrames>(w, h);
                return frames;
            },
            audio);
    }
    void TearDown() override
    {
        if (manager) {
            manager->killAllForTermination();
            for (const auto& output : manager->outputs())
                test::waitUntil([&] { return !output->isActive(); }, 10.0);
        }
        manager.reset();
        if (receiver) {
            receiver->terminateAndWait(2.0);
            receiver.reset();
        }
        // Addresses handed to the keychain go under this test's service.
        KeychainQueue::shared()->flush(30.0);
        SecretStore::overrideServiceForTesting(QString());
    }

    // An ffmpeg that receives one stream and copies it into a file.
    void startReceiver(const QString& input, const QStringList& inputOptions, const QString& file, int port, bool udp)
    {
        receivedFile = dir.filePath(file);
        QStringList args { "-hide_banner", "-loglevel", "error", "-nostdin" };
        args << inputOptions << "-i" << input << "-c" << "copy" << "-y" << receivedFile;
        receiver = ChildProcess::spawn("/usr/bin/ffmpeg", args, {});
        ASSERT_TRUE(receiver.has_value());
        ASSERT_TRUE(test::waitUntil([&] { return test::listening(port, udp); }, 20.0)) << "receiver never listened";
    }
    void startRtmpReceiver(const QString& file = "received.flv")
    {
        port = test::freePort(SOCK_STREAM);
        const QString url = QStringLiteral("rtmp://127.0.0.1:%1/live/test").arg(port);
        startReceiver(url, { "-listen", "1", "-timeout", "30" }, file, port, false);
        address = url;
    }
    void startSrtReceiver(const QString& file = "received.ts")
    {
        port = test::freePort(SOCK_DGRAM);
        startReceiver(QStringLiteral("srt://127.0.0.1:%1?mode=listener&listen_timeout=30000000").arg(port), {}, file,
                      port, true);
        address = QStringLiteral("srt://127.0.0.1:%1?mode=caller").arg(port);
    }

    // Starts output 1 with the manager's format and waits for it to go live.
    StreamOutput& goLive(const F& format, StreamOutput::Kind kind, StreamOutput::InterlacedCodec icodec
                                                                    = StreamOutput::InterlacedCodec::mpeg2)
    {
        manager->setFormat(format);
        StreamOutput& out = *manager->outputs()[0];
        out.setKind(kind);
        out.setInterlacedCodec(icodec);
        out.setVideoCodec(StreamOutput::VideoCodec::h264);
        out.setBitrateKbps(2500);
        out.setUrl(address);
        manager->startPipeline();
        out.start(manager->format());
        EXPECT_TRUE(test::waitUntil([&] { return out.status() != Status::connecting(); }, 30.0));
        EXPECT_EQ(out.status(), Status::live()) << out.status().message.toStdString();
        return out;
    }
    // Video frames the receiver has written to its file so far.
    long long receivedFrames() const
    {
        const CaptureResult result = runAndCapture(
            "/usr/bin/ffprobe",
            { "-v", "quiet", "-select_streams", "v:0", "-count_packets", "-show_entries", "stream=nb_read_packets",
              "-of", "default=noprint_wrappers=1:nokey=1", receivedFile },
            30.0);
        // A transport stream lists its programs' streams too: the same count again.
        const auto count = QRegularExpression(QStringLiteral("\\d+")).match(QString::fromUtf8(result.output));
        return count.hasMatch() ? count.captured().toLongLong() : 0;
    }
    // Streams until the receiver has written `count` frames, stops, and
    // waits for the destination and the receiver to end; gives the frames
    // sent. How long that takes depends on the machine (an instrumented
    // build composes and encodes far below real time), what arrives does not.
    long long streamAndStop(StreamOutput& out, long long count)
    {
        QElapsedTimer sinceLook;
        const auto received = [&] {
            // ffprobe reads the whole file: a look every quarter second.
            if (sinceLook.isValid() && sinceLook.elapsed() < 250)
                return false;
            sinceLook.start();
            return receivedFrames() >= count;
        };
        EXPECT_TRUE(test::waitUntil(received, 300.0)) << "the receiver got " << receivedFrames() << " frames";
        const long long sent = manager->counters().framesSent;
        out.stop();
        // As long as the encoder still works off what it holds, up to the limit.
        EXPECT_TRUE(test::waitUntil([&] { return !out.isActive(); }, StreamOutput::kStopFlushLimitSeconds + StreamOutput::kKillGraceSeconds + 20.0));
        EXPECT_EQ(out.status(), Status::idle());
        EXPECT_FALSE(manager->isStreaming());
        EXPECT_FALSE(manager->isPipelineRunning());
        EXPECT_TRUE(receiver->wait(20.0).has_value()) << "the receiver did not end with the stream";
        return sent;
    }

    QTemporaryDir dir;
    std::unique_ptr<Settings> settings;
    std::shared_ptr<test::ToneAudio> audio = std::make_shared<test::ToneAudio>();
    std::shared_ptr<test::NumberedFrames> frames;
    std::unique_ptr<StreamManager> manager;
    std::optional<ChildProcess> receiver;
    QString receivedFile;
    QString address;
    int port = 0;
};

// The received duration against the frames sent: never longer than sent
// (plus the encoder's rounding at both ends), and at least the frames the
// receiver had written before the stop (less the rounding of one frame).
// On a starved machine ffmpeg's input queue runs behind real time and ffmpeg
// drops what is still queued when it is stopped, so more may be sent than
// arrives.
void expectDuration(double received, double sentSeconds, double receivedBeforeStopSeconds, double frameSeconds)
{
    EXPECT_LE(received, sentSeconds + 1.0);
    EXPECT_GE(received, receivedBeforeStopSeconds - frameSeconds);
}

void expectAudio(const Probe& p)
{
    EXPECT_EQ(p.audio.value("codec_name"), "aac");
    EXPECT_EQ(p.audio.value("sample_rate"), "48000");
    EXPECT_EQ(p.audio.value("channels").toInt(), 2);
}

TEST_F(StreamingEndToEndTest, Rtmp720p30ArrivesWithItsSizeRateAndSoundAndShowsARate)
{
    startRtmpReceiver();
    StreamOutput& out = goLive({ F::Resolution::hd720, F::Scan::progressive, F::Rate::r30 }, StreamOutput::Kind::rtmp);
    EXPECT_TRUE(manager->isStreaming());
    EXPECT_TRUE(test::waitUntil([&] { return out.measuredKbps() > 0; }, 20.0)) << "no bitrate measured";
    const long long wanted = 90;
    const long long sent = streamAndStop(out, wanted);

    const Probe p = probe(receivedFile);
    EXPECT_EQ(p.video.value("codec_name"), "h264");
    EXPECT_EQ(p.video.value("width").toInt(), 1280);
    EXPECT_EQ(p.video.value("height").toInt(), 720);
    EXPECT_EQ(p.video.value("r_frame_rate"), "30/1");
    expectAudio(p);
    expectDuration(p.duration, sent / 30.0, wanted / 30.0, 1 / 30.0);
    EXPECT_EQ(out.measuredKbps(), 0.0);
}

TEST_F(StreamingEndToEndTest, Srt1080i50Mpeg2ArrivesTopFieldFirst)
{
    startSrtReceiver();
    StreamOutput& out = goLive({ F::Resolution::hd1080, F::Scan::interlaced, F::Rate::r25 }, StreamOutput::Kind::srt);
    const long long wanted = 75;
    const long long sent = streamAndStop(out, wanted);

    const Probe p = probe(receivedFile);
    EXPECT_EQ(p.video.value("codec_name"), "mpeg2video");
    EXPECT_EQ(p.video.value("width").toInt(), 1920);
    EXPECT_EQ(p.video.value("height").toInt(), 1080);
    EXPECT_EQ(p.video.value("r_frame_rate"), "25/1");
    EXPECT_EQ(p.video.value("field_order"), "tt");
    expectAudio(p);
    expectDuration(p.duration, sent / 25.0, wanted / 25.0, 1 / 25.0);
}

TEST_F(StreamingEndToEndTest, Rtmp1080i5994H264ArrivesTopFieldFirst)
{
    startRtmpReceiver();
    StreamOutput& out = goLive({ F::Resolution::hd1080, F::Scan::interlaced, F::Rate::r29_97 }, StreamOutput::Kind::rtmp,
                               StreamOutput::InterlacedCodec::h264);
    const long long wanted = 75;
    const long long sent = streamAndStop(out, wanted);

    const Probe p = probe(receivedFile);
    EXPECT_EQ(p.video.value("codec_name"), "h264");
    EXPECT_EQ(p.video.value("width").toInt(), 1920);
    EXPECT_EQ(p.video.value("height").toInt(), 1080);
    EXPECT_EQ(p.video.value("r_frame_rate"), "30000/1001");
    EXPECT_EQ(p.video.value("field_order"), "tt");
    expectAudio(p);
    expectDuration(p.duration, sent * 1.001 / 30.0, wanted * 1.001 / 30.0, 1.001 / 30.0);
}

TEST_F(StreamingEndToEndTest, AReceiverThatGoesAwayFailsTheDestinationWithFFmpegsLastError)
{
    startRtmpReceiver();
    StreamOutput& out = goLive({ F::Resolution::hd720, F::Scan::progressive, F::Rate::r25 }, StreamOutput::Kind::rtmp);
    receiver->kill();
    receiver->wait();
    ASSERT_TRUE(test::waitUntil([&] { return !out.isActive(); }, 30.0));
    EXPECT_EQ(out.status().state, Status::State::failed);
    EXPECT_FALSE(out.status().message.isEmpty());
    EXPECT_NE(out.status().message, "Connessione interrotta") << "ffmpeg said why";
    EXPECT_FALSE(manager->isPipelineRunning());
}

TEST_F(StreamingEndToEndTest, AtTerminationEveryEncoderIsKilled)
{
    startSrtReceiver();
    StreamOutput& out = goLive({ F::Resolution::hd720, F::Scan::progressive, F::Rate::r30 }, StreamOutput::Kind::srt);
    const pid_t pid = out.processIds().first;
    ASSERT_GT(pid, 0);
    manager->killAllForTermination();
    ASSERT_TRUE(test::waitUntil([&] { return !out.isActive(); }, 10.0));
    EXPECT_EQ(out.status(), Status::idle());
    EXPECT_EQ(out.processIds().first, 0);
}

} // namespace
