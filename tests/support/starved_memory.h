#pragma once

#include <cstddef>
#include <limits>

// Memory running short on the calling thread for as long as this lives, as it does when a large
// picture meets a small limit: every large working buffer of the imaging layer fails
// (LimitLargeAllocationsForTesting), and so, through this program's own operator new, does every
// heap block of at least `heap_from` bytes; smaller blocks are still had. Other threads are not
// touched.
class StarvedMemory {
  public:
    static constexpr std::size_t kHeapUntouched = std::numeric_limits<std::size_t>::max();

    explicit StarvedMemory(std::size_t heap_from = kHeapUntouched);
    ~StarvedMemory();
    StarvedMemory(const StarvedMemory&) = delete;
    StarvedMemory& operator=(const StarvedMemory&) = delete;

  private:
    std::size_t previous_;
};
