// The controls under the monitor, driven with real pointer and key events
// on the real engine (fake players on a hand-driven clock): every button
// acts on the engine, and every control follows the engine when something
// else changes it.
#include "automation/AtemTallyMonitor.h"
#include "automation/PlaylistShortcutEngine.h"
#include "automation/ShortcutManager.h"
#include "engine/EngineFixture.h"
#include "show/ShowController.h"
#include "show/ShowTestSupport.h"
#include "platform/FrameView.h"
#include "ui/kit/Accessibility.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Controls.h"
#include "ui/kit/Theme.h"
#include "ui/playlist/CueBar.h"
#include "ui/playlist/EngineSeekBar.h"
#include "ui/playlist/SeekBar.h"
#include "ui/playlist/TransitionControl.h"
#include "ui/playlist/TransportBar.h"

#include <QLabel>
#include <QLocale>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

namespace tessarin::test {
namespace {

std::shared_ptr<MediaFile> liveItem(const QString& name)
{
    LiveSource source;
    source.kind = LiveSourceKind::rtmp;
    source.name = name;
    source.address = QStringLiteral("rtmp://127.0.0.1/live");
    return MediaFile::create(source);
}

class CentreControls : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        makeEngine(TransitionStyle::cut);
        build();
    }

    void TearDown() override
    {
        window.reset();
        EngineTest::TearDown();
    }

