// The schedule column driven through the real schedule and engine: the
// statuses it decides over an evening, its whole-second timeline, its rows'
// actions and the events it makes from drops.
#include "ScheduleViewFixture.h"

#include "media/MediaDrop.h"
#include "platform/Localization.h"
#include "support/PaintRecorder.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Theme.h"
#include "ui/schedule/ScheduleAutomationBar.h"
#include "ui/schedule/ScheduleFormat.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QScrollBar>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

using namespace tessarin;
using namespace tessarin::test;
using Status = ScheduleRow::Status;
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

    EXPECT_EQ(rowOf(opening).content.status, Status::waiting);
    EXPECT_EQ(rowOf(after).content.status, Status::waiting);
    EXPECT_EQ(rowOf(past).content.status, Status::missed);
    EXPECT_EQ(rowOf(past).detail, "Saltato · durata 00:10:00");
    EXPECT_EQ(rowOf(spare).content.status, Status::disabled);
    EXPECT_EQ(rowOf(spare).time, "MANUALE");
    EXPECT_EQ(rowOf(spare).caption, "parte a mano");
    EXPECT_EQ(rowOf(spare).detail, "Disattivato · durata 00:20:00");
    EXPECT_EQ(rowOf(orphan).content.status, Status::missingBlock);
    EXPECT_EQ(rowOf(orphan).title, "Blocco mancante");
    EXPECT_EQ(rowOf(orphan).detail, "Il blocco è stato eliminato");
    EXPECT_FALSE(menuAction(orphan, "Manda in onda adesso")->isEnabled());
    EXPECT_EQ(rowOf(daily).content.status, Status::waiting) << "a repeating event is never missed";
    EXPECT_EQ(rowOf(daily).time, "19:00:00");
    EXPECT_EQ(rowOf(daily).caption, "ogni giorno");
    EXPECT_EQ(rowOf(opening).time, "20:00:30");
    EXPECT_EQ(rowOf(opening).caption, "ven 10 mag");
    EXPECT_EQ(rowOf(after).time, "≈ 20:10:30") << "follows the ten minutes of the event before it";
    EXPECT_EQ(rowOf(after).caption, "a seguire");
    // Each row plans its start as the schedule plans the whole list, also
    // through a disabled event and after a manual one.
    ScheduleEvent chained = event(Start::follow, news);
    schedule->setEvents({opening, after, spare, chained, orphan, event(Start::follow, film), daily, past});
    const auto planned = schedule->plannedStartList(column->shownNow());
    for (std::size_t i = 0; i < planned.size(); ++i)
        EXPECT_EQ(column->model().row(int(planned.size() - 1 - i)).content.plannedStart, planned[planned.size() - 1 - i]) << i;
    EXPECT_TRUE(planned[3].has_value()) << "follows the film past the disabled event";
    schedule->setEvents({opening, after, past, spare, orphan, daily});

    run(31);
    EXPECT_EQ(rowOf(opening).content.status, Status::running);
    EXPECT_TRUE(drawnRow(opening).badge.isValid());
    EXPECT_EQ(rowOf(opening).detail, "durata 00:10:00");
    EXPECT_FALSE(drawnRow(after).badge.isValid());

    run(600); // the news ends and the follow event takes over
    EXPECT_EQ(rowOf(opening).content.status, Status::done);
    EXPECT_EQ(rowOf(opening).detail, "Andato in onda · durata 00:10:00");
    EXPECT_EQ(rowOf(after).content.status, Status::running);

    // A disabled event still goes on air from its own button.
    clickLaunch(spare);
    EXPECT_EQ(rowOf(spare).content.status, Status::running);
    EXPECT_EQ(rowOf(after).content.status, Status::done);

    // The operator puts another block on air from the playlist: the event
    // is no longer the one on air.
    engine->play(news);
    EXPECT_EQ(rowOf(spare).content.status, Status::disabled);
    EXPECT_FALSE(drawnRow(spare).badge.isValid());

    // Starting over forgets what went on air; what plays goes on.
    QTest::mouseClick(column->automationBar()->restartButton(), Qt::LeftButton);
    EXPECT_EQ(rowOf(opening).content.status, Status::missed);
    EXPECT_EQ(rowOf(after).content.status, Status::waiting);
    EXPECT_TRUE(engine->isPlaying());

    // Loading another show replaces every row.
    schedule->load({}, false);
    drainMainQueue();
    EXPECT_EQ(column->model().rowCount(), 0);
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
    const ScheduleEvent shown = schedule->events().front();
    EXPECT_EQ(rowOf(shown).detail, "durata " + ScheduleFormat::duration(600));
    news->items().front()->setOutPoint(90.0);
    news->setName(QStringLiteral("Notiziario"));
    clock.advance(1.0);
    EXPECT_EQ(rowOf(shown).title, "Notiziario");
    EXPECT_EQ(rowOf(shown).detail, "durata " + ScheduleFormat::duration(90));

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

    EXPECT_FALSE(menuAction(first, "Sposta su")->isEnabled());
    EXPECT_TRUE(menuAction(first, "Sposta giù")->isEnabled());
    EXPECT_FALSE(menuAction(third, "Sposta giù")->isEnabled());
    EXPECT_EQ(rowOf(first).content.background, Theme::rowDark());

    // The current row moves with its event.
    column->list()->setCurrentIndex(column->model().index(0));
    menuAction(first, "Sposta giù")->trigger();
    EXPECT_EQ(schedule->events()[1].id, first.id);
    EXPECT_EQ(indexOf(second), 0);
    EXPECT_EQ(indexOf(first), 1);
    EXPECT_EQ(indexOf(third), 2);
    EXPECT_EQ(column->list()->currentIndex().row(), 1);
    EXPECT_EQ(rowOf(first).content.background, Theme::rowLight());
    EXPECT_EQ(rowOf(second).content.background, Theme::rowDark());

    menuAction(first, "Disattiva")->trigger();
    EXPECT_FALSE(schedule->events()[1].isEnabled);
    EXPECT_EQ(rowOf(first).content.status, Status::disabled);
    menuAction(first, "Attiva"); // the entry now says the opposite

    menuAction(third, "Elimina")->trigger();
    drainMainQueue();
    EXPECT_EQ(schedule->events().size(), 2u);
    EXPECT_EQ(indexOf(third), -1);
    EXPECT_EQ(column->model().rowCount(), 2);
    EXPECT_FALSE(menuAction(first, "Sposta giù")->isEnabled()) << "now the last row";

    // By keyboard: the list takes focus, Down moves the current row, the
    // context-menu key opens that row's menu.
    column->list()->setFocus();
    column->list()->setCurrentIndex(column->model().index(0));
    QTest::keyClick(column->list(), Qt::Key_Down);
    QTest::keyClick(column->list(), Qt::Key_F10, Qt::ShiftModifier);
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->actions().front()->text(), "Manda in onda adesso");
    const auto entries = popup->actions();
    const auto moveDown = std::find_if(entries.begin(), entries.end(), [](QAction* a) { return a->text() == "Sposta giù"; });
    ASSERT_NE(moveDown, entries.end());
    EXPECT_FALSE((*moveDown)->isEnabled()) << "the menu of the second, now last, row";
    popup->close();

    // A failed launch shows the schedule's notice under the status line.
    news->setItems({});
    clickLaunch(first);
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

