// Internal routines of the graph and ordering stage: the adjacency builders and the compressed-row
// helpers behind the entry points of ordering_entries.h, the multiple minimum degree core shared by the
// plain and the constrained ordering, the domain decomposition, and the nested dissection driver.
// Arrays handed to the C++ functions are 1-based in content unless a comment says 0-based.
#pragma once
#include <cstdint>
#include <mutex>
#include <vector>

#include "common/onebased.h"

namespace varnexo::ordering {

// The partitioner keeps its random state for the whole process, so a fixed seed fixes the order
// only when no other thread is inside it: every call into it holds this lock, and analyses in
// several threads give the orders of a sequential run.
std::mutex& partitioner_lock();

// Status values of the orderings (0 = success).
inline constexpr int32_t kOrderingBadInput = -1;  // graph or sizes inconsistent; nothing computed
inline constexpr int32_t kOrderingFailed = -2;    // internal failure (partitioner, memory, invariant)

// ---- Adjacency graph --------------------------------------------------------------------------

// Graph of a one-triangle (one_triangle = 1: upper triangle, diagonal first in every row) or a
// full structurally symmetric pattern (diagonal once per row). xadj: n+1 words; adjncy: adjlen
// words (2·(nnz−n) or nnz−n). work: 2·(n+1) words, used by the one-triangle build only. With
// nproc > 1 the one-triangle rows are processed in two blocks; the result is the same.
void ladj_mod(int32_t n, int32_t nnz, int32_t nproc, const int32_t* ia, const int32_t* ja, int32_t adjlen,
              int32_t* xadj, int32_t* adjncy, int32_t* work, int32_t one_triangle);

// Rows of (ia, ja) permuted by q into (ib, jb): row k of B is row q(k) of A. Only when flag = 1.
// ib: n+1 words, jb: nnz words.
void perm_str(int32_t n, const int32_t* ia, const int32_t* ja, int32_t* ib, int32_t* jb, int32_t flag,
              const int32_t* q);

// Diagonal-free structure of B + Bᵀ for a pattern B with sorted rows. adjncy: 2·nnzb words
// (the unsymmetric reservation of 3·nnz + n covers it); n+1 words of cursors are obtained here.
// Returns the exact adjacency length, or kOrderingFailed when the cursors cannot be obtained.
int32_t kg_diafree_adjnodia(int32_t n, int32_t nnzb, const int32_t* ib, const int32_t* jb, int32_t* xadj,
                            int32_t* adjncy);

// Graph of B + Bᵀ, B = A with rows permuted by q. work: n+1+nnz words (ib, jb). Returns the length
// or kOrderingFailed (see kg_diafree_adjnodia).
int32_t ladjun(int32_t n, int32_t nnz, const int32_t* ia, const int32_t* ja, const int32_t* q, int32_t* xadj,
               int32_t* adjncy, int32_t* work);

// Stable ascending sort of m keys, moving comp along; skey, scomp: m words of scratch each.
void kgiqsort(int32_t m, int32_t* key, int32_t* comp, int32_t* skey, int32_t* scomp);

// Merges the sorted runs key[0..n1) and key[n1..n1+n2) (with comp) in place; run 1 wins ties.
// skey, scomp: n1 words of scratch each.
void kgjmerge(int32_t n1, int32_t n2, int32_t* key, int32_t* comp, int32_t* skey, int32_t* scomp);

// Swaps, in a structurally symmetric pattern with sorted rows, the companion word of every upper
// entry (i, j) with that of its mirror (j, i). work: n words.
void kgtransp_str_ia(int32_t n, int32_t nnz, const int32_t* ia, const int32_t* ja, int32_t* comp,
                     int32_t* work);

// ---- Multiple minimum degree ------------------------------------------------------------------

// The quotient graph and the vectors of one minimum-degree elimination, all 1-based.
// dforw (the invp array) and dbakw (the perm array) link the degree buckets during elimination.
// cmark: constraint marks (nonzero = kept for last); no data pointer = no constraints.
struct MmdGraph {
  int32_t n = 0;
  OneBased<const int32_t> xadj;
  OneBased<int32_t> adj;
  OneBased<int32_t> dforw, dbakw, dhead, qsize, llist, marker;
  OneBased<const int32_t> cmark;
  int32_t maxint = 0x7FFFFFFF;
  int32_t delta = 0;
  int32_t tag = 1, mdeg = 1, num = 1;
  bool constrained(int32_t v) const;
};

enum class MmdStatus { done, stuck };

// Views over caller arrays (each n words; adj holds xadj(n+1)−1 words).
MmdGraph make_mmd_graph(int32_t n, const int32_t* xadj, int32_t* adj, int32_t* invp, int32_t* perm,
                        int32_t* dhead, int32_t* qsize, int32_t* llist, int32_t* marker, int32_t maxint,
                        int32_t delta);

// Initial buckets from the lengths of the adjacency lists; qsize 1, markers and links 0.
void mmdint(MmdGraph& g);
// Eliminates mdnode (with g.tag already raised). False when the storage invariants do not hold
// (only for a graph that is not symmetric).
bool mmdelm(MmdGraph& g, int32_t mdnode);
// Degree update of the reach sets of the elements on the list ehead (linked by llist).
bool mmdupd(MmdGraph& g, int32_t ehead);
// Final numbering: perm and invp from the elimination numbers (invp < 0) and absorption links.
void mmdnum(int32_t n, OneBased<int32_t> perm, OneBased<int32_t> invp, OneBased<const int32_t> qsize);
// Eliminates until g.num > limit. final_stage: nothing follows, so the last supervariable is
// numbered without building its element.
MmdStatus mmd_eliminate(MmdGraph& g, int32_t limit, bool final_stage);
// The whole unconstrained ordering on g; perm and invp (g.dbakw, g.dforw) hold the result.
MmdStatus pmmd(MmdGraph& g);

// The constrained ordering on g (g.cmark set): the nodes with a constraint mark are left in the
// graph until every other node is numbered; then either (lift = false) they take the positions of
// their marks, or (lift = true) the elimination continues on them without constraints.
// count: the number of marked nodes, whose marks are n−count+1..n.
MmdStatus cmd(MmdGraph& g, int32_t count, bool lift);

// True when xadj/adjncy is a symmetric graph without self loops with entries in 1..n and
// xadj(n+1)−1 <= capacity.
bool check_graph(int32_t n, const int32_t* xadj, const int32_t* adjncy, int64_t capacity);

// The entry gepmmd_varnexo_: copies adjncy into adjcopy and orders. Returns 0 or a status above.
int32_t gepmmd(int32_t n, int64_t adjlen, const int32_t* xadj, const int32_t* adjncy, int32_t maxint,
               int32_t delta, int32_t* invp, int32_t* perm, int32_t* w1, int32_t* w2, int32_t* w3,
               int32_t* w4, int64_t adjcopy_end, int32_t* adjcopy);

// Orders a small graph given 0-based (xadj0, adjncy0) by multiple minimum degree into a 0-based
// perm (new -> old). Scratch is allocated here. Returns false for an inconsistent graph.
bool mmd_order0(int32_t n, const int32_t* xadj0, const int32_t* adjncy0, int32_t* perm0);

// ---- Constrained minimum degree -----------------------------------------------------------------

// Domain decomposition of a 0-based graph into nparts parts with a vertex separator: perm0/invp0
// (0-based) number the interior vertices of part 0, 1, ... in blocks and then the separator
// vertices grouped by part; domptr (nparts+1) holds the first position of every part and, last,
// the first separator position. Returns 0, or kOrderingFailed when the partitioner fails.
int32_t ddecomp(int32_t n, int32_t* xadj0, int32_t* adjncy0, int32_t nparts, int32_t* perm0, int32_t* invp0,
                int32_t* domptr, int32_t* edgecut);

// The entry gepcmd_varnexo_. Returns the number of constrained nodes used.
int32_t gepcmd(int32_t n, int32_t nproc, int64_t adjlen, int32_t* xadj, const int32_t* adjncy, int32_t maxint,
               int32_t delta, int32_t* invp, int32_t* perm, int32_t* w1, int32_t* w2, int32_t* w3,
               int32_t* w4, int32_t* w5, int32_t* adjcopy, int32_t separator_flag);

// ---- Nested dissection ------------------------------------------------------------------------

// Nested dissection of the 1-based graph (xadj, adjncy) with the domain table of its top levels.
// options: the 8 words chosen by the entry. driver: 1 or 2 (see nested_dissection.cpp).
// table: table_size words; receives nd pairs (first, last) of domains and, when room is left, a
// last pair for the separator block. Returns 0 or kOrderingFailed; on failure perm/invp hold the
// identity and *domains_found is 0.
int32_t gepmetis(int32_t n, const int32_t* xadj, const int32_t* adjncy, int32_t requested_domains,
                 int32_t table_size, int32_t* invp, int32_t* perm, const int32_t* options,
                 int32_t* domains_found, int32_t* table, int32_t driver);

}  // namespace varnexo::ordering
