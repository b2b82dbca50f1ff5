#pragma once

#include <cstdint>

// What this process may use of the machine, for sizing the jobs' worker pools.

// The processors this process may run on (its affinity mask where the system has one), at least 1.
int UsableProcessorCount();

// The memory this process may use in bytes: the physical memory, or a smaller limit set for its
// control group (a container). 0 when it cannot be told.
std::int64_t UsableMemoryBytes();
