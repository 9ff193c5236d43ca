// Exported entries of the matching stage: the unsymmetric maximum-product matching with its
// solver and completion (0-based arrays), and the store of a matching result into the analysis
// blocks. Every argument by pointer; the routines named with a trailing underscore are also
// exported with a leading one. Included by the files that define them; C++ only, since
// kuhn_munkres takes the cost graph record.
#pragma once
#include <cstdint>

namespace varnexo::matching {
struct CostGraph;
}

extern "C" {

// The routines of matching/mps.h with every argument by pointer: mps_varnexo is mps (returns
// 0 complete, -1 structurally singular, -2 out of memory, -3 invalid input, also for a null n or
// mode), kuhn_munkres and _expand_matching the solver and the completion (-3 for a malformed
// graph or matching).
int mps_varnexo(const int32_t* n, const int32_t* ia, const int32_t* ja, const double* a, int32_t* perm,
                double* row_scaling, double* col_scaling, const int32_t* mode);
int32_t kuhn_munkres(const varnexo::matching::CostGraph* graph, const double* bound, int32_t* match,
                     double* u, double* v);
int32_t _expand_matching(const int32_t* n, int32_t* match, double* u, double* v);

// The routines of matching/matching_store.h with every argument by pointer; status receives the
// result of rr33adcopy (-1 also for a null n, type or mode).
void rr33adcopy_(const int32_t* n, const int32_t* matrix_type, const int32_t* mode, const int32_t* perm_in,
                 const double* log_scaling, int32_t* perm_out, double* scaling, int32_t* status);
void convert2abs_(const int32_t* nnz, const double* values, double* modulus);

}  // extern "C"
