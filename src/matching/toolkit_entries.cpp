// Exported entries of the record toolkit and of the toolkit-based matchings (matching stage):
// thin C wrappers with the toolkit's names over the functions of matching/toolkit.h,
// matching/maxmatching.h and matching/symmetric_matching.h. Records and indices are 0-based;
// functions that answer yes or no return 1 or 0. Each name is also exported with a leading
// underscore.
#include <cstdio>

#include "common/export.h"
#include "matching/matching_entries.h"
#include "matching/maxmatching.h"
#include "matching/symmetric_matching.h"
#include "matching/toolkit.h"

namespace vm = varnexo::matching;

extern "C" VARNEXO_EXPORT vm::Smat* ZEBLANDO_smat_new(int32_t m, int32_t n, int32_t sym) {
  return vm::smat_new(m, n, sym);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_new);

extern "C" VARNEXO_EXPORT vm::Smat* ZEBLANDO_smat_new_nnz(int32_t m, int32_t n, int32_t nnz, int32_t sym) {
  return vm::smat_new_nnz(m, n, nnz, sym);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_new_nnz);

extern "C" VARNEXO_EXPORT vm::Smat* ZEBLANDO_smat_new_nnz_struct(int32_t m, int32_t n, int32_t nnz,
                                                                 int32_t sym) {
  return vm::smat_new_nnz_struct(m, n, nnz, sym);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_new_nnz_struct);

extern "C" VARNEXO_EXPORT vm::Smat* ZEBLANDO_smat_new_from(int32_t m, int32_t n, int32_t* ia, int32_t* ja,
                                                           double* a, int32_t sym, int32_t base) {
  return vm::smat_new_from(m, n, ia, ja, a, sym, base);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_new_from);

extern "C" VARNEXO_EXPORT int ZEBLANDO_smat_to_fortran_indexing(vm::Smat* A) {
  return vm::smat_to_fortran_indexing(A);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_to_fortran_indexing);

extern "C" VARNEXO_EXPORT int ZEBLANDO_smat_to_c_indexing(vm::Smat* A) { return vm::smat_to_c_indexing(A); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_to_c_indexing);

extern "C" VARNEXO_EXPORT vm::Smat* ZEBLANDO_smat_copy(const vm::Smat* A) { return vm::smat_copy(A); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_copy);

extern "C" VARNEXO_EXPORT vm::Smat* ZEBLANDO_smat_copy_structure(const vm::Smat* A) {
  return vm::smat_copy_structure(A);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_copy_structure);

extern "C" VARNEXO_EXPORT void ZEBLANDO_smat_free(vm::Smat* A) { vm::smat_free(A); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_free);

extern "C" VARNEXO_EXPORT int ZEBLANDO_smat_realloc(vm::Smat* A, int32_t nnz) {
  return vm::smat_realloc(A, nnz);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_realloc);

extern "C" VARNEXO_EXPORT int ZEBLANDO_smat_scale(vm::Smat* A, const double* r, const double* c) {
  return vm::smat_scale(A, r, c);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_scale);

extern "C" VARNEXO_EXPORT int ZEBLANDO_smat_scale_exp(vm::Smat* A, const double* r, const double* c) {
  return vm::smat_scale_exp(A, r, c);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_scale_exp);

extern "C" VARNEXO_EXPORT int ZEBLANDO_smat_check_ia(const vm::Smat* A) { return vm::smat_check_ia(A); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_check_ia);

extern "C" VARNEXO_EXPORT int ZEBLANDO_smat_check_ja(const vm::Smat* A) { return vm::smat_check_ja(A); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_check_ja);

extern "C" VARNEXO_EXPORT int ZEBLANDO_smat_check_diagonal(const vm::Smat* A) {
  return vm::smat_check_diagonal(A);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_check_diagonal);

extern "C" VARNEXO_EXPORT int ZEBLANDO_smat_check_symmetry(const vm::Smat* A) {
  return vm::smat_check_symmetry(A);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_check_symmetry);

extern "C" VARNEXO_EXPORT int ZEBLANDO_smat_is_consistent(const vm::Smat* A) {
  return vm::smat_is_consistent(A);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_is_consistent);