    // The controls stacked as the centre column stacks them.
    void build()
    {
        window = std::make_unique<QWidget>();
        window->resize(836, 420); // a seek bar 800 wide
        auto* column = new QVBoxLayout(window.get());
        column->setContentsMargins(16, 60, 16, 16);
        column->setSpacing(14);
        seekBar = new EngineSeekBar(*engine);
        cueBar = new CueBar(*engine);
        transport = new TransportBar(*engine);
        transition = new TransitionControl(*engine);
        column->addWidget(seekBar);
        column->addWidget(cueBar);
        column->addWidget(transport);
        column->addWidget(transition);
        column->addStretch(1);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    TransportButton* button(TransportBar::Button which) const { return transport->button(which); }

    std::vector<bool> enabledButtons() const
    {
        std::vector<bool> states;
        for (int i = 0; i < TransportBar::buttonCount; ++i)
            states.push_back(button(TransportBar::Button(i))->isEnabled());
        return states;
    }

    void click(QAbstractButton* b)
    {
        QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
        drainMainQueue();
    }

    SeekBar& bar() const { return *seekBar->bar(); }
    QPoint at(double share) const { return { int(std::lround(share * bar().width())), bar().height() / 2 }; }

    std::unique_ptr<QWidget> window;
    EngineSeekBar* seekBar = nullptr;
    CueBar* cueBar = nullptr;
    TransportBar* transport = nullptr;
    TransitionControl* transition = nullptr;
};

TEST_F(CentreControls, TransportButtonsAreEnabledExactlyWhenTheEngineCanAct)
{
    using V = std::vector<bool>;
    // previous, back 10, stop, play/pause, cue, forward 10, next
    auto a = file(QStringLiteral("a"), 60);
    auto b = file(QStringLiteral("b"), 60);
    auto still = MediaFile::create(QUrl::fromLocalFile(mediaPath(QStringLiteral("still.png"))));
    ASSERT_TRUE(waitUntil([&] { return !still->playableURL().isEmpty(); }, 60.0)) << "the still's clip is rendered";
    auto live = liveItem(QStringLiteral("red"));
    auto block = blockOf({ a, b, still, live });

    EXPECT_EQ(enabledButtons(), V({ false, false, false, true, false, false, false })) << "idle";
    EXPECT_FALSE(bar().isSeekEnabled());
    EXPECT_TRUE(cueBar->isHidden());

    engine->select(a, block);
    EXPECT_EQ(enabledButtons(), V({ false, false, false, true, true, false, false })) << "a selection can be cued";

    click(button(TransportBar::cue));
    ASSERT_EQ(engine->cuedItem(), a);
    EXPECT_EQ(button(TransportBar::cue)->style().fill, Theme::cue());
    EXPECT_FALSE(cueBar->isHidden());
    EXPECT_EQ(cueBar->itemName(), QStringLiteral("a"));

    click(button(TransportBar::playPause)); // nothing loaded: the selection starts
    ASSERT_TRUE(onAir(a));
    EXPECT_EQ(enabledButtons(), V({ true, true, true, true, true, true, true })) << "playing the first of two";
    EXPECT_EQ(button(TransportBar::playPause)->symbol(), QStringLiteral("pause.fill"));
    EXPECT_TRUE(button(TransportBar::playPause)->style().glow);
    EXPECT_TRUE(bar().isSeekEnabled());

    click(button(TransportBar::playPause));
    ASSERT_FALSE(engine->isPlaying());
    EXPECT_TRUE(button(TransportBar::stop)->isEnabled()) << "paused with an item loaded";
    EXPECT_EQ(button(TransportBar::playPause)->symbol(), QStringLiteral("play.fill"));
    EXPECT_FALSE(button(TransportBar::playPause)->style().glow);

    engine->play(still, block);
    ASSERT_TRUE(onAir(still));
    EXPECT_EQ(enabledButtons(), V({ true, true, true, true, true, true, true })) << "an image plays as a clip";

    engine->play(live, block);
    ASSERT_TRUE(onAir(live));
    EXPECT_EQ(enabledButtons(), V({ true, false, true, true, true, false, false })) << "a live item, last of its block";
    EXPECT_FALSE(bar().isSeekEnabled());

    // The block on air grows: next follows without any engine state changing.
    block->setItems({ a, b, still, live, file(QStringLiteral("c")) });
    EXPECT_TRUE(button(TransportBar::next)->isEnabled());

    click(button(TransportBar::stop));
    EXPECT_FALSE(engine->currentItemID());
    EXPECT_EQ(enabledButtons(), V({ false, false, false, true, true, false, false })) << "stopped, selection kept";
}

TEST_F(CentreControls, TenSecondJumpsMoveThePlayerOnAirAndStopAtTheInAndOutPoints)
{
    auto clip = file(QStringLiteral("clip"), 60, 5.0, 40.0);
    engine->play(blockOf({ clip }));
    ASSERT_TRUE(onAir(clip));
    run(4.0); // 4 s into the window: at 9 s

    click(button(TransportBar::back10));
    ASSERT_FALSE(active().seeks.empty());
    EXPECT_EQ(active().seeks.back(), std::make_pair(5.0, SeekTolerance::Zero)) << "lands on the IN point";

    run(12.0); // at 17 s
    click(button(TransportBar::forward10));
    EXPECT_NEAR(active().seeks.back().first, 27.0, 1e-9);
    EXPECT_EQ(active().seeks.back().second, SeekTolerance::Zero);
    EXPECT_EQ(engine->currentTimecode(), QStringLiteral("00:00:22"));

    run(6.0); // at 33 s, 7 s before the OUT point
    click(button(TransportBar::forward10));
    EXPECT_EQ(active().seeks.back(), std::make_pair(40.0, SeekTolerance::Zero)) << "lands on the OUT point";
}

TEST_F(CentreControls, TheFocusedSeekBarJumpsOneSecondWithTheArrowsAndTenWithThePageKeys)
{
    auto clip = file(QStringLiteral("clip"), 60, 5.0, 40.0);
    engine->play(blockOf({ clip }));
    ASSERT_TRUE(onAir(clip));
    run(15.0); // at 20 s
    window->activateWindow();
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == window.get(); }));
    bar().setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(bar().hasFocus());

    struct Case {
        Qt::Key key;
        double lands; // the exact seek, within the IN and OUT points
    };
    double at = 20.0;
    for (const Case& c : { Case { Qt::Key_Right, 21.0 }, Case { Qt::Key_Left, 20.0 }, Case { Qt::Key_PageDown, 10.0 },
                           Case { Qt::Key_PageDown, 5.0 }, Case { Qt::Key_PageUp, 15.0 } }) {
        engine->seek((at - 5.0) / 35.0, true);
        run(0.1);
        QTest::keyClick(&bar(), c.key);
        ASSERT_FALSE(active().seeks.empty());
        EXPECT_NEAR(active().seeks.back().first, c.lands, 0.2) << "key " << c.key << " from " << at;
        at = c.lands;
    }
}

