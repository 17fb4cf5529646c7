// The item row and its gain slider: what the operator's gestures write into
// the item, what the row shows of it, and the gain reaching the program's
// sound on the real player.
#include "BlocksFixture.h"

#include "platform/Clock.h"
#include "platform/player/FfmpegMediaPlayer.h"
#include "support/DiskCapture.h"
#include "ui/kit/Controls.h"
#include "ui/playlist/GainSlider.h"
#include "ui/kit/Labels.h"
#include "ui/kit/OnAirBadge.h"
#include "ui/kit/Theme.h"
#include "ui/playlist/NowPlayingLine.h"

#include <QAccessible>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>

#include <cmath>
#include <functional>
#include <optional>

namespace tessarin::test {
namespace {

TEST(GainSlider, PressesSetHalfDecibelStepsWithASnapToUnity)
{
    const struct {
        double x;
        double expected;
    } cases[] = {
        { 0, -40 }, { 208, 12 }, { 160, 0 }, { 162, 0 }, { 164, 1.0 }, { 100, -15 },
        { -30, -40 }, { 400, 12 }, { std::nan(""), -40 },
        // raw -0.74 snaps; raw -0.75 rounds away from zero to -1.0; 1.25 to 1.5
        { 160 - 0.74 * 4, 0 }, { 160 - 0.75 * 4, -1.0 }, { 160 + 1.25 * 4, 1.5 },
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(GainSlider::valueAt(c.x, 208, -40, 12), c.expected) << "x = " << c.x;
    EXPECT_DOUBLE_EQ(GainSlider::valueAt(0.5, 0, -40, 12), -40 + 52 * 0.5) << "a width of 1 or less counts as 1";
}

TEST(GainSlider, KeysMoveByStepsPagesAndToTheEnds)
{
    const struct {
        int key;
        double from;
        std::optional<double> expected;
    } cases[] = {
        { Qt::Key_Right, 0, 0.5 }, { Qt::Key_Up, -6.5, -6.0 }, { Qt::Key_Left, 0, -0.5 }, { Qt::Key_Down, 12, 11.5 },
        // off the grid (a drag or a file): to the next whole step
        { Qt::Key_Right, 0.3, 0.5 }, { Qt::Key_Left, 0.3, 0.0 },
        { Qt::Key_PageUp, -40, -34 }, { Qt::Key_PageDown, -6, -12 }, { Qt::Key_PageUp, 9, 12 },
        { Qt::Key_PageDown, -37, -40 }, { Qt::Key_Right, 12, 12 }, { Qt::Key_Left, -40, -40 },
        { Qt::Key_Home, 3, -40 }, { Qt::Key_End, 3, 12 }, { Qt::Key_0, -17.5, 0 },
        { Qt::Key_Right, std::nan(""), -39.5 }, { Qt::Key_Space, 3, std::nullopt }, { Qt::Key_1, 3, std::nullopt },
    };
    for (const auto& c : cases) {
        const auto value = GainSlider::valueForKey(c.key, c.from, -40, 12);
        EXPECT_EQ(value, c.expected) << "key " << c.key << " from " << c.from;
    }
}

TEST(MediaRowView, GainTextFollowsTheReadoutRules)
{
    const QString minus(QChar(0x2212));
    EXPECT_EQ(MediaRowView::gainText(-40, false), minus + QStringLiteral("∞ dB"));
    EXPECT_EQ(MediaRowView::gainText(-55, false), minus + QStringLiteral("∞ dB"));
    EXPECT_EQ(MediaRowView::gainText(0.04, false), QStringLiteral("0 dB"));
    EXPECT_EQ(MediaRowView::gainText(-0.04, false), QStringLiteral("0 dB"));
    EXPECT_EQ(MediaRowView::gainText(-6.5, false), minus + QStringLiteral("6.5 dB"));
    EXPECT_EQ(MediaRowView::gainText(3, false), QStringLiteral("+3.0 dB"));
    EXPECT_EQ(MediaRowView::gainText(3, true), QStringLiteral("MUTE"));
}

class MediaRow : public BlocksTest { };

TEST_F(MediaRow, GesturesWriteTheItemAndTheRowFollowsIt)
{
    auto& col = makeColumn();
    auto clip = media("clip_5s.mov");
    auto still = media("still.png");
    auto block = addBlock(QStringLiteral("B"), { clip, still });
    BlockCardView* card = col.card(block->id());
    MediaRowView* row = card->row(clip->id());

    // The slider: a press sets the value from the pointer, a double click 0.
    GainSlider* slider = row->gainSlider();
    ASSERT_NE(slider, nullptr);
    const int track = slider->width() - 2 * GainSlider::kTrackInset;
    ASSERT_GT(track, 50);
    const auto at = [&](double share) { return QPoint(GainSlider::kTrackInset + int(std::lround(track * share)), 8); };
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, at(0.0));
    EXPECT_DOUBLE_EQ(clip->gainDB(), -40.0);
    EXPECT_EQ(row->gainReadout(), QString(QChar(0x2212)) + QStringLiteral("∞ dB"));
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, at(1.0));
    EXPECT_DOUBLE_EQ(clip->gainDB(), 12.0);
    EXPECT_EQ(row->gainReadout(), QStringLiteral("+12.0 dB"));
    QTest::mouseDClick(slider, Qt::LeftButton, Qt::NoModifier, at(0.2));
    EXPECT_DOUBLE_EQ(clip->gainDB(), 0.0);
    clip->setGainDB(-6.5); // from elsewhere: the row follows
    EXPECT_DOUBLE_EQ(slider->value(), -6.5);

