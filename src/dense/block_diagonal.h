// Dense routines that apply a Bunch–Kaufman factored diagonal block P·L·D·Lᵀ·Pᵀ (solve stage,
// also used by the factorisation for the off-diagonal block): the forward sweep with or
// without D, the D solve with 1×1/2×2 blocks, and the backward sweep. One template over the
// scalar type and a flag for the Hermitian twins (backward sweep with Lᴴ, real 1×1 pivots).
#pragma once
#include <cstdint>

#include "common/blas.h"
#include "common/scalar.h"

namespace varnexo::solve {

// All four take the n×n factored block a (lower storage as left by the Bunch–Kaufman
// factorisation, leading dimension lda), its pivot records ipiv (1-based: > 0 a 1×1 step,
// ipiv(k) = ipiv(k+1) < 0 a 2×2 step) and nrhs right-hand sides in b (leading dimension ldb),
// overwritten with the result. Arguments are assumed valid (see the checked entry points).

// B := L⁻¹·Pᵀ·B.
template <class T, bool Hermitian = false>
void sytrs_bklfw_noscal(int n, int nrhs, const T* a, int lda, const int32_t* ipiv, T* b, int ldb);
// B := D⁻¹·B.
template <class T, bool Hermitian = false>
void sytrs_bkl_scal(int n, int nrhs, const T* a, int lda, const int32_t* ipiv, T* b, int ldb);
// B := (L·D)⁻¹·Pᵀ·B in one forward sweep.
template <class T, bool Hermitian = false>
void sytrs_bklfw(int n, int nrhs, const T* a, int lda, const int32_t* ipiv, T* b, int ldb);
// B := P·L⁻ᵀ·B (P·L⁻ᴴ·B for the Hermitian twins).
template <class T, bool Hermitian = false>
void sytrs_bklbw(int n, int nrhs, const T* a, int lda, const int32_t* ipiv, T* b, int ldb);

}  // namespace varnexo::solve

// Checked entry points (uplo, n, nrhs, a, lda, ipiv, b, ldb, info): info = -2 for n < 0, -3 for
// nrhs < 0, -5 for lda < max(1, n), -8 for ldb < max(1, n), reported through xerbla_ with
// "DSYTRS", "SSYTRS", "ZSYTRS" or "ZHETRS"; n = 0 or nrhs = 0 returns at once.
#define VARNEXO_BLOCK_SOLVE_ARGS(T)                                                        \
  const char *uplo, const int32_t *n, const int32_t *nrhs, const T *a, const int32_t *lda, \
      const int32_t *ipiv, T *b, const int32_t *ldb, int32_t *info
extern "C" {
void dsytrs_bklfw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(double));
void dsytrs_bklfw_noscal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(double));
void dsytrs_bkl_scal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(double));
void dsytrs_bklbw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(double));
void ssytrs_bklfw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(float));
void ssytrs_bklfw_noscal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(float));
void ssytrs_bkl_scal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(float));
void ssytrs_bklbw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(float));
void zsytrs_bklfw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(dcomplex));
void zsytrs_bklfw_noscal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(dcomplex));
void zsytrs_bkl_scal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(dcomplex));
void zsytrs_bklbw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(dcomplex));
void zhetrs_bklfw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(dcomplex));
void zhetrs_bklfw_noscal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(dcomplex));
void zhetrs_bkl_scal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(dcomplex));
void zhetrs_bklbw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(dcomplex));
}
