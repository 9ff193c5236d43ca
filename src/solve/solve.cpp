// The solve driver (factor -> solve -> refine): the choice of sweep by matrix type and storage,
// the work block W, and the Fortran-style entries.
#include "solve/solve.h"

#include <complex>
#include <cstdlib>
#include <new>
#include <vector>

#include "common/export.h"
#include "common/onebased.h"
#include "common/scalar.h"
#include "solve/ldlt_solve.h"
#include "solve/solve_entries.h"
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

Sweep sweep_of(int32_t type, bool symmetric_storage) {
  if (symmetric_storage) {
    if (type == 2) return Sweep::cholesky;
    if (type == 4) return Sweep::hermitian_cholesky;
    if ((type >= -2 && type <= 1) || type == 6) return Sweep::ldlt;
    if (type == -4) return Sweep::hermitian_ldlt;
    return Sweep::missing;
  }
  if (type == 1 || type == 3) return Sweep::lu;
  if (type == 11 || type == 13) return Sweep::lu_complete;
  return Sweep::missing;
}

template <class T>
int32_t run(Sweep sweep, const factor::SymbolicFactor& sf, const void* lnz, const void* unz,
            const int32_t* pivot, const int32_t* colpivot, OneBased<const int32_t> ib, int32_t nb, void* xv,
            void* bv, const Mapping& map, void* work, int64_t work_values, bool into_b) {
  FactorView<T> F(sf, static_cast<const T*>(lnz), sf.xunz ? static_cast<const T*>(unz) : nullptr, pivot,
                  colpivot);
  T* x = static_cast<T*>(xv);
  T* b = static_cast<T*>(bv);
  T* W = static_cast<T*>(work);
  gather_rhs(map, nb, b, x);
  const int32_t ldw = std::max(1, offdiag_height(sf));
  std::vector<T> own;
  if (work_values < static_cast<int64_t>(ldw) * nb) {  // W too short for the sweeps: private block
    own.resize(static_cast<size_t>(ldw) * nb);
    W = own.data();
  }
  if (sf.nsuper > 0) {
    const bool transposed = ib(19) != 1 && ib(68) != 0;
    switch (sweep) {
      case Sweep::cholesky:
      case Sweep::hermitian_cholesky:
        cholesky_solve(F, x, nb, W, ldw, map.part, sweep == Sweep::hermitian_cholesky);
        break;
      case Sweep::ldlt:
      case Sweep::hermitian_ldlt:
        ldlt_solve(F, x, nb, W, ldw, map.part, ib(51) != 0, sweep == Sweep::hermitian_ldlt);
        break;
      case Sweep::lu:
      case Sweep::lu_complete:
        if (transposed)
          lu_solve_transposed(F, x, nb, map.part, sweep == Sweep::lu_complete);
        else
          lu_solve(F, x, nb, W, ldw, map.part, sweep == Sweep::lu_complete);
        break;
      case Sweep::missing:
        break;
    }
  }
  scatter_rhs(map, nb, x, b, into_b, static_cast<T*>(work), work ? work_values : 0);
  return kSolveOk;
}

}  // namespace

int32_t solve_arrays(const factor::SymbolicFactor& sf, const void* lnz, const void* unz, const int32_t* pivot,
                     const int32_t* colpivot, const int32_t* ibasic, int32_t nb, void* x, void* b,
                     const int32_t* row_map, const double* scaling, void* work, int64_t work_values,
                     bool into_b) {
  const OneBased<const int32_t> ib(ibasic, 100);
  const int32_t type = ib(12);
  const bool symmetric = ib(19) == 1;
  const Sweep sweep = sweep_of(type, symmetric);
  // Only types -2 and 1 have single-precision factors; every other type is solved in double.
  if (sweep == Sweep::missing || (ib(83) != 0 && (type == -2 || type == 1))) return kSolveKernelMissing;
  Mapping map;
  map.n = sf.n;
  map.perm = sf.perm;
  map.row_map = row_map;
  map.scaling = scaling;
  map.scaled = ib(69) >= 1 && scaling != nullptr;
  map.unsymmetric = type == 11 || type == 13;
  map.transposed = !symmetric && ib(68) != 0;
  map.part = ib(73);
  try {
    const bool complex_values = !(magnitude(type) <= 2 || type == 11);
    if (complex_values)
      return run<std::complex<double>>(sweep, sf, lnz, unz, pivot, colpivot, ib, nb, x, b, map, work,
                                       work_values, into_b);
    return run<double>(sweep, sf, lnz, unz, pivot, colpivot, ib, nb, x, b, map, work, work_values, into_b);
  } catch (const std::bad_alloc&) {
    return -2;
  }
}