extern "C" VARNEXO_EXPORT int ZEBLANDO_sort_row(vm::Smat* A, int32_t i, int32_t with_values) {
  return vm::sort_row(A, i, with_values != 0);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_sort_row);

extern "C" VARNEXO_EXPORT int ZEBLANDO_smat_get_diag(const vm::Smat* A, double* d) {
  return vm::smat_get_diag(A, d);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_get_diag);

extern "C" VARNEXO_EXPORT int ZEBLANDO_smat_trans(vm::Smat* A) { return vm::smat_trans(A); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_trans);

extern "C" VARNEXO_EXPORT vm::Smat* ZEBLANDO_smat_copy_trans(const vm::Smat* A) {
  return vm::smat_copy_trans(A);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_copy_trans);

extern "C" VARNEXO_EXPORT int ZEBLANDO_smat_to_full_structure(vm::Smat* A) {
  return vm::smat_to_full_structure(A);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_to_full_structure);

extern "C" VARNEXO_EXPORT vm::Smat* ZEBLANDO_smat_copy_full_structure(const vm::Smat* A) {
  return vm::smat_copy_full_structure(A);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_copy_full_structure);

extern "C" VARNEXO_EXPORT vm::Smat* ZEBLANDO_smat_copy_log_to_full(const vm::Smat* A) {
  return vm::smat_copy_log_to_full(A);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_copy_log_to_full);

extern "C" VARNEXO_EXPORT vm::Smat* ZEBLANDO_smat_symmetrize_structure(const vm::Smat* A) {
  return vm::smat_symmetrize_structure(A);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_symmetrize_structure);

extern "C" VARNEXO_EXPORT vm::Smat* ZEBLANDO_smat_build_adjacency(const vm::Smat* A) {
  return vm::smat_build_adjacency(A);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_build_adjacency);

extern "C" VARNEXO_EXPORT vm::Smat* ZEBLANDO_smat_copy_permute(const vm::Smat* A, const vm::Perm* perm) {
  return vm::smat_copy_permute(A, perm);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_copy_permute);

extern "C" VARNEXO_EXPORT vm::Smat* ZEBLANDO_smat_sym_trans_pta(const vm::Smat* A, const vm::Perm* perm,
                                                                int32_t* map) {
  return vm::smat_sym_trans_pta(A, perm, map);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_sym_trans_pta);

extern "C" VARNEXO_EXPORT int ZEBLANDO_smat_insert_zero_diags(vm::Smat* A) {
  return vm::smat_insert_zero_diags(A);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_insert_zero_diags);

extern "C" VARNEXO_EXPORT vm::ColIndex* ZEBLANDO_smat_col_index_new(const vm::Smat* A) {
  return vm::smat_col_index_new(A);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_col_index_new);

extern "C" VARNEXO_EXPORT void ZEBLANDO_smat_col_index_free(vm::ColIndex* ci) { vm::smat_col_index_free(ci); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_col_index_free);

extern "C" VARNEXO_EXPORT int32_t ZEBLANDO_smat_guess_constraint_size(const vm::Smat* A) {
  return vm::smat_guess_constraint_size(A);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_guess_constraint_size);

extern "C" VARNEXO_EXPORT int ZEBLANDO_smat_fc_split(const vm::Smat* A, int32_t k, vm::Smat** F,
                                                     vm::Smat** C12, vm::Smat** C21, vm::Smat** C22) {
  return vm::smat_fc_split(A, k, F, C12, C21, C22);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_fc_split);

extern "C" VARNEXO_EXPORT void ZEBLANDO_smat_save_iajaa(const char* path, int64_t m, const int32_t* ia,
                                                        const int32_t* ja, const double* a) {
  vm::smat_save_iajaa(path, m, ia, ja, a);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_save_iajaa);

extern "C" VARNEXO_EXPORT double ZEBLANDO_vec_inf_norm(const double* v, int32_t n) {
  return vm::vec_inf_norm(v, n);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_vec_inf_norm);

