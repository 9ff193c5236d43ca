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

// The analysis steps 1 and 2 of the ordering and symbolic stage.
// Step 1. n: order; ia, ja: the pattern (one triangle, full, or unsymmetric by ibasic(12),
// ibasic(19)); user_perm: read when ibasic(21) > 0 (new position -> input index);
// matching_perm: row mapping q for the unsymmetric types (nullptr = identity) or the ordering
// of the symmetric matching (read when ibasic(67) >= 1 for types -2, -4, 6).
// Out: perm, invp, colcnt, snode (n each), xsuper (n+1), the domain table (table_cap words;
// on entry it holds the matching's pairs when those are used) converted to supernodes, the
// graph xadj (n+1), adjncy (ibasic(4) words on entry; ibasic(4) is rewritten for the
// unsymmetric types). s0_work: at least 7n+2 words (minimum-degree work); work: at least
// max(2n+2, n+1+nnz, 4n, ibasic(4)) words (graph build, ordering copy, tree).
// ibasic: reads 1, 4, 9-17, 19, 21, 60, 61, 67, 82; writes 4, 16, 30, 31, 32, 36, 50, 60, 80,
// 81. rbasic(1..3): seconds of graph, ordering and tree work are added.
// ibasic(50): 0; -182 when the structure of L cannot be indexed in 32 bits; -180 when the
// permutation (given or computed) is not a permutation of 1..n.
void reorder1_varnexo_(const int32_t* n, const int32_t* ia, const int32_t* ja, const int32_t* user_perm,
                       int32_t* perm, int32_t* invp, int32_t* table, const int32_t* table_cap,
                       int32_t* colcnt, int32_t* snode, int32_t* xsuper, int32_t* xadj, int32_t* adjncy,
                       int32_t* s0_work, const int32_t* s0_work_len, int32_t* work, const int32_t* work_len,
                       int32_t* ibasic, double* rbasic, const int32_t* matching_perm);

// Step 2. Inputs from step 1 (graph, perm, invp, colcnt, xsuper, snode, table in supernodes).
// Out: xlindx (nsuper+1), lindx (ibasic(36)), xlnz, xunz (n+1 each), nmod, schedule, mark1,
// mark2 (set to -1111111), seprows (separator row counts), sparent: nsuper words each.
// work: at least 5n+1 words. ibasic: reads 1, 15, 19, 31, 36, 60; writes 22, 23, 34, 35, 37,
// 38, 50, 78, 79. rbasic(3) += seconds; rbasic(15) := 0.
// ibasic(50): 0; -182 when a storage pointer would pass 32 bits; -180 when a row set
// disagrees with the counts.
void reorder2_varnexo_(int32_t* ibasic, double* rbasic, const int32_t* xadj, const int32_t* adjncy,
                       const int32_t* perm, const int32_t* invp, const int32_t* colcnt, const int32_t* xsuper,
                       const int32_t* snode, const int32_t* table, int32_t* xlindx, int32_t* lindx,
                       int32_t* xlnz, int32_t* xunz, int32_t* nmod, int32_t* schedule, int32_t* mark1,
                       int32_t* mark2, int32_t* seprows, int32_t* sparent, int32_t* work,
                       const int32_t* work_len);

// The CGS/CG iteration with a stored factor as preconditioner (the factor arguments as for
// solve_varnexo_). x: the start (M⁻¹·b) on entry, the solution on return; work: work_len values
// (doubles, or pairs for the complex twin), exactly 6·n·nb. ibasic words read: 11 message level,
// 12 type, 18 method (±2 CG for the symmetric and Hermitian storage, else CGS), 40 divergence
// bound, 41 iteration budget, 42 check iteration, 68 transposed, and those of solve_varnexo_;
// rbasic(13) the tolerance on the relative correction. status out: 0 converged, -1 diverged,
// -2 stagnation, -3 budget, -4 work length, 1..4 CGS breakdowns; iterations out: the counter. On
// failure ibasic(43) := 1 and ibasic(50) the solve error (-2 work length, -3 a failed solve with
// status 0). copy != 0: a converged x is copied into b.
void pre_cgs_varnexo_(const int32_t* n, const int32_t* nb, const double* a, const int32_t* ia,
                      const int32_t* ja, double* b, double* x, const int32_t* perm, const int32_t* xsuper,
                      const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz, const double* lnz,
                      const int32_t* xunz, const double* unz, const int32_t* pivot, const int32_t* colpivot,
                      const int32_t* part_first, const int32_t* part_rows, double* W, const int32_t* q,
                      const double* s, int32_t* ibasic, double* rbasic, double* work, const int64_t* work_len,
                      int32_t* status, int32_t* iterations, const int32_t* copy);
void c_pre_cgs_varnexo_(const int32_t* n, const int32_t* nb, const double* a, const int32_t* ia,
                        const int32_t* ja, double* b, double* x, const int32_t* perm, const int32_t* xsuper,
                        const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz, const double* lnz,
                        const int32_t* xunz, const double* unz, const int32_t* pivot, const int32_t* colpivot,
                        const int32_t* part_first, const int32_t* part_rows, double* W, const int32_t* q,
                        const double* s, int32_t* ibasic, double* rbasic, double* work,
                        const int64_t* work_len, int32_t* status, int32_t* iterations, const int32_t* copy);

// ---- Handle routines over the control arrays.
// Fills the control words of the handle's BASIC and FACT_ADR blocks for an analysis from iparam
// and the matrix type; the array arguments must be the handle's own.
void ini_basic_fc_(void* handle, const int32_t* message_level, const int32_t* first, int32_t* iparam,
                   int32_t* ibasic, double* rbasic, int32_t* iadr, const int32_t* max_fac_store,
                   int32_t* fact_adr, const int32_t* matrix_type);
// Copies the 2×2 pair list of the symmetric matching (2·ibasic(60)+2 words) into the structure
// block of the analysis from word 5n+8 on.
void ddist_init_varnexo_(const int32_t* ibasic, int32_t* structure_block, const int32_t* pairs);
// Sizes of the factor, CGS and work blocks of a numerical phase for one FACT_ADR entry.
void fact_cgs_alloc_fc_(const int32_t* at_analysis, int32_t* ido, const int32_t* nb, int64_t* factor_size,
                        int64_t* cgs_size, int64_t* work_size, int32_t* ibasic, int32_t* iadr,
                        int32_t* fact_adr_entry);

#ifdef __cplusplus
}  // extern "C"
#endif