int32_t solve(const factor::SymbolicFactor& sf, const void* factor_block, const int32_t* pivot,
              const int32_t* colpivot, const int32_t* ibasic, int32_t nb, void* x, void* b,
              const int32_t* row_map, const double* scaling, void* work, int64_t work_values, bool into_b) {
  const int32_t type = ibasic[11];
  const int w = (magnitude(type) <= 2 || type == 11) ? 1 : 2;
  const double* unz = ibasic[18] == 1
                          ? nullptr
                          : static_cast<const double*>(factor_block) + static_cast<int64_t>(ibasic[33]) * w;
  return solve_arrays(sf, factor_block, unz, pivot, colpivot, ibasic, nb, x, b, row_map, scaling, work,
                      work_values, into_b);
}

}  // namespace varnexo::solve

namespace {

// The Fortran-style solve entries share one argument list:
//   nb, x, b, perm, xsuper, xlindx, lindx, xlnz, lnz, xunz, unz, pivot, colpivot, the processor
//   partition (two arrays, not read: this library runs one part), ibasic, W, q, s, error.
// ibasic words read: 1 n, 12 type, 19 storage, 31 nsuper, 44 size of W in values, 51, 52 output
// switch (1: solution into b), 68 transposed, 69 scaling, 73 part, 83 single precision.
// error out: 0, or -10 when no sweep of this library serves the type yet.
void solve_entry(int32_t storage, const int32_t* nb, double* x, double* b, const int32_t* perm,
                 const int32_t* xsuper, const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz,
                 const double* lnz, const int32_t* xunz, const double* unz, const int32_t* pivot,
                 const int32_t* colpivot, const int32_t* ibasic, double* W, const int32_t* q, const double* s,
                 int32_t* error) {
  varnexo::factor::SymbolicFactor sf;
  sf.n = ibasic[0];
  sf.nsuper = ibasic[30];
  sf.perm = const_cast<int32_t*>(perm);
  sf.xsuper = const_cast<int32_t*>(xsuper);
  sf.xlindx = const_cast<int32_t*>(xlindx);
  sf.lindx = const_cast<int32_t*>(lindx);
  sf.xlnz = const_cast<int32_t*>(xlnz);
  sf.xunz = storage == 1 ? nullptr : const_cast<int32_t*>(xunz);
  int32_t ib[100];
  std::copy(ibasic, ibasic + 100, ib);
  ib[18] = storage;
  if (storage == 1) ib[67] = 0;  // the symmetric storage has no transposed solve
  *error = varnexo::solve::solve_arrays(sf, lnz, storage == 1 ? nullptr : unz, pivot, colpivot, ib, *nb, x, b,
                                        q, s, W, ibasic[43], ibasic[51] == 1);
}

}  // namespace

extern "C" VARNEXO_EXPORT void solve_varnexo_(const int32_t* nb, double* x, double* b, const int32_t* perm,
                                              const int32_t* xsuper, const int32_t* xlindx,
                                              const int32_t* lindx, const int32_t* xlnz, const double* lnz,
                                              const int32_t* xunz, const double* unz, const int32_t* pivot,
                                              const int32_t* colpivot, const int32_t* part_first,
                                              const int32_t* part_rows, const int32_t* ibasic, double* W,
                                              const int32_t* q, const double* s, int32_t* error) {
  (void)part_first;
  (void)part_rows;
  solve_entry(ibasic[18] == 1 ? 1 : 0, nb, x, b, perm, xsuper, xlindx, lindx, xlnz, lnz, xunz, unz, pivot,
              colpivot, ibasic, W, q, s, error);
}
VARNEXO_UNDERSCORE_ALIAS(solve_varnexo_);

extern "C" VARNEXO_EXPORT void sssslv_varnexo_(const int32_t* nb, double* x, double* b, const int32_t* perm,
                                               const int32_t* xsuper, const int32_t* xlindx,
                                               const int32_t* lindx, const int32_t* xlnz, const double* lnz,
                                               const int32_t* xunz, const double* unz, const int32_t* pivot,
                                               const int32_t* colpivot, const int32_t* part_first,
                                               const int32_t* part_rows, const int32_t* ibasic, double* W,
                                               const int32_t* q, const double* s, int32_t* error) {
  (void)part_first;
  (void)part_rows;
  solve_entry(1, nb, x, b, perm, xsuper, xlindx, lindx, xlnz, lnz, xunz, unz, pivot, colpivot, ibasic, W, q,
              s, error);
}
VARNEXO_UNDERSCORE_ALIAS(sssslv_varnexo_);

extern "C" VARNEXO_EXPORT void ssnslv_varnexo_(const int32_t* nb, double* x, double* b, const int32_t* perm,
                                               const int32_t* xsuper, const int32_t* xlindx,
                                               const int32_t* lindx, const int32_t* xlnz, const double* lnz,
                                               const int32_t* xunz, const double* unz, const int32_t* pivot,
                                               const int32_t* colpivot, const int32_t* part_first,
                                               const int32_t* part_rows, const int32_t* ibasic, double* W,
                                               const int32_t* q, const double* s, int32_t* error) {
  (void)part_first;
  (void)part_rows;
  solve_entry(0, nb, x, b, perm, xsuper, xlindx, lindx, xlnz, lnz, xunz, unz, pivot, colpivot, ibasic, W, q,
              s, error);
}
VARNEXO_UNDERSCORE_ALIAS(ssnslv_varnexo_);