    // Mute, loop and the trim colour.
    QTest::mouseClick(row->muteButton(), Qt::LeftButton);
    EXPECT_TRUE(clip->isMuted());
    EXPECT_TRUE(slider->isDimmed());
    EXPECT_EQ(row->gainReadout(), QStringLiteral("MUTE"));
    EXPECT_EQ(row->muteButton()->symbol(), QStringLiteral("speaker.slash.fill"));
    QTest::mouseClick(row->loopButton(), Qt::LeftButton);
    EXPECT_TRUE(clip->loop());
    QTest::mouseClick(row->loopButton(), Qt::LeftButton);
    EXPECT_FALSE(clip->loop());

    // The length follows IN and OUT.
    ASSERT_TRUE(waitUntil([&] { return clip->duration() > 4.9; }));
    EXPECT_EQ(row->selectArea()->look().subtitle, QStringLiteral("00:00:05"));
    clip->setInPoint(9.0);
    EXPECT_EQ(row->selectArea()->look().subtitle, QStringLiteral("00:00:00"));
    clip->setInPoint(1.0);
    clip->setOutPoint(3.5);
    EXPECT_EQ(row->selectArea()->look().subtitle, QStringLiteral("00:00:02"));

    // The trim button opens the trim editor's popover.
    QTest::mouseClick(row->trimButton(), Qt::LeftButton);
    ASSERT_NE(row->trimEditor(), nullptr);
    EXPECT_TRUE(row->trimEditor()->isVisible());
    row->trimEditor()->close();

