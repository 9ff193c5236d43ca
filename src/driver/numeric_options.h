// The one place where the control words of a numerical phase become the options of the
// factorisation and the solve, and where their results become the control words and detailed
// error numbers the callers read (driver -> factor, solve -> driver).
#pragma once
#include <cstdint>

#include "common/matrix_kind.h"
#include "driver/control.h"
#include "factor/factorize.h"
#include "solve/solve.h"

namespace varnexo::driver {

// Whether a factorisation under these control words computes a single-precision factor:
// iparam(29) = 2 asks for one for every kind; any other nonzero value for the kinds that take it
// on request (real structurally symmetric, real symmetric indefinite), the indefinite one in the
// plain family only (its scheduled family keeps a double factor, solved in double too).
bool single_factor_requested(const Control& ctl, const MatrixKind& kind);

// The value of iparam(29) that asks for a single-precision factor for every kind.
inline constexpr int32_t kSingleForEveryKind = 2;

// Options of a factorisation in `storage` (normally the kind's) from the control words: the
// pivoting mode, perturbation exponent, scaling, processor count, kernel family and domains,
// precision and temp size. domain_table: the domains in supernode numbers (may be null when the
// plain family runs).
factor::FactorOptions factor_options(const Control& ctl, const MatrixKind& kind, FactorStorage storage,
                                     const int32_t* domain_table);

// The processor time from the last stage boundary to now goes to the preparation stage (5).
void record_factor_start(const Control& ctl);

// Writes a factorisation's outcome: the counters its kernel keeps (perturbed pivots 62, inertia
// 63 and 64), the status into error_num (50), -1 into 48 on failure, and the loop time into the
// stage time 6 on success.
void record_factor_result(const Control& ctl, const factor::FactorResult& r);

// Options of a solve with a factor stored for `kind` in `storage`: transposed (LU storage only),
// stage, pivoting records, scaling and precision from the control words (the driver's solves
// take the precision the stored factor was computed in instead).
solve::SolveOptions solve_options(const Control& ctl, const MatrixKind& kind, FactorStorage storage,
                                  bool into_b);

}  // namespace varnexo::driver
