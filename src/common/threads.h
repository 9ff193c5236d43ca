// The worker threads of the factorisation and the solve, and the thread count of the BLAS: a
// call runs its independent subtrees, and then the supernodes above them as a team, on
// short-lived threads of its own (nothing is kept between calls or shared between handles).
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>

namespace varnexo::threads {

// Runs work(0), ..., work(count - 1) at once: work(0) in the calling thread, the others on
// threads started here and joined before the return. When a thread cannot be started, its share
// is left to the workers that run (work takes its tasks from a shared counter), so fewer threads
// than asked is never an error. `work` must not throw.
void run_workers(int32_t count, const std::function<void(int32_t)>& work);

// The members of a team started by run_team: their number, fixed before any of them starts,
// and a barrier at which they all meet.
class Team {
 public:
  int32_t size() const { return size_; }
  // Returns once every member has called it as many times as this one; what a member wrote
  // before its call is seen by all after theirs. Spins a little, then yields the core.
  void wait();

 private:
  friend void run_team(int32_t, const std::function<void(int32_t, Team&)>&);
  int32_t size_ = 1;
  std::atomic<int32_t> arrived_{0}, generation_{0};
};

// Runs work(t, team) for the members t = 0 .. team.size() - 1 at once, work(0, team) in the
// calling thread. The team has `count` members, or fewer when threads cannot be started; the
// started ones wait until the size is known, so members may meet at team.wait(). `work` must not
// throw, and every member must wait at the barrier equally often.
void run_team(int32_t count, const std::function<void(int32_t, Team&)>& work);

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

// The threads of the supernodes above the subtrees for `workers` workers (sharing the
// supernodes by rows, or in the BLAS when the tree does not split): the workers, at most the
// cores of the machine (more would only wait for each other), unless the test switch below is
// set. Blocks shared by rows are multiplied in pieces, and a threaded BLAS
// splits its products, which may round differently from the whole, so tests that compare factors
// bit for bit keep one thread there on both sides.
int32_t top_thread_count(int32_t workers);
void set_top_thread_override(int32_t count);

}  // namespace varnexo::threads
