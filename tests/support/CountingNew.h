// The global operator new of a test executable, replaced by CountingNew.cpp
// (linked into that executable alone): it counts what is asked of it and
// refuses, on request, every allocation of at least a given size, as a
// system that has run out of memory would.
#pragma once

#include <cstddef>
#include <limits>

namespace tarnwick::test_support {

struct AllocationCounts {
  std::size_t count = 0;    // allocations made
  std::size_t largest = 0;  // the largest of them, in bytes
  std::size_t total = 0;    // their bytes in all
  std::size_t refused = 0;  // allocations refused
};

inline constexpr std::size_t kRefuseNothing = std::numeric_limits<std::size_t>::max();

// Allocations of `bytes` or more fail with std::bad_alloc from now on (0:
// every one; kRefuseNothing: none).
void RefuseAllocationsFrom(std::size_t bytes);
// What was asked for since the last call, and a fresh count from now on.
AllocationCounts TakeAllocationCounts();

}  // namespace tarnwick::test_support
