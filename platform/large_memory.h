#pragma once

#include <cstddef>

// Memory for large, short-lived working buffers (a photograph's decoding state, hundreds of
// megabytes at most for one picture), taken from the system directly: it comes zero-filled, is
// backed by large pages where the system offers them (filling 100 MB of ordinary pages costs
// 25,000 page faults), and goes back to the system as soon as it is freed, so that the memory a
// job holds follows the pictures in hand.

// `bytes` of zero-filled memory, or nullptr when the system has none. Free it with FreeLarge.
void* AllocateLargeZeroed(std::size_t bytes);

// Returns memory from AllocateLargeZeroed of that size; nullptr is ignored.
void FreeLarge(void* memory, std::size_t bytes);

// The bytes this process holds from AllocateLargeZeroed now, as mapped (whole large pages).
std::size_t LargeMemoryHeld();

// For tests of running out of memory: the calling thread's next `granted` calls of
// AllocateLargeZeroed succeed and every later one fails, until this is called with a negative
// count (which ends the limit).
void LimitLargeAllocationsForTesting(int granted);
