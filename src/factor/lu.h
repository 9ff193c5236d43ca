// The LU kernels of the supernodal loop (load -> factor) for matrices that are not symmetric,
// factorised on the symmetric structure of the analysis: row pivoting inside each diagonal
// block (structurally symmetric types), or complete pivoting with perturbation (unsymmetric).
#pragma once
#include <cstdint>

#include "common/blas.h"
#include "common/scalar.h"
#include "dense/interchanges.h"
#include "dense/pivoted_lu.h"
#include "factor/left_looking.h"

namespace varnexo::factor {

// Block operations of the LU kernels. The L part of an update is R_L·R_Uᵀ (the right factor
// is K's U12ᵀ rows), the U part R_U·R_Lᵀ is applied by the loop. The diagonal block goes
// through getrf (`Complete` false: an exactly zero pivot fails) or getc2 (`Complete` true:
// small pivots perturbed and counted in npert); then L21 = A21·Q·U11⁻¹ and
// U12ᵀ = (P·A12)ᵀ·L11⁻ᵀ, with Q the column interchanges of complete pivoting.
template <class T, bool Complete>
struct LuKernel {
  using scalar = T;
  static constexpr bool has_u = true;
  static constexpr char trans = 'T';

  double eps = 0.0;
  int32_t npert = 0;
  int32_t failed_column = 0;  // first column of a block whose LU met an exactly zero pivot

  int64_t product_capacity(int64_t size) const { return size; }
  bool right_factor(const UpdateSource<T>& s, int32_t, Operand<T>* y) const {
    *y = s.u;
    return true;
  }
  void release_right_factor(int32_t) const {}

  int32_t factor_diagonal(const TargetBlock<T>& b) {
    if constexpr (Complete) {
      dense::getc2<T>(b.ncol, b.l, b.jlen, b.pivot, b.colpivot, npert, eps);
    } else {
      const int info = blas::getrf(b.ncol, b.ncol, b.l, b.jlen, b.pivot);
      if (info != 0) {
        failed_column = b.fjcol + info - 1;
        return -1;
      }
    }
    return 0;
  }

  // Rows first .. last-1 of L21 and of U12ᵀ; each row is solved on its own.
  void solve_offdiagonal(const TargetBlock<T>& b, int32_t first, int32_t last) const {
    const int32_t rows = last - first, m = b.jlen - b.ncol;
    if (rows <= 0) return;
    T* l21 = b.l + b.ncol + first;
    if constexpr (Complete) dense::luspym<T>(rows, b.ncol, l21, b.jlen, b.colpivot);
    blas::trsm('R', 'U', 'N', 'N', rows, b.ncol, T(1), b.l, b.jlen, l21, b.jlen);
    T* u12t = b.u + first;
    dense::luspym<T>(rows, b.ncol, u12t, m, b.pivot);
    blas::trsm('R', 'L', 'T', 'U', rows, b.ncol, T(1), b.l, b.jlen, u12t, m);
  }
};

}  // namespace varnexo::factor
