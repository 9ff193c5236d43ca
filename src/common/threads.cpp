// Worker threads and the BLAS thread count (see threads.h).
#include "common/threads.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

// OpenBLAS's thread-count routines, declared weak: the library links any BLAS, and another one
// simply leaves the count alone.
extern "C" {
__attribute__((weak)) void openblas_set_num_threads(int);
__attribute__((weak)) int openblas_get_num_threads(void);
}

namespace varnexo::threads {
namespace {

std::atomic<int32_t> g_override{0};
std::atomic<int32_t> g_top_thread_override{0};
// The BLAS thread count belongs to the process: handles in several threads change it one at a time.
std::mutex g_blas_mutex;

}  // namespace

void run_workers(int32_t count, const std::function<void(int32_t)>& work) {
  std::vector<std::thread> started;
  for (int32_t t = 1; t < count; ++t) {
    try {
      started.emplace_back(work, t);
    } catch (const std::exception&) {
      break;  // the running workers take the remaining tasks
    }
  }
  work(0);
  for (std::thread& t : started) t.join();
}

void Team::wait() {
  if (size_ == 1) return;
  const int32_t generation = generation_.load(std::memory_order_acquire);
  if (arrived_.fetch_add(1, std::memory_order_acq_rel) + 1 == size_) {
    arrived_.store(0, std::memory_order_relaxed);
    generation_.fetch_add(1, std::memory_order_acq_rel);
    return;
  }
  // Both cores are usually busy with the team; a member that waits long gives its core away.
  for (int32_t spins = 0; generation_.load(std::memory_order_acquire) == generation; ++spins)
    if (spins >= 256) std::this_thread::yield();
}

void run_team(int32_t count, const std::function<void(int32_t, Team&)>& work) {
  Team team;
  std::mutex gate;
  std::condition_variable opened;
  bool open = false;
  std::vector<std::thread> started;
  for (int32_t t = 1; t < count; ++t) {
    try {
      started.emplace_back([&, t] {
        {
          std::unique_lock<std::mutex> lock(gate);
          opened.wait(lock, [&] { return open; });
        }
        work(t, team);
      });
    } catch (const std::exception&) {
      break;  // a smaller team
    }
  }
  {
    const std::lock_guard<std::mutex> lock(gate);
    team.size_ = 1 + static_cast<int32_t>(started.size());
    open = true;
  }
  opened.notify_all();
  work(0, team);
  for (std::thread& t : started) t.join();
}

int32_t blas_threads() {
  if (openblas_get_num_threads == nullptr) return 0;
  std::lock_guard<std::mutex> lock(g_blas_mutex);
  return openblas_get_num_threads();
}

// The count found when no guard was alive, and the guards alive: the last one to go restores it,
// so that calls in several threads that overlap leave the caller's count behind them.
int32_t g_blas_base = 0;
int32_t g_blas_guards = 0;

BlasThreads::BlasThreads(int32_t count) {
  if (openblas_get_num_threads == nullptr || openblas_set_num_threads == nullptr) return;
  {
    std::lock_guard<std::mutex> lock(g_blas_mutex);
    if (g_blas_guards++ == 0) g_blas_base = openblas_get_num_threads();
    saved_ = g_blas_base;
  }
  set(count);
}

BlasThreads::~BlasThreads() {
  if (saved_ <= 0) return;
  std::lock_guard<std::mutex> lock(g_blas_mutex);
  if (--g_blas_guards == 0 && openblas_get_num_threads() != g_blas_base)
    openblas_set_num_threads(g_blas_base);
}

void BlasThreads::set(int32_t count) {
  if (saved_ <= 0 || count <= 0) return;
  std::lock_guard<std::mutex> lock(g_blas_mutex);
  if (count != openblas_get_num_threads()) openblas_set_num_threads(count);
}

int32_t worker_count(int32_t nproc) {
  const int32_t o = g_override.load(std::memory_order_relaxed);
  if (o > 0) return o;
  return nproc < 1 ? 1 : nproc;
}

void set_worker_override(int32_t count) { g_override.store(count, std::memory_order_relaxed); }

int32_t worker_override() { return g_override.load(std::memory_order_relaxed); }

int32_t top_thread_count(int32_t workers) {
  const int32_t o = g_top_thread_override.load(std::memory_order_relaxed);
  if (o > 0) return o;
  // Members beyond the cores would only wait for each other at the barriers.
  const auto cores = static_cast<int32_t>(std::thread::hardware_concurrency());
  return cores > 0 ? std::min(workers, cores) : workers;
}

void set_top_thread_override(int32_t count) { g_top_thread_override.store(count, std::memory_order_relaxed); }

}  // namespace varnexo::threads