    // A still image: no gain line, no trim; cue and play wait for its clip;
    // the stepper keeps to 1 ... 60 seconds.
    MediaRowView* image = card->row(still->id());
    EXPECT_EQ(image->gainSlider(), nullptr);
    EXPECT_EQ(image->trimButton(), nullptr);
    ASSERT_TRUE(waitUntil([&] { return !still->playableURL().isEmpty(); }, 20.0));
    EXPECT_TRUE(image->playButton()->isEnabled());
    still->setPlayableURL(QUrl());
    EXPECT_FALSE(image->playButton()->isEnabled());
    EXPECT_FALSE(image->cueButton()->isEnabled());
    EXPECT_TRUE(image->playButton()->isBusy());
    Stepper* stepper = image->imageStepper();
    ASSERT_NE(stepper, nullptr);
    EXPECT_EQ(stepper->text(), QStringLiteral("Immagine · 5 s"));
    still->setImageDuration(59.0);
    QTest::mouseClick(stepper->upButton(), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(still->imageDuration(), 60.0);
    EXPECT_FALSE(stepper->upButton()->isEnabled());
    still->setImageDuration(2.0);
    QTest::mouseClick(stepper->downButton(), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(still->imageDuration(), 1.0);
    EXPECT_FALSE(stepper->downButton()->isEnabled());
    EXPECT_EQ(stepper->text(), QStringLiteral("Immagine · 1 s"));

    // Removing a row edits only the block; the item on air stays on air.
    engine->play(clip, block);
    QTest::mouseClick(row->removeButton(), Qt::LeftButton);
    EXPECT_EQ(names(*block), QStringList { QStringLiteral("still") });
    EXPECT_TRUE(onAir(clip));
    EXPECT_EQ(card->row(clip->id()), nullptr);
}

// From the keyboard and a screen reader: every control of the row says
// whose it is, the loops and mute say whether they are on, and the gain slider
// takes the focus from Tab and moves with the keys, its value said.
TEST_F(MediaRow, KeysAndScreenReadersReachEveryControl)
{
    auto& col = makeColumn();
    QApplication::setActiveWindow(&col);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&col));
    auto clip = media("clip_5s.mov");
    auto block = addBlock(QStringLiteral("B"), { clip });
    MediaRowView* row = col.card(block->id())->row(clip->id());
    const QString name = MediaRowView::displayName(*clip);
    for (QWidget* control : std::initializer_list<QWidget*> { row->trimButton(), row->cueButton(), row->playButton(),
                                                              row->loopButton(), row->removeButton(), row->muteButton(),
                                                              row->gainSlider() })
        EXPECT_EQ(control->accessibleName(), control->toolTip() + QStringLiteral(", ") + name);
    for (auto [button, set] : { std::pair<QAbstractButton*, std::function<void(bool)>> { row->loopButton(),
                                    [&](bool on) { clip->setLoop(on); } },
                                { row->muteButton(), [&](bool on) { clip->setIsMuted(on); } },
                                { col.card(block->id())->loopButton(), [&](bool on) { block->setLoop(on); } } }) {
        EXPECT_TRUE(button->isCheckable());
        for (bool on : { true, false }) {
            set(on);
            EXPECT_EQ(button->isChecked(), on) << button->toolTip().toStdString();
        }
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_TRUE(button->isChecked()) << "a click turns it on, state and item alike";
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_FALSE(button->isChecked());
    }
    EXPECT_FALSE(clip->loop() || clip->isMuted() || block->loop());

    GainSlider* slider = row->gainSlider();
    row->muteButton()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), slider);
    // What a screen reader reads of it after each key.
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(slider);
    ASSERT_TRUE(spoken && spoken->valueInterface());
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        double expected;
    } keys[] = {
        { Qt::Key_Right, Qt::NoModifier, 0.5 }, { Qt::Key_PageDown, Qt::NoModifier, -5.5 },
        { Qt::Key_Up, Qt::AltModifier, -5.5 }, // the row's key, not the slider's
        { Qt::Key_End, Qt::NoModifier, 12 }, { Qt::Key_0, Qt::KeypadModifier, 0 },
    };
    for (const auto& k : keys) {
        QTest::keyClick(slider, Qt::Key(k.key), k.modifiers);
        EXPECT_DOUBLE_EQ(clip->gainDB(), k.expected) << k.key;
        EXPECT_DOUBLE_EQ(spoken->valueInterface()->currentValue().toDouble(), k.expected);
    }
    EXPECT_EQ(QApplication::focusWidget(), slider);
    QTest::keyClick(slider, Qt::Key_PageDown);
    EXPECT_EQ(row->gainReadout(), QString(QChar(0x2212)) + QStringLiteral("6.0 dB"));
}

