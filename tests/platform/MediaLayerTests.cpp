// The FFmpeg layer against real files made by the ffmpeg program.
#include "platform/ChildProcess.h"
#include "platform/ClipEncoder.h"
#include "platform/FrameGrabber.h"
#include "platform/MediaInfo.h"
#include "platform/PcmReader.h"

#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace tessarin;
using test::mediaPath;

namespace {

// Mean absolute difference of the colour channels of two images of one size.
double meanDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size())
        return 255.0;
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            sum += std::abs(qRed(p[col]) - qRed(q[col])) + std::abs(qGreen(p[col]) - qGreen(q[col]))
                + std::abs(qBlue(p[col]) - qBlue(q[col]));
        }
    }
    return sum / (3.0 * x.width() * x.height());
}

// The frame the ffmpeg program shows at a time (exact seek, its own automatic rotation).
QImage ffmpegFrame(const QString& file, double seconds, const QString& outDir)
{
    const QString out = outDir + "/reference.png";
    const auto result = runAndCapture("/usr/bin/ffmpeg",
                                      {"-nostdin", "-v", "error", "-y", "-ss", QString::number(seconds), "-i", file,
                                       "-frames:v", "1", out},
                                      30);
    EXPECT_EQ(result.exitCode, 0);
    return QImage(out);
}

QJsonObject ffprobe(const QString& file)
{
    const auto result = runAndCapture("/usr/bin/ffprobe",
                                      {"-v", "error", "-of", "json", "-show_format", "-show_streams", "-count_frames",
                                       "-show_entries", "frame=pts_time", file},
                                      30);
    EXPECT_EQ(result.exitCode, 0);
    return QJsonDocument::fromJson(result.output).object();
}

} // namespace

TEST(MediaInfo, ReadsDurationTracksAndTransform)
{
    const auto clip = MediaInfo::read(mediaPath("clip_30s.mp4"));
    ASSERT_TRUE(clip);
    EXPECT_NEAR(clip->duration, 30.0, 0.05);
    ASSERT_EQ(clip->videoTracks.size(), 1u);
    EXPECT_EQ(clip->videoTracks[0].width, 320);
    ASSERT_EQ(clip->audioTracks.size(), 1u);
    EXPECT_EQ(clip->audioTracks[0].sampleRate, 48000);
    EXPECT_EQ(clip->audioTracks[0].channels, 2);
    EXPECT_EQ(clip->preferredTransform(), PreferredTransform{});

    const auto silent = MediaInfo::read(mediaPath("video_only.mp4"));
    ASSERT_TRUE(silent);
    EXPECT_TRUE(silent->audioTracks.empty());
    const auto mp3 = MediaInfo::read(mediaPath("tone_half.mp3"));
    ASSERT_TRUE(mp3);
    EXPECT_TRUE(mp3->videoTracks.empty());
    EXPECT_NEAR(mp3->duration * 48000, 144000, 0.5); // without the priming and padding of its gapless header

    const auto cover = MediaInfo::read(mediaPath("cover_art.mp3"));
    ASSERT_TRUE(cover);
    EXPECT_TRUE(cover->videoTracks.empty()); // cover art is no video track
    EXPECT_EQ(cover->audioTracks.size(), 1u);
    EXPECT_NEAR(cover->duration * 48000, 144000, 0.5);

    const auto rotated = MediaInfo::read(mediaPath("rotated.mp4"));
    ASSERT_TRUE(rotated);
    ASSERT_EQ(rotated->videoTracks.size(), 1u);
    const PreferredTransform t = rotated->preferredTransform();
    EXPECT_EQ(t.a, 0);
    EXPECT_EQ(t.d, 0);
    EXPECT_EQ(std::abs(t.b), 1);
    EXPECT_EQ(t.c, -t.b);
    EXPECT_TRUE(rotated->videoTracks[0].rotationDegrees == 90 || rotated->videoTracks[0].rotationDegrees == 270);
}

