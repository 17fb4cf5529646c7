// The seek bar and the cue preview on real players and a real file whose
// pictures tell their frame number: what the operator sees on the monitor
// after a scrub, and in the cue bar after a cue.
#include "engine/MonitorView.h"
#include "engine/PlaylistEngine.h"
#include "platform/FrameView.h"
#include "platform/Settings.h"
#include "platform/player/AudioOutput.h"
#include "platform/player/FfmpegMediaPlayer.h"
#include "platform/player/PlayerItem.h"
#include "support/TestSupport.h"
#include "ui/playlist/CueBar.h"
#include "ui/playlist/EngineSeekBar.h"
#include "ui/playlist/SeekBar.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <cmath>

namespace tessarin::test {
namespace {

// frames.mp4 (25 fps, 20 s) paints frame N with luma 16 + 4 × (N mod 50):
// the frame number (mod 50) from the green of a picture's centre.
int frameNumberMod50(const QImage& image)
{
    if (image.isNull())
        return -1;
    const int value = qGreen(image.pixel(image.width() / 2, image.height() / 2));
    const double luma = value * 219.0 / 255.0 + 16.0;
    return static_cast<int>(std::lround((luma - 16.0) / 4.0));
}

TEST(CentreControlsOnRealPlayers, AScrubEndsOnTheFrameUnderThePointerAndTheCueShowsItsInPoint)
{
    QTemporaryDir dir;
    Settings settings(dir.filePath(QStringLiteral("settings.ini")));
    auto output = std::make_shared<SdlAudioOutput>(SdlAudioOutput::Options { QStringLiteral("dummy"), 512 });
    PlaylistEngine engine(HostClock::shared(), settings,
                          [output] { return std::make_shared<FfmpegMediaPlayer>(output, HostClock::shared()); }, output);
    engine.setTransitionStyle(TransitionStyle::cut);
    const QUrl url = QUrl::fromLocalFile(mediaPath(QStringLiteral("frames.mp4")));
    const auto item = [&](double in, double out) {
        auto file = MediaFile::create(url);
        file->setPlayableURL(url);
        file->setInPoint(in);
        file->setOutPoint(out);
        return file;
    };
    auto onAir = item(2.0, 18.0);
    auto cued = item(6.4, 18.0);
    auto block = std::make_shared<MediaBlock>(QStringLiteral("Blocco 1"), QUuid::createUuid());
    block->setItems({ onAir, cued });
    engine.setBlocks({ block });

    QWidget window;
    window.resize(836, 520);
    auto* column = new QVBoxLayout(&window);
    column->setContentsMargins(16, 16, 16, 16);
    auto* monitor = new MonitorView(engine, true, HostClock::shared());
    auto* seekBar = new EngineSeekBar(engine);
    auto* cueBar = new CueBar(engine);
    column->addWidget(monitor, 1);
    column->addWidget(seekBar);
    column->addWidget(cueBar);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    SeekBar& bar = *seekBar->bar();
    ASSERT_EQ(bar.width(), 800);

    engine.play(block);
    ASSERT_TRUE(waitUntil([&] { return engine.canSeek() && engine.windowDuration() > 0; }, 20.0));
    engine.togglePlayPause();
    ASSERT_FALSE(engine.isPlaying());

    // A drag across the bar, then the release at 30 %: 2 + 0.3 × 16 = 6.8 s, frame 170.
    const int y = bar.height() / 2;
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(40, y));
    for (int x = 60; x <= 700; x += 20)
        QTest::mouseMove(&bar, QPoint(x, y));
    EXPECT_LT(seekBar->seeksIssued(), 8) << "pointer moves are coalesced, not queued";
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(240, y));
    EXPECT_TRUE(waitUntil([&] { return frameNumberMod50(monitor->currentImage()) == 170 % 50; }, 20.0))
        << "the monitor shows frame " << frameNumberMod50(monitor->currentImage());
    EXPECT_EQ(engine.currentTimecode(), QStringLiteral("00:00:04"));
    EXPECT_DOUBLE_EQ(engine.progress(), 0.3);

    // The cue bar shows the cued item paused at its IN point: 6.4 s, frame 160.
    engine.cue(cued, block);
    ASSERT_FALSE(cueBar->isHidden());
    EXPECT_TRUE(waitUntil([&] { return frameNumberMod50(cueBar->preview()->currentImage()) == 160 % 50; }, 20.0))
        << "the preview shows frame " << frameNumberMod50(cueBar->preview()->currentImage());
    EXPECT_EQ(frameNumberMod50(monitor->currentImage()), 170 % 50) << "the program is untouched by the cue";
    // The cued item may go to air: beside the cue bar's small reader it
    // keeps the size the program was drawn at when it was cued (the
    // monitor's, before the cue bar took its share of the window).
    const QSize limit = engine.previewPlayer()->currentItem()->pictureSizeLimit();
    EXPECT_EQ(limit.width(), monitor->currentImage().width());
    EXPECT_GT(limit.height(), cueBar->preview()->height());
}

} // namespace
} // namespace tessarin::test
