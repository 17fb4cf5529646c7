// The ingest against the real ffmpeg program: publishers started here send a
// chosen colour and tone over 127.0.0.1 and the session must deliver exactly
// those, through every restart rule.
#include "media/FFmpegLiveSession.h"

#include "media/FFmpegTools.h"
#include "platform/Clock.h"

#include "LiveTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <csignal>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace tessarin;
using tessarin::test::LiveRecorder;
using tessarin::test::Publisher;
using tessarin::test::waitUntil;

namespace {

constexpr double kLiveDeadline = 30.0; // start of ffmpeg, probing and the first frame, on a busy machine

LiveSource feed(LiveSourceKind kind, const QString& address, bool listen)
{
    LiveSource source;
    source.kind = kind;
    source.name = "Feed";
    source.address = address;
    source.listen = listen;
    return source;
}

// Puts a shell script in the place of ffmpeg: the sessions started after
// this run it. Returns false when it cannot be written.
bool useFakeFFmpeg(const QTemporaryDir& dir, const QString& script)
{
    const QString fake = dir.filePath("ffmpeg");
    QFile file(fake);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("#!/bin/sh\n" + script.toUtf8());
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    FFmpegTools::overrideCandidates(QStringList { fake });
    return true;
}

// The publisher's colour (0x20A060) in the middle of a frame, within what
// H.264 and two colour conversions change.
void expectPublishersPicture(const QImage& frame)
{
    ASSERT_EQ(frame.size(), QSize(1280, 720));
    const QRgb px = frame.pixel(640, 360);
    EXPECT_NEAR(qRed(px), 0x20, 10);
    EXPECT_NEAR(qGreen(px), 0xA0, 10);
    EXPECT_NEAR(qBlue(px), 0x60, 10);
}

void expectPublishersTone(LiveRecorder& got, int hz)
{
    const auto format = got.audioFormat();
    ASSERT_TRUE(format);
    EXPECT_EQ(format->sampleRate, 48000.0);
    EXPECT_EQ(format->channels, 2);
    EXPECT_FALSE(format->interleaved);
    EXPECT_EQ(got.audioFrames(), 1920);
    auto samples = got.leftSamples();
    // The last second: past any silence at the start of the stream.
    samples.erase(samples.begin(), samples.end() - std::min<size_t>(samples.size(), 48000));
    EXPECT_NEAR(test::toneFrequency(samples, 48000), hz, hz * 0.03);
}

struct Ingest {
    std::shared_ptr<FFmpegLiveSession> session;
    LiveRecorder got;
    explicit Ingest(const LiveSource& source)
        : session(std::make_shared<FFmpegLiveSession>(source))
    {
        got.attach(*session);
    }
    ~Ingest() { EXPECT_TRUE(test::stopAndRelease(session)); }
    bool waitForFramesAndAudio(int frames, int audioBlocks)
    {
        return waitUntil([&] { return got.frameCount() >= frames && got.audioBlocks() >= audioBlocks; }, kLiveDeadline);
    }
};

} // namespace

TEST(FFmpegLiveSession, CommandLineFollowsTheSourceKindAndListenFlag)
{
    FFmpegLiveSession rtmp(feed(LiveSourceKind::rtmp, "rtmp://0.0.0.0:1935/live/x", true));
    const QStringList args = rtmp.arguments(true);
    const qsizetype input = args.indexOf("-i");
    ASSERT_GE(input, 2);
    EXPECT_EQ(args.mid(input - 2, 4), QStringList({ "-listen", "1", "-i", "rtmp://0.0.0.0:1935/live/x" }));
    EXPECT_EQ(args.mid(0, 12), QStringList({ "-hide_banner", "-loglevel", "error", "-nostdin", "-fflags",
                                             "+nobuffer+discardcorrupt", "-flags", "low_delay", "-probesize",
                                             "2000000", "-analyzeduration", "2000000" }));
    EXPECT_EQ(args.mid(args.size() - 11), QStringList({ "-map", "0:a:0", "-af", "aresample=48000:async=1:first_pts=0", "-ac",
                                                        "2", "-ar", "48000", "-f", "f32le", "pipe:3" }));
    EXPECT_EQ(rtmp.arguments(false).last(), "pipe:1");
    // The picture output runs on one thread: a frame-threaded raw output
    // holds each picture for one frame per thread.
    const QStringList video = rtmp.arguments(false).mid(input + 2);
    EXPECT_EQ(video.mid(video.indexOf("-vf") + 2), QStringList({ "-threads", "1", "-f", "rawvideo", "pipe:1" }));

    // SRT says listener or caller in its address: the flag adds nothing.
    FFmpegLiveSession srt(feed(LiveSourceKind::srt, "srt://0.0.0.0:9000?mode=listener", true));
    EXPECT_FALSE(srt.arguments(true).contains("-listen"));
    EXPECT_EQ(srt.arguments(true).at(srt.arguments(true).indexOf("-i") + 1), "srt://0.0.0.0:9000?mode=listener");
}

