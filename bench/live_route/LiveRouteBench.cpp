// The gate between a live session and the program runs on the session's
// threads for every frame (30 a second) and every audio buffer: it must cost
// one lock and unlock and allocate nothing of its own. Measured here: a frame
// through an open route into the live sink, a frame and a buffer dropped by a
// closed route, and the allocations per hand-over (counted by a replaced
// operator new, shown as the counter "allocs").
#include "engine/LiveRoute.h"
#include "media/LiveSession.h"
#include "media/LiveVideoSink.h"
#include "platform/player/PcmBuffer.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QImage>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long> allocations { 0 };

} // namespace

void* operator new(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

using namespace tessarin;

namespace {

class BenchSession final : public LiveSession {
public:
    void start() override { }
    void stop() override { }
};

QImage benchFrame()
{
    QImage frame(1280, 720, QImage::Format_RGB32);
    frame.fill(Qt::darkGreen);
    return frame;
}

// The sink's screen update is posted to the main thread once and then
// coalesced, so the frames after the first cost the lock and the copy of the
// image handle only, as they do between two screen updates.
void BM_FrameThroughOpenRoute(benchmark::State& state)
{
    auto sink = LiveVideoSink::create();
    BenchSession session;
    auto route = LiveRoute::create();
    route->connect(session, LiveRoute::programTargets(sink, {}, {}));
    const QImage frame = benchFrame();
    session.onVideo(frame, 0.0);
    const long before = allocations.load();
    for (auto _ : state)
        session.onVideo(frame, 0.0);
    state.counters["allocs"] = benchmark::Counter(double(allocations.load() - before), benchmark::Counter::kAvgIterations);
    QCoreApplication::processEvents();
}
BENCHMARK(BM_FrameThroughOpenRoute);

void BM_FrameDroppedByClosedRoute(benchmark::State& state)
{
    auto sink = LiveVideoSink::create();
    BenchSession session;
    auto route = LiveRoute::create();
    route->connect(session, LiveRoute::programTargets(sink, {}, {}));
    route->close();
    const QImage frame = benchFrame();
    const long before = allocations.load();
    for (auto _ : state)
        session.onVideo(frame, 0.0);
    state.counters["allocs"] = benchmark::Counter(double(allocations.load() - before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_FrameDroppedByClosedRoute);

void BM_BufferDroppedByClosedRoute(benchmark::State& state)
{
    BenchSession session;
    auto route = LiveRoute::create();
    route->connect(session, LiveRoute::programTargets(nullptr, {}, {}));
    route->close();
    std::shared_ptr<const PcmBuffer> buffer = PcmBuffer::create(AudioFormat::float32(48000.0, 2, false), 1920);
    const long before = allocations.load();
    for (auto _ : state)
        session.onAudio(buffer);
    state.counters["allocs"] = benchmark::Counter(double(allocations.load() - before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_BufferDroppedByClosedRoute);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
