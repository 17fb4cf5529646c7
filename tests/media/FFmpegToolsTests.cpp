// ffmpeg lookup and probes, against small scripts that stand in for ffmpeg
// builds with known listings, and against the real program.
#include "media/FFmpegTools.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>

using namespace tessarin;

namespace {

class FFmpegToolsTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        FFmpegTools::overrideCandidates(std::nullopt);
        FFmpegTools::setProbeTimeoutSeconds(15.0);
    }

    // A script that prints encoders or protocols like ffmpeg does.
    QString fake(const QString& name, const QString& encoders, const QString& protocols, bool executable = true)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("#!/bin/sh\n"
                                  "case \"$2\" in\n"
                                  "  -encoders) printf '%s\\n' '%1' ;;\n"
                                  "  -protocols) printf '%s\\n' '%2' ;;\n"
                                  "esac\n")
                       .arg(encoders, protocols)
                       .toUtf8());
        file.close();
        QFile::setPermissions(path, executable ? QFileDevice::Permissions(0x7700) : QFileDevice::Permissions(0x6600));
        return path;
    }

    QTemporaryDir dir;
};

const QString kListing = QStringLiteral("Supported file protocols:\nInput:\n  file\n  rtmp\n  rtmps\nOutput:\n  file\n  srt\n  rtmp\n");

TEST_F(FFmpegToolsTest, PathIsFirstExecutableCandidateAndSkipsOthers)
{
    const QString notExecutable = fake("a", "", "", false);
    const QString first = fake("b", "", "");
    const QString second = fake("c", "", "");
    FFmpegTools::overrideCandidates(QStringList { dir.filePath("missing"), notExecutable, dir.path(), first, second });
    EXPECT_EQ(FFmpegTools::ffmpegPath(), first);

    FFmpegTools::overrideCandidates(QStringList { dir.filePath("missing"), notExecutable });
    EXPECT_EQ(FFmpegTools::ffmpegPath(), std::nullopt);
    EXPECT_EQ(FFmpegTools::ffmpegPath(QStringLiteral("libx264")), std::nullopt);
}

TEST_F(FFmpegToolsTest, TheFoldersOfPathAreLookedInLastInTheirOrder)
{
    QDir(dir.path()).mkpath("local/bin");
    QDir(dir.path()).mkpath("opt/ffmpeg/bin");
    const QString local = dir.filePath("local/bin");
    const QString opt = dir.filePath("opt/ffmpeg/bin");
    QFile::rename(fake("x", " V..... tessarin_probe_encoder probe", ""), opt + "/ffmpeg");
    const QByteArray saved = qgetenv("PATH");
    qputenv("PATH", (QStringList { "", "relative/bin", local, "/usr/bin", opt + "/", opt }.join(':')).toLocal8Bit());
    const QStringList candidates = FFmpegTools::candidates();
    const auto fixed = candidates.indexOf("/usr/bin/ffmpeg");
    EXPECT_EQ(candidates.mid(fixed + 1), (QStringList { local + "/ffmpeg", opt + "/ffmpeg" }));
    // Only the one in PATH has this encoder: found through PATH.
    EXPECT_EQ(FFmpegTools::ffmpegPath(QStringLiteral("tessarin_probe_encoder")), opt + "/ffmpeg");
    qputenv("PATH", saved);
}

TEST_F(FFmpegToolsTest, EncoderLookupWalksCandidatesAndMatchesWholeTokens)
{
    const QString without = fake("plain", " V....D libx264rgb  x264 RGB variant\n V....D mpeg2video", kListing);
    const QString with = fake("x264", " V....D libx264   libx264 H.264\n", kListing);
    FFmpegTools::overrideCandidates(QStringList { without, with });
    EXPECT_EQ(FFmpegTools::ffmpegPath(QStringLiteral("libx264")), with);
    EXPECT_FALSE(FFmpegTools::hasEncoder(QStringLiteral("libx26"), without));
    EXPECT_FALSE(FFmpegTools::hasEncoder(QStringLiteral("LIBX264RGB"), without));
    EXPECT_TRUE(FFmpegTools::hasEncoder(QStringLiteral("mpeg2video"), without));
}

