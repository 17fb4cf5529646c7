// The schedule column redraws on the main thread once a second and again on
// every change of the schedule. Goals, on the main thread's CPU clock, the
// event loop's layout and painting after each call included: at 5,000
// events the column's tick and enabling or disabling one event each cost at
// most 0.5 ms, and both grow linearly: each doubling from 1,000 to 2,000 to
// 4,000 events at most 2.3 times. The reference printed with each size,
// measured in the same run, is the schedule's own share: one planned-starts
// pass over the list. The clock here hands the timers to the benchmark,
// which fires the column's timeline directly. An edit of the list (one
// event added, removed or moved) costs at 20,000 events at most 3 times what
// it costs at 100; a drop of 1,000 files at most 100 ms. Exits with 0 only
// when every goal is met.
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

#include "../common/MainThreadProfile.h"

#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
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

// Main-thread CPU milliseconds of one call of work followed by the event
// loop's own work (layout, painting), the median of rounds.
template <typename Work>
double perCall(int rounds, Work&& work)
{
    std::vector<double> costs;
    for (int i = 0; i < rounds; ++i) {
        const double before = bench::threadCpuSeconds();
        work();
        QCoreApplication::processEvents();
        costs.push_back((bench::threadCpuSeconds() - before) * 1000.0);
    }
    std::sort(costs.begin(), costs.end());
    return costs[costs.size() / 2];
}

struct Figures {
    double tick = 0, planned = 0, toggle = 0;
};

Figures measure(int events)
{
    Rig rig(events);
    QCoreApplication::processEvents();
    const int rounds = events >= 1000 ? 40 : 100;
    Figures f;
    f.tick = perCall(rounds, [&] {
        rig.clock.now_ += 1.0;
        rig.timeline->tick();
    });
    f.planned = perCall(rounds, [&] {
        rig.clock.now_ += 1.0;
        const auto planned = rig.schedule.plannedStartList(rig.clock.now_);
        if (planned.size() != std::size_t(events))
            std::abort();
    });
    ScheduleEvent event = rig.schedule.events()[std::size_t(events / 2)];
    f.toggle = perCall(rounds, [&] {
        event.isEnabled = !event.isEnabled;
        rig.schedule.update(event);
    });
    std::printf("%5d events: tick %.3f ms, enable/disable one %.3f ms; reference (planned starts alone) %.3f ms\n",
                events, f.tick, f.toggle, f.planned);
    std::fflush(stdout);
    return f;
}

// One edit of the list (an event added at the end, that event removed, one
// event moved a place) and one drop of 1,000 files, each with the column's
// layout and painting after it.
struct Edits {
    double add = 0, remove = 0, move = 0;
};

Edits measureEdits(int events)
{
    Rig rig(events);
    QCoreApplication::processEvents();
    const int rounds = events >= 5000 ? 15 : 40;
    Edits e;
    std::vector<double> adds, removes;
    for (int i = 0; i < rounds; ++i) {
        ScheduleEvent event = rig.schedule.events().front();
        event.id = QUuid::createUuid();
        adds.push_back(perCall(1, [&] { rig.schedule.add(event); }));
        removes.push_back(perCall(1, [&] { rig.schedule.remove(event); }));
    }
    std::sort(adds.begin(), adds.end());
    std::sort(removes.begin(), removes.end());
    e.add = adds[adds.size() / 2];
    e.remove = removes[removes.size() / 2];
    e.move = perCall(rounds, [&] {
        const ScheduleEvent middle = rig.schedule.events()[std::size_t(events / 2)];
        rig.schedule.moveEvent(middle, 1);
    });
    std::printf("%5d events: add one %.3f ms, remove one %.3f ms, move one %.3f ms\n", events, e.add, e.remove,
                e.move);
    std::fflush(stdout);
    return e;
}

double measureDrop(int events, int files)
{
    Rig rig(events);
    QCoreApplication::processEvents();
    std::vector<std::shared_ptr<MediaFile>> items;
    for (int i = 0; i < files; ++i)
        items.push_back(MediaFile::create(QUrl::fromLocalFile(QStringLiteral("/bench/dropped-%1.mp4").arg(i))));
    const double cost = perCall(1, [&] { rig.column->addDropped(items); });
    if (rig.schedule.events().size() != std::size_t(events + files))
        std::abort();
    std::printf("%5d files dropped on %d events: %.3f ms\n", files, events, cost);
    std::fflush(stdout);
    return cost;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    std::printf("main-thread CPU per call (median), the event loop's layout and painting included\n");
    measure(10);
    measure(100);
    const Figures one = measure(1000);
    const Figures two = measure(2000);
    const Figures four = measure(4000);
    const Figures five = measure(5000);
    std::printf("edits of the list, main-thread CPU per edit (median)\n");
    const Edits small = measureEdits(100);
    measureEdits(5000);
    const Edits large = measureEdits(20000);
    const double drop = measureDrop(100, 1000);
    bool met = true;
    const auto judge = [&](const char* what, double value, double goal, const char* unit) {
        const bool ok = value <= goal;
        met = met && ok;
        std::printf("%s %.3f%s (goal <= %.1f%s): %s\n", what, value, unit, goal, unit, ok ? "met" : "NOT MET");
    };
    judge("tick at 5,000 events", five.tick, 0.5, " ms");
    judge("enable/disable at 5,000 events", five.toggle, 0.5, " ms");
    judge("tick 2,000 / 1,000 events", two.tick / one.tick, 2.3, "x");
    judge("tick 4,000 / 2,000 events", four.tick / two.tick, 2.3, "x");
    judge("enable/disable 2,000 / 1,000 events", two.toggle / one.toggle, 2.3, "x");
    judge("enable/disable 4,000 / 2,000 events", four.toggle / two.toggle, 2.3, "x");
    const auto worst = [](const Edits& e) { return std::max({ e.add, e.remove, e.move }); };
    judge("worst edit 20,000 / 100 events", worst(large) / std::max(worst(small), 0.05), 3.0, "x");
    judge("drop of 1,000 files", drop, 100.0, " ms");
    return met ? 0 : 1;
}
