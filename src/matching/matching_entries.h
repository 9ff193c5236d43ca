// Exported entries of the matching stage: the unsymmetric maximum-product matching with its
// solver and completion (0-based arrays), the store of a matching result into the analysis
// blocks (every argument by pointer), and the record toolkit with the matchings built on it
// (values passed as they are, records 0-based). Each name is also exported with a leading
// underscore. Included by the files that define them; C++ only, since the entries take the
// records of matching/mps.h and matching/toolkit.h.
#pragma once
#include <cstdint>
#include <cstdio>

namespace varnexo::matching {
struct CostGraph;
struct Smat;
struct Perm;
struct PermCycle;
struct BitVec;
struct JdxList;
struct PrioQ;
struct ColIndex;
}  // namespace varnexo::matching

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

// The sparse matrix record (matching/toolkit.h): constructors return null when memory runs out
// or an argument is invalid; a failed precondition prints the assertion report and refuses.
varnexo::matching::Smat* ZEBLANDO_smat_new(int32_t m, int32_t n, int32_t sym);
varnexo::matching::Smat* ZEBLANDO_smat_new_nnz(int32_t m, int32_t n, int32_t nnz, int32_t sym);
varnexo::matching::Smat* ZEBLANDO_smat_new_nnz_struct(int32_t m, int32_t n, int32_t nnz, int32_t sym);
varnexo::matching::Smat* ZEBLANDO_smat_new_from(int32_t m, int32_t n, int32_t* ia, int32_t* ja, double* a,
                                                int32_t sym, int32_t base);
int ZEBLANDO_smat_to_fortran_indexing(varnexo::matching::Smat* A);
int ZEBLANDO_smat_to_c_indexing(varnexo::matching::Smat* A);
varnexo::matching::Smat* ZEBLANDO_smat_copy(const varnexo::matching::Smat* A);
varnexo::matching::Smat* ZEBLANDO_smat_copy_structure(const varnexo::matching::Smat* A);
void ZEBLANDO_smat_free(varnexo::matching::Smat* A);
int ZEBLANDO_smat_realloc(varnexo::matching::Smat* A, int32_t nnz);
int ZEBLANDO_smat_scale(varnexo::matching::Smat* A, const double* r, const double* c);
int ZEBLANDO_smat_scale_exp(varnexo::matching::Smat* A, const double* r, const double* c);
int ZEBLANDO_smat_check_ia(const varnexo::matching::Smat* A);
int ZEBLANDO_smat_check_ja(const varnexo::matching::Smat* A);
int ZEBLANDO_smat_check_diagonal(const varnexo::matching::Smat* A);
int ZEBLANDO_smat_check_symmetry(const varnexo::matching::Smat* A);
int ZEBLANDO_smat_is_consistent(const varnexo::matching::Smat* A);
int ZEBLANDO_sort_row(varnexo::matching::Smat* A, int32_t i, int32_t with_values);
int ZEBLANDO_smat_get_diag(const varnexo::matching::Smat* A, double* d);
int ZEBLANDO_smat_trans(varnexo::matching::Smat* A);
varnexo::matching::Smat* ZEBLANDO_smat_copy_trans(const varnexo::matching::Smat* A);
int ZEBLANDO_smat_to_full_structure(varnexo::matching::Smat* A);
varnexo::matching::Smat* ZEBLANDO_smat_copy_full_structure(const varnexo::matching::Smat* A);
varnexo::matching::Smat* ZEBLANDO_smat_copy_log_to_full(const varnexo::matching::Smat* A);
varnexo::matching::Smat* ZEBLANDO_smat_symmetrize_structure(const varnexo::matching::Smat* A);
varnexo::matching::Smat* ZEBLANDO_smat_build_adjacency(const varnexo::matching::Smat* A);
varnexo::matching::Smat* ZEBLANDO_smat_copy_permute(const varnexo::matching::Smat* A,
                                                    const varnexo::matching::Perm* perm);