TEST(FFmpegLiveSession, RtmpListenerReceivesThePublishersPictureAndTone)
{
    const int port = test::freeTcpPort();
    const QString url = QStringLiteral("rtmp://127.0.0.1:%1/live/test").arg(port);
    Ingest ingest(feed(LiveSourceKind::rtmp, url, true));
    ingest.session->start();
    // connecting is reported inside start(), on the caller's thread.
    ASSERT_EQ(ingest.got.statuses(), std::vector<LiveStatus>({ LiveStatus::connecting() }));

    Publisher publisher({ url, "flv" });
    ASSERT_TRUE(ingest.waitForFramesAndAudio(30, 40));
    EXPECT_TRUE(ingest.got.liveBeforeFirstFrame());
    expectPublishersPicture(ingest.got.lastFrame());
    expectPublishersTone(ingest.got, 1000);
    EXPECT_EQ(ingest.got.statuses(), std::vector<LiveStatus>({ LiveStatus::connecting(), LiveStatus::live() }));
}

TEST(FFmpegLiveSession, SrtCallerReceivesFromAListeningPublisher)
{
    const int port = test::freeUdpPort();
    Publisher publisher({ QStringLiteral("srt://127.0.0.1:%1?mode=listener").arg(port), "mpegts", "0x20A060", 700 });
    // The ingest calls until the publisher listens, 2 s between tries.
    Ingest ingest(feed(LiveSourceKind::srt, QStringLiteral("srt://127.0.0.1:%1?mode=caller").arg(port), false));
    ingest.session->start();
    ASSERT_TRUE(ingest.waitForFramesAndAudio(30, 40));
    expectPublishersPicture(ingest.got.lastFrame());
    expectPublishersTone(ingest.got, 700);
}

TEST(FFmpegLiveSession, SrtListenerReceivesFromACallingPublisher)
{
    const int port = test::freeUdpPort();
    Ingest ingest(feed(LiveSourceKind::srt, QStringLiteral("srt://127.0.0.1:%1?mode=listener").arg(port), true));
    ingest.session->start();
    Publisher publisher({ QStringLiteral("srt://127.0.0.1:%1?mode=caller").arg(port), "mpegts", "0x20A060", 1500 });
    ASSERT_TRUE(ingest.waitForFramesAndAudio(30, 40));
    expectPublishersPicture(ingest.got.lastFrame());
    expectPublishersTone(ingest.got, 1500);
}

