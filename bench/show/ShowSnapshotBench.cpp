// The change watcher's check, every 1.5 s on the main thread, for a show of
// 10,000 items in 10 blocks, the same number of files in the browser and 200
// schedule events: the running show is made into its document and compared
// with the saved one. Goal: under 4 ms of the main thread's CPU per check.
// The reference, measured in the same run on the same show, is what the
// check used to do: the same document encoded as compact JSON and the text
// compared with the saved text. Reading the show's file is printed too.
// Exits with 0 only when the goal is met.
#include "../common/MainThreadProfile.h"
#include "automation/ScheduleModels.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "show/ShowChangeTracker.h"
#include "show/ShowDocument.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace tessarin;

namespace {

constexpr int kItems = 10000;
constexpr int kBlocks = 10;
constexpr int kEvents = 200;

std::shared_ptr<MediaFile> file(int n)
{
    auto item = MediaFile::create(
        QUrl::fromLocalFile(QStringLiteral("/home/operator/Shows/Serata/media/clip %1.mov").arg(n)));
    item->setLoop(n % 7 == 0);
    item->setGainDB(-3.5 + n % 5);
    return item;
}

// Main-thread CPU milliseconds of work, the median of rounds.
template <typename Work>
double median(int rounds, Work&& work)
{
    std::vector<double> costs;
    for (int i = 0; i < rounds; ++i) {
        const double before = bench::threadCpuSeconds();
        work();
        costs.push_back((bench::threadCpuSeconds() - before) * 1000.0);
    }
    std::sort(costs.begin(), costs.end());
    return costs[costs.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<std::shared_ptr<MediaFile>> browser;
    std::vector<std::shared_ptr<MediaBlock>> blocks;
    for (int b = 0; b < kBlocks; ++b) {
        auto block = std::make_shared<MediaBlock>(QStringLiteral("Blocco %1").arg(b + 1), QUuid::createUuid());
        MediaBlock::Items items;
        for (int i = 0; i < kItems / kBlocks; ++i)
            items.push_back(file(b * (kItems / kBlocks) + i));
        block->setItems(items);
        blocks.push_back(block);
    }
    for (int i = 0; i < kItems; ++i)
        browser.push_back(file(i));
    std::vector<ScheduleEvent> schedule;
    for (int e = 0; e < kEvents; ++e) {
        ScheduleEvent event;
        event.id = QUuid::createUuid();
        event.blockID = blocks[std::size_t(e % kBlocks)]->id();
        event.start = ScheduleEvent::Start::fixed;
        event.date = 1.7e9 + e * 600.0;
        schedule.push_back(event);
    }
    const auto document = [&] { return ShowDocument::build(blocks, {}, schedule, false, browser, std::nullopt); };

    const ShowDocument saved = document();
    const QString savedText = ShowChangeTracker::snapshotOf(saved);
    bool dirty = false;
    const double check = median(21, [&] { dirty = !(document() == saved); });
    const double reference = median(11, [&] { dirty = dirty || ShowChangeTracker::snapshotOf(document()) != savedText; });
    const QByteArray bytes = *saved.toJson(ShowDocument::Layout::pretty);
    const double read = median(5, [&] {
        if (!ShowDocument::fromJson(bytes))
            std::abort();
    });
    if (dirty)
        std::abort();

    std::printf("a show of %d items in %d blocks, %d files in the browser, %d events (%lld bytes as a file)\n",
                kItems, kBlocks, kItems, kEvents, static_cast<long long>(bytes.size()));
    std::printf("change watcher, main-thread CPU per check: %.2f ms; reference (encode and compare the text) "
                "%.2f ms\n", check, reference);
    std::printf("reading the show's file: %.1f ms\n", read);
    const bool met = check < 4.0;
    std::printf("check under 4 ms: %s\n", met ? "met" : "NOT MET");
    return met ? 0 : 1;
}
