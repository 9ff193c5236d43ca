// The unsymmetric maximum-product matching with its log scalings (matching stage of the
// analysis, before the ordering): a row permutation that puts large entries on the diagonal
// and row/column scalings that make the permuted, scaled matrix at most 1 in modulus with 1 on
// the diagonal. 0-based throughout.
#pragma once
#include <cstdint>

namespace varnexo::matching {

// The cost graph of the assignment problem, stored by scanned rows: the entries of row r are
// col[ptr[r] .. ptr[r+1]-1] with costs cost[...] (all 0-based). Costs are log-magnitudes
// shifted so that every cost is <= 0.
struct CostGraph {
  int32_t n = 0;
  const int32_t* ptr = nullptr;  // n + 1
  const int32_t* col = nullptr;  // ptr[n]
  const double* cost = nullptr;  // ptr[n]
};

// Status values shared by the routines below.
inline constexpr int kMatchingComplete = 0;
inline constexpr int kStructurallySingular = -1;
inline constexpr int kOutOfMemory = -2;
inline constexpr int kInvalidInput = -3;

// mps: maximum-product transversal of the n×n matrix (ia, ja, a) with log scalings.
//  ia (n+1), ja, a: compressed rows, 0-based (ia[0] = 0) or 1-based (ia[0] = 1); entries with
//  a = 0 are ignored. Non-finite values and malformed structure (decreasing ia, column out of
//  range, ia[0] not 0 or 1) give kInvalidInput before anything is written.
//  mode 0: perm[j] = row matched to column j; row_scaling[i], col_scaling[j] are logarithms
//  with exp(row_scaling[i])·|a(i,j)|·exp(col_scaling[j]) <= 1 for every entry and = 1 on the
//  matched entries.
//  mode 1: the transposed problem (costs by columns, maxima over rows): perm[i] = column
//  matched to row i; the two scaling outputs still scale the rows and the columns of A.
//  Returns kMatchingComplete, kStructurallySingular (perm then holds a completed permutation
//  that uses structurally absent positions, the scalings are not written), kOutOfMemory
//  (nothing written) or kInvalidInput. `matched`, when given, receives the number of columns
//  matched through entries of the matrix (n on success). Work memory: O(n + nnz), obtained and
//  released here.
int mps(int32_t n, const int32_t* ia, const int32_t* ja, const double* a, int32_t* perm, double* row_scaling,
        double* col_scaling, int mode, int32_t* matched = nullptr);

// kuhn_munkres: maximum-weight matching on the cost graph by two greedy passes and shortest
// augmenting paths (Dijkstra on reduced costs u[r] + v[j] - cost >= 0), where a search stops
// once a row's dual would drop below -bound.
//  Outputs match[j] (row of column j or -1), the row duals u (n) and column duals v (n).
//  Returns the number of matched columns, or kOutOfMemory. Work memory O(n), obtained here.
int32_t kuhn_munkres(const CostGraph& graph, double bound, int32_t* match, double* u, double* v);

// expand_matching: completes the partial matching `match` (column -> row, -1 free) to a
// permutation of 0..n-1. Each chain that starts at an unmatched row i and runs i -> match[i]
// -> ... to a free index e is closed by match[e] := i; indices left free map to themselves
// with u = v = 0 there. Returns the number of assignments added, kOutOfMemory, or
// kInvalidInput when match is not a partial injection into 0..n-1.
int32_t expand_matching(int32_t n, int32_t* match, double* u, double* v);

}  // namespace varnexo::matching
