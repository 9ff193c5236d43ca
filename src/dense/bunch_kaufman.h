// Pivoting kernels of the symmetric indefinite factorisation (factor stage): Bunch–Kaufman
// 1×1/2×2 pivoting and diagonal pivoting of one supernode's diagonal block, both replacing
// small pivots by a perturbation instead of failing. One template over the scalar type.
#pragma once
#include <cstdint>

#include "common/blas.h"
#include "common/scalar.h"

namespace varnexo::factor {

// Threshold below which a pivot is perturbed, and the magnitude it is replaced by.
template <class T>
struct Perturbation {
  real_t<T> threshold, replacement;
};

// The rule of the double and complex kernels (threshold = replacement = ε; ε = 0 gives
// threshold 0 and `replacement_at_zero`) and of the single kernels (ε <= 5e-8 gives threshold
// 0 and `replacement_at_zero` rounded, otherwise both are ε rounded). A negative ε counts as |ε|.
template <class T>
Perturbation<T> perturbation(double eps, double replacement_at_zero);

// sytf2: Bunch–Kaufman factorisation P·A·Pᵀ = L·D·Lᵀ of the lower triangle of the n×n block
// a (leading dimension lda >= max(1, n), 1-based formulas, no conjugation for complex).
//  On exit: D on the diagonal (2×2 blocks with their off-diagonal element at (k+1, k)), unit L
//  below; ipiv(k) = kp > 0 for a 1×1 step, ipiv(k) = ipiv(k+1) = -kp for a 2×2 step.
//  npert is increased by the number of perturbed pivots; npos/nneg (real types only, may be
//  null) by the positive and negative eigenvalues of D. Pivot magnitude: |x| for real, |Re| + |Im|
//  for complex. Never fails.
template <class T>
void sytf2(int n, T* a, int lda, int32_t* ipiv, int32_t& npert, int32_t* npos, int32_t* nneg, double eps);

// hetf2: Bunch–Kaufman factorisation P·A·Pᵀ = L·D·Lᴴ of the lower triangle of the Hermitian
// n×n block a (complex T). Magnitudes |Re| of the diagonal and |Re| + |Im| elsewhere; pivots and
// the diagonal of D are stored with zero imaginary parts; ipiv as for sytf2. A pivot test below
// ε either replaces a zero column's pivot by the replacement, raises the largest off-diagonal
// entry to it (when the diagonal is the smaller), or gives the diagonal ±replacement; each
// counts once in npert. Never fails. No inertia is counted.
template <class T>
void hetf2(int n, T* a, int lda, int32_t* ipiv, int32_t& npert, double eps);

// getf2: LU of the m×n block with symmetric interchanges chosen on the diagonal (largest
// diagonal modulus, the later index on ties): ipiv(j) = the index swapped with j (rows and
// columns). Unit L below, U on and above the diagonal. Counters as for sytf2 (a pivot <= 0
// counts negative). Never fails.
template <class T>
void getf2(int m, int n, T* a, int lda, int32_t* ipiv, int32_t& npert, int32_t* npos, int32_t* nneg,
           double eps);

}  // namespace varnexo::factor

extern "C" {
// Argument errors (n < 0: info -2, lda < max(1, n): info -4) are reported through xerbla_ with
// "DSYTF2", "SSYTF2", "ZSYTF2"; the lower triangle is always used.
void dsytf2_varnexo_(const char* uplo, const int32_t* n, double* a, const int32_t* lda, int32_t* ipiv,
                     int32_t* npert, int32_t* npos, int32_t* nneg, const double* eps, int32_t* info);
void ssytf2_varnexo_(const char* uplo, const int32_t* n, float* a, const int32_t* lda, int32_t* ipiv,
                     int32_t* npert, int32_t* npos, int32_t* nneg, const double* eps, int32_t* info);
void zhetf2_varnexo_(const char* uplo, const int32_t* n, dcomplex* a, const int32_t* lda, int32_t* ipiv,
                     int32_t* npert, const double* eps, int32_t* info);
void zsytf2_varnexo_(const char* uplo, const int32_t* n, dcomplex* a, const int32_t* lda, int32_t* ipiv,
                     int32_t* npert, const double* eps, int32_t* info);
// Argument errors (m < 0: -1, n < 0: -2, lda < max(1, m): -4) through xerbla_ with "DGETF2",
// "SGETF2", "ZGETF2".
void dgetf2_varnexo_(const int32_t* m, const int32_t* n, double* a, const int32_t* lda, int32_t* ipiv,
                     int32_t* npert, int32_t* npos, int32_t* nneg, const double* eps, int32_t* info);
void sgetf2_varnexo_(const int32_t* m, const int32_t* n, float* a, const int32_t* lda, int32_t* ipiv,
                     int32_t* npert, int32_t* npos, int32_t* nneg, const double* eps, int32_t* info);
void zgetf2_varnexo_(const int32_t* m, const int32_t* n, dcomplex* a, const int32_t* lda, int32_t* ipiv,
                     int32_t* npert, const double* eps, int32_t* info);
}
