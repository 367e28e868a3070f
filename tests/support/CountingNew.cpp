#include "CountingNew.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace tarnwick::test_support {
namespace {

std::atomic<std::size_t> g_refuseFrom{kRefuseNothing};
std::atomic<std::size_t> g_count{0}, g_largest{0}, g_total{0}, g_refused{0};

}  // namespace

void RefuseAllocationsFrom(std::size_t bytes) { g_refuseFrom = bytes; }

AllocationCounts TakeAllocationCounts() {
  return {g_count.exchange(0), g_largest.exchange(0), g_total.exchange(0), g_refused.exchange(0)};
}

}  // namespace tarnwick::test_support

// GCC takes the malloc and free of a replaced operator new for a mismatch.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
  using namespace tarnwick::test_support;
  void* p = size < g_refuseFrom ? std::malloc(size ? size : 1) : nullptr;
  if (p == nullptr) {
    ++g_refused;
    throw std::bad_alloc();
  }
  ++g_count;
  g_total += size;
  for (std::size_t seen = g_largest; size > seen && !g_largest.compare_exchange_weak(seen, size);) {
  }
  return p;
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
// The other forms go through the same two, so that every block that one of
// them hands out is freed by its matching delete.
void* operator new[](std::size_t size) { return ::operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return ::operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return ::operator new(size, tag);
}
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
