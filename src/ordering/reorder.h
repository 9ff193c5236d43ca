// The two analysis steps of the ordering and symbolic stage. Step 1 (reorder1): adjacency graph,
// ordering, regrouping by domains, elimination tree, counts and supernodes. Step 2 (reorder2):
// supernodal tree, schedule, symbolic factorisation, buffer size and update counts.
// Flow: input -> matching -> [ordering -> symbolic] -> value maps -> factor. Arrays 1-based.
#pragma once
#include <cstdint>

namespace varnexo::ordering {

// Outcome of an analysis step; the values are the detailed error numbers the driver reports.
enum class AnalysisStatus : int32_t {
  ok = 0,
  failed = -180,    // no valid permutation, or a structure that disagrees with its counts
  overflow = -182,  // the structure of L cannot be indexed in 32 bits
};

enum class OrderingMethod : int32_t {
  minimum_degree = 0,
  constrained_minimum_degree = 1,
  nested_dissection = 2
};

// What step 1 is asked to do.
struct Step1Options {
  bool unsymmetric_graph = false;  // the graph of B + Bᵀ from full rows (B = A with rows mapped by q)
  bool one_triangle = true;        // the symmetric pattern is stored as its upper triangle
  int32_t adjacency_size = 0;      // words of adjncy the graph of a symmetric pattern fills
  OrderingMethod method = OrderingMethod::nested_dissection;
  bool use_given_perm = false;      // take the caller's permutation instead of computing one
  bool symmetric_matching = false;  // take the order of the symmetric matching (slot 13)
  int32_t nproc = 1;
  int32_t requested_domains = 1;  // domains asked of the dissection (and of the matching's pairs)
  int32_t table_size = 16;        // words the dissection may fill in the domain table
  int32_t dissection_driver = 0;  // which dissection driver (iparam(28))
  int32_t maxint = 0;             // largest integer the minimum-degree orderings may use
  int32_t mmd_delta = 0;          // tolerance of the multiple elimination
  int32_t message_level = 0;
  int32_t unit = 6;                 // output unit of the orderings' messages
  bool separator_mmd = true;        // constrained ordering: separator nodes by minimum degree
  int32_t panel_width = 80;         // most columns of one supernode
  bool relaxed_supernodes = false;  // join small supernodes into their parents, storing some zeros
};

struct Step1Result {
  AnalysisStatus status = AnalysisStatus::ok;
  int32_t adjacency_size = 0;  // words of adjncy in use (rewritten for the unsymmetric graph)
  int32_t nnz_l = 0;           // nonzeros of L with the diagonal
  int32_t nsuper = 0;
  int32_t largest_chain = 0;  // longest chain of joinable columns regardless of the width
  int32_t lindx_size = 0;
  int32_t domains = 1;  // domains of the table (1 without a decomposition)
  double graph_seconds = 0.0, ordering_seconds = 0.0, tree_seconds = 0.0;
};

// The arrays of step 1 (1-based contents). perm, invp, colcnt, snode: n words; xsuper: n+1;
// table: table_cap words (on entry the matching's pairs when those are used); xadj: n+1;
// adjncy: the adjacency size; s0_work: at least 7n+2 words; work: at least
// max(2n+2, n+1+nnz, 4n, adjacency size) words.
struct Step1Arrays {
  int32_t n = 0;
  const int32_t* ia = nullptr;
  const int32_t* ja = nullptr;
  const int32_t* user_perm = nullptr;  // read when use_given_perm
  // Row mapping q (unsymmetric), or the symmetric matching's order followed by the mate of every
  // index (2n words, mates 1-based, 0 for none: a 2×2 block adjacent in the final order is never
  // cut by the panel width of the supernodes); may be null.
  const int32_t* matching_perm = nullptr;
  int32_t* perm = nullptr;
  int32_t* invp = nullptr;
  int32_t* table = nullptr;
  int32_t table_cap = 0;
  int32_t* colcnt = nullptr;
  int32_t* snode = nullptr;
  int32_t* xsuper = nullptr;
  int32_t* xadj = nullptr;
  int32_t* adjncy = nullptr;
  int32_t* s0_work = nullptr;
  int64_t s0_work_len = 0;
  int32_t* work = nullptr;
  int64_t work_len = 0;
};

// Step 1 of the analysis: adjacency graph, ordering, regrouping by domains, elimination tree,
// counts and supernodes; the domain table is left in supernode numbers.
Step1Result reorder1(const Step1Arrays& arrays, const Step1Options& options);

// What step 2 reads of step 1.
struct Step2Options {
  int32_t n = 0;
  int32_t nsuper = 0;
  int32_t domains = 1;
  int32_t lindx_size = 0;
  bool one_triangle = true;  // L only (symmetric storage): no U structure
};

struct Step2Result {
  AnalysisStatus status = AnalysisStatus::ok;
  int32_t lnz_size = 0;
  int32_t unz_size = 0;       // 1 for the symmetric storage (and an empty U)
  int32_t domain_l_size = 0;  // largest L storage of one stretch of the domain table
  int32_t domain_u_size = 0;  // the same for U (1 for the symmetric storage)
  int32_t temp_size = 0;      // values of temp: four times the largest update block through it
  int32_t temp_factor = 4;
  int32_t longest_column = 0;  // most entries of one column of L
  double seconds = 0.0;
};

// The arrays of step 2: inputs from step 1 (graph, perm, invp, colcnt, xsuper, snode, table in
// supernodes); out xlindx (nsuper+1), lindx (lindx size), xlnz, xunz (n+1 each), nmod, schedule,
// mark1, mark2 (set to -1111111), seprows, sparent (nsuper each); work at least 5n+1 words.
struct Step2Arrays {
  const int32_t* xadj = nullptr;
  const int32_t* adjncy = nullptr;
  const int32_t* perm = nullptr;
  const int32_t* invp = nullptr;
  const int32_t* colcnt = nullptr;
  const int32_t* xsuper = nullptr;
  const int32_t* snode = nullptr;
  const int32_t* table = nullptr;
  int32_t* xlindx = nullptr;
  int32_t* lindx = nullptr;
  int32_t* xlnz = nullptr;
  int32_t* xunz = nullptr;
  int32_t* nmod = nullptr;
  int32_t* schedule = nullptr;
  int32_t* mark1 = nullptr;
  int32_t* mark2 = nullptr;
  int32_t* seprows = nullptr;
  int32_t* sparent = nullptr;
  int32_t* work = nullptr;
  int64_t work_len = 0;
};

// Step 2 of the analysis: supernodal tree, schedule, symbolic factorisation, the sizes of the
// factor and of temp, the update counts and the separator rows of each supernode.
Step2Result reorder2(const Step2Arrays& arrays, const Step2Options& options);

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
