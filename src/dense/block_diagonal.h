// Dense routines that apply a Bunch–Kaufman factored diagonal block P·L·D·Lᵀ·Pᵀ (the block
// solves of the indefinite factors, and the off-diagonal block of their factorisation): the
// forward sweep with or without D, the D solve with 1×1/2×2 blocks, and the backward sweep. One
// template over the scalar type and the Symmetric/Hermitian policy (backward sweep with Lᴴ and
// real 1×1 pivots for a Hermitian block).
#pragma once
#include <cstdint>

#include "common/blas.h"
#include "common/scalar.h"
#include "dense/symmetry.h"

namespace varnexo::dense {

// All four take the n×n factored block a (lower storage as left by the Bunch–Kaufman
// factorisation, leading dimension lda), its pivot records ipiv (1-based: > 0 a 1×1 step,
// ipiv(k) = ipiv(k+1) < 0 a 2×2 step) and nrhs right-hand sides in b (leading dimension ldb),
// overwritten with the result. Arguments are assumed valid (see the checked entry points).

// B := L⁻¹·Pᵀ·B.
template <class T, class Symmetry = Symmetric>
void sytrs_bklfw_noscal(int n, int nrhs, const T* a, int lda, const int32_t* ipiv, T* b, int ldb);
// B := D⁻¹·B.
template <class T, class Symmetry = Symmetric>
void sytrs_bkl_scal(int n, int nrhs, const T* a, int lda, const int32_t* ipiv, T* b, int ldb);
// B := (L·D)⁻¹·Pᵀ·B in one forward sweep.
template <class T, class Symmetry = Symmetric>
void sytrs_bklfw(int n, int nrhs, const T* a, int lda, const int32_t* ipiv, T* b, int ldb);
// B := P·L⁻ᵀ·B (P·L⁻ᴴ·B for a Hermitian block).
template <class T, class Symmetry = Symmetric>
void sytrs_bklbw(int n, int nrhs, const T* a, int lda, const int32_t* ipiv, T* b, int ldb);

}  // namespace varnexo::dense
