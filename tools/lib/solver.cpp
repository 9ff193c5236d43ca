// The public call driven phase by phase for the command and the benchmark: analysis,
// factorisation and solve timed separately, statistics read from iparam, memory released.
#include "solver.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "krylov.h"
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
    if (s.single) {
      // iparam(29) = 1 serves the real structurally symmetric type, and the real symmetric
      // indefinite one on one processor; 2 serves every type.
      const bool covered = matrix_type == 1 || (matrix_type == -2 && s.nproc == 1);
      ip(VARNEXO_IPARAM_SINGLE_PRECISION) = covered ? 1 : 2;
      if (s.max_refine == -1000) ip(VARNEXO_IPARAM_MAX_REFINE) = kSingleRefinementSteps;
    }
    ip(VARNEXO_IPARAM_RELAXED) = s.relaxed ? 1 : 0;
    if (s.panel > 1) ip(VARNEXO_IPARAM_PANEL) = s.panel;
    ip(VARNEXO_IPARAM_CGS) = s.cgs_code;
    if (s.pivot_exponent >= 0) ip(VARNEXO_IPARAM_PIVOT_EXPONENT) = s.pivot_exponent;
    if (s.matching >= 0) ip(VARNEXO_IPARAM_MATCHING) = s.matching;
    if (s.scaling >= 0) ip(VARNEXO_IPARAM_SCALING) = s.scaling;
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

// True when some diagonal entry of A is zero or not stored.
bool weak_diagonal(const Csr& a) {
  const int w = a.width();
  for (int32_t i = 1; i <= a.n; ++i) {
    bool nonzero = false;
    for (int32_t k = a.ia[i - 1]; k < a.ia[i]; ++k)
      if (a.ja[k - 1] == i)
        for (int p = 0; p < w; ++p) nonzero |= a.a[(static_cast<size_t>(k) - 1) * w + p] != 0.0;
    if (!nonzero) return true;
  }
  return false;
}

// The command's settings for hard matrices (SolveSettings::robust), before the first phase.
void choose_robust(Call& call, const Csr& a, const SolveSettings& s, int32_t type) {
  if (!s.robust || type != -2) return;
  if (s.matching < 0 && weak_diagonal(a)) {
    call.ip(VARNEXO_IPARAM_MATCHING) = 2;
    if (s.scaling < 0) call.ip(VARNEXO_IPARAM_SCALING) = 1;
  }
  // The 2×2 blocks of the symmetric matching need Bunch–Kaufman pivots.
  if (call.ip(VARNEXO_IPARAM_MATCHING) > 0) call.ip(VARNEXO_IPARAM_PIVOTING) = 1;
}

// One application of the factor without refinement (a forward, then a backward substitution):
// a fixed linear operator, as the Krylov iteration needs.
bool factor_solve(Call& call, Csr& a, const double* r, double* z, std::vector<double>& y) {
  const int32_t saved = call.ip(VARNEXO_IPARAM_SOLVE_PART);
  call.ip(VARNEXO_IPARAM_SOLVE_PART) = 1;
  bool ok = call.run(a, 33, 1, 0, const_cast<double*>(r), y.data()) == 0;
  call.ip(VARNEXO_IPARAM_SOLVE_PART) = 2;
  ok = ok && call.run(a, 33, 1, 0, y.data(), z) == 0;
  call.ip(VARNEXO_IPARAM_SOLVE_PART) = saved;
  return ok;
}

