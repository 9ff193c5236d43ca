// The Cholesky kernel of the supernodal loop (load -> factor): A = L·Lᵀ for symmetric positive
// definite matrices and A = L·Lᴴ for Hermitian ones, one policy over the scalar type.
#pragma once
#include "common/blas.h"
#include "common/scalar.h"
#include "factor/left_looking.h"

namespace varnexo::factor {

// Block operations of the Cholesky kernel: the update multiplies K's remaining rows by their
// own first rows (transposed, or conjugate-transposed for complex), the diagonal block goes
// through potrf and the off-diagonal block through a triangular solve. No pivot is written.
template <class T>
struct CholeskyKernel {
  using scalar = T;
  static constexpr bool has_u = false;
  static constexpr char trans = is_complex_v<T> ? 'C' : 'T';
  int32_t failed_column = 0;  // first column whose pivot was not positive (0: none)

  int64_t product_capacity(int64_t tmpsiz) const { return tmpsiz; }

  bool right_factor(const UpdateSource<T>& s, int32_t, Operand<T>* y) const {
    *y = s.l;
    return true;
  }
  void release_right_factor(int32_t) const {}

  // L11 = chol(A11) in the lower triangle. Returns 0, or -1 when a pivot is not positive; the
  // column of that pivot is kept in failed_column.
  int32_t factor_diagonal(const TargetBlock<T>& b) {
    const int info = blas::potrf('L', b.ncol, b.l, b.jlen);
    if (info == 0) return 0;
    failed_column = b.fjcol + info - 1;
    return -1;
  }

  // L21 = A21·L11⁻ᵀ (⁻ᴴ) for the rows first .. last-1 of the off-diagonal block.
  void solve_offdiagonal(const TargetBlock<T>& b, int32_t first, int32_t last) const {
    if (last > first)
      blas::trsm('R', 'L', trans, 'N', last - first, b.ncol, T(1), b.l, b.jlen, b.l + b.ncol + first, b.jlen);
  }
};

}  // namespace varnexo::factor
