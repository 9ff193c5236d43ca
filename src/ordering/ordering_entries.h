// Exported entries of the ordering and symbolic analysis: the adjacency graphs, the three
// fill-reducing orderings and their steps, the elimination tree and counts, the supernodes and
// symbolic factorisation and the update lists of the parallel schedule. Fortran
// style: every argument by pointer, every array 1-based, node numbers new positions. Each name is
// also exported with a leading underscore. Included by the files that define them; C callers
// include it too.
#pragma once
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// ---- Adjacency graphs and the three orderings ----------------------------------------------------

// Adjacency graph of a symmetric (one triangle, one_triangle = 1) or structurally symmetric
// (full rows) pattern. work: 2·(n+1) words.
void ladj_mod_varnexo_(const int32_t* n, const int32_t* np1, const int32_t* nnz, const int32_t* nproc,
                       const int32_t* ia, const int32_t* ja, const int32_t* adjlen, int32_t* xadj,
                       int32_t* adjncy, int32_t* work, const int32_t* one_triangle);

// Adjacency graph of B + Bᵀ for an unsymmetric pattern, B = A with rows permuted by q.
// adjncy must hold 3·nnz + n words; adjlen returns the exact length, or -2 when the n+1 words
// of cursors it obtains cannot be had. work: n+1+nnz words.
void ladjun_varnexo_(const int32_t* n, const int32_t* np1, const int32_t* nnz, const int32_t* nproc,
                     const int32_t* ia, const int32_t* ja, const int32_t* q, int32_t* adjlen, int32_t* xadj,
                     int32_t* adjncy, int32_t* work);

// Multiple minimum degree. w1..w5: n words each; adjcopy: adjcopy_end words (>= adjlen); adjncy
// is copied into it. error: 0, or negative when the graph is inconsistent or does not fit.
void gepmmd_varnexo_(const int32_t* n, const int32_t* np1, const int32_t* adjlen, const int32_t* adjlen2,
                     int32_t* xadj, int32_t* adjncy, const int32_t* maxint, const int32_t* delta,
                     int32_t* invp, int32_t* perm, int32_t* w1, int32_t* w2, int32_t* w3, int32_t* w4,
                     int32_t* w5, const int32_t* adjcopy_end, int32_t* adjcopy, const int32_t* msglvl,
                     const int32_t* unit, int32_t* error);

// Multiple minimum degree with constraints from a k-way domain decomposition into nproc parts.
// w1..w5: n words each (w5: the constraint marks); adjcopy: at least adjlen words. work, work2 are
// not used. separator_count (out): the number of constrained nodes (0 when unconstrained), or a
// negative status when the graph is inconsistent (perm/invp then hold the identity).
void gepcmd_varnexo_(const int32_t* n, const int32_t* np1, const int32_t* nproc, const int32_t* adjlen,
                     const int32_t* adjlen2, int32_t* xadj, int32_t* adjncy, const int32_t* maxint,
                     const int32_t* delta, int32_t* invp, int32_t* perm, int32_t* w1, int32_t* w2,
                     int32_t* w3, int32_t* w4, int32_t* w5, int32_t* work, int32_t* adjcopy,
                     const int32_t* separator_flag, int32_t* separator_count, int32_t* work2);

// Nested dissection through METIS with the domain table of the top levels. options: 8 words of
// work. domain_table: table_size words; receives domains_found pairs (first, last) of position
// ranges in increasing order, contiguous from 1, and, when 2·domains_found + 2 <= table_size, one
// more pair for the separator block (last of the last domain + 1, n). The separators of all
// levels are numbered after all domains. error: 0, or negative when the partitioner fails or the
// graph is inconsistent (perm/invp then hold the identity and domains_found is 0).
void gepmetis_varnexo_(const int32_t* n, const int32_t* np1, const int32_t* adjlen,
                       const int32_t* requested_domains, const int32_t* table_size, int32_t* xadj,
                       int32_t* adjncy, int32_t* invp, int32_t* perm, const int32_t* msglvl,
                       const int32_t* unit, int32_t* options, int32_t* domains_found, int32_t* domain_table,
                       const int32_t* driver_choice, int32_t* error);

// ---- Steps and helpers behind the orderings ------------------------------------------------------

void perm_str_varnexo_(const int32_t* n, const int32_t* ia, const int32_t* ja, int32_t* ib, int32_t* jb,
                       const int32_t* flag, const int32_t* q);
// The diagonal-free structure of B + Bᵀ for the sorted rows (ib, jb) of B; adjlen as for
// ladjun_varnexo_.
void kg_diafree_adjnodia_varnexo_(const int32_t* n, const int32_t* nnzb, int32_t* adjlen, const int32_t* ib,
                                  const int32_t* jb, int32_t* xadj, int32_t* adjncy);