// The raw streams of the child carry no timestamps: each picture says where
// its moment lies in the sound handed over. A feed whose sound starts half a
// second after its picture, packed by MPEG-TS in chunks: every flash is where
// its beep is in the sound.
TEST(FFmpegLiveSession, EachPictureSaysWhereItsMomentLiesInTheSound)
{
    const int port = test::freeUdpPort();
    Ingest ingest(feed(LiveSourceKind::srt, QStringLiteral("srt://127.0.0.1:%1?mode=listener").arg(port), true));
    ingest.session->start();
    Publisher::Options options { QStringLiteral("srt://127.0.0.1:%1?mode=caller").arg(port), "mpegts" };
    options.flashes = true;
    Publisher publisher(options);
    ASSERT_TRUE(ingest.waitForFramesAndAudio(120, 100));
    const auto pictures = ingest.got.pictures();
    const auto sound = ingest.got.leftSamples();
    int flashes = 0;
    for (size_t k = 1; k < pictures.size(); ++k) {
        if (!pictures[k].bright || pictures[k - 1].bright)
            continue;
        const auto at = static_cast<std::ptrdiff_t>(std::lround(pictures[k].soundSeconds * 48000));
        if (at + 4800 > std::ssize(sound))
            break; // its sound has not come yet
        // The beep's first loud sample within 0.2 s either side.
        std::ptrdiff_t onset = -1;
        for (auto i = std::max<std::ptrdiff_t>(0, at - 9600); i < at + 9600 && onset < 0; ++i)
            if (std::fabs(sound[size_t(i)]) > 0.1f)
                onset = i;
        ASSERT_GE(onset, 0) << "no beep near the flash at " << pictures[k].soundSeconds << " s of the sound";
        EXPECT_NEAR(double(onset - at) / 48000, 0.0, 0.005) << "the flash at " << pictures[k].soundSeconds << " s";
        ++flashes;
    }
    EXPECT_GE(flashes, 2);
}

TEST(FFmpegLiveSession, PublisherThatStopsGivesConnectingAndANewRunAfterThePause)
{
    const int port = test::freeTcpPort();
    const QString url = QStringLiteral("rtmp://127.0.0.1:%1/live/test").arg(port);
    Ingest ingest(feed(LiveSourceKind::rtmp, url, true));
    ingest.session->start();
    auto publisher = std::make_unique<Publisher>(Publisher::Options { url, "flv" });
    ASSERT_TRUE(waitUntil([&] { return ingest.got.statusCount(LiveStatus::Case::live) == 1; }, kLiveDeadline));

    publisher->stop();
    ASSERT_TRUE(waitUntil([&] { return ingest.got.statusCount(LiveStatus::Case::connecting) == 2; }, kLiveDeadline));
    const double lost = ingest.got.statusTimes().back();
    const int framesAtLoss = ingest.got.frameCount();

    // A new publisher is taken by the next run, which starts after the pause.
    publisher = std::make_unique<Publisher>(Publisher::Options { url, "flv", "0x20A060", 440 });
    ASSERT_TRUE(waitUntil([&] { return ingest.got.statusCount(LiveStatus::Case::live) == 2; }, kLiveDeadline));
    const auto statuses = ingest.got.statuses();
    EXPECT_EQ(statuses, std::vector<LiveStatus>({ LiveStatus::connecting(), LiveStatus::live(),
                                                  LiveStatus::connecting(), LiveStatus::live() }));
    EXPECT_GE(ingest.got.statusTimes().back() - lost, FFmpegLiveSession::kRestartPauseSeconds - 0.05);
    ASSERT_TRUE(waitUntil([&] { return ingest.got.frameCount() > framesAtLoss + 30; }, kLiveDeadline));
    expectPublishersPicture(ingest.got.lastFrame());
}

TEST(FFmpegLiveSession, VideoOnlyFeedRunsAgainWithoutAudio)
{
    const int port = test::freeUdpPort();
    Publisher::Options options { QStringLiteral("srt://127.0.0.1:%1?mode=listener").arg(port), "mpegts" };
    options.withAudio = false;
    Publisher publisher(options);
    Ingest ingest(feed(LiveSourceKind::srt, QStringLiteral("srt://127.0.0.1:%1?mode=caller").arg(port), false));
    ingest.session->start();
    ASSERT_TRUE(waitUntil([&] { return ingest.got.frameCount() >= 30; }, kLiveDeadline));
    expectPublishersPicture(ingest.got.lastFrame());
    EXPECT_EQ(ingest.got.audioBlocks(), 0);
    EXPECT_EQ(ingest.got.statusCount(LiveStatus::Case::failed), 0);
}

