// The allocation function of the library (see memory.h): a thin layer over the C runtime with a
// test-only failure switch that costs one counter increment per allocation.
#include "common/memory.h"

#include <cstdlib>

namespace varnexo::memory {
namespace {
int64_t g_fail_at = 0;  // 0: never fail
int64_t g_calls = 0;    // calls since the switch was last armed

bool injected_failure() {
  ++g_calls;
  return g_fail_at != 0 && g_calls == g_fail_at;
}
}  // namespace

void* obtain(std::size_t bytes, bool zero) {
  if (injected_failure()) return nullptr;
  if (bytes == 0) bytes = 1;
  return zero ? std::calloc(1, bytes) : std::malloc(bytes);
}

void* resize(void* block, std::size_t bytes) {
  if (injected_failure()) return nullptr;
  if (bytes == 0) bytes = 1;
  return std::realloc(block, bytes);
}

void release(void* block) { std::free(block); }

void fail_allocation_at(int64_t k) {
  g_fail_at = k;
  g_calls = 0;
}

int64_t allocations_since_armed() { return g_calls; }

}  // namespace varnexo::memory
