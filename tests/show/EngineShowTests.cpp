// Shows saved from and opened into the real engine, schedule and browser
// list, on fake players and a hand-driven clock, with real media files in a
// private show folder.
#include "show/ShowController.h"

#include "automation/ScheduleController.h"
#include "engine/PlaylistEngine.h"
#include "media/ImageClipRenderer.h"
#include "media/ShowRevision.h"
#include "platform/Settings.h"
#include "platform/Workers.h"
#include "platform/player/AudioOutput.h"
#include "show/BrowserFiles.h"
#include "show/ShowChangeTracker.h"

#include "ShowTestSupport.h"
#include "support/FakeMediaPlayer.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>

#include <functional>

using namespace tessarin;
using test::contents;
using test::ScriptedDialogs;
using test::writeFile;

namespace {

QUrl fileUrl(const QString& path)
{
    return QUrl::fromLocalFile(path);
}

LiveSource source(LiveSourceKind kind, const QString& name, const QString& address, bool listen = false)
{
    return LiveSource {QUuid::createUuid(), kind, name, address, listen};
}

class EngineShow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        showFolder = dir.filePath(QStringLiteral("Show A"));
        elsewhere = dir.filePath(QStringLiteral("elsewhere"));
        place(QStringLiteral("clip_5s.mov"), showFolder + QStringLiteral("/media/clip.mov"));
        place(QStringLiteral("tone_half.wav"), showFolder + QStringLiteral("/media/tone.wav"));
        place(QStringLiteral("still.png"), showFolder + QStringLiteral("/media/still.png"));
        place(QStringLiteral("video_only.mp4"), showFolder + QStringLiteral("/gfx/loop.mp4"));
        place(QStringLiteral("still.jpg"), elsewhere + QStringLiteral("/logo.jpg"));
        place(QStringLiteral("clip_30s.mp4"), elsewhere + QStringLiteral("/spot.mp4"));
        showPath = showFolder + QStringLiteral("/show.vellumcast");
    }

    void TearDown() override
    {
        controller.reset();
        // Items analyse their files and render stills in the background.
        Workers::userInitiated().waitForIdle(20.0);
        test::drainMainQueue();
    }

    void place(const QString& media, const QString& to)
    {
        QDir().mkpath(QFileInfo(to).path());
        ASSERT_TRUE(QFile::copy(test::mediaPath(media), to)) << to.toStdString();
    }

    ShowController& make()
    {
        controller = ShowController::create({settings, clock, dialogs,
                                             [this] { return std::make_shared<test::FakeMediaPlayer>(clock, media); },
                                             std::make_shared<NullAudioOutput>()});
        return *controller;
    }

    PlaylistEngine& engine() { return controller->engine(); }
    ScheduleController& schedule() { return controller->schedule(); }
    const std::vector<std::shared_ptr<OverlayLayer>>& layers() { return engine().overlays().layers(); }

    // The show as it stands, with absolute paths only (what change tracking sees).
    ShowDocument snapshot()
    {
        return ShowDocument::build(engine().blocks(), layers(), schedule().events(), schedule().loops(),
                                   controller->browserFiles().browserFiles(), std::nullopt);
    }

    std::shared_ptr<MediaFile> media_(const QString& path) { return MediaFile::create(fileUrl(path)); }

    // A show with every kind of item, block, layer and schedule entry.
    void buildEveryKind()
    {
        auto clip = media_(showFolder + QStringLiteral("/media/clip.mov"));
        clip->setLoop(true);
        clip->setIsMuted(true);
        clip->setGainDB(-3.5);
        clip->setInPoint(1.25);
        clip->setOutPoint(4.5);
        auto still = media_(showFolder + QStringLiteral("/media/still.png"));
        still->setImageDuration(8.0);
        auto tone = media_(showFolder + QStringLiteral("/media/tone.wav"));
        tone->setGainDB(2.0);
        auto rtmp = MediaFile::create(source(LiveSourceKind::rtmp, QStringLiteral("Ingresso"),
                                             QStringLiteral("rtmp://0.0.0.0:1935/live"), true));
        auto capture = MediaFile::create(source(LiveSourceKind::capture, QStringLiteral("Cam"),
                                                QStringLiteral("usb-0000:00:14.0-1")));

        opening = std::make_shared<MediaBlock>(QStringLiteral("Apertura / uno"), QUuid::createUuid());
        opening->setItems({clip, still, rtmp});
        opening->setLoop(true);
        opening->setLoopCount(2);
        opening->setEndBehavior(BlockEndBehavior::cueNextBlock);
        opening->setNormalizeAudio(true);
        closing = std::make_shared<MediaBlock>(QStringLiteral("Chiusura"), QUuid::createUuid());
        closing->setItems({tone, capture});
        auto empty = std::make_shared<MediaBlock>(QStringLiteral("Vuoto"), QUuid::createUuid());
        engine().setBlocks({opening, closing, empty});

        controller->browserFiles().setBrowserFiles(
            {media_(showFolder + QStringLiteral("/media/clip.mov")), tone, still,
             MediaFile::create(source(LiveSourceKind::ndi, QStringLiteral("NDI"), QStringLiteral("HOST (Out)")))});

        auto& logo = *layers()[0];
        logo.load(fileUrl(elsewhere + QStringLiteral("/logo.jpg")));
        logo.setOpacity(0.75);
        logo.setScale(0.5);
        logo.setOffsetX(0.125);
        logo.setOffsetY(-0.25);
        auto& loop = *layers()[1];
        loop.setLoops(true);
        loop.load(fileUrl(showFolder + QStringLiteral("/gfx/loop.mp4")));

        std::vector<ScheduleEvent> events(4);
        for (auto& e : events)
            e.id = QUuid::createUuid();
        events[0].blockID = opening->id();
        events[0].start = ScheduleEvent::Start::fixed;
        events[0].repeats = ScheduleEvent::Repeat::daily;
        events[0].date = 1765100000.5;
        events[1].start = ScheduleEvent::Start::follow;
        events[1].repeats = ScheduleEvent::Repeat::weekly;
        events[1].duration = 30.0;
        events[1].media = media_(elsewhere + QStringLiteral("/spot.mp4"));
        events[2].isEnabled = false;
        events[2].duration = ScheduleEvent::durationRange.lower;
        events[2].media = MediaFile::create(source(LiveSourceKind::srt, QStringLiteral("Regia"),
                                                   QStringLiteral("srt://10.0.0.2:9000")));
        events[3].blockID = closing->id();
        events[3].media = tone;
        schedule().setEvents(events);
        schedule().setLoops(true);
    }

    bool saveAs(const QString& path)
    {
        dialogs.saveAnswers.push_back(path);
        return controller->saveAs();
    }

    void open(const QString& path)
    {
        dialogs.questionAnswers.push_back(ShowDialogs::SaveAnswer::dontSave);
        dialogs.openAnswers.push_back(path);
        controller->open();
    }

    QTemporaryDir dir;
    QString showFolder;
    QString elsewhere;
    QString showPath;
    Settings settings {dir.filePath(QStringLiteral("settings.ini"))};
    test::ManualClock clock;
    std::shared_ptr<test::FakeMedia> media = std::make_shared<test::FakeMedia>();
    ScriptedDialogs dialogs;
    std::unique_ptr<ShowController> controller;
    std::shared_ptr<MediaBlock> opening;
    std::shared_ptr<MediaBlock> closing;
};

} // namespace

