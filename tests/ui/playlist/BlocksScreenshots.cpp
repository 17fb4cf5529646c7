// Renders the blocks column in the states worth looking at, into PNG files
// of the folder named by TESSARIN_SHOTS_DIR (skipped when it is unset).
#include "BlocksFixture.h"

#include "platform/Localization.h"
#include "ui/kit/Popover.h"
#include "ui/playlist/BlockSettingsView.h"

#include <QDir>

namespace tessarin::test {
namespace {

class BlocksScreenshots : public BlocksTest {
protected:
    QString folder() const { return qEnvironmentVariable("TESSARIN_SHOTS_DIR"); }

    void save(QWidget& widget, const QString& name)
    {
        QDir().mkpath(folder());
        widget.grab().save(QDir(folder()).filePath(name + QStringLiteral(".png")));
    }

    // Three blocks: one on air (paused), one with a cued item and a selected
    // row, one with a live source and a still image.
    void buildShow()
    {
        auto clip = media("clip_30s.mp4");
        auto tone = media("tone_half.wav");
        auto second = media("clip_5s.mov");
        second->setInPoint(1.0);
        second->setGainDB(-6.5);
        auto first = addBlock(QStringLiteral("Apertura"), { clip, tone, second });
        auto cued = media("video_only.mp4");
        auto selected = media("clip_30s.mp4");
        selected->setIsMuted(true);
        auto middle = addBlock(QStringLiteral("Interviste"), { cued, selected });
        middle->setLoop(true);
        LiveSource source;
        source.kind = LiveSourceKind::srt;
        source.name = QStringLiteral("Regia mobile");
        source.address = QStringLiteral("srt://0.0.0.0:9000");
        auto live = MediaFile::create(source);
        auto still = media("still.png");
        addBlock(QStringLiteral("Collegamento"), { live, still });
        waitUntil([&] { return clip->thumbnail().isNull() == false && clip->duration() > 0 && tone->duration() > 0 && !still->playableURL().isEmpty(); }, 20.0);
        engine->play(clip, first);
        engine->cue(cued, middle);
        engine->select(selected, middle);
    }
};

TEST_F(BlocksScreenshots, RenderTheColumnInItsStates)
{
    if (folder().isEmpty())
        GTEST_SKIP() << "set TESSARIN_SHOTS_DIR to render";
    for (const char* language : { "it", "en" }) {
        Localization::apply(QString::fromLatin1(language));
        auto& col = makeColumn();
        col.resize(420, 760);
        save(col, QStringLiteral("blocks-empty-%1").arg(QLatin1String(language)));
        buildShow();
        drainMainQueue();
        save(col, QStringLiteral("blocks-show-%1").arg(QLatin1String(language)));
        engine->togglePlayPause();
        drainMainQueue();
        save(col, QStringLiteral("blocks-show-paused-%1").arg(QLatin1String(language)));

        BlockCardView* card = col.cardsInOrder().value(1);
        QTest::mouseClick(card->settingsButton(), Qt::LeftButton);
        if (card->settingsPopover())
            save(*card->settingsPopover(), QStringLiteral("block-settings-%1").arg(QLatin1String(language)));
        if (card->settingsPopover())
            card->settingsPopover()->close();

        // A file dragged over the first card and the new-block zone.
        auto files = uriList({ QStringLiteral("clip_5s.mov") });
        { QDragEnterEvent hover(QPoint(200, 10), Qt::CopyAction, files.get(), Qt::LeftButton, Qt::NoModifier); QApplication::sendEvent(col.cardsInOrder().value(0), &hover); }
        QDragEnterEvent enter(col.newBlockDropZone()->rect().center(), Qt::CopyAction, files.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(col.newBlockDropZone(), &enter);
        save(col, QStringLiteral("blocks-drag-%1").arg(QLatin1String(language)));
        column.reset();
        engine->stop();
        engine->setBlocks({});
    }
}

} // namespace
} // namespace tessarin::test
