// Elimination tree, column counts, supernodal tree and bottom-up schedule of the permuted matrix.
// Flow: ordering -> [tree and counts] -> supernodes and symbolic factorisation -> schedule.
// Every array is 1-based; node numbers are new positions. The exported entries are in
// ordering_entries.h.
#pragma once
#include <cstdint>

namespace varnexo::ordering {

// C++ forms behind the exported entries (same arrays, same meaning).
void etep(int32_t n, const int32_t* xadj, const int32_t* adjncy, const int32_t* perm, const int32_t* invp,
          int32_t* parent, int32_t* ancestor);
void betee(int32_t n, const int32_t* parent, int32_t* fson, int32_t* brothr);
int64_t lnnt(int32_t n, const int32_t* xadj, const int32_t* adjncy, const int32_t* perm, const int32_t* invp,
             const int32_t* parent, int32_t* rowcnt, int32_t* colcnt, int32_t* marker);
// The column counts of L (the diagonal included) alone, as lnnt gives them, in time nearly
// linear in the entries of A instead of those of L: the row subtrees are counted through their
// leaves and the least common ancestors of consecutive leaves (a postorder of the tree and a
// disjoint-set forest). Returns their sum, nnz(L).
int64_t column_counts(int32_t n, const int32_t* xadj, const int32_t* adjncy, const int32_t* perm,
                      const int32_t* invp, const int32_t* parent, int32_t* colcnt);
void stree(int32_t n, int32_t nsuper, const int32_t* xsuper, const int32_t* snode, const int32_t* parent,
           int32_t* fson_work, int32_t* brother_work, int32_t* sparent);
void sched(int32_t nsuper, const int32_t* sparent, int32_t* schedule, int32_t* childcount);

}  // namespace varnexo::ordering
