// The record toolkit the matchings are built on (matching stage of the analysis): a compressed
// sparse row matrix, a permutation, a permutation split into cycles, a bit vector, an index list
// and an indexed max-priority queue, with their operations. Everything is 0-based inside; the
// records and their arrays come from the library's allocation function.
#pragma once
#include <cstdint>
#include <cstdio>

namespace varnexo::matching {

// Sparse matrix: m×n, nnz entries in compressed rows (ia[0] = 0, ia[m] = nnz, columns ascending
// within a row). sym != 0: only the upper triangle with the diagonal is stored. a may be null for
// a structure-only matrix. owns = 0 for a record wrapping the caller's arrays.
struct Smat {
  int32_t m = 0, n = 0, nnz = 0, sym = 0;
  int32_t* ia = nullptr;
  int32_t* ja = nullptr;
  double* a = nullptr;
  int32_t owns = 1;
};

// Permutation: p[i] = the old index placed at new position i. owns = 0 when p is the caller's.
struct Perm {
  int32_t n = 0;
  int32_t* p = nullptr;
  int32_t owns = 1;
};

// Permutation in cycles: the members of cycle c are elements[starts[c] .. starts[c+1]-1]; a fixed
// point is a cycle of length 1.
struct PermCycle {
  int32_t n = 0, ncycles = 0;
  int32_t* elements = nullptr;  // n
  int32_t* starts = nullptr;    // ncycles + 1 (room for n + 1)
};

// Bit vector: bit b lives in words[b / 32] at bit b % 32.
struct BitVec {
  int32_t size = 0, nwords = 0, owns = 1;
  uint32_t* words = nullptr;
};

// Unordered list of indices.
struct JdxList {
  int32_t capacity = 0, count = 0;
  int32_t* items = nullptr;
};

// Indexed max-priority queue: heap[0 .. count-1] holds indices (slot s has children 2s+1, 2s+2),
// priority[i] the priority of index i, position->p[i] the heap slot of i or -1. owns = 0 when the
// priority array is the caller's.
struct PrioQ {
  int32_t* heap = nullptr;
  double* priority = nullptr;
  Perm* position = nullptr;
  int32_t capacity = 0, owns = 1, count = 0;
};

// Column-wise view of a row-stored matrix: the entries of column j are row[k], stored at
// position pos[k] of ja/a, for k = col_start[j] .. col_start[j+1]-1, rows ascending.
struct ColIndex {
  int32_t n = 0;
  int32_t* col_start = nullptr;  // n + 1
  int32_t* row = nullptr;        // nnz
  int32_t* pos = nullptr;        // nnz
};

// Precondition check of the toolkit: when `ok` is false, prints the standard assertion report
// naming `expression` and `source` (e.g. "src/smat") to standard error and returns false, so that
// the routine can refuse the call instead of reading out of bounds.
bool toolkit_check(bool ok, const char* expression, const char* source);

// Allocation of toolkit arrays through the library's allocation function: count values
// (zeroed when asked), nullptr on failure or for a negative count.
template <class T>
T* toolkit_array(int64_t count, bool zero = false);
void toolkit_release(void* p);

// ---- Sparse matrices. Constructors return nullptr when memory runs out or an argument is
// invalid (negative sizes, base not 0 or 1); routines returning bool report false likewise.

Smat* smat_new(int32_t m, int32_t n, int32_t sym);
Smat* smat_new_nnz(int32_t m, int32_t n, int32_t nnz, int32_t sym);         // with values
Smat* smat_new_nnz_struct(int32_t m, int32_t n, int32_t nnz, int32_t sym);  // structure only
// Wraps the caller's arrays (not copied, not freed); base 1 converts ia/ja in place to 0-based.
Smat* smat_new_from(int32_t m, int32_t n, int32_t* ia, int32_t* ja, double* a, int32_t sym, int32_t base);
bool smat_to_fortran_indexing(Smat* A);  // 0-based -> 1-based in place
bool smat_to_c_indexing(Smat* A);        // 1-based -> 0-based in place
Smat* smat_copy(const Smat* A);
Smat* smat_copy_structure(const Smat* A);
// Frees the record and the arrays it owns; a null record prints "Trying to free NULL matrix.".
void smat_free(Smat* A);
bool smat_realloc(Smat* A, int32_t nnz);                         // resizes ja and a (a only when present)
bool smat_scale(Smat* A, const double* r, const double* c);      // a(i,j) *= r[i]·c[j]
bool smat_scale_exp(Smat* A, const double* r, const double* c);  // a(i,j) *= exp(r[i]+c[j])
bool smat_check_ia(const Smat* A);
bool smat_check_ja(const Smat* A);
bool smat_check_diagonal(const Smat* A);
bool smat_check_symmetry(const Smat* A);
bool smat_is_consistent(const Smat* A);
bool sort_row(Smat* A, int32_t i, bool with_values);
bool smat_get_diag(const Smat* A, double* d);  // rows without a diagonal leave d[i] unchanged
bool smat_trans(Smat* A);                      // in place: A := Aᵀ (m and n exchanged)
Smat* smat_copy_trans(const Smat* A);
bool smat_to_full_structure(Smat* A);  // upper triangle -> both triangles, in place
Smat* smat_copy_full_structure(const Smat* A);
// Full-structure copy with log|a| values; zero entries dropped, arrays trimmed.
Smat* smat_copy_log_to_full(const Smat* A);
Smat* smat_symmetrize_structure(const Smat* A);  // structure of A + Aᵀ (square A)
Smat* smat_build_adjacency(const Smat* A);       // the same without the diagonal
// Symmetric permutation P·A·Pᵀ (perm: new -> old) into a new matrix with sorted rows; an upper
// triangle stays an upper triangle.
Smat* smat_copy_permute(const Smat* A, const Perm* perm);
// The upper triangle of P·A·Pᵀ of an upper-triangle A, built through a transposed pass so that
// every row comes out sorted; map (when given, A->nnz words) receives the new place of every
// entry of A.
Smat* smat_sym_trans_pta(const Smat* A, const Perm* perm, int32_t* map);
bool smat_insert_zero_diags(Smat* A);  // an explicit zero on every missing diagonal (square A)
ColIndex* smat_col_index_new(const Smat* A);
void smat_col_index_free(ColIndex* ci);
// Size of the trailing block of rows that hold only a (near-)zero diagonal (|a| <= 1e-8 or no
// entry at or right of the diagonal), found by scanning rows 0 .. m-2; 0 when none.
int32_t smat_guess_constraint_size(const Smat* A);
// Splits the square A at k: F (k×k), C12 (k×(m-k)) and, when both pointers are given, C21 and
// C22; every part keeps A's row and entry order, sym 0. False (nothing kept) on failure.
bool smat_fc_split(const Smat* A, int32_t k, Smat** F, Smat** C12, Smat** C21, Smat** C22);
// Writes the 1-based matrix (m, ia, ja, a) to `path`: m, nnz, ia, ja, then the values with
// "%24.16e" (1.0 for each entry when a is null). Returns quietly when the file cannot be opened.
void smat_save_iajaa(const char* path, int64_t m, const int32_t* ia, const int32_t* ja, const double* a);
double vec_inf_norm(const double* v, int32_t n);

// ---- Permutations (p[i] = old index at new position i) ----

Perm* perm_new(int32_t n);  // p = 0
Perm* perm_new_from(int32_t n, int32_t* p);
Perm* perm_new_copy_from(int32_t n, const int32_t* p);
void perm_free(Perm* P);
bool perm_set(Perm* P, int32_t i, int32_t value);
void perm_clear(Perm* P);  // every entry -1
bool perm_ident(Perm* P);
Perm* perm_copy(Perm* dst, const Perm* src);         // allocates dst when null; returns dst
Perm* perm_copy_invert(Perm* dst, const Perm* src);  // dst[src[i]] = i; nullptr on failure
bool perm_invert(Perm* P);
void perm_mirror(Perm* P);  // reverses the order
bool perm_equal(const Perm* p1, const Perm* p2);
bool perm_permute(Perm* p1, const Perm* p2);                                  // p1[i] := p2[p1[i]]
bool vec_copy_permute_dstsrc(double* dst, const double* src, const Perm* P);  // dst[p[i]] = src[i]
void perm_print(const Perm* P, FILE* out);
bool perm_is_consistent(const Perm* P, FILE* out);
void qsort_int(int32_t* a, int32_t n);

PermCycle* permcycle_new(int32_t n);
PermCycle* permcycle_new_copy_from(const PermCycle* src);
PermCycle* permcycle_new_from(const Perm* P);
// Splits every cycle into cycles of length at most 2 (an odd cycle keeps its first member alone).
PermCycle* permcycle_split_2(const PermCycle* C);
Perm* permcycle_to_new_perm(const PermCycle* C);
void permcycle_print(const PermCycle* C, FILE* out);
void permcycle_print_hist(const PermCycle* C, FILE* out);
void permcycle_free(PermCycle* C);

// ---- Bit vectors ----

BitVec* bitvec_new(int32_t size);
BitVec* bitvec_new_from(int32_t size, uint32_t* words);
void bitvec_free(BitVec* bv);
void bitvec_clear(BitVec* bv);
void bitvec_invert(BitVec* bv);  // bits past the size stay clear
bool bitvec_set(BitVec* bv, int32_t bit);
bool bitvec_unset(BitVec* bv, int32_t bit);
void bitvec_unset_sloppily(BitVec* bv, int32_t bit);  // an out-of-range bit is ignored
bool bitvec_is_set(const BitVec* bv, int32_t bit);
void bitvec_print(const BitVec* bv, FILE* out);
BitVec* bitvec_copy_permute(const BitVec* src, const Perm* P);  // bit p[b] := bit b of src
bool bitvec_permute(BitVec* bv, const Perm* P);

// ---- Index lists ----

JdxList* jdxlist_new(int32_t capacity);
void jdxlist_free(JdxList* l);
bool jdxlist_append(JdxList* l, int32_t x);  // doubles the capacity when full
bool jdxlist_contains(const JdxList* l, int32_t x);
bool jdxlist_contains_remove(JdxList* l, int32_t x);
void jdxlist_print_as_int(const JdxList* l, FILE* out);

// ---- Priority queues (indices 0 .. capacity-1) ----

PrioQ* prioq_new(int32_t capacity);
void pq_free(PrioQ* pq);
bool prioq_insert(PrioQ* pq, int32_t index, double priority);
// Inserts an absent index; raises the priority of a present one only when larger. Returns 1 when
// the queue changed, 0 otherwise, -1 for an index out of range.
int32_t prioq_insert_replace_larger(PrioQ* pq, int32_t index, double priority);
int32_t pq_remove_max(PrioQ* pq);  // the index, or -1 when empty
int32_t pq_get_max_index(const PrioQ* pq);
double pq_get_max_priority(const PrioQ* pq);
void pq_heap_shiftup(PrioQ* pq, int32_t slot);
bool pq_inc1(PrioQ* pq, int32_t index);  // priority + 1, moved up
bool pq_dec1(PrioQ* pq, int32_t index);  // priority - 1, moved down
// A queue over priorities[0 .. n-1] (wrapped, not copied) holding every index.
PrioQ* pq_new_from_array(double* priorities, int32_t n);
// Empties the queue into order[0 .. count-1], largest priority first.
void pq_heap_sort(PrioQ* pq, int32_t* order);
void pq_print(const PrioQ* pq, FILE* out);
void prioq_clear(PrioQ* pq);

}  // namespace varnexo::matching
