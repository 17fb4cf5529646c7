// The main window: empty, with a show on air (meters moving, an item cued),
// paused, near the end of an item, on the schedule tab, and with a row's
// button reached with Tab; the About window.
#include "Stage.h"

#include "app/AboutDialog.h"
#include "app/ContentView.h"
#include "app/SidePanelView.h"
#include "automation/ScheduleController.h"
#include "engine/AudioLevelTap.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "platform/Settings.h"
#include "ui/kit/Buttons.h"
#include "ui/playlist/BlockCardView.h"
#include "ui/playlist/BlockItemList.h"
#include "ui/playlist/MediaRowParts.h"

#include <QAbstractButton>
#include <QDateTime>
#include <QTest>

using namespace tessarin;

namespace {

struct Show {
    std::shared_ptr<MediaBlock> opening;
    std::shared_ptr<MediaBlock> music;
};

Show fillShow(Stage& stage)
{
    Show show;
    show.opening = stage.addBlock(QStringLiteral("Apertura"),
                                  {stage.item(QStringLiteral("Sigla.mov"), QStringLiteral("clip_5s.mov"), 95),
                                   stage.item(QStringLiteral("Intervista.mp4"), QStringLiteral("clip_30s.mp4"), 1800),
                                   stage.item(QStringLiteral("Logo.png"), QStringLiteral("still.png"), 10)});
    show.music = stage.addBlock(QStringLiteral("Musica"),
                                {stage.item(QStringLiteral("Tema.wav"), QStringLiteral("tone_half.wav"), 240)});
    stage.settle();
    return show;
}

double localTime(int hour, int minute)
{
    return double(QDateTime(QDate(2026, 3, 7), QTime(hour, minute)).toSecsSinceEpoch());
}

} // namespace

TESSARIN_SCREENSHOT(mainEmpty, "main-empty")
{
    return &stage.window();
}

TESSARIN_SCREENSHOT(mainOnAir, "main-on-air")
{
    ContentView& window = stage.window();
    const Show show = fillShow(stage);
    stage.engine().play(show.opening);
    stage.settle(12.4);
    stage.engine().cue(show.music->items().front(), show.music);
    stage.engine().levelMeter()->applyBallistics(0.72f, 0.61f);
    stage.settle(0.1); // the meter eases over 0.08 s
    return &window;
}

TESSARIN_SCREENSHOT(mainPaused, "main-paused")
{
    ContentView& window = stage.window();
    const Show show = fillShow(stage);
    stage.engine().play(show.opening);
    stage.settle(40.0);
    stage.engine().togglePlayPause();
    stage.settle();
    return &window;
}

TESSARIN_SCREENSHOT(mainNearEnd, "main-near-end")
{
    ContentView& window = stage.window();
    const Show show = fillShow(stage);
    stage.engine().play(show.opening);
    stage.settle(87.2);
    stage.engine().levelMeter()->applyBallistics(0.93f, 0.88f);
    stage.settle(0.1); // the meter eases over 0.08 s
    // Photographed in the red phase of the blink.
    if (!stage.engine().nearEndBlinkOn())
        stage.settle(0.5);
    return &window;
}

TESSARIN_SCREENSHOT(mainScheduleTab, "main-schedule")
{
    stage.settings().setString(QLatin1String(SidePanelView::kTabKey), QStringLiteral("schedule"));
    const Show show = fillShow(stage);
    ScheduleController& schedule = stage.schedule();
    auto fixed = [&](int hour, int minute, const std::shared_ptr<MediaBlock>& block) {
        ScheduleEvent event;
        event.id = QUuid::createUuid();
        event.blockID = block->id();
        event.start = ScheduleEvent::Start::fixed;
        event.date = localTime(hour, minute);
        schedule.add(event);
        return event;
    };
    const ScheduleEvent done = fixed(20, 0, show.music);
    fixed(20, 10, show.music); // missed: its time passed without a launch
    const ScheduleEvent running = fixed(20, 15, show.opening);
    fixed(21, 0, show.music);
    schedule.launch(done, done.date);
    schedule.launch(running, running.date);
    schedule.setArmed(true);
    ContentView& window = stage.window();
    stage.settle(0.2);
    return &window;
}

