#include "platform/machine_resources.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

// A limit this large is the kernel's "no limit" (cgroup v1 writes LLONG_MAX rounded to a page).
constexpr std::int64_t kNoLimit = std::int64_t{1} << 62;

// The first word of a small file ("max", "1717986918"); empty when it cannot be read.
std::string FirstWord(const std::string& path) {
    std::ifstream in(path);
    std::string word;
    in >> word;
    return word;
}

// A byte count as the cgroup files write it; 0 for "max", garbage or the kernel's "no limit".
std::int64_t LimitValue(const std::string& word) {
    if (word.empty() || word.find_first_not_of("0123456789") != std::string::npos) return 0;
    try {
        const long long value = std::stoll(word);
        return value > 0 && value < kNoLimit ? static_cast<std::int64_t>(value) : 0;
    } catch (...) {
        return 0;  // more digits than 64 bits hold: no limit either
    }
}

// Keeps in `smallest` the smaller of two limits, where 0 stands for none.
void KeepSmallerLimit(std::int64_t& smallest, std::int64_t limit) {
    if (limit > 0 && (smallest == 0 || limit < smallest)) smallest = limit;
}

// The smallest limit in `file` from the group `group` ("/a/b") up to the hierarchy's root under
// `mount`; 0 when no level has one.
std::int64_t SmallestLimitOnPath(const std::string& mount, std::string group, const char* file) {
    std::int64_t smallest = 0;
    for (;;) {
        while (!group.empty() && group.back() == '/') group.pop_back();
        KeepSmallerLimit(smallest, LimitValue(FirstWord(mount + group + "/" + file)));
        if (group.empty()) return smallest;
        const std::size_t slash = group.rfind('/');
        group.erase(slash == std::string::npos ? 0 : slash);
    }
}

// "MemTotal:  24683716 kB" -> bytes; 0 when the key is missing.
std::int64_t MemInfoBytes(const std::string& meminfo, const std::string& key) {
    std::istringstream lines(meminfo);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.compare(0, key.size() + 1, key + ":") != 0) continue;
        std::istringstream fields(line.substr(key.size() + 1));
        long long kilobytes = 0;
        if (fields >> kilobytes && kilobytes > 0)
            return static_cast<std::int64_t>(kilobytes) * 1024;
        return 0;
    }
    return 0;
}

std::string WholeText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

void LowerThisThreadPriority() {
#if defined(__linux__)
    // On Linux a nice value belongs to the thread whose id is given, not to the whole process.
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    const int now = ::getpriority(PRIO_PROCESS, thread);
    ::setpriority(PRIO_PROCESS, thread, std::min(19, now + 5));
#endif
}

int UsableProcessorCount() {
#if defined(__linux__)
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0) return std::max(1, CPU_COUNT(&set));
#endif
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

MemoryFigures ReadMemoryFigures(const std::string& root) {
    const std::string base = root.empty() || root.back() != '/' ? root + "/" : root;
    MemoryFigures figures;
    const std::string meminfo = WholeText(base + "proc/meminfo");
    figures.total = MemInfoBytes(meminfo, "MemTotal");
    figures.available = MemInfoBytes(meminfo, "MemAvailable");

    // "hierarchy:controllers:path" per line: "0::/user.slice/x.scope" for cgroup v2,
    // "4:memory:/docker/abc" for the memory controller of cgroup v1.
    std::istringstream lines(WholeText(base + "proc/self/cgroup"));
    std::string line;
    std::int64_t limit = 0;
    while (std::getline(lines, line)) {
        const std::size_t first = line.find(':');
        const std::size_t second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) continue;
        const std::string hierarchy = line.substr(0, first);
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const std::string group = line.substr(second + 1);
        if (group.empty() || group[0] != '/') continue;
        if (hierarchy == "0" && controllers.empty()) {
            KeepSmallerLimit(limit,
                             SmallestLimitOnPath(base + "sys/fs/cgroup", group, "memory.max"));
            continue;
        }
        std::istringstream names(controllers);
        std::string name;
        while (std::getline(names, name, ',')) {
            if (name != "memory") continue;
            KeepSmallerLimit(limit, SmallestLimitOnPath(base + "sys/fs/cgroup/memory", group,
                                                        "memory.limit_in_bytes"));
        }
    }
    figures.group_limit = limit;
    return figures;
}

MemoryFigures ProcessMemoryFigures() {
    MemoryFigures figures;
#if defined(__linux__)
    figures = ReadMemoryFigures("/");
#endif
    if (figures.total <= 0) {
#if defined(_WIN32)
        MEMORYSTATUSEX status{};
        status.dwLength = sizeof(status);
        if (GlobalMemoryStatusEx(&status)) {
            figures.total = static_cast<std::int64_t>(status.ullTotalPhys);
            figures.available = static_cast<std::int64_t>(status.ullAvailPhys);
        }
#else
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long page_size = sysconf(_SC_PAGE_SIZE);
        if (pages > 0 && page_size > 0)
            figures.total = static_cast<std::int64_t>(pages) * page_size;
#endif
    }
    return figures;
}

std::int64_t UsableMemoryBytes(const MemoryFigures& figures) {
    std::int64_t usable = std::max<std::int64_t>(0, figures.total);
    KeepSmallerLimit(usable, figures.group_limit);
    return usable;
}

std::int64_t JobMemoryBudget(const MemoryFigures& figures) {
    std::int64_t budget = UsableMemoryBytes(figures) / 4;
    if (figures.available > 0) {
        const std::int64_t now = figures.available / 2;
        budget = budget > 0 ? std::min(budget, now) : now;
    }
    return budget;
}