TEST_F(MediaRow, AFileThatCannotBePlayedCarriesAMarkWithItsReasonFromLoadUntilItPlays)
{
    auto& col = makeColumn();
    QTemporaryDir files;
    ASSERT_TRUE(files.isValid());
    const QString path = files.filePath(QStringLiteral("rotto.mp4"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("testo, non video\n");
    }
    auto broken = MediaFile::create(QUrl::fromLocalFile(path));
    auto clip = media("clip_5s.mov");
    auto block = addBlock(QStringLiteral("B"), { clip, broken });
    MediaRowView* row = col.card(block->id())->row(broken->id());
    MediaRowView* good = col.card(block->id())->row(clip->id());
    const QString lead = QStringLiteral("Impossibile riprodurre il file: ");

    // The analysis that opens each file as it is added marks it, before
    // anyone takes it; a good file carries no mark.
    ASSERT_TRUE(waitUntil([&] { return row->failureMark() && row->failureMark()->isVisibleTo(row); }));
    EXPECT_TRUE(row->failureMark()->accessibleName().startsWith(lead)) << row->failureMark()->accessibleName().toStdString();
    EXPECT_EQ(row->failureMark()->toolTip(), row->failureMark()->accessibleName());
    EXPECT_EQ(row->selectArea()->accessibleDescription(), row->failureMark()->accessibleName());
    ASSERT_TRUE(waitUntil([&] { return clip->duration() > 4.9; }));
    EXPECT_EQ(good->failureMark(), nullptr);
    // The mark takes none of the tile: the name starts where the others' do.
    const auto nameLeft = [](MediaRowView* r) {
        r->layout()->activate();
        return r->selectArea()->mapTo(r, QPoint(r->selectArea()->textLeft(), 0)).x();
    };
    EXPECT_EQ(nameLeft(row), nameLeft(good));
    EXPECT_TRUE(good->selectArea()->accessibleDescription().isEmpty());

    // Taken, it fails on the player: the row takes the player's reason and
    // the now-playing line names it for a few seconds of the clock.
    NowPlayingLine line(*engine);
    EngineTest::media->failing.insert(path);
    engine->play(broken, block);
    run(0.1);
    EXPECT_FALSE(engine->isPlaying());
    EXPECT_EQ(row->failureMark()->accessibleName(), lead + QStringLiteral("cannot open"));
    EXPECT_TRUE(line.failureLabel()->isVisibleTo(&line));
    EXPECT_EQ(line.failureLabel()->text(), QStringLiteral("Impossibile riprodurre «rotto»: cannot open"));
    run(PlaylistEngine::kFailureNoticeSeconds);
    EXPECT_FALSE(line.failureLabel()->isVisibleTo(&line));

    // Repaired, it plays: the mark goes.
    EngineTest::media->failing.clear();
    engine->play(broken, block);
    run(0.1);
    EXPECT_TRUE(onAir(broken));
    EXPECT_FALSE(row->failureMark()->isVisibleTo(row));
    EXPECT_TRUE(row->selectArea()->accessibleDescription().isEmpty());
}

TEST(MediaRowOnRealPlayer, GainAndMuteReachTheProgramSound)
{
    constexpr int kBlock = 512;
    DiskCapture capture(kBlock);
    if (!capture.isDisk())
        GTEST_SKIP() << "SDL's disk audio driver is not available in this process";
    float expected = 0;
    std::uint64_t renderedBefore = 0;
    std::uint64_t renderedAfter = 0;
    {
        QTemporaryDir dir;
        Settings settings(dir.filePath(QStringLiteral("settings.ini")));
        auto output = capture.output();
        PlaylistEngine engine(HostClock::shared(), settings,
            [output] { return std::make_shared<FfmpegMediaPlayer>(output, HostClock::shared()); }, output);
        engine.setTransitionStyle(TransitionStyle::cut);
        const QUrl url = QUrl::fromLocalFile(mediaPath(QStringLiteral("const_quarter.wav")));
        auto item = MediaFile::create(url);
        item->setPlayableURL(url);
        auto block = engine.addBlock();
        block->setItems({ item });

        PlaylistColumnView column(engine);
        column.resize(420, 400);
        column.show();
        MediaRowView* row = column.card(block->id())->row(item->id());
        GainSlider* slider = row->gainSlider();
        // -6 dB through the slider: 34 of the 52 dB from its left end.
        const int track = slider->width() - 2 * GainSlider::kTrackInset;
        QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier,
                          QPoint(GainSlider::kTrackInset + int(std::lround(track * 34.0 / 52.0)), 8));
        ASSERT_NEAR(item->gainDB(), -6.0, 0.51);
        expected = float(0.25 * std::pow(10.0, item->gainDB() / 20.0));

        QTest::mouseClick(row->playButton(), Qt::LeftButton);
        ASSERT_TRUE(engine.isPlaying());
        // Once the reduced level has been heard for half a second of the
        // item's own clock (a loaded machine may start it late), mute the
        // row. A cut from nothing plays on the first player, whose tap is
        // the level meter; the engine hands the tap the new gain at its next
        // fade-clock tick, and the tap ramps to it across the next buffer.
        ASSERT_TRUE(waitUntil([&] { return engine.playerA()->currentTime() > 0.5; }, 60.0));
        renderedBefore = output->framesRendered();
        QTest::mouseClick(row->muteButton(), Qt::LeftButton);
        ASSERT_TRUE(item->isMuted());
        ASSERT_TRUE(waitUntil([&] { return engine.levelMeter()->gain.load() == 0.0f; }, 60.0));
        renderedAfter = output->framesRendered();
        ASSERT_TRUE(waitUntil([&] { return !engine.isPlaying(); }, 60.0));
    }
    const std::vector<float> mix = capture.finish();
    ASSERT_FALSE(mix.empty());
    int atGain = 0;
    int loud = 0;
    int lastSound = -1;
    for (std::size_t i = 0; i + 1 < mix.size(); i += 2) {
        const float v = mix[i];
        if (v > 0.2f)
            ++loud;
        if (std::abs(v - expected) < 0.002f)
            ++atGain;
        if (v != 0.0f)
            lastSound = int(i / 2);
    }
    EXPECT_EQ(loud, 0) << "the item never sounds at its full level";
    EXPECT_GT(atGain, 20000) << "it sounds at the slider's gain";
    // Counted in rendered frames, whatever the wall clock did meanwhile: the
    // sound goes on up to the click and ends with the ramp in the buffer after
    // the one being rendered when the gain reached the tap.
    const int lead = capture.leadingSilence();
    EXPECT_GE(lastSound, int(renderedBefore) + lead - 1) << "not silenced before the click";
    EXPECT_LT(lastSound, int(renderedAfter) + lead + 2 * kBlock) << "muting silences the rest of the item";
}

} // namespace
} // namespace tessarin::test

