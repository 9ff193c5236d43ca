// Exported CGS/CG iteration over the handle's control arrays: the words become the iteration's
// options, the factor arguments the preconditioner (one solve::solve with the stored factor), and
// the outcome goes back into the words (refactorisation flag, error number).
#include <algorithm>
#include <complex>
#include <vector>

#include "abi/abi_entries.h"
#include "common/export.h"
#include "common/guard.h"
#include "common/matrix_kind.h"
#include "driver/control.h"
#include "driver/numeric_options.h"
#include "factor/storage.h"
#include "solve/cgs.h"
#include "solve/residual.h"
#include "solve/solve.h"

namespace {

using namespace varnexo;
using solve::IterationStatus;
using dcplx = std::complex<double>;

// The stored factor the preconditioner solves with, as the solve entries take it.
struct SolveArgs {
  const int32_t *perm, *xsuper, *xlindx, *lindx, *xlnz;
  const double* lnz;
  const int32_t* xunz;
  const double* unz;
  const int32_t *pivot, *colpivot;
  double* W;
  const int32_t* q;
  const double* s;
};

// The iteration's options from the words: the tolerance, divergence bound, budget, check
// iteration, method and messages. CG needs a symmetric or Hermitian matrix and preconditioner:
// for the other storage the code asking for it runs CGS.
solve::IterationOptions control_options(const driver::Control& ctl, solve::Storage storage) {
  solve::IterationOptions o;
  o.tolerance = ctl.cgs_tolerance();
  o.divergence_bound = ctl.word(40);
  o.max_iterations = ctl.cgs_budget();
  o.check_iteration = ctl.cgs_half_budget();
  o.conjugate_gradient = magnitude(ctl.cgs_code()) == 2 && storage != solve::Storage::full;
  o.hermitian = storage == solve::Storage::hermitian;
  o.print = ctl.message_level() >= 1;
  return o;
}

template <class T>
void pre_cgs_entry(int32_t n, int32_t nb, const T* a, const int32_t* ia, const int32_t* ja, T* b, T* x,
                   const SolveArgs& f, const driver::Control& ctl, T* work, int64_t work_len, int32_t* status,
                   int32_t* iterations, int32_t copy) {
  const MatrixKind* kind = find_kind(ctl.matrix_type());
  const solve::Storage storage = solve::storage_of(kind);
  const FactorStorage factor_storage =
      ctl.symmetric_storage() == 1 ? FactorStorage::symmetric : FactorStorage::lu;
  const bool lu = factor_storage == FactorStorage::lu;
  solve::IterationOperators<T> op;
  op.n = n;
  op.nb = nb;
  std::vector<T> rowbuf((size_t)std::max(nb, 1));
  const bool transposed = ctl.transposed() == 1;
  op.multiply = [&](const T* v, T* y) {
    solve::amuxy<T>(transposed, n, nb, storage, ia, ja, a, v, y, rowbuf.data());
  };
  // The preconditioner always solves into sol, whatever output switch the caller's words hold.
  const factor::SymbolicFactor sf =
      factor::symbolic_of(ctl.n(), ctl.nsuper(), f.perm, f.xsuper, nullptr, f.xlindx, f.lindx, f.xlnz,
                          lu ? f.xunz : nullptr, nullptr);
  const solve::FactorValues fv{f.lnz, lu ? f.unz : nullptr, f.pivot, f.colpivot};
  op.precondition = [&](const T* rhs, T* sol) {
    if (kind == nullptr) return static_cast<int32_t>(solve::SolveStatus::kernel_missing);
    const solve::SolveOptions o = driver::solve_options(ctl, *kind, factor_storage, false);
    return static_cast<int32_t>(
        solve::solve(sf, fv, o, nb, sol, const_cast<T*>(rhs), f.q, f.s, f.W, ctl.solve_work_values()));
  };
  solve::IterationOptions opt = control_options(ctl, storage);
  opt.matrix_norm = solve::norm_inf(transposed, n, storage, ia, ja, a);
  const solve::IterationResult r = solve::pre_cgs<T>(op, b, x, opt, work, work_len);
  *status = (int32_t)r.status;
  *iterations = r.iterations;
  if (!r.ok()) ctl.refactorise() = 1;  // the fall-back: refactorise
  if (r.status == IterationStatus::work_length)
    ctl.error_num() = -2;
  else if (r.solve_status != 0)
    ctl.error_num() = r.status == IterationStatus::converged ? -3 : r.solve_status;
  if (r.ok() && copy != 0) std::copy(x, x + (int64_t)n * nb, b);
}

}  // namespace