TEST_F(EngineShow, EveryKindOfContentIsSavedAndOpenedBackEqual)
{
    make();
    buildEveryKind();
    const ShowDocument before = snapshot();
    ASSERT_TRUE(saveAs(showPath));
    const QByteArray written = contents(showPath);

    controller->newShow();
    EXPECT_TRUE(engine().blocks().empty());
    EXPECT_TRUE(controller->browserFiles().browserFiles().empty());
    EXPECT_TRUE(schedule().events().empty());
    EXPECT_FALSE(schedule().loops());
    for (const auto& layer : layers())
        EXPECT_TRUE(layer->url().isEmpty());

    layers()[0]->setIsVisible(true);
    open(showPath);
    EXPECT_TRUE(dialogs.alerts.empty());
    EXPECT_EQ(snapshot(), before);
    EXPECT_FALSE(controller->isDirty());
    EXPECT_EQ(controller->savedSnapshot(), ShowChangeTracker::snapshotOf(before));
    EXPECT_EQ(controller->fileURL(), showPath);

    // Identities and kinds come back; everything else came through the snapshot.
    ASSERT_EQ(engine().blocks().size(), 3u);
    EXPECT_EQ(engine().blocks()[0]->id(), opening->id());
    EXPECT_NE(engine().blocks()[0], opening);
    const auto& still = engine().blocks()[0]->items()[1];
    EXPECT_TRUE(still->isImage());
    EXPECT_EQ(still->imageDuration(), 8.0);
    EXPECT_TRUE(engine().blocks()[0]->items()[2]->isLive());
    EXPECT_TRUE(controller->browserFiles().browserFiles()[1]->isAudioOnly());
    for (const auto& layer : layers())
        EXPECT_FALSE(layer->isVisible());
    EXPECT_TRUE(layers()[1]->player());
    EXPECT_FALSE(schedule().isArmed());
    ASSERT_EQ(schedule().events().size(), 4u);
    EXPECT_EQ(schedule().events()[0].blockID, opening->id());
    EXPECT_EQ(engine().block(opening->id()), engine().blocks()[0]);  // what the event will play
    EXPECT_TRUE(schedule().events()[2].media->isLive());

    // Written again from what was opened, the file is the same to the byte.
    controller->save();
    EXPECT_EQ(contents(showPath), written);

    // The opened events play what they name: the block by its kept
    // identity, a file through the schedule's own hidden block.
    ASSERT_TRUE(schedule().launch(schedule().events()[0], clock.wallNow()));
    EXPECT_EQ(engine().currentBlockID(), opening->id());
    ASSERT_TRUE(schedule().launch(schedule().events()[1], clock.wallNow()));
    ASSERT_TRUE(engine().currentBlock());
    EXPECT_EQ(engine().currentBlock()->items().at(0), schedule().events()[1].media);
}

