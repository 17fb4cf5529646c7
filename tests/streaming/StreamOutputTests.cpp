// A stream destination's settings, start checks, launch decision, command
// lines and runs against stand-in ffmpeg scripts (the real ffmpeg runs are in
// StreamingEndToEndTests.cpp).
#include "FakeFFmpeg.h"

#include "media/FFmpegTools.h"
#include "platform/Settings.h"
#include "streaming/KeychainQueue.h"
#include "streaming/SecretStore.h"
#include "streaming/StreamOutput.h"

#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

using namespace tessarin;
using Status = StreamOutput::Status;
using F = StreamFormat;

namespace {

const F k720p30 { F::Resolution::hd720, F::Scan::progressive, F::Rate::r30 };
const F k1080i50 { F::Resolution::hd1080, F::Scan::interlaced, F::Rate::r25 };

// Whether pid is the sleep program blocked in its sleep: done loading, so
// its descriptors are its own.
bool asleep(pid_t pid)
{
    if (!QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid)).endsWith("sleep"))
        return false;
    QFile file(QStringLiteral("/proc/%1/syscall").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bool ok = false;
    const long number = file.readAll().split(' ').value(0).trimmed().toLong(&ok);
    return ok && (number == SYS_clock_nanosleep || number == SYS_nanosleep);
}

// A small picture of one grey value: the value tells it apart in what the
// stand-in encoder writes.
std::shared_ptr<VideoFrame> frame(int value)
{
    auto f = VideoFrame::create(8, 2);
    std::memset(f->bits(), value, size_t(f->bytesPerLine()) * 2);
    return f;
}

class StreamOutputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SecretStore::overrideServiceForTesting("test." + QUuid::createUuid().toString(QUuid::WithoutBraces));
        settings = std::make_unique<Settings>(dir.filePath("settings.ini"));
    }
    void TearDown() override
    {
        FFmpegTools::overrideCandidates(std::nullopt);
        StreamOutput::overrideRenderNodeFolder(std::nullopt);
        StreamOutput::forgetHardwareEncoders();
        // Addresses the outputs handed to the keychain go under this test's service.
        KeychainQueue::shared()->flush(30.0);
        SecretStore::set(std::nullopt, "stream.1.url");
        SecretStore::set(std::nullopt, "stream.2.url");
        SecretStore::overrideServiceForTesting(QString());
    }
    std::unique_ptr<StreamOutput> make(int index = 1)
    {
        return std::make_unique<StreamOutput>(index, *settings, clock);
    }
    // An output whose stored address has come.
    std::unique_ptr<StreamOutput> loaded(int index = 1)
    {
        auto output = make(index);
        EXPECT_TRUE(test::waitUntil([&] { return !output->isLoadingUrl(); }, 30.0));
        return output;
    }
    bool settled(const StreamOutput& output)
    {
        return test::waitUntil([&] { return !output.isActive(); }, 20.0);
    }
    // Whether the copier ended by itself once the pipes brought what was
    // expected; if not, the output is stopped so the test can end.
    bool endedByItself(StreamOutput& output)
    {
        if (settled(output))
            return true;
        output.stop();
        clock.advance(StreamOutput::kStopFlushSeconds);
        clock.advance(StreamOutput::kKillGraceSeconds);
        settled(output);
        return false;
    }
    // The value each picture of the 8 x 2 test frames in a video pipe file
    // carries in its first byte, as digits.
    static QByteArray pictureOrder(const QString& video, int frames)
    {
        QFile file(video);
        if (!file.open(QIODevice::ReadOnly))
            return "unreadable";
        const QByteArray pictures = file.readAll();
        if (pictures.size() != frames * 8 * 2 * 4)
            return "size " + QByteArray::number(pictures.size());
        QByteArray order;
        for (int i = 0; i < frames; ++i)
            order.append(char('0' + pictures.at(i * 64)));
        return order;
    }

    QTemporaryDir dir;
    std::unique_ptr<Settings> settings;
    test::ManualClock clock;
};

TEST_F(StreamOutputTest, SettingsFallBackToDefaultsAndAreWrittenUnderTheOutputsKeys)
{
    settings->setString("Vellumcast.stream.2.kind", "srt");
    settings->setInt("Vellumcast.stream.2.bitrate", 5000);
    settings->setString("Vellumcast.stream.2.vcodec", "H264");
    settings->setString("Vellumcast.stream.2.icodec", "h264");
    settings->setInt("Vellumcast.stream.1.bitrate", 12000);
    auto two = make(2);
    EXPECT_EQ(two->kind(), StreamOutput::Kind::srt);
    EXPECT_EQ(two->bitrateKbps(), 4000);
    EXPECT_EQ(two->videoCodec(), StreamOutput::VideoCodec::h265);
    EXPECT_EQ(two->interlacedCodec(), StreamOutput::InterlacedCodec::h264);
    EXPECT_EQ(make(1)->bitrateKbps(), 12000);

    two->setBitrateKbps(6000);
    two->setVideoCodec(StreamOutput::VideoCodec::h264);
    two->setKind(StreamOutput::Kind::rtmp);
    EXPECT_EQ(settings->intValue("Vellumcast.stream.2.bitrate"), 6000);
    EXPECT_EQ(settings->stringValue("Vellumcast.stream.2.vcodec"), "h264");
    EXPECT_EQ(settings->stringValue("Vellumcast.stream.2.kind"), "rtmp");
    EXPECT_FALSE(settings->contains("Vellumcast.stream.1.kind"));
}

TEST_F(StreamOutputTest, AddressesLiveInTheKeychainAndOldSettingsMoveThere)
{
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS"))
        GTEST_SKIP() << "no session bus: run inside tools/run-tests.sh";
    settings->setString("Vellumcast.stream.1.url", "rtmp://old.example/live/key");
    auto one = loaded(1);
    EXPECT_EQ(one->url(), "rtmp://old.example/live/key");
    EXPECT_EQ(SecretStore::string("stream.1.url"), "rtmp://old.example/live/key");
    EXPECT_FALSE(settings->contains("Vellumcast.stream.1.url"));

    one->setUrl("srt://new:9000");
    clock.advance(StreamOutput::kUrlSavePauseSeconds);
    ASSERT_TRUE(KeychainQueue::shared()->flush(30.0));
    EXPECT_EQ(loaded(1)->url(), "srt://new:9000");
    one->setUrl("");
    one->saveUrlNow();
    ASSERT_TRUE(KeychainQueue::shared()->flush(30.0));
    EXPECT_EQ(SecretStore::string("stream.1.url"), std::nullopt);
    EXPECT_EQ(loaded(1)->url(), "");
}