void kgiqsort_varnexo_(const int32_t* m, int32_t* key, int32_t* comp, int32_t* skey, int32_t* scomp);
void kgjmerge_(const int32_t* n1, const int32_t* n2, int32_t* key, int32_t* comp, int32_t* skey,
               int32_t* scomp);
void kgtransp_str_ia_varnexo_(const int32_t* n, const int32_t* nnz, const int32_t* ia, const int32_t* ja,
                              int32_t* comp, int32_t* work);
void pmmd_varnexo_(const int32_t* n, const int32_t* np1, const int32_t* adjlen, int32_t* xadj,
                   int32_t* adjcopy, int32_t* invp, int32_t* perm, const int32_t* delta, int32_t* dhead,
                   int32_t* qsize, int32_t* llist, int32_t* marker, const int32_t* maxint);
// The constrained elimination on a prepared copy: cmark(v) = k marks node v for position k
// (k = n−count+1..n), 0 elsewhere. error: 0, or negative for an inconsistent graph.
void cmd_varnexo_(const int32_t* n, const int32_t* np1, const int32_t* adjlen, int32_t* xadj,
                  int32_t* adjcopy, int32_t* invp, int32_t* perm, const int32_t* delta, int32_t* dhead,
                  int32_t* qsize, int32_t* llist, int32_t* marker, const int32_t* maxint,
                  const int32_t* cmark, const int32_t* count, const int32_t* separator_flag, int32_t* error);
void mmdint_varnexo_(const int32_t* n, int32_t* xadj, int32_t* dhead, int32_t* dforw, int32_t* dbakw,
                     int32_t* qsize, int32_t* llist, int32_t* marker);
void pmmdelm_varnexo_(const int32_t* n, const int32_t* mdnode, int32_t* xadj, int32_t* adjncy, int32_t* dhead,
                      int32_t* dforw, int32_t* dbakw, int32_t* qsize, int32_t* llist, int32_t* marker,
                      const int32_t* maxint, const int32_t* tag, int32_t* error);
void mmdupd_varnexo_(const int32_t* n, const int32_t* ehead, int32_t* xadj, int32_t* adjncy,
                     const int32_t* delta, int32_t* mdeg, int32_t* dhead, int32_t* dforw, int32_t* dbakw,
                     int32_t* qsize, int32_t* llist, int32_t* marker, const int32_t* maxint, int32_t* tag,
                     int32_t* error);
void mmdnum_varnexo_(const int32_t* n, int32_t* perm, int32_t* invp, const int32_t* qsize);
void ixddecomp_(const int32_t* nproc, const int32_t* n, int32_t* separator_count, int32_t* xadj,
                int32_t* adjncy, int32_t* perm, int32_t* invp, int32_t* work);
void METIS41VARNEXO_ddecomp_(const int32_t* n, int32_t* xadj, int32_t* adjncy, const int32_t* nparts,
                             int32_t* perm, int32_t* invp, int32_t* domptr, int32_t* edgecut);

// ---- Elimination tree, counts, supernodal tree and schedule --------------------------------------

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

// ---- Supernodes and symbolic factorisation -------------------------------------------------------

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

// ---- Update lists of the parallel schedule -------------------------------------------------------

// Builds the lists with blkpre_varnexo_. ptr: the pointer array (nsuper+1 words, or
// c*(nd+1)+1 in domain mode, c = number of separator supernodes); tlist, rlist: lindx_len words
// each; qptr: nsuper+1 words (non-domain mode only). sizes(1), sizes(2): the two sizes for
// the next allocation (list entries + 1 and qptr(nsuper+1); in domain mode the entries and 1).
// e72 (out): 1, or c in domain mode; e70: the domain-mode switch. error: always 0.
// xlnz, xunz, work, schedule, n and mtype are accepted for the calling convention.
void reorder3_varnexo_(const int32_t* nsuper, const int32_t* n, const int32_t* lindx_len,
                       const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz, const int32_t* xunz,
                       int32_t* work, const int32_t* schedule, const int32_t* nmod, const int32_t* snode,
                       const int32_t* xsuper, int32_t* error, int32_t* ptr, int32_t* tlist, int32_t* rlist,
                       int32_t* qptr, int32_t* sizes, const int32_t* nd, const int32_t* table,
                       const int32_t* mtype, int32_t* e72, const int32_t* e70);

// The list builder of reorder3_varnexo_, both modes (domain mode when nd > 1 and e70 != 0 and
// the table has a separator block inside 1..nsuper).
void blkpre_varnexo_(const int32_t* nsuper, const int32_t* xlindx, const int32_t* lindx, const int32_t* snode,
                     const int32_t* xsuper, const int32_t* nmod, const int32_t* lindx_len, int32_t* ptr,
                     int32_t* tlist, int32_t* rlist, int32_t* qptr, const int32_t* nd, const int32_t* table,
                     const int32_t* e70, int32_t* e72, int32_t* size1, int32_t* size2);

#ifdef __cplusplus
}  // extern "C"
#endif
