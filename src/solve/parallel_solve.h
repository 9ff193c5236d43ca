// The solve on several threads (factor -> solve): many right-hand sides split into blocks of
// columns, one block per thread; one right-hand side over the subtrees of the processor
// partition, the updates that leave a subtree gathered apart and added once all are done.
#pragma once
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

#include "common/partition.h"
#include "common/threads.h"
#include "solve/sweeps.h"

namespace varnexo::solve {

// Blocks of columns the right-hand sides are split into: at most one per thread and at least two
// columns each, so that every block keeps the sweeps of several right-hand sides (trsm and gemm
// per supernode). Fewer than two blocks: one thread.
inline int32_t column_blocks(int32_t threads, int32_t nb) { return std::min(threads, nb / 2); }

// Runs sweep(x_block, columns, W_block) on the column blocks of the nb columns of x (leading
// dimension n) at once; block k uses the columns of W (leading dimension ldw) of its own columns.
template <class T, class Sweep>
void solve_by_columns(int32_t threads, int32_t n, int32_t nb, T* x, T* W, int32_t ldw, const Sweep& sweep) {
  const int32_t blocks = column_blocks(threads, nb);
  threads::BlasThreads blas(1);
  threads::run_workers(blocks, [&](int32_t k) {
    const int32_t j0 = static_cast<int32_t>(static_cast<int64_t>(nb) * k / blocks);
    const int32_t j1 = static_cast<int32_t>(static_cast<int64_t>(nb) * (k + 1) / blocks);
    sweep(x + static_cast<int64_t>(j0) * n, j1 - j0, W + static_cast<int64_t>(j0) * ldw);
  });
}

// The solve of one right-hand side over the partition, with the stages `part` asks for. The
// forward stage runs the parts at once, each sending the updates of the rows above it (rows of
// `top`) into an accumulator of its own; the accumulators are added into x in part order, then
// the supernodes of `top` run in increasing order. The backward stage runs `top` in decreasing
// order first, then the parts at once. The result is that of the one-thread order up to the
// rounding of the accumulated sums. The steps of one supernode, each with a work column W of
// ldw values that belongs to the thread running it: forward(panel, x, W, spill),
// diagonal(panel, x) (the D of LDLᵀ factors; nothing for the others), backward(panel, x, W).
template <class T, class Forward, class Diagonal, class Backward>
void solve_partitioned(const FactorView<T>& F, T* x, int32_t part, const TreePartition& tp, int32_t threads,
                       int32_t ldw, const Forward& forward, const Diagonal& diagonal,
                       const Backward& backward) {
  const int32_t parts = tp.parts();
  const int32_t workers = std::min(threads, parts);
  std::vector<int32_t> slot(F.n, -1);
  int32_t ntop = 0;
  for (int32_t s : tp.top)
    for (int32_t c = F.xsuper(s); c < F.xsuper(s + 1); ++c) slot[c - 1] = ntop++;
  std::vector<T> work(static_cast<size_t>(workers) * ldw, T(0));
  auto work_of = [&](int32_t worker) { return work.data() + static_cast<int64_t>(worker) * ldw; };
  threads::BlasThreads blas(1);
  if (part != kBackwardOnly) {
    std::vector<T> acc(static_cast<size_t>(parts) * ntop, T(0));
    std::atomic<int32_t> next{0};
    threads::run_workers(workers, [&](int32_t worker) {
      for (int32_t k = next.fetch_add(1); k < parts; k = next.fetch_add(1)) {
        // The rows of a part's supernodes beyond its root's last column are rows of `top`.
        const Spill<T> spill{F.xsuper(tp.root[k] + 1) - 1, acc.data() + static_cast<int64_t>(k) * ntop,
                             slot.data()};
        for (int64_t i = tp.start[k]; i < tp.start[k + 1]; ++i)
          forward(panel(F, tp.members[i]), x, work_of(worker), &spill);
      }
    });
    for (int32_t s : tp.top)
      for (int32_t c = F.xsuper(s); c < F.xsuper(s + 1); ++c)
        for (int32_t k = 0; k < parts; ++k) x[c - 1] += acc[static_cast<int64_t>(k) * ntop + slot[c - 1]];
    for (int32_t s : tp.top) forward(panel(F, s), x, work_of(0), nullptr);
  }
  if (part == kForwardOnly) return;
  for (int32_t s : tp.top) diagonal(panel(F, s), x);
  for (auto s = tp.top.rbegin(); s != tp.top.rend(); ++s) backward(panel(F, *s), x, work_of(0));
  std::atomic<int32_t> next{0};
  threads::run_workers(workers, [&](int32_t worker) {
    for (int32_t k = next.fetch_add(1); k < parts; k = next.fetch_add(1)) {
      for (int64_t i = tp.start[k]; i < tp.start[k + 1]; ++i) diagonal(panel(F, tp.members[i]), x);
      for (int64_t i = tp.start[k + 1] - 1; i >= tp.start[k]; --i)
        backward(panel(F, tp.members[i]), x, work_of(worker));
    }
  });
}

}  // namespace varnexo::solve
