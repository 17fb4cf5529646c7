#include "media/DurationProbe.h"

#include "media/FileCache.h"
#include "media/UrlTable.h"
#include "platform/MainThread.h"
#include "platform/MediaInfo.h"
#include "platform/Workers.h"

#include <cmath>
#include <vector>

namespace tessarin::DurationProbe {

namespace {

// A result is a few bytes: those of files in use, and a few more.
FileCache<Result>& store()
{
    // Never destroyed: it listens to FileUses for the life of the process.
    static auto* instance = new FileCache<Result>(256);
    return *instance;
}

// The completions waiting for a probe under way, per url. Main thread only.
UrlTable<QUrl, std::vector<std::function<void(const Result&)>>>& waiting()
{
    static auto* instance = new UrlTable<QUrl, std::vector<std::function<void(const Result&)>>>;
    return *instance;
}

} // namespace

// Probes open files and read their headers, and stills are decoded for
// their thumbnails: at most as many at once as there are cores, however many
// items are made, at the lower priority of background analyses. A show of
// thousands of files would otherwise start a thread per probe (and hold a
// decoded picture per thread), up to the shared pool's cap, and leave the
// interface a sliver of the machine.
Workers& probePool()
{
    // Never destroyed: workers still running at exit may touch it.
    static Workers& pool = Workers::makeAnalysisPool("Vellumcast.MediaProbe");
    return pool;
}


void probe(const QUrl& url, std::function<void(const Result&)> completion)
{
    if (const Result kept = store().value(url); kept.known) {
        completion(kept);
        return;
    }
    auto& completions = waiting()[url];
    completions.push_back(std::move(completion));
    if (completions.size() > 1)
        return; // a probe is under way
    probePool().asyncSoon([url] {
        Workers::lowerThreadPriority();
        Result result;
        result.known = true;
        result.seconds = std::nan("");
        if (url.isLocalFile()) {
            // Opened as the players will: a file they cannot play is known
            // (and marked) before anyone takes it.
            const auto info = MediaInfo::read(url.toLocalFile(), &result.error);
            if (info)
                result.seconds = info->duration;
            result.playable = info && (!info->videoTracks.empty() || !info->audioTracks.empty());
        }
        postToMain([url, result] {
            store().insert(url, result);
            auto completions = waiting().extract(url);
            if (!completions.empty()) {
                for (const auto& completion : completions.mapped())
                    completion(result);
            }
        });
    }, Workers::AtEnd::drop);
}

} // namespace tessarin::DurationProbe