TEST_F(EngineShow, AShowFolderMovedWithItsMediaFindsThemBelowItsNewPlace)
{
    make();
    buildEveryKind();
    ASSERT_TRUE(saveAs(showPath));
    const QString moved = dir.filePath(QStringLiteral("Show B"));
    ASSERT_TRUE(QDir().rename(showFolder, moved));

    open(moved + QStringLiteral("/show.vellumcast"));
    EXPECT_TRUE(dialogs.alerts.empty());
    ASSERT_EQ(engine().blocks().size(), 3u);
    const auto& items = engine().blocks()[0]->items();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0]->url().toLocalFile(), moved + QStringLiteral("/media/clip.mov"));
    EXPECT_EQ(controller->browserFiles().browserFiles().size(), 4u);
    EXPECT_EQ(layers()[1]->url().toLocalFile(), moved + QStringLiteral("/gfx/loop.mp4"));
    // Media outside the show's folder are still found by their absolute path.
    EXPECT_EQ(layers()[0]->url().toLocalFile(), elsewhere + QStringLiteral("/logo.jpg"));
    EXPECT_EQ(schedule().events()[1].media->url().toLocalFile(), elsewhere + QStringLiteral("/spot.mp4"));
}

TEST_F(EngineShow, MissingMediaAreLeftOutAndReportedOnceEach)
{
    make();
    buildEveryKind();
    ASSERT_TRUE(saveAs(showPath));
    for (const QString& gone : {showFolder + QStringLiteral("/media/clip.mov"), elsewhere + QStringLiteral("/logo.jpg"),
                                elsewhere + QStringLiteral("/spot.mp4"), showFolder + QStringLiteral("/media/tone.wav")})
        ASSERT_TRUE(QFile::remove(gone));

    open(showPath);
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].message, QStringLiteral("4 file non sono stati trovati"));
    EXPECT_TRUE(dialogs.alerts[0].informativeText.startsWith(
        QStringLiteral("clip.mov\nlogo.jpg\nspot.mp4\ntone.wav\n\n")));

    ASSERT_EQ(engine().blocks().size(), 3u);
    EXPECT_EQ(engine().blocks()[0]->items().size(), 2u);  // still and live source
    EXPECT_EQ(engine().blocks()[1]->items().size(), 1u);  // the capture source
    EXPECT_EQ(controller->browserFiles().browserFiles().size(), 2u);
    EXPECT_TRUE(layers()[0]->url().isEmpty());
    EXPECT_FALSE(layers()[1]->url().isEmpty());
    // The events whose own media are gone are gone; the others still name their blocks.
    ASSERT_EQ(schedule().events().size(), 2u);
    EXPECT_EQ(schedule().events()[0].blockID, opening->id());
    EXPECT_TRUE(schedule().events()[1].media->isLive());

    // The show as rebuilt counts as saved, and saving drops the references.
    EXPECT_FALSE(controller->isDirty());
    EXPECT_FALSE(controller->title().contains(QStringLiteral("modificato")));
    clock.advance(ShowChangeTracker::kCheckInterval);
    EXPECT_FALSE(controller->isDirty());
    controller->save();
    EXPECT_FALSE(contents(showPath).contains("clip.mov"));
    EXPECT_FALSE(contents(showPath).contains("logo.jpg"));
}

TEST_F(EngineShow, AFileThatIsNoShowLeavesTheRunningShowAsItWas)
{
    make();
    buildEveryKind();
    ASSERT_TRUE(saveAs(showPath));
    engine().play(opening);
    ASSERT_TRUE(engine().isPlaying());
    auto extra = std::make_shared<MediaBlock>(QStringLiteral("Nuovo"), QUuid::createUuid());
    auto blocks = engine().blocks();
    blocks.push_back(extra);
    engine().setBlocks(blocks);
    const ShowDocument before = snapshot();

    const QString bad = dir.filePath(QStringLiteral("bad.vellumcast"));
    const QList<QByteArray> badFiles {
        "not json at all",
        R"({"version":1,"browser":[],"blocks":[],"schedule":[]})",                      // no "layers"
        R"({"version":1,"browser":[],"blocks":[{"name":"x"}],"layers":[]})",            // a block without keys
        R"({"version":1,"browser":[{"path":7}],"blocks":[],"layers":[]})",              // a path that is a number
        R"({"version":1,"browser":[{"liveSource":{"id":"x","kind":"srt","name":"","address":"","listen":false}}],"blocks":[],"layers":[]})",
    };
    for (const QByteArray& bytes : badFiles) {
        writeFile(bad, bytes);
        dialogs.alerts.clear();
        open(bad);
        ASSERT_EQ(dialogs.alerts.size(), 1u) << bytes.constData();
        EXPECT_EQ(dialogs.alerts[0].message, QStringLiteral("Impossibile aprire lo show"));
        EXPECT_EQ(dialogs.alerts[0].informativeText, QStringLiteral("Il file non è uno show valido di Tessarin."));
        EXPECT_EQ(engine().blocks(), blocks);
        EXPECT_TRUE(engine().isPlaying());
        EXPECT_EQ(engine().currentBlockID(), opening->id());
        EXPECT_EQ(snapshot(), before);
        EXPECT_TRUE(controller->isDirty());
        EXPECT_EQ(controller->fileURL(), showPath);
        EXPECT_EQ(settings.stringValue(QLatin1String(ShowController::kLastShowPathKey)), showPath);
    }
}

