#include "platform/AllocatorSettings.h"

#include <malloc.h>
#if __has_include(<mimalloc.h>)
#include <mimalloc.h>
// Present only where the program links mimalloc (not the sanitizer builds
// nor the tests).
#pragma weak mi_option_set
#define TESSARIN_HAS_MIMALLOC_HEADER 1
#endif

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace tessarin {

void applyAllocatorSettings()
{
    // The program links mimalloc (cmake/Allocator.cmake), which serves its
    // malloc in place of glibc's: what follows then governs glibc's malloc
    // only where it still serves, the sanitizer builds and the tests. With
    // glibc's malloc, while a big show was analysed beside one busy process
    // per core, the main thread queued for the heap locks it shared with the
    // analysis threads (freeing and copying their results, a waveform, on
    // the main thread; with a heap per core, some of those threads also
    // allocate from the main thread's own heap): 5.1 s of 12 blocked on
    // locks, a take delayed up to 2.2 s. mimalloc gives every thread a heap
    // of its own and frees another thread's memory without a lock; its
    // freed pages go back to the system by themselves. Over the hour of the
    // memory soak it stays level, about 90 MB above glibc's at the same
    // moment (see the benchmarks' README): the price of threads that never
    // wait on one another's heap.
    //
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

#ifdef TESSARIN_HAS_MIMALLOC_HEADER
    // mimalloc returns freed pages to the system 25 ms after they are freed
    // and takes them back when they are needed again: each a change of the
    // process's memory map, under its one lock. The threads that analyse a
    // big show's files (at the lowest priority) made 1,500 such changes in
    // 15 s beside busy processes, and one of them preempted with the lock,
    // or queued for it, held every other thread that touched the map: the
    // main thread waited up to 1.7 s on it, 1.1 s of that in a take.
    // Pages freed and wanted again within a second now stay (16 times
    // fewer changes); what stays unused is still returned, a second later.
    // A delay set in the environment is left as it is.
    if (&mi_option_set != nullptr && std::getenv("MIMALLOC_DECOMMIT_DELAY") == nullptr)
        mi_option_set(mi_option_decommit_delay, 1000);
#endif
}

} // namespace tessarin
