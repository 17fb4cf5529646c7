// The change watcher encodes the whole show on the main thread every 1.5 s;
// opening decodes it once. These measure both for a large show: 100 blocks
// of 50 items, 500 browser files and 200 schedule entries. The watcher's
// share of the main thread is its time divided by 1.5 s.
#include "show/ShowChangeTracker.h"
#include "show/ShowDocument.h"

#include "platform/Json.h"

#include <benchmark/benchmark.h>

using namespace tessarin;

namespace {

ShowDocument::Item item(int n)
{
    ShowDocument::Item it;
    it.path = QStringLiteral("/home/operator/Shows/Serata/media/clip %1.mov").arg(n);
    it.loop = n % 7 == 0;
    it.isMuted = false;
    it.gainDB = -3.5 + n % 5;
    it.inPoint = 1.25 * (n % 3);
    if (n % 2)
        it.outPoint = 30.0 + n;
    return it;
}

ShowDocument largeShow(int blocks, int itemsPerBlock, int browser, int entries)
{
    ShowDocument doc;
    for (int i = 0; i < browser; ++i)
        doc.browser.push_back(item(i));
    for (int b = 0; b < blocks; ++b) {
        ShowDocument::Block block;
        block.id = json::uuidText(QUuid::createUuid());
        block.name = QStringLiteral("Blocco %1").arg(b);
        for (int i = 0; i < itemsPerBlock; ++i)
            block.items.push_back(item(b * itemsPerBlock + i));
        doc.blocks.push_back(block);
    }
    doc.layers = {ShowDocument::Layer {}, ShowDocument::Layer {}};
    std::vector<ShowDocument::ScheduleEntry> schedule;
    for (int e = 0; e < entries; ++e) {
        ShowDocument::ScheduleEntry entry;
        entry.id = json::uuidText(QUuid::createUuid());
        entry.blockID = *doc.blocks[e % blocks].id;
        entry.start = QStringLiteral("fixed");
        entry.date = 1.7e9 + e * 600.0;
        schedule.push_back(entry);
    }
    doc.schedule = schedule;
    doc.scheduleLoops = false;
    return doc;
}

void BM_Snapshot(benchmark::State& state)
{
    const ShowDocument doc = largeShow(100, 50, 500, 200);
    qsizetype size = 0;
    for (auto _ : state) {
        const QString snapshot = ShowChangeTracker::snapshotOf(doc);
        size = snapshot.size();
        benchmark::DoNotOptimize(snapshot);
    }
    state.counters["chars"] = static_cast<double>(size);
}
BENCHMARK(BM_Snapshot)->Unit(benchmark::kMillisecond);

void BM_ReadShowFile(benchmark::State& state)
{
    const QByteArray bytes = *largeShow(100, 50, 500, 200).toJson(ShowDocument::Layout::pretty);
    for (auto _ : state) {
        auto doc = ShowDocument::fromJson(bytes);
        benchmark::DoNotOptimize(doc);
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_ReadShowFile)->Unit(benchmark::kMillisecond);

} // namespace
