#pragma once

#include <cstdint>
#include <string>

// What this process may use of the machine, for sizing the jobs' worker pools.

// The processors this process may run on (its affinity mask where the system has one), at least 1.
int UsableProcessorCount();

// Lets the calling thread yield to the others of the process (a window's own thread above all):
// on Linux its nice value is raised by a few steps. Work a user did not ask for in so many words
// (thumbnails made ahead) runs this way; nothing is reported when the system refuses.
void LowerThisThreadPriority();

// The memory figures of this process in bytes; 0 for what cannot be told.
struct MemoryFigures {
    std::int64_t total = 0;        // the machine's physical memory
    std::int64_t available = 0;    // what the system could give now without swapping
    std::int64_t group_limit = 0;  // the smallest limit of the process's control group and the
                                   // groups above it (a container, a systemd unit); 0: none
};

// The figures as the files under `root` tell them ("/" for this process; a test passes a folder
// holding proc/self/cgroup, proc/meminfo and sys/fs/cgroup/...). The process's group is taken
// from proc/self/cgroup: the "0::" line of cgroup v2 (memory.max) or the v1 line of the memory
// controller (memory.limit_in_bytes under sys/fs/cgroup/memory); every level from that group up
// to the hierarchy's root counts, and a level whose folder is not there (a group of the host
// seen from a container) is passed over.
MemoryFigures ReadMemoryFigures(const std::string& root);

// The figures of this process (on Linux from "/"; elsewhere the physical memory alone).
MemoryFigures ProcessMemoryFigures();

// The memory this process may use in bytes: the physical memory, or its group's smaller limit.
// 0 when it cannot be told.
std::int64_t UsableMemoryBytes(const MemoryFigures& figures);

// How many bytes of decoded pictures a job may hold at once: a quarter of the usable memory, and
// never more than half of what is available now (the pictures are not all the process holds, and
// other programs need their memory too). 0 when nothing can be told.
std::int64_t JobMemoryBudget(const MemoryFigures& figures);
