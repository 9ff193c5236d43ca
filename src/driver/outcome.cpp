// Honest outcomes of a call: the checks of matrix values, right-hand sides and solutions that
// are not finite (see outcome.h).
#include "driver/outcome.h"

#include <algorithm>
#include <cmath>

namespace varnexo::driver {

int64_t first_non_finite(const double* v, int64_t count) {
  for (int64_t k = 0; k < count; ++k)
    if (!std::isfinite(v[k])) return k;
  return -1;
}

namespace {

// The entry (1-based) of the first non-finite double of v, and the column of an n-row block.
bool locate(const double* v, int64_t entries, int32_t w, int32_t n, Call& c) {
  const int64_t at = first_non_finite(v, entries * w);
  if (at < 0) return false;
  const int64_t entry = at / w;
  c.bad_row = (int32_t)std::min<int64_t>(entry + 1, INT32_MAX);
  c.bad_column = (int32_t)(entry / n + 1);
  return true;
}

}  // namespace

int32_t check_finite_values(Call& c, int64_t nnz, int32_t w, bool matrix, bool rhs) {
  if (matrix && locate(c.a, nnz, w, c.neqns, c)) {
    // The row of the entry: the last row whose first entry is at or before it.
    const int32_t* row = std::upper_bound(c.ia, c.ia + c.neqns + 1, c.bad_row);
    c.bad_column = (int32_t)(row - c.ia);
    return kNonFiniteMatrix;
  }
  if (rhs && locate(c.b, (int64_t)c.neqns * c.nb, w, c.neqns, c)) return kNonFiniteRhs;
  return 0;
}

int32_t check_finite_solution(Call& c, const double* x, int32_t w) {
  return locate(x, (int64_t)c.neqns * c.nb, w, c.neqns, c) ? kNonFiniteSolution : 0;
}

}  // namespace varnexo::driver
