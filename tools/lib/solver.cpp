// The public call driven phase by phase for the command and the benchmark: analysis,
// factorisation and solve timed separately, statistics read from iparam, memory released.
#include "solver.h"

#include <chrono>
#include <cstring>

#include "varnexo.h"

// The tools are built together with the library at every stage of its development; a build of
// the library without its public call still links the tools, which then report that the solver
// is missing instead of failing to link.
#pragma weak varnexo_
#pragma weak varnexoinit_

namespace varnexo::tools {
namespace {

bool factorises(int32_t phase) { return phase == 12 || phase == 13 || phase == 22 || phase == 23; }
bool solves(int32_t phase) { return phase == 13 || phase == 23 || phase == 33; }
bool analyses(int32_t phase) { return phase == 11 || phase == 12 || phase == 13; }

// The library's state for one system: handle, iparam and the arrays of the call.
struct Call {
  void* handle[VARNEXO_HANDLE_SLOTS];
  int32_t iparam[VARNEXO_IPARAM_SIZE];
  int32_t type = 0;
  std::vector<int32_t> perm;

  int32_t& ip(int k) { return iparam[k - 1]; }

  void init(const SolveSettings& s, int32_t matrix_type, int32_t n) {
    type = matrix_type;
    std::memset(iparam, 0, sizeof iparam);
    varnexoinit_(handle, &type, iparam);
    ip(VARNEXO_IPARAM_NPROC) = s.nproc;
    if (s.ordering >= 0) ip(VARNEXO_IPARAM_ORDERING) = s.ordering;
    if (s.max_refine != -1000) ip(VARNEXO_IPARAM_MAX_REFINE) = s.max_refine;
    if (s.pivot_exponent >= 0) ip(VARNEXO_IPARAM_PIVOT_EXPONENT) = s.pivot_exponent;
    ip(VARNEXO_IPARAM_TRANSPOSE) = s.transpose ? 1 : 0;
    // A failed pure solve must not be reported as success.
    ip(VARNEXO_IPARAM_KEEP_ERROR) = 1;
    perm.assign(static_cast<size_t>(n), 0);
  }

  int32_t run(Csr& a, int32_t phase, int32_t nrhs, int32_t msglvl, double* b, double* x) {
    const int32_t maxfct = 1, mnum = 1;
    int32_t error = 0;
    varnexo_(handle, &maxfct, &mnum, &type, &phase, &a.n, a.a.data(), a.ia.data(), a.ja.data(), perm.data(),
             &nrhs, iparam, &msglvl, b, x, &error);
    return error;
  }

  void release(Csr& a, int32_t msglvl) {
    double dummy = 0.0;
    run(a, VARNEXO_PHASE_RELEASE_ALL, 1, msglvl, &dummy, &dummy);
  }
};

double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// One attempt with one matrix type; returns the outcome of the phases run so far.
SolveOutcome attempt(Csr& a, const SolveSettings& s, int32_t type, double* b, int32_t nrhs, double* x) {
  Call call;
  call.init(s, type, a.n);
  SolveOutcome out;
  out.matrix_type = type;
  for (int32_t phase : s.phases) {
    const auto t0 = std::chrono::steady_clock::now();
    const int32_t error = call.run(a, phase, nrhs, s.message_level, b, x);
    out.times.push_back({phase, seconds_since(t0)});
    if (analyses(phase)) {
      out.factor_nnz = call.ip(VARNEXO_IPARAM_FACTOR_NNZ);
      out.mflop = call.ip(VARNEXO_IPARAM_MFLOP);
    }
    if (factorises(phase)) {
      out.perturbed_pivots = call.ip(VARNEXO_IPARAM_PERTURBED);
      out.positive = call.ip(VARNEXO_IPARAM_POSITIVE);
      out.negative = call.ip(VARNEXO_IPARAM_NEGATIVE);
    }
    if (solves(phase)) out.refinement_steps = call.ip(VARNEXO_IPARAM_REFINE_STEPS);
    if (error != 0) {
      out.error = error;
      out.failed_phase = phase;
      break;
    }
    if (solves(phase)) out.solved = true;
  }
  call.release(a, s.message_level);
  return out;
}

}  // namespace

double SolveOutcome::stage_seconds(int32_t stage) const {
  double total = -1.0;
  for (const PhaseTime& t : times) {
    const int32_t first = t.phase / 10 * 11;  // 11, 12, 13 -> 11; 22, 23 -> 22; 33 -> 33
    if (first == stage) total = (total < 0 ? 0.0 : total) + t.seconds;
  }
  return total;
}

bool solver_available() { return &varnexo_ != nullptr && &varnexoinit_ != nullptr; }

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
    factored = factored || factorises(p);
  }
  return true;
}

SolveOutcome solve(Csr& a, const SolveSettings& s, double* b, int32_t nrhs, double* x) {
  if (!solver_available()) {
    SolveOutcome out;
    out.error = VARNEXO_ERROR_INTERNAL;
    out.matrix_type = s.matrix_type;
    return out;
  }
  SolveOutcome out = attempt(a, s, s.matrix_type, b, nrhs, x);
  const bool definite = s.matrix_type == 2 || s.matrix_type == 4;
  if (s.indefinite_fallback && definite && out.error == VARNEXO_ERROR_NUMERICAL &&
      factorises(out.failed_phase)) {
    out = attempt(a, s, -s.matrix_type, b, nrhs, x);
    out.fell_back = true;
  }
  return out;
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
