#include "platform/AllocatorSettings.h"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace tessarin {

namespace {

// The heaps on huge pages where the kernel gives them on request
// (transparent huge pages in "madvise" mode, the usual default). A big show
// keeps hundreds of megabytes of small objects (its items, their rows and
// widgets) that the main thread walks at every take and repaint; on 4 KB
// pages those walks miss the address cache at nearly every object, and a
// take in a 10,000-item show cost two fifths more main-thread time than on
// huge pages. glibc reads this only from the environment, at the process's
// start.
constexpr const char* kTunables = "GLIBC_TUNABLES";
constexpr const char* kHugePages = "glibc.malloc.hugetlb=";

void startAgainWithHugePages(char* argv[])
{
    const char* tunables = std::getenv(kTunables);
    // Whatever the environment already says of huge pages is kept.
    if (!argv || !argv[0] || (tunables && std::strstr(tunables, kHugePages)))
        return;
    std::string value = std::string(kHugePages) + "1";
    if (tunables && *tunables)
        value = std::string(tunables) + ":" + value;
    // The program's file by its path (under a tool that runs programs in
    // its own process, /proc/self/exe itself is the tool).
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0 || setenv(kTunables, value.c_str(), 1) != 0)
        return;
    path[length] = '\0';
    execv(path, argv);
    // Not started again: this process goes on with its heaps as they are.
}

} // namespace

void applyAllocatorSettings(char* argv[])
{
    startAgainWithHugePages(argv);
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
