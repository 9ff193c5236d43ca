// Exported entries of the dense block kernels: the Bunch–Kaufman and pivoted LU factorisations of a
// diagonal block, the solves with a Bunch–Kaufman factored block and the local interchanges.
// Fortran style: every argument by pointer, arrays 1-based and column-major; each name is also
// exported with a leading underscore. Included by the files that define them; C callers include it
// too.
#pragma once
#include <stdint.h>

#include "common/entry_types.h"

#ifdef __cplusplus
extern "C" {
#endif

// Bunch–Kaufman factorisation of the lower triangle of an n×n block (the uplo argument is not
// read). Small pivots are perturbed by ε and counted in npert; the real routines count the
// inertia of D in npos/nneg. info = -2 for n < 0, -4 for lda < max(1, n), reported through
// xerbla_ with "DSYTF2", "SSYTF2", "ZSYTF2" or "ZHETF2"; otherwise 0.
void dsytf2_varnexo_(const char* uplo, const int32_t* n, double* a, const int32_t* lda, int32_t* ipiv,
                     int32_t* npert, int32_t* npos, int32_t* nneg, const double* eps, int32_t* info);
void ssytf2_varnexo_(const char* uplo, const int32_t* n, float* a, const int32_t* lda, int32_t* ipiv,
                     int32_t* npert, int32_t* npos, int32_t* nneg, const double* eps, int32_t* info);
void zsytf2_varnexo_(const char* uplo, const int32_t* n, varnexo_zcomplex* a, const int32_t* lda,
                     int32_t* ipiv, int32_t* npert, const double* eps, int32_t* info);
void zhetf2_varnexo_(const char* uplo, const int32_t* n, varnexo_zcomplex* a, const int32_t* lda,
                     int32_t* ipiv, int32_t* npert, const double* eps, int32_t* info);

// LU of an m×n block with interchanges chosen on the diagonal, small pivots perturbed.
// info = -1 for m < 0, -2 for n < 0, -4 for lda < max(1, m), through xerbla_ with "DGETF2",
// "SGETF2" or "ZGETF2".
void dgetf2_varnexo_(const int32_t* m, const int32_t* n, double* a, const int32_t* lda, int32_t* ipiv,
                     int32_t* npert, int32_t* npos, int32_t* nneg, const double* eps, int32_t* info);
void sgetf2_varnexo_(const int32_t* m, const int32_t* n, float* a, const int32_t* lda, int32_t* ipiv,
                     int32_t* npert, int32_t* npos, int32_t* nneg, const double* eps, int32_t* info);
void zgetf2_varnexo_(const int32_t* m, const int32_t* n, varnexo_zcomplex* a, const int32_t* lda,
                     int32_t* ipiv, int32_t* npert, const double* eps, int32_t* info);

// Complete-pivoting LU of an n×n block, small pivots perturbed. info = -1 for n < 0, -3 for
// lda < max(1, n), through xerbla_ with "DGETC2" or "ZGETC2".
void dgetc2_varnexo_(const int32_t* n, double* a, const int32_t* lda, int32_t* ipiv, int32_t* jpiv,
                     int32_t* npert, const double* eps, int32_t* info);
void zgetc2_varnexo_(const int32_t* n, varnexo_zcomplex* a, const int32_t* lda, int32_t* ipiv, int32_t* jpiv,
                     int32_t* npert, const double* eps, int32_t* info);

// Solves with a Bunch–Kaufman factored n×n block (uplo, n, nrhs, a, lda, ipiv, b, ldb, info):
// bklfw B := (L·D)⁻¹·Pᵀ·B, bklfw_noscal B := L⁻¹·Pᵀ·B, bkl_scal B := D⁻¹·B, bklbw B := P·L⁻ᵀ·B
// (L⁻ᴴ for zhetrs). info = -2 for n < 0, -3 for nrhs < 0, -5 for lda < max(1, n), -8 for
// ldb < max(1, n), through xerbla_ with "DSYTRS", "SSYTRS", "ZSYTRS" or "ZHETRS"; n = 0 or
// nrhs = 0 returns at once.
#define VARNEXO_BLOCK_SOLVE_ARGS(T)                                                        \
  const char *uplo, const int32_t *n, const int32_t *nrhs, const T *a, const int32_t *lda, \
      const int32_t *ipiv, T *b, const int32_t *ldb, int32_t *info
void dsytrs_bklfw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(double));
void dsytrs_bklfw_noscal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(double));
void dsytrs_bkl_scal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(double));
void dsytrs_bklbw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(double));
void ssytrs_bklfw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(float));
void ssytrs_bklfw_noscal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(float));
void ssytrs_bkl_scal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(float));
void ssytrs_bklbw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(float));
void zsytrs_bklfw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(varnexo_zcomplex));
void zsytrs_bklfw_noscal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(varnexo_zcomplex));
void zsytrs_bkl_scal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(varnexo_zcomplex));
void zsytrs_bklbw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(varnexo_zcomplex));
void zhetrs_bklfw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(varnexo_zcomplex));
void zhetrs_bklfw_noscal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(varnexo_zcomplex));
void zhetrs_bkl_scal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(varnexo_zcomplex));
void zhetrs_bklbw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(varnexo_zcomplex));

// Column interchanges of an m-row array (leading dimension lda): for j = 1..n-1 with
// p = |ipiv(j)| != j, columns j and p are swapped (luspym and lusp are one operation).
void luspym_varnexo_(const int32_t* m, const int32_t* n, double* a, const int32_t* lda, const int32_t* ipiv);
void lusp_varnexo_(const int32_t* m, const int32_t* n, double* a, const int32_t* lda, const int32_t* ipiv);
// Row interchanges of one right-hand side x over a block of w columns: luspxmt applies them
// (k = 1 up to w-1), luspxm undoes them (k = w-1 down to 1).
void luspxm_varnexo_(const int32_t* w, double* x, const int32_t* ipiv);
void luspxmt_varnexo_(const int32_t* w, double* x, const int32_t* ipiv);

#ifdef __cplusplus
}  // extern "C"
#endif
