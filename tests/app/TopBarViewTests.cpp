// The top bar over the real show controller, engine, schedule, stream
// manager and output controller: its texts, colours and presence follow
// each of them, and its buttons open what they name.
#include "app/TopBarView.h"

#include "automation/AtemTallyMonitor.h"
#include "automation/ScheduleController.h"
#include "automation/ShortcutManager.h"
#include "engine/FakeDisplays.h"
#include "engine/FakeLiveSession.h"
#include "engine/OutputWindowController.h"
#include "engine/PlaylistEngine.h"
#include "media/LiveSource.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "platform/Settings.h"
#include "platform/Workers.h"
#include "platform/player/AudioOutput.h"
#include "show/ShowController.h"
#include "show/ShowTestSupport.h"
#include "streaming/SecretStore.h"
#include "streaming/StreamManager.h"
#include "streaming/SyntheticSources.h"
#include "support/FakeMediaPlayer.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Theme.h"
#include "ui/settings/OutputSettingsView.h"
#include "ui/settings/StreamSettingsView.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

using namespace tessarin;

namespace {

class TopBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SecretStore::overrideServiceForTesting("test." + QUuid::createUuid().toString(QUuid::WithoutBraces));
        show = ShowController::create({ settings, clock, dialogs,
                                        [this] { return std::make_shared<test::FakeMediaPlayer>(clock, media); },
                                        std::make_shared<NullAudioOutput>() });
        displays.addScreen(1, QStringLiteral("Built-in"));
        displays.addScreen(2, QStringLiteral("HDMI-1"));
        displays.main = 1;
        bar = std::make_unique<TopBarView>(*show, streams, output, shortcuts, atem);
        bar->resize(1400, 40);
        bar->show();
    }
    void TearDown() override
    {
        streams.killAllForTermination();
        for (const auto& out : streams.outputs())
            test::waitUntil([&] { return !out->isActive(); }, 10.0);
        bar.reset();
        output.stop();
        show.reset();
        Workers::userInitiated().waitForIdle(20.0);
        test::drainMainQueue();
        SecretStore::overrideServiceForTesting(QString());
    }

    std::shared_ptr<MediaBlock> addBlock(std::shared_ptr<MediaFile> item)
    {
        auto block = std::make_shared<MediaBlock>(QStringLiteral("Apertura"), QUuid::createUuid());
        block->setItems({ std::move(item) });
        auto blocks = show->engine().blocks();
        blocks.push_back(block);
        show->engine().setBlocks(blocks);
        return block;
    }
    std::shared_ptr<MediaFile> fileItem(const QString& path)
    {
        auto item = MediaFile::create(QUrl::fromLocalFile(path));
        item->setPlayableURL(QUrl::fromLocalFile(path));
        item->setDuration(60.0);
        return item;
    }

    QTemporaryDir dir;
    Settings settings { dir.filePath(QStringLiteral("settings.ini")) };
    test::ManualClock clock;
    test::ScriptedDialogs dialogs;
    std::shared_ptr<test::FakeMedia> media = std::make_shared<test::FakeMedia>();
    std::unique_ptr<ShowController> show;
    std::shared_ptr<test::ToneAudio> audio = std::make_shared<test::ToneAudio>();
    StreamManager streams { settings, [](int w, int h, double) { return std::make_shared<test::NumberedFrames>(w, h); },
                            audio };
    test::FakeDisplays displays;
    DisplayManager displayManager { displays };
    OutputWindowController output { displayManager, clock, [] { return new QLabel(QStringLiteral("program")); } };
    ShortcutManager shortcuts { settings };
    AtemTallyMonitor atem { settings };
    std::unique_ptr<TopBarView> bar;
};

TEST_F(TopBarTest, FollowsTheShowTheProgramAndTheSchedule)
{
    // An empty show.
    EXPECT_EQ(bar->showMenu()->text(), "Show senza titolo");
    EXPECT_EQ(bar->showMenu()->color(), Theme::textSecondary());
    EXPECT_FALSE(bar->nowPlaying()->isVisible());
    EXPECT_FALSE(bar->scheduleBadge()->isVisible());

    // A change is seen by the document controller's watcher.
    auto block = addBlock(fileItem(QStringLiteral("/fake/clip.mov")));
    clock.advance(1.6);
    test::drainMainQueue();
    ASSERT_TRUE(show->isDirty());
    EXPECT_EQ(bar->showMenu()->text(), show->title());
    EXPECT_TRUE(bar->showMenu()->text().endsWith(" — modificato"));
    EXPECT_EQ(bar->showMenu()->color(), Theme::cue());

    // On air: the file's name without its extension; paused: hidden.
    show->engine().play(block);
    ASSERT_TRUE(show->engine().isPlaying());
    EXPECT_TRUE(bar->nowPlaying()->isVisible());
    EXPECT_EQ(bar->nowPlayingName()->text(), "clip");
    show->engine().togglePlayPause();
    ASSERT_FALSE(show->engine().isPlaying());
    EXPECT_FALSE(bar->nowPlaying()->isVisible());
    show->engine().togglePlayPause();
    EXPECT_TRUE(bar->nowPlaying()->isVisible());

    // A live source shows its own name.
    auto live = MediaFile::create(LiveSource { QUuid::createUuid(), LiveSourceKind::rtmp, QStringLiteral("Camera 2"),
                                               QStringLiteral("rtmp://127.0.0.1/cam"), true });
    show->engine().setLiveSessionMaker(
        [](const LiveSource&) { return std::make_shared<test::FakeLiveSession>(QColor(Qt::blue)); });
    auto liveBlock = addBlock(live);
    show->engine().play(liveBlock);
    EXPECT_EQ(bar->nowPlayingName()->text(), "Camera 2");

    // The automation badge comes and goes without leaving room.
    const int streamingLeft = bar->streamingButton()->x();
    show->schedule().setArmed(true);
    EXPECT_TRUE(bar->scheduleBadge()->isVisible());
    show->schedule().setArmed(false);
    EXPECT_FALSE(bar->scheduleBadge()->isVisible());
    bar->layout()->activate();
    EXPECT_EQ(bar->streamingButton()->x(), streamingLeft);

    // A new show is clean again.
    dialogs.questionAnswers.push_back(ShowDialogs::SaveAnswer::dontSave);
    show->newShow();
    EXPECT_EQ(bar->showMenu()->text(), "Show senza titolo");
    EXPECT_EQ(bar->showMenu()->color(), Theme::textSecondary());
}

