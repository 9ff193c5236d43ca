// Fortran-style entries of the supernodal solves with pivoted factors (factor -> solve): the
// LDLᵀ solves with 1×1/2×2 blocks, the LU solves with row or complete pivoting (also
// transposed), and the interchange routines of one right-hand side.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/export.h"
#include "common/guard.h"
#include "solve/ldlt_solve.h"
#include "solve/solve.h"
#include "solve/solve_entries.h"
#include "solve/triangular.h"

namespace {

using namespace varnexo;
using namespace varnexo::solve;

factor::SymbolicFactor structure(const int32_t* n, const int32_t* nsuper, const int32_t* xsuper,
                                 const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz,
                                 const int32_t* xunz) {
  factor::SymbolicFactor sf;
  sf.n = *n;
  sf.nsuper = *nsuper;
  sf.xsuper = const_cast<int32_t*>(xsuper);
  sf.xlindx = const_cast<int32_t*>(xlindx);
  sf.lindx = const_cast<int32_t*>(lindx);
  sf.xlnz = const_cast<int32_t*>(xlnz);
  sf.xunz = const_cast<int32_t*>(xunz);
  return sf;
}

// W must hold ldw·nb values with ldw at least the largest off-diagonal height; a shorter
// ldw is replaced by private scratch so that no call writes outside the caller's block.
template <class T>
T* sized_work(const factor::SymbolicFactor& sf, int32_t nb, T* W, int32_t* ldw, std::vector<T>& own) {
  const int32_t need = std::max(1, offdiag_height(sf));
  if (*ldw >= need && W != nullptr) return W;
  own.assign(static_cast<size_t>(need) * std::max(1, nb), T(0));
  *ldw = need;
  return own.data();
}

// What a solve entry reports when its body throws: -2 when private scratch for W cannot be
// obtained, -1 for any other failure.
constexpr EntryFailure kSolveFailure{-2, -1};

// The complex entries pass pairs of doubles, the single-precision ones floats; T is the scalar
// they hold.
template <class T = double>
void ldlt_entry(const int32_t* n, const int32_t* nsuper, int32_t nb, const int32_t* xsuper,
                const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz, const void* lnz,
                const int32_t* pivot, const int32_t* mode, void* x, void* W, const int32_t* ldw,
                const int32_t* part, int32_t* error, bool hermitian = false) {
  *error = 0;
  if (*nsuper <= 0) return;
  guard_entry(error, kSolveFailure, [&] {
    const factor::SymbolicFactor sf = structure(n, nsuper, xsuper, xlindx, lindx, xlnz, nullptr);
    const FactorView<T> F(sf, static_cast<const T*>(lnz), nullptr, pivot, nullptr);
    std::vector<T> own;
    int32_t ld = *ldw;
    T* w = sized_work(sf, nb, static_cast<T*>(W), &ld, own);
    ldlt_solve(F, static_cast<T*>(x), nb, w, ld, *part, *mode != 0, hermitian);
  });
}

template <class T = double>
void lu_entry(const int32_t* n, const int32_t* nsuper, int32_t nb, const int32_t* xsuper,
              const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz, const double* lnz,
              const int32_t* xunz, const double* unz, const int32_t* pivot, const int32_t* colpivot,
              double* x, double* W, const int32_t* ldw, const int32_t* part, const int32_t* transposed,
              int32_t* error) {
  *error = 0;
  if (*nsuper <= 0) return;
  guard_entry(error, kSolveFailure, [&] {
    const factor::SymbolicFactor sf = structure(n, nsuper, xsuper, xlindx, lindx, xlnz, xunz);
    const FactorView<T> F(sf, reinterpret_cast<const T*>(lnz), reinterpret_cast<const T*>(unz), pivot,
                          colpivot);
    T* xt = reinterpret_cast<T*>(x);
    std::vector<T> own;
    int32_t ld = *ldw;
    T* w = sized_work(sf, nb, reinterpret_cast<T*>(W), &ld, own);
    if (*transposed != 0)
      lu_solve_transposed(F, xt, nb, w, ld, *part, colpivot != nullptr);
    else
      lu_solve(F, xt, nb, w, ld, *part, colpivot != nullptr);
  });
}

}  // namespace

// LDLᵀ solves. x: n·nb values (leading dimension n), solved in place; W: ldw·nb values;
// mode != 0: Bunch–Kaufman records, 0: diagonal pivoting; part 0 whole, 1 forward (L⁻¹·Pᵀ),
// 2 backward (P·L⁻ᵀ·D⁻¹). error out: 0, or -2 when private scratch for W cannot be obtained.
extern "C" VARNEXO_EXPORT void blkldlslvs_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* nb,
                                                   const int32_t* xsuper, const int32_t* xlindx,
                                                   const int32_t* lindx, const int32_t* xlnz,
                                                   const double* lnz, const int32_t* pivot,
                                                   const int32_t* mode, double* x, double* W,
                                                   const int32_t* ldw, const int32_t* part, int32_t* error) {
  ldlt_entry(n, nsuper, *nb, xsuper, xlindx, lindx, xlnz, lnz, pivot, mode, x, W, ldw, part, error);
}
VARNEXO_UNDERSCORE_ALIAS(blkldlslvs_varnexo_);

