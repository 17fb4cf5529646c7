#pragma once
// The process's allocator settings, applied once before any thread starts so
// that every thread's allocations follow them. The program's main and the
// benchmarks that measure its memory apply the same ones.
namespace tessarin {

// Some settings are read by the C library only as the process starts: when
// they are missing, the process starts itself again (same process, same
// arguments) with them, and the call returns only in the process that has
// them, or when starting again failed.
void applyAllocatorSettings(char* argv[]);

} // namespace tessarin