TEST_F(TopBarTest, TheStreamingAndOutputButtonsFollowTheirControllers)
{
    PillButton* streaming = bar->streamingButton();
    EXPECT_EQ(streaming->text(), "Streaming");
    EXPECT_FALSE(streaming->style().filled);

    StreamOutput& out = *streams.outputs()[0];
    out.setUrl(QStringLiteral("rtmp://127.0.0.1:1/live")); // nobody listens: it connects, then fails
    streams.startPipeline();
    out.start(streams.format());
    ASSERT_TRUE(streams.isStreaming());
    EXPECT_EQ(streaming->text(), "STREAMING");
    EXPECT_TRUE(streaming->style().filled);
    EXPECT_EQ(streaming->style().tint, Theme::onAir());
    EXPECT_EQ(streaming->labelColor(), QColor(Qt::white));
    ASSERT_TRUE(test::waitUntil([&] { return !streams.isStreaming(); }, 30.0));
    EXPECT_EQ(streaming->text(), "Streaming");
    EXPECT_FALSE(streaming->style().filled);

    PillButton* outputButton = bar->outputButton();
    EXPECT_EQ(outputButton->text(), "Uscita esterna");
    EXPECT_EQ(outputButton->symbol(), "tv");
    output.present(displayManager.externalDisplays().front(), std::nullopt);
    EXPECT_EQ(outputButton->text(), "Uscita attiva");
    EXPECT_EQ(outputButton->symbol(), "tv.fill");
    EXPECT_EQ(outputButton->labelColor(), Theme::meterLow());
    output.stop();
    EXPECT_EQ(outputButton->text(), "Uscita esterna");

    // Its display unplugged: stopped, in the warning colour, saying why on
    // the button and on the output page, until the next start.
    const OutputDisplay external = displayManager.externalDisplays().front();
    output.present(external, std::nullopt);
    displays.unplug(external.id);
    EXPECT_EQ(outputButton->text(), "Uscita esterna");
    EXPECT_EQ(outputButton->symbol(), "exclamationmark.triangle.fill");
    EXPECT_EQ(outputButton->labelColor(), Theme::meterHigh());
    EXPECT_EQ(outputButton->toolTip(), output.interruption());
    QTest::mouseClick(outputButton, Qt::LeftButton);
    auto* page = qobject_cast<OutputSettingsView*>(bar->outputPopover()->content());
    ASSERT_TRUE(page);
    EXPECT_TRUE(page->interruptionLabel()->isVisibleTo(page));
    EXPECT_EQ(page->interruptionLabel()->text(), output.interruption());
    bar->outputPopover()->hide();
    displays.plug(external.id, external.name);
    output.present(external, std::nullopt);
    EXPECT_EQ(outputButton->symbol(), "tv.fill");
    EXPECT_TRUE(outputButton->toolTip().isEmpty());
}

TEST_F(TopBarTest, ButtonsOpenTheirPopoversTheSettingsAndTheShowCommands)
{
    QTest::mouseClick(bar->streamingButton(), Qt::LeftButton);
    Popover* popover = bar->streamPopover();
    ASSERT_TRUE(popover);
    EXPECT_TRUE(popover->isVisible());
    auto* page = qobject_cast<StreamSettingsView*>(popover->content());
    ASSERT_TRUE(page);
    EXPECT_EQ(&page->manager(), &streams);
    QTest::keyClick(popover, Qt::Key_Escape);
    EXPECT_FALSE(bar->streamPopover());

    output.present(displayManager.externalDisplays().front(), std::nullopt);
    QTest::mouseClick(bar->outputButton(), Qt::LeftButton);
    ASSERT_TRUE(bar->outputPopover());
    auto* outputPage = qobject_cast<OutputSettingsView*>(bar->outputPopover()->content());
    ASSERT_TRUE(outputPage);
    EXPECT_TRUE(outputPage->stopButton()->isVisibleTo(outputPage)) << "the running output shows at once";
    bar->outputPopover()->hide();
    EXPECT_FALSE(bar->outputPopover());

    QSignalSpy settingsAsked(bar.get(), &TopBarView::settingsRequested);
    QTest::mouseClick(bar->settingsButton(), Qt::LeftButton);
    EXPECT_EQ(settingsAsked.count(), 1);

    const auto actions = bar->showMenu()->menu()->actions();
    ASSERT_EQ(actions.size(), 5);
    EXPECT_EQ(actions[0]->text(), "&Nuovo show");
    EXPECT_EQ(actions[1]->text(), "&Apri show…");
    EXPECT_TRUE(actions[2]->isSeparator());
    EXPECT_EQ(actions[3]->text(), "&Salva");
    EXPECT_EQ(actions[4]->text(), "Salva &con nome…");
    actions[3]->trigger(); // never saved: asks where
    EXPECT_EQ(dialogs.savePanels.size(), 1u);
    actions[1]->trigger();
    EXPECT_EQ(dialogs.openPanels, 1);
}

} // namespace
