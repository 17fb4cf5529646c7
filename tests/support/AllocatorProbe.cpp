// Prints what a process that applies the allocator settings sees: a line at
// each start of its main (with the process id), then its tunables and its
// arguments as the settings leave them.
#include "platform/AllocatorSettings.h"

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

int main(int argc, char* argv[])
{
    std::printf("start %d\n", int(getpid()));
    std::fflush(stdout);
    tessarin::applyAllocatorSettings(argv);
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    std::printf("tunables %s\n", tunables ? tunables : "(none)");
    for (int i = 1; i < argc; ++i)
        std::printf("argument [%s]\n", argv[i]);
    return 0;
}