extern "C" {

// exported as pre_cgs_varnexo_: the iteration on A·x = b (A given by n, a, ia, ja in the storage
// of its type) with the factor arguments of solve_varnexo_ as preconditioner.
VARNEXO_EXPORT void pre_cgs_varnexo_(const int32_t* n, const int32_t* nb, const double* a, const int32_t* ia,
                                     const int32_t* ja, double* b, double* x, const int32_t* perm,
                                     const int32_t* xsuper, const int32_t* xlindx, const int32_t* lindx,
                                     const int32_t* xlnz, const double* lnz, const int32_t* xunz,
                                     const double* unz, const int32_t* pivot, const int32_t* colpivot,
                                     const int32_t* part_first, const int32_t* part_rows, double* W,
                                     const int32_t* q, const double* s, int32_t* ibasic, double* rbasic,
                                     double* work, const int64_t* work_len, int32_t* status,
                                     int32_t* iterations, const int32_t* copy) {
  (void)part_first, (void)part_rows;  // one part: the partition is not read
  const SolveArgs f{perm, xsuper, xlindx, lindx, xlnz, lnz, xunz, unz, pivot, colpivot, W, q, s};
  const driver::Control ctl(ibasic, rbasic, nullptr);
  guard_entry(status, {-4, -4}, [&] {
    pre_cgs_entry<double>(*n, *nb, a, ia, ja, b, x, f, ctl, work, *work_len, status, iterations, *copy);
  });
}
VARNEXO_UNDERSCORE_ALIAS(pre_cgs_varnexo_);

// exported as c_pre_cgs_varnexo_: the complex twin; a, b, x and work hold pairs of doubles
// (work_len counts pairs).
VARNEXO_EXPORT void c_pre_cgs_varnexo_(const int32_t* n, const int32_t* nb, const double* a,
                                       const int32_t* ia, const int32_t* ja, double* b, double* x,
                                       const int32_t* perm, const int32_t* xsuper, const int32_t* xlindx,
                                       const int32_t* lindx, const int32_t* xlnz, const double* lnz,
                                       const int32_t* xunz, const double* unz, const int32_t* pivot,
                                       const int32_t* colpivot, const int32_t* part_first,
                                       const int32_t* part_rows, double* W, const int32_t* q, const double* s,
                                       int32_t* ibasic, double* rbasic, double* work, const int64_t* work_len,
                                       int32_t* status, int32_t* iterations, const int32_t* copy) {
  (void)part_first, (void)part_rows;
  const SolveArgs f{perm, xsuper, xlindx, lindx, xlnz, lnz, xunz, unz, pivot, colpivot, W, q, s};
  const driver::Control ctl(ibasic, rbasic, nullptr);
  guard_entry(status, {-4, -4}, [&] {
    pre_cgs_entry<dcplx>(*n, *nb, reinterpret_cast<const dcplx*>(a), ia, ja, reinterpret_cast<dcplx*>(b),
                         reinterpret_cast<dcplx*>(x), f, ctl, reinterpret_cast<dcplx*>(work), *work_len,
                         status, iterations, *copy);
  });
}
VARNEXO_UNDERSCORE_ALIAS(c_pre_cgs_varnexo_);

}  // extern "C"
