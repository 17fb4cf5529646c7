// The schedule column driven through the real schedule and engine: the
// statuses it decides over an evening, its whole-second timeline, its rows'
// actions and the events it makes from drops.
#include "ScheduleViewFixture.h"

#include "media/MediaDrop.h"
#include "platform/Localization.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Theme.h"
#include "ui/schedule/ScheduleAutomationBar.h"
#include "ui/schedule/ScheduleFormat.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>

using namespace tessarin;
using namespace tessarin::test;
using Status = ScheduleRowView::Status;
using Start = ScheduleEvent::Start;
using Repeat = ScheduleEvent::Repeat;

namespace {

class ScheduleColumnTest : public ScheduleViewTest {};

} // namespace

TEST_F(ScheduleColumnTest, StatusesFollowTheEveningAsTheAutomationRunsIt)
{
    auto news = block("News", {file("news", 600)});
    auto film = block("Film", {file("film", 1200)});
    auto gone = block("Gone", {file("gone", 60)});
    const ScheduleEvent opening = event(Start::fixed, news, kEightPM + 30);
    const ScheduleEvent after = event(Start::follow, film);
    const ScheduleEvent past = event(Start::fixed, news, kEightPM - 1800); // 19:30, never launched
    ScheduleEvent spare = event(Start::manual, film);
    spare.isEnabled = false;
    const ScheduleEvent orphan = event(Start::manual, gone);
    const ScheduleEvent daily = event(Start::fixed, film, kEightPM - 3600, Repeat::daily); // 19:00 every day
    schedule->setEvents({opening, after, past, spare, orphan, daily});
    engine->removeBlock(gone);
    makeColumn();
    schedule->setArmed(true);

    EXPECT_EQ(rowOf(opening).content().status, Status::waiting);
    EXPECT_EQ(rowOf(after).content().status, Status::waiting);
    EXPECT_EQ(rowOf(past).content().status, Status::missed);
    EXPECT_EQ(rowOf(past).shownDetail(), "Saltato · durata 00:10:00");
    EXPECT_EQ(rowOf(spare).content().status, Status::disabled);
    EXPECT_EQ(rowOf(spare).shownTime(), "MANUALE");
    EXPECT_EQ(rowOf(spare).shownCaption(), "parte a mano");
    EXPECT_EQ(rowOf(spare).shownDetail(), "Disattivato · durata 00:20:00");
    EXPECT_EQ(rowOf(orphan).content().status, Status::missingBlock);
    EXPECT_EQ(rowOf(orphan).shownTitle(), "Blocco mancante");
    EXPECT_EQ(rowOf(orphan).shownDetail(), "Il blocco è stato eliminato");
    EXPECT_FALSE(rowOf(orphan).launchButton()->isEnabled());
    EXPECT_EQ(rowOf(daily).content().status, Status::waiting) << "a repeating event is never missed";
    EXPECT_EQ(rowOf(daily).shownTime(), "19:00:00");
    EXPECT_EQ(rowOf(daily).shownCaption(), "ogni giorno");
    EXPECT_EQ(rowOf(opening).shownTime(), "20:00:30");
    EXPECT_EQ(rowOf(opening).shownCaption(), "ven 10 mag");
    EXPECT_EQ(rowOf(after).shownTime(), "≈ 20:10:30") << "follows the ten minutes of the event before it";
    EXPECT_EQ(rowOf(after).shownCaption(), "a seguire");

    run(31);
    EXPECT_EQ(rowOf(opening).content().status, Status::running);
    EXPECT_TRUE(rowOf(opening).showsOnAirBadge());
    EXPECT_EQ(rowOf(opening).shownDetail(), "durata 00:10:00");
    EXPECT_FALSE(rowOf(after).showsOnAirBadge());

    run(600); // the news ends and the follow event takes over
    EXPECT_EQ(rowOf(opening).content().status, Status::done);
    EXPECT_EQ(rowOf(opening).shownDetail(), "Andato in onda · durata 00:10:00");
    EXPECT_EQ(rowOf(after).content().status, Status::running);

    // A disabled event still goes on air from its own button.
    QTest::mouseClick(rowOf(spare).launchButton(), Qt::LeftButton);
    EXPECT_EQ(rowOf(spare).content().status, Status::running);
    EXPECT_EQ(rowOf(after).content().status, Status::done);

    // The operator puts another block on air from the playlist: the event
    // is no longer the one on air.
    engine->play(news);
    EXPECT_EQ(rowOf(spare).content().status, Status::disabled);
    EXPECT_FALSE(rowOf(spare).showsOnAirBadge());

    // Starting over forgets what went on air; what plays goes on.
    QTest::mouseClick(column->automationBar()->restartButton(), Qt::LeftButton);
    EXPECT_EQ(rowOf(opening).content().status, Status::missed);
    EXPECT_EQ(rowOf(after).content().status, Status::waiting);
    EXPECT_TRUE(engine->isPlaying());

    // Loading another show replaces every row.
    schedule->load({}, false);
    drainMainQueue();
    EXPECT_TRUE(column->rows().isEmpty());
    EXPECT_TRUE(column->showsHint());
}

