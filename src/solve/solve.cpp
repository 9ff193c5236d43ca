// The solve driver (factor -> solve -> refine): the choice of sweep by matrix kind and storage,
// the work block W, the gather and the scatter.
#include "solve/solve.h"

#include <complex>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <vector>

#include "common/onebased.h"
#include "common/scalar.h"
#include "factor/value_map.h"
#include "solve/ldlt_solve.h"
#include "solve/parallel_solve.h"
#include "solve/sweeps.h"
#include "solve/triangular.h"

namespace varnexo::solve {

int32_t offdiag_height(const factor::SymbolicFactor& sf) {
  int32_t h = 0;
  for (int32_t s = 1; s <= sf.nsuper; ++s) {
    const int32_t f = sf.xsuper[s - 1], w = sf.xsuper[s] - f;
    h = std::max(h, (sf.xlindx[s] - sf.xlindx[s - 1]) - w);
  }
  return h;
}

int64_t solve_work_values(const factor::SymbolicFactor& sf, int32_t nb) {
  return std::max<int64_t>(static_cast<int64_t>(std::max(1, offdiag_height(sf))) * nb, sf.n);
}

namespace {

enum class Sweep { cholesky, hermitian_cholesky, ldlt, hermitian_ldlt, lu, lu_complete, missing };

// The sweep of a kind in a storage: the symmetric storage solves the Cholesky and LDLᵀ/LDLᴴ
// factors (a real structurally symmetric matrix factorised from its triangle by LDLᵀ too); the
// LU storage solves the LU factors of the structurally symmetric and unsymmetric kinds.
Sweep sweep_of(const MatrixKind& k, FactorStorage storage) {
  if (storage == FactorStorage::symmetric) {
    if (k.pivoting == PivotFamily::cholesky)
      return k.hermitian() ? Sweep::hermitian_cholesky : Sweep::cholesky;
    if (k.pivoting == PivotFamily::ldlt) return k.hermitian() ? Sweep::hermitian_ldlt : Sweep::ldlt;
    if (k.structurally_symmetric() && !k.is_complex()) return Sweep::ldlt;
    return Sweep::missing;
  }
  if (k.pivoting == PivotFamily::lu_rows) return Sweep::lu;
  if (k.pivoting == PivotFamily::lu_complete) return Sweep::lu_complete;
  return Sweep::missing;
}

// The sweeps of one factor over the gathered right-hand sides x (n·nb values of the factor's
// scalar), with W of leading dimension ldw.
template <class T>
void run_sweeps(Sweep sweep, const FactorView<T>& F, T* x, int32_t nb, T* W, int32_t ldw, const Mapping& map,
                const SolveOptions& o) {
  switch (sweep) {
    case Sweep::cholesky:
    case Sweep::hermitian_cholesky:
      cholesky_solve(F, x, nb, W, ldw, map.part, sweep == Sweep::hermitian_cholesky);
      break;
    case Sweep::ldlt:
    case Sweep::hermitian_ldlt:
      ldlt_solve(F, x, nb, W, ldw, map.part, o.bunch_kaufman, sweep == Sweep::hermitian_ldlt);
      break;
    case Sweep::lu:
    case Sweep::lu_complete:
      if (map.transposed)
        lu_solve_transposed(F, x, nb, W, ldw, map.part, sweep == Sweep::lu_complete);
      else
        lu_solve(F, x, nb, W, ldw, map.part, sweep == Sweep::lu_complete);
      break;
    case Sweep::missing:
      break;
  }
}

// One right-hand side over the subtrees of the partition, with the steps of the sweep (the
// level-2 steps of the one-thread sweeps, each thread with its own work column).
template <class T>
void solve_over_partition(Sweep sweep, const FactorView<T>& F, const SolveOptions& o, T* x, int32_t ldw,
                          const Mapping& map) {
  const TreePartition& tp = *o.partition;
  const bool hermitian = sweep == Sweep::hermitian_cholesky || sweep == Sweep::hermitian_ldlt;
  const bool complete = sweep == Sweep::lu_complete;
  const bool bk = o.bunch_kaufman;
  auto none = [](const Panel<T>&, T*) {};
  switch (sweep) {
    case Sweep::cholesky:
    case Sweep::hermitian_cholesky:
      solve_partitioned(
          F, x, map.part, tp, o.threads, ldw,
          [&](const Panel<T>& p, T* v, T* W, const Spill<T>* s) { cholesky_forward(F, p, v, 1, W, ldw, s); },
          none, [&](const Panel<T>& p, T* v, T* W) { cholesky_backward(F, p, v, 1, W, ldw, hermitian); });
      break;
    case Sweep::ldlt:
    case Sweep::hermitian_ldlt:
      solve_partitioned(
          F, x, map.part, tp, o.threads, ldw,
          [&](const Panel<T>& p, T* v, T* W, const Spill<T>* s) { ldlt_forward(F, p, v, 1, W, ldw, bk, s); },
          [&](const Panel<T>& p, T* v) { ldlt_diagonal(F, p, v, 1, bk, hermitian); },
          [&](const Panel<T>& p, T* v, T* W) { ldlt_backward(F, p, v, 1, W, ldw, bk, hermitian); });
      break;
    case Sweep::lu:
    case Sweep::lu_complete:
      solve_partitioned(
          F, x, map.part, tp, o.threads, ldw,
          [&](const Panel<T>& p, T* v, T* W, const Spill<T>* s) { lu_forward(F, p, v, 1, W, ldw, s); }, none,
          [&](const Panel<T>& p, T* v, T* W) { lu_backward(F, p, v, 1, W, ldw, complete); });
      break;
    case Sweep::missing:
      break;
  }
}

// The sweeps on several threads when the options ask for them: four or more right-hand sides in
// blocks of columns, one right-hand side over the subtrees; the transposed solve in one thread.
template <class T>
void run_sweeps_threaded(Sweep sweep, const FactorView<T>& F, T* x, int32_t nb, T* W, int32_t ldw,
                         const Mapping& map, const SolveOptions& o) {
  if (o.threads > 1 && !map.transposed) {
    if (column_blocks(o.threads, nb) >= 2) {
      solve_by_columns(o.threads, F.n, nb, x, W, ldw,
                       [&](T* xb, int32_t cols, T* Wb) { run_sweeps(sweep, F, xb, cols, Wb, ldw, map, o); });
      return;
    }
    if (nb == 1 && o.partition_switch && o.partition != nullptr && o.partition->parallel()) {
      solve_over_partition(sweep, F, o, x, ldw, map);
      return;
    }
  }
  run_sweeps(sweep, F, x, nb, W, ldw, map, o);
}

// One solve with a factor of scalar T; the right-hand sides and solutions are in double
// precision (D). A single-precision factor solves a copy of the gathered values rounded to its
// precision, which is widened back before the scatter: the permutation and the scaling stay in
// double precision.
template <class T>
SolveStatus run(Sweep sweep, const factor::SymbolicFactor& sf, const FactorValues& fv, const SolveOptions& o,
                int32_t nb, void* xv, void* bv, const Mapping& map, void* work, int64_t work_values) {
  using D = factor::source_t<T>;
  FactorView<T> F(sf, static_cast<const T*>(fv.lnz), sf.xunz ? static_cast<const T*>(fv.unz) : nullptr,
                  fv.pivot, fv.colpivot);
  D* x = static_cast<D*>(xv);
  D* b = static_cast<D*>(bv);
  gather_rhs(map, nb, b, x);
  const int32_t ldw = std::max(1, offdiag_height(sf));
  if (sf.nsuper > 0) {
    if constexpr (std::is_same_v<T, D>) {
      T* W = static_cast<T*>(work);
      std::vector<T> own;
      if (work_values < static_cast<int64_t>(ldw) * nb) {  // W too short for the sweeps: private block
        own.resize(static_cast<size_t>(ldw) * nb);
        W = own.data();
      }
      run_sweeps_threaded(sweep, F, x, nb, W, ldw, map, o);
    } else {
      const int64_t len = static_cast<int64_t>(sf.n) * nb;
      std::vector<T> xs(static_cast<size_t>(len)), W(static_cast<size_t>(ldw) * nb);
      narrow_values(len, x, xs.data());
      run_sweeps_threaded(sweep, F, xs.data(), nb, W.data(), ldw, map, o);
      widen_values(len, xs.data(), x);
    }
  }
  scatter_rhs(map, nb, x, b, o.into_b, static_cast<D*>(work), work ? work_values : 0);
  return SolveStatus::ok;
}

}  // namespace

SolveStatus solve(const factor::SymbolicFactor& sf, const FactorValues& factor, const SolveOptions& o,
                  int32_t nb, void* x, void* b, const int32_t* row_map, const double* scaling, void* work,
                  int64_t work_values) {
  if (o.kind == nullptr) return SolveStatus::kernel_missing;
  const MatrixKind& kind = *o.kind;
  const Sweep sweep = sweep_of(kind, o.storage);
  if (sweep == Sweep::missing) return SolveStatus::kernel_missing;
  Mapping map;
  map.n = sf.n;
  map.perm = sf.perm;
  map.row_map = row_map;
  map.scaling = scaling;
  map.scaled = o.scaling && scaling != nullptr;
  map.unsymmetric = kind.unsymmetric();
  // The symmetric storage has no transposed solve: Aᵀ = A (or its conjugate for Hermitian A).
  map.transposed = o.storage == FactorStorage::lu && o.transposed;
  map.part = static_cast<int32_t>(o.stage);
  try {
    const Precision precision =
        o.single_precision ? Precision::single_precision : Precision::double_precision;
    return dispatch_scalar(kind, precision, [&](auto zero) {
      return run<decltype(zero)>(sweep, sf, factor, o, nb, x, b, map, work, work_values);
    });
  } catch (const std::bad_alloc&) {
    return SolveStatus::out_of_memory;
  } catch (const std::length_error&) {
    return SolveStatus::out_of_memory;
  }
}

}  // namespace varnexo::solve
