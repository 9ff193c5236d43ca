// The LDLᵀ kernel of the supernodal loop (load -> factor) for symmetric indefinite matrices:
// real symmetric and complex symmetric (no conjugation), with Bunch–Kaufman 1×1/2×2 pivots or
// diagonal pivoting inside each diagonal block, small pivots perturbed, inertia counted.
#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/blas.h"
#include "common/scalar.h"
#include "dense/block_diagonal.h"
#include "dense/bunch_kaufman.h"
#include "dense/interchanges.h"
#include "dense/pivoted_lu.h"
#include "factor/left_looking.h"

namespace varnexo::factor {

// Block operations of the LDLᵀ kernel (LDLᴴ with `Hermitian`). The update multiplies K's
// remaining rows R by W = R·D_K (built in the second half of temp, rows × ncolk, leading
// dimension rows), so the product block may use only the first half; C -= R·Wᵀ (R·Wᴴ). The
// diagonal block goes through sytf2 / hetf2 (Bunch–Kaufman) or, with `diagonal_pivoting`, is
// mirrored (conjugated for Hermitian) and goes through getf2; the off-diagonal block is
// L21 = A21·P·L11⁻ᵀ·D⁻¹ (L11⁻ᴴ) either way, solved row by row, so that threads may share its
// rows. Counters accumulate over the supernodes; npos/nneg stay 0 for complex scalars (the
// complex kernels count no inertia).
template <class T, bool Hermitian = false>
struct LdltKernel {
  using scalar = T;
  static constexpr bool has_u = false;
  static constexpr char trans = Hermitian ? 'C' : 'T';

  bool diagonal_pivoting = false;
  double eps = 0.0;  // perturbation threshold
  // 2×2 blocks of the symmetric matching by position (n words, 1-based column j at j-1): a
  // nonzero word at j marks columns j, j+1, offered to Bunch–Kaufman as the first choice of
  // pivot. Null when no symmetric matching ran.
  const int32_t* pair_first = nullptr;
  int32_t npert = 0, npos = 0, nneg = 0;
  T* temp = nullptr;
  int64_t tmpsiz = 0;

  void bind_temp(T* t, int64_t size) { temp = t, tmpsiz = size; }
  int64_t product_capacity(int64_t size) const { return size / 2; }

  // W(i, c) = Σ D_K(c', c)·R(i, c') for the first `rows` rows of R: 1×1 pivots scale a column,
  // a 2×2 pivot (negative record, Bunch–Kaufman only) mixes two. False when W does not fit.
  bool right_factor(const UpdateSource<T>& s, int32_t rows, Operand<T>* y) {
    const int64_t half = tmpsiz / 2;
    if (static_cast<int64_t>(rows) * s.ncolk > half) return false;
    T* w = temp + half;
    const int64_t ld = s.l.ld, dl = s.diag.ld;
    for (int32_t c = 0; c < s.ncolk;) {
      const T* r0 = s.l.data + c * ld;
      T* w0 = w + static_cast<int64_t>(c) * rows;
      // A Hermitian D has a real diagonal; any imaginary part is rounding left by getf2.
      const T d11 = Hermitian ? T(std::real(s.diag.data[c + c * dl])) : s.diag.data[c + c * dl];
      if (!diagonal_pivoting && s.pivot && s.pivot[c] < 0 && c + 1 < s.ncolk) {
        // D's 2×2 block [d11 d12; d21 d22], d12 = d21 (conj(d21) for Hermitian).
        const T d21 = s.diag.data[c + 1 + c * dl], d22 = s.diag.data[c + 1 + (c + 1) * dl];
        const T d12 = Hermitian ? conj(d21) : d21;
        const T* r1 = r0 + ld;
        T* w1 = w0 + rows;
        for (int32_t i = 0; i < rows; ++i) {
          w0[i] = d11 * r0[i] + d21 * r1[i];
          w1[i] = d12 * r0[i] + d22 * r1[i];
        }
        c += 2;
      } else {
        for (int32_t i = 0; i < rows; ++i) w0[i] = d11 * r0[i];
        c += 1;
      }
    }
    *y = {w, std::max(1, rows)};
    w_size_ = static_cast<int64_t>(rows) * s.ncolk;
    return true;
  }

