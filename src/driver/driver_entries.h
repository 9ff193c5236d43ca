// Exported entries of the driver: the public call and the phase driver (declared in the public
// header), the diagonal systems, the handle and block routines, the error report, the banner, the
// refinement lines, the timers and the argument-error printer. Fortran style, every argument by
// pointer; each name is also exported with a leading underscore. Included by the files that define
// them; C callers include it too.
#pragma once
#include <stdint.h>

#include "varnexo.h"  // varnexoinit_, varnexo_, varnexo_c_

#ifdef __cplusplus
extern "C" {
#endif

// A matrix with one entry per row, on the diagonal: checks every row and, when solve is 1,
// x := D⁻¹·b (copied into b when solution_on_b is 1). status: 0, i when row i does not hold one
// entry, -i when its value is zero. The real form counts the signs of the diagonal; the
// complex form takes pairs of doubles in a, b and x.
void diag_varnexo_(const int32_t* neqns, const int32_t* nb, const int32_t* ia, const int32_t* ja,
                   const double* a, double* b, double* x, int32_t* status, const int32_t* solution_on_b,
                   const int32_t* solve, int32_t* positive_count, int32_t* negative_count);
void c_diag_varnexo_(const int32_t* neqns, const int32_t* nb, const int32_t* ia, const int32_t* ja,
                     const double* a, double* b, double* x, int32_t* status, const int32_t* solution_on_b,
                     const int32_t* solve);

// The error report of a failed call on `handle`: the class header and the text of `error_num`,
// with the values of the call that the texts print; *error receives the code to return.
void error_info_fc_(void* handle, int32_t* error, const int32_t* error_num, const int32_t* phase,
                    const int32_t* max_fac_store, const int32_t* matrix_number, const int32_t* matrix_type,
                    const int32_t* neqns, const int32_t* nb, int32_t* iparam);

// Resets one FACT_ADR entry (6 words) to the not-obtained state: (0, sentinel, 0, 0, 0, 0).
void clean_fact_fc_(int32_t* fact_adr_entry, const int32_t* sentinel);
// Packs two arrays of n words that lie m+1 words apart in source one after the other into
// target: as int32 (kind 1) or narrowed to int16.
void vmovup_fc_(const int32_t* kind, const int32_t* m, const int32_t* n, const int32_t* source,
                int32_t* target);
// Writes `count` values with a Fortran format record, when `level` >= 1.
void wr_test_cgs_(const char* format, const int32_t* count, const double* values, const int32_t* level);

// The banner of a call with messages on.
void print_info_varnexo_(const int32_t* matrix_type);

// The processor clock (ticks_per_second set to 1000 when 0), the processor time in seconds, and
// the processor count from OMP_NUM_THREADS (1 when unset or unreadable).
void my_ftime_varnexo_(double* ignored_time, int64_t* ticks_per_second, int64_t* ticks);
void timer_varnexo_(double* t);
void get_proc_varnexo_(int32_t* count);
// Prints an illegal-argument message and returns 0; it never stops the program.
int xerbla(const char* name, const int32_t* position);

#ifdef __cplusplus
}  // extern "C"

namespace varnexo::matching {
struct Smat;
struct Perm;
struct BitVec;
}  // namespace varnexo::matching

extern "C" {

// The toolkit's orderings of the adjacency graph of A (A + Aᵀ without the diagonal), 0-based:
// perm receives new -> old. gepcmd keeps the last constraint_size nodes for the last positions.
// Return 0, or -1 when the ordering fails. metis_ddist returns the number of domains and writes
// the domain pairs (first, last), or (0, n-1, n, n) for one domain, into ddist (even length);
// parameter: the domains requested; selector: the partitioning instance.
int ZEBLANDO_smat_reordering_gepmmd(const varnexo::matching::Smat* A, varnexo::matching::Perm* perm);
int ZEBLANDO_smat_reordering_gepcmd(const varnexo::matching::Smat* A, varnexo::matching::Perm* perm,
                                    int32_t constraint_size);
int32_t ZEBLANDO_smat_reordering_metis_ddist(const varnexo::matching::Smat* A, varnexo::matching::Perm* perm,
                                             int32_t parameter, varnexo::matching::Perm* ddist,
                                             int32_t selector);
// The symmetric matching of the upper triangle (n, ia, ja, a; 0-based): perm holds the matching
// on entry (perm[j] = row of column j) and the final position of every index on return; marks
// (n bits) the 1×1 positions; ordering choice 0, 1, 2 with its parameter and selector as above.
// Returns 1, or 0 when the input is no matching or the ordering fails.
int ZEBLANDO_mps_sym_varnexo(int32_t n, int32_t* ia, int32_t* ja, double* a, int32_t choice,
                             int32_t parameter, int32_t* perm, varnexo::matching::BitVec* marks,
                             int32_t* ndomains, varnexo::matching::Perm* ddist, int32_t selector);

}  // extern "C"
#endif