TEST(MediaInfo, RejectsFilesThatAreNotMedia)
{
    QString why;
    EXPECT_FALSE(MediaInfo::read(mediaPath("empty.mp4"), &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(MediaInfo::read(mediaPath("not_media.mp4")));
    EXPECT_FALSE(MediaInfo::read(mediaPath("truncated.mp4")));
    EXPECT_FALSE(MediaInfo::read(mediaPath("no_such_file.mp4")));
}

TEST(FrameGrabber, FitsInsideTheMaximumWithoutEnlarging)
{
    EXPECT_EQ(FrameGrabber::fittedSize({1920, 1080}, {160, 90}), QSize(160, 90));
    EXPECT_EQ(FrameGrabber::fittedSize({320, 240}, {160, 90}), QSize(120, 90));
    EXPECT_EQ(FrameGrabber::fittedSize({100, 50}, {160, 90}), QSize(100, 50));
    EXPECT_EQ(FrameGrabber::fittedSize({240, 320}, {160, 90}), QSize(68, 90));
    EXPECT_EQ(FrameGrabber::fittedSize({10000, 1}, {160, 90}), QSize(160, 1));

    const auto thumb = FrameGrabber::grab(mediaPath("clip_30s.mp4"), 1.0, {160, 90});
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->size(), QSize(120, 90));
}

TEST(FrameGrabber, ZeroToleranceGivesTheExactFrame)
{
    QTemporaryDir dir;
    const QImage reference = ffmpegFrame(mediaPath("clip_30s.mp4"), 1.0, dir.path());
    ASSERT_FALSE(reference.isNull());
    FrameGrabber grabber(mediaPath("clip_30s.mp4"), 0);
    const auto exact = grabber.frame(1.0, {}, FrameGrabber::Tolerance::zero);
    ASSERT_TRUE(exact);
    EXPECT_LT(meanDifference(*exact, reference), 3.0);
    // The same open file serves further grabs; a later frame differs.
    const auto later = grabber.frame(1.52, {}, FrameGrabber::Tolerance::zero);
    ASSERT_TRUE(later);
    EXPECT_GT(meanDifference(*later, reference), 3.0);
    const auto again = grabber.frame(1.0, {}, FrameGrabber::Tolerance::zero);
    ASSERT_TRUE(again);
    EXPECT_LT(meanDifference(*again, reference), 3.0);
}

TEST(FrameGrabber, TurnsARotatedRecordingUpright)
{
    QTemporaryDir dir;
    const QImage reference = ffmpegFrame(mediaPath("rotated.mp4"), 1.0, dir.path());
    ASSERT_EQ(reference.size(), QSize(240, 320));
    const auto upright = FrameGrabber::grab(mediaPath("rotated.mp4"), 1.0, {}, FrameGrabber::Tolerance::zero);
    ASSERT_TRUE(upright);
    EXPECT_LT(meanDifference(*upright, reference), 3.0);
    // Turned the other way it would not match: the check has teeth.
    EXPECT_GT(meanDifference(upright->transformed(QTransform().rotate(180)), reference), 10.0);

    const auto thumb = FrameGrabber::grab(mediaPath("rotated.mp4"), 1.0, {160, 90});
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->size(), QSize(68, 90));
}

TEST(FrameGrabber, FailsCleanlyWithoutPictures)
{
    for (const char* name :
         {"tone_half.mp3", "cover_art.mp3", "tone_half.wav", "empty.mp4", "not_media.mp4", "truncated.mp4"}) {
        FrameGrabber grabber(mediaPath(name));
        EXPECT_FALSE(grabber.frame(1.0, {160, 90})) << name;
        EXPECT_FALSE(grabber.error().isEmpty()) << name;
    }
}

