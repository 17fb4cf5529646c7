#pragma once
// The process's allocator settings, applied once before any thread starts so
// that every thread's allocations follow them. The program's main and the
// benchmarks that measure its memory apply the same ones.
namespace tessarin {

void applyAllocatorSettings();

} // namespace tessarin
