// The ingest's run rules against a stand-in ffmpeg (a shell script that
// answers the protocol probe and then plays one scripted run), so each rule
// is met exactly: partial frames, the two missing-stream texts, the bounded
// error text, a stop before the first run.
#include "media/FFmpegLiveSession.h"

#include "media/FFmpegTools.h"

#include "LiveTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace tessarin;
using tessarin::test::LiveRecorder;
using tessarin::test::waitUntil;

namespace {

// A stand-in ffmpeg: the probe lists rtmp and srt as input protocols; a run
// appends its arguments to "runs" and then does what body says ($n is the
// run's number, from 1).
class FakeFFmpeg {
public:
    explicit FakeFFmpeg(const QString& body)
    {
        const QString script = QStringLiteral(
                                   "#!/bin/sh\n"
                                   "case \"$*\" in *-protocols*) printf 'Input:\\n  rtmp\\n  srt\\nOutput:\\n  rtmp\\n'; exit 0;; esac\n"
                                   "echo \"$*\" >> '%1'\n"
                                   "n=$(wc -l < '%1')\n"
                                   "%2\n")
                                   .arg(runsPath(), body);
        QFile file(path());
        file.open(QIODevice::WriteOnly);
        file.write(script.toUtf8());
        file.close();
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        FFmpegTools::overrideCandidates(QStringList { path() });
    }
    ~FakeFFmpeg() { FFmpegTools::overrideCandidates(std::nullopt); }

    QString path() const { return dir_.filePath("ffmpeg"); }
    QString runsPath() const { return dir_.filePath("runs"); }
    QStringList runs() const
    {
        QFile file(runsPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir dir_;
};

struct Ingest {
    LiveRecorder got;
    std::shared_ptr<FFmpegLiveSession> session;
    explicit Ingest(double restartPause)
    {
        LiveSource source;
        source.kind = LiveSourceKind::srt;
        source.address = "srt://127.0.0.1:9?mode=caller";
        session = std::make_shared<FFmpegLiveSession>(source);
        session->setRestartPause(restartPause);
        got.attach(*session);
    }
    ~Ingest() { EXPECT_TRUE(test::stopAndRelease(session)); }
};

// Long enough that a run after a pause never comes within a test.
constexpr double kNoRestart = 600.0;

} // namespace

TEST(FFmpegLiveSessionRules, StopBeforeTheFirstRunStartsNoFFmpeg)
{
    FakeFFmpeg ffmpeg("exec sleep 60");
    {
        Ingest ingest(kNoRestart);
        ingest.session->start();
        ingest.session->stop();
    } // waits until the session's threads have ended
    EXPECT_TRUE(ffmpeg.runs().isEmpty());
}

TEST(FFmpegLiveSessionRules, ThePaddingBeforeTheFirstSoundAndPartsLeftAtTheEndAreLeftOut)
{
    // One and a half frames; a chunk of digital silence (the child's padding
    // before the first sound, left out) and one and a third chunks of sound
    // (bytes 0x3f: 0.75 a sample); then the end.
    FakeFFmpeg ffmpeg("head -c 5529600 /dev/zero; head -c 15360 /dev/zero >&3; "
                      "head -c 20480 /dev/zero | tr '\\0' '?' >&3; exit 0");
    Ingest ingest(kNoRestart);
    ingest.session->start();
    ASSERT_TRUE(waitUntil([&] { return ingest.got.statuses().size() == 3; }, 15));
    EXPECT_EQ(ingest.got.statuses(), std::vector<LiveStatus>({ LiveStatus::connecting(), LiveStatus::live(),
                                                               LiveStatus::connecting() }));
    EXPECT_EQ(ingest.got.frameCount(), 1);
    EXPECT_EQ(ingest.got.audioBlocks(), 1);
    EXPECT_EQ(ingest.got.lastFrame().size(), QSize(1280, 720));
}

TEST(FFmpegLiveSessionRules, MissingStreamRunsAgainAtOnceWithoutAudioForTheRestOfTheSession)
{
    // Run 1 has no sound ("matches no streams" after a long error text that
    // still fits the kept tail); run 2 reports the other text; run 3 stays.
    FakeFFmpeg ffmpeg("case $n in\n"
                      "1) head -c 12000 /dev/zero | tr '\\0' x >&2; echo \"Stream map '0:a:0' matches no streams.\" >&2; exit 1;;\n"
                      "2) echo 'Output file #0 does not contain any stream' >&2; exit 1;;\n"
                      "*) exec sleep 60;;\n"
                      "esac");
    Ingest ingest(kNoRestart);
    ingest.session->start();
    ASSERT_TRUE(waitUntil([&] { return ffmpeg.runs().size() == 3; }, 15));
    const QStringList runs = ffmpeg.runs();
    EXPECT_TRUE(runs[0].endsWith("-f f32le pipe:3"));
    EXPECT_TRUE(runs[1].endsWith("-f rawvideo pipe:1"));
    EXPECT_TRUE(runs[2].endsWith("-f rawvideo pipe:1"));
    // No status change and no pause for these restarts.
    EXPECT_EQ(ingest.got.statuses(), std::vector<LiveStatus>({ LiveStatus::connecting() }));
}

TEST(FFmpegLiveSessionRules, OnlyTheLastBytesOfTheErrorTextAreSearched)
{
    // The text comes first and is pushed out of the kept 16,384 bytes.
    FakeFFmpeg ffmpeg("echo \"Stream map '0:a:0' matches no streams.\" >&2; head -c 20000 /dev/zero | tr '\\0' x >&2; exit 1");
    Ingest ingest(kNoRestart);
    ingest.session->start();
    ASSERT_TRUE(waitUntil([&] { return ingest.got.statuses().size() == 2; }, 15));
    EXPECT_EQ(ingest.got.statuses().back(), LiveStatus::connecting()); // an ordinary end: wait for the feed
    EXPECT_EQ(ffmpeg.runs().size(), 1);
}