// The drawn rows keep the help texts of their parts: the launch button's and
// the status bar's, shown as tooltips where the pointer rests.
TEST_F(ScheduleColumnTest, TheDrawnRowsShowTheHelpOfTheLaunchButtonAndTheStatusBar)
{
    auto news = block("News", {file("news", 600)});
    const ScheduleEvent first = event(Start::manual, news);
    makeColumn();
    schedule->setEvents({first});
    column->show();
    ScheduleEventList* list = column->list();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    const QRect row = list->visualRect(column->model().index(0));
    struct Case {
        QPoint at;
        QString help;
    };
    for (const Case& c : { Case { row.center(), QString() },
                           Case { list->buttonRect(0, ScheduleRowDelegate::Button::launch).center(), "Manda in onda adesso" },
                           Case { QPoint(row.left() + 1, row.center().y()), "In attesa" } }) {
        QHelpEvent help(QEvent::ToolTip, c.at, list->viewport()->mapToGlobal(c.at));
        QCoreApplication::sendEvent(list->viewport(), &help);
        EXPECT_EQ(QToolTip::isVisible() ? QToolTip::text() : QString(), c.help) << c.at.x();
        QToolTip::hideText();
        ASSERT_TRUE(waitUntil([] { return !QToolTip::isVisible(); }));
    }
    EXPECT_EQ(column->model().data(column->model().index(0), Qt::ToolTipRole).toString(), "In attesa");
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
    QSignalSpy edits(&*schedule, &ScheduleController::eventsChanged);
    QDropEvent drop(QPointF(50, 300), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(column.get(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction) << "never a move from a file manager";
    EXPECT_FALSE(column->isDropTargeted());

    ASSERT_TRUE(waitUntil([&] { return schedule->events().size() == 3; }));
    EXPECT_EQ(edits.count(), 1) << "the whole drop is one change of the list";
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
    EXPECT_EQ(rowOf(events[2]).title, "Regia");
    EXPECT_EQ(rowOf(events[2]).detail, "diretta · fino a 00:30:00");
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
    ASSERT_EQ(rowOf(opening).content.status, Status::done);

    for (int width : {360, 460}) {
        column->resize(width, 760);
        QApplication::processEvents();
        for (const ScheduleEvent& e : {opening, spare}) {
            const QString drawn = drawnRow(e).detailLines.join(QLatin1Char('\n'));
            EXPECT_FALSE(drawn.contains(QChar(0x2026))) << width << " " << drawn.toStdString();
            EXPECT_EQ(QString(drawn).replace(QStringLiteral("\n"), QStringLiteral(" ")), rowOf(e).detail) << width;
            // The row has the height of its lines at the width it got.
            const auto g = drawnRow(e);
            EXPECT_TRUE(rectOf(e).contains(g.detail.adjusted(0, 0, -1, -1))) << width << " " << drawn.toStdString();
        }
        if (width == 360)
            EXPECT_EQ(drawnRow(spare).detailLines.size(), 2) << "the length on its own line";
    }
    EXPECT_EQ(rowOf(spare).detail, "Disattivato · durata 00:15:00 (limite)");
    EXPECT_EQ(drawnRow(opening).detailLines.size(), 1) << "one line where it fits";
}

} // namespace tessarin::test

// A list longer than the column: the rows stay clear of the scroll bar that
// came with them, screen readers see every row at its own place as a list
// item, those in view shown, with the focus on the current one, and a row
// whose text changes on a tick is the only one painted again.
TEST_F(ScheduleColumnTest, ALongListShowsAndTellsTheRowsInViewAndRepaintsOnlyTheRowThatChanged)
{
    auto news = block("News", {file("news", 600)});
    auto film = block("Film", {file("film", 1200)});
    std::vector<ScheduleEvent> events {event(Start::manual, news), event(Start::manual, film)};
    schedule->setEvents(events);
    makeColumn();
    ScheduleEventList* list = column->list();
    ASSERT_FALSE(list->verticalScrollBar()->isVisible());
    for (int i = 0; i < 60; ++i)
        events.push_back(event(Start::manual, news));
    schedule->setEvents(events);
    QApplication::processEvents();
    ASSERT_TRUE(list->verticalScrollBar()->isVisible());
    const QRect viewport = list->viewport()->rect();
    for (const ScheduleEvent& e : {events[0], events[1], events[2]})
        EXPECT_LE(rectOf(e).right(), viewport.right()) << "under the scroll bar";

    QAccessibleInterface* rows = QAccessible::queryAccessibleInterface(list);
    ASSERT_EQ(rows->childCount(), int(events.size()));
    QStringList names;
    for (int i = 0; i < rows->childCount(); ++i) {
        EXPECT_EQ(rows->child(i)->role(), QAccessible::ListItem);
        EXPECT_EQ(rows->indexOfChild(rows->child(i)), i);
        if (!rows->child(i)->state().invisible)
            names.append(rows->child(i)->text(QAccessible::Name));
    }
    const int inView = viewport.height() / rectOf(events[0]).height() + 1;
    EXPECT_LE(names.size(), inView);
    EXPECT_EQ(names.value(1), rowOf(events[1]).accessibleName);
    list->setFocus();
    list->setCurrentIndex(column->model().index(1));
    EXPECT_FALSE(rows->state().focused);
    ASSERT_NE(rows->focusChild(), nullptr);
    EXPECT_EQ(rows->focusChild()->text(QAccessible::Name), rowOf(events[1]).accessibleName);

    QApplication::processEvents();
    PaintRecorder recorder(list->viewport());
    film->setName(QStringLiteral("Cinema"));
    run(1.0);
    ASSERT_TRUE(waitUntil([&] { return !recorder.painted.isEmpty(); }));
    EXPECT_TRUE((recorder.painted - rectOf(events[1])).isEmpty()) << recorder.painted.boundingRect().height();
    EXPECT_TRUE(rows->focusChild()->text(QAccessible::Name).contains("Cinema"));
}