// One right-hand side (column loops for the off-diagonal blocks).
extern "C" VARNEXO_EXPORT void blkldlslvs1_varnexo_(const int32_t* n, const int32_t* nsuper,
                                                    const int32_t* xsuper, const int32_t* xlindx,
                                                    const int32_t* lindx, const int32_t* xlnz,
                                                    const double* lnz, const int32_t* pivot,
                                                    const int32_t* mode, double* x, const int32_t* part,
                                                    int32_t* error) {
  const int32_t ldw = 0;
  ldlt_entry(n, nsuper, 1, xsuper, xlindx, lindx, xlnz, lnz, pivot, mode, x, nullptr, &ldw, part, error);
}
VARNEXO_UNDERSCORE_ALIAS(blkldlslvs1_varnexo_);

// Single-precision twins: lnz, x and W in 4-byte reals.
extern "C" VARNEXO_EXPORT void blkldlslvs_32_varnexo_(
    const int32_t* n, const int32_t* nsuper, const int32_t* nb, const int32_t* xsuper, const int32_t* xlindx,
    const int32_t* lindx, const int32_t* xlnz, const float* lnz, const int32_t* pivot, const int32_t* mode,
    float* x, float* W, const int32_t* ldw, const int32_t* part, int32_t* error) {
  ldlt_entry<float>(n, nsuper, *nb, xsuper, xlindx, lindx, xlnz, lnz, pivot, mode, x, W, ldw, part, error);
}
VARNEXO_UNDERSCORE_ALIAS(blkldlslvs_32_varnexo_);

extern "C" VARNEXO_EXPORT void blkldlslvs1_32_varnexo_(const int32_t* n, const int32_t* nsuper,
                                                       const int32_t* xsuper, const int32_t* xlindx,
                                                       const int32_t* lindx, const int32_t* xlnz,
                                                       const float* lnz, const int32_t* pivot,
                                                       const int32_t* mode, float* x, const int32_t* part,
                                                       int32_t* error) {
  const int32_t ldw = 0;
  ldlt_entry<float>(n, nsuper, 1, xsuper, xlindx, lindx, xlnz, lnz, pivot, mode, x, nullptr, &ldw, part,
                    error);
}
VARNEXO_UNDERSCORE_ALIAS(blkldlslvs1_32_varnexo_);

// LU solves with row interchanges (types 1, 3). transposed != 0 solves Aᵀ·x = b.
extern "C" VARNEXO_EXPORT void blkslv_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* nb,
                                               const int32_t* xsuper, const int32_t* xlindx,
                                               const int32_t* lindx, const int32_t* xlnz, const double* lnz,
                                               const int32_t* xunz, const double* unz, const int32_t* pivot,
                                               double* x, double* W, const int32_t* ldw, const int32_t* part,
                                               const int32_t* transposed, int32_t* error) {
  lu_entry(n, nsuper, *nb, xsuper, xlindx, lindx, xlnz, lnz, xunz, unz, pivot, nullptr, x, W, ldw, part,
           transposed, error);
}
VARNEXO_UNDERSCORE_ALIAS(blkslv_varnexo_);

extern "C" VARNEXO_EXPORT void blkslv1_varnexo_(const int32_t* n, const int32_t* nsuper,
                                                const int32_t* xsuper, const int32_t* xlindx,
                                                const int32_t* lindx, const int32_t* xlnz, const double* lnz,
                                                const int32_t* xunz, const double* unz, const int32_t* pivot,
                                                double* x, const int32_t* part, const int32_t* transposed,
                                                int32_t* error) {
  const int32_t ldw = 0;
  lu_entry(n, nsuper, 1, xsuper, xlindx, lindx, xlnz, lnz, xunz, unz, pivot, nullptr, x, nullptr, &ldw, part,
           transposed, error);
}
VARNEXO_UNDERSCORE_ALIAS(blkslv1_varnexo_);