TEST_F(EngineShow, AnEditOfABlockMarksTheShowDirtyAtTheNextCheckAndUndoingItCleansIt)
{
    make();
    buildEveryKind();
    ASSERT_TRUE(saveAs(showPath));
    const auto added = media_(showFolder + QStringLiteral("/media/tone.wav"));
    closing->appendItems({added});
    EXPECT_FALSE(controller->isDirty());
    clock.advance(ShowChangeTracker::kCheckInterval);
    EXPECT_TRUE(controller->isDirty());
    EXPECT_EQ(controller->title(), QStringLiteral("show — modificato"));
    closing->removeItem(closing->items().size() - 1);
    clock.advance(ShowChangeTracker::kCheckInterval);
    EXPECT_FALSE(controller->isDirty());
}

// The watcher compares documents only when the show's revision has moved:
// every change that reaches the file must move it, and what a show does on
// air must not.
TEST_F(EngineShow, EveryChangeToWhatIsSavedMovesTheRevisionAndNothingElseDoes)
{
    make();
    buildEveryKind();
    ASSERT_TRUE(saveAs(showPath));
    // The opened show's own objects.
    auto first = [&] { return engine().blocks()[0]; };
    auto second = [&] { return engine().blocks()[1]; };
    auto clip = [&] { return first()->items()[0]; };
    auto layer = [&](std::size_t i) -> OverlayLayer& { return *layers()[i]; };
    auto event = [&](std::size_t i) { return schedule().events()[i]; };
    const struct {
        const char* change;
        std::function<void()> make;
        bool saved;
    } cases[] = {
        {"an item's loop", [&] { clip()->setLoop(false); }, true},
        {"an item's mute", [&] { clip()->setIsMuted(false); }, true},
        {"an item's gain", [&] { clip()->setGainDB(-6.0); }, true},
        {"an item's IN", [&] { clip()->setInPoint(2.0); }, true},
        {"an item's OUT", [&] { clip()->setOutPoint(std::nullopt); }, true},
        {"a still's length", [&] { first()->items()[1]->setImageDuration(3.0); }, true},
        {"a file of the browser alone", [&] { controller->browserFiles().browserFiles()[0]->setGainDB(1.0); }, true},
        {"an event's file", [&] { schedule().events()[1].media->setLoop(true); }, true},
        {"a block's name", [&] { first()->setName(QStringLiteral("Apertura")); }, true},
        {"a block's loop", [&] { first()->setLoop(false); }, true},
        {"a block's passes", [&] { first()->setLoopCount(3); }, true},
        {"a block's end", [&] { first()->setEndBehavior(BlockEndBehavior::pauseBlack); }, true},
        {"a block's normalisation", [&] { first()->setNormalizeAudio(false); }, true},
        {"items appended", [&] { second()->appendItems({media_(showFolder + QStringLiteral("/media/tone.wav"))}); }, true},
        {"an item inserted", [&] { second()->insertItem(media_(showFolder + QStringLiteral("/media/clip.mov")), 0); }, true},
        {"an item removed", [&] { second()->removeItem(0); }, true},
        {"an item moved", [&] { first()->moveItem(0, 2); }, true},
        {"a block's items replaced", [&] { second()->setItems({}); }, true},
        {"the blocks reordered", [&] { engine().setBlocks({second(), first(), engine().blocks()[2]}); }, true},
        {"a block added", [&] { engine().addBlock(); }, true},
        {"a block removed", [&] { engine().removeBlock(second()); }, true},
        {"a layer's file", [&] { layer(1).load(fileUrl(elsewhere + QStringLiteral("/logo.jpg"))); }, true},
        {"a layer emptied", [&] { layer(0).clear(); }, true},
        {"a layer's opacity", [&] { layer(0).setOpacity(0.5); }, true},
        {"a layer's scale", [&] { layer(0).setScale(1.0); }, true},
        {"a layer's horizontal offset", [&] { layer(0).setOffsetX(0.0); }, true},
        {"a layer's vertical offset", [&] { layer(0).setOffsetY(0.0); }, true},
        {"a layer's loop", [&] { layer(1).setLoops(false); }, true},
        {"an event added", [&] { schedule().add(ScheduleEvent {.id = QUuid::createUuid()}); }, true},
        {"an event edited", [&] { auto e = event(0); e.isEnabled = false; schedule().update(e); }, true},
        {"an event removed", [&] { schedule().remove(event(2)); }, true},
        {"an event moved", [&] { schedule().moveEvent(event(0), 1); }, true},
        {"the schedule's loop", [&] { schedule().setLoops(false); }, true},
        {"the browser's list", [&] { controller->browserFiles().setBrowserFiles({}); }, true},
        {"a block taken on air", [&] { engine().play(first()); }, false},
        {"the next item on air", [&] { engine().play(first()); engine().playNext(); engine().stop(); }, false},
        {"an item cued and selected", [&] { engine().cue(clip(), first()); engine().select(clip(), first()); }, false},
        {"a layer shown", [&] { layer(0).setIsVisible(true); }, false},
        {"the schedule armed", [&] { schedule().setArmed(true); schedule().setArmed(false); }, false},
        {"an item's length found", [&] { clip()->setDuration(12.0); }, false},
        {"a value set to what it was", [&] { clip()->setGainDB(clip()->gainDB()); first()->setLoop(true); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        open(showPath);
        ASSERT_FALSE(controller->isDirty());
        const auto before = ShowRevision::current();
        c.make();
        EXPECT_EQ(ShowRevision::current() != before, c.saved);
        clock.advance(ShowChangeTracker::kCheckInterval);
        EXPECT_EQ(controller->isDirty(), c.saved) << "the watcher's check";
        EXPECT_EQ(controller->changeTracker().checkNow(), c.saved) << "a full comparison";
    }
}

TEST_F(EngineShow, TheLastShowIsOpenedOnceStartUpHasFinished)
{
    {
        make();
        buildEveryKind();
        ASSERT_TRUE(saveAs(showPath));
        controller.reset();
    }
    const QString stored = settings.stringValue(QLatin1String(ShowController::kLastShowPathKey)).value_or(QString());
    EXPECT_EQ(stored, showPath);

    make();
    EXPECT_TRUE(engine().blocks().empty());  // queued behind the current work
    EXPECT_EQ(controller->title(), QStringLiteral("Show senza titolo"));
    test::drainMainQueue();
    EXPECT_EQ(engine().blocks().size(), 3u);
    EXPECT_EQ(controller->fileURL(), showPath);
    EXPECT_EQ(controller->title(), QStringLiteral("show"));
    EXPECT_FALSE(controller->isDirty());
    EXPECT_TRUE(dialogs.alerts.empty());
}

TEST_F(EngineShow, ALastPathThatHoldsNoShowIsReportedAndTheEmptyShowStays)
{
    settings.setString(QLatin1String(ShowController::kLastShowPathKey), showFolder);  // a folder
    make();
    test::drainMainQueue();
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].message, QStringLiteral("Impossibile aprire lo show"));
    EXPECT_FALSE(controller->fileURL());
    EXPECT_FALSE(controller->isDirty());

    controller.reset();
    dialogs.alerts.clear();
    settings.setString(QLatin1String(ShowController::kLastShowPathKey), dir.filePath(QStringLiteral("gone.vellumcast")));
    make();
    test::drainMainQueue();
    EXPECT_TRUE(dialogs.alerts.empty());
    EXPECT_FALSE(controller->fileURL());
}

