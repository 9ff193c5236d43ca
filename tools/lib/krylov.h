// Restarted flexible GMRES for the command (solve stage): A·x = b iterated with a preconditioner
// that approximates A⁻¹ — the library's factor, whose perturbed pivots make it an inexact inverse
// that iterative refinement alone cannot always correct.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "sparse.h"

namespace varnexo::tools {

struct KrylovSettings {
  int32_t restart = 60;    // Krylov vectors per cycle
  int32_t max_cycles = 8;  // restarts before giving up
  double target = 1e-15;   // normwise backward error to reach
};

struct KrylovOutcome {
  int32_t iterations = 0;  // preconditioner applications
  double backward_error = 1.0;
  bool converged = false;
};

// Solves A·x = b for one right-hand side (n values, or n pairs for a complex matrix) by flexible
// GMRES with right preconditioning, starting from x. precondition(r, z): z ≈ A⁻¹·r; returns false
// when it fails (the iteration then stops). Stops once the normwise backward error of x is at
// most settings.target, or when a cycle no longer reduces it. x holds the best iterate on return.
KrylovOutcome fgmres(const Csr& a, const double* b, double* x,
                     const std::function<bool(const double* r, double* z)>& precondition,
                     const KrylovSettings& settings);

}  // namespace varnexo::tools
