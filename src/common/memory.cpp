// The allocation function of the library (see memory.h): a thin layer over the C runtime with a
// test-only failure switch that costs one counter increment per allocation. The counters and the
// switch belong to the calling thread, so handles in different threads never share them.
#include "common/memory.h"

#include <cstdlib>

namespace varnexo::memory {
namespace {
thread_local int64_t t_fail_at = 0;   // 0: never fail
thread_local int64_t t_calls = 0;     // calls since the switch was last armed
thread_local int64_t t_failures = 0;  // requests that could not be met
thread_local int64_t t_live = 0;      // blocks obtained and not yet released

bool injected_failure() {
  ++t_calls;
  return t_fail_at != 0 && t_calls == t_fail_at;
}
}  // namespace

void* obtain(std::size_t bytes, bool zero) {
  void* p = nullptr;
  if (!injected_failure()) p = zero ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
  if (p == nullptr)
    ++t_failures;
  else
    ++t_live;
  return p;
}

void* resize(void* block, std::size_t bytes) {
  void* p = nullptr;
  if (!injected_failure()) p = std::realloc(block, bytes ? bytes : 1);
  if (p == nullptr)
    ++t_failures;
  else if (block == nullptr)
    ++t_live;
  return p;
}

int64_t failures() { return t_failures; }

void release(void* block) {
  if (block == nullptr) return;
  std::free(block);
  --t_live;
}

int64_t live_blocks() { return t_live; }

void fail_allocation_at(int64_t k) {
  t_fail_at = k;
  t_calls = 0;
}

int64_t allocations_since_armed() { return t_calls; }

}  // namespace varnexo::memory
