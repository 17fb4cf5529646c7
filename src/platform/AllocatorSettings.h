#pragma once
// malloc's settings for the memory that is not the pictures' (those come
// from PixelBufferStore and never pass through malloc): the decoders' own
// buffers and set-up, the scalers, Qt. Made with mallopt inside the process,
// before any thread starts, so that every thread's allocations follow them;
// the program's main and the benchmarks that measure its memory apply the
// same ones.
namespace tessarin {

void applyAllocatorSettings();

} // namespace tessarin