TEST(PcmReader, DecodesFloatInterleavedAtTheTracksOwnFormat)
{
    for (const char* name : {"tone_half.wav", "tone_half.mp3", "tone_half.m4a", "clip_30s.mp4"}) {
        PcmReader reader(mediaPath(name));
        ASSERT_EQ(reader.status(), PcmReader::Status::reading) << name;
        EXPECT_EQ(reader.sampleRate(), 48000);
        EXPECT_EQ(reader.channels(), 2);
        std::vector<float> chunk;
        std::int64_t values = 0;
        float peak = 0;
        float leftMinusRight = 0;
        while (reader.read(chunk)) {
            ASSERT_EQ(chunk.size() % 2, 0u);
            values += static_cast<std::int64_t>(chunk.size());
            for (std::size_t i = 0; i < chunk.size(); i += 2) {
                peak = std::max(peak, std::abs(chunk[i]));
                leftMinusRight = std::max(leftMinusRight, std::abs(chunk[i] - chunk[i + 1]));
            }
        }
        EXPECT_EQ(reader.status(), PcmReader::Status::completed) << name;
        const double seconds = static_cast<double>(values) / 2 / 48000;
        if (std::string(name) == "clip_30s.mp4") {
            EXPECT_NEAR(seconds, 30.0, 0.05);
            continue;
        }
        EXPECT_EQ(values, 2 * 144000) << name; // 3 s exactly: without the encoder's priming and padding
        EXPECT_NEAR(peak, 0.5, 0.02) << name;
        EXPECT_LT(leftMinusRight, 0.01) << name; // the channels stay apart, in order
    }
    PcmReader wav(mediaPath("tone_half.wav"));
    EXPECT_EQ(wav.estimatedFrames(), 144000);
}

TEST(PcmReader, ReportsFailureForFilesWithoutSound)
{
    for (const char* name : {"video_only.mp4", "empty.mp4", "not_media.mp4", "truncated.mp4", "still.png"}) {
        PcmReader reader(mediaPath(name));
        std::vector<float> chunk;
        EXPECT_FALSE(reader.read(chunk)) << name;
        EXPECT_EQ(reader.status(), PcmReader::Status::failed) << name;
        EXPECT_FALSE(reader.error().isEmpty()) << name;
    }
}

TEST(ClipEncoder, WritesExactFrameTimesAndEnd)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/clip.tmp"; // the container does not follow the name
    // Premultiplied, its left quarter transparent: that part shows black.
    QImage picture(640, 360, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::darkCyan);
    for (int y = 0; y < picture.height(); ++y)
        std::fill_n(reinterpret_cast<quint32*>(picture.scanLine(y)), 160, 0u);
    ClipEncoder encoder;
    EXPECT_FALSE(encoder.repeatFrame(0, 2)); // not open
    ASSERT_TRUE(encoder.open(path, picture.size(), 2)) << encoder.error().toStdString();
    EXPECT_FALSE(encoder.repeatFrame(0, 2)); // no picture yet
    ASSERT_TRUE(encoder.appendFrame(picture, 0, 2));
    ASSERT_TRUE(encoder.appendFrame(picture, 1, 2)); // the same image, not converted again
    picture = QImage(); // the encoder keeps its own copy
    for (int k = 2; k < 11; ++k)
        ASSERT_TRUE(encoder.repeatFrame(k, 2));
    EXPECT_FALSE(encoder.repeatFrame(3, 2)); // times must rise
    ASSERT_TRUE(encoder.finish(3120, 600)) << encoder.error().toStdString();

    const QJsonObject probe = ffprobe(path);
    EXPECT_TRUE(probe["format"]["format_name"].toString().contains("mov"));
    const QJsonObject stream = probe["streams"][0].toObject();
    EXPECT_EQ(stream["codec_name"].toString(), "h264");
    EXPECT_EQ(stream["width"].toInt(), 640);
    EXPECT_EQ(stream["height"].toInt(), 360);
    EXPECT_EQ(stream["nb_read_frames"].toString(), "11");
    EXPECT_EQ(stream["time_base"].toString(), "1/600");
    EXPECT_DOUBLE_EQ(stream["duration"].toString().toDouble(), 5.2);
    const QJsonArray frames = probe["frames"].toArray();
    ASSERT_EQ(frames.size(), 11);
    for (int k = 0; k < 11; ++k)
        EXPECT_DOUBLE_EQ(frames[k]["pts_time"].toString().toDouble(), k / 2.0);
    const auto last = FrameGrabber::grab(path, 5.0, {}, FrameGrabber::Tolerance::zero);
    ASSERT_TRUE(last);
    EXPECT_LT(qGray(last->pixel(40, 180)), 20);
    EXPECT_GT(qBlue(last->pixel(480, 180)), 100);

    ClipEncoder odd;
    EXPECT_FALSE(odd.open(dir.path() + "/odd.mov", {641, 360}));
}
