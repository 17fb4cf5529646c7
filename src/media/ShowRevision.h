#pragma once
// The revision of what a show saves: one count for the whole program, moved
// on by every change to a value that a show file holds (an item's clip
// settings, a block's settings and item list, the list of blocks, an
// overlay layer's file and placement, the schedule and its loop switch, the
// browser's list). Whoever keeps a copy of the show (the change watcher)
// compares it with the running show again only when the count has moved
// since it last looked. A change to an object outside the open show moves
// it too: that costs one comparison, never a missed change. Main thread.
#include <cstdint>

namespace tessarin::ShowRevision {

std::uint64_t current();
void advance();

// Moves the count on when a stored value is about to take another one
// (NaN never equals itself, so it always counts).
template <typename T>
void advanceIfChanging(const T& stored, const T& value)
{
    if (!(stored == value))
        advance();
}

} // namespace tessarin::ShowRevision
