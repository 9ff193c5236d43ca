// Exported entries of the solves: the supernodal solves of the pivoted factors
// (LDLᵀ/LDLᴴ with 1×1/2×2 blocks, LU with row or complete pivoting) and the products and norms of
// the residual. Fortran style, every argument by pointer, arrays 1-based; complex routines take
// pairs of doubles. Each name is also exported with a leading underscore. Included by the files
// that define them; C callers include it too.
#pragma once
#include <stdint.h>

#include "common/entry_types.h"

#ifdef __cplusplus
extern "C" {
#endif

// LDLᵀ solves (blkldlslvs real, c_blkslvs complex symmetric, ch_blkldlslvs Hermitian LDLᴴ; the
// routines ending in 1 take one right-hand side). x: n·nb values (leading dimension n), solved in
// place; W: ldw·nb values (a missing or shorter W is replaced by private scratch); mode != 0:
// Bunch–Kaufman records, 0: diagonal pivoting; part 0 whole, 1 forward (L⁻¹·Pᵀ), 2 backward
// (P·L⁻ᵀ·D⁻¹). error out: 0, or -2 when the private scratch cannot be obtained.
void blkldlslvs_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* nb, const int32_t* xsuper,
                         const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz, const double* lnz,
                         const int32_t* pivot, const int32_t* mode, double* x, double* W, const int32_t* ldw,
                         const int32_t* part, int32_t* error);
void blkldlslvs1_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* xsuper,
                          const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz, const double* lnz,
                          const int32_t* pivot, const int32_t* mode, double* x, const int32_t* part,
                          int32_t* error);
// Single-precision twins of blkldlslvs_varnexo_ and blkldlslvs1_varnexo_: lnz, x and W in 4-byte reals.
void blkldlslvs_32_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* nb, const int32_t* xsuper,
                            const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz,
                            const float* lnz, const int32_t* pivot, const int32_t* mode, float* x, float* W,
                            const int32_t* ldw, const int32_t* part, int32_t* error);
void blkldlslvs1_32_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* xsuper,
                             const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz,
                             const float* lnz, const int32_t* pivot, const int32_t* mode, float* x,
                             const int32_t* part, int32_t* error);
void c_blkslvs_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* nb, const int32_t* xsuper,
                        const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz, const double* lnz,
                        const int32_t* pivot, const int32_t* mode, double* x, double* W, const int32_t* ldw,
                        const int32_t* part, int32_t* error);
void c_blkslvs1_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* xsuper,
                         const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz, const double* lnz,
                         const int32_t* pivot, const int32_t* mode, double* x, const int32_t* part,
                         int32_t* error);
void ch_blkldlslvs_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* nb, const int32_t* xsuper,
                            const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz,
                            const double* lnz, const int32_t* pivot, const int32_t* mode, double* x,
                            double* W, const int32_t* ldw, const int32_t* part, int32_t* error);
void ch_blkldlslvs1_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* xsuper,
                             const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz,
                             const double* lnz, const int32_t* pivot, const int32_t* mode, double* x,
                             const int32_t* part, int32_t* error);

// LU solves with row interchanges (blkslv, c_blkslv: types 1, 3) and with row and column
// interchanges (blkslv_unsym, c_blkslv_unsym: types 11, 13); transposed != 0 solves Aᵀ·x = b.
// Other arguments and error as for the LDLᵀ solves.
void blkslv_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* nb, const int32_t* xsuper,
                     const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz, const double* lnz,
                     const int32_t* xunz, const double* unz, const int32_t* pivot, double* x, double* W,
                     const int32_t* ldw, const int32_t* part, const int32_t* transposed, int32_t* error);
void blkslv1_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* xsuper, const int32_t* xlindx,
                      const int32_t* lindx, const int32_t* xlnz, const double* lnz, const int32_t* xunz,
                      const double* unz, const int32_t* pivot, double* x, const int32_t* part,
                      const int32_t* transposed, int32_t* error);
void blkslv_unsym_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* nb, const int32_t* xsuper,
                           const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz,
                           const double* lnz, const int32_t* xunz, const double* unz, const int32_t* pivot,
                           const int32_t* colpivot, double* x, double* W, const int32_t* ldw,
                           const int32_t* part, const int32_t* transposed, int32_t* error);
void blkslv1_unsym_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* xsuper,
                            const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz,
                            const double* lnz, const int32_t* xunz, const double* unz, const int32_t* pivot,
                            const int32_t* colpivot, double* x, const int32_t* part,
                            const int32_t* transposed, int32_t* error);
void c_blkslv_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* nb, const int32_t* xsuper,
                       const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz, const double* lnz,
                       const int32_t* xunz, const double* unz, const int32_t* pivot, double* x, double* W,
                       const int32_t* ldw, const int32_t* part, const int32_t* transposed, int32_t* error);
void c_blkslv1_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* xsuper, const int32_t* xlindx,
                        const int32_t* lindx, const int32_t* xlnz, const double* lnz, const int32_t* xunz,
                        const double* unz, const int32_t* pivot, double* x, const int32_t* part,
                        const int32_t* transposed, int32_t* error);
void c_blkslv_unsym_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* nb,
                             const int32_t* xsuper, const int32_t* xlindx, const int32_t* lindx,
                             const int32_t* xlnz, const double* lnz, const int32_t* xunz, const double* unz,
                             const int32_t* pivot, const int32_t* colpivot, double* x, double* W,
                             const int32_t* ldw, const int32_t* part, const int32_t* transposed,
                             int32_t* error);
void c_blkslv1_unsym_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* xsuper,
                              const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz,
                              const double* lnz, const int32_t* xunz, const double* unz, const int32_t* pivot,
                              const int32_t* colpivot, double* x, const int32_t* part,
                              const int32_t* transposed, int32_t* error);