TEST_F(FFmpegToolsTest, ProtocolSectionsFollowTheOutputMarker)
{
    const QString path = fake("p", "", kListing);
    EXPECT_TRUE(FFmpegTools::supports(QStringLiteral("rtmps"), path, false));
    EXPECT_FALSE(FFmpegTools::supports(QStringLiteral("srt"), path, false));
    EXPECT_TRUE(FFmpegTools::supports(QStringLiteral("srt"), path, true));
    EXPECT_FALSE(FFmpegTools::supports(QStringLiteral("rtmps"), path, true));
    EXPECT_FALSE(FFmpegTools::supports(QStringLiteral("sr"), path, true));

    const QString inputOnly = fake("i", "", QStringLiteral("Input:\n srt\n rtmp"));
    EXPECT_TRUE(FFmpegTools::supports(QStringLiteral("srt"), inputOnly, false));
    EXPECT_FALSE(FFmpegTools::supports(QStringLiteral("srt"), inputOnly, true));
}

TEST_F(FFmpegToolsTest, TokensSplitOnEveryKindOfWhiteSpace)
{
    EXPECT_EQ(FFmpegTools::tokens(QString::fromUtf8("  a\tb\r\nc\u00a0d\u2003e  ")),
              (QStringList { "a", "b", "c", "d", "e" }));
    EXPECT_TRUE(FFmpegTools::tokens(QStringLiteral(" \n ")).isEmpty());
}

TEST_F(FFmpegToolsTest, UnlaunchableOrHangingProgramsGiveEmptyOutput)
{
    EXPECT_EQ(FFmpegTools::run(dir.filePath("missing"), { "-encoders" }), QString());
    const QString broken = fake("broken", "", "");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\x7f" "ELF garbage");
    file.close();
    EXPECT_FALSE(FFmpegTools::hasEncoder(QStringLiteral("libx264"), broken));

    // A candidate that waits on its input would hang a probe that inherits
    // ours; it gets the null device and ends at once.
    const QString reader = dir.filePath("reader");
    QFile script(reader);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\ncat\necho Output: srt\n");
    script.close();
    QFile::setPermissions(reader, QFileDevice::Permissions(0x7700));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(FFmpegTools::supports(QStringLiteral("srt"), reader, true));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));

    // One that hangs after printing is killed at the limit and counts as
    // having printed nothing.
    const QString hangs = dir.filePath("hangs");
    QFile hanging(hangs);
    ASSERT_TRUE(hanging.open(QIODevice::WriteOnly));
    hanging.write("#!/bin/sh\necho Output: srt\nexec sleep 30\n");
    hanging.close();
    QFile::setPermissions(hangs, QFileDevice::Permissions(0x7700));
    FFmpegTools::setProbeTimeoutSeconds(0.5);
    EXPECT_FALSE(FFmpegTools::supports(QStringLiteral("srt"), hangs, true));
    EXPECT_EQ(FFmpegTools::run(hangs, {}), QString());
}

TEST_F(FFmpegToolsTest, RealFFmpegIsFoundAndProbed)
{
    const auto path = FFmpegTools::ffmpegPath();
    ASSERT_TRUE(path.has_value());
    EXPECT_TRUE(FFmpegTools::hasEncoder(QStringLiteral("libx264"), *path));
    EXPECT_TRUE(FFmpegTools::hasEncoder(QStringLiteral("aac"), *path));
    EXPECT_FALSE(FFmpegTools::hasEncoder(QStringLiteral("h264_videotoolbox"), *path));
    EXPECT_TRUE(FFmpegTools::supports(QStringLiteral("srt"), *path, true));
    EXPECT_TRUE(FFmpegTools::supports(QStringLiteral("rtmp"), *path, true));
    EXPECT_TRUE(FFmpegTools::supports(QStringLiteral("rtmp"), *path, false));
}

} // namespace
