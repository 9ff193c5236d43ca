// The worker threads of the factorisation and the solve, and the thread count of the BLAS: a
// call runs its independent subtrees on short-lived threads of its own (nothing is kept between
// calls or shared between handles), and reserves the BLAS threads for the supernodes above them.
#pragma once
#include <cstdint>
#include <functional>

namespace varnexo::threads {

// Runs work(0), ..., work(count - 1) at once: work(0) in the calling thread, the others on
// threads started here and joined before the return. When a thread cannot be started, its share
// is left to the workers that run (work takes its tasks from a shared counter), so fewer threads
// than asked is never an error. `work` must not throw.
void run_workers(int32_t count, const std::function<void(int32_t)>& work);

// The thread count the BLAS uses in the calling process, or 0 when the linked BLAS cannot tell.
int32_t blas_threads();

// Sets the BLAS thread count for the life of the object and restores the previous one after.
// The count belongs to the process: while calls in several threads overlap, the last setting
// holds for all of them (a threaded BLAS rounds differently, not wrongly), and the count found
// before the first of them is restored when the last one ends. Without a BLAS that can set its
// thread count this does nothing.
class BlasThreads {
 public:
  explicit BlasThreads(int32_t count);
  ~BlasThreads();
  BlasThreads(const BlasThreads&) = delete;
  BlasThreads& operator=(const BlasThreads&) = delete;
  // Changes the count again; the destructor still restores the one found before.
  void set(int32_t count);

 private:
  int32_t saved_ = 0;
};

// The number of worker threads a call with `nproc` processors runs: nproc, unless the test
// switch below is set. At least 1.
int32_t worker_count(int32_t nproc);

// Test switch: when positive, every factorisation and solve runs with this many worker threads
// whatever the processor count of its analysis (the layout stays that of the processor count).
// Set once, before any call (the test suite sets it from VARNEXO_TEST_THREADS at start-up).
void set_worker_override(int32_t count);
int32_t worker_override();

// The BLAS thread count of the supernodes above the subtrees for `workers` workers: the workers,
// unless the test switch below is set. A threaded BLAS rounds differently from a sequential one,
// so tests that compare factors bit for bit keep the same count on both sides.
int32_t top_blas_count(int32_t workers);
void set_top_blas_override(int32_t count);

}  // namespace varnexo::threads
