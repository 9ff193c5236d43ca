// Elimination tree, column counts, supernodal tree and bottom-up schedule of the permuted matrix.
// Flow: ordering -> [tree and counts] -> supernodes and symbolic factorisation -> schedule.
// Every argument is passed by reference; every array is 1-based; node numbers are new positions.
#pragma once
#include <cstdint>

extern "C" {

// Elimination tree of the permuted graph. parent(i) = 0 for a root, otherwise parent(i) > i.
// nd, table_size, domain_table: the domain table of the ordering; it does not change the result
// (the pass runs over the positions 1..n, which is the domain-by-domain order of a regrouped
// table). ancestor: work of n words. unused1, unused2: always 0, not read.
void etep_varnexo_(const int32_t* n, const int32_t* nd, const int32_t* table_size,
                   const int32_t* domain_table, const int32_t* xadj, const int32_t* adjncy,
                   const int32_t* perm, const int32_t* invp, int32_t* parent, int32_t* ancestor,
                   const int32_t* unused1, const int32_t* unused2);

// etep_varnexo_ followed by betee_varnexo_: the tree also as first-son / brother chains.
void etdr_varnexo_(const int32_t* n, const int32_t* nd, const int32_t* table_size,
                   const int32_t* domain_table, const int32_t* xadj, const int32_t* adjncy,
                   const int32_t* perm, const int32_t* invp, int32_t* parent, int32_t* ancestor,
                   const int32_t* unused1, const int32_t* unused2, int32_t* fson, int32_t* brothr);

// First-son / brother form of the forest `parent`: children chained in increasing order, the
// roots chained through brothr from root n downward, the last root with brothr 0.
void betee_varnexo_(const int32_t* n, const int32_t* parent, int32_t* fson, int32_t* brothr);

// Row and column counts of L: rowcnt(k) off-diagonal entries of row k, colcnt(j) entries of
// column j with its diagonal, total = nnz(L) with the diagonal. marker: work of n words.
// total saturates at 2^31-1 (the symbolic step then reports the overflow).
void lnnt_varnexo_(const int32_t* n, const int32_t* xadj, const int32_t* adjncy, const int32_t* perm,
                   const int32_t* invp, const int32_t* parent, int32_t* total, int32_t* rowcnt,
                   int32_t* colcnt, int32_t* marker);

// Supernodal tree: sparent(s) = supernode of the parent of s's last column, 0 for a root.
// fson_work, brother_work: nsuper words each (first-son / brother chains of that tree).
void stree_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* xsuper, const int32_t* snode,
                    const int32_t* parent, int32_t* fson_work, int32_t* brother_work, int32_t* sparent);

// Bottom-up schedule: the nsuper supernodes, each after all its children; leaves carry a minus
// sign and come first in increasing order. childcount: work of nsuper words.
void sched_varnexo_(const int32_t* nsuper, const int32_t* sparent, int32_t* schedule, int32_t* childcount);
}

namespace varnexo::ordering {

// C++ forms behind the entries above (same arrays, same meaning).
void etep(int32_t n, const int32_t* xadj, const int32_t* adjncy, const int32_t* perm, const int32_t* invp,
          int32_t* parent, int32_t* ancestor);
void betee(int32_t n, const int32_t* parent, int32_t* fson, int32_t* brothr);
int64_t lnnt(int32_t n, const int32_t* xadj, const int32_t* adjncy, const int32_t* perm, const int32_t* invp,
             const int32_t* parent, int32_t* rowcnt, int32_t* colcnt, int32_t* marker);
void stree(int32_t n, int32_t nsuper, const int32_t* xsuper, const int32_t* snode, const int32_t* parent,
           int32_t* fson_work, int32_t* brother_work, int32_t* sparent);
void sched(int32_t nsuper, const int32_t* sparent, int32_t* schedule, int32_t* childcount);

}  // namespace varnexo::ordering
