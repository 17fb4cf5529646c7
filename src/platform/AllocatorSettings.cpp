#include "platform/AllocatorSettings.h"

#include <malloc.h>

#include <algorithm>
#include <thread>

namespace tessarin {

void applyAllocatorSettings()
{
    // Every item opened makes its decoders' buffers and set-up, blocks of
    // megabytes that libavcodec allocates and frees on its threads. glibc's
    // default raises its mmap threshold to the largest block freed (up to
    // 32 MB), after which such blocks come from the heaps, and with one heap
    // per thread (up to eight per core) freed space stays scattered where
    // no other thread reuses it: without these settings a long show grew
    // by over 100 MB in its first twenty minutes and held about 200 MB more
    // than with them (see the soak benchmark). A fixed threshold keeps
    // blocks of a megabyte and more mapped (unmapped whole when freed), and
    // one arena per core (an eighth of the default) keeps what is left in
    // few heaps. Fewer arenas than cores made the threads that analyse a big
    // show's files and the main thread queue for the arenas' locks.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    mallopt(M_ARENA_MAX, int(std::max(2u, std::thread::hardware_concurrency())));
}

} // namespace tessarin