TEST_F(ScheduleColumnTest, TheTimelineRedrawsOnEveryWholeSecondOfTheClock)
{
    auto news = block("News", {file("news", 600)});
    schedule->setEvents({event(Start::fixed, news, kEightPM + 3600)});
    schedule->setArmed(true);
    clock.setWallNow(kEightPM + 0.6); // shown part-way through a second
    makeColumn();
    auto* bar = column->automationBar();
    EXPECT_EQ(column->shownNow(), kEightPM);
    EXPECT_EQ(bar->shownStatus(), "Prossimo: “News” alle 21:00:00 — tra 01:00:00");

    // In quarter seconds: the countdown changes exactly when the second does.
    for (int step = 1; step <= 40; ++step) {
        clock.advance(0.25);
        const double second = std::floor(clock.wallNow() + 1e-9);
        ASSERT_EQ(column->shownNow(), second) << "at " << clock.wallNow() - kEightPM;
        ASSERT_EQ(bar->shownStatus(),
                  QStringLiteral("Prossimo: “News” alle 21:00:00 — tra %1")
                      .arg(ScheduleFormat::duration(kEightPM + 3600 - second)));
    }

    // A long stretch in one go: no second is lost or drifts.
    clock.advance(1000.3);
    EXPECT_EQ(column->shownNow(), std::floor(clock.wallNow()));
    EXPECT_EQ(bar->shownStatus(), "Prossimo: “News” alle 21:00:00 — tra 00:43:10");

    // What a row shows of its block (name, planned length) reaches it on the
    // next second even when the schedule itself did not change.
    ScheduleRowView* row = column->row(schedule->events().front().id);
    EXPECT_EQ(row->shownDetail(), "durata " + ScheduleFormat::duration(600));
    news->items().front()->setOutPoint(90.0);
    news->setName(QStringLiteral("Notiziario"));
    clock.advance(1.0);
    EXPECT_EQ(row->shownTitle(), "Notiziario");
    EXPECT_EQ(row->shownDetail(), "durata " + ScheduleFormat::duration(90));

    // Off screen the timeline stops.
    const int running = clock.activeTimers();
    column->hide();
    EXPECT_EQ(clock.activeTimers(), running - 1);
    column->show();
    EXPECT_EQ(clock.activeTimers(), running);
}

