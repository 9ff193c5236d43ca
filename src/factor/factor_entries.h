// Exported entries of the numerical factorisation: the supernodal Cholesky, LDLᵀ/LDLᴴ and LU kernels of both
// families (plain and scheduled), their element update and scatter, the value-map builders and the operation
// count. Fortran style, every argument by pointer, arrays 1-based; complex kernels take pairs of doubles.
// Each name is also exported with a leading underscore. Included by the files that define them; C callers
// include it too.
#pragma once
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Supernodal Cholesky, plain family. iwork: 3n + nsuper words (indmap, relind, link, length);
// temp: tmpsiz doubles; error out: 0, -1 (a pivot not positive), -2 (temp too small). In every
// kernel a lack of memory for the loop's own scratch counts as -2 and any other internal
// failure as -1.
void blkl_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* xsuper, const int32_t* snode,
                   const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz, double* lnz,
                   const int32_t* nmod, int32_t* iwork, double* temp, const int32_t* tmpsiz,
                   const int32_t* xlmap, const int32_t* lmap, const int32_t* asrc, const double* a,
                   int32_t* error);
// Scheduled family: the arguments of blkl_varnexo_ plus the number of domains, the domain table
// in supernode numbers (2·(nd+1) words) and the domain-mode switch. The same factor.
void blkl_risc_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* xsuper, const int32_t* snode,
                        const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz, double* lnz,
                        const int32_t* nmod, int32_t* iwork, double* temp, const int32_t* tmpsiz,
                        const int32_t* xlmap, const int32_t* lmap, const int32_t* asrc, const double* a,
                        const int32_t* nd, const int32_t* domains, const int32_t* domain_mode,
                        int32_t* error);
// One-column update: for the q target columns rows(1..q) and the m rows rows(1..m),
// lnz(|xlnz(c+1)| - 1 - indmap(rows(i))) -= x(i)·y(k). n sizes xlnz (n+1) and indmap (n).
void mmpyi_varnexo_(const int32_t* m, const int32_t* q, const int32_t* rows, const double* x, const double* y,
                    const int32_t* n, const int32_t* xlnz, double* lnz, const int32_t* indmap);
// Scatter-add of the m × q block temp (leading dimension m) into the supernode whose first
// column is fjcol and which has jlen rows: column k goes to column fjcol + jlen - 1 - relind(k),
// element i to lnz(|xlnz(c+1)| - 1 - relind(i)); temp is left zero.
void scatt_varnexo_(const int32_t* m, const int32_t* q, double* temp, const int32_t* relind,
                    const int32_t* fjcol, const int32_t* jlen, const int32_t* n, const int32_t* xlnz,
                    double* lnz);

// LDLᵀ kernels (blkldl real symmetric, c_blkl complex symmetric, ch_blkldl Hermitian LDLᴴ with the
// mirrored entries conjugated as they are loaded). pivot: n words (records local to each
// supernode); iwork: 3n + nsuper words; temp: tmpsiz values (at least twice the largest update
// block and the largest off-diagonal block). mode != 0 selects diagonal pivoting. The load is
// scaled when scale_flag >= 1 (scaling: n values, aorig: one per map entry, colorig: n). The
// complex kernels take pairs of doubles in a, lnz and temp and leave npos = nneg = 0.
// error out: 0, -1 (argument error of a block routine), -2 (temp too small). The scheduled
// (_risc) twins add the number of domains, the domain table (2·(nd+1) supernode numbers) and
// the domain-mode switch, and give the same factor.
#define VARNEXO_LDLT_ARGS VARNEXO_LDLT_ARGS_OF(double)
#define VARNEXO_LDLT_ARGS_OF(V)                                                                              \
  const int32_t *n, const int32_t *nsuper, const int32_t *xsuper, const int32_t *snode,                      \
      const int32_t *xlindx, const int32_t *lindx, const int32_t *xlnz, V *lnz, int32_t *pivot,              \
      const int32_t *nmod, int32_t *iwork, V *temp, const int32_t *tmpsiz, int32_t *npert, int32_t *npos,    \
      int32_t *nneg, const double *eps, const int32_t *mode, const int32_t *xlmap, const int32_t *lmap,      \
      const int32_t *asrc, const int32_t *aorig, const int32_t *colorig, const int32_t *ja, const double *a, \
      const double *scaling, const int32_t *scale_flag
void blkldl_varnexo_(VARNEXO_LDLT_ARGS, int32_t* error);
void blkldl_risc_varnexo_(VARNEXO_LDLT_ARGS, const int32_t* nd, const int32_t* domains,
                          const int32_t* domain_mode, int32_t* error);
void c_blkl_varnexo_(VARNEXO_LDLT_ARGS, int32_t* error);
void c_blkl_risc_varnexo_(VARNEXO_LDLT_ARGS, const int32_t* nd, const int32_t* domains,
                          const int32_t* domain_mode, int32_t* error);
void ch_blkldl_varnexo_(VARNEXO_LDLT_ARGS, int32_t* error);
void ch_blkldl_risc_varnexo_(VARNEXO_LDLT_ARGS, const int32_t* nd, const int32_t* domains,
                             const int32_t* domain_mode, int32_t* error);
// Single-precision twin of blkldl_varnexo_ (type -2): lnz and temp hold 4-byte reals; a, the
// scaling and eps stay double. Each value is computed in double and rounded as it is loaded;
// the block routines are ssytf2_varnexo_ / sgetf2_varnexo_ (eps <= 5e-8 perturbs exact zeros only).
void blkldl_32_varnexo_(VARNEXO_LDLT_ARGS_OF(float), int32_t* error);