TEST_F(EngineShow, StoredLayersFillTheEngineLayersFirstWithFirst)
{
    make();
    const QString layer = R"({"loops":false,"offsetX":0,"offsetY":0,"opacity":0.5,"scale":1})";
    const auto file = [&](int count) {
        QStringList entries;
        for (int i = 0; i < count; ++i)
            entries << QString(layer).replace(QStringLiteral("0.5"), QString::number(0.25 * (i + 1)));
        return QStringLiteral(R"({"version":2,"browser":[],"blocks":[],"layers":[%1]})").arg(entries.join(u',')).toUtf8();
    };
    const QString path = dir.filePath(QStringLiteral("layers.vellumcast"));
    writeFile(path, file(3));
    open(path);
    EXPECT_EQ(layers()[0]->opacity(), 0.25);
    EXPECT_EQ(layers()[1]->opacity(), 0.5);
    EXPECT_TRUE(schedule().events().empty());
    EXPECT_FALSE(schedule().loops());

    layers()[1]->load(fileUrl(elsewhere + QStringLiteral("/logo.jpg")));
    writeFile(path, file(1));
    open(path);
    EXPECT_EQ(layers()[0]->opacity(), 0.25);
    EXPECT_EQ(layers()[1]->opacity(), 1.0);
    EXPECT_TRUE(layers()[1]->url().isEmpty());
    EXPECT_TRUE(dialogs.alerts.empty());
}

TEST_F(EngineShow, ANewShowIsTheEmptyShowOfAFreshStart)
{
    make();
    const auto fresh = snapshot();
    buildEveryKind();
    engine().play(opening);
    engine().cue(closing->items()[0], closing);
    engine().select(opening->items()[0], opening);
    layers()[1]->setIsVisible(true);
    dialogs.questionAnswers.push_back(ShowDialogs::SaveAnswer::dontSave);
    controller->newShow();

    EXPECT_EQ(snapshot(), fresh);
    EXPECT_FALSE(engine().isPlaying());
    EXPECT_FALSE(engine().cuedItem());
    EXPECT_FALSE(engine().selectedItem());
    EXPECT_FALSE(engine().selectedBlock());
    for (const auto& layer : layers()) {
        EXPECT_FALSE(layer->isVisible());
        EXPECT_FALSE(layer->player());
    }
}

