// Exported entries whose arguments carry the handle's control arrays (ibasic, rbasic): thin
// wrappers that read the words into options, call the C++ function of the factorisation or the
// solve, and write the results back. Fortran style, every argument by pointer, arrays 1-based;
// each name is also exported with a leading underscore. Included by the files that define them;
// C callers include it too.
#pragma once
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Factorisation entry. a, lnz, unz and temp hold pairs of doubles for the complex types; lnz and
// unz may lie in one block (unz after ibasic(34) values). iwork: 2·P·n + n + nsuper words.
// domains: the domain table (2·(ibasic(60)+1) words) or any array when the scheduled family is
// not used. Status in ibasic(48), (50), (62..64). sssfct_ forces the symmetric storage, ssnfct_
// the LU storage; factorize_ takes the storage of ibasic(19).
void factorize_varnexo_(const int32_t* n, const int32_t* luperm, const int32_t* ia, const int32_t* ja,
                        const double* a, int32_t* ibasic, double* rbasic, const int32_t* xlindx,
                        const int32_t* lindx, const int32_t* xlnz, double* lnz, const int32_t* xunz,
                        double* unz, const int32_t* xsuper, const int32_t* snode, int32_t* pivot,
                        int32_t* colpivot, const int32_t* nmod, const int32_t* pnlsch, int32_t* iwork,
                        double* temp, const int32_t* xlmap, const int32_t* lmap, const int32_t* xumap,
                        const int32_t* umap, const int32_t* asrc, const int32_t* aorig,
                        const int32_t* colorig, const double* scaling, const int32_t* domains);
void sssfct_varnexo_(const int32_t* n, const int32_t* luperm, const int32_t* ia, const int32_t* ja,
                     const double* a, int32_t* ibasic, double* rbasic, const int32_t* xlindx,
                     const int32_t* lindx, const int32_t* xlnz, double* lnz, const int32_t* xunz, double* unz,
                     const int32_t* xsuper, const int32_t* snode, int32_t* pivot, int32_t* colpivot,
                     const int32_t* nmod, const int32_t* pnlsch, int32_t* iwork, double* temp,
                     const int32_t* xlmap, const int32_t* lmap, const int32_t* xumap, const int32_t* umap,
                     const int32_t* asrc, const int32_t* aorig, const int32_t* colorig, const double* scaling,
                     const int32_t* domains);
void ssnfct_varnexo_(const int32_t* n, const int32_t* luperm, const int32_t* ia, const int32_t* ja,
                     const double* a, int32_t* ibasic, double* rbasic, const int32_t* xlindx,
                     const int32_t* lindx, const int32_t* xlnz, double* lnz, const int32_t* xunz, double* unz,
                     const int32_t* xsuper, const int32_t* snode, int32_t* pivot, int32_t* colpivot,
                     const int32_t* nmod, const int32_t* pnlsch, int32_t* iwork, double* temp,
                     const int32_t* xlmap, const int32_t* lmap, const int32_t* xumap, const int32_t* umap,
                     const int32_t* asrc, const int32_t* aorig, const int32_t* colorig, const double* scaling,
                     const int32_t* domains);

// Solve driver: X from B with a stored factor, nb right-hand sides of n values (leading
// dimension n). The partition arrays are not read (one part). ibasic words read: 1 n, 12 type,
// 19 storage, 31 nsuper, 44 size of W in values, 51, 52 output switch (1: solution into b),
// 68 transposed, 69 scaling, 73 part, 83 single precision; q: the matching's row mapping, s: the
// 2n scalings. error out: 0, -2 when private scratch cannot be obtained, -10 when no sweep of
// this library serves the type. sssslv_ forces the symmetric storage, ssnslv_ the LU storage;
// solve_ takes the storage of ibasic(19).
void solve_varnexo_(const int32_t* nb, double* x, double* b, const int32_t* perm, const int32_t* xsuper,
                    const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz, const double* lnz,
                    const int32_t* xunz, const double* unz, const int32_t* pivot, const int32_t* colpivot,
                    const int32_t* part_first, const int32_t* part_rows, const int32_t* ibasic, double* W,
                    const int32_t* q, const double* s, int32_t* error);
void sssslv_varnexo_(const int32_t* nb, double* x, double* b, const int32_t* perm, const int32_t* xsuper,
                     const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz, const double* lnz,
                     const int32_t* xunz, const double* unz, const int32_t* pivot, const int32_t* colpivot,
                     const int32_t* part_first, const int32_t* part_rows, const int32_t* ibasic, double* W,
                     const int32_t* q, const double* s, int32_t* error);
void ssnslv_varnexo_(const int32_t* nb, double* x, double* b, const int32_t* perm, const int32_t* xsuper,
                     const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz, const double* lnz,
                     const int32_t* xunz, const double* unz, const int32_t* pivot, const int32_t* colpivot,
                     const int32_t* part_first, const int32_t* part_rows, const int32_t* ibasic, double* W,
                     const int32_t* q, const double* s, int32_t* error);

#ifdef __cplusplus
}  // extern "C"
#endif
