#include "media/ShowRevision.h"

#include <algorithm>
#include <deque>

namespace tessarin::ShowRevision {
namespace {

// The items changed most recently, each with the revision of its latest
// change, newest last.
constexpr std::size_t kRemembered = 64;

struct Log {
    std::uint64_t count = 0;
    std::uint64_t lastOtherChange = 0;
    // The newest revision of the changes no longer remembered.
    std::uint64_t forgotten = 0;
    std::deque<std::pair<std::uint64_t, const MediaFile*>> files;
};

Log& log()
{
    static Log instance;
    return instance;
}

} // namespace

std::uint64_t current()
{
    return log().count;
}

void advance()
{
    Log& l = log();
    l.lastOtherChange = ++l.count;
}

void advance(const MediaFile& file)
{
    Log& l = log();
    ++l.count;
    // A slider dragged changes one item many times in a row.
    if (!l.files.empty() && l.files.back().second == &file) {
        l.files.back().first = l.count;
        return;
    }
    l.files.emplace_back(l.count, &file);
    if (l.files.size() > kRemembered) {
        l.forgotten = l.files.front().first;
        l.files.pop_front();
    }
}

std::optional<std::vector<const MediaFile*>> filesChangedSince(std::uint64_t revision)
{
    const Log& l = log();
    if (l.lastOtherChange > revision || l.forgotten > revision)
        return std::nullopt;
    std::vector<const MediaFile*> files;
    for (auto it = l.files.rbegin(); it != l.files.rend() && it->first > revision; ++it) {
        if (std::find(files.begin(), files.end(), it->second) == files.end())
            files.push_back(it->second);
    }
    return files;
}

} // namespace tessarin::ShowRevision
