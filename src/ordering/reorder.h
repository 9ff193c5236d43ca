// The two analysis steps of the ordering and symbolic stage. Step 1 (reorder1): adjacency graph,
// ordering, regrouping by domains, elimination tree, counts and supernodes. Step 2 (reorder2):
// supernodal tree, schedule, symbolic factorisation, buffer size and update counts.
// Flow: input -> matching -> [ordering -> symbolic] -> value maps -> factor. Arrays 1-based.
#pragma once
#include <cstdint>

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
