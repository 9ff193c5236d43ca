// The allocation function of the library (see memory.h): a thin layer over the C runtime with a
// test-only failure switch that costs one counter increment per allocation. The counters and the
// switch belong to the calling thread, so handles in different threads never share them.
#include "common/memory.h"

#include <cstdint>
#include <cstdlib>
#if defined(__linux__)
#include <sys/mman.h>
#endif

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

// A large block (the factor of a big problem spans gigabytes) asks for huge pages where the
// system grants them on request: the scattered updates of the factorisation then miss the TLB far
// less often, and the first touch of the block takes one fault per 2 MiB instead of per 4 KiB. A
// hint only: the block is the same with or without it.
void advise_huge_pages(void* p, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  if (bytes < 16 * kHuge) return;
  const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(p) + kHuge - 1) & ~(kHuge - 1);
  const std::uintptr_t last = (reinterpret_cast<std::uintptr_t>(p) + bytes) & ~(kHuge - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)p;
  (void)bytes;
#endif
}
}  // namespace

void* obtain(std::size_t bytes, bool zero) {
  void* p = nullptr;
  if (!injected_failure()) p = zero ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
  if (p == nullptr) {
    ++t_failures;
    return p;
  }
  ++t_live;
  advise_huge_pages(p, bytes);
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
