// The allocation function of the library (see memory.h): a thin layer over the C runtime with a
// test-only failure switch that costs one counter increment per allocation.
#include "common/memory.h"

#include <cstdlib>

namespace varnexo::memory {
namespace {
int64_t g_fail_at = 0;   // 0: never fail
int64_t g_calls = 0;     // calls since the switch was last armed
int64_t g_failures = 0;  // requests that could not be met

bool injected_failure() {
  ++g_calls;
  return g_fail_at != 0 && g_calls == g_fail_at;
}
}  // namespace

void* obtain(std::size_t bytes, bool zero) {
  void* p = nullptr;
  if (!injected_failure()) p = zero ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
  if (p == nullptr) ++g_failures;
  return p;
}

void* resize(void* block, std::size_t bytes) {
  void* p = nullptr;
  if (!injected_failure()) p = std::realloc(block, bytes ? bytes : 1);
  if (p == nullptr) ++g_failures;
  return p;
}

int64_t failures() { return g_failures; }

void release(void* block) { std::free(block); }

void fail_allocation_at(int64_t k) {
  g_fail_at = k;
  g_calls = 0;
}

int64_t allocations_since_armed() { return g_calls; }

}  // namespace varnexo::memory
