#pragma once
// The revision of what a show saves: one count for the whole program, moved
// on by every change to a value that a show file holds (an item's clip
// settings, a block's settings and item list, the list of blocks, an
// overlay layer's file and placement, the schedule and its loop switch, the
// browser's list). Whoever keeps a copy of the show (the change watcher)
// compares it with the running show again only when the count has moved
// since it last looked. A change to an object outside the open show moves
// it too: that costs one comparison, never a missed change.
//
// Changes to items' clip settings name their item, so that a copy of the
// show can be brought up to date by those items alone when nothing else
// changed (filesChangedSince). Main thread.
#include <cstdint>
#include <optional>
#include <vector>

namespace tessarin {
class MediaFile;
}

namespace tessarin::ShowRevision {

std::uint64_t current();
// Any change but an item's clip settings.
void advance();
// A change to file's clip settings.
void advance(const MediaFile& file);

// Moves the count on when a stored value is about to take another one
// (NaN never equals itself, so it always counts).
template <typename T>
void advanceIfChanging(const T& stored, const T& value)
{
    if (!(stored == value))
        advance();
}
template <typename T>
void advanceIfChanging(const MediaFile& file, const T& stored, const T& value)
{
    if (!(stored == value))
        advance(file);
}

// The items whose clip settings changed after revision (each once), when
// nothing else did; nullopt when something else changed since, or when more
// items changed than are remembered. The items are for comparing with the
// ones a show lists: one may have gone since.
std::optional<std::vector<const MediaFile*>> filesChangedSince(std::uint64_t revision);

} // namespace tessarin::ShowRevision
