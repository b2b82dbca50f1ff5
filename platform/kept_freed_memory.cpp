#include "platform/kept_freed_memory.h"

#include <limits>
#include <mutex>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

#ifdef __GLIBC__
// The C library's own defaults.
constexpr int kDefaultMmapMax = 65536;
constexpr int kDefaultTrimThreshold = 128 * 1024;
#endif

std::mutex keepers_mutex;
int keepers = 0;

}  // namespace

KeptFreedMemory::KeptFreedMemory() {
    const std::lock_guard lock(keepers_mutex);
    if (keepers++ == 0) {
#ifdef __GLIBC__
        mallopt(M_MMAP_MAX, 0);  // large blocks from the heaps, which keep them
        mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
#endif
    }
}

KeptFreedMemory::~KeptFreedMemory() {
    const std::lock_guard lock(keepers_mutex);
    if (--keepers == 0) {
#ifdef __GLIBC__
        mallopt(M_MMAP_MAX, kDefaultMmapMax);
        mallopt(M_TRIM_THRESHOLD, kDefaultTrimThreshold);
        malloc_trim(0);
#endif
    }
}