extern "C" VARNEXO_EXPORT vm::Perm* ZEBLANDO_perm_new(int32_t n) { return vm::perm_new(n); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_perm_new);

extern "C" VARNEXO_EXPORT vm::Perm* ZEBLANDO_perm_new_from(int32_t n, int32_t* p) {
  return vm::perm_new_from(n, p);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_perm_new_from);

extern "C" VARNEXO_EXPORT vm::Perm* ZEBLANDO_perm_new_copy_from(int32_t n, const int32_t* p) {
  return vm::perm_new_copy_from(n, p);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_perm_new_copy_from);

extern "C" VARNEXO_EXPORT void ZEBLANDO_perm_free(vm::Perm* P) { vm::perm_free(P); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_perm_free);

extern "C" VARNEXO_EXPORT int ZEBLANDO_perm_set(vm::Perm* P, int32_t i, int32_t value) {
  return vm::perm_set(P, i, value);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_perm_set);

extern "C" VARNEXO_EXPORT void ZEBLANDO_perm_clear(vm::Perm* P) { vm::perm_clear(P); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_perm_clear);

extern "C" VARNEXO_EXPORT int ZEBLANDO_perm_ident(vm::Perm* P) { return vm::perm_ident(P); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_perm_ident);

extern "C" VARNEXO_EXPORT vm::Perm* ZEBLANDO_perm_copy(vm::Perm* dst, const vm::Perm* src) {
  return vm::perm_copy(dst, src);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_perm_copy);

extern "C" VARNEXO_EXPORT vm::Perm* ZEBLANDO_perm_copy_invert(vm::Perm* dst, const vm::Perm* src) {
  return vm::perm_copy_invert(dst, src);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_perm_copy_invert);

extern "C" VARNEXO_EXPORT int ZEBLANDO_perm_invert(vm::Perm* P) { return vm::perm_invert(P); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_perm_invert);

extern "C" VARNEXO_EXPORT void ZEBLANDO_perm_mirror(vm::Perm* P) { vm::perm_mirror(P); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_perm_mirror);

extern "C" VARNEXO_EXPORT int ZEBLANDO_perm_equal(const vm::Perm* p1, const vm::Perm* p2) {
  return vm::perm_equal(p1, p2);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_perm_equal);

extern "C" VARNEXO_EXPORT int ZEBLANDO_perm_permute(vm::Perm* p1, const vm::Perm* p2) {
  return vm::perm_permute(p1, p2);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_perm_permute);

extern "C" VARNEXO_EXPORT int ZEBLANDO_vec_copy_permute_dstsrc(double* dst, const double* src,
                                                               const vm::Perm* P) {
  return vm::vec_copy_permute_dstsrc(dst, src, P);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_vec_copy_permute_dstsrc);

extern "C" VARNEXO_EXPORT void ZEBLANDO_perm_print(const vm::Perm* P) { vm::perm_print(P, stdout); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_perm_print);

extern "C" VARNEXO_EXPORT int ZEBLANDO_perm_is_consistent(const vm::Perm* P) {
  return vm::perm_is_consistent(P, stdout);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_perm_is_consistent);

extern "C" VARNEXO_EXPORT void ZEBLANDO_qsort_int(int32_t* a, int32_t n) { vm::qsort_int(a, n); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_qsort_int);

extern "C" VARNEXO_EXPORT vm::PermCycle* ZEBLANDO_permcycle_new(int32_t n) { return vm::permcycle_new(n); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_permcycle_new);

extern "C" VARNEXO_EXPORT vm::PermCycle* ZEBLANDO_permcycle_new_copy_from(const vm::PermCycle* C) {
  return vm::permcycle_new_copy_from(C);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_permcycle_new_copy_from);

extern "C" VARNEXO_EXPORT vm::PermCycle* ZEBLANDO_permcycle_new_from(const vm::Perm* P) {
  return vm::permcycle_new_from(P);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_permcycle_new_from);

extern "C" VARNEXO_EXPORT vm::PermCycle* ZEBLANDO_permcycle_split_2(const vm::PermCycle* C) {
  return vm::permcycle_split_2(C);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_permcycle_split_2);

