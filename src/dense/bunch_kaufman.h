// Bunch–Kaufman factorisation of an indefinite diagonal block (dense kernel of the symmetric
// indefinite factorisations): 1×1/2×2 pivots chosen inside the block, small pivots perturbed
// instead of failing. One template over the scalar type and a Symmetric/Hermitian policy.
#pragma once
#include <cstdint>

#include "common/scalar.h"
#include "dense/symmetry.h"

namespace varnexo::dense {

// bunch_kaufman: P·A·Pᵀ = L·D·Lᵀ (Symmetric) or L·D·Lᴴ (Hermitian) of the lower triangle of
// the n×n block a (leading dimension lda >= max(1, n), 1-based formulas).
//  On exit: D on the diagonal (2×2 blocks with their off-diagonal element at (k+1, k)), unit L
//  below; ipiv(k) = kp > 0 for a 1×1 step, ipiv(k) = ipiv(k+1) = -kp for a 2×2 step.
//  Pivot magnitudes: |x| for real, |Re| + |Im| for complex off-diagonal entries, and for the
//  diagonal |Re| + |Im| (Symmetric) or |Re| (Hermitian; its pivots and the diagonal of D are
//  stored with zero imaginary parts). A step whose column and diagonal are both at most the
//  perturbation threshold counts once in npert and gives the diagonal ±replacement, except that
//  a Hermitian step whose column is larger raises that column's largest entry to the
//  replacement and goes on choosing. npos/nneg (may be null) count the positive and negative
//  eigenvalues of D for real scalars only. Never fails.
//  pair_first (n words, may be null): pair_first[k-1] != 0 marks columns k, k+1 as a block of
//  the symmetric matching; at step k, while both still stand in place, the block is taken as
//  the 2×2 pivot when it is stable (off-diagonal dominant, nonsingular, multipliers of the rest
//  of its columns at most 10), before any search.
template <class T, class Symmetry>
void bunch_kaufman(int n, T* a, int lda, int32_t* ipiv, int32_t& npert, int32_t* npos, int32_t* nneg,
                   double eps, const int32_t* pair_first = nullptr);

// sytf2: the symmetric factorisation (no conjugation for complex), with inertia for real T.
template <class T>
void sytf2(int n, T* a, int lda, int32_t* ipiv, int32_t& npert, int32_t* npos, int32_t* nneg, double eps,
           const int32_t* pair_first = nullptr) {
  bunch_kaufman<T, Symmetric>(n, a, lda, ipiv, npert, npos, nneg, eps, pair_first);
}

// hetf2: the Hermitian factorisation of a complex block; no inertia is counted.
template <class T>
void hetf2(int n, T* a, int lda, int32_t* ipiv, int32_t& npert, double eps,
           const int32_t* pair_first = nullptr) {
  bunch_kaufman<T, Hermitian>(n, a, lda, ipiv, npert, nullptr, nullptr, eps, pair_first);
}

}  // namespace varnexo::dense