TESSARIN_SCREENSHOT(aboutWindow, "about")
{
    return AboutDialog::present(&stage.window());
}

TESSARIN_SCREENSHOT(mainSmallest, "main-smallest")
{
    ContentView& window = stage.window();
    const Show show = fillShow(stage);
    stage.engine().play(show.opening);
    stage.settle(3.0);
    window.resize(ContentView::kMinimumWidth, ContentView::kMinimumHeight);
    stage.settle();
    return &window;
}

// Long names on air, a live source waiting in the same block and events of
// the schedule, at the narrowest, the default and a wide window.
static QWidget* longNamesOnAir(Stage& stage, int width)
{
    ContentView& window = stage.window();
    LiveSource regia;
    regia.kind = LiveSourceKind::rtmp;
    regia.name = QStringLiteral("Regia principale della sala grande RTMP");
    regia.address = QStringLiteral("rtmp://127.0.0.1/live/regia");
    auto opening = stage.addBlock(
        QStringLiteral("Apertura della serata con i titoli di testa"),
        {stage.item(QStringLiteral("Sigla di apertura della serata finale in diretta dallo studio.mov"),
                    QStringLiteral("clip_5s.mov"), 3725),
         MediaFile::create(regia),
         stage.item(QStringLiteral("Intervista al sindaco.mp4"), QStringLiteral("clip_30s.mp4"), 1800)});
    stage.addBlock(QStringLiteral("Musica"),
                   {stage.item(QStringLiteral("Tema.wav"), QStringLiteral("tone_half.wav"), 240)});
    stage.settle();
    stage.engine().play(opening);
    stage.settle(12.4);
    window.resize(width, ContentView::kDefaultHeight);
    stage.settle();
    return &window;
}

TESSARIN_SCREENSHOT(mainLongNames1120, "main-long-names-1120")
{
    return longNamesOnAir(stage, ContentView::kMinimumWidth);
}

TESSARIN_SCREENSHOT(mainLongNames1440, "main-long-names-1440")
{
    return longNamesOnAir(stage, ContentView::kDefaultWidth);
}

TESSARIN_SCREENSHOT(mainLongNames1920, "main-long-names-1920")
{
    return longNamesOnAir(stage, 1920);
}

TESSARIN_SCREENSHOT(mainPlaybackFailed, "main-playback-failed")
{
    // A file that is no video, taken: its row carries the mark, the program
    // has moved on to the next item and the now-playing line says why.
    ContentView& window = stage.window();
    auto broken = stage.item(QStringLiteral("Rotto.mp4"), QStringLiteral("not_media.mp4"), 60);
    stage.media()->failing.insert(broken->url().toLocalFile());
    auto block = stage.addBlock(QStringLiteral("Apertura"),
                                {stage.item(QStringLiteral("Sigla.mov"), QStringLiteral("clip_5s.mov"), 95), broken,
                                 stage.item(QStringLiteral("Intervista.mp4"), QStringLiteral("clip_30s.mp4"), 1800)});
    stage.settle();
    stage.engine().play(broken, block);
    stage.settle();
    stage.settle(2.0);
    return &window;
}

// A row's play button reached with Tab: its accent focus ring.
TESSARIN_SCREENSHOT(mainKeyboardFocus, "main-keyboard-focus")
{
    ContentView& window = stage.window();
    fillShow(stage);
    window.activateWindow();
    stage.settle();
    // The first row shown, made real as the focus makes it, and the stop
    // before its play button.
    QWidget* before = nullptr;
    for (auto* card : window.findChildren<BlockCardView*>()) {
        if (!card->isVisible() || card->block()->items().empty())
            continue;
        MediaRowView* row = card->row(card->block()->items().front()->id());
        const QList<QWidget*> stops = row ? BlockItemList::tabStops(*row) : QList<QWidget*>();
        const qsizetype play = stops.indexOf(row ? row->playButton() : nullptr);
        if (play > 0) {
            before = stops[play - 1];
            break;
        }
    }
    if (!before)
        return &window;
    before->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(before, Qt::Key_Tab);
    stage.settle();
    return &window;
}