TEST_F(ScheduleColumnTest, RowActionsDriveTheScheduleAndTheRowsFollowIt)
{
    auto news = block("News", {file("news", 600)});
    const ScheduleEvent first = event(Start::manual, news);
    const ScheduleEvent second = event(Start::manual, news);
    const ScheduleEvent third = event(Start::manual, news);
    makeColumn();
    EXPECT_TRUE(column->showsHint());
    EXPECT_FALSE(column->automationBar()->restartButton()->isEnabled());
    schedule->setEvents({first, second, third});
    EXPECT_FALSE(column->showsHint());
    EXPECT_TRUE(column->automationBar()->restartButton()->isEnabled());

    ScheduleRowView* top = column->row(first.id);
    EXPECT_FALSE(top->moveUpAction()->isEnabled());
    EXPECT_TRUE(top->moveDownAction()->isEnabled());
    EXPECT_FALSE(column->row(third.id)->moveDownAction()->isEnabled());
    EXPECT_EQ(top->content().background, Theme::rowDark());

    top->moveDownAction()->trigger();
    EXPECT_EQ(schedule->events()[1].id, first.id);
    EXPECT_EQ(column->rows(), (QList<ScheduleRowView*>{column->row(second.id), top, column->row(third.id)}))
        << "the same row widgets, re-ordered";
    EXPECT_EQ(top->content().background, Theme::rowLight());
    EXPECT_EQ(column->row(second.id)->content().background, Theme::rowDark());

    top->enableAction()->trigger();
    EXPECT_FALSE(schedule->events()[1].isEnabled);
    EXPECT_EQ(top->enableAction()->text(), "Attiva");
    EXPECT_EQ(top->content().status, Status::disabled);

    column->row(third.id)->deleteAction()->trigger();
    drainMainQueue();
    EXPECT_EQ(schedule->events().size(), 2u);
    EXPECT_EQ(column->row(third.id), nullptr);
    EXPECT_EQ(column->rows().size(), 2);
    EXPECT_FALSE(top->moveDownAction()->isEnabled()) << "now the last row";

    // A failed launch shows the schedule's notice under the status line.
    news->setItems({});
    QTest::mouseClick(top->launchButton(), Qt::LeftButton);
    EXPECT_EQ(column->automationBar()->shownNotice(), "Il blocco “News” è vuoto: non c'è nulla da mandare in onda.");
    QTest::mouseClick(column->automationBar()->armButton(), Qt::LeftButton);
    EXPECT_TRUE(schedule->isArmed());
    EXPECT_EQ(column->automationBar()->shownNotice(), "") << "arming clears the notice";
    EXPECT_EQ(column->automationBar()->shownStatus(), "Attiva. Nessun evento a orario fisso in arrivo.");
    QTest::mouseClick(column->automationBar()->loopButton(), Qt::LeftButton);
    EXPECT_TRUE(schedule->loops());
    EXPECT_EQ(column->automationBar()->shownStatus(),
              "Attiva. Nessun evento a orario fisso in arrivo. In loop: finito l'ultimo evento si riparte dal primo.");
}

