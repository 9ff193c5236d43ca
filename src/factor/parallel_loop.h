// The left-looking loop on several threads (load -> factor): the independent subtrees of the
// processor partition run at once, one thread each, then the threads share each supernode above
// them by ranges of its rows; the BLAS runs in one thread throughout. Every supernode receives
// its updates in the order the lists of the one-thread loop would give them, through the same
// block operations, so the factor is the same for any number of threads (bit for bit when the
// supernodes above the subtrees are not shared: a BLAS may round a product computed in row
// pieces differently from the whole).
#pragma once
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "common/partition.h"
#include "common/threads.h"
#include "factor/left_looking.h"

namespace varnexo::factor {

// The updates of every supernode in the order the loop's lists hand them out: for supernode J,
// entries start[J-1] .. start[J]-1 of first_col (the updating supernode's first column) and
// remaining (its rows not yet used when it reaches J).
struct UpdateOrder {
  std::vector<int64_t> start;
  std::vector<int32_t> first_col, remaining;
};

// Replays the lists of the loop on the structure alone. Returns false when a list runs empty
// before nmod(J) updates (the loop would stop with kListBroken).
bool update_order(const SymbolicFactor& sf, UpdateOrder* order);

// Where the workers find their scratch: the integer work carved for `copies` processors (indmap
// and relind of copy t at iwork + t·n and iwork + copies·n + t·n) and temp with `temp_copies`
// copies of tmpsiz values one after the other. A worker without its own copy gets private ones.
struct WorkerScratch {
  int32_t* iwork = nullptr;
  int32_t copies = 1;
  void* temp = nullptr;
  int64_t tmpsiz = 0;
  int32_t temp_copies = 1;
};

namespace detail {

template <class K>
void add_counters(K& into, const K& from) {
  if constexpr (requires { into.npert; }) into.npert += from.npert;
  if constexpr (requires { into.npos; }) into.npos += from.npos, into.nneg += from.nneg;
  if constexpr (requires { into.failed_column; })
    if (into.failed_column == 0) into.failed_column = from.failed_column;
}

// One worker: its kernel, its scratch and its loop over the shared factor.
template <class Kernel>
struct Worker {
  using T = typename Kernel::scalar;
  Kernel kernel;
  std::vector<int32_t> own_int;
  std::vector<T> own_temp;
  std::unique_ptr<LeftLooking<Kernel>> loop;

  Worker(const Kernel& proto, int32_t t, const SymbolicFactor& sf, const Loader<T>& loader, T* lnz, T* unz,
         const LoopWork<T>& shared, const WorkerScratch& s, int32_t* pivot, int32_t* colpivot)
      : kernel(proto) {
    if constexpr (requires { kernel.npert; }) kernel.npert = 0;
    if constexpr (requires { kernel.npos; }) kernel.npos = kernel.nneg = 0;
    if constexpr (requires { kernel.failed_column; }) kernel.failed_column = 0;
    const int32_t n = sf.n;
    LoopWork<T> w = shared;
    if (t < s.copies) {
      w.indmap = OneBased<int32_t>(s.iwork + static_cast<int64_t>(t) * n, n);
      w.relind = OneBased<int32_t>(s.iwork + static_cast<int64_t>(s.copies + t) * n, n);
    } else {
      own_int.assign(2 * static_cast<size_t>(n), 0);
      w.indmap = OneBased<int32_t>(own_int.data(), n);
      w.relind = OneBased<int32_t>(own_int.data() + n, n);
    }
    if (t < s.temp_copies) {
      w.temp = static_cast<T*>(s.temp) + static_cast<int64_t>(t) * s.tmpsiz;
      std::fill(w.temp, w.temp + s.tmpsiz, T(0));
    } else {
      own_temp.assign(static_cast<size_t>(s.tmpsiz), T(0));
      w.temp = own_temp.data();
    }
    if constexpr (requires { kernel.bind_temp(w.temp, w.tmpsiz); }) kernel.bind_temp(w.temp, w.tmpsiz);
    loop = std::make_unique<LeftLooking<Kernel>>(sf, kernel, loader, lnz, unz, w, pivot, colpivot);
  }