// The rescue of the command (SolveSettings::robust) for a factor with perturbed pivots whose
// refinement fell short of the working precision: GMRES preconditioned by the factor, which
// converges where refinement cannot because a few perturbed pivots only change the factor by a
// low-rank term. When the factor at hand is too far from A (pivots perturbed to nearly zero make
// it almost singular), the matrix is factorised again with pivots perturbed to 10^-6 of the
// typical entry, which bounds the factor's inverse, and GMRES runs again.
void rescue(Call& call, Csr& a, const SolveSettings& s, const double* b, int32_t nrhs, double* x,
            SolveOutcome& out) {
  constexpr double kTarget = 1e-15, kAccepted = 1e-14;  // aimed at, and enough
  const size_t len = static_cast<size_t>(a.n) * a.width();
  std::vector<double> y(len);
  auto precondition = [&](const double* r, double* z) { return factor_solve(call, a, r, z, y); };
  KrylovSettings ks;
  ks.restart = std::min<int32_t>(a.n, std::max<int32_t>(60, 2 * out.perturbed_pivots + 10));
  ks.target = kTarget;
  // The substitutions and a plain factorisation, not the library's own iteration (which keeps
  // its factor between calls instead of factorising again).
  call.ip(VARNEXO_IPARAM_CGS) = 0;
  bool all = true;
  for (int32_t pass = 0; pass < 2; ++pass) {
    // The factor at hand gets one cycle to show that it converges.
    ks.max_cycles = pass == 0 ? 1 : 8;
    if (pass == 1) {  // a gentler factor: perturbed pivots at 10^-6 of the typical entry
      call.ip(VARNEXO_IPARAM_PIVOT_EXPONENT) = 6;
      if (call.run(a, 22, 1, s.message_level, const_cast<double*>(b), x) != 0) return;
      out.perturbed_pivots = call.ip(VARNEXO_IPARAM_PERTURBED);
      out.refactorised = true;
    }
    all = true;
    for (int32_t c = 0; c < nrhs; ++c) {
      double* xc = x + c * len;
      const double* bc = b + c * len;
      // A new factor starts from zero: its first direction is then the factor's own solution, and
      // the corrections do not cancel against an iterate of another factor. The better of the two
      // iterates is kept.
      const double before = backward_error(a, false, bc, xc, 1);
      const std::vector<double> kept(xc, xc + len);
      if (pass == 1 || !(before <= 1.0)) std::fill(xc, xc + len, 0.0);
      KrylovOutcome k = fgmres(a, bc, xc, precondition, ks);
      if (before < k.backward_error) std::copy(kept.begin(), kept.end(), xc), k.backward_error = before;
      out.krylov_iterations += k.iterations;
      all = all && k.backward_error <= kAccepted;
    }
    if (all) break;
  }
  if (all) {
    out.error = 0;
    out.failed_phase = 0;
    out.solved = true;
  }
}

// True when the outcome of the phases calls for the rescue: a solve that the library refused or
// that ended above the working precision, after a factorisation that perturbed pivots.
bool wants_rescue(const SolveSettings& s, const Csr& a, const double* b, int32_t nrhs, const double* x,
                  const SolveOutcome& out) {
  if (!s.robust || s.transpose || out.perturbed_pivots <= 0) return false;
  if (out.error == VARNEXO_ERROR_NUMERICAL && solves(out.failed_phase)) return true;
  return out.solved && out.error == 0 && !(backward_error(a, false, b, x, nrhs) <= 1e-14);
}

double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// One attempt with one matrix type; returns the outcome of the phases run so far.
SolveOutcome attempt(Csr& a, const SolveSettings& s, int32_t type, double* b, int32_t nrhs, double* x) {
  Call call;
  call.init(s, type, a.n);
  choose_robust(call, a, s, type);
  SolveOutcome out;
  out.matrix_type = type;
  for (int32_t phase : s.phases) {
    // Perturbed pivots leave an error that refinement removes; allow it the steps it needs (the
    // refinement stops by itself once the residual no longer shrinks).
    if (s.robust && s.max_refine == -1000 && phase == 33 && call.ip(VARNEXO_IPARAM_PERTURBED) > 0)
      call.ip(VARNEXO_IPARAM_MAX_REFINE) = std::max(call.ip(VARNEXO_IPARAM_MAX_REFINE), 20);
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
  if (wants_rescue(s, a, b, nrhs, x, out)) {
    const auto t0 = std::chrono::steady_clock::now();
    rescue(call, a, s, b, nrhs, x, out);
    out.times.push_back({33, seconds_since(t0)});
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
