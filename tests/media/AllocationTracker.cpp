#include "tests/media/AllocationTracker.h"

#include <atomic>
#include <new>

namespace {
std::atomic<size_t> g_largest{0};
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  size_t seen = g_largest.load();
  while (size > seen && !g_largest.compare_exchange_weak(seen, size)) {
  }
  try {
    return ::operator new[](size);
  } catch (...) {
    return nullptr;
  }
}

namespace imagetest {
void ResetLargestAllocation() { g_largest = 0; }
size_t LargestAllocation() { return g_largest.load(); }
}  // namespace imagetest
