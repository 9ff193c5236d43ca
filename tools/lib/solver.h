// Runs the library's public call on one system for the command and the benchmark: the phases in
// order, each timed, the statistics read back from iparam, and the library's error named.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sparse.h"

namespace varnexo::tools {

// Refinement steps a single-precision factor is given when the caller sets none: each step
// gains about the digits of single precision less those the condition number costs.
inline constexpr int32_t kSingleRefinementSteps = 10;

struct SolveSettings {
  int32_t matrix_type = 0;
  std::vector<int32_t> phases{11, 22, 33};  // each of 11, 12, 13, 22, 23, 33, in a valid order
  int32_t ordering = -1;                    // iparam(2): 0, 1, 2; -1 keeps the default
  int32_t nproc = 1;                        // iparam(3)
  int32_t max_refine = -1000;               // iparam(8); -1000 keeps the default
  int32_t cgs_code = 0;                     // iparam(4): the CGS/CG iteration instead of refinement
  int32_t pivot_exponent = -1;              // iparam(10); -1 keeps the default
  int32_t matching = -1;                    // iparam(13); -1 keeps the default
  int32_t scaling = -1;                     // iparam(11); -1 keeps the default
  // Settings for hard matrices where the library's defaults fall short (the command's choice):
  // type -2 with zero or missing diagonal entries gets the symmetric matching with 2×2 blocks
  // kept whole, its scaling and Bunch–Kaufman pivoting; a solve after a factorisation that
  // perturbed pivots may take up to 20 refinement steps, and when that still ends above a
  // backward error of 1e-14 (or is refused), GMRES preconditioned by the factor takes over
  // (krylov.h). Only where the caller set nothing.
  bool robust = false;
  bool transpose = false;  // iparam(12)
  // A single-precision factor (iparam(29)): 1 for the types and processor counts that value
  // covers, 2 for the others; with the default refinement, kSingleRefinementSteps steps.
  bool single = false;
  bool relaxed = false;  // iparam(31): relaxed supernodes
  int32_t panel = 0;     // iparam(30): panel width of the symmetric types; 0 keeps the default
  int32_t message_level = 0;
  // A positive definite type that meets a non-positive pivot is retried as indefinite (2 -> -2,
  // 4 -> -4).
  bool indefinite_fallback = false;
};

// Time of one call, with the stages it covered.
struct PhaseTime {
  int32_t phase = 0;
  double seconds = 0.0;
};

struct SolveOutcome {
  int32_t error = 0;         // the library's error code; 0 when every phase succeeded
  int32_t failed_phase = 0;  // the phase that returned `error`
  int32_t matrix_type = 0;   // the type finally used (after a fallback)
  bool fell_back = false;
  bool solved = false;  // x holds a solution
  std::vector<PhaseTime> times;
  int64_t factor_nnz = -1;  // iparam(18) after the analysis
  int32_t mflop = -1;       // iparam(19)
  int32_t refinement_steps = 0;
  int32_t iterations = 0;  // iparam(20) of the last solve: CGS/CG iterations (negative: failure)
  int32_t perturbed_pivots = 0;
  int32_t krylov_iterations = 0;       // GMRES iterations of the command's rescue (SolveSettings::robust)
  bool refactorised = false;           // the rescue factorised again with gentler perturbations
  int32_t positive = 0, negative = 0;  // inertia of the indefinite types

  // Seconds spent in analysis (11), factorisation (22) and solve (33); a combined call (12, 13,
  // 23) counts towards the first stage it covers. -1 for a stage that did not run alone.
  double stage_seconds(int32_t stage) const;
};

// True for the phases that factorise (12, 13, 22, 23).
bool phase_factorises(int32_t phase);

// Checks a phase list; false with `error` naming the first phase that does not fit.
bool check_phases(const std::vector<int32_t>& phases, std::string& error);

// Runs the phases on `a` (ia/ja are lent to the library, which restores them) with `nrhs`
// right-hand sides in b; the solution goes to x (same size as b). Releases the library's memory
// before returning. The library's messages go to standard output and error when
// settings.message_level is set.
SolveOutcome solve(Csr& a, const SolveSettings& settings, double* b, int32_t nrhs, double* x);

// Whether a solution with backward error `berr` is one the tools stand behind: finite and at most
// `tolerance`. Otherwise `why` says which, in one line.
bool accept_solution(double berr, double tolerance, std::string& why);

// The library's class name of an error code, e.g. "numerical_factorization" for -4.
std::string error_name(int32_t error);

// The library's printed name of a matrix type, e.g. "symm. posit. def." for 2 (trimmed).
std::string matrix_type_name(int32_t type);

// The layout and field the library takes for a matrix type; false for an unknown type.
bool layout_of_type(int32_t type, Layout& layout, bool& complex);

}  // namespace varnexo::tools