namespace tessarin::test {

// At the column's narrowest, every row keeps its buttons inside the column,
// on air or cued, a still image with its stepper included: nothing is pushed
// out past the window's edge.
TEST_F(MediaRow, RowsFitTheNarrowestColumnOnAirAndCued)
{
    auto& col = makeColumn();
    col.resize(col.minimumWidth(), 900);
    auto clip = media("clip_5s.mov");
    auto still = media("still.png");
    auto block = addBlock(QStringLiteral("B"), { clip, still });
    ASSERT_TRUE(waitUntil([&] { return !still->playableURL().isEmpty(); }, 20.0));
    BlockCardView* card = col.card(block->id());

    const auto inside = [&](QWidget* widget) {
        const QRect r(widget->mapTo(&col, QPoint(0, 0)), widget->size());
        return r.left() >= 0 && r.right() < col.width();
    };
    for (bool stillOnAir : { false, true }) {
        engine->play(stillOnAir ? still : clip, block);
        engine->cue(stillOnAir ? clip : still, block);
        drainMainQueue();
        QApplication::processEvents();
        for (const auto& item : { clip, still }) {
            MediaRowView* row = card->row(item->id());
            ASSERT_NE(row, nullptr);
            EXPECT_TRUE(inside(row->removeButton()))
                << MediaRowView::displayName(*item).toStdString() << (stillOnAir ? ", still on air" : ", clip on air");
            EXPECT_TRUE(inside(row->playButton()));
        }
    }
    // Squeezed, the stepper keeps its whole value as its text and its label
    // in the caption size.
    Stepper* stepper = card->row(still->id())->imageStepper();
    EXPECT_EQ(stepper->text(), QStringLiteral("Immagine · 5 s"));
    EXPECT_EQ(stepper->label()->font().pixelSize(), 10);
    EXPECT_TRUE(inside(stepper->upButton()));
    EXPECT_TRUE(stepper->label()->text().endsWith(QStringLiteral("5 s"))) << stepper->label()->text().toStdString();
}

} // namespace tessarin::test

namespace tessarin::test {

// The column asks its window for the same width whatever it holds, so the
// centre column and its monitor do not move when blocks come and go or an
// item goes on air.
TEST_F(MediaRow, ColumnWidthDoesNotFollowItsContent)
{
    auto& col = makeColumn();
    const int empty = col.sizeHint().width();
    EXPECT_GE(empty, col.minimumWidth());
    EXPECT_LE(empty, col.maximumWidth());
    auto clip = media("clip_5s.mov");
    auto still = media("still.png");
    auto block = addBlock(QStringLiteral("Apertura della serata con i titoli di testa"), { clip, still });
    addBlock(QStringLiteral("B"), {});
    ASSERT_TRUE(waitUntil([&] { return !still->playableURL().isEmpty(); }, 20.0));
    engine->play(still, block);
    drainMainQueue();
    QApplication::processEvents();
    EXPECT_EQ(col.sizeHint().width(), empty);
}

} // namespace tessarin::test