// A reader on the bar hears the moves made with the keys, once each, and
// not the position going on by itself during playback.
TEST_F(CentreControls, ReadersOfTheSeekBarHearKeyMovesAndNotPlayback)
{
    auto clip = file(QStringLiteral("clip"), 60);
    engine->play(blockOf({ clip }));
    int heard = 0;
    observeAccessibleValueChanges([&](QWidget* widget) { heard += widget == &bar(); });

    run(5.0);
    EXPECT_EQ(heard, 0) << "playback";
    QTest::keyClick(&bar(), Qt::Key_Right);
    run(1.0);
    EXPECT_EQ(heard, 1) << "a key's move, once it landed";
    run(3.0);
    EXPECT_EQ(heard, 1);
    observeAccessibleValueChanges({});
}

TEST_F(CentreControls, ASeekBarClickAndDragLandOnTheirTimesWithOneSeekPerRefresh)
{
    auto clip = file(QStringLiteral("clip"), 120, 10.0, 50.0);
    engine->play(blockOf({ clip }));
    ASSERT_TRUE(onAir(clip));
    auto& player = active();

    // A click: one scrub step and one exact seek at the clicked share.
    QTest::mouseClick(&bar(), Qt::LeftButton, {}, at(0.25));
    drainMainQueue();
    ASSERT_FALSE(player.seeks.empty());
    EXPECT_EQ(player.seeks.back(), std::make_pair(20.0, SeekTolerance::Zero));
    EXPECT_DOUBLE_EQ(engine->progress(), 0.25);
    EXPECT_DOUBLE_EQ(bar().progress(), 0.25);
    EXPECT_FALSE(bar().dragFraction());
    clock.advance(1.0);
    drainMainQueue();

    // A drag: the first step seeks at once; the moves that follow within the
    // same refresh only replace the one waiting.
    const std::size_t before = player.seeks.size();
    QTest::mousePress(&bar(), Qt::LeftButton, {}, at(0.1));
    for (int i = 1; i <= 20; ++i)
        QTest::mouseMove(&bar(), at(0.1 + 0.02 * i));
    EXPECT_EQ(player.seeks.size(), before + 1);
    EXPECT_DOUBLE_EQ(*bar().dragFraction(), 0.5) << "the fill follows the pointer";
    EXPECT_EQ(bar().readoutText(), QStringLiteral("00:00:20"));
    EXPECT_TRUE(bar().isActive());
    drainMainQueue(); // the first seek completes; the refresh has not passed yet
    EXPECT_EQ(player.seeks.size(), before + 1);
    clock.advance(1.0 / 60.0);
    drainMainQueue();
    ASSERT_EQ(player.seeks.size(), before + 2);
    EXPECT_DOUBLE_EQ(player.seeks.back().first, 30.0) << "the latest pointer share, not a queue of old ones";

    // Past the bar's end the share stays at 1; the release seeks once, exactly.
    QTest::mouseMove(&bar(), QPoint(bar().width() + 80, bar().height() / 2));
    EXPECT_DOUBLE_EQ(*bar().dragFraction(), 1.0);
    QTest::mouseRelease(&bar(), Qt::LeftButton, {}, at(0.6));
    drainMainQueue();
    clock.advance(0.5);
    drainMainQueue();
    EXPECT_EQ(player.seeks.back(), std::make_pair(34.0, SeekTolerance::Zero));
    EXPECT_EQ(player.seeks.size(), before + 3) << "the step still waiting went with the release";
    EXPECT_FALSE(bar().dragFraction());
    EXPECT_EQ(engine->currentTimecode(), QStringLiteral("00:00:24"));

    // The item leaves the air during a drag: the release seeks nothing and
    // the fill goes back to the engine's progress instead of staying put.
    QTest::mousePress(&bar(), Qt::LeftButton, {}, at(0.8));
    ASSERT_TRUE(bar().dragFraction());
    engine->stop();
    const std::size_t stopped = player.seeks.size();
    QTest::mouseRelease(&bar(), Qt::LeftButton, {}, at(0.8));
    drainMainQueue();
    EXPECT_EQ(player.seeks.size(), stopped);
    EXPECT_FALSE(bar().dragFraction());
    EXPECT_EQ(bar().shownFraction(), 0.0);

    // Nothing seekable: drawn dimmed, no help, clicks ignored.
    QTest::mouseClick(&bar(), Qt::LeftButton, {}, at(0.5));
    drainMainQueue();
    EXPECT_EQ(player.seeks.size(), stopped);
    EXPECT_TRUE(bar().toolTip().isEmpty());
    EXPECT_TRUE(bar().readoutText().isEmpty());
    EXPECT_FALSE(bar().isActive());
}

