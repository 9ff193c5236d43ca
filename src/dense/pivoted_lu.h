// Complete-pivoting LU of the diagonal block of a supernode of an unsymmetric matrix (factor
// stage), with small pivots perturbed instead of rejected. One template over the scalar type.
#pragma once
#include <cstdint>

#include "common/blas.h"
#include "common/scalar.h"

namespace varnexo::factor {

// getc2: P·A·Q = L·U of the n×n block a (leading dimension lda >= max(1, n), 1-based formulas).
//  Step k takes the entry of largest modulus of the trailing block, the last one of a row-wise
//  scan on ties: ipiv(k) = its row (swapped with k over all n columns), jpiv(k) = its column
//  (swapped with k over all n rows). A pivot with modulus <= ε (ε = 0: exactly zero) becomes
//  ±ε (ε = 0: ±1e-13) with the sign of its real part, and npert grows by 1. Unit L below the
//  diagonal, U on and above it. Never fails.
template <class T>
void getc2(int n, T* a, int lda, int32_t* ipiv, int32_t* jpiv, int32_t& npert, double eps);

}  // namespace varnexo::factor

extern "C" {
// info = -1 for n < 0, -3 for lda < max(1, n), reported through xerbla_ with "DGETC2"/"ZGETC2";
// otherwise 0.
void dgetc2_varnexo_(const int32_t* n, double* a, const int32_t* lda, int32_t* ipiv, int32_t* jpiv,
                     int32_t* npert, const double* eps, int32_t* info);
void zgetc2_varnexo_(const int32_t* n, dcomplex* a, const int32_t* lda, int32_t* ipiv, int32_t* jpiv,
                     int32_t* npert, const double* eps, int32_t* info);
}