namespace tessarin::test {

// In the narrowest column, with enough blocks to need the scroll bar, the
// row on air keeps its length, its live line and status, and its mark whole;
// only the name gives up letters, once the tile is at its narrowest: it is
// whole where that room holds it, and else fills the room but for a letter
// on each side of the cut.
TEST_F(MediaRow, OnAirRowsKeepTheirLengthAndStatusWholeInTheNarrowestColumn)
{
    auto& col = makeColumn();
    col.resize(col.minimumWidth(), 500);
    QTemporaryDir dir;
    const QString longName = QStringLiteral("Sigla di apertura della serata finale in diretta dallo studio");
    const QString longPath = dir.filePath(longName + QStringLiteral(".mov"));
    ASSERT_TRUE(QFile::copy(mediaPath(QStringLiteral("clip_5s.mov")), longPath));
    auto clip = MediaFile::create(QUrl::fromLocalFile(longPath));
    clip->setPlayableURL(clip->url());
    const QString middleName = QStringLiteral("Intervista al sindaco uscente");
    const QString middlePath = dir.filePath(middleName + QStringLiteral(".mp4"));
    ASSERT_TRUE(QFile::copy(mediaPath(QStringLiteral("clip_5s.mov")), middlePath));
    auto middle = MediaFile::create(QUrl::fromLocalFile(middlePath));
    middle->setPlayableURL(middle->url());
    LiveSource source;
    source.kind = LiveSourceKind::capture;
    source.name = QStringLiteral("Regia principale della sala grande");
    auto live = MediaFile::create(source);
    auto block = addBlock(QStringLiteral("Apertura"), { clip, live, middle });
    for (int i = 0; i < 4; ++i)
        addBlock(QStringLiteral("Blocco %1").arg(i), { media("clip_5s.mov"), media("clip_5s.mov") });
    BlockCardView* card = col.card(block->id());

    const auto inside = [&](QWidget* widget) {
        const QRect r(widget->mapTo(&col, QPoint(0, 0)), widget->size());
        return r.left() >= 0 && r.right() < col.width();
    };
    // Some letters of the name on each side of the cut.
    const auto readable = [](const QString& shown, const QString& whole, qsizetype letters) {
        const qsizetype cut = shown.indexOf(QChar(0x2026));
        if (cut < 0)
            return shown == whole;
        return cut >= letters && shown.size() - cut - 1 >= letters && whole.startsWith(shown.left(cut))
            && whole.endsWith(shown.mid(cut + 1));
    };

    // The column's narrowest, and its width in the narrowest window.
    const struct {
        int width;
        std::shared_ptr<MediaFile> item;
        QString name;
        qsizetype letters;
    } cases[] = {
        { 360, clip, longName, 2 }, { 404, clip, longName, 6 }, { 360, middle, middleName, 2 },
        { 404, middle, middleName, 5 },
    };
    for (const auto& c : cases) {
        const int width = c.width;
        col.resize(width, 500);
        for (bool paused : { false, true }) {
            engine->play(c.item, block);
            if (paused)
                engine->togglePlayPause();
            drainMainQueue();
            QApplication::processEvents();
            MediaRowView* row = card->row(c.item->id());
            RowSelectArea* area = row->selectArea();
            EXPECT_EQ(area->shownSubtitle(), MediaRowView::clipLengthText(*c.item)) << width;
            EXPECT_TRUE(readable(area->shownName(), c.name, c.letters)) << area->shownName().toStdString();
            // The mark stands whole beside the cut name, clear of the buttons.
            const QRect mark = area->markRect();
            EXPECT_EQ(mark.size(), OnAirBadge::sizeFor(!paused)) << width;
            const QFontMetrics fm(area->look().nameFont);
            const int nameWidth = fm.horizontalAdvance(area->shownName());
            EXPECT_GE(mark.left(), 32 + 9 + nameWidth) << "the narrowest tile and the name before it";
            const int room = mark.left() - 8 - 32 - 9;
            if (fm.horizontalAdvance(c.name) <= room)
                EXPECT_EQ(area->shownName(), c.name) << width;
            else // cut in the middle: a letter more on each side would not fit
                EXPECT_GT(nameWidth, room - 2 * fm.horizontalAdvance(QLatin1Char('W')))
                    << area->shownName().toStdString() << " leaves room unused at " << width;
            EXPECT_LE(area->mapTo(row, mark.topRight()).x(), row->trimButton()->geometry().left()) << width;
            EXPECT_TRUE(inside(row->removeButton())) << width;
        }
    }
    col.resize(col.minimumWidth(), 500);

    engine->play(live, block);
    drainMainQueue();
    QApplication::processEvents();
    ASSERT_TRUE(engine->liveStatus().kind() != LiveStatus::Case::idle);
    MediaRowView* row = card->row(live->id());
    RowSelectArea* area = row->selectArea();
    EXPECT_EQ(area->shownSubtitle(), QStringLiteral("LIVE · Input Live"));
    EXPECT_EQ(area->shownStatus(), MediaRowView::statusText(engine->liveStatus()));
    // Under the live line when they do not fit beside it: the row grows.
    EXPECT_TRUE(area->isStatusBelow());
    EXPECT_GE(area->height(), area->heightForWidth(area->width()));
    EXPECT_GT(area->heightForWidth(area->width()), area->heightForWidth(600));
    EXPECT_TRUE(readable(area->shownName(), source.name, 4)) << area->shownName().toStdString();
    EXPECT_TRUE(inside(row->removeButton()));
    // The list's scroll bar is the theme's thin one.
    EXPECT_LE(col.findChild<QScrollArea*>()->verticalScrollBar()->width(), 8);
}

} // namespace tessarin::test