TEST_F(EngineShow, HandWrittenReferencesAreResolvedByTheirOwnRules)
{
    make();
    const QString media = showFolder + QStringLiteral("/media");
    // The absolute path wins over the relative one; only a relative path
    // that is not found, or no path at all, is named "?"; a folder is no
    // media, and is named as one; a live source is never looked up.
    const QString file = QStringLiteral(R"({"version":1,"layers":[],
      "browser":[{"path":"%1/tone.wav","relativePath":"media/clip.mov"},
                 {"relativePath":"media/nowhere.mov"},
                 {},
                 {"path":"%1"},
                 {"path":"/no/such/x.mov","relativePath":"media/still.png","imageDuration":8},
                 {"path":"/no/such/y.png","liveSource":{"address":"a","id":"11111111-2222-3333-4444-555555555555",
                   "kind":"ndi","listen":false,"name":"N"}}],
      "blocks":[{"id":"not a uuid","name":"B","loop":false,"loopCount":0,"endBehavior":"fadeOut",
                 "normalizeAudio":false,"items":[]}]})").arg(media);
    const QString path = showFolder + QStringLiteral("/hand.vellumcast");
    writeFile(path, file.toUtf8());
    open(path);

    const auto& files = controller->browserFiles().browserFiles();
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0]->url().toLocalFile(), media + QStringLiteral("/tone.wav"));
    EXPECT_EQ(files[1]->url().toLocalFile(), media + QStringLiteral("/still.png"));
    EXPECT_EQ(files[1]->imageDuration(), 8.0);
    EXPECT_TRUE(files[2]->isLive());
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].message, QStringLiteral("2 file non sono stati trovati"));
    EXPECT_TRUE(dialogs.alerts[0].informativeText.startsWith(QStringLiteral("?\nmedia (è una cartella, non un file)\n\n")));

    ASSERT_EQ(engine().blocks().size(), 1u);
    EXPECT_FALSE(engine().blocks()[0]->id().isNull());
    EXPECT_EQ(engine().blocks()[0]->endBehavior(), BlockEndBehavior::pauseBlack);
}

TEST_F(EngineShow, AShowOfStillsRendersEachOnceAtItsStoredDuration)
{
    QTemporaryDir cache;
    const QString previous = ImageClipRenderer::cacheFolder();
    ImageClipRenderer::setCacheFolder(cache.path());
    make();
    // Three distinct stills, each in the browser and in a block.
    QStringList items;
    QStringList expected;
    for (int i = 0; i < 3; ++i) {
        const QString path = showFolder + QStringLiteral("/slides/slide %1.png").arg(i);
        place(QStringLiteral("still.png"), path);
        items << QStringLiteral(R"({"path":"%1","imageDuration":4})").arg(path);
        expected << ImageClipRenderer::cacheURL(fileUrl(path), 4.0).fileName();
    }
    const QString list = items.join(QLatin1Char(','));
    writeFile(showPath, QStringLiteral(R"({"version":1,"layers":[],"browser":[%1],"blocks":[{"id":"%2","name":"B",
      "loop":false,"loopCount":0,"endBehavior":"stop","normalizeAudio":false,"items":[%1]}]})")
                            .arg(list, QUuid::createUuid().toString(QUuid::WithoutBraces))
                            .toUtf8());
    open(showPath);
    ASSERT_EQ(engine().blocks().size(), 1u);
    const auto& stills = engine().blocks()[0]->items();
    ASSERT_TRUE(test::waitUntil([&] {
        return ImageClipRenderer::rendersPending() == 0
            && std::all_of(stills.begin(), stills.end(), [](const auto& s) { return !s->playableURL().isEmpty(); });
    }, 60));
    for (const auto& still : stills)
        EXPECT_EQ(still->duration(), 4.0);
    QStringList clips = QDir(cache.path()).entryList(QDir::Files);
    clips.sort();
    expected.sort();
    EXPECT_EQ(clips.join(QLatin1Char(' ')).toStdString(), expected.join(QLatin1Char(' ')).toStdString());
    ImageClipRenderer::setCacheFolder(previous);
}

