#include "platform/large_memory.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

std::atomic<std::size_t> g_held{0};
thread_local int t_granted = -1;  // negative: no limit

#if defined(__linux__)
// The size of a large page on the systems we run on; a mapping aligned to it can be backed by
// large pages from its first byte.
constexpr std::size_t kLargePage = std::size_t{2} << 20;

// The mapping's real extent: the request rounded up to whole large pages.
std::size_t MappedBytes(std::size_t bytes) {
    return (bytes + kLargePage - 1) / kLargePage * kLargePage;
}
#else
std::size_t MappedBytes(std::size_t bytes) {
    return bytes;
}
#endif

}  // namespace

void* AllocateLargeZeroed(std::size_t bytes) {
    if (bytes == 0) return nullptr;
    if (t_granted == 0) return nullptr;
    if (t_granted > 0) --t_granted;
#if defined(__linux__)
    const std::size_t size = MappedBytes(bytes);
    if (size < bytes) return nullptr;  // overflow
    // One large page more than needed, so that an aligned start can be cut out of it.
    // Reserved like any allocation, so that a request the system cannot back is refused here
    // (the picture fails as out of memory) rather than killing the process when it is touched.
    void* raw = mmap(nullptr, size + kLargePage, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kLargePage - 1) / kLargePage * kLargePage;
    if (aligned > start) munmap(raw, aligned - start);
    const std::size_t tail = start + size + kLargePage - (aligned + size);
    if (tail > 0) munmap(reinterpret_cast<void*>(aligned + size), tail);
    // Only advice: where large pages are off, ordinary ones serve.
    madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
    g_held += size;
    return reinterpret_cast<void*>(aligned);
#else
    void* memory = std::calloc(1, bytes);
    if (memory) g_held += bytes;
    return memory;
#endif
}

void FreeLarge(void* memory, std::size_t bytes) {
    if (!memory) return;
    g_held -= MappedBytes(bytes);
#if defined(__linux__)
    munmap(memory, MappedBytes(bytes));
#else
    (void)bytes;
    std::free(memory);
#endif
}

std::size_t LargeMemoryHeld() {
    return g_held.load();
}

void LimitLargeAllocationsForTesting(int granted) {
    t_granted = granted;
}