extern "C" VARNEXO_EXPORT vm::Perm* ZEBLANDO_permcycle_to_new_perm(const vm::PermCycle* C) {
  return vm::permcycle_to_new_perm(C);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_permcycle_to_new_perm);

extern "C" VARNEXO_EXPORT void ZEBLANDO_permcycle_print(const vm::PermCycle* C) {
  vm::permcycle_print(C, stdout);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_permcycle_print);

extern "C" VARNEXO_EXPORT void ZEBLANDO_permcycle_print_hist(const vm::PermCycle* C) {
  vm::permcycle_print_hist(C, stdout);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_permcycle_print_hist);

extern "C" VARNEXO_EXPORT void ZEBLANDO_permcycle_free(vm::PermCycle* C) { vm::permcycle_free(C); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_permcycle_free);

extern "C" VARNEXO_EXPORT vm::BitVec* ZEBLANDO_bitvec_new(int32_t size) { return vm::bitvec_new(size); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_bitvec_new);

extern "C" VARNEXO_EXPORT vm::BitVec* ZEBLANDO_bitvec_new_from(int32_t size, uint32_t* words) {
  return vm::bitvec_new_from(size, words);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_bitvec_new_from);

extern "C" VARNEXO_EXPORT void ZEBLANDO_bitvec_free(vm::BitVec* bv) { vm::bitvec_free(bv); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_bitvec_free);

extern "C" VARNEXO_EXPORT void ZEBLANDO_bitvec_clear(vm::BitVec* bv) { vm::bitvec_clear(bv); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_bitvec_clear);

extern "C" VARNEXO_EXPORT void ZEBLANDO_bitvec_invert(vm::BitVec* bv) { vm::bitvec_invert(bv); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_bitvec_invert);

extern "C" VARNEXO_EXPORT int ZEBLANDO_bitvec_set(vm::BitVec* bv, int32_t bit) {
  return vm::bitvec_set(bv, bit);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_bitvec_set);

extern "C" VARNEXO_EXPORT int ZEBLANDO_bitvec_unset(vm::BitVec* bv, int32_t bit) {
  return vm::bitvec_unset(bv, bit);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_bitvec_unset);

extern "C" VARNEXO_EXPORT void ZEBLANDO_bitvec_unset_sloppily(vm::BitVec* bv, int32_t bit) {
  vm::bitvec_unset_sloppily(bv, bit);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_bitvec_unset_sloppily);

extern "C" VARNEXO_EXPORT int ZEBLANDO_bitvec_is_set(const vm::BitVec* bv, int32_t bit) {
  return vm::bitvec_is_set(bv, bit);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_bitvec_is_set);

extern "C" VARNEXO_EXPORT void ZEBLANDO_bitvec_print(const vm::BitVec* bv) { vm::bitvec_print(bv, stdout); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_bitvec_print);

extern "C" VARNEXO_EXPORT vm::BitVec* ZEBLANDO_bitvec_copy_permute(const vm::BitVec* src, const vm::Perm* P) {
  return vm::bitvec_copy_permute(src, P);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_bitvec_copy_permute);

extern "C" VARNEXO_EXPORT int ZEBLANDO_bitvec_permute(vm::BitVec* bv, const vm::Perm* P) {
  return vm::bitvec_permute(bv, P);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_bitvec_permute);

extern "C" VARNEXO_EXPORT vm::JdxList* ZEBLANDO_jdxlist_new(int32_t capacity) {
  return vm::jdxlist_new(capacity);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_jdxlist_new);

extern "C" VARNEXO_EXPORT void ZEBLANDO_jdxlist_free(vm::JdxList* l) { vm::jdxlist_free(l); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_jdxlist_free);

extern "C" VARNEXO_EXPORT int ZEBLANDO_jdxlist_contains(const vm::JdxList* l, int32_t x) {
  return vm::jdxlist_contains(l, x);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_jdxlist_contains);

extern "C" VARNEXO_EXPORT int ZEBLANDO_jdxlist_contains_remove(vm::JdxList* l, int32_t x) {
  return vm::jdxlist_contains_remove(l, x);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_jdxlist_contains_remove);

