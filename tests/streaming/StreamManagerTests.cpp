// The stream manager's format setting, pipeline life and interlaced weaving,
// with synthetic sources and stand-in ffmpeg scripts.
#include "FakeFFmpeg.h"
#include "SyntheticSources.h"

#include "media/FFmpegTools.h"
#include "platform/Settings.h"
#include "streaming/KeychainQueue.h"
#include "streaming/SecretStore.h"
#include "streaming/StreamManager.h"

#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

using namespace tessarin;
using F = StreamFormat;

namespace {

class StreamManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SecretStore::overrideServiceForTesting("test." + QUuid::createUuid().toString(QUuid::WithoutBraces));
        settings = std::make_unique<Settings>(dir.filePath("settings.ini"));
    }
    void TearDown() override
    {
        manager.reset();
        FFmpegTools::overrideCandidates(std::nullopt);
        // Addresses handed to the keychain go under this test's service.
        KeychainQueue::shared()->flush(30.0);
        SecretStore::overrideServiceForTesting(QString());
    }
    void makeManager()
    {
        manager = std::make_unique<StreamManager>(
            *settings,
            [this](int w, int h, double lookahead) {
                ++renderersMade;
                lastLookahead = lookahead;
                frames = std::make_shared<test::NumberedFrames>(w, h);
                return frames;
            },
            audio, clock);
        // Publishing a stored address refreshes the manager, which stops a
        // pipeline that nothing streams from: the addresses come first.
        for (const auto& output : manager->outputs())
            EXPECT_TRUE(test::waitUntil([&] { return !output->isLoadingUrl(); }, 30.0));
    }

    QTemporaryDir dir;
    std::unique_ptr<Settings> settings;
    test::ManualClock clock;
    std::shared_ptr<test::ToneAudio> audio = std::make_shared<test::ToneAudio>();
    std::shared_ptr<test::NumberedFrames> frames;
    int renderersMade = 0;
    double lastLookahead = 0;
    std::unique_ptr<StreamManager> manager;
};

TEST_F(StreamManagerTest, TheFormatIsReadFromOldKeysAndStoredNormalised)
{
    settings->setString("Vellumcast.stream.quality", "hd1080");
    settings->setString("Vellumcast.stream.rate", "R25");
    makeManager();
    EXPECT_EQ(manager->format(), (F { F::Resolution::hd1080, F::Scan::progressive, F::Rate::r30 }));
    EXPECT_FALSE(settings->contains("Vellumcast.stream.resolution"));

    QSignalSpy spy(manager.get(), &StreamManager::formatChanged);
    manager->setFormat({ F::Resolution::hd720, F::Scan::interlaced, F::Rate::r30 });
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(manager->format(), (F { F::Resolution::hd1080, F::Scan::interlaced, F::Rate::r30 }));
    EXPECT_EQ(settings->stringValue("Vellumcast.stream.resolution"), "hd1080");
    EXPECT_EQ(settings->stringValue("Vellumcast.stream.scan"), "interlaced");
    EXPECT_EQ(settings->stringValue("Vellumcast.stream.rate"), "r30");

    settings->setString("Vellumcast.stream.resolution", "hd720");
    settings->setString("Vellumcast.stream.rate", "r60");
    makeManager();
    EXPECT_EQ(manager->format(), (F { F::Resolution::hd1080, F::Scan::interlaced, F::Rate::r25 }));
    EXPECT_EQ(settings->stringValue("Vellumcast.stream.rate"), "r60");
}

TEST_F(StreamManagerTest, OnePipelineRunsWhileADestinationIsActiveAndStopsWithTheLast)
{
    makeManager();
    StreamOutput& one = *manager->outputs()[0];
    one.setUrl("rtmp://127.0.0.1/live");
    FFmpegTools::overrideCandidates(QStringList {}); // its launch fails
    manager->startPipeline();
    manager->startPipeline();
    EXPECT_EQ(renderersMade, 1);
    EXPECT_DOUBLE_EQ(lastLookahead, 0.033333333 / 2);
    EXPECT_TRUE(audio->streaming);
    EXPECT_TRUE(test::waitUntil([&] { return audio->pulls >= 2 && manager->counters().videoTicks >= 2; }));

    one.start(manager->format());
    EXPECT_TRUE(manager->isStreaming());
    EXPECT_TRUE(test::waitUntil([&] { return !one.isActive(); }));
    EXPECT_FALSE(manager->isStreaming());
    EXPECT_FALSE(manager->isPipelineRunning());
    EXPECT_FALSE(audio->streaming);
    EXPECT_EQ(manager->counters().framesSent, 0) << "nothing runs, nothing is sent";

    // A start button whose destination fails at once stops the pipeline again.
    one.setUrl("");
    manager->startPipeline();
    one.start(manager->format());
    EXPECT_FALSE(manager->isPipelineRunning());
}

TEST_F(StreamManagerTest, InterlacedFramesWeaveTheLaterRendersOddRowsIntoTheEarlierOne)
{
    makeManager();
    manager->setFormat({ F::Resolution::hd1080, F::Scan::interlaced, F::Rate::r25 });
    StreamOutput& two = *manager->outputs()[1];
    two.setKind(StreamOutput::Kind::srt);
    two.setUrl("srt://127.0.0.1:9");
    const QString sink = dir.filePath("frame.raw");
    const QString copier = test::writeFakeFFmpeg(
        dir, "copier", test::kAllEncoders, test::kAllProtocols,
        QStringLiteral("exec head -c %1 > '%2'").arg(1920 * 1080 * 4).arg(sink));
    FFmpegTools::overrideCandidates(QStringList { copier });
    manager->startPipeline();
    two.start(manager->format());
    ASSERT_TRUE(test::waitUntil([&] { return !two.isActive(); }, 20.0));

    QFile file(sink);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 1920 * 1080 * 4);
    const auto at = [&](int row) { return static_cast<unsigned char>(bytes.at(qsizetype(row) * 1920 * 4 + 100)); };
    const int top = at(0);
    EXPECT_EQ(at(1), (top + 1) % 200);
    EXPECT_EQ(at(1078), top);
    EXPECT_EQ(at(1079), (top + 1) % 200);
    EXPECT_FALSE(manager->isPipelineRunning());
}

} // namespace