  void release_right_factor(int32_t) {
    std::fill(temp + tmpsiz / 2, temp + tmpsiz / 2 + w_size_, T(0));
    w_size_ = 0;
  }

  int32_t factor_diagonal(const TargetBlock<T>& b) {
    if (diagonal_pivoting) {
      mirror_and_getf2(b);
    } else {
      const int32_t* pairs = pair_first ? pair_first + (b.fjcol - 1) : nullptr;
      if constexpr (Hermitian)
        dense::hetf2<T>(b.ncol, b.l, b.jlen, b.pivot, npert, eps, pairs);
      else
        dense::sytf2<T>(b.ncol, b.l, b.jlen, b.pivot, npert, inertia(&npos), inertia(&nneg), eps, pairs);
    }
    return 0;
  }

  // Rows first .. last-1 of L21 = A21·P·L11⁻ᵀ·D⁻¹ (L11⁻ᴴ); each row is solved on its own.
  void solve_offdiagonal(const TargetBlock<T>& b, int32_t first, int32_t last) {
    const int32_t rows = last - first;
    if (rows <= 0) return;
    T* a21 = b.l + b.ncol + first;
    if (diagonal_pivoting) {
      dense::luspym<T>(rows, b.ncol, a21, b.jlen, b.pivot);
      blas::trsm('R', 'U', 'N', 'N', rows, b.ncol, T(1), b.l, b.jlen, a21, b.jlen);
    } else {
      solve_bunch_kaufman(b, a21, rows);
    }
  }

 private:
  int32_t* inertia(int32_t* counter) { return is_complex_v<T> ? nullptr : counter; }

  static T op(T v) { return Hermitian ? conj(v) : v; }

  // The Bunch–Kaufman off-diagonal rows are solved from the left in transposed form:
  // temp(ncol × rows) = A21ᵀ (A21ᴴ), temp := (L·D)⁻¹·Pᵀ·temp, A21 = tempᵀ (tempᴴ).
  void solve_bunch_kaufman(const TargetBlock<T>& b, T* a21, int32_t rows) {
    const int64_t size = static_cast<int64_t>(b.ncol) * rows;
    // temp is sized by the analysis for the largest off-diagonal block; a caller-sized temp
    // that is shorter falls back to private scratch rather than writing past its end.
    T* t = temp;
    if (size > tmpsiz) {
      spill_.assign(size, T(0));
      t = spill_.data();
    }
    for (int32_t c = 0; c < b.ncol; ++c)
      for (int32_t i = 0; i < rows; ++i)
        t[c + static_cast<int64_t>(i) * b.ncol] = op(a21[i + static_cast<int64_t>(c) * b.jlen]);
    dense::sytrs_bklfw<T, dense::symmetry_t<Hermitian>>(b.ncol, rows, b.l, b.jlen, b.pivot, t, b.ncol);
    for (int32_t c = 0; c < b.ncol; ++c)
      for (int32_t i = 0; i < rows; ++i) {
        T& v = t[c + static_cast<int64_t>(i) * b.ncol];
        a21[i + static_cast<int64_t>(c) * b.jlen] = op(v);
        v = T(0);
      }
  }

  // The lower triangle mirrored (conjugated for Hermitian) into the upper, then getf2 with
  // diagonal pivots.
  void mirror_and_getf2(const TargetBlock<T>& b) {
    const int64_t ld = b.jlen;
    for (int32_t j = 0; j < b.ncol; ++j)
      for (int32_t i = j + 1; i < b.ncol; ++i) b.l[j + i * ld] = op(b.l[i + j * ld]);
    dense::getf2<T>(b.ncol, b.ncol, b.l, b.jlen, b.pivot, npert, inertia(&npos), inertia(&nneg), eps);
  }

  int64_t w_size_ = 0;
  std::vector<T> spill_;
};

}  // namespace varnexo::factor
