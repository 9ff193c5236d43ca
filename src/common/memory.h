// The one allocation function of the library. Every block that lives in the handle and every
// record of the toolkit is obtained and released here (malloc/calloc/realloc/free underneath),
// so that the kilobyte counters stay honest and tests can make the k-th allocation fail.
#pragma once
#include <cstddef>
#include <cstdint>

namespace varnexo::memory {

// Returns `bytes` bytes (zeroed when `zero` is set), or nullptr when the request cannot be met
// (including a request of 0 bytes counted as 1). Never throws.
void* obtain(std::size_t bytes, bool zero = false);

// Grows or shrinks a block obtained here; returns nullptr and leaves the block intact on failure.
void* resize(void* block, std::size_t bytes);

// Releases a block obtained here; nullptr is ignored.
void release(void* block);

// The kilobyte count of a block of `bytes` bytes: floor(bytes/1024) + 1.
inline int64_t kilobytes(int64_t bytes) { return bytes / 1024 + 1; }

// Number of requests of the calling thread that could not be met since it started: a stage that
// fails can tell a lack of memory from other failures by comparing the count before and after.
int64_t failures();

// Blocks obtained by the calling thread and not yet released (blocks released by another thread
// than the one that obtained them move the count): tests compare it before and after a sequence
// of calls to find a block nobody releases.
int64_t live_blocks();

// Test switch of the calling thread: its k-th call of obtain/resize from now on fails (k >= 1);
// 0 turns it off. allocations_since_armed returns the number of calls made since the last
// arming, so a test can walk every point.
void fail_allocation_at(int64_t k);
int64_t allocations_since_armed();

}  // namespace varnexo::memory