  // The supernodes list[0..count-1] in order. Stops at the first failure: returns its flag and
  // the supernode in *failed_at, or kFactorOk.
  int32_t run(const int32_t* list, int64_t count, const UpdateOrder& order, int32_t* failed_at) {
    for (int64_t i = 0; i < count; ++i) {
      const int32_t J = list[i];
      const int64_t b = order.start[J - 1];
      const int32_t updates = static_cast<int32_t>(order.start[J] - b);
      const int32_t err =
          loop->supernode_from(J, order.first_col.data() + b, order.remaining.data() + b, updates);
      if (err != kFactorOk) {
        *failed_at = J;
        return err;
      }
    }
    return kFactorOk;
  }
};

// The supernodes above the subtrees, each shared by a team: member t applies J's updates to
// the rows bounds[t] .. bounds[t+1]-1 of its block and then solves its share of the off-diagonal
// rows, and member 0 factorises the diagonal block in between. All members take the supernodes
// in the same order and meet at barriers between the stages, so every block receives its updates
// in the order of the one-thread loop. Returns the flag of the first failing supernode (in
// *failed_at) or kFactorOk; rethrows what a member threw (a failed allocation).
template <class Kernel>
int32_t factor_top_shared(std::vector<std::unique_ptr<Worker<Kernel>>>& workers,
                          const std::vector<int32_t>& top, const UpdateOrder& order, int32_t members,
                          int32_t* failed_at) {
  std::vector<int32_t> status(members, kFactorOk);
  std::vector<std::exception_ptr> thrown(members);
  std::vector<int32_t> all_bounds(static_cast<size_t>(members) * (members + 1));
  int32_t result = kFactorOk;
  threads::run_team(members, [&](int32_t t, threads::Team& team) {
    const int32_t size = team.size();
    LeftLooking<Kernel>& loop = *workers[t]->loop;
    // A member whose stage throws keeps meeting the others; the exception is rethrown after.
    auto guarded = [&](auto&& stage) {
      try {
        stage();
      } catch (...) {
        thrown[t] = std::current_exception();
      }
    };
    auto failed = [&] {
      for (int32_t k = 0; k < size; ++k)
        if (status[k] != kFactorOk || thrown[k]) return true;
      return false;
    };
    guarded([&] {
      for (size_t i = t; i < top.size(); i += size) loop.load(top[i]);
    });
    int32_t* bounds = all_bounds.data() + static_cast<size_t>(t) * (members + 1);
    team.wait();
    for (const int32_t J : top) {
      const int64_t b = order.start[J - 1];
      const int32_t updates = static_cast<int32_t>(order.start[J] - b);
      const int32_t *first_cols = order.first_col.data() + b, *remaining = order.remaining.data() + b;
      guarded([&] {
        loop.row_shares(J, first_cols, remaining, updates, size, bounds);
        status[t] = loop.updates_from(J, first_cols, remaining, updates, {bounds[t], bounds[t + 1]});
      });
      team.wait();
      if (t == 0 && !failed()) status[0] = loop.factor_diagonal(J);
      team.wait();
      if (failed()) {
        if (t == 0) *failed_at = J;
        break;
      }
      const TargetBlock<typename Kernel::scalar> block = loop.target(J);
      const int64_t m = block.jlen - block.ncol;
      guarded([&] {
        loop.solve_offdiagonal(J, static_cast<int32_t>(m * t / size),
                               static_cast<int32_t>(m * (t + 1) / size));
      });
      team.wait();
    }
    if (t == 0)
      for (int32_t k = 0; k < size && result == kFactorOk; ++k) result = status[k];
  });
  for (const std::exception_ptr& e : thrown)
    if (e) std::rethrow_exception(e);
  return result;
}

}  // namespace detail

// Factorises over the partition with `threads` workers; the kernel's counters receive the sums
// of the workers'. Returns the flag of the lowest failing supernode (the one the one-thread loop
// would stop at), or kFactorOk.
template <class Kernel>
int32_t factor_parallel(const SymbolicFactor& sf, Kernel& kernel,
                        const Loader<typename Kernel::scalar>& loader, typename Kernel::scalar* lnz,
                        typename Kernel::scalar* unz, const LoopWork<typename Kernel::scalar>& shared,
                        const WorkerScratch& scratch, int32_t* pivot, int32_t* colpivot,
                        const TreePartition& part, int32_t nthreads) {
  UpdateOrder order;
  if (!update_order(sf, &order)) return kListBroken;
  const int32_t count = std::min(nthreads, part.parts());
  std::vector<std::unique_ptr<detail::Worker<Kernel>>> workers;
  for (int32_t t = 0; t < count; ++t)
    workers.push_back(std::make_unique<detail::Worker<Kernel>>(kernel, t, sf, loader, lnz, unz, shared,
                                                               scratch, pivot, colpivot));
  // Each part records its own first failure, so that the lowest failing supernode is found
  // whichever worker ran which part.
  std::vector<int32_t> part_status(part.parts(), kFactorOk), part_failed(part.parts(), 0);
  std::atomic<int32_t> next{0};
  std::vector<std::exception_ptr> thrown(count);
  const threads::BlasThreads blas(1);  // one BLAS thread per worker
  threads::run_workers(count, [&](int32_t t) {
    try {
      for (int32_t k = next.fetch_add(1); k < part.parts(); k = next.fetch_add(1))
        part_status[k] = workers[t]->run(part.members.data() + part.start[k],
                                         part.start[k + 1] - part.start[k], order, &part_failed[k]);
    } catch (...) {
      thrown[t] = std::current_exception();
    }
  });
  for (const std::exception_ptr& e : thrown)
    if (e) std::rethrow_exception(e);
  int32_t status = kFactorOk, failed_at = std::numeric_limits<int32_t>::max();
  for (int32_t k = 0; k < part.parts(); ++k)
    if (part_status[k] != kFactorOk && part_failed[k] < failed_at)
      status = part_status[k], failed_at = part_failed[k];
  if (status == kFactorOk) {
    const int32_t members = std::min<int32_t>(threads::top_thread_count(nthreads), count);
    status = members > 1
                 ? detail::factor_top_shared(workers, part.top, order, members, &failed_at)
                 : workers[0]->run(part.top.data(), static_cast<int64_t>(part.top.size()), order, &failed_at);
  }
  for (const auto& w : workers) detail::add_counters(kernel, w->kernel);
  return status;
}

}  // namespace varnexo::factor