namespace tessarin::test {

// A block name too long for the card's header ends with an ellipsis while it
// is not being edited; it keeps its first letters next to the ON AIR badge,
// and editing shows it whole again.
TEST_F(MediaRow, ALongBlockNameEndsWithAnEllipsisBesideTheBadge)
{
    auto& col = makeColumn();
    col.resize(col.minimumWidth(), 500);
    const QString name = QStringLiteral("Apertura della serata con i titoli di testa e la sigla");
    auto block = addBlock(name, { media("clip_5s.mov") });
    BlockCardView* card = col.card(block->id());
    engine->play(block);
    drainMainQueue();
    QApplication::processEvents();
    ASSERT_TRUE(card->onAirBadge()->isVisible());

    auto* field = qobject_cast<ElidingLineEdit*>(card->nameField());
    ASSERT_NE(field, nullptr);
    const QString shown = field->shownText();
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(name.startsWith(shown.chopped(1))) << shown.toStdString();
    EXPECT_GE(shown.size(), 6);
    EXPECT_LT(field->geometry().right(), card->onAirBadge()->geometry().left());

    // A name set while the field is not being edited reads from its start.
    block->setName(name + QStringLiteral(" finale"));
    EXPECT_EQ(field->shownText(), shown);

    QApplication::setActiveWindow(&col);
    field->setFocus();
    ASSERT_TRUE(waitUntil([&] { return field->hasFocus(); }, 5.0));
    EXPECT_EQ(field->shownText(), field->text());
}

} // namespace tessarin::test

