#pragma once
// malloc's settings for the memory that is not the pictures' (those come
// from PixelBufferStore and never pass through malloc): the decoders' own
// buffers and set-up, the scalers, Qt. Made with mallopt inside the process,
// before any thread starts, so that every thread's allocations follow them;
// the program's main and the benchmarks that measure its memory apply the
// same ones.
namespace tessarin {

void applyAllocatorSettings();

// Hands the pages malloc holds free back to the system, in every heap
// (malloc_trim): after a large part of the program's objects went (a show
// closed), what they took is otherwise kept for later allocations, spread
// over the heaps of the threads that made them. Takes each heap's lock in
// turn; main thread, at a moment when a few milliseconds do not matter.
void releaseFreeMemory();

} // namespace tessarin