// LU kernels (blklu real and c_blklu complex with row pivoting, types 1 and 3; blklu_unsym and
// c_blklu_unsym with complete pivoting, types 11 and 13). xunz/unz: the U12ᵀ blocks;
// xumap/umap: the U part of the value map; pivot and colpivot: n words each. The row-pivoted
// kernels load unscaled; the complete-pivoting ones scale rows and columns when scale_flag >= 1
// (scaling: 2n values) and count perturbed pivots (threshold eps) in npert. error out: 0, -1 (an
// exactly zero pivot of the row-pivoted LU), -2 (temp too small). Scheduled twins as above.
#define VARNEXO_LU_ARGS VARNEXO_LU_ARGS_OF(double)
#define VARNEXO_LU_ARGS_OF(V)                                                                                \
  const int32_t *n, const int32_t *nsuper, const int32_t *xsuper, const int32_t *snode,                      \
      const int32_t *xlindx, const int32_t *lindx, const int32_t *xlnz, V *lnz, const int32_t *xunz, V *unz, \
      int32_t *pivot, const int32_t *nmod, int32_t *iwork, V *temp, const int32_t *tmpsiz,                   \
      const int32_t *xlmap, const int32_t *lmap, const int32_t *xumap, const int32_t *umap,                  \
      const int32_t *asrc, const double *a
#define VARNEXO_LU_UNSYM_ARGS                                                                  \
  VARNEXO_LU_ARGS, int32_t *colpivot, int32_t *npert, const double *eps, const int32_t *aorig, \
      const int32_t *ja, const double *scaling, const int32_t *scale_flag
void blklu_varnexo_(VARNEXO_LU_ARGS, int32_t* error);
void blklu_risc_varnexo_(VARNEXO_LU_ARGS, const int32_t* nd, const int32_t* domains,
                         const int32_t* domain_mode, int32_t* error);
void c_blklu_varnexo_(VARNEXO_LU_ARGS, int32_t* error);
void c_blklu_risc_varnexo_(VARNEXO_LU_ARGS, const int32_t* nd, const int32_t* domains,
                           const int32_t* domain_mode, int32_t* error);
void blklu_unsym_varnexo_(VARNEXO_LU_UNSYM_ARGS, int32_t* error);
void blklu_unsym_risc_varnexo_(VARNEXO_LU_UNSYM_ARGS, const int32_t* nd, const int32_t* domains,
                               const int32_t* domain_mode, int32_t* error);
void c_blklu_unsym_varnexo_(VARNEXO_LU_UNSYM_ARGS, int32_t* error);
void c_blklu_unsym_risc_varnexo_(VARNEXO_LU_UNSYM_ARGS, const int32_t* nd, const int32_t* domains,
                                 const int32_t* domain_mode, int32_t* error);
// Single-precision twins of blklu_varnexo_ and blklu_risc_varnexo_ (type 1): lnz, unz and temp
// hold 4-byte reals, a stays double.
void blklu_32_varnexo_(VARNEXO_LU_ARGS_OF(float), int32_t* error);
void blklu_32_risc_varnexo_(VARNEXO_LU_ARGS_OF(float), const int32_t* nd, const int32_t* domains,
                            const int32_t* domain_mode, int32_t* error);

// Value-map builders. Symmetric storage (the caller's upper triangle) and LU storage (full rows;
// row_map, the matching's row mapping, may be the identity or null). work: 3n+2 words;
// lcount/ucount out; status out (0 or negative).
void invs_perm_mod_varnexo_(const int32_t* n, const int32_t* ia, const int32_t* ja, const int32_t* perm,
                            const int32_t* invp, const int32_t* nsuper, const int32_t* xsuper,
                            const int32_t* snode, const int32_t* xlindx, const int32_t* lindx,
                            const int32_t* xlnz, const int32_t* scaled, int32_t* xlmap, int32_t* lmap,
                            int32_t* asrc, int32_t* aorig, int32_t* colorig, int32_t* lcount, int32_t* work,
                            int32_t* status);
void inv_perm_mod_mod_varnexo_(const int32_t* n, const int32_t* ia, const int32_t* ja, const int32_t* perm,
                               const int32_t* invp, const int32_t* row_map, const int32_t* nsuper,
                               const int32_t* xsuper, const int32_t* snode, const int32_t* xlindx,
                               const int32_t* lindx, const int32_t* xlnz, const int32_t* xunz,
                               const int32_t* scaled, int32_t* xlmap, int32_t* lmap, int32_t* xumap,
                               int32_t* umap, int32_t* asrc, int32_t* aorig, int32_t* colorig,
                               int32_t* lcount, int32_t* ucount, int32_t* work, int32_t* status);

// Operation count in millions. unused3 and unused7 are not read; indmap and link are n-word
// work vectors, length an nsuper-word work vector; symmetric is 0 for the LU storage. A broken
// update list (an inconsistent nmod) gives -1.0.
void flops_varnexo_(const int32_t* nsuper, const int32_t* n, const int32_t* unused3, const int32_t* xlindx,
                    const int32_t* lindx, const int32_t* xlnz, const int32_t* unused7, int32_t* indmap,
                    const int32_t* nmod, int32_t* link, const int32_t* snode, const int32_t* xsuper,
                    int32_t* length, const int32_t* symmetric, const int32_t* type, double* mflops);

#ifdef __cplusplus
}  // extern "C"
#endif