varnexo::matching::Smat* ZEBLANDO_smat_sym_trans_pta(const varnexo::matching::Smat* A,
                                                     const varnexo::matching::Perm* perm, int32_t* map);
int ZEBLANDO_smat_insert_zero_diags(varnexo::matching::Smat* A);
varnexo::matching::ColIndex* ZEBLANDO_smat_col_index_new(const varnexo::matching::Smat* A);
void ZEBLANDO_smat_col_index_free(varnexo::matching::ColIndex* ci);
int32_t ZEBLANDO_smat_guess_constraint_size(const varnexo::matching::Smat* A);
int ZEBLANDO_smat_fc_split(const varnexo::matching::Smat* A, int32_t k, varnexo::matching::Smat** F,
                           varnexo::matching::Smat** C12, varnexo::matching::Smat** C21,
                           varnexo::matching::Smat** C22);
void ZEBLANDO_smat_save_iajaa(const char* path, int64_t m, const int32_t* ia, const int32_t* ja,
                              const double* a);
double ZEBLANDO_vec_inf_norm(const double* v, int32_t n);

// Permutations, permutations in cycles and the integer sort; the print routines write to
// standard output.
varnexo::matching::Perm* ZEBLANDO_perm_new(int32_t n);
varnexo::matching::Perm* ZEBLANDO_perm_new_from(int32_t n, int32_t* p);
varnexo::matching::Perm* ZEBLANDO_perm_new_copy_from(int32_t n, const int32_t* p);
void ZEBLANDO_perm_free(varnexo::matching::Perm* P);
int ZEBLANDO_perm_set(varnexo::matching::Perm* P, int32_t i, int32_t value);
void ZEBLANDO_perm_clear(varnexo::matching::Perm* P);
int ZEBLANDO_perm_ident(varnexo::matching::Perm* P);
varnexo::matching::Perm* ZEBLANDO_perm_copy(varnexo::matching::Perm* dst, const varnexo::matching::Perm* src);
varnexo::matching::Perm* ZEBLANDO_perm_copy_invert(varnexo::matching::Perm* dst,
                                                   const varnexo::matching::Perm* src);
int ZEBLANDO_perm_invert(varnexo::matching::Perm* P);
void ZEBLANDO_perm_mirror(varnexo::matching::Perm* P);
int ZEBLANDO_perm_equal(const varnexo::matching::Perm* p1, const varnexo::matching::Perm* p2);
int ZEBLANDO_perm_permute(varnexo::matching::Perm* p1, const varnexo::matching::Perm* p2);
int ZEBLANDO_vec_copy_permute_dstsrc(double* dst, const double* src, const varnexo::matching::Perm* P);
void ZEBLANDO_perm_print(const varnexo::matching::Perm* P);
int ZEBLANDO_perm_is_consistent(const varnexo::matching::Perm* P);
void ZEBLANDO_qsort_int(int32_t* a, int32_t n);
varnexo::matching::PermCycle* ZEBLANDO_permcycle_new(int32_t n);
varnexo::matching::PermCycle* ZEBLANDO_permcycle_new_copy_from(const varnexo::matching::PermCycle* C);
varnexo::matching::PermCycle* ZEBLANDO_permcycle_new_from(const varnexo::matching::Perm* P);
varnexo::matching::PermCycle* ZEBLANDO_permcycle_split_2(const varnexo::matching::PermCycle* C);
varnexo::matching::Perm* ZEBLANDO_permcycle_to_new_perm(const varnexo::matching::PermCycle* C);
void ZEBLANDO_permcycle_print(const varnexo::matching::PermCycle* C);
void ZEBLANDO_permcycle_print_hist(const varnexo::matching::PermCycle* C);
void ZEBLANDO_permcycle_free(varnexo::matching::PermCycle* C);

