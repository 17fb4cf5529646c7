#include "media/WaveformCache.h"

#include "media/FileCache.h"
#include "media/PeakBucketer.h"
#include "media/UrlTable.h"
#include "platform/MainThread.h"
#include "platform/PcmReader.h"
#include "platform/Workers.h"

#include <QHash>
#include <QPair>


#include <algorithm>
#include <functional>
#include <memory>
#include <thread>

namespace tessarin::WaveformCache {

namespace {

// Analyses of the files in use, and a few more.
FileCache<std::shared_ptr<const Analysis>>& store()
{
    // Never destroyed: it listens to FileUses for the life of the process.
    static auto* instance = new FileCache<std::shared_ptr<const Analysis>>(256);
    return *instance;
}

// Decoding is CPU-bound: as many analyses at once as there are cores, so
// that a thousand new items neither oversubscribe the machine nor hold a
// thousand decoders in memory.
Workers& analysisPool()
{
    static Workers& pool = Workers::makeAnalysisPool("Vellumcast.WaveformCache");
    return pool;
}

// Runs the rest of a reader's samples through the bucketer; false when
// decoding failed or the end of the process cut it short.
bool decodeInto(PcmReader& reader, PeakBucketer& bucketer)
{
    std::vector<float> chunk;
    while (reader.read(chunk)) {
        if (Workers::endRequested())
            return false;
        bucketer.add(chunk.data(), chunk.size());
    }
    return reader.status() == PcmReader::Status::completed;
}

} // namespace

std::optional<Analysis> extractAnalysis(const QUrl& url, std::int64_t targetCount)
{
    if (!url.isLocalFile() || targetCount < 1)
        return std::nullopt;
    const QString path = url.toLocalFile();
    PcmReader reader(path);
    if (reader.status() == PcmReader::Status::failed)
        return std::nullopt;
    // One pass, whatever length the container claims: the bucketer needs
    // no estimate of it.
    PeakBucketer bucketer(targetCount);
    if (!decodeInto(reader, bucketer) || bucketer.count() == 0)
        return std::nullopt;
    std::optional<PeakBucketer::Result> result = bucketer.finish();
    if (!result)
        return std::nullopt;
    return Analysis{std::move(result->waveform), result->peak};
}

namespace {

// The completions waiting for an analysis under way, per url and bucket
// count: a file listed twice (in the browser and in a block) is decoded
// once. Main thread only.
using Waiting = UrlTable<QPair<QUrl, int>, std::vector<std::function<void(const std::optional<Analysis>&)>>>;
Waiting& waiting()
{
    static auto* instance = new Waiting;
    return *instance;
}

} // namespace

void analyze(const QUrl& url, int samples, std::function<void(const std::optional<Analysis>&)> completion)
{
    if (const auto hit = store().value(url)) {
        completion(*hit);
        return;
    }
    const QPair<QUrl, int> key(url, samples);
    auto& completions = waiting()[key];
    completions.push_back(std::move(completion));
    if (completions.size() > 1)
        return; // an analysis is under way
    analysisPool().asyncSoon([url, samples, key] {
        Workers::lowerThreadPriority();
        std::optional<Analysis> result = extractAnalysis(url, samples);
        postToMain([url, key, result = std::move(result)] {
            if (result)
                store().insert(url, std::make_shared<const Analysis>(*result));
            auto completions = waiting().extract(key);
            if (!completions.empty()) {
                for (const auto& completion : completions.mapped())
                    completion(result);
            }
        });
    }, Workers::AtEnd::drop);
}

} // namespace tessarin::WaveformCache
