// Honest outcomes of a call (input -> ... -> solve -> refine): matrix values and right-hand sides
// that are not finite are refused before any work, and a solution that is not finite or that
// the refinement left far above its target is an error of the numerical class, never success.
#pragma once
#include <cstdint>

#include "driver/call.h"

namespace varnexo::driver {

// Error numbers of the outcome checks; the call returns -4 (numerical class) for each.
enum OutcomeCheck : int32_t {
  kNonFiniteMatrix = -120,           // a value of a is NaN or infinite (entry and row in the text)
  kNonFiniteRhs = -121,              // a value of b is NaN or infinite (entry and column)
  kNonFiniteSolution = -122,         // the solution holds a NaN or an infinity (entry and column)
  kBackwardErrorAboveTarget = -123,  // after refinement the backward error exceeds the limit below
};

// The largest normwise backward error ‖b − A·x‖∞ / (‖A‖∞·‖x‖∞ + ‖b‖∞) a refined solution may keep.
// Refinement aims at the working precision (about 1e-16); a solution a million times worse
// than that is not one the library can stand behind.
inline constexpr double kBackwardErrorLimit = 1e-10;

// Index (0-based) of the first value of v[0..count) that is NaN or infinite, or -1.
int64_t first_non_finite(const double* v, int64_t count);

// The values the phase reads: a (nnz entries of w doubles) when `matrix`, b (neqns·nb entries)
// when `rhs`. Returns 0 or the error number, with the 1-based entry in c.bad_row and its row (of
// a) or column (of b) in c.bad_column.
int32_t check_finite_values(Call& c, int64_t nnz, int32_t w, bool matrix, bool rhs);

// The solution x (n·nb entries of w doubles): 0 or kNonFiniteSolution with the entry and column
// as above.
int32_t check_finite_solution(Call& c, const double* x, int32_t w);

}  // namespace varnexo::driver
