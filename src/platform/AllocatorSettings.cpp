#include "platform/AllocatorSettings.h"

#include <malloc.h>

#include <algorithm>
#include <thread>

namespace tessarin {

void applyAllocatorSettings()
{
    // Decoders, scalers and Qt allocate and free blocks of megabytes at a
    // frame's rate on many threads. glibc's default raises its mmap
    // threshold to the largest block freed (up to 32 MB), after which such
    // blocks come from the heaps, and with one heap per thread (up to eight
    // per core) freed space stays scattered where no other thread reuses it:
    // a show playing for hours grew by megabytes a minute. A fixed threshold
    // keeps blocks of a megabyte and more mapped (unmapped whole when
    // freed), and one arena per core (an eighth of the default) keeps what
    // is left in few heaps. Fewer arenas than cores made the threads that
    // analyse a big show's files (lengths, thumbnails, waveforms, one per
    // core each) and the main thread queue for the arenas' locks: a show of
    // 10,000 files took four times as long to analyse, and the window twice
    // as long to list it.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    mallopt(M_ARENA_MAX, int(std::max(2u, std::thread::hardware_concurrency())));
}

} // namespace tessarin
