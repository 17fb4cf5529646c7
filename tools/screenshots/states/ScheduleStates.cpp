// The schedule tab with an event of each status, the automation armed with a
// next start and a launch notice; the event editor for a block, a file, a
// live source and a new event; the add-source form opened from the editor.
#include "Stage.h"

#include "app/ContentView.h"
#include "app/SidePanelView.h"
#include "automation/ScheduleController.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "platform/Settings.h"
#include "ui/kit/Popover.h"
#include "ui/schedule/EventContentPickers.h"
#include "ui/schedule/ScheduleColumnView.h"
#include "ui/schedule/ScheduleEventDraft.h"
#include "ui/schedule/ScheduleEventEditor.h"

#include <QDateTime>
#include <QPushButton>
#include <QTest>

using namespace tessarin;

namespace {

double localTime(int hour, int minute)
{
    return double(QDateTime(QDate(2026, 3, 7), QTime(hour, minute)).toSecsSinceEpoch());
}

struct Evening {
    ScheduleEvent news;    // fixed, already aired
    ScheduleEvent missed;  // fixed, its time passed without a launch
    ScheduleEvent onAir;   // launched by the operator, on air now
    ScheduleEvent next;    // fixed, later tonight
    ScheduleEvent camera;  // a live source following
    ScheduleEvent spare;   // disabled
    ScheduleEvent orphan;  // its block was deleted
    ScheduleEvent hollow;  // an empty block: its launch fails
};

ScheduleEvent event(ScheduleEvent::Start start, const std::shared_ptr<MediaBlock>& block, double date = 0)
{
    ScheduleEvent e;
    e.id = QUuid::createUuid();
    if (block)
        e.blockID = block->id();
    e.start = start;
    e.date = date;
    return e;
}

// The schedule tab of the window, filled with the evening above.
Evening fillSchedule(Stage& stage)
{
    stage.settings().setString(QLatin1String(SidePanelView::kTabKey), QStringLiteral("schedule"));
    auto news = stage.addBlock(QStringLiteral("Telegiornale"),
                               {stage.item(QStringLiteral("Sigla.mov"), QStringLiteral("clip_5s.mov"), 95),
                                stage.item(QStringLiteral("Servizi.mp4"), QStringLiteral("clip_30s.mp4"), 1200)});
    auto film = stage.addBlock(QStringLiteral("Film della sera"),
                               {stage.item(QStringLiteral("Film.mp4"), QStringLiteral("clip_30s.mp4"), 5400)});
    auto music = stage.addBlock(QStringLiteral("Musica"),
                                {stage.item(QStringLiteral("Tema.wav"), QStringLiteral("tone_half.wav"), 240)});
    auto old = stage.addBlock(QStringLiteral("Vecchio blocco"),
                              {stage.item(QStringLiteral("Vecchio.mov"), QStringLiteral("clip_5s.mov"), 60)});
    auto empty = stage.addBlock(QStringLiteral("Vuoto"), {});
    stage.settle();

    Evening e;
    e.news = event(ScheduleEvent::Start::fixed, news, localTime(20, 0));
    e.missed = event(ScheduleEvent::Start::fixed, music, localTime(20, 20));
    e.onAir = event(ScheduleEvent::Start::manual, film);
    e.next = event(ScheduleEvent::Start::fixed, news, localTime(22, 30));
    e.camera = event(ScheduleEvent::Start::follow, nullptr);
    LiveSource camera;
    camera.kind = LiveSourceKind::capture;
    camera.name = QStringLiteral("Camera studio");
    camera.address = QStringLiteral("usb-studio-camera");
    e.camera.media = MediaFile::create(camera);
    e.camera.duration = 1800;
    e.spare = event(ScheduleEvent::Start::manual, music);
    e.spare.isEnabled = false;
    e.orphan = event(ScheduleEvent::Start::manual, old);
    e.hollow = event(ScheduleEvent::Start::manual, empty);
    ScheduleController& schedule = stage.schedule();
    schedule.setEvents({e.news, e.missed, e.onAir, e.next, e.camera, e.spare, e.orphan, e.hollow});
    stage.engine().removeBlock(old);
    schedule.launch(e.news, e.news.date);
    schedule.launch(e.onAir, stage.clock().wallNow());
    schedule.setArmed(true);
    schedule.setLoops(true);
    schedule.launch(e.hollow, stage.clock().wallNow()); // leaves its notice
    return e;
}

ScheduleColumnView* column(Stage& stage)
{
    return stage.window().findChild<ScheduleColumnView*>();
}

QWidget* editorFor(Stage& stage, const ScheduleEvent& event)
{
    ScheduleColumnView* view = column(stage);
    if (!view)
        return nullptr;
    view->edit(event);
    stage.settle();
    return view->editor();
}

} // namespace

TESSARIN_SCREENSHOT(scheduleStatuses, "schedule-statuses")
{
    ContentView& window = stage.window();
    fillSchedule(stage);
    stage.settle(12.2);
    return &window;
}

TESSARIN_SCREENSHOT(scheduleEditorBlock, "schedule-editor-block")
{
    stage.window();
    const Evening evening = fillSchedule(stage);
    return editorFor(stage, evening.next);
}

TESSARIN_SCREENSHOT(scheduleEditorFile, "schedule-editor-file")
{
    stage.window();
    fillSchedule(stage);
    ScheduleEvent e = event(ScheduleEvent::Start::fixed, nullptr, localTime(23, 15));
    e.repeats = ScheduleEvent::Repeat::daily;
    e.media = stage.item(QStringLiteral("Intervista al sindaco.mp4"), QStringLiteral("clip_30s.mp4"), 1500);
    e.duration = 900;
    return editorFor(stage, e);
}

TESSARIN_SCREENSHOT(scheduleEditorLive, "schedule-editor-live")
{
    stage.window();
    const Evening evening = fillSchedule(stage);
    return editorFor(stage, evening.camera);
}

TESSARIN_SCREENSHOT(scheduleEditorNew, "schedule-editor-new")
{
    stage.window();
    fillSchedule(stage);
    ScheduleColumnView* view = column(stage);
    return view ? editorFor(stage, view->newEvent()) : nullptr;
}

TESSARIN_SCREENSHOT(scheduleAddSource, "schedule-add-source")
{
    stage.window();
    const Evening evening = fillSchedule(stage);
    auto* editor = qobject_cast<ScheduleEventEditor*>(editorFor(stage, evening.camera));
    if (!editor)
        return nullptr;
    QTest::qWaitForWindowExposed(editor);
    QTest::mouseClick(editor->livePicker()->addButton(LiveSourceKind::srt), Qt::LeftButton);
    stage.settle();
    return editor->livePicker()->popover();
}
