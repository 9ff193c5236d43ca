// What the tools know of the library's phases and matrix types without calling it: the order of
// the phases, the storage each type takes, and the names the library prints.
#include <cmath>
#include <cstdio>

#include "solver.h"

namespace varnexo::tools {
namespace {

bool analyses(int32_t phase) { return phase == 11 || phase == 12 || phase == 13; }

}  // namespace

bool phase_factorises(int32_t phase) { return phase == 12 || phase == 13 || phase == 22 || phase == 23; }

double SolveOutcome::stage_seconds(int32_t stage) const {
  double total = -1.0;
  for (const PhaseTime& t : times) {
    const int32_t first = t.phase / 10 * 11;  // 11, 12, 13 -> 11; 22, 23 -> 22; 33 -> 33
    if (first == stage) total = (total < 0 ? 0.0 : total) + t.seconds;
  }
  return total;
}

bool check_phases(const std::vector<int32_t>& phases, std::string& error) {
  bool analysed = false, factored = false;
  if (phases.empty()) {
    error = "empty phase list";
    return false;
  }
  for (int32_t p : phases) {
    const bool known = p == 11 || p == 12 || p == 13 || p == 22 || p == 23 || p == 33;
    const bool ready = analyses(p) || (p / 10 == 2 && analysed) || (p == 33 && factored);
    if (!known || !ready) {
      error = "phase " + std::to_string(p) +
              (known ? " needs an earlier " + std::string(p == 33 ? "factorisation" : "analysis")
                     : " is not one of 11, 12, 13, 22, 23, 33");
      return false;
    }
    analysed = analysed || analyses(p);
    factored = factored || phase_factorises(p);
  }
  return true;
}

bool accept_solution(double berr, double tolerance, std::string& why) {
  if (std::isfinite(berr) && berr <= tolerance) return true;
  if (!std::isfinite(berr)) {
    why = "the solution is not finite (NaN or Inf)";
    return false;
  }
  char b[96];
  std::snprintf(b, sizeof b, "backward error %.3e is above the tolerance %.3g (--tol)", berr, tolerance);
  why = b;
  return false;
}

std::string error_name(int32_t error) {
  switch (error) {
    case 0:
      return "success";
    case -1:
      return "sequence_ido,parameters";
    case -2:
      return "insufficient_memory";
    case -3:
      return "reordering_phase";
    case -4:
      return "numerical_factorization";
    case -6:
      return "prereordering_mtype11,13";
    case -8:
      return "32-bit overflow problem";
    default:
      return "internal_error,unclass.";
  }
}

std::string matrix_type_name(int32_t type) {
  switch (type) {
    case 1:
      return "real struct. sym.";
    case 2:
      return "symm. posit. def.";
    case -2:
      return "symmetric indef.";
    case 3:
      return "compl. str. sym.";
    case 4:
      return "Herm. pos. def.";
    case -4:
      return "Hermitian indef.";
    case 6:
      return "complex symmetr.";
    case 11:
      return "real nonsymmetric";
    case 13:
      return "complex nonsym.";
    default:
      return "";
  }
}

bool layout_of_type(int32_t type, Layout& layout, bool& complex) {
  switch (type) {
    case 1:
      layout = Layout::full_symmetric_pattern;
      complex = false;
      return true;
    case 3:
      layout = Layout::full_symmetric_pattern;
      complex = true;
      return true;
    case 11:
      layout = Layout::full;
      complex = false;
      return true;
    case 13:
      layout = Layout::full;
      complex = true;
      return true;
    case 2:
    case -2:
      layout = Layout::upper_symmetric;
      complex = false;
      return true;
    case 6:
      layout = Layout::upper_symmetric;
      complex = true;
      return true;
    case 4:
    case -4:
      layout = Layout::upper_hermitian;
      complex = true;
      return true;
    default:
      return false;
  }
}

}  // namespace varnexo::tools
