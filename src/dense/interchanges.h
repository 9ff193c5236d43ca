// Local interchanges of a pivoted diagonal block applied to the arrays beside it (dense
// kernels of the factorisations and solves): column swaps of an off-diagonal block, and the
// row swaps of one right-hand side, forward or undone. Indices are local to the block, 1-based.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace varnexo::dense {

// luspym: for j = 1..n-1 with p = |ipiv(j)| != j, swaps columns j and p of the m-row array a
// (leading dimension lda). Used on L21 with the interchanges of the diagonal-pivoting and
// complete-pivoting factorisations, and on U12ᵀ with row interchanges (the two routines named
// luspym and lusp are this one operation).
template <class T>
void luspym(int32_t m, int32_t n, T* a, int32_t lda, const int32_t* ipiv) {
  for (int32_t j = 1; j < n; ++j) {
    const int32_t p = ipiv[j - 1] < 0 ? -ipiv[j - 1] : ipiv[j - 1];
    if (p != j)
      std::swap_ranges(a + static_cast<int64_t>(j - 1) * lda, a + static_cast<int64_t>(j - 1) * lda + m,
                       a + static_cast<int64_t>(p - 1) * lda);
  }
}

// Swaps x(k) and x(|piv(k)|) for k = 1..count in increasing order (swaps_forward), or in
// decreasing order to undo them (swaps_backward).
template <class T>
void swaps_forward(T* x, const int32_t* piv, int32_t count) {
  for (int32_t k = 1; k <= count; ++k) {
    const int32_t p = std::abs(piv[k - 1]);
    if (p != k) std::swap(x[k - 1], x[p - 1]);
  }
}

template <class T>
void swaps_backward(T* x, const int32_t* piv, int32_t count) {
  for (int32_t k = count; k >= 1; --k) {
    const int32_t p = std::abs(piv[k - 1]);
    if (p != k) std::swap(x[k - 1], x[p - 1]);
  }
}

}  // namespace varnexo::dense
