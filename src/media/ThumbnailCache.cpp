#include "media/ThumbnailCache.h"

#include "media/FileCache.h"
#include "media/UrlTable.h"
#include "platform/FrameGrabber.h"
#include "platform/MainThread.h"
#include "platform/Workers.h"

#include <QHash>

#include <algorithm>
#include <functional>
#include <thread>
#include <vector>

namespace tessarin::ThumbnailCache {

namespace {

// Thumbnails are a few kilobytes encoded: the cache keeps those of files in
// use (an item shares its picture's bytes with it) and a few more.
FileCache<PackedPicture>& store()
{
    // Never destroyed: it listens to FileUses for the life of the process.
    static auto* instance = new FileCache<PackedPicture>(256);
    return *instance;
}

// Decoding a frame is CPU-bound and a 1080p decoder holds several frames:
// as many grabs at once as there are cores, however many items are made, at
// the lower priority of background analyses.
Workers& grabPool()
{
    static Workers& pool = Workers::makeAnalysisPool("Vellumcast.ThumbnailCache");
    return pool;
}

// The completions waiting for a grab under way, per url: a file listed
// twice (in the browser and in a block) is grabbed once and its picture
// shared. Main thread only.
UrlTable<QUrl, std::vector<std::function<void(const PackedPicture&)>>>& waiting()
{
    static auto* instance = new UrlTable<QUrl, std::vector<std::function<void(const PackedPicture&)>>>;
    return *instance;
}

} // namespace

PackedPicture cached(const QUrl& url)
{
    return store().value(url);
}

void thumbnail(const QUrl& url, std::function<void(const PackedPicture&)> completion)
{
    if (PackedPicture picture = cached(url); !picture.isNull()) {
        completion(picture);
        return;
    }
    auto& completions = waiting()[url];
    completions.push_back(std::move(completion));
    if (completions.size() > 1)
        return; // a grab is under way
    grabPool().asyncSoon([url] {
        Workers::lowerThreadPriority();
        PackedPicture picture;
        if (url.isLocalFile()) {
            if (auto frame = FrameGrabber::grab(url.toLocalFile(), 1.0, QSize(maxWidth, maxHeight)))
                picture = PackedPicture::pack(*frame);
        }
        postToMain([url, picture = std::move(picture)] {
            if (!picture.isNull())
                store().insert(url, picture);
            auto completions = waiting().extract(url);
            if (!completions.empty()) {
                for (const auto& completion : completions.mapped())
                    completion(picture);
            }
        });
    }, Workers::AtEnd::drop);
}

} // namespace tessarin::ThumbnailCache
