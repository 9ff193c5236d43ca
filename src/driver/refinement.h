// Iterative refinement after a solve with the stored factor (solve -> refine): residual,
// correction from a further solve, update, repeated while the residual keeps shrinking.
#pragma once
#include <cstdint>
#include <functional>

#include "common/onebased.h"
#include "common/output.h"

namespace varnexo::driver {

// What the refinement needs from the rest of the driver, for one scalar type T.
template <class T>
struct RefinementIo {
  int64_t n = 0;   // unknowns per right-hand side
  int32_t nb = 1;  // right-hand sides
  // Solves with the factor: rhs (n·nb) -> sol (n·nb). Returns 0 or the solve's status.
  std::function<int32_t(const T* rhs, T* sol)> solve;
  // r := b - op(A)·x; returns Σ|r| (parts added separately for complex values).
  std::function<double(const T* x, const T* b, T* r)> residual;
  // Optional: whether x, with the residual r just computed, is as good as a double factor
  // would make it; the refinement then stops before solving for a correction.
  std::function<bool(const T* x, const T* b, const T* r)> converged;
};

// The refinement state written back into the control words.
struct RefinementResult {
  int32_t steps = 0;            // ibasic(65)
  int32_t status = 0;           // 0, the solve's status, or -112 (no contraction)
  bool perturbed_only = false;  // stopped at step 2 because only perturbed pivots started it
  bool converged = false;       // stopped by the convergence test of RefinementIo
};

// Runs the first solve and, when `refine` is set, the refinement loop on b -> x.
//   max_steps: iparam(8); work: 3·n·nb values (residual, correction, copy of the solution).
//   print: whether the step lines are written to standard output.
template <class T>
RefinementResult refine(const RefinementIo<T>& io, const T* b, T* x, int32_t max_steps, bool refine,
                        bool print, T* work);

// Writes values with a Fortran format made of quoted strings and f/e edit descriptors, e.g.
// "(' ref_it:',f3.0,' rel res',e12.3,' rel err',e12.3)"; one line, flushed. Only when level >= 1.
inline void write_fortran_line(const char* format, int32_t count, const double* values, int32_t level) {
  if (level >= 1) output::fortran_line(format, count, values);
}

}  // namespace varnexo::driver