// Bit vectors and index lists.
varnexo::matching::BitVec* ZEBLANDO_bitvec_new(int32_t size);
varnexo::matching::BitVec* ZEBLANDO_bitvec_new_from(int32_t size, uint32_t* words);
void ZEBLANDO_bitvec_free(varnexo::matching::BitVec* bv);
void ZEBLANDO_bitvec_clear(varnexo::matching::BitVec* bv);
void ZEBLANDO_bitvec_invert(varnexo::matching::BitVec* bv);
int ZEBLANDO_bitvec_set(varnexo::matching::BitVec* bv, int32_t bit);
int ZEBLANDO_bitvec_unset(varnexo::matching::BitVec* bv, int32_t bit);
void ZEBLANDO_bitvec_unset_sloppily(varnexo::matching::BitVec* bv, int32_t bit);
int ZEBLANDO_bitvec_is_set(const varnexo::matching::BitVec* bv, int32_t bit);
void ZEBLANDO_bitvec_print(const varnexo::matching::BitVec* bv);
varnexo::matching::BitVec* ZEBLANDO_bitvec_copy_permute(const varnexo::matching::BitVec* src,
                                                        const varnexo::matching::Perm* P);
int ZEBLANDO_bitvec_permute(varnexo::matching::BitVec* bv, const varnexo::matching::Perm* P);
varnexo::matching::JdxList* ZEBLANDO_jdxlist_new(int32_t capacity);
void ZEBLANDO_jdxlist_free(varnexo::matching::JdxList* l);
int ZEBLANDO_jdxlist_contains(const varnexo::matching::JdxList* l, int32_t x);
int ZEBLANDO_jdxlist_contains_remove(varnexo::matching::JdxList* l, int32_t x);
void ZEBLANDO_jdxlist_print_as_int(const varnexo::matching::JdxList* l);

// The indexed max-priority queue.
varnexo::matching::PrioQ* ZEBLANDO_prioq_new(int32_t capacity);
void ZEBLANDO_pq_free(varnexo::matching::PrioQ* pq);
int ZEBLANDO_prioq_insert(varnexo::matching::PrioQ* pq, int32_t index, double priority);
int32_t ZEBLANDO_prioq_insert_replace_larger(varnexo::matching::PrioQ* pq, int32_t index, double priority);
int32_t ZEBLANDO_pq_remove_max(varnexo::matching::PrioQ* pq);
int32_t ZEBLANDO_pq_get_max_index(const varnexo::matching::PrioQ* pq);
double ZEBLANDO_pq_get_max_priority(const varnexo::matching::PrioQ* pq);
void ZEBLANDO_pq_heap_shiftup(varnexo::matching::PrioQ* pq, int32_t slot);
int ZEBLANDO_pq_inc1(varnexo::matching::PrioQ* pq, int32_t index);
int ZEBLANDO_pq_dec1(varnexo::matching::PrioQ* pq, int32_t index);
varnexo::matching::PrioQ* ZEBLANDO_pq_new_from_array(double* priorities, int32_t n);
void ZEBLANDO_pq_heap_sort(varnexo::matching::PrioQ* pq, int32_t* order);
void ZEBLANDO_pq_print(const varnexo::matching::PrioQ* pq);
void ZEBLANDO_prioq_clear(varnexo::matching::PrioQ* pq);

// The toolkit-based matchings (matching/maxmatching.h) and the padded 2×2 matrix
// (matching/symmetric_matching.h).
int32_t ZEBLANDO_smat_maxmatching(const varnexo::matching::Smat* C, int32_t* perm, double* u, double* v,
                                  int32_t warm);
int32_t ZEBLANDO_smat_unsym_reordering_mps(const varnexo::matching::Smat* A, int32_t* perm, double* u,
                                           double* v, int32_t warm);
varnexo::matching::Smat* ZEBLANDO_build_padded_2x2_mat(const varnexo::matching::Smat* A,
                                                       const varnexo::matching::Perm* pi,
                                                       const varnexo::matching::BitVec* marks,
                                                       varnexo::matching::Perm* map);

}  // extern "C"
