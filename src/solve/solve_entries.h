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

#ifdef __cplusplus
}  // extern "C"
#endif
