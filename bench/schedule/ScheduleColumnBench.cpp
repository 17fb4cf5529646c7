// The schedule column redraws the whole list on the main thread once a
// second (planned starts, every row's status and texts) and again on every
// change of the schedule. Target: one redraw of 200 events well inside a
// frame at 60 Hz (under 8 ms), so the second's tick never shows as a stutter.
// The clock here hands the timers to the benchmark, which fires the column's
// timeline directly.
#include "automation/ScheduleController.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "media/SourceLibrary.h"
#include "platform/CaptureDevices.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "platform/player/AudioOutput.h"
#include "show/BrowserFiles.h"
#include "support/FakeMediaPlayer.h"
#include "ui/schedule/ScheduleColumnView.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include <memory>
#include <vector>

using namespace tessarin;

namespace {

class BenchClock final : public Clock {
public:
    struct Entry {
        std::function<void()> tick;
        bool active = false;
    };

    class BenchTimer final : public Timer {
    public:
        explicit BenchTimer(std::shared_ptr<Entry> entry) : entry_(std::move(entry)) { }
        ~BenchTimer() override { entry_->active = false; }
        void start(double) override { entry_->active = true; }
        void stop() override { entry_->active = false; }
        bool isActive() const override { return entry_->active; }

    private:
        std::shared_ptr<Entry> entry_;
    };

    double now() const override { return now_; }
    double wallNow() const override { return now_; }
    std::unique_ptr<Timer> createTimer(std::function<void()> onTick, bool) override
    {
        auto entry = std::make_shared<Entry>();
        entry->tick = std::move(onTick);
        entries.push_back(entry);
        return std::make_unique<BenchTimer>(entry);
    }

    double now_ = 1715364000.0; // a Friday evening
    std::vector<std::shared_ptr<Entry>> entries;
};

class NoDevices final : public CaptureDeviceEnumerator {
public:
    std::vector<CaptureDeviceInfo> devices() override { return {}; }
    void watch(std::function<void(bool)>) override { }
};

struct Rig {
    explicit Rig(int events)
        : settings(dir.filePath(QStringLiteral("bench.ini")))
        , engine(clock, settings, [this] { return std::make_shared<test::FakeMediaPlayer>(clock, media); },
              std::make_shared<NullAudioOutput>())
        , schedule(&engine, settings, clock, [] { return *ScheduleCalendar::named("Europe/Rome"); })
        , devices(std::make_shared<NoDevices>())
        , sources(settings, devices)
    {
        PlaylistEngine::Blocks blocks;
        for (int b = 0; b < 20; ++b) {
            auto block = std::make_shared<MediaBlock>(QStringLiteral("Blocco %1").arg(b), QUuid::createUuid());
            MediaBlock::Items items;
            for (int i = 0; i < 5; ++i) {
                auto item = MediaFile::create(QUrl::fromLocalFile(QStringLiteral("/bench/%1-%2.mp4").arg(b).arg(i)));
                item->setOutPoint(120.0 + i);
                items.push_back(item);
            }
            block->setItems(items);
            blocks.push_back(block);
        }
        engine.setBlocks(blocks);
        std::vector<ScheduleEvent> list;
        for (int e = 0; e < events; ++e) {
            ScheduleEvent event;
            event.id = QUuid::createUuid();
            event.blockID = blocks[std::size_t(e % 20)]->id();
            event.start = e % 3 == 0 ? ScheduleEvent::Start::fixed
                : e % 3 == 1         ? ScheduleEvent::Start::follow
                                     : ScheduleEvent::Start::manual;
            event.date = clock.now_ + 600.0 * (e - events / 2);
            event.repeats = e % 9 == 0 ? ScheduleEvent::Repeat::daily : ScheduleEvent::Repeat::none;
            event.isEnabled = e % 11 != 0;
            list.push_back(event);
        }
        schedule.setEvents(list);
        const std::size_t before = clock.entries.size();
        column = std::make_unique<ScheduleColumnView>(schedule, engine, sources, browser);
        column->resize(420, 900);
        column->show();
        timeline = clock.entries.at(before);
    }

    QTemporaryDir dir;
    BenchClock clock;
    std::shared_ptr<test::FakeMedia> media = std::make_shared<test::FakeMedia>();
    Settings settings;
    PlaylistEngine engine;
    ScheduleController schedule;
    CaptureDevices devices;
    SourceLibrary sources;
    BrowserFiles browser;
    std::unique_ptr<ScheduleColumnView> column;
    std::shared_ptr<BenchClock::Entry> timeline;
};

void BM_TimelineTick(benchmark::State& state)
{
    Rig rig(int(state.range(0)));
    for (auto _ : state) {
        rig.clock.now_ += 1.0;
        rig.timeline->tick();
    }
    state.SetLabel("one whole-second redraw");
}
BENCHMARK(BM_TimelineTick)->Arg(50)->Arg(200)->Arg(500)->Unit(benchmark::kMillisecond);

void BM_EditOneEvent(benchmark::State& state)
{
    Rig rig(int(state.range(0)));
    ScheduleEvent event = rig.schedule.events()[std::size_t(state.range(0) / 2)];
    for (auto _ : state) {
        event.isEnabled = !event.isEnabled;
        rig.schedule.update(event);
    }
    state.SetLabel("enable or disable one event");
}
BENCHMARK(BM_EditOneEvent)->Arg(200)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
