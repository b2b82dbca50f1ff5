#include "platform/machine_resources.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <thread>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sched.h>
#include <unistd.h>
#endif

namespace {

// The limit of the cgroup v2 this process lives in ("max" or missing: none).
std::int64_t ControlGroupLimit() {
#if defined(__linux__)
    std::ifstream in("/sys/fs/cgroup/memory.max");
    std::string text;
    if (!(in >> text) || text == "max") return 0;
    try {
        return static_cast<std::int64_t>(std::stoll(text));
    } catch (...) {
        return 0;
    }
#else
    return 0;
#endif
}

}  // namespace

int UsableProcessorCount() {
#if defined(__linux__)
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0) return std::max(1, CPU_COUNT(&set));
#endif
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

std::int64_t UsableMemoryBytes() {
    std::int64_t physical = 0;
#if defined(_WIN32)
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    if (GlobalMemoryStatusEx(&status)) physical = static_cast<std::int64_t>(status.ullTotalPhys);
#else
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGE_SIZE);
    if (pages > 0 && page_size > 0) physical = static_cast<std::int64_t>(pages) * page_size;
#endif
    const std::int64_t limit = ControlGroupLimit();
    if (limit > 0 && (physical == 0 || limit < physical)) return limit;
    return physical;
}