// LU solves with row and column interchanges (types 11, 13).
extern "C" VARNEXO_EXPORT void blkslv_unsym_varnexo_(
    const int32_t* n, const int32_t* nsuper, const int32_t* nb, const int32_t* xsuper, const int32_t* xlindx,
    const int32_t* lindx, const int32_t* xlnz, const double* lnz, const int32_t* xunz, const double* unz,
    const int32_t* pivot, const int32_t* colpivot, double* x, double* W, const int32_t* ldw,
    const int32_t* part, const int32_t* transposed, int32_t* error) {
  lu_entry(n, nsuper, *nb, xsuper, xlindx, lindx, xlnz, lnz, xunz, unz, pivot, colpivot, x, W, ldw, part,
           transposed, error);
}
VARNEXO_UNDERSCORE_ALIAS(blkslv_unsym_varnexo_);

extern "C" VARNEXO_EXPORT void blkslv1_unsym_varnexo_(const int32_t* n, const int32_t* nsuper,
                                                      const int32_t* xsuper, const int32_t* xlindx,
                                                      const int32_t* lindx, const int32_t* xlnz,
                                                      const double* lnz, const int32_t* xunz,
                                                      const double* unz, const int32_t* pivot,
                                                      const int32_t* colpivot, double* x, const int32_t* part,
                                                      const int32_t* transposed, int32_t* error) {
  const int32_t ldw = 0;
  lu_entry(n, nsuper, 1, xsuper, xlindx, lindx, xlnz, lnz, xunz, unz, pivot, colpivot, x, nullptr, &ldw, part,
           transposed, error);
}
VARNEXO_UNDERSCORE_ALIAS(blkslv1_unsym_varnexo_);

// The complex twins: the same arguments with pairs of doubles in lnz, unz, x and W. The
// complex symmetric LDLᵀ solves (type 6) and the Hermitian LDLᴴ solves (type -4):
extern "C" VARNEXO_EXPORT void c_blkslvs_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* nb,
                                                  const int32_t* xsuper, const int32_t* xlindx,
                                                  const int32_t* lindx, const int32_t* xlnz,
                                                  const double* lnz, const int32_t* pivot,
                                                  const int32_t* mode, double* x, double* W,
                                                  const int32_t* ldw, const int32_t* part, int32_t* error) {
  ldlt_entry<dcomplex>(n, nsuper, *nb, xsuper, xlindx, lindx, xlnz, lnz, pivot, mode, x, W, ldw, part, error);
}
VARNEXO_UNDERSCORE_ALIAS(c_blkslvs_varnexo_);

extern "C" VARNEXO_EXPORT void c_blkslvs1_varnexo_(const int32_t* n, const int32_t* nsuper,
                                                   const int32_t* xsuper, const int32_t* xlindx,
                                                   const int32_t* lindx, const int32_t* xlnz,
                                                   const double* lnz, const int32_t* pivot,
                                                   const int32_t* mode, double* x, const int32_t* part,
                                                   int32_t* error) {
  const int32_t ldw = 0;
  ldlt_entry<dcomplex>(n, nsuper, 1, xsuper, xlindx, lindx, xlnz, lnz, pivot, mode, x, nullptr, &ldw, part,
                       error);
}
VARNEXO_UNDERSCORE_ALIAS(c_blkslvs1_varnexo_);

extern "C" VARNEXO_EXPORT void ch_blkldlslvs_varnexo_(
    const int32_t* n, const int32_t* nsuper, const int32_t* nb, const int32_t* xsuper, const int32_t* xlindx,
    const int32_t* lindx, const int32_t* xlnz, const double* lnz, const int32_t* pivot, const int32_t* mode,
    double* x, double* W, const int32_t* ldw, const int32_t* part, int32_t* error) {
  ldlt_entry<dcomplex>(n, nsuper, *nb, xsuper, xlindx, lindx, xlnz, lnz, pivot, mode, x, W, ldw, part, error,
                       true);
}
VARNEXO_UNDERSCORE_ALIAS(ch_blkldlslvs_varnexo_);

extern "C" VARNEXO_EXPORT void ch_blkldlslvs1_varnexo_(const int32_t* n, const int32_t* nsuper,
                                                       const int32_t* xsuper, const int32_t* xlindx,
                                                       const int32_t* lindx, const int32_t* xlnz,
                                                       const double* lnz, const int32_t* pivot,
                                                       const int32_t* mode, double* x, const int32_t* part,
                                                       int32_t* error) {
  const int32_t ldw = 0;
  ldlt_entry<dcomplex>(n, nsuper, 1, xsuper, xlindx, lindx, xlnz, lnz, pivot, mode, x, nullptr, &ldw, part,
                       error, true);
}
VARNEXO_UNDERSCORE_ALIAS(ch_blkldlslvs1_varnexo_);

