// The two analysis steps of the ordering and symbolic stage. Step 1 (reorder1): adjacency graph,
// ordering, regrouping by domains, elimination tree, counts and supernodes. Step 2 (reorder2):
// supernodal tree, schedule, symbolic factorisation, buffer size and update counts.
// Flow: input -> matching -> [ordering -> symbolic] -> value maps -> factor. Arrays 1-based.
#pragma once
#include <cstdint>

extern "C" {

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
}

namespace varnexo::ordering {

// Regroups the ordering so that the positions of domain 1, 2, ..., nd come in consecutive
// blocks (each in its relative order), followed by every other position in its relative order;
// rewrites the table (nd pairs and the separator pair) with the new bounds. perm: new -> old;
// work: 2n words. The domains must be valid (see valid_domains).
void regroup_by_domains(int32_t n, int32_t nd, int32_t* table, int32_t* perm, int32_t* work);

// True when the nd pairs of the table are non-empty-or-empty ranges inside 1..n that do not
// overlap and ascend.
bool valid_domains(int32_t n, int32_t nd, const int32_t* table);

// True when perm is a permutation of 1..n.
bool is_permutation(int32_t n, const int32_t* perm, int32_t* work);

}  // namespace varnexo::ordering
