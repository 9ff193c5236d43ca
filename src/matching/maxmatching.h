// The toolkit-based maximum-weight matching (matching stage): shortest augmenting paths on a cost
// matrix with the toolkit's priority queue, able to start from given column duals, and the
// maximum-product reordering with log scalings built on it. 0-based throughout.
#pragma once
#include <cstdint>

#include "matching/toolkit.h"

namespace varnexo::matching {

// smat_maxmatching: a matching of the rows of the m×n cost matrix C into its columns that
// matches as many rows as possible and, among those, maximises the total cost.
//  perm (n): perm[j] = row matched to column j, or -1; for a square C the free columns are then
//    given the free rows, so that perm is a permutation (see the completion below).
//  u (m), v (n): duals with u[i] + v[j] >= c(i,j) on every entry and equality on matched
//    entries; with warm set, v holds the starting column duals on entry, else it starts at 0.
// Returns the number of rows matched through entries of C, or -1 when memory runs out or the
// matrix is malformed (nothing useful written then).
int32_t smat_maxmatching(const Smat* C, int32_t* perm, double* u, double* v, bool warm);

// smat_unsym_reordering_mps: maximum-product matching of the m×n matrix A (any values; zeros are
// ignored) with log scalings.
//  perm (n) as above; u (m) row and v (n) column log-scalings with
//    exp(u[i])·|a(i,j)|·exp(v[j]) <= 1 on every entry and = 1 on the matched ones;
//  warm: v holds starting column duals (log-scalings of the columns) on entry.
//  Scalings whose magnitude reaches log(DBL_MAX)/2 would overflow once applied: then u and v are
//  all set to 0 and only the matching is returned.
// Returns the number of matched rows, or -1 (memory, malformed input).
int32_t smat_unsym_reordering_mps(const Smat* A, int32_t* perm, double* u, double* v, bool warm);

}  // namespace varnexo::matching