extern "C" VARNEXO_EXPORT void ZEBLANDO_jdxlist_print_as_int(const vm::JdxList* l) {
  vm::jdxlist_print_as_int(l, stdout);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_jdxlist_print_as_int);

extern "C" VARNEXO_EXPORT vm::PrioQ* ZEBLANDO_prioq_new(int32_t capacity) { return vm::prioq_new(capacity); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_prioq_new);

extern "C" VARNEXO_EXPORT void ZEBLANDO_pq_free(vm::PrioQ* pq) { vm::pq_free(pq); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_pq_free);

extern "C" VARNEXO_EXPORT int ZEBLANDO_prioq_insert(vm::PrioQ* pq, int32_t index, double priority) {
  return vm::prioq_insert(pq, index, priority);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_prioq_insert);

extern "C" VARNEXO_EXPORT int32_t ZEBLANDO_prioq_insert_replace_larger(vm::PrioQ* pq, int32_t index,
                                                                       double priority) {
  return vm::prioq_insert_replace_larger(pq, index, priority);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_prioq_insert_replace_larger);

extern "C" VARNEXO_EXPORT int32_t ZEBLANDO_pq_remove_max(vm::PrioQ* pq) { return vm::pq_remove_max(pq); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_pq_remove_max);

extern "C" VARNEXO_EXPORT int32_t ZEBLANDO_pq_get_max_index(const vm::PrioQ* pq) {
  return vm::pq_get_max_index(pq);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_pq_get_max_index);

extern "C" VARNEXO_EXPORT double ZEBLANDO_pq_get_max_priority(const vm::PrioQ* pq) {
  return vm::pq_get_max_priority(pq);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_pq_get_max_priority);

extern "C" VARNEXO_EXPORT void ZEBLANDO_pq_heap_shiftup(vm::PrioQ* pq, int32_t slot) {
  vm::pq_heap_shiftup(pq, slot);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_pq_heap_shiftup);

extern "C" VARNEXO_EXPORT int ZEBLANDO_pq_inc1(vm::PrioQ* pq, int32_t index) {
  return vm::pq_inc1(pq, index);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_pq_inc1);

extern "C" VARNEXO_EXPORT int ZEBLANDO_pq_dec1(vm::PrioQ* pq, int32_t index) {
  return vm::pq_dec1(pq, index);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_pq_dec1);

extern "C" VARNEXO_EXPORT vm::PrioQ* ZEBLANDO_pq_new_from_array(double* priorities, int32_t n) {
  return vm::pq_new_from_array(priorities, n);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_pq_new_from_array);

extern "C" VARNEXO_EXPORT void ZEBLANDO_pq_heap_sort(vm::PrioQ* pq, int32_t* order) {
  vm::pq_heap_sort(pq, order);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_pq_heap_sort);

extern "C" VARNEXO_EXPORT void ZEBLANDO_pq_print(const vm::PrioQ* pq) { vm::pq_print(pq, stdout); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_pq_print);

extern "C" VARNEXO_EXPORT void ZEBLANDO_prioq_clear(vm::PrioQ* pq) { vm::prioq_clear(pq); }
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_prioq_clear);

extern "C" VARNEXO_EXPORT int32_t ZEBLANDO_smat_maxmatching(const vm::Smat* C, int32_t* perm, double* u,
                                                            double* v, int32_t warm) {
  return vm::smat_maxmatching(C, perm, u, v, warm != 0);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_maxmatching);

extern "C" VARNEXO_EXPORT int32_t ZEBLANDO_smat_unsym_reordering_mps(const vm::Smat* A, int32_t* perm,
                                                                     double* u, double* v, int32_t warm) {
  return vm::smat_unsym_reordering_mps(A, perm, u, v, warm != 0);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_unsym_reordering_mps);

extern "C" VARNEXO_EXPORT vm::Smat* ZEBLANDO_build_padded_2x2_mat(const vm::Smat* A, const vm::Perm* pi,
                                                                  const vm::BitVec* marks, vm::Perm* map) {
  return vm::build_padded_2x2_mat(A, pi, marks, map);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_build_padded_2x2_mat);
