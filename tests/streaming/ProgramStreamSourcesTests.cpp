// The stream pipeline fed by the real program: the renderer following the
// engine and its overlay layers, the bus as the pipeline's audio, and the
// composed frames reaching a stand-in encoder.
#include "FakeFFmpeg.h"

#include "engine/EngineFixture.h"
#include "engine/ProgramAudioBus.h"
#include "engine/ProgramRenderer.h"
#include "media/FFmpegTools.h"
#include "streaming/ProgramStreamSources.h"
#include "streaming/SecretStore.h"

#include <QFile>
#include <QPainter>
#include <QUuid>

using namespace tessarin;

namespace {

QColor at(const VideoFrame& frame, int x, int y)
{
    const uchar* p = frame.constBits() + size_t(y) * frame.bytesPerLine() + size_t(x) * 4;
    return QColor(p[2], p[1], p[0]);
}

class ProgramStreamSourcesTest : public test::EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        makeEngine(TransitionStyle::cut);
        auto item = file(QStringLiteral("red"));
        media->colors[pathOf(item)] = QColor(255, 0, 0);
        engine->play(blockOf({ item }));
        run(0.1);
        ASSERT_TRUE(onAir(item));
    }
};

} // namespace

TEST_F(ProgramStreamSourcesTest, FrameSourceDrawsTheEngineProgramAndFollowsItsLayers)
{
    ProgramFrameSource source(*engine, 640, 360, 0.02, clock);
    auto frame = source.nextFrame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->width(), 640);
    EXPECT_EQ(at(*frame, 320, 180), QColor(255, 0, 0));

    // A still with its left half white loaded into the first layer and shown.
    QImage picture(320, 180, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    QPainter(&picture).fillRect(0, 0, 160, 180, Qt::white);
    const QString path = dir.filePath(QStringLiteral("overlay.png"));
    ASSERT_TRUE(picture.save(path));
    auto layer = engine->overlays().layers().at(0);
    layer->load(QUrl::fromLocalFile(path));
    ASSERT_TRUE(test::waitUntil([&] { return !layer->cgImage().isNull(); }));
    layer->setIsVisible(true);
    clock.advance(0.3);
    frame = source.nextFrame();
    EXPECT_EQ(at(*frame, 100, 180), QColor(255, 255, 255));
    EXPECT_EQ(at(*frame, 500, 180), QColor(255, 0, 0));

    layer->setIsVisible(false);
    clock.advance(0.3);
    frame = source.nextFrame();
    EXPECT_EQ(at(*frame, 100, 180), QColor(255, 0, 0));
}

TEST_F(ProgramStreamSourcesTest, AudioSourcePullsTheSumOfTheBusByTimeAndSwitchesIt)
{
    ProgramAudioSource audio(engine->programAudio());
    ProgramAudioBus& bus = *engine->programAudio();
    EXPECT_FALSE(bus.isEnabled());
    audio.setStreaming(true);
    EXPECT_TRUE(bus.isEnabled());

    const std::vector<float> quarter(960 * 2 * 3, 0.25f);
    const std::vector<float> half(960 * 2 * 3, 0.5f);
    bus.write(0, quarter.data(), 960 * 3, 100.0);
    bus.write(1, half.data(), 960 * 3, 100.01); // heard 10 ms later
    const std::vector<float> block = audio.pull(960, 100.0);
    ASSERT_EQ(block.size(), 1920u);
    EXPECT_FLOAT_EQ(block.front(), 0.25f);
    EXPECT_FLOAT_EQ(block[479 * 2], 0.25f);
    EXPECT_FLOAT_EQ(block[480 * 2], 0.75f);
    EXPECT_FLOAT_EQ(block.back(), 0.75f);
    EXPECT_EQ(bus.queued(0).size(), 960u * 2 * 2);

    audio.setStreaming(false);
    EXPECT_FALSE(bus.isEnabled());
    EXPECT_TRUE(bus.queued(0).empty());
    EXPECT_TRUE(bus.queued(1).empty());

    // Once the bus is gone: silence of the size asked.
    std::weak_ptr<ProgramAudioBus> gone;
    ProgramAudioSource orphan(gone);
    EXPECT_EQ(orphan.pull(480, 100.0), std::vector<float>(960, 0.0f));
    orphan.setStreaming(true);
}

TEST_F(ProgramStreamSourcesTest, TheEngineProgramReachesTheEncoder)
{
    SecretStore::overrideServiceForTesting("test." + QUuid::createUuid().toString(QUuid::WithoutBraces));
    auto streaming = ProgramStreaming::create(*settings, *engine, HostClock::shared());
    StreamManager& manager = *streaming.manager;
    manager.setFormat({ StreamFormat::Resolution::hd720, StreamFormat::Scan::progressive, StreamFormat::Rate::r25 });
    StreamOutput& output = *manager.outputs()[0];
    output.setKind(StreamOutput::Kind::srt);
    output.setUrl("srt://127.0.0.1:9");
    output.setVideoCodec(StreamOutput::VideoCodec::h264);
    const QString sink = dir.filePath(QStringLiteral("frame.raw"));
    const QString copier = test::writeFakeFFmpeg(
        dir, "copier", test::kAllEncoders, test::kAllProtocols,
        QStringLiteral("exec head -c %1 > '%2'").arg(1280 * 720 * 4).arg(sink));
    FFmpegTools::overrideCandidates(QStringList { copier });

    manager.startPipeline();
    EXPECT_TRUE(engine->programAudio()->isEnabled());
    output.start(manager.format());
    const bool ended = test::waitUntil([&] { return !output.isActive(); }, 20.0);
    FFmpegTools::overrideCandidates(std::nullopt);
    SecretStore::overrideServiceForTesting(QString());
    ASSERT_TRUE(ended);
    EXPECT_FALSE(manager.isPipelineRunning());
    EXPECT_FALSE(engine->programAudio()->isEnabled());

    QFile file(sink);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 1280 * 720 * 4);
    const auto byte = [&](int x, int y, int channel) {
        return static_cast<unsigned char>(bytes.at((qsizetype(y) * 1280 + x) * 4 + channel));
    };
    EXPECT_EQ(byte(640, 360, 2), 255); // red
    EXPECT_EQ(byte(640, 360, 1), 0);
    EXPECT_EQ(byte(640, 360, 0), 0);
    EXPECT_EQ(byte(0, 0, 2), 255);
}

TEST_F(ProgramStreamSourcesTest, NoRendererOnceTheEngineIsGone)
{
    auto streaming = ProgramStreaming::create(*settings, *engine, clock);
    engine.reset();
    players.clear();
    streaming.manager->startPipeline();
    EXPECT_FALSE(streaming.manager->isPipelineRunning());
}
