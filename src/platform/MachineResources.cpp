#include "platform/MachineResources.h"

#include <sched.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace tessarin::MachineResources {

int cores()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return CPU_COUNT(&set);
    const unsigned known = std::thread::hardware_concurrency();
    return known > 0 ? int(known) : 1;
}

std::int64_t availableMemory()
{
    std::FILE* info = std::fopen("/proc/meminfo", "re");
    if (info) {
        char line[256];
        long long kilobytes = -1;
        while (std::fgets(line, sizeof line, info)) {
            if (std::strncmp(line, "MemAvailable:", 13) == 0) {
                kilobytes = std::atoll(line + 13);
                break;
            }
        }
        std::fclose(info);
        if (kilobytes >= 0)
            return std::int64_t(kilobytes) * 1024;
    }
    const long pages = sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? std::int64_t(pages) * pageSize : 0;
}

} // namespace tessarin::MachineResources
