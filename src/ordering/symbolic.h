// Supernode partition and symbolic factorisation: the fundamental supernodes of the elimination
// tree, the row structure of L per supernode (xlindx, lindx), the storage pointers xlnz/xunz, the
// size of the dense update buffer and the update counts nmod. Flow: ordering -> tree and counts
// -> [supernodes, symbolic factorisation] -> value maps -> factor. All arrays 1-based.
#pragma once
#include <cstdint>

namespace varnexo::ordering {

struct SupernodePartition {
  int32_t nsuper = 0;
  int64_t lindx_len = 0;
  int32_t largest_chain = 0;
};

// Fundamental supernodes of at most maxwidth columns. pair_first (n words, may be null):
// pair_first(j) != 0 marks columns j, j+1 as a 2×2 block of the symmetric matching; the width
// limit then never cuts between them (a block that would not fit opens the next supernode).
SupernodePartition fndspa(int32_t n, const int32_t* parent, const int32_t* colcnt, int32_t maxwidth,
                          int32_t* snode, const int32_t* pair_first = nullptr);
void fndspb(int32_t n, int32_t nsuper, const int32_t* snode, int32_t* xsuper);

// Relaxed supernodes from the fundamental ones (snode, nsuper): bottom-up, each supernode takes
// in the groups of its children that end just before its own (so the columns stay consecutive
// and nothing is renumbered) while the joined width stays within maxwidth, no stretch of the
// domain table is straddled (stretch(j): the stretch of position j, may be null), and the zeros
// stay within a share of the entries that falls as the block widens. A group is stored as one
// dense block: its columns and the rows below its top column; the 2×2 blocks of fundamental
// supernodes stay whole. Rewrites snode and colcnt (to the stored counts); returns the new
// partition (largest_chain not set).
SupernodePartition relax_supernodes(int32_t n, const int32_t* parent, int32_t* colcnt, int32_t maxwidth,
                                    const int32_t* stretch, int32_t* snode, int32_t nsuper);

// The body of sfinit_varnexo_ (elimination tree, counts, supernodes, xsuper, the domain table in
// supernodes), with the 2×2 blocks of fndspa, and relaxed supernodes when asked (the counts and
// nnzl then include the stored zeros). work: 4n words. Returns the error (0 or -20).
int32_t sfinit(int32_t n, int32_t nd, int32_t table_size, const int32_t* xadj, const int32_t* adjncy,
               int32_t* table, const int32_t* perm, const int32_t* invp, int32_t* colcnt, int32_t* nnzl,
               int32_t* lindx_len, int32_t* nsuper, int32_t* snode, int32_t* xsuper, int32_t* work,
               int32_t maxwidth, int32_t* largest_chain, const int32_t* pair_first, bool relaxed = false);

// Rewrites the domain table (nd domains and the separator pair, in positions) in supernode
// numbers. A domain whose last supernode continues past its last column gives that supernode
// to the separator; an empty domain (first > last) stays empty at its place.
void convert_table_to_supernodes(int32_t n, int32_t nd, int32_t* table, int32_t nsuper, const int32_t* snode,
                                 const int32_t* xsuper);

struct SymfctResult {
  int32_t error = 0;
  int64_t max_dom_l = 0;
  int64_t max_dom_u = 0;
};
SymfctResult symfct(int32_t n, const int32_t* xadj, const int32_t* adjncy, const int32_t* perm,
                    const int32_t* invp, const int32_t* colcnt, int32_t nsuper, const int32_t* xsuper,
                    const int32_t* snode, int64_t lindx_len, int32_t* xlindx, int32_t* lindx, int32_t* xlnz,
                    int32_t* xunz, int32_t* mrglnk, int32_t* rchlnk, int32_t* marker, const int32_t* table,
                    int32_t nd);

int64_t fntz(int32_t nsuper, const int32_t* xsuper, const int32_t* snode, const int32_t* xlindx,
             const int32_t* lindx);
void fnpmod(int32_t nsuper, const int32_t* xsuper, const int32_t* snode, const int32_t* xlindx,
            const int32_t* lindx, int32_t* nmod);

}  // namespace varnexo::ordering
