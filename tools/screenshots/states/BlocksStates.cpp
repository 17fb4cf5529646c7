// The blocks column: three blocks (one on air with its item playing, one
// with a cued item and a selected row, one with a live source and a still
// image), the block settings popover, a drag of files in progress over a
// card and over the new-block zone, and the still image on air at the
// column's narrowest width.
#include "Stage.h"

#include "app/ContentView.h"
#include "engine/PlaylistEngine.h"
#include "media/LiveSource.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Popover.h"
#include "ui/playlist/BlockCardView.h"
#include "ui/playlist/PlaylistColumnParts.h"
#include "ui/playlist/PlaylistColumnView.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>

using namespace tessarin;

namespace {

PlaylistColumnView* buildShow(Stage& stage)
{
    ContentView& window = stage.window();
    auto opening = stage.item(QStringLiteral("Sigla.mov"), QStringLiteral("clip_5s.mov"), 5);
    auto interview = stage.item(QStringLiteral("Intervista sindaco.mp4"), QStringLiteral("clip_30s.mp4"), 30);
    interview->setInPoint(4.0);
    interview->setGainDB(-6.5);
    auto first = stage.addBlock(QStringLiteral("Apertura"),
                                { opening, interview, stage.item(QStringLiteral("Tema.wav"), QStringLiteral("tone_half.wav"), 3) });
    auto cued = stage.item(QStringLiteral("Servizio meteo.mp4"), QStringLiteral("video_only.mp4"), 5);
    auto selected = stage.item(QStringLiteral("Ospite in studio.mp4"), QStringLiteral("clip_30s.mp4"), 30);
    selected->setIsMuted(true);
    auto middle = stage.addBlock(QStringLiteral("Interviste"), { cued, selected });
    middle->setLoop(true);
    LiveSource source;
    source.kind = LiveSourceKind::srt;
    source.name = QStringLiteral("Regia mobile");
    source.address = QStringLiteral("srt://0.0.0.0:9000?mode=listener");
    stage.addBlock(QStringLiteral("Collegamento"),
                   { MediaFile::create(source), stage.item(QStringLiteral("Logo.png"), QStringLiteral("still.png"), 5) });
    for (int i = 0; i < 20; ++i)
        stage.settle();
    stage.engine().play(opening, first);
    stage.settle(1.6);
    stage.engine().cue(cued, middle);
    stage.engine().select(selected, middle);
    stage.settle();
    return window.findChild<PlaylistColumnView*>();
}

} // namespace

TESSARIN_SCREENSHOT(blocksShow, "blocks-show")
{
    buildShow(stage);
    return &stage.window();
}

TESSARIN_SCREENSHOT(blockSettings, "block-settings")
{
    PlaylistColumnView* column = buildShow(stage);
    if (!column || column->cardsInOrder().size() < 2)
        return &stage.window();
    BlockCardView* card = column->cardsInOrder()[1];
    card->block()->setLoopCount(3);
    card->settingsButton()->click();
    stage.settle();
    return card->settingsPopover();
}

TESSARIN_SCREENSHOT(blocksDrag, "blocks-drag")
{
    PlaylistColumnView* column = buildShow(stage);
    if (!column || column->cardsInOrder().empty())
        return &stage.window();
    // Files from a file manager hovering over the first card, and over the
    // new-block zone (each target shows its highlight).
    static QMimeData files;
    files.setUrls({ QUrl::fromLocalFile(Stage::mediaPath(QStringLiteral("clip_5s.mov"))) });
    BlockCardView* card = column->cardsInOrder()[0];
    QDragEnterEvent overCard(QPoint(card->width() / 2, 12), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(card, &overCard);
    QWidget* zone = column->newBlockDropZone();
    QDragEnterEvent overZone(zone->rect().center(), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(zone, &overZone);
    stage.settle();
    return &stage.window();
}

TESSARIN_SCREENSHOT(blocksStillOnAir, "blocks-still-on-air")
{
    PlaylistColumnView* column = buildShow(stage);
    if (!column || column->cardsInOrder().size() < 3)
        return &stage.window();
    const auto block = column->cardsInOrder()[2]->block();
    const auto items = block->items();
    if (items.size() < 2)
        return &stage.window();
    stage.engine().play(items[1], block);
    stage.settle(1.0);
    stage.engine().cue(items[0], block);
    stage.settle();
    return &stage.window();
}