TEST_F(ScheduleColumnTest, DroppedFilesAndSourcesBecomeOneEventEach)
{
    makeColumn();
    clock.setWallNow(kEightPM + 14.9);
    const LiveSource camera = liveSource(LiveSourceKind::srt, "Regia", "srt://10.0.0.2:9000");

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/fake/one.mp4"), QUrl::fromLocalFile("/fake/two.mov")});
    data.setText(MediaDrop::sourcePayload(camera));
    QDragEnterEvent enter(QPoint(50, 300), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(column.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_TRUE(column->isDropTargeted());
    QDropEvent drop(QPointF(50, 300), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(column.get(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction) << "never a move from a file manager";
    EXPECT_FALSE(column->isDropTargeted());

    ASSERT_TRUE(waitUntil([&] { return schedule->events().size() == 3; }));
    const auto& events = schedule->events();
    const double minute = kEightPM + 60;
    EXPECT_EQ(events[0].start, Start::fixed);
    EXPECT_EQ(events[1].start, Start::follow);
    EXPECT_EQ(events[2].start, Start::follow);
    for (const auto& e : events) {
        EXPECT_EQ(e.date, minute);
        EXPECT_TRUE(e.isEnabled);
        EXPECT_FALSE(e.blockID.has_value());
        ASSERT_TRUE(e.media);
    }
    EXPECT_EQ(events[0].media->url(), QUrl::fromLocalFile("/fake/one.mp4"));
    EXPECT_FALSE(events[0].duration.has_value());
    EXPECT_EQ(events[1].media->url(), QUrl::fromLocalFile("/fake/two.mov"));
    ASSERT_TRUE(events[2].media->liveSource());
    EXPECT_EQ(*events[2].media->liveSource(), camera);
    EXPECT_EQ(events[2].duration, 1800.0);
    EXPECT_EQ(rowOf(events[2]).shownTitle(), "Regia");
    EXPECT_EQ(rowOf(events[2]).shownDetail(), "diretta · fino a 00:30:00");
    EXPECT_EQ(schedule->block(events[2])->items().front(), events[2].media) << "played through its hidden block";

    // A drag with neither files nor text is refused and changes nothing.
    QMimeData picture;
    picture.setImageData(QImage(4, 4, QImage::Format_RGB32));
    QDragEnterEvent refused(QPoint(50, 300), Qt::CopyAction, &picture, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(column.get(), &refused);
    EXPECT_FALSE(refused.isAccepted());
    QDropEvent dropped(QPointF(50, 300), Qt::CopyAction, &picture, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(column.get(), &dropped);
    EXPECT_FALSE(dropped.isAccepted());
    drainMainQueue();
    EXPECT_EQ(schedule->events().size(), 3u);
}

// The column never asks its window for more than the narrowest side panel,
// in either language and whatever it lists, so switching the side panel
// between blocks and schedule does not move the centre column.
TEST_F(ScheduleColumnTest, AsksNoMoreThanTheNarrowestSidePanelInEitherLanguage)
{
    constexpr int kNarrowestSidePanel = 360;
    auto news = block(QStringLiteral("Telegiornale della sera con collegamenti dalle regioni"), {file(QStringLiteral("Sigla"), 30)});
    schedule->setEvents({event(Start::fixed, news, kEightPM - 600), event(Start::follow, news),
                         event(Start::manual, nullptr)});
    for (const char* language : {"en", "it"}) {
        ASSERT_TRUE(Localization::apply(QString::fromLatin1(language)));
        makeColumn();
        for (bool armed : {false, true}) {
            schedule->setArmed(armed);
            run(1.0);
            EXPECT_LE(column->sizeHint().width(), kNarrowestSidePanel) << language << (armed ? " armed" : "");
        }
        schedule->setArmed(false);
    }
}

namespace tessarin::test {

// In the narrowest side panel a done or disabled event keeps its status and
// its whole length: a line too long for the row breaks after a " · " and the
// row grows to hold the second line.
TEST_F(ScheduleColumnTest, TheStatusAndLengthLineIsNeverCutInTheNarrowestPanel)
{
    auto news = block(QStringLiteral("Telegiornale della sera con collegamenti dalle regioni"), {file("news", 600)});
    auto film = block("Film", {file("film", 1200)});
    const ScheduleEvent opening = event(Start::fixed, news, kEightPM + 30);
    ScheduleEvent spare = event(Start::manual, film);
    spare.isEnabled = false;
    spare.duration = 900;
    schedule->setEvents({opening, spare});
    makeColumn();
    schedule->setArmed(true);
    run(31);
    run(600);
    ASSERT_EQ(rowOf(opening).content().status, Status::done);

    for (int width : {360, 460}) {
        column->resize(width, 760);
        QApplication::processEvents();
        for (const ScheduleEvent& e : {opening, spare}) {
            ScheduleRowView& row = rowOf(e);
            const QString drawn = row.drawnDetail();
            EXPECT_FALSE(drawn.contains(QChar(0x2026))) << width << " " << drawn.toStdString();
            EXPECT_EQ(QString(drawn).replace(QStringLiteral("\n"), QStringLiteral(" ")), row.shownDetail()) << width;
            // Each text has the height of its lines at the width it got.
            for (const ElidedLabel* label : row.findChildren<ElidedLabel*>())
                EXPECT_GE(label->height(), label->sizeHint().height()) << width << " " << label->shownText().toStdString();
        }
        if (width == 360)
            EXPECT_TRUE(rowOf(spare).drawnDetail().contains(QLatin1Char('\n'))) << "the length on its own line";
    }
    EXPECT_EQ(rowOf(spare).shownDetail(), "Disattivato · durata 00:15:00 (limite)");
    EXPECT_FALSE(rowOf(opening).drawnDetail().contains(QLatin1Char('\n'))) << "one line where it fits";
}

} // namespace tessarin::test
