#include "tests/support/starved_memory.h"

#include <cstdlib>
#include <new>

#include "platform/large_memory.h"

// The program's operator new and delete, on malloc and free as the library's own are, so that a
// block can be refused on one thread. The aligned forms are left to the library: nothing here
// starves them, and they keep their own pairs.

namespace {

thread_local std::size_t t_heap_from = StarvedMemory::kHeapUntouched;

void* Allocate(std::size_t size) {
    if (size >= t_heap_from) throw std::bad_alloc();
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

}  // namespace

StarvedMemory::StarvedMemory(std::size_t heap_from) : previous_(t_heap_from) {
    LimitLargeAllocationsForTesting(0);
    t_heap_from = heap_from;
}

StarvedMemory::~StarvedMemory() {
    t_heap_from = previous_;
    LimitLargeAllocationsForTesting(-1);
}

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