TEST_F(StreamOutputTest, AnOldAddressStaysInTheSettingsWhenTheKeychainCannotTakeIt)
{
    // In a fresh process of its own, with no secret service to be reached.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
            settings->setString("Vellumcast.stream.2.url", "rtmp://old/key");
            auto two = loaded(2);
            const bool kept = two->url() == "rtmp://old/key" && settings->contains("Vellumcast.stream.2.url");
            dir.remove(); // _Exit runs no destructor
            std::_Exit(kept ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(StreamOutputTest, StartChecksTheAddressAndTheCombinationFirst)
{
    FFmpegTools::overrideCandidates(QStringList {}); // a launch would fail with "not found"
    auto out = make();
    out->setUrl("   \n");
    out->start(k720p30);
    EXPECT_EQ(out->status(), Status::failed("Inserisci l'indirizzo di destinazione"));

    out->setKind(StreamOutput::Kind::srt);
    out->setUrl("rtmp://host/live");
    out->start(k720p30);
    EXPECT_EQ(out->status(), Status::failed("L'indirizzo deve iniziare con srt://"));
    out->setUrl("srtx://host:9000");
    out->start(k720p30);
    EXPECT_EQ(out->status(), Status::failed("L'indirizzo deve iniziare con srt://"));

    out->setKind(StreamOutput::Kind::rtmp);
    out->setUrl(" RTMPS://host/live ");
    out->start(k1080i50); // interlaced MPEG-2 over RTMP
    EXPECT_EQ(out->status(), Status::failed("L'interlacciato in MPEG-2 funziona solo con SRT: usa SRT oppure H.264"));

    out->start(k720p30); // passes the checks, then finds no ffmpeg
    EXPECT_EQ(out->status(), Status::connecting());
    out->start(k720p30); // ignored while connecting
    EXPECT_TRUE(test::waitUntil([&] { return !out->isActive(); }));
    EXPECT_EQ(out->status(), Status::failed("ffmpeg non trovato: serve per lo streaming"));
}

TEST_F(StreamOutputTest, TheLaunchDecisionFollowsWhatEachFFmpegHas)
{
    const QString full = test::writeFakeFFmpeg(dir, "full", test::kAllEncoders, test::kAllProtocols);
    const QString noX264 = test::writeFakeFFmpeg(dir, "nox264", test::kNoX264, test::kAllProtocols);
    const QString x264NoSrt = test::writeFakeFFmpeg(dir, "x264nosrt", test::kAllEncoders, test::kNoSrt);
    const F i1080 = k1080i50;
    using IC = StreamOutput::InterlacedCodec;
    auto message = [](const std::variant<StreamOutput::LaunchPlan, QString>& d) {
        return std::holds_alternative<QString>(d) ? std::get<QString>(d) : QString();
    };

    FFmpegTools::overrideCandidates(QStringList { full });
    auto plan = std::get<StreamOutput::LaunchPlan>(StreamOutput::decide("rtmp", k720p30, IC::mpeg2, false));
    EXPECT_EQ(plan.ffmpeg, full);
    EXPECT_EQ(plan.encoder, StreamOutput::Encoder::x264);
    EXPECT_FALSE(plan.sender);
    EXPECT_EQ(message(StreamOutput::decide("srt", k720p30, IC::mpeg2, true)),
              "Nessun encoder H.265 hardware funzionante su questo computer: scegli H.264");
    plan = std::get<StreamOutput::LaunchPlan>(StreamOutput::decide("srt", i1080, IC::mpeg2, false));
    EXPECT_EQ(plan.encoder, StreamOutput::Encoder::mpeg2Interlaced);

    // The first candidate lacks x264 but sends SRT; the x264 one cannot send it.
    FFmpegTools::overrideCandidates(QStringList { noX264, x264NoSrt });
    plan = std::get<StreamOutput::LaunchPlan>(StreamOutput::decide("srt", i1080, IC::h264, false));
    EXPECT_EQ(plan.ffmpeg, x264NoSrt);
    EXPECT_EQ(plan.encoder, StreamOutput::Encoder::x264Interlaced);
    EXPECT_EQ(plan.sender, noX264);
    EXPECT_EQ(message(StreamOutput::decide("rtmp", k720p30, IC::mpeg2, false)), "Questo ffmpeg non ha un encoder H.264");

    FFmpegTools::overrideCandidates(QStringList { x264NoSrt });
    EXPECT_EQ(message(StreamOutput::decide("srt", i1080, IC::h264, false)), "Nessun ffmpeg disponibile può inviare in SRT");
    EXPECT_EQ(message(StreamOutput::decide("srt", k720p30, IC::mpeg2, false)),
              "Questo ffmpeg non può inviare in SRT: serve una build con libsrt");

    FFmpegTools::overrideCandidates(QStringList { noX264 });
    EXPECT_TRUE(message(StreamOutput::decide("rtmp", i1080, IC::h264, false)).startsWith("L'H.264 interlacciato richiede"));
    FFmpegTools::overrideCandidates(QStringList {});
    EXPECT_EQ(message(StreamOutput::decide("srt", i1080, IC::mpeg2, false)), "ffmpeg non trovato: serve per lo streaming");
}

TEST_F(StreamOutputTest, AHardwareEncoderIsChosenOnlyWhenItsTrialEncodeWorksAndTheAnswerIsKept)
{
    // Lists every hardware encoder, as Debian's ffmpeg does; only the trials
    // it names in "works" succeed, and each trial leaves its line in a log.
    const QString log = dir.filePath("trials.log");
    const QString hardwareList = test::kAllEncoders + "\n V....D h264_vaapi VAAPI\n V....D hevc_vaapi VAAPI"
                                                      "\n V....D h264_nvenc NVENC\n V....D hevc_nvenc NVENC"
                                                      "\n V..... h264_qsv QSV\n V..... hevc_qsv QSV";
    auto fake = [&](const QString& name, const QString& works) {
        return test::writeFakeFFmpeg(dir, name, hardwareList, test::kAllProtocols,
                                     "echo \"$*\" >> '" + log + "'\ncase \"$*\" in " + works
                                         + ") exit 0 ;; esac\nexit 1");
    };
    auto trials = [&] {
        QFile file(log);
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    };
    const QString nodes = dir.filePath("dri");
    QDir().mkpath(nodes);
    StreamOutput::overrideRenderNodeFolder(nodes);
    using IC = StreamOutput::InterlacedCodec;
    const F p1080 { F::Resolution::hd1080, F::Scan::progressive, F::Rate::r30 };

    // No render node: VAAPI is not tried; NVENC fails its trial, Quick Sync passes.
    FFmpegTools::overrideCandidates(QStringList { fake("qsv", "*hevc_qsv*") });
    auto plan = std::get<StreamOutput::LaunchPlan>(StreamOutput::decide("srt", p1080, IC::mpeg2, true));
    EXPECT_EQ(plan.encoder, StreamOutput::Encoder::hevcQsv);
    EXPECT_EQ(plan.device, QString());
    QStringList tried = trials();
    ASSERT_EQ(tried.size(), 2);
    EXPECT_TRUE(tried[0].contains("hevc_nvenc") && tried[0].contains("s=1920x1080:r=30"));
    EXPECT_TRUE(tried[1].contains("hevc_qsv"));
    // Kept for the process: the next start runs no trial.
    EXPECT_EQ(std::get<StreamOutput::LaunchPlan>(StreamOutput::decide("srt", p1080, IC::mpeg2, true)).encoder,
              StreamOutput::Encoder::hevcQsv);
    EXPECT_EQ(trials().size(), 2);

    // With render nodes, VAAPI goes first, on the first node by name.
    QFile(nodes + "/renderD129").open(QIODevice::WriteOnly);
    QFile(nodes + "/renderD128").open(QIODevice::WriteOnly);
    QFile(nodes + "/card0").open(QIODevice::WriteOnly);
    QFile::remove(log);
    FFmpegTools::overrideCandidates(QStringList { fake("vaapi", "*h264_vaapi*") });
    plan = std::get<StreamOutput::LaunchPlan>(StreamOutput::decide("rtmp", k720p30, IC::mpeg2, false));
    EXPECT_EQ(plan.encoder, StreamOutput::Encoder::h264Vaapi);
    EXPECT_EQ(plan.device, nodes + "/renderD128");
    EXPECT_TRUE(trials().value(0).contains("-vaapi_device " + nodes + "/renderD128"));

    // Every hardware trial fails: H.264 is x264's, H.265 is refused with
    // what is missing; nothing falls back to a software H.265.
    FFmpegTools::overrideCandidates(QStringList { fake("none", "never") });
    EXPECT_EQ(std::get<StreamOutput::LaunchPlan>(StreamOutput::decide("rtmp", k720p30, IC::mpeg2, false)).encoder,
              StreamOutput::Encoder::x264);
    const auto refused = StreamOutput::decide("srt", k720p30, IC::mpeg2, true);
    ASSERT_TRUE(std::holds_alternative<QString>(refused));
    EXPECT_EQ(std::get<QString>(refused), "Nessun encoder H.265 hardware funzionante su questo computer: scegli H.264");
}

TEST_F(StreamOutputTest, TheRealFFmpegOnAComputerWithoutAVideoDeviceOffersNoHardwareEncoder)
{
    const auto ffmpeg = FFmpegTools::ffmpegPath();
    if (!ffmpeg)
        GTEST_SKIP() << "no ffmpeg";
    if (!StreamOutput::firstRenderNode().isEmpty())
        GTEST_SKIP() << "this computer has a video device";
    using IC = StreamOutput::InterlacedCodec;
    EXPECT_FALSE(StreamOutput::hardwareEncoder(*ffmpeg, true, k720p30));
    EXPECT_FALSE(StreamOutput::hardwareEncoder(*ffmpeg, false, k720p30));
    EXPECT_EQ(std::get<StreamOutput::LaunchPlan>(StreamOutput::decide("srt", k720p30, IC::mpeg2, false)).encoder,
              StreamOutput::Encoder::x264);
    EXPECT_EQ(std::get<QString>(StreamOutput::decide("srt", k720p30, IC::mpeg2, true)),
              "Nessun encoder H.265 hardware funzionante su questo computer: scegli H.264");
}

TEST_F(StreamOutputTest, CommandLinesMatchTheTables)
{
    const F p1080 { F::Resolution::hd1080, F::Scan::progressive, F::Rate::r30 };
    // The picture input queues about a second of pictures (30), not 4 GB of them.
    // Neither raw input is analysed before the encoder starts.
    const QStringList inputs { "-hide_banner", "-loglevel", "error", "-nostdin", "-nostats", "-thread_queue_size", "30",
                               "-probesize", "32", "-analyzeduration", "0",
                               "-f", "rawvideo", "-pixel_format", "bgra", "-video_size", "1920x1080", "-framerate", "30",
                               "-i", "pipe:0", "-thread_queue_size", "512", "-probesize", "32", "-analyzeduration", "0", "-f",
                               "f32le", "-sample_rate", "48000", "-ch_layout", "stereo", "-i", "pipe:3", "-map", "0:v",
                               "-map", "1:a" };
    // The rest of the line is the same for every hardware encoder; only the
    // encoder block and the picture format fed to it differ.
    const QStringList ratesAndAudio { "-b:v", "6000k", "-maxrate", "6000k", "-bufsize", "12000k" };
    const QStringList afterPixels { "-g", "60", "-c:a", "aac", "-b:a", "160k", "-ar", "48000", "-ac", "2", "-af",
                                    "aresample=async=1", "-fps_mode", "cfr", "-r", "30", "-progress", "pipe:4",
                                    "-f", "mpegts", "srt://h:9000" };
    const QStringList yuv { "-pix_fmt", "yuv420p" };
    const QStringList nv12 { "-pix_fmt", "nv12" };
    const struct {
        StreamOutput::Encoder encoder;
        QStringList block;
        QStringList pixels;
    } hardware[] = {
        { StreamOutput::Encoder::hevcVaapi,
          { "-vaapi_device", "/dev/dri/renderD128", "-vf", "format=nv12,hwupload", "-c:v", "hevc_vaapi",
            "-profile:v", "main", "-tag:v", "hvc1" },
          {} },
        { StreamOutput::Encoder::h264Vaapi,
          { "-vaapi_device", "/dev/dri/renderD128", "-vf", "format=nv12,hwupload", "-c:v", "h264_vaapi",
            "-profile:v", "high" },
          {} },
        { StreamOutput::Encoder::hevcNvenc,
          { "-c:v", "hevc_nvenc", "-preset", "p4", "-tune", "ll", "-zerolatency", "1", "-profile:v", "main",
            "-tag:v", "hvc1" },
          yuv },
        { StreamOutput::Encoder::h264Nvenc,
          { "-c:v", "h264_nvenc", "-preset", "p4", "-tune", "ll", "-zerolatency", "1", "-profile:v", "high" }, yuv },
        { StreamOutput::Encoder::hevcQsv,
          { "-c:v", "hevc_qsv", "-preset", "veryfast", "-async_depth", "1", "-profile:v", "main", "-tag:v", "hvc1" },
          nv12 },
        { StreamOutput::Encoder::h264Qsv,
          { "-c:v", "h264_qsv", "-preset", "veryfast", "-async_depth", "1", "-profile:v", "high" }, nv12 },
    };
    for (const auto& each : hardware) {
        SCOPED_TRACE(each.block.at(each.block.indexOf("-c:v") + 1).toStdString());
        EXPECT_EQ(StreamOutput::arguments("srt://h:9000", "srt", p1080, 6000, each.encoder, false, "/dev/dri/renderD128"),
                  inputs + each.block + ratesAndAudio + each.pixels + afterPixels);
    }

    const QStringList mpeg2 = StreamOutput::arguments("srt://h:9000", "srt", k1080i50, 25000,
                                                      StreamOutput::Encoder::mpeg2Interlaced, false);
    EXPECT_EQ(mpeg2.mid(inputs.size(), 8), (QStringList { "-vf", "setfield=tff", "-c:v", "mpeg2video", "-flags", "+ildct+ilme", "-bf", "2" }));
    EXPECT_EQ(mpeg2.at(mpeg2.indexOf("-bufsize") + 1), "9781k");
    EXPECT_EQ(mpeg2.at(mpeg2.indexOf("-g") + 1), "15");
    EXPECT_EQ(mpeg2.at(mpeg2.indexOf("-framerate") + 1), "25");
    const QStringList mpeg2Low = StreamOutput::arguments("srt://h", "srt", k1080i50, 4000,
                                                         StreamOutput::Encoder::mpeg2Interlaced, false);
    EXPECT_EQ(mpeg2Low.at(mpeg2Low.indexOf("-bufsize") + 1), "8000k");

    const F i2997 { F::Resolution::hd1080, F::Scan::interlaced, F::Rate::r29_97 };
    const QStringList x264i = StreamOutput::arguments("rtmps://h/app/key", "rtmps", i2997, 8000,
                                                      StreamOutput::Encoder::x264Interlaced, false);
    EXPECT_EQ(x264i.at(x264i.indexOf("-framerate") + 1), "30000/1001");
    EXPECT_EQ(x264i.at(x264i.indexOf("-g") + 1), "60");
    EXPECT_EQ(x264i.at(x264i.indexOf("-r") + 1), "30000/1001");
    EXPECT_TRUE(x264i.contains("+ilme+ildct"));
    EXPECT_FALSE(x264i.contains("zerolatency"));
    EXPECT_EQ(x264i.mid(x264i.size() - 7), (QStringList { "-progress", "pipe:4", "-flvflags", "no_duration_filesize",
                                                          "-f", "flv", "rtmps://h/app/key" }));

    const QStringList x264 = StreamOutput::arguments("rtmp://h/a", "rtmp", k720p30, 2500, StreamOutput::Encoder::x264, false);
    EXPECT_EQ(x264.mid(inputs.size(), 10), (QStringList { "-c:v", "libx264", "-preset", "veryfast", "-tune", "zerolatency",
                                               "-profile:v", "high", "-b:v", "2500k" }));
    EXPECT_EQ(x264.at(x264.indexOf("-video_size") + 1), "1280x720");

    const QStringList chained = StreamOutput::arguments("srt://h:1", "srt", i2997, 8000,
                                                        StreamOutput::Encoder::x264Interlaced, true);
    EXPECT_EQ(chained.mid(chained.size() - 3), (QStringList { "-f", "mpegts", "pipe:1" }));
    EXPECT_FALSE(chained.contains("-progress"));
    EXPECT_FALSE(chained.contains("srt://h:1"));
    EXPECT_EQ(chained.at(6), "30"); // 29.97 a second: a second of pictures, rounded up
    const F p5994 { F::Resolution::hd1080, F::Scan::progressive, F::Rate::r59_94 };
    EXPECT_EQ(StreamOutput::arguments("rtmp://h/a", "rtmp", p5994, 6000, StreamOutput::Encoder::x264, false).at(6), "60");
    EXPECT_EQ(StreamOutput::senderArguments("srt://h:1"),
              (QStringList { "-hide_banner", "-loglevel", "error", "-nostdin", "-nostats", "-fflags", "+nobuffer",
                             "-probesize", "500000", "-analyzeduration", "500000", "-f", "mpegts", "-i", "pipe:0", "-c",
                             "copy", "-progress", "pipe:4", "-f", "mpegts", "srt://h:1" }));
}

TEST_F(StreamOutputTest, ProgressLinesMeasureTheRateAndErrorTextGivesItsLastLine)
{
    StreamOutput::ProgressMeter meter;
    using E = StreamOutput::ProgressMeter::Event;
    EXPECT_EQ(meter.handle("total_size=N/A", 10.0).event, E::none);
    EXPECT_EQ(meter.handle("total_size=1000", 10.0).event, E::none);
    EXPECT_EQ(meter.handle("total_size=500000", 10.5).event, E::none);
    const auto rate = meter.handle("total_size=126000", 11.0);
    EXPECT_EQ(rate.event, E::rate);
    EXPECT_DOUBLE_EQ(rate.kbps, 1000.0);
    const auto down = meter.handle("total_size=100", 12.0);
    EXPECT_EQ(down.event, E::rate);
    EXPECT_EQ(down.kbps, 0.0);
    EXPECT_EQ(meter.handle("progress=continue", 12.0).event, E::progress);
    EXPECT_EQ(meter.handle("out_time=00:00:01", 12.0).event, E::none);

    EXPECT_EQ(StreamOutput::lastMeaningfulLine("first\n\tConnection refused \r\n  \n\t\n"), "Connection refused");
    EXPECT_EQ(StreamOutput::lastMeaningfulLine("a\u2028 b \u2029"), "b");
    EXPECT_EQ(StreamOutput::lastMeaningfulLine(" \n\t\r\n"), std::nullopt);
}

TEST_F(StreamOutputTest, RunsEndFailedWithTheLastErrorLineOrConnectionLost)
{
    auto out = make();
    out->setUrl("rtmp://127.0.0.1:1/live");
    const QString failing = test::writeFakeFFmpeg(dir, "failing", test::kAllEncoders, test::kAllProtocols,
                                                  "echo 'Some detail' >&2; printf 'rtmp://127.0.0.1:1/live: Connection refused\\n  \\n' >&2; exit 1");
    FFmpegTools::overrideCandidates(QStringList { failing });
    out->start(k720p30);
    ASSERT_TRUE(settled(*out));
    EXPECT_EQ(out->status(), Status::failed("rtmp://127.0.0.1:1/live: Connection refused"));

    const QString silent = test::writeFakeFFmpeg(dir, "silent", test::kAllEncoders, test::kAllProtocols, "exit 0");
    FFmpegTools::overrideCandidates(QStringList { silent });
    out->start(k720p30);
    ASSERT_TRUE(settled(*out));
    EXPECT_EQ(out->status(), Status::failed("Connessione interrotta"));
    EXPECT_EQ(out->processIds(), std::make_pair(pid_t(0), pid_t(0)));
}

TEST_F(StreamOutputTest, AChildIgnoringTermIsKilledAfterOneAndAHalfSecondsAndSeesOnlyItsDescriptors)
{
    auto out = make();
    out->setUrl("rtmp://127.0.0.1/live");
    // Reports progress once, then sits on its descriptors ignoring SIGTERM.
    const QString stubborn = test::writeFakeFFmpeg(dir, "stubborn", test::kAllEncoders, test::kAllProtocols,
                                                   "trap '' TERM\nprintf 'total_size=N/A\\nprogress=continue\\n' >&4\nexec sleep 60");
    FFmpegTools::overrideCandidates(QStringList { stubborn });
    out->start(k720p30);
    ASSERT_TRUE(test::waitUntil([&] { return out->status() == Status::live(); }));
    const pid_t pid = out->processIds().first;
    ASSERT_GT(pid, 0);
    // Until sleep is asleep, the loader may still hold its libraries open.
    ASSERT_TRUE(test::waitUntil([&] { return asleep(pid); }));

    QStringList fds = QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
    fds.sort();
    EXPECT_EQ(fds, (QStringList { "0", "1", "2", "3", "4" }));
    EXPECT_EQ(QFile::symLinkTarget(QStringLiteral("/proc/%1/fd/1").arg(pid)), "/dev/null");

    clock.advance(3.0);
    EXPECT_DOUBLE_EQ(out->elapsed(), 3.0);

    // It reads nothing: closing its pipes does not end it, nor does the
    // SIGTERM that comes once the time to work off its input is over.
    out->stop();
    clock.advance(StreamOutput::kStopFlushSeconds);
    clock.advance(1.0);
    EXPECT_EQ(::kill(pid, 0), 0) << "still there 1 s after SIGTERM";
    EXPECT_TRUE(out->isActive());
    clock.advance(0.5);
    ASSERT_TRUE(settled(*out));
    EXPECT_EQ(out->status(), Status::idle());
    EXPECT_DOUBLE_EQ(out->elapsed(), 3.0 + std::floor(StreamOutput::kStopFlushSeconds + 1.5))
        << "the last run's time stays (it ticked while stopping)";
    EXPECT_EQ(out->measuredKbps(), 0.0);
}

TEST_F(StreamOutputTest, TheFailureTextHidesTheStreamKeyAndTheRestOfFFmpegsLineStays)
{
    auto out = make();
    out->setUrl("rtmp://127.0.0.1:1/live/abcd-1234-secret");
    const QString failing = test::writeFakeFFmpeg(
        dir, "failing", test::kAllEncoders, test::kAllProtocols,
        "printf 'Error closing file rtmp://127.0.0.1:1/live/abcd-1234-secret: Broken pipe\\n' >&2; exit 1");
    FFmpegTools::overrideCandidates(QStringList { failing });
    out->start(k720p30);
    ASSERT_TRUE(settled(*out));
    EXPECT_EQ(out->status(), Status::failed(QStringLiteral("Error closing file rtmp://127.0.0.1:1/live/\u2022\u2022\u2022: Broken pipe")));
}

TEST_F(StreamOutputTest, NoPieceOfALongKeyReachesTheFailureTextWhenTheReaderKeepsOnlyTheLinesTail)
{
    // A line naming the address five times is longer than the error text
    // kept, which so begins inside a copy of the address.
    QString key;
    for (int i = 0; i < 4000; ++i)
        key += QStringLiteral("QZXJWKV").at((i * i) % 7);
    const QString address = QStringLiteral("rtmp://127.0.0.1:1/live/") + key;
    auto out = make();
    ASSERT_TRUE(out->setUrl(address));
    const QString failing = test::writeFakeFFmpeg(
        dir, "failing", test::kAllEncoders, test::kAllProtocols,
        QStringLiteral("a='%1'\nprintf 'Error writing %s %s %s %s %s: Broken pipe\\n' \"$a\" \"$a\" \"$a\" \"$a\" \"$a\" >&2; exit 1")
            .arg(address));
    FFmpegTools::overrideCandidates(QStringList { failing });
    out->start(k720p30);
    ASSERT_TRUE(settled(*out));
    const QString message = out->status().message;
    EXPECT_TRUE(message.endsWith(QStringLiteral("\u2022\u2022\u2022: Broken pipe"))) << message.toStdString();
    for (QChar c : QStringLiteral("QZXJWKV"))
        EXPECT_FALSE(message.contains(c)) << message.toStdString();
}

TEST_F(StreamOutputTest, DestroyingALiveOutputEndsItsProcessesEvenOneIgnoringTerm)
{
    auto out = make();
    out->setUrl("rtmp://127.0.0.1/live");
    const QString stubborn = test::writeFakeFFmpeg(dir, "stubborn", test::kAllEncoders, test::kAllProtocols,
                                                   "trap '' TERM\nprintf 'total_size=N/A\\nprogress=continue\\n' >&4\nexec sleep 60");
    FFmpegTools::overrideCandidates(QStringList { stubborn });
    out->start(k720p30);
    ASSERT_TRUE(test::waitUntil([&] { return out->status() == Status::live(); }));
    const pid_t pid = out->processIds().first;
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(test::waitUntil([&] { return asleep(pid); }));

    // No stop(): the output just goes. SIGTERM is ignored, so the end is
    // SIGKILL's, after the grace; the run then reaps the child.
    out.reset();
    EXPECT_TRUE(test::waitUntil([&] { return ::kill(pid, 0) != 0; }, 20.0)) << "the encoder outlived its output";
}

TEST_F(StreamOutputTest, AStalledEncoderHoldsASecondOfFramesAtItsStartAndTwentyFiveAudioBlocks)
{
    auto out = make();
    out->setUrl("rtmp://127.0.0.1/live");
    const QString stalled = test::writeFakeFFmpeg(dir, "stalled", test::kAllEncoders, test::kAllProtocols, "exec sleep 60");
    FFmpegTools::overrideCandidates(QStringList { stalled });
    out->start(k720p30);
    ASSERT_TRUE(test::waitUntil([&] { return out->isRunning(); }));

    // Each picture is larger than the pipe's buffer. An encoder that has
    // not kept pace yet is in its start: a second of pictures waits for it,
    // and a start that fills that is over: none are taken until two wait.
    static_assert(640 * 480 * 4 > StreamOutput::kVideoPipeBytes);
    const auto picture = VideoFrame::create(640, 480);
    for (int i = 0; i < 31; ++i)
        out->submit(picture);
    EXPECT_EQ(out->pendingWrites().first, 30);
    EXPECT_EQ(out->droppedFrames(), 1);
    out->submit(picture);
    EXPECT_EQ(out->pendingWrites().first, 30);
    EXPECT_EQ(out->droppedFrames(), 2);
    // The sound pipe takes blocks until its buffer is full (the encoder does
    // not read); from then on the queue fills up to 25 and holds there.
    auto block = std::make_shared<const std::vector<float>>(1920, 0.25f);
    int most = 0;
    ASSERT_TRUE(test::waitUntil([&] {
        out->submit(block);
        most = std::max(most, out->pendingWrites().second);
        return most >= 25;
    }));
    for (int i = 0; i < 30; ++i)
        out->submit(block);
    EXPECT_LE(out->pendingWrites().second, 25);
    EXPECT_EQ(most, 25);

    out->stop();
    clock.advance(StreamOutput::kStopFlushSeconds);
    clock.advance(StreamOutput::kKillGraceSeconds);
    ASSERT_TRUE(settled(*out));
    EXPECT_EQ(out->status(), Status::idle());
    EXPECT_EQ(out->pendingWrites(), std::make_pair(0, 0));
    out->submit(block);
    EXPECT_EQ(out->pendingWrites(), std::make_pair(0, 0));
}

TEST_F(StreamOutputTest, TheEncodersStartIsWaitedForAndTwoFramesWaitOnceItKeepsPace)
{
    // Like ffmpeg, the stand-in takes the first picture, then opens its
    // sound input (it waits for the first block, which comes only once the
    // first picture is taken) while pictures keep coming, then takes those
    // and the next ones as they come, and at last stalls. Every picture of
    // its start reaches it in its own slot, and none is counted lost; once
    // it has kept pace, two wait for it again and the next is refused.
    auto out = make();
    out->setUrl("rtmp://127.0.0.1/live");
    constexpr int kWidth = 640, kHeight = 480;
    constexpr int kPictureBytes = kWidth * kHeight * 4;
    static_assert(kPictureBytes > StreamOutput::kVideoPipeBytes, "a picture waits for the reader");
    constexpr int kOpening = 12; // pictures handed in while the sound input opens
    constexpr int kPaced = 20;   // pictures taken one by one after it
    constexpr int kTaken = 1 + kOpening + kPaced;
    const QString video = dir.filePath("video.raw");
    const QString encoder = test::writeFakeFFmpeg(dir, "opening", test::kAllEncoders, test::kAllProtocols,
        QStringLiteral("{ head -c %1; head -c %2 <&3 > /dev/null; head -c %3; } > '%4'; exec sleep 60")
            .arg(kPictureBytes)
            .arg(960 * 2 * 4)
            .arg((kOpening + kPaced) * kPictureBytes)
            .arg(video));
    FFmpegTools::overrideCandidates(QStringList { encoder });
    out->start(k720p30);
    ASSERT_TRUE(test::waitUntil([&] { return out->isRunning(); }));

    auto picture = [](int value) {
        auto f = VideoFrame::create(kWidth, kHeight);
        std::memset(f->bits(), value, size_t(f->bytesPerLine()) * kHeight);
        return f;
    };
    auto waiting = [&] { return out->pendingWrites().first; };
    // Far ahead of now: the first picture's time is the run's time zero.
    const double t0 = HostClock::monotonicSeconds() + 1000.0;
    auto at = [&](int slot) { return t0 + slot / 30.0; };
    out->submit(picture(0), at(0));
    ASSERT_TRUE(test::waitUntil([&] { return waiting() == 0; }));
    // Another for the first slot comes with the start: it goes nowhere and
    // is not counted as lost.
    out->submit(picture(99), at(0) + 0.01);
    EXPECT_EQ(waiting(), 0);
    for (int slot = 1; slot <= kOpening; ++slot)
        out->submit(picture(slot), at(slot));
    EXPECT_EQ(waiting(), kOpening) << "pictures of the encoder's start were refused";
    EXPECT_EQ(out->droppedFrames(), 0);

    out->submit(std::make_shared<const std::vector<float>>(960 * 2, 0.5f), t0);
    ASSERT_TRUE(test::waitUntil([&] { return waiting() == 0; }));
    for (int slot = kOpening + 1; slot < kTaken; ++slot) {
        out->submit(picture(slot), at(slot));
        ASSERT_TRUE(test::waitUntil([&] { return waiting() == 0; }));
    }
    ASSERT_TRUE(test::waitUntil([&] { return QFileInfo(video).size() == qint64(kTaken) * kPictureBytes; }))
        << "the stand-in took " << QFileInfo(video).size() / kPictureBytes << " pictures";
    QFile file(video);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray taken = file.readAll();
    for (int i = 0; i < kTaken; ++i)
        ASSERT_EQ(int(uchar(taken.at(qsizetype(i) * kPictureBytes))), i) << "picture " << i << " of the stream";
    EXPECT_EQ(out->droppedFrames(), 0);

    // Stalled now: two wait, the next is refused and counted.
    for (int slot = kTaken; slot < kTaken + 3; ++slot)
        out->submit(picture(slot), at(slot));
    EXPECT_EQ(waiting(), StreamOutput::kWaitingFrames);
    EXPECT_EQ(out->droppedFrames(), 1);

    out->stop();
    clock.advance(StreamOutput::kStopFlushSeconds);
    clock.advance(StreamOutput::kKillGraceSeconds);
    ASSERT_TRUE(settled(*out));
}

TEST_F(StreamOutputTest, PipesCountPictureAndSoundFromTheFirstFrameTheEncoderTook)
{
    // The encoder counts frames and samples; the output keeps both counts on
    // the times they were handed in with: the first frame is time zero,
    // sound from before it is cut off, a frame slot missed repeats the frame
    // before, and a stretch of sound missed becomes silence.
    auto out = make();
    out->setUrl("rtmp://127.0.0.1/live");
    const QString video = dir.filePath("video.raw");
    const QString audio = dir.filePath("audio.raw");
    const QString copier = test::writeFakeFFmpeg(dir, "copier", test::kAllEncoders, test::kAllProtocols,
        QStringLiteral("head -c %1 <&3 > '%2' & head -c %3 > '%4'; wait")
            .arg((480 + 1440 + 960) * 2 * 4)
            .arg(audio)
            .arg(5 * 8 * 2 * 4)
            .arg(video));
    FFmpegTools::overrideCandidates(QStringList { copier });
    out->start(k720p30);
    ASSERT_TRUE(test::waitUntil([&] { return out->isRunning(); }));

    auto block = [](float value) { return std::make_shared<const std::vector<float>>(960 * 2, value); };
    auto idle = [&] { return test::waitUntil([&] { return out->pendingWrites() == std::make_pair(0, 0); }); };
    // Far ahead of now: the encoder takes the first frame before its time,
    // so the run's time zero is exactly that frame's.
    const double t0 = HostClock::monotonicSeconds() + 1000.0;
    out->submit(block(0.9f), t0);         // before the first frame: dropped
    out->submit(frame(1), t0);
    ASSERT_TRUE(idle());
    out->submit(frame(9), t0 + 0.01);     // slot 0 is taken
    out->submit(block(0.5f), t0 - 0.01);  // its first 480 frames lie before time zero
    ASSERT_TRUE(idle());
    out->submit(frame(2), t0 + 1.0 / 30);
    ASSERT_TRUE(idle());
    out->submit(frame(3), t0 + 4.0 / 30); // slots 2 and 3 missed
    out->submit(block(0.25f), t0 + 0.04); // 1440 frames missed since the last block
    // The copier ends once both pipes have brought what is expected.
    const bool ended = endedByItself(*out);
    ASSERT_TRUE(ended) << "the pipes carried less than expected";

    EXPECT_EQ(pictureOrder(video, 5), "12223");

    QFile audioFile(audio);
    ASSERT_TRUE(audioFile.open(QIODevice::ReadOnly));
    const QByteArray bytes = audioFile.readAll();
    ASSERT_EQ(bytes.size(), qsizetype((480 + 1440 + 960) * 2 * sizeof(float)));
    const auto* samples = reinterpret_cast<const float*>(bytes.constData());
    EXPECT_EQ(samples[0], 0.5f);
    EXPECT_EQ(samples[479 * 2 + 1], 0.5f);
    EXPECT_EQ(samples[480 * 2], 0.0f);
    EXPECT_EQ(samples[1919 * 2 + 1], 0.0f);
    EXPECT_EQ(samples[1920 * 2], 0.25f);
    EXPECT_EQ(samples[2879 * 2 + 1], 0.25f);
}

TEST_F(StreamOutputTest, AStopLetsTheEncoderTakeWhatWasOnAirAndEndByItself)
{
    // An encoder far behind: it reads nothing until the test opens its gate.
    // What was handed in before the stop (pictures in the pipe, a block of
    // sound whose write still waits) reaches it, nothing after the stop
    // does, and it ends at the end of its pipes, unsignalled: the clock,
    // which times the signals, does not move.
    auto out = make();
    out->setUrl("rtmp://127.0.0.1/live");
    const QString gate = dir.filePath("gate");
    ASSERT_EQ(::mkfifo(gate.toLocal8Bit().constData(), 0600), 0);
    const QString video = dir.filePath("video.raw");
    const QString audio = dir.filePath("audio.raw");
    const QString behind = test::writeFakeFFmpeg(dir, "behind", test::kAllEncoders, test::kAllProtocols,
        QStringLiteral("cat '%1' >/dev/null; cat <&3 > '%2' & cat > '%3'; wait").arg(gate, audio, video));
    FFmpegTools::overrideCandidates(QStringList { behind });
    out->start(k720p30);
    ASSERT_TRUE(test::waitUntil([&] { return out->isRunning(); }));

    const double t0 = HostClock::monotonicSeconds() + 1000.0;
    out->submit(frame(1), t0);
    ASSERT_TRUE(test::waitUntil([&] { return out->pendingWrites().first == 0; }));
    out->submit(frame(2), t0 + 1.0 / 30);
    out->submit(frame(3), t0 + 2.0 / 30);
    constexpr int kSoundFrames = 48000; // more than the sound pipe holds
    out->submit(std::make_shared<const std::vector<float>>(kSoundFrames * 2, 0.5f), t0);
    ASSERT_TRUE(test::waitUntil([&] { return out->pendingWrites() == std::make_pair(0, 1); }));
    out->stop();
    out->submit(frame(4), t0 + 3.0 / 30);
    EXPECT_EQ(out->pendingWrites(), std::make_pair(0, 1));

    QFile opener(gate);
    ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
    opener.close();
    ASSERT_TRUE(settled(*out)) << "the encoder did not see the end of its pipes";
    EXPECT_EQ(out->status(), Status::idle());
    EXPECT_EQ(pictureOrder(video, 3), "123");
    EXPECT_EQ(QFileInfo(audio).size(), qint64(kSoundFrames) * 2 * qint64(sizeof(float)));
}

TEST_F(StreamOutputTest, AFrameLateByLessThanASlotTakesItsOwnSlotAndPushesNoneOut)
{
    // Render ticks come at slot times, some of them late. A tick held up by
    // more than half a period still owns its slot: the frame after it, on
    // time, keeps its own, and no slot repeats a frame. Only a frame in a
    // slot that is filled already is refused, and counted; a slot with no
    // frame at all repeats the one before.
    auto out = make();
    out->setUrl("rtmp://127.0.0.1/live");
    const QString video = dir.filePath("video.raw");
    constexpr int kFrames = 9;
    const QString copier = test::writeFakeFFmpeg(dir, "copier", test::kAllEncoders, test::kAllProtocols,
        QStringLiteral("exec head -c %1 > '%2'").arg(kFrames * 8 * 2 * 4).arg(video));
    FFmpegTools::overrideCandidates(QStringList { copier });
    out->start(k720p30);
    ASSERT_TRUE(test::waitUntil([&] { return out->isRunning(); }));

    auto idle = [&] { return test::waitUntil([&] { return out->pendingWrites().first == 0; }); };
    // Far ahead of now: the first frame's time is the run's time zero.
    const double t0 = HostClock::monotonicSeconds() + 1000.0;
    auto at = [&](double position) { return t0 + position / 30.0; };
    const long long droppedBefore = out->droppedFrames();
    out->submit(frame(1), at(0));
    ASSERT_TRUE(idle());
    const std::pair<int, double> ticks[] = {
        { 2, 1.0 },
        { 3, 2.6 }, // late by more than half a period
        { 4, 3.0 }, // on time after it
        { 5, 4.0 },
        { 6, 4.3 }, // a second frame for slot 4: refused
        { 7, 5.9 }, // late by nearly a period
        { 8, 8.0 }, // slots 6 and 7 have no frame
    };
    for (const auto& [value, position] : ticks) {
        out->submit(frame(value), at(position));
        ASSERT_TRUE(idle());
    }
    const bool ended = endedByItself(*out); // the copier ends with the ninth frame
    ASSERT_TRUE(ended) << "the pipe carried fewer frames than slots";

    EXPECT_EQ(pictureOrder(video, kFrames), "123457778");
    EXPECT_EQ(out->droppedFrames() - droppedBefore, 1);
}

TEST_F(StreamOutputTest, FramesWithPaddedRowsArriveAsPackedRows)
{
    auto out = make();
    out->setUrl("rtmp://127.0.0.1/live");
    const QString sink = dir.filePath("frames.raw");
    const QString copier = test::writeFakeFFmpeg(dir, "copier", test::kAllEncoders, test::kAllProtocols,
                                                 QStringLiteral("exec head -c %1 > '%2'").arg(1000 * 720 * 4).arg(sink));
    FFmpegTools::overrideCandidates(QStringList { copier });
    out->start(k720p30);
    ASSERT_TRUE(test::waitUntil([&] { return out->isRunning(); }));
    // Rows of 1000 pixels are padded to a 64-byte multiple.
    auto frame = VideoFrame::create(1000, 720);
    ASSERT_GT(frame->bytesPerLine(), 1000 * 4);
    for (int y = 0; y < 720; ++y) {
        std::memset(frame->bits() + y * frame->bytesPerLine(), y % 200, 1000 * 4);
        std::memset(frame->bits() + y * frame->bytesPerLine() + 1000 * 4, 0xee, frame->bytesPerLine() - 1000 * 4);
    }
    out->submit(frame);
    ASSERT_TRUE(settled(*out)); // head ends after one frame
    QFile file(sink);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 1000 * 720 * 4);
    EXPECT_EQ(static_cast<unsigned char>(bytes.at(5 * 1000 * 4)), 5);
    EXPECT_EQ(bytes.count(char(0xee)), 0);
}

TEST_F(StreamOutputTest, RunsThatEndUnderSteadySubmitsLeaveNoWritePending)
{
    // Pumps keep submitting from their own threads while runs end on their
    // own: each run's end must wait for every write it counted (a write
    // still on its way after the descriptors close could land in whatever
    // file reuses the number), and must not hang on one that never comes.
    auto out = make();
    out->setUrl("rtmp://127.0.0.1/live");
    const QString brief = test::writeFakeFFmpeg(dir, "brief", test::kAllEncoders, test::kAllProtocols,
                                                "head -c 100000 >/dev/null; exit 1");
    FFmpegTools::overrideCandidates(QStringList { brief });
    auto frame = VideoFrame::create(64, 36);
    auto block = std::make_shared<const std::vector<float>>(1920, 0.25f);
    std::atomic<bool> done { false };
    std::vector<std::thread> pumps;
    struct Joiner {
        std::atomic<bool>& done;
        std::vector<std::thread>& threads;
        ~Joiner()
        {
            done = true;
            for (auto& thread : threads)
                thread.join();
        }
    } joiner { done, pumps };
    for (int i = 0; i < 3; ++i) {
        pumps.emplace_back([&] {
            while (!done.load()) {
                out->submit(frame);
                out->submit(block);
                std::this_thread::yield();
            }
        });
    }
    for (int run = 0; run < 8; ++run) {
        out->start(k720p30);
        ASSERT_TRUE(settled(*out)) << "run " << run;
        EXPECT_EQ(out->status(), Status::failed("Connessione interrotta"));
        EXPECT_EQ(out->pendingWrites(), std::make_pair(0, 0)) << "run " << run;
    }
}

TEST_F(StreamOutputTest, AStopDuringTheProbesSignalsTheProcessesAsSoonAsTheyStart)
{
    auto out = make();
    out->setUrl("rtmp://127.0.0.1/live");
    // Slow to answer its probes; the run itself would wait a minute.
    const QString slow = test::writeFakeFFmpeg(dir, "slow", test::kAllEncoders, test::kAllProtocols,
                                               QStringLiteral("exec sleep 60"));
    QFile script(slow);
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    QByteArray text = script.readAll();
    script.close();
    text.replace("#!/bin/sh\n", "#!/bin/sh\n[ \"$1\" = -hide_banner ] && sleep 0.5\n");
    ASSERT_TRUE(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
    script.write(text);
    script.close();
    FFmpegTools::overrideCandidates(QStringList { slow });

    out->start(k720p30);
    out->stop(); // no process yet: only marks the stop
    // The encoder would sit for a minute: ending well before shows it was
    // signalled as soon as it started.
    ASSERT_TRUE(settled(*out));
    EXPECT_EQ(out->status(), Status::idle());
}

TEST_F(StreamOutputTest, AChainWhoseSenderCannotStartLeavesNoEncoderBehind)
{
    auto out = make();
    out->setKind(StreamOutput::Kind::srt);
    out->setInterlacedCodec(StreamOutput::InterlacedCodec::h264);
    out->setUrl("srt://127.0.0.1:9");
    // The first candidate can send SRT but stops being executable right
    // after saying so; the second has x264 but no SRT.
    const QString sender = test::writeFakeFFmpeg(dir, "sender", test::kNoX264, test::kAllProtocols);
    QFile script(sender);
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    QByteArray text = script.readAll();
    script.close();
    text.replace("exit 0; fi\n", "chmod -x \"$0\"; exit 0; fi\n");
    text.replace("-encoders ]; then printf '%s\\n' '" + test::kNoX264.toUtf8() + "'; chmod -x \"$0\"; exit 0; fi\n",
                 "-encoders ]; then printf '%s\\n' '" + test::kNoX264.toUtf8() + "'; exit 0; fi\n");
    ASSERT_TRUE(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
    script.write(text);
    script.close();
    // Its run is a sleep with an odd length, to be told apart in /proc.
    const QString encoder = test::writeFakeFFmpeg(dir, "encoder", test::kAllEncoders, test::kNoSrt,
                                                  QStringLiteral("exec sleep 60.4242"));
    FFmpegTools::overrideCandidates(QStringList { sender, encoder });

    out->start(k1080i50);
    ASSERT_TRUE(settled(*out));
    EXPECT_EQ(out->status(), Status::failed("Impossibile avviare ffmpeg (errore 13)"));
    // No process of the encoder script is left, not even a zombie.
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile cmdline("/proc/" + entry + "/cmdline");
        if (cmdline.open(QIODevice::ReadOnly)) {
            const QByteArray text = cmdline.readAll();
            EXPECT_FALSE(text.contains(encoder.toUtf8()) || text.contains("60.4242")) << "process " << entry.toStdString();
        }
    }
}

} // namespace
