// The centre column's controls: an item cued with the fade style chosen and
// the selection ready to cue (the cue bar, the transport bar's cue look, the
// fade time), and a scrub under way on the seek bar (knob and time read-out).
#include "Stage.h"

#include "app/ContentView.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "ui/playlist/EngineSeekBar.h"
#include "ui/playlist/SeekBar.h"

#include <QTest>

using namespace tessarin;

namespace {

std::shared_ptr<MediaBlock> onAir(Stage& stage, double seconds)
{
    auto block = stage.addBlock(QStringLiteral("Apertura"),
                                {stage.item(QStringLiteral("Sigla.mov"), QStringLiteral("clip_5s.mov"), 95),
                                 stage.item(QStringLiteral("Intervista.mp4"), QStringLiteral("clip_30s.mp4"), 1800)});
    stage.settle();
    stage.engine().play(block);
    stage.settle(seconds);
    return block;
}

} // namespace

TESSARIN_SCREENSHOT(centreCueFade, "centre-cue-fade")
{
    ContentView& window = stage.window();
    auto block = onAir(stage, 21.0);
    PlaylistEngine& engine = stage.engine();
    engine.setTransitionStyle(TransitionStyle::fade);
    engine.setFadeSeconds(2.5);
    const auto next = block->items().back();
    engine.select(next, block);
    engine.cue(next, block);
    stage.settle();
    return &window;
}

TESSARIN_SCREENSHOT(centreScrub, "centre-scrub")
{
    ContentView& window = stage.window();
    onAir(stage, 30.0);
    stage.engine().togglePlayPause();
    stage.settle();
    SeekBar* bar = window.findChild<EngineSeekBar*>()->bar();
    const int y = bar->height() / 2;
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(bar->width() / 5, y));
    QTest::mouseMove(bar, QPoint(bar->width() * 3 / 5, y));
    stage.settle(0.05); // one screen refresh on: the move's seek is made
    stage.settle();
    QTest::qWait(200); // the knob's ease-in
    return &window;
}
