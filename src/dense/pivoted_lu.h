// LU factorisations of a diagonal block with pivoting confined to the block (dense kernels of
// the indefinite and unsymmetric factorisations): diagonal pivoting and complete pivoting, both
// replacing small pivots by a perturbation instead of failing. One template over the scalar type.
#pragma once
#include <cstdint>

#include "common/scalar.h"

namespace varnexo::dense {

// getf2: LU of the m×n block a (leading dimension lda >= max(1, m)) with symmetric
// interchanges chosen on the diagonal (largest diagonal modulus, the later index on ties):
// ipiv(j) = the index swapped with j (rows and columns). Unit L below, U on and above the
// diagonal. A pivot with modulus <= ε (ε = 0: exactly zero) becomes ±ε (ε = 0: ±1e-8) with the
// sign of its real part and counts in npert; npos/nneg (real scalars only, may be null) count
// the pivots, <= 0 as negative. Never fails.
template <class T>
void getf2(int m, int n, T* a, int lda, int32_t* ipiv, int32_t& npert, int32_t* npos, int32_t* nneg,
           double eps);

// getc2: P·A·Q = L·U of the n×n block a (leading dimension lda >= max(1, n), 1-based formulas).
//  Step k takes the entry of largest modulus of the trailing block, the last one of a row-wise
//  scan on ties: ipiv(k) = its row (swapped with k over all n columns), jpiv(k) = its column
//  (swapped with k over all n rows). A pivot with modulus <= ε (ε = 0: exactly zero) becomes
//  ±ε (ε = 0: ±1e-13) with the sign of its real part, and npert grows by 1. Unit L below the
//  diagonal, U on and above it. Never fails.
template <class T>
void getc2(int n, T* a, int lda, int32_t* ipiv, int32_t* jpiv, int32_t& npert, double eps);

}  // namespace varnexo::dense