TEST_F(EngineShow, StoredNumbersOutOfRangeOpenInRangeAndTheFileStaysAsItIs)
{
    make();
    const QByteArray file = QStringLiteral(R"({"version":1,
      "browser":[{"path":"%1/media/clip.mov","gainDB":1e308,"inPoint":1e308,"outPoint":1e308},
                 {"path":"%1/media/tone.wav","gainDB":-1e308,"inPoint":-1e308,"outPoint":-1e308},
                 {"path":"%1/media/still.png","imageDuration":1e-300},
                 {"path":"%2/logo.jpg","imageDuration":-5},
                 {"path":"%1/media/still.png","imageDuration":1e308}],
      "blocks":[{"name":"A","loop":true,"loopCount":1000000,"endBehavior":"pauseBlack","normalizeAudio":false,
                 "items":[{"path":"%1/media/clip.mov","inPoint":2,"outPoint":1}]},
                {"name":"B","loop":true,"loopCount":-7,"endBehavior":"pauseBlack","normalizeAudio":false,"items":[]}],
      "layers":[{"loops":false,"opacity":1e308,"scale":-1e308,"offsetX":1e308,"offsetY":-1e308},
                {"loops":false,"opacity":-1e308,"scale":1e308,"offsetX":-1e308,"offsetY":1e308}],
      "schedule":[{"id":"11111111-2222-3333-4444-555555555555","start":"fixed","repeats":"daily","isEnabled":true,
                   "date":1e308,"duration":1e-300},
                  {"id":"11111111-2222-3333-4444-666666666666","start":"manual","repeats":"none","isEnabled":true,
                   "date":-1e308,"duration":1e308},
                  {"id":"11111111-2222-3333-4444-777777777777","start":"manual","repeats":"none","isEnabled":true,
                   "date":0,"duration":0},
                  {"id":"11111111-2222-3333-4444-888888888888","start":"manual","repeats":"none","isEnabled":true,
                   "date":0,"duration":-5}]})")
                             .arg(showFolder, elsewhere)
                             .toUtf8();
    const QString path = showFolder + QStringLiteral("/wild.vellumcast");
    writeFile(path, file);
    open(path);
    ASSERT_TRUE(dialogs.alerts.empty());

    const auto& browser = controller->browserFiles().browserFiles();
    ASSERT_EQ(browser.size(), 5u);
    ASSERT_EQ(engine().blocks().size(), 2u);
    const auto& trimmed = engine().blocks()[0]->items().at(0);
    // IN and OUT come within an item once its length is known.
    ASSERT_TRUE(test::waitUntil([&] {
        return browser[0]->duration() > 0 && browser[1]->duration() > 0 && trimmed->duration() > 0;
    }, 20.0));
    test::drainMainQueue();
    const double clipEnd = browser[0]->duration();
    const ScheduleEvent& fixed = schedule().events().at(0);
    const ScheduleEvent& manual = schedule().events().at(1);
    const ScheduleEvent& endsAtOnce = schedule().events().at(2);
    const ScheduleEvent& negative = schedule().events().at(3);
    struct Row {
        const char* what;
        double value;
        double expected;
    };
    const Row rows[] = {
        {"gain above the slider", browser[0]->gainDB(), MediaFile::gainDBRange.upper},
        {"gain below the slider", browser[1]->gainDB(), MediaFile::gainDBRange.lower},
        {"IN past the end", browser[0]->inPoint(), clipEnd - MediaFile::minimumPlayLength},
        {"OUT past the end", browser[0]->outPoint().value_or(-1), clipEnd},
        {"IN before the start", browser[1]->inPoint(), 0.0},
        {"OUT before the start", browser[1]->outPoint().value_or(-1), MediaFile::minimumPlayLength},
        {"OUT before IN: IN stays", trimmed->inPoint(), 2.0},
        {"OUT before IN: OUT follows it", trimmed->outPoint().value_or(-1), 2.0 + MediaFile::minimumPlayLength},
        {"a still of 1e-300 s", browser[2]->imageDuration(), MediaFile::imageDurationRange.lower},
        {"a still of -5 s", browser[3]->imageDuration(), MediaFile::imageDurationRange.lower},
        {"a still of 1e308 s", browser[4]->imageDuration(), MediaFile::imageDurationRange.upper},
        {"loop count above the stepper", double(engine().blocks()[0]->loopCount()), double(MediaBlock::maximumLoopCount)},
        {"negative loop count: without limit", double(engine().blocks()[1]->loopCount()), 0.0},
        {"opacity above 1", layers()[0]->opacity(), 1.0},
        {"opacity below 0", layers()[1]->opacity(), 0.0},
        {"scale below the slider", layers()[0]->scale(), OverlayLayer::scaleRange.lower},
        {"scale above the slider", layers()[1]->scale(), OverlayLayer::scaleRange.upper},
        {"offset X above", layers()[0]->offsetX(), OverlayLayer::offsetRange.upper},
        {"offset Y below", layers()[0]->offsetY(), OverlayLayer::offsetRange.lower},
        {"offset X below", layers()[1]->offsetX(), OverlayLayer::offsetRange.lower},
        {"offset Y above", layers()[1]->offsetY(), OverlayLayer::offsetRange.upper},
        {"a date past the calendar", fixed.date, ScheduleEvent::dateRange.upper},
        {"a date before the calendar", manual.date, ScheduleEvent::dateRange.lower},
        {"a time on air of 1e-300 s", fixed.duration.value_or(-1), ScheduleEvent::durationRange.lower},
        {"a time on air of 1e308 s", manual.duration.value_or(-1), ScheduleEvent::durationRange.upper},
        {"a time on air of 0 s stays", endsAtOnce.duration.value_or(-1), 0.0},
        {"a time on air of -5 s", negative.duration.value_or(-1), ScheduleEvent::durationRange.lower},
    };
    for (const Row& row : rows)
        EXPECT_NEAR(row.value, row.expected, 1e-9) << row.what;

    // Opening wrote nothing, and the corrections are part of the opening:
    // the show is clean until the operator changes it.
    EXPECT_EQ(contents(path), file);
    clock.advance(ShowChangeTracker::kCheckInterval);
    EXPECT_FALSE(controller->isDirty());
    EXPECT_EQ(controller->savedSnapshot(), ShowChangeTracker::snapshotOf(snapshot()));
    EXPECT_EQ(contents(path), file);

    // Saving writes the values the show has now.
    controller->save();
    const auto saved = ShowDocument::fromJson(contents(path));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->browser[0].gainDB, MediaFile::gainDBRange.upper);
    EXPECT_EQ(saved->layers[0].opacity, 1.0);
    EXPECT_EQ(saved->schedule->at(2).duration, 0.0);
}

