// The fade clock ticks 60 times a second for the life of the process on the
// main thread: one tick must cost a few microseconds at most, with nothing on
// air and during a crossfade alike. The clock here hands the engine's timers
// to the benchmark, which fires the fade clock directly.
#include "engine/PlaylistEngine.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "platform/player/AudioOutput.h"
#include "support/FakeMediaPlayer.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <memory>
#include <vector>

using namespace tessarin;

namespace {

class BenchClock final : public Clock {
public:
    struct Entry {
        std::function<void()> tick;
        double interval = 0;
        bool active = false;
    };

    class BenchTimer final : public Timer {
    public:
        explicit BenchTimer(std::shared_ptr<Entry> entry) : entry_(std::move(entry)) { }
        ~BenchTimer() override { entry_->active = false; }
        void start(double interval) override
        {
            entry_->interval = interval;
            entry_->active = true;
        }
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

    // The running timer with this interval (the fade clock: 1/60 s).
    std::shared_ptr<Entry> timerWithInterval(double interval) const
    {
        for (const auto& e : entries)
            if (e->active && std::abs(e->interval - interval) < 1e-9)
                return e;
        return nullptr;
    }

    double now_ = 1000.0;
    std::vector<std::shared_ptr<Entry>> entries;
};

struct Rig {
    Rig(TransitionStyle style)
        : settings(dir.filePath(QStringLiteral("bench.ini")))
        , engine(clock, settings, [this] { return std::make_shared<test::FakeMediaPlayer>(clock, media); },
              std::make_shared<NullAudioOutput>())
    {
        engine.setTransitionStyle(style);
        engine.setFadeSeconds(10.0);
        fadeClock = clock.timerWithInterval(1.0 / 60.0);
    }

    std::shared_ptr<MediaFile> item(const QString& name)
    {
        const QString path = QStringLiteral("/bench/") + name + QStringLiteral(".mp4");
        auto file = MediaFile::create(QUrl::fromLocalFile(path));
        file->setPlayableURL(QUrl::fromLocalFile(path));
        file->setDuration(3600.0);
        return file;
    }

    QTemporaryDir dir;
    BenchClock clock;
    std::shared_ptr<test::FakeMedia> media = std::make_shared<test::FakeMedia>();
    Settings settings;
    PlaylistEngine engine;
    std::shared_ptr<BenchClock::Entry> fadeClock;
};

void tickLoop(benchmark::State& state, Rig& rig, double step)
{
    if (!rig.fadeClock) {
        state.SkipWithError("no fade clock");
        return;
    }
    for (auto _ : state) {
        rig.clock.now_ += step;
        rig.fadeClock->tick();
    }
}

void BM_FadeTickIdle(benchmark::State& state)
{
    Rig rig(TransitionStyle::fade);
    tickLoop(state, rig, 1.0 / 60.0);
}
BENCHMARK(BM_FadeTickIdle);

void BM_FadeTickIdleCut(benchmark::State& state)
{
    Rig rig(TransitionStyle::cut);
    tickLoop(state, rig, 1.0 / 60.0);
}
BENCHMARK(BM_FadeTickIdleCut);

void BM_FadeTickCrossfade(benchmark::State& state)
{
    Rig rig(TransitionStyle::fade);
    rig.media->defaultDuration = 3600.0;
    auto block = std::make_shared<MediaBlock>(QStringLiteral("Bench"), QUuid::createUuid());
    auto a = rig.item(QStringLiteral("a"));
    auto b = rig.item(QStringLiteral("b"));
    block->setItems({ a, b });
    rig.engine.setBlocks({ block });
    rig.engine.play(block);
    rig.clock.now_ += 20.0;
    rig.engine.playNext(); // a 10 s crossfade; the loop stays inside it
    // Time moves by a microsecond a tick, so every tick computes new gains and a new mix.
    tickLoop(state, rig, 1e-6);
    if (rig.engine.mix().current() <= 0.0 || rig.engine.mix().current() >= 1.0)
        state.SkipWithError("the crossfade ended during the run");
}
BENCHMARK(BM_FadeTickCrossfade);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