namespace tessarin::test {

// What a screen reader finds of rows drawn, with no widget of their own: the
// list's items named as the rows read, their controls with the real row's
// roles, names, states and values, where they are drawn; an action on one
// does what the click does, on a row made real for it.
TEST_F(MediaRow, DrawnRowsReadAndActAsRealRowsForScreenReaders)
{
    auto& col = makeColumn();
    auto clip = media("clip_5s.mov");
    auto tone = media("tone_half.wav");
    auto block = addBlock(QStringLiteral("B"), { clip, tone });
    ASSERT_TRUE(waitUntil([&] { return clip->duration() > 4.9 && tone->duration() > 0.4; }));
    tone->setGainDB(-6.0);
    tone->setLoop(true);
    BlockItemList* list = col.card(block->id())->itemList();
    ASSERT_EQ(list->liveRow(tone->id()), nullptr);
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(list);
    ASSERT_EQ(view->role(), QAccessible::List);
    ASSERT_EQ(view->childCount(), 2);
    QAccessibleInterface* row = view->child(1);
    EXPECT_EQ(row->role(), QAccessible::ListItem);
    const QString spoken = QStringLiteral("tone_half, ") + MediaRowView::clipLengthText(*tone);
    EXPECT_EQ(row->text(QAccessible::Name), spoken + QStringLiteral(", in loop"));
    EXPECT_EQ(row->object(), nullptr) << "a drawn row is no widget";
    EXPECT_EQ(view->indexOfChild(row), 1);
    EXPECT_FALSE(row->state().invisible);
    EXPECT_TRUE(row->state().focusable);

    const auto control = [&](const QString& help) -> QAccessibleInterface* {
        for (int i = 0; i < row->childCount(); ++i) {
            if (row->child(i)->text(QAccessible::Name) == help + QStringLiteral(", tone_half"))
                return row->child(i);
        }
        return nullptr;
    };
    const struct {
        const char* help;
        QAccessible::Role role;
    } expected[] = {
        { "Punti IN/OUT", QAccessible::PushButton }, { "Riproduci da qui", QAccessible::PushButton },
        { "Loop video (si ripete senza avanzare al successivo)", QAccessible::CheckBox },
        { "Guadagno della traccia — doppio clic per riportarlo a 0 dB", QAccessible::Slider },
    };
    for (const auto& e : expected) {
        QAccessibleInterface* c = control(QString::fromUtf8(e.help));
        ASSERT_NE(c, nullptr) << e.help;
        EXPECT_EQ(c->role(), e.role) << e.help;
        EXPECT_EQ(c->parent(), row);
        EXPECT_TRUE(row->rect().contains(c->rect())) << e.help;
        EXPECT_FALSE(c->rect().isEmpty()) << e.help;
    }
    EXPECT_TRUE(control(QStringLiteral("Loop video (si ripete senza avanzare al successivo)"))->state().checked);
    EXPECT_EQ(control(QStringLiteral("Riproduci da qui"))->text(QAccessible::Description), QStringLiteral("in loop"))
        << "each control tells the row's state";
    QAccessibleInterface* gain = control(QStringLiteral("Guadagno della traccia — doppio clic per riportarlo a 0 dB"));
    ASSERT_NE(gain->valueInterface(), nullptr);
    EXPECT_DOUBLE_EQ(gain->valueInterface()->currentValue().toDouble(), -6.0);
    ASSERT_EQ(list->liveRow(tone->id()), nullptr) << "reading made no widget";

    // Acting: the row is made real, and the click's action runs.
    gain->valueInterface()->setCurrentValue(3.0);
    EXPECT_DOUBLE_EQ(tone->gainDB(), 3.0);
    QAccessibleInterface* play = control(QStringLiteral("Riproduci da qui"));
    ASSERT_NE(play->actionInterface(), nullptr);
    play->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(onAir(tone));
    MediaRowView* real = list->liveRow(tone->id());
    ASSERT_NE(real, nullptr);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(real), view->child(1)) << "a real row stands in the list for its drawn one";
    EXPECT_EQ(QAccessible::queryAccessibleInterface(real)->parent(), view);
    EXPECT_EQ(row->text(QAccessible::Name), spoken + QStringLiteral(", ON AIR, in loop"));
    EXPECT_TRUE(view->child(1)->state().focusable);

    // The focus on the real slider: the drawn control a reader held says so.
    QApplication::setActiveWindow(&col);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&col));
    real->gainSlider()->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(real->gainSlider()->hasFocus());
    EXPECT_TRUE(gain->state().focused);
}

} // namespace tessarin::test

namespace tessarin::test {

// A drawn row is, point for point, the real row of its item: on air, cued,
// selected, a still image with its stepper, a live source.
TEST_F(MediaRow, DrawnRowsLookAsTheirRealRows)
{
    auto& col = makeColumn();
    LiveSource source;
    source.kind = LiveSourceKind::srt;
    source.name = QStringLiteral("Regia");
    const MediaBlock::Items items { media("clip_5s.mov"), media("tone_half.wav"), media("still.png"),
                                    MediaFile::create(source), media("clip_30s.mp4") };
    auto block = addBlock(QStringLiteral("B"), items);
    ASSERT_TRUE(waitUntil([&] { return items[0]->duration() > 4.9 && !items[2]->playableURL().isEmpty(); }, 20.0));
    engine->play(items[0], block);
    engine->cue(items[1], block);
    engine->select(items[4], block);
    items[4]->setIsMuted(true);
    drainMainQueue();
    BlockItemList* list = col.card(block->id())->itemList();
    ASSERT_TRUE(waitUntil([&] { return col.findChildren<MediaRowView*>().isEmpty(); }, 5.0));
    for (int row = 0; row < int(items.size()); ++row) {
        SCOPED_TRACE(row);
        ASSERT_EQ(list->liveRow(items[std::size_t(row)]->id()), nullptr);
        const QImage drawn = list->viewport()->grab(list->rowRect(row)).toImage();
        MediaRowView* real = list->openRow(items[std::size_t(row)]->id());
        ASSERT_NE(real, nullptr);
        EXPECT_EQ(real->geometry(), list->rowRect(row));
        EXPECT_TRUE(drawn == real->grab().toImage());
    }
}

} // namespace tessarin::test