TEST_F(CentreControls, TheTakeOfTheButtonTheShortcutAndTheAtemLinkIsOneAndTheSame)
{
    auto a = file(QStringLiteral("a"));
    auto b = file(QStringLiteral("b"));
    auto c = file(QStringLiteral("c.take"));
    auto block = blockOf({ a, b, c });
    media->colors[pathOf(a)] = QColor(200, 30, 30);

    auto adapter = std::make_shared<PlaylistShortcutEngine>(engine.get());
    ShortcutManager shortcuts(*settings);
    auto bindings = ShortcutManager::defaultBindings();
    bindings["take"] = KeyCombo { 17, 0 }; // T
    shortcuts.setBindings(bindings);
    shortcuts.setEngine(adapter);
    shortcuts.startMonitoring();
    AtemTallyMonitor atem(*settings);
    atem.onProgramCut = [this] { engine->takeCued(); }; // as the main window installs it
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    // With nothing cued no source takes anything.
    QTest::keyClick(window->windowHandle(), Qt::Key_T);
    atem.onProgramCut();
    drainMainQueue();
    EXPECT_FALSE(engine->currentItemID());

    // The cue bar shows the preview player's picture at the IN point.
    engine->cue(a, block);
    drainMainQueue();
    ASSERT_FALSE(cueBar->isHidden());
    EXPECT_EQ(cueBar->preview()->size(), QSize(140, 79));
    ASSERT_FALSE(cueBar->preview()->currentImage().isNull());
    EXPECT_EQ(cueBar->preview()->currentImage().pixelColor(8, 4), QColor(200, 30, 30));
    click(cueBar->takeButton());
    EXPECT_TRUE(onAir(a));
    EXPECT_FALSE(engine->cuedItem()) << "the cue goes when the item starts";
    EXPECT_TRUE(cueBar->isHidden());

    engine->cue(b, block);
    QTest::keyClick(window->windowHandle(), Qt::Key_T);
    drainMainQueue();
    EXPECT_TRUE(onAir(b));
    EXPECT_TRUE(cueBar->isHidden());

    engine->cue(c, block);
    EXPECT_EQ(cueBar->itemName(), QStringLiteral("c.take")) << "only the last extension goes (c.take.mp4)";
    atem.onProgramCut();
    drainMainQueue();
    EXPECT_TRUE(onAir(c));
    EXPECT_TRUE(cueBar->isHidden());

    // Cancelling empties the preview player and removes the bar.
    engine->cue(a, block);
    ASSERT_FALSE(cueBar->isHidden());
    click(cueBar->cancelButton());
    EXPECT_FALSE(engine->cuedItem());
    EXPECT_FALSE(preview().currentItem());
    EXPECT_TRUE(cueBar->isHidden());
    EXPECT_TRUE(onAir(c));
    shortcuts.stopMonitoring();
}

