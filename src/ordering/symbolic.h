// Supernode partition and symbolic factorisation: the fundamental supernodes of the elimination
// tree, the row structure of L per supernode (xlindx, lindx), the storage pointers xlnz/xunz, the
// size of the dense update buffer and the update counts nmod. Flow: ordering -> tree and counts
// -> [supernodes, symbolic factorisation] -> value maps -> factor. All arrays 1-based.
#pragma once
#include <cstdint>

extern "C" {

// Supernode partition: column j joins the supernode of j-1 when parent(j-1) = j, colcnt(j-1) =
// colcnt(j) + 1 and that supernode has fewer than maxwidth columns. Returns nsuper, the length
// of lindx (sum of colcnt over the first columns; saturates at 2^31-1) and the longest chain of
// joinable columns regardless of the width.
void fndspa_varnexo_(const int32_t* n, const int32_t* parent, const int32_t* colcnt, const int32_t* maxwidth,
                     int32_t* snode, int32_t* nsuper, int32_t* lindx_len, int32_t* largest_chain);

// xsuper(1..nsuper+1) from snode.
void fndspb_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* snode, int32_t* xsuper);

// Tree, counts and supernodes of step 1, then the domain table converted from positions to
// supernodes. work: 4n words. nnzl: nnz(L) with the diagonal. error: 0, or -20 when nnz(L) or
// the length of lindx does not fit in 32 bits. table: 2*(nd+1) words, pairs (first, last).
void sfinit_varnexo_(const int32_t* n, const int32_t* adjlen, const int32_t* nd, const int32_t* table_size,
                     const int32_t* xadj, const int32_t* adjncy, int32_t* table, const int32_t* perm,
                     const int32_t* invp, int32_t* colcnt, int32_t* nnzl, int32_t* lindx_len, int32_t* nsuper,
                     int32_t* snode, int32_t* xsuper, int32_t* work, const int32_t* maxwidth,
                     int32_t* largest_chain, int32_t* error);

// Symbolic factorisation. Fills xlnz, xunz (n+1 each), xlindx (nsuper+1) and lindx (lindx_len
// words). mrglnk: nsuper words; rchlnk: n+1 words used 0-based (index 0 heads the row list);
// marker: n words. max_dom_l / max_dom_u: the largest L and U storage of one stretch of the
// domain table (table in supernode numbers, nd domains and the separator pair). mode_flag is
// cleared. error: 0; -20 when a storage pointer would pass 32 bits; -2 when a row set does not
// match the counts (nothing is written past the supernode's part of lindx).
void symfct_varnexo_(const int32_t* n, const int32_t* nproc, const int32_t* adjlen, const int32_t* xadj,
                     const int32_t* adjncy, const int32_t* perm, const int32_t* invp, const int32_t* colcnt,
                     const int32_t* nsuper, const int32_t* xsuper, const int32_t* snode,
                     const int32_t* lindx_len, int32_t* xlindx, int32_t* lindx, int32_t* xlnz, int32_t* xunz,
                     int32_t* mrglnk, int32_t* rchlnk, int32_t* marker, const int32_t* table,
                     const int32_t* nd, int32_t* max_dom_l, int32_t* max_dom_u, int32_t* mode_flag,
                     int32_t* error);

// Size t of the largest dense update block that has to go through the buffer temp (0 when
// none; the caller turns 0 into n). Saturates at 2^31-1.
void fntz_varnexo_(const int32_t* nsuper, const int32_t* xsuper, const int32_t* snode, const int32_t* xlindx,
                   const int32_t* lindx, int32_t* size);

// nmod(t) = number of supernodes that update supernode t (one per run of off-diagonal rows).
void fnpmod_varnexo_(const int32_t* nsuper, const int32_t* xsuper, const int32_t* nsuper2,
                     const int32_t* snode, const int32_t* xlindx, const int32_t* lindx, int32_t* nmod);

// indmap(indices(k)) = m - k, k = 1..m (relative row positions counted from the end).
void ldindx_varnexo_(const int32_t* m, const int32_t* indices, int32_t* indmap);

// target(k) = source(indices(k)), k = 1..m.
void igtr_varnexo_(const int32_t* m, const int32_t* indices, const int32_t* source, int32_t* target);
}

namespace varnexo::ordering {

struct SupernodePartition {
  int32_t nsuper = 0;
  int64_t lindx_len = 0;
  int32_t largest_chain = 0;
};

SupernodePartition fndspa(int32_t n, const int32_t* parent, const int32_t* colcnt, int32_t maxwidth,
                          int32_t* snode);
void fndspb(int32_t n, int32_t nsuper, const int32_t* snode, int32_t* xsuper);

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
