// The public call driven phase by phase for the command and the benchmark: analysis,
// factorisation and solve timed separately, statistics read from iparam, memory released.
#include "solver.h"

#include <chrono>
#include <cstring>

#include "varnexo.h"

namespace varnexo::tools {
namespace {

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
    ip(VARNEXO_IPARAM_CGS) = s.cgs_code;
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
    if (phase_factorises(phase)) {
      out.perturbed_pivots = call.ip(VARNEXO_IPARAM_PERTURBED);
      out.positive = call.ip(VARNEXO_IPARAM_POSITIVE);
      out.negative = call.ip(VARNEXO_IPARAM_NEGATIVE);
    }
    if (solves(phase)) {
      out.refinement_steps = call.ip(VARNEXO_IPARAM_REFINE_STEPS);
      out.iterations = call.ip(VARNEXO_IPARAM_CGS_DIAG);
    }
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

SolveOutcome solve(Csr& a, const SolveSettings& s, double* b, int32_t nrhs, double* x) {
  SolveOutcome out = attempt(a, s, s.matrix_type, b, nrhs, x);
  const bool definite = s.matrix_type == 2 || s.matrix_type == 4;
  if (s.indefinite_fallback && definite && out.error == VARNEXO_ERROR_NUMERICAL &&
      phase_factorises(out.failed_phase)) {
    out = attempt(a, s, -s.matrix_type, b, nrhs, x);
    out.fell_back = true;
  }
  return out;
}

}  // namespace varnexo::tools