TEST(FFmpegLiveSession, MissingFFmpegFailsWithItsMessageAndEnds)
{
    FFmpegTools::overrideCandidates(QStringList { "/nonexistent/bin/ffmpeg" });
    Ingest ingest(feed(LiveSourceKind::srt, "srt://127.0.0.1:9?mode=caller", false));
    ingest.session->start();
    ASSERT_TRUE(waitUntil([&] { return ingest.got.statuses().size() == 2; }, 10));
    FFmpegTools::overrideCandidates(std::nullopt);
    EXPECT_EQ(ingest.got.statuses(),
              std::vector<LiveStatus>({ LiveStatus::connecting(),
                                        LiveStatus::failed("ffmpeg non trovato: serve per ricevere RTMP e SRT") }));
}

TEST(FFmpegLiveSession, FFmpegWithoutTheProtocolFailsNamingIt)
{
    QTemporaryDir dir;
    const QString fake = dir.filePath("ffmpeg");
    QFile file(fake);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nprintf 'Supported file protocols:\\nInput:\\n  file\\n  srt\\nOutput:\\n  rtmp\\n'\n");
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    FFmpegTools::overrideCandidates(QStringList { fake });
    Ingest ingest(feed(LiveSourceKind::rtmp, "rtmp://127.0.0.1:9/live/x", false));
    ingest.session->start();
    ASSERT_TRUE(waitUntil([&] { return ingest.got.statuses().size() == 2; }, 10));
    FFmpegTools::overrideCandidates(std::nullopt);
    EXPECT_EQ(ingest.got.statuses().back(),
              LiveStatus::failed("Questo ffmpeg non supporta RTMP: serve una build con libsrt"));
}

TEST(FFmpegLiveSession, FailedSpawnStaysVisibleUntilASpawnWorks)
{
    // An "ffmpeg" that answers the probe, then takes its own execute
    // permission away, so every spawn fails until the test gives it back.
    QTemporaryDir dir;
    const QString fake = dir.filePath("ffmpeg");
    const QString pidFile = dir.filePath("pid");
    QFile file(fake);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("#!/bin/sh\n"
                              "case \"$*\" in *-protocols*) printf 'Input:\\n  rtmp\\nOutput:\\n'; chmod a-x \"$0\"; exit 0;; esac\n"
                              "echo $$ > '%1'\nexec sleep 60\n")
                   .arg(pidFile)
                   .toUtf8());
    file.close();
    const auto executable = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    file.setPermissions(executable);
    FFmpegTools::overrideCandidates(QStringList { fake });

    Ingest ingest(feed(LiveSourceKind::rtmp, "rtmp://127.0.0.1:9/live/x", false));
    ingest.session->setRestartPause(0.05);
    ingest.session->start();
    // Several failed spawns in a row, and never connecting in between.
    ASSERT_TRUE(waitUntil([&] { return ingest.got.statusCount(LiveStatus::Case::failed) >= 3; }, 15));
    FFmpegTools::overrideCandidates(std::nullopt);
    for (const auto& status : ingest.got.statuses()) {
        if (status.isFailed())
            EXPECT_EQ(status.message(), QStringLiteral("Impossibile avviare ffmpeg (errore %1)").arg(EACCES));
    }
    EXPECT_EQ(ingest.got.statusCount(LiveStatus::Case::connecting), 1);

    // The next spawn that works shows connecting again.
    QFile::setPermissions(fake, executable);
    ASSERT_TRUE(waitUntil([&] { return ingest.got.statuses().back() == LiveStatus::connecting(); }, 15));
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(pidFile) && QFile(pidFile).size() > 0; }, 15));
    QFile pids(pidFile);
    ASSERT_TRUE(pids.open(QIODevice::ReadOnly));
    const pid_t child = pids.readAll().trimmed().toInt();
    ASSERT_GT(child, 0);

    // stop() ends the child with SIGTERM; no status follows.
    const size_t reported = ingest.got.statuses().size();
    ingest.session->stop();
    EXPECT_TRUE(waitUntil([&] { return ::kill(child, 0) != 0; }, 10));
    EXPECT_EQ(ingest.got.statuses().size(), reported);
}

