#pragma once
// What this machine offers to background work: its cores and the memory it
// can give without swapping. Work that grows with both (clip renders) sizes
// itself from these. Any thread.
#include <cstdint>

namespace tessarin::MachineResources {

// Cores the process may run on; at least 1.
int cores();

// Bytes of memory that can be had now without swapping (the kernel's
// MemAvailable); 0 when unknown.
std::int64_t availableMemory();

} // namespace tessarin::MachineResources