// y = A·x (Aᵀ·x when transposed != 0, full storage only) for nb vectors; procs (processor count,
// buffer size) is not read; rowbuf: nb values. The _res forms give r = b - A·x and
// norm = Σ|r(i, j)| (moduli for complex); work is not read.
void amuxy_varnexo_(const int32_t* transposed, const int32_t* n, const int32_t* nb, const int32_t* type,
                    const int32_t* procs, const int32_t* ia, const int32_t* ja, const double* a,
                    const double* x, double* y, double* rowbuf);
void amuxy_res_varnexo_(const int32_t* transposed, const int32_t* n, const int32_t* nb, const int32_t* type,
                        const int32_t* procs, const int32_t* ia, const int32_t* ja, const double* a,
                        const double* x, double* r, double* rowbuf, const double* b, double* work,
                        double* norm);
void c_amuxy_varnexo_(const int32_t* transposed, const int32_t* n, const int32_t* nb, const int32_t* type,
                      const int32_t* procs, const int32_t* ia, const int32_t* ja, const varnexo_zcomplex* a,
                      const varnexo_zcomplex* x, varnexo_zcomplex* y, varnexo_zcomplex* rowbuf);
void c_amuxy_res_varnexo_(const int32_t* transposed, const int32_t* n, const int32_t* nb, const int32_t* type,
                          const int32_t* procs, const int32_t* ia, const int32_t* ja,
                          const varnexo_zcomplex* a, const varnexo_zcomplex* x, varnexo_zcomplex* r,
                          varnexo_zcomplex* rowbuf, const varnexo_zcomplex* b, varnexo_zcomplex* work,
                          double* norm);
// Largest |a(k)| off the diagonal (moduli for complex); the second argument is not read.
void maxnorm_a_(const int32_t* n, const int32_t* unused, const int32_t* ia, const int32_t* ja,
                const double* a, double* result);
void c_maxnorm_a_(const int32_t* n, const int32_t* unused, const int32_t* ia, const int32_t* ja,
                  const varnexo_zcomplex* a, double* result);

// Steps of the iteration for nb columns of n values (real values). cgs_i: q := 0, c := 0,
// rho_prev := 1. cgs_a (first != 0 on the first step): rho = (z, b), beta, p; status out 0, 1
// (rho growth) or 2 (beta vanished). cgs_b: sigma = (vhat, b), alpha, q, the correction c, x += c,
// rho_prev := rho; status out 0, 3 (rho over sigma) or 4 (alpha vanished). cgstep1: the new rho and
// beta, p := z + beta·p. cgstep2 with q = A·p: x += alpha·p, r -= alpha·q; breakdown out 1 when
// (p, q) vanished against rho (rho and p cleared), else 0.
void cgs_i_(const int32_t* n, const int32_t* nb, double* q, double* c, double* rho_prev);
void cgs_a_(const int32_t* n, const int32_t* nb, const int32_t* first, const double* z, const double* b,
            double* p, const double* q, double* rho, const double* rho_prev, double* beta, int32_t* status);
void cgs_b_(const int32_t* n, const int32_t* nb, const int32_t* first, const double* z, const double* b,
            const double* vhat, double* q, double* c, double* x, const double* rho, double* rho_prev,
            const double* beta, double* alpha, double* sigma, int32_t* status);
void cgstep1_(const int32_t* n, const int32_t* nb, const double* z, const double* r, double* p, double* rho,
              double* beta);
void cgstep2_(const int32_t* n, const int32_t* nb, double* p, const double* q, double* x, double* r,
              double* rho, double* alpha, int32_t* breakdown);

// Conversion of n·nb solve values between double and single precision (real values). The
// single array may start at the same address as the double one: convert64_32 goes column by
// column from the first, staging each double column in `work` (n doubles) before rounding it
// into its single column (which starts at value (j-1)·n); convert32_64 goes from the last
// column, widening each single column into `work` before copying it into its double column.
void convert64_32_varnexo_(const int32_t* n, const int32_t* nb, const double* x64, double* work, float* x32);
void convert32_64_varnexo_(const int32_t* n, const int32_t* nb, double* x64, double* work, const float* x32);

// Vector kernels, length first: pvclrr/pvclri x := 0; pvmovxy, pimovxy, pi4movxy y := x;
// pvnorm2 Σx²; pdscap1 Σx·y; pvaxyry y := y + x; pvrxayx x := a·x + y; pvrmxay y := y + a·x;
// pvaxyrz z := x + y; pvsxyry y := x − y; the _32 forms in single precision.
void pvclrr_(const int32_t* n, double* x);
void pvclrr_32_(const int32_t* n, float* x);
void pvclri_(const int32_t* n, int32_t* x);
void pvmovxy_(const int32_t* n, const double* x, double* y);
void pvmovxy_32_(const int32_t* n, const float* x, float* y);
void pimovxy_(const int32_t* n, const int32_t* x, int32_t* y);
void pi4movxy_(const int32_t* n, const int32_t* x, int32_t* y);
double pvnorm2_(const int32_t* n, const double* x);
double pdscap1_(const int32_t* n, const double* x, const double* y);
void pvaxyry_(const int32_t* n, const double* x, double* y);
void pvrxayx_(const int32_t* n, const double* a, double* x, const double* y);
void pvrmxay_(const int32_t* n, const double* a, const double* x, double* y);
void pvaxyrz_(const int32_t* n, const double* x, const double* y, double* z);
void pvsxyry_(const int32_t* n, const double* x, double* y);

#ifdef __cplusplus
}  // extern "C"
#endif
