#pragma once
// The schedule views on the real schedule and playback engine: fake players,
// one hand-driven clock for the schedule's tick, the engine and the column's
// timeline, and the schedule's calendar in Rome whatever the machine's zone.
#include "automation/ScheduleController.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "media/SourceLibrary.h"
#include "platform/CaptureDevices.h"
#include "show/BrowserFiles.h"
#include "support/FakeEngine.h"
#include "ui/schedule/ScheduleColumnView.h"
#include "ui/schedule/ScheduleEventList.h"
#include "ui/schedule/ScheduleEventModel.h"

#include <gtest/gtest.h>

#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <initializer_list>
#include <memory>

namespace tessarin::test {

// 2024-05-10 20:00:00 in Rome (a Friday).
constexpr double kEightPM = 1715364000.0;

class NoCaptureDevices final : public CaptureDeviceEnumerator {
public:
    std::vector<CaptureDeviceInfo> devices() override { return {}; }
    void watch(std::function<void(bool)>) override {}
};

class ScheduleViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine = engineOnFakes(clock, settings, media, players);
        schedule = std::make_unique<ScheduleController>(engine.get(), settings, clock, [] { return rome(); });
    }

    void TearDown() override
    {
        menus.clear();
        column.reset();
        schedule.reset();
        engine.reset();
        drainMainQueue();
    }

    static ScheduleCalendar rome() { return *ScheduleCalendar::named("Europe/Rome"); }

    ScheduleColumnView& makeColumn()
    {
        column = std::make_unique<ScheduleColumnView>(*schedule, *engine, sources, browser);
        column->resize(420, 760);
        column->show();
        return *column;
    }

    // A file item whose media lasts seconds (its out point too, so the
    // block's planned length is known at once).
    std::shared_ptr<MediaFile> file(const QString& name, double seconds)
    {
        return fakeFile(*media, name, seconds);
    }

    static LiveSource liveSource(LiveSourceKind kind, const QString& name, const QString& address)
    {
        LiveSource source;
        source.kind = kind;
        source.name = name;
        source.address = address;
        return source;
    }

    std::shared_ptr<MediaBlock> block(const QString& name, std::initializer_list<std::shared_ptr<MediaFile>> items)
    {
        return appendBlock(*engine, name, items);
    }

    static ScheduleEvent event(ScheduleEvent::Start start, const std::shared_ptr<MediaBlock>& b, double date = 0,
                               ScheduleEvent::Repeat repeats = ScheduleEvent::Repeat::none)
    {
        ScheduleEvent e;
        e.id = QUuid::createUuid();
        if (b)
            e.blockID = b->id();
        e.start = start;
        e.date = date;
        e.repeats = repeats;
        return e;
    }

    // Lets time pass in tenths of a second, running the main queue between
    // steps as the event loop would.
    void run(double seconds)
    {
        runInTenths(clock, seconds);
    }

    int indexOf(const ScheduleEvent& e) const { return column->model().rowOf(e.id); }

    // The event's row as the column shows it now.
    ScheduleRow::Shown rowOf(const ScheduleEvent& e)
    {
        const int row = indexOf(e);
        EXPECT_GE(row, 0);
        return row < 0 ? ScheduleRow::Shown {} : column->model().row(row);
    }

    // Where the list draws the event's row and its parts.
    QRect rectOf(const ScheduleEvent& e) const
    {
        return column->list()->visualRect(column->model().index(indexOf(e)));
    }
    ScheduleRowDelegate::Geometry drawnRow(const ScheduleEvent& e) { return ScheduleRowDelegate::geometry(rowOf(e), rectOf(e)); }

    // A click on the row's drawn "send now" button.
    void clickLaunch(const ScheduleEvent& e)
    {
        column->list()->scrollTo(column->model().index(indexOf(e)));
        QTest::mouseClick(column->list()->viewport(), Qt::LeftButton, {},
                          column->list()->buttonRect(indexOf(e), ScheduleRowDelegate::Button::launch).center());
    }

    // The entry of the row's menu with the text (the menu lives to the end of the test).
    QAction* menuAction(const ScheduleEvent& e, const QString& text)
    {
        menus.emplace_back(column->makeRowMenu(indexOf(e)));
        for (QAction* action : menus.back()->actions()) {
            if (action->text() == text)
                return action;
        }
        ADD_FAILURE() << "no menu entry " << text.toStdString();
        return menus.back()->addAction(text);
    }

    ManualClock clock{1000.0, kEightPM};
    QTemporaryDir dir;
    Settings settings{dir.filePath("settings.ini")};
    CaptureDevices devices{std::make_shared<NoCaptureDevices>()};
    SourceLibrary sources{settings, devices};
    BrowserFiles browser;
    std::shared_ptr<FakeMedia> media = std::make_shared<FakeMedia>();
    FakePlayers players;
    std::unique_ptr<PlaylistEngine> engine;
    std::unique_ptr<ScheduleController> schedule;
    std::unique_ptr<ScheduleColumnView> column;
    std::vector<std::unique_ptr<QMenu>> menus;
};

} // namespace tessarin::test