// Complex LU solves (types 3 and 13).
extern "C" VARNEXO_EXPORT void c_blkslv_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* nb,
                                                 const int32_t* xsuper, const int32_t* xlindx,
                                                 const int32_t* lindx, const int32_t* xlnz, const double* lnz,
                                                 const int32_t* xunz, const double* unz, const int32_t* pivot,
                                                 double* x, double* W, const int32_t* ldw,
                                                 const int32_t* part, const int32_t* transposed,
                                                 int32_t* error) {
  lu_entry<dcomplex>(n, nsuper, *nb, xsuper, xlindx, lindx, xlnz, lnz, xunz, unz, pivot, nullptr, x, W, ldw,
                     part, transposed, error);
}
VARNEXO_UNDERSCORE_ALIAS(c_blkslv_varnexo_);

extern "C" VARNEXO_EXPORT void c_blkslv1_varnexo_(const int32_t* n, const int32_t* nsuper,
                                                  const int32_t* xsuper, const int32_t* xlindx,
                                                  const int32_t* lindx, const int32_t* xlnz,
                                                  const double* lnz, const int32_t* xunz, const double* unz,
                                                  const int32_t* pivot, double* x, const int32_t* part,
                                                  const int32_t* transposed, int32_t* error) {
  const int32_t ldw = 0;
  lu_entry<dcomplex>(n, nsuper, 1, xsuper, xlindx, lindx, xlnz, lnz, xunz, unz, pivot, nullptr, x, nullptr,
                     &ldw, part, transposed, error);
}
VARNEXO_UNDERSCORE_ALIAS(c_blkslv1_varnexo_);

extern "C" VARNEXO_EXPORT void c_blkslv_unsym_varnexo_(
    const int32_t* n, const int32_t* nsuper, const int32_t* nb, const int32_t* xsuper, const int32_t* xlindx,
    const int32_t* lindx, const int32_t* xlnz, const double* lnz, const int32_t* xunz, const double* unz,
    const int32_t* pivot, const int32_t* colpivot, double* x, double* W, const int32_t* ldw,
    const int32_t* part, const int32_t* transposed, int32_t* error) {
  lu_entry<dcomplex>(n, nsuper, *nb, xsuper, xlindx, lindx, xlnz, lnz, xunz, unz, pivot, colpivot, x, W, ldw,
                     part, transposed, error);
}
VARNEXO_UNDERSCORE_ALIAS(c_blkslv_unsym_varnexo_);

extern "C" VARNEXO_EXPORT void c_blkslv1_unsym_varnexo_(
    const int32_t* n, const int32_t* nsuper, const int32_t* xsuper, const int32_t* xlindx,
    const int32_t* lindx, const int32_t* xlnz, const double* lnz, const int32_t* xunz, const double* unz,
    const int32_t* pivot, const int32_t* colpivot, double* x, const int32_t* part, const int32_t* transposed,
    int32_t* error) {
  const int32_t ldw = 0;
  lu_entry<dcomplex>(n, nsuper, 1, xsuper, xlindx, lindx, xlnz, lnz, xunz, unz, pivot, colpivot, x, nullptr,
                     &ldw, part, transposed, error);
}
VARNEXO_UNDERSCORE_ALIAS(c_blkslv1_unsym_varnexo_);

// ---- Conversion of the solve values of a single-precision factor ----
// The arrays may overlap (the single array at the start of the double one), so every value
// moves through memcpy and the work column: no access of one array through the other's type.

extern "C" VARNEXO_EXPORT void convert64_32_varnexo_(const int32_t* n, const int32_t* nb, const double* x64,
                                                     double* work, float* x32) {
  const int64_t rows = std::max(*n, 0);
  auto* out = reinterpret_cast<unsigned char*>(x32);
  for (int64_t j = 0; j < std::max(*nb, 0); ++j) {
    std::memcpy(work, reinterpret_cast<const unsigned char*>(x64) + 8 * j * rows, 8 * rows);
    for (int64_t i = 0; i < rows; ++i) {
      const float v = static_cast<float>(work[i]);
      std::memcpy(out + 4 * (j * rows + i), &v, 4);
    }
  }
}
VARNEXO_UNDERSCORE_ALIAS(convert64_32_varnexo_);

extern "C" VARNEXO_EXPORT void convert32_64_varnexo_(const int32_t* n, const int32_t* nb, double* x64,
                                                     double* work, const float* x32) {
  const int64_t rows = std::max(*n, 0);
  const auto* in = reinterpret_cast<const unsigned char*>(x32);
  for (int64_t j = std::max(*nb, 0) - 1; j >= 0; --j) {
    for (int64_t i = 0; i < rows; ++i) {
      float v;
      std::memcpy(&v, in + 4 * (j * rows + i), 4);
      work[i] = v;
    }
    std::memcpy(reinterpret_cast<unsigned char*>(x64) + 8 * j * rows, work, 8 * rows);
  }
}
VARNEXO_UNDERSCORE_ALIAS(convert32_64_varnexo_);