TEST_F(EngineShow, AShowOfThousandsIsListedInSlicesInItsOrderAndANewShowGivesTheListingUp)
{
    make();
    // Live sources (nothing to analyse) and a few files that are gone, in
    // more items than a few slices hold, in a file read off the main thread.
    ShowDocument document;
    document.layers = {ShowDocument::Layer {}, ShowDocument::Layer {}};
    QStringList browserNames;
    const auto item = [](const QString& name) {
        ShowDocument::Item entry;
        entry.liveSource = source(LiveSourceKind::rtmp, name, QStringLiteral("rtmp://0.0.0.0:1935/live"), true);
        return entry;
    };
    for (int i = 0; i < 3000; ++i) {
        if (i % 1000 == 500) {
            ShowDocument::Item gone;
            gone.path = dir.filePath(QStringLiteral("gone-%1.mov").arg(i));
            document.browser.push_back(gone);
            continue;
        }
        browserNames << QStringLiteral("L%1").arg(i);
        document.browser.push_back(item(browserNames.back()));
    }
    QStringList blockNames;
    for (int b = 0; b < 400; ++b) {
        ShowDocument::Block block;
        block.name = QStringLiteral("Blocco %1").arg(b);
        for (int i = 0; i < 5; ++i)
            block.items.push_back(item(QStringLiteral("%1.%2").arg(b).arg(i)));
        blockNames << block.name;
        document.blocks.push_back(block);
    }
    writeFile(showPath, *document.toJson(ShowDocument::Layout::pretty));
    ASSERT_GT(QFileInfo(showPath).size(), ShowController::kReadAtOnceBytes);

    const auto listedNames = [&] {
        QStringList names;
        for (const auto& file : controller->browserFiles().browserFiles())
            names << file->liveSource()->name;
        return names;
    };
    const auto waitUntil = [&](const std::function<bool()>& done) {
        QElapsedTimer waited;
        waited.start();
        int turns = 0;
        // One pass of the event loop a turn: a pass with a time budget runs
        // as many slices as fit in it.
        for (; !done() && waited.elapsed() < 20000; ++turns)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        return turns;
    };

    open(showPath);
    EXPECT_TRUE(controller->isOpening());
    // The empty show standing in for it never takes the file's place.
    const QByteArray stored = contents(showPath);
    controller->save();
    EXPECT_FALSE(saveAs(showPath));
    EXPECT_EQ(contents(showPath), stored);
    // The show is the empty one until the listed one takes its place whole.
    int emptyTurns = 0;
    waitUntil([&] {
        if (controller->isOpening() && controller->browserFiles().browserFiles().empty() && engine().blocks().empty())
            ++emptyTurns;
        return !controller->isOpening();
    });
    EXPECT_GE(emptyTurns, 5);
    EXPECT_EQ(listedNames(), browserNames);
    QStringList listedBlocks;
    for (const auto& block : engine().blocks()) {
        listedBlocks << block->name();
        ASSERT_EQ(block->items().size(), 5u);
        EXPECT_EQ(block->items()[4]->liveSource()->name, block->name().mid(7) + QStringLiteral(".4"));
    }
    EXPECT_EQ(listedBlocks, blockNames);
    EXPECT_EQ(controller->fileURL(), showPath);
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].message, QStringLiteral("3 file non sono stati trovati"));
    EXPECT_FALSE(controller->isDirty());
    clock.advance(1.5);
    EXPECT_FALSE(controller->isDirty());

    // Given up while the file is read, and while the show is listed: the
    // new show stays empty and without a file.
    for (const bool whileListing : {false, true}) {
        controller->newShow();
        open(showPath);
        if (whileListing)
            waitUntil([&] { return controller->fileURL() == showPath; });
        ASSERT_TRUE(controller->isOpening());
        controller->newShow();
        EXPECT_FALSE(controller->isOpening());
        Workers::userInitiated().waitForIdle(20.0);
        for (int turn = 0; turn < 20; ++turn)
            QCoreApplication::processEvents();
        EXPECT_TRUE(controller->browserFiles().browserFiles().empty());
        EXPECT_TRUE(engine().blocks().empty());
        EXPECT_FALSE(controller->fileURL());
    }
}