TEST(FFmpegLiveSession, AListeningPortHeldByAnotherProgramIsReportedAndTakenOnceFree)
{
    QTemporaryDir dir;
    const QString pidFile = dir.filePath("pid");
    ASSERT_TRUE(useFakeFFmpeg(dir, QStringLiteral("case \"$*\" in *-protocols*) printf 'Input:\\n  rtmp\\n  srt\\nOutput:\\n'; exit 0;; esac\n"
                                                  "echo $$ > '%1'\nexec sleep 60\n")
                                       .arg(pidFile)));

    // Another program listens on the port (as an ffmpeg left by an earlier run would).
    const int port = test::freeTcpPort();
    const int holder = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(holder, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(holder, 1), 0);

    Ingest ingest(feed(LiveSourceKind::rtmp, QStringLiteral("rtmp://127.0.0.1:%1/live/x").arg(port), true));
    ingest.session->setRestartPause(0.05);
    ingest.session->start();
    ASSERT_TRUE(waitUntil([&] { return ingest.got.statusCount(LiveStatus::Case::failed) == 1; }, 15));
    EXPECT_EQ(ingest.got.statuses().back(),
              LiveStatus::failed(QStringLiteral("La porta %1 è già in uso da un altro programma: chiudilo o scegli "
                                                "un'altra porta")
                                     .arg(port)));
    EXPECT_FALSE(QFile::exists(pidFile)) << "an ffmpeg was started on a port that is taken";

    // Once the port is free the source listens on it.
    ::close(holder);
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(pidFile) && QFile(pidFile).size() > 0; }, 15));
    EXPECT_TRUE(waitUntil([&] { return ingest.got.statuses().back() == LiveStatus::connecting(); }, 15));
    EXPECT_EQ(ingest.got.statusCount(LiveStatus::Case::failed), 1);
    FFmpegTools::overrideCandidates(std::nullopt);
}

TEST(FFmpegLiveSession, DestroyingTheSessionEndsItsChildEvenOneIgnoringTerm)
{
    QTemporaryDir dir;
    const QString pidFile = dir.filePath("pid");
    ASSERT_TRUE(useFakeFFmpeg(dir, QStringLiteral("case \"$*\" in *-protocols*) printf 'Input:\\n  rtmp\\nOutput:\\n'; exit 0;; esac\n"
                                                  "trap '' TERM\necho $$ > '%1'\nexec sleep 60\n")
                                       .arg(pidFile)));

    LiveRecorder got;
    auto session = std::make_shared<FFmpegLiveSession>(feed(LiveSourceKind::rtmp, "rtmp://127.0.0.1:9/live/x", false));
    got.attach(*session);
    session->start();
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(pidFile) && QFile(pidFile).size() > 0; }, 15));
    QFile pids(pidFile);
    ASSERT_TRUE(pids.open(QIODevice::ReadOnly));
    const pid_t child = pids.readAll().trimmed().toInt();
    ASSERT_GT(child, 0);

    // No stop(): the owner lets go. The child ignores SIGTERM, so its end
    // is the SIGKILL after the grace; nothing is reported after the session.
    const size_t reported = got.statuses().size();
    session.reset();
    EXPECT_TRUE(waitUntil([&] { return ::kill(child, 0) != 0; }, 20)) << "ffmpeg outlived its session";
    FFmpegTools::overrideCandidates(std::nullopt);
    EXPECT_EQ(got.statuses().size(), reported);
}

TEST(FFmpegLiveSession, QuittingTheApplicationEndsAListenerWithNoPublisher)
{
    const int port = test::freeTcpPort();
    Ingest ingest(feed(LiveSourceKind::rtmp, QStringLiteral("rtmp://127.0.0.1:%1/live/test").arg(port), true));
    ingest.session->start();
    ASSERT_TRUE(waitUntil([&] { return test::tcpPortInUse(port); }, kLiveDeadline));

    // What QCoreApplication emits when the application quits.
    ASSERT_TRUE(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection));
    // The child got SIGTERM and let go of the port; nothing runs again.
    EXPECT_TRUE(waitUntil([&] { return !test::tcpPortInUse(port); }, 10));
    EXPECT_EQ(ingest.got.statuses(), std::vector<LiveStatus>({ LiveStatus::connecting() }));
}