TEST_F(CentreControls, TheTransitionRowWritesTheEngineAndFollowsIt)
{
    SegmentedControl& picker = *transition->picker();
    Stepper& stepper = *transition->fadeStepper();
    ASSERT_EQ(picker.currentIndex(), 0);
    EXPECT_TRUE(stepper.isHidden()) << "the cut style has no duration";
    const int rowHeight = transition->height();

    click(picker.segment(1));
    // Arrows of at least 16 x 16 points, and a row that keeps its height.
    for (QWidget* arrow : {static_cast<QWidget*>(stepper.upButton()), static_cast<QWidget*>(stepper.downButton())}) {
        EXPECT_GE(arrow->width(), 16);
        EXPECT_GE(arrow->height(), 16);
    }
    QApplication::processEvents();
    EXPECT_EQ(transition->height(), rowHeight);
    EXPECT_EQ(engine->transitionStyle(), TransitionStyle::fade);
    EXPECT_EQ(settings->stringValue(PlaylistEngine::kStyleKey), QStringLiteral("fade"));
    EXPECT_FALSE(stepper.isHidden());
    EXPECT_EQ(stepper.text(), QLocale().toString(2.0, 'f', 1) + QStringLiteral(" s"));

    // Set elsewhere (a show, the settings): the row follows.
    engine->setFadeSeconds(1.0);
    EXPECT_EQ(stepper.text(), QLocale().toString(1.0, 'f', 1) + QStringLiteral(" s"));
    for (int i = 0; i < 10; ++i)
        click(stepper.upButton());
    EXPECT_EQ(engine->fadeSeconds(), 2.0) << "ten steps land on an exact tenth";
    EXPECT_EQ(settings->doubleValue(PlaylistEngine::kFadeSecondsKey), 2.0);

    engine->setFadeSeconds(10.0);
    EXPECT_FALSE(stepper.upButton()->isEnabled());
    engine->setFadeSeconds(0.1);
    EXPECT_FALSE(stepper.downButton()->isEnabled());
    click(stepper.downButton());
    EXPECT_EQ(engine->fadeSeconds(), 0.1);
    click(stepper.upButton());
    EXPECT_EQ(engine->fadeSeconds(), 0.2);

    engine->setTransitionStyle(TransitionStyle::cut);
    EXPECT_EQ(picker.currentIndex(), 0);
    EXPECT_TRUE(stepper.isHidden());
    click(picker.segment(1));
    EXPECT_EQ(stepper.text(), QLocale().toString(0.2, 'f', 1) + QStringLiteral(" s")) << "the duration is kept";
}

TEST(TransitionControlAcrossShows, TheFadeTimeSurvivesANewShowAndAReopenedOne)
{
    ManualClock clock;
    QTemporaryDir dir;
    Settings settings(dir.filePath(QStringLiteral("settings.ini")));
    ScriptedDialogs dialogs;
    auto media = std::make_shared<FakeMedia>();
    const ShowController::Services services { settings, clock, dialogs,
        [&] { return std::make_shared<FakeMediaPlayer>(clock, media); }, std::make_shared<NullAudioOutput>() };
    auto shows = ShowController::create(services);
    const auto text = [](double seconds) { return QLocale().toString(seconds, 'f', 1) + QStringLiteral(" s"); };

    auto control = std::make_unique<TransitionControl>(shows->engine());
    control->show();
    QTest::mouseClick(control->picker()->segment(1), Qt::LeftButton);
    for (int i = 0; i < 5; ++i)
        QTest::mouseClick(control->fadeStepper()->upButton(), Qt::LeftButton);
    ASSERT_EQ(shows->engine().fadeSeconds(), 1.5);
    const QString path = dir.filePath(QStringLiteral("Serata.vellumcast"));
    dialogs.saveAnswers.push_back(path);
    ASSERT_TRUE(shows->saveAs());

    shows->newShow();
    drainMainQueue();
    EXPECT_EQ(control->picker()->currentIndex(), 1);
    EXPECT_EQ(control->fadeStepper()->text(), text(1.5));

    QTest::mouseClick(control->fadeStepper()->upButton(), Qt::LeftButton);
    dialogs.openAnswers.push_back(path);
    shows->open();
    drainMainQueue();
    ASSERT_EQ(shows->fileURL(), path);
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(shows->engine().fadeSeconds(), 1.6) << "a show does not carry the transition";
    EXPECT_EQ(control->fadeStepper()->text(), text(1.6));

    // The next launch reads the settings.
    control.reset();
    shows.reset();
    shows = ShowController::create(services);
    control = std::make_unique<TransitionControl>(shows->engine());
    EXPECT_EQ(control->picker()->currentIndex(), 1);
    EXPECT_EQ(control->fadeStepper()->text(), text(1.6));
}

} // namespace
} // namespace tessarin::test
