// Entry points of the graph and ordering stage of the analysis: the adjacency graph of the
// pattern, and the three fill-reducing orderings (minimum degree, minimum degree with
// constraints, nested dissection). Step 1 of the analysis calls them; every argument is passed
// by reference and every array is 1-based.
#pragma once
#include <cstdint>

extern "C" {

// Adjacency graph of a symmetric (one triangle, one_triangle = 1) or structurally symmetric
// (full rows) pattern. work: 2·(n+1) words.
void ladj_mod_varnexo_(const int32_t* n, const int32_t* np1, const int32_t* nnz, const int32_t* nproc,
                       const int32_t* ia, const int32_t* ja, const int32_t* adjlen, int32_t* xadj,
                       int32_t* adjncy, int32_t* work, const int32_t* one_triangle);

// Adjacency graph of B + Bᵀ for an unsymmetric pattern, B = A with rows permuted by q.
// adjncy must hold 3·nnz + n words; adjlen returns the exact length. work: n+1+nnz words.
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
}
