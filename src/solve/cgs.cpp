// The CGS/CG iteration preconditioned by a stored factor (see cgs.h): the vector kernels, the
// steps of both methods and the two loops, once over the scalar type.
#include "solve/cgs.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>

#include "common/output.h"

namespace varnexo::solve {
namespace {

// Breakdown thresholds of the CGS recurrences.
constexpr double kRhoGrowth = 1e15;
constexpr double kBetaFloor = 1e-45;
constexpr double kAlphaFloor = 1e-10;

// Progress lines in Fortran list edits (one place prints every iteration line of the library).
void progress(bool print, const char* format, int32_t count, const double* values) {
  if (print) output::fortran_line(format, count, values);
}

// A normwise backward error this close to the unit roundoff cannot be improved by iterating.
constexpr double kRoundingLevel = 64 * std::numeric_limits<double>::epsilon();

// ‖r‖∞ / (‖A‖∞·‖x‖∞ + ‖b‖∞) of one column (0 for 0/0).
template <class T>
double backward_error(int64_t n, double norm_a, const T* b, const T* x, const T* r) {
  double nr = 0, nx = 0, nb = 0;
  for (int64_t i = 0; i < n; ++i) {
    nr = std::max(nr, (double)std::abs(r[i]));
    nx = std::max(nx, (double)std::abs(x[i]));
    nb = std::max(nb, (double)std::abs(b[i]));
  }
  const double d = norm_a * nx + nb;
  return d > 0 ? nr / d : (nr > 0 ? 1.0 : 0.0);
}

template <class T>
struct Blocks {
  T *z, *p, *q, *vhat, *c, *tmp;
};

template <class T>
Blocks<T> carve(T* work, int64_t len) {
  return {work, work + len, work + 2 * len, work + 3 * len, work + 4 * len, work + 5 * len};
}

template <class T>
std::vector<ColumnState<T>> start_columns(int64_t n, int32_t nb, const T* x) {
  std::vector<ColumnState<T>> cols((size_t)nb);
  for (int32_t j = 0; j < nb; ++j) cols[j].reference = norm2(n, x + j * n);
  return cols;
}

template <class T>
bool any_active(const std::vector<ColumnState<T>>& cols) {
  return std::any_of(cols.begin(), cols.end(), [](const ColumnState<T>& s) { return s.active; });
}

// The relative size of one column of v against its reference (0/0 counts as 0).
template <class T>
double column_measure(int64_t n, const ColumnState<T>& s, const T* v) {
  const double num = (double)norm2(n, v);
  if (num == 0.0) return 0.0;
  return std::sqrt(num / (double)s.reference);  // a zero reference gives +inf: no scale to judge by
}

// Columns whose own measure of v met the tolerance leave the iteration; with `apply`, v is
// first added to their x (a last correction, as at the start of CGS).
template <class T>
void retire_converged(int64_t n, std::vector<ColumnState<T>>& cols, const T* v, T* x, double tol,
                      bool apply) {
  for (size_t j = 0; j < cols.size(); ++j) {
    if (!cols[j].active || !(column_measure(n, cols[j], v + j * n) < tol)) continue;
    if (apply)
      for (int64_t i = 0; i < n; ++i) x[j * n + i] += v[j * n + i];
    cols[j].active = false;
  }
}

template <class T>
void residual(const IterationOperators<T>& op, const T* b, const T* x, T* r) {
  op.multiply(x, r);
  const int64_t len = op.n * op.nb;
  for (int64_t i = 0; i < len; ++i) r[i] = b[i] - r[i];
}

// The stopping rules shared by both methods after a step with measure mu (its counter k).
// Returns true with res.status set when the run ends.
// CGS judges stagnation at the check iteration only, CG at every step from it on (its counter
// restarts with the recurrence).
bool stop_after_step(double mu, int32_t k, int32_t steps, double& best, const IterationOptions& opt,
                     IterationResult& res, bool all_retired) {
  res.measure = mu;
  if (mu < opt.tolerance || all_retired) return (res.status = IterationStatus::converged), true;
  if (!(mu <= opt.divergence_bound)) return (res.status = IterationStatus::diverged), true;  // NaN too
  best = std::min(best, mu);
  const bool judged = opt.conjugate_gradient ? k >= opt.check_iteration : k == opt.check_iteration;
  if (judged && best > std::sqrt(opt.tolerance)) return (res.status = IterationStatus::stagnated), true;
  if (k >= opt.max_iterations || steps >= opt.max_iterations)
    return (res.status = IterationStatus::budget_exhausted), true;
  return false;
}

// The true preconditioned residual z = M⁻¹·(b − A·x) (r receives b − A·x). The columns not yet
// done whose z meets the tolerance take z as their last correction and are done; the others are
// active again. The recurrences of both methods drift from the true residual in rounding, so
// every convergence they report is checked here. Returns the solve's status.
template <class T>
int32_t verify_columns(const IterationOperators<T>& op, const T* b, T* x, std::vector<ColumnState<T>>& cols,
                       std::vector<char>& done, T* r, T* z, const IterationOptions& opt, double& measure) {
  const int64_t n = op.n;
  residual(op, b, x, r);
  if (int32_t status = op.precondition(r, z)) return status;
  for (size_t j = 0; j < cols.size(); ++j) cols[j].active = !done[j];
  measure = relative_measure(n, cols, z);
  for (size_t j = 0; j < cols.size() && opt.matrix_norm > 0.0; ++j)
    if (cols[j].active &&
        backward_error(n, opt.matrix_norm, b + j * n, x + j * n, r + j * n) <= kRoundingLevel)
      cols[j].active = false;
  retire_converged(n, cols, z, x, opt.tolerance, true);
  for (size_t j = 0; j < cols.size(); ++j) done[j] = !cols[j].active;
  return 0;
}

// CGS: each round starts from the true preconditioned residual of x and runs the recurrences
// until their correction meets the tolerance; the next round confirms it or goes on.
template <class T>
IterationResult run_cgs(const IterationOperators<T>& op, const T* b, T* x, const IterationOptions& opt,
                        Blocks<T> w) {
  const int64_t n = op.n;
  IterationResult res;
  std::vector<ColumnState<T>> cols = start_columns(n, op.nb, x);
  std::vector<char> done((size_t)op.nb, 0);
  double best = 1e30;
  for (int32_t k = 0;;) {
    double mu0 = 0.0;
    if ((res.solve_status = verify_columns(op, b, x, cols, done, w.tmp, w.z, opt, mu0)) != 0) return res;
    const double init[3] = {(double)k, mu0, opt.tolerance};
    progress(opt.print, "(' cgs-init:',f4.0,2(e12.3))", 3, init);
    res.measure = mu0;
    if (!any_active(cols)) {
      res.status = IterationStatus::converged;
      res.iterations = std::max(k, 1);  // at the start: one correction sufficed
      return res;
    }
    if (k >= opt.max_iterations) return (res.status = IterationStatus::budget_exhausted), res;
    cgs_i(n * op.nb, cols, w.q, w.c);
    for (bool first = true;; first = false) {
      res.iterations = ++k;
      if ((res.status = cgs_a(n, first, cols, w.z, b, w.p, w.q)) != IterationStatus::converged) return res;
      op.multiply(w.p, w.tmp);
      if ((res.solve_status = op.precondition(w.tmp, w.vhat)) != 0) return res;
      if ((res.status = cgs_b(n, first, cols, w.z, b, w.vhat, w.q, w.c, x)) != IterationStatus::converged)
        return res;
      const double mu = relative_measure(n, cols, w.c);
      const double line[2] = {(double)k, mu};
      progress(opt.print, "(' cgs-iteration:',f4.0,e12.3)", 2, line);
      retire_converged(n, cols, w.c, x, opt.tolerance, false);
      if (any_active(cols)) {
        // z −= M⁻¹·A·c keeps the preconditioned residual of the new x.
        op.multiply(w.c, w.tmp);
        if ((res.solve_status = op.precondition(w.tmp, w.vhat)) != 0) return res;
        for (int64_t i = 0; i < n * op.nb; ++i) w.z[i] -= w.vhat[i];
      }
      if (!stop_after_step(mu, k, k, best, opt, res, !any_active(cols))) continue;
      if (res.status != IterationStatus::converged) return res;
      break;  // confirmed (or not) by the next round
    }
  }
}

// CG on the residual recurrence; a convergence it reports is confirmed on the true residual,
// which otherwise replaces the recurrence's and restarts it.
template <class T>
IterationResult run_cg(const IterationOperators<T>& op, const T* b, T* x, const IterationOptions& opt,
                       Blocks<T> w) {
  const int64_t n = op.n, len = n * op.nb;
  IterationResult res;
  std::vector<ColumnState<T>> cols = start_columns(n, op.nb, x);
  std::vector<char> done((size_t)op.nb, 0);
  T* r = w.tmp;
  residual(op, b, x, r);
  std::fill(w.p, w.p + len, T(0));
  double largest = 0.0;
  for (const ColumnState<T>& s : cols) largest = std::max(largest, (double)s.reference);
  const double head[2] = {opt.tolerance, std::sqrt(largest)};
  progress(opt.print, "(' cg-iteration:',2e12.3)", 2, head);
  double best = 1e30;
  int32_t counter = 1;
  for (int32_t steps = 1;; ++steps) {
    if ((res.solve_status = op.precondition(r, w.z)) != 0) return res;
    const double mu = relative_measure(n, cols, w.z);
    cgstep1(n, cols, w.z, r, w.p, opt.hermitian);
    op.multiply(w.p, w.q);
    if (cgstep2(n, cols, w.p, w.q, x, r, opt.hermitian)) counter = -1;  // the recurrence restarts
    ++counter;
    res.iterations = counter;
    const double line[2] = {(double)counter, mu};
    progress(opt.print, "(' cg-iteration:',f4.0,e12.3)", 2, line);
    retire_converged(n, cols, w.z, x, opt.tolerance, false);
    // A restart does not reset the budget: `steps` counts every step made.
    if (!stop_after_step(mu, counter, steps, best, opt, res, !any_active(cols))) continue;
    if (res.status != IterationStatus::converged) return res;
    double mu_true = 0.0;
    if ((res.solve_status = verify_columns(op, b, x, cols, done, r, w.z, opt, mu_true)) != 0) return res;
    if (!any_active(cols)) return res;
    if (steps >= opt.max_iterations) return (res.status = IterationStatus::budget_exhausted), res;
    for (ColumnState<T>& s : cols) s.rho = T(0);
    std::fill(w.p, w.p + len, T(0));
  }
}

}  // namespace

int64_t cgs_work_values(int64_t n, int32_t nb) { return 6 * n * (int64_t)nb; }

template <class T>
T dot(int64_t n, const T* x, const T* y, bool conjugate) {
  T s{};
  if (conjugate)
    for (int64_t i = 0; i < n; ++i) s += varnexo::conj(x[i]) * y[i];
  else
    for (int64_t i = 0; i < n; ++i) s += x[i] * y[i];
  return s;
}

template <class T>
real_t<T> norm2(int64_t n, const T* x) {
  real_t<T> s = 0;
  for (int64_t i = 0; i < n; ++i) s += std::norm(x[i]);
  return s;
}

template <class T>
double relative_measure(int64_t n, const std::vector<ColumnState<T>>& cols, const T* v) {
  double mu = 0.0;
  for (size_t j = 0; j < cols.size(); ++j)
    if (cols[j].active) mu = std::max(mu, column_measure(n, cols[j], v + j * n));
  return mu;
}

template <class T>
void cgs_i(int64_t len, std::vector<ColumnState<T>>& cols, T* q, T* c) {
  std::fill(q, q + len, T(0));
  std::fill(c, c + len, T(0));
  for (ColumnState<T>& s : cols) s.rho_prev = T(1);
}

template <class T>
IterationStatus cgs_a(int64_t n, bool first, std::vector<ColumnState<T>>& cols, const T* z, const T* b, T* p,
                      const T* q) {
  for (size_t j = 0; j < cols.size(); ++j) {
    ColumnState<T>& s = cols[j];
    if (!s.active) continue;
    const T* zj = z + j * n;
    T* pj = p + j * n;
    const T* qj = q + j * n;
    s.rho = dot(n, b + j * n, zj, true);
    if (first) {
      std::copy(zj, zj + n, pj);
      continue;
    }
    if (std::abs(s.rho) > kRhoGrowth * std::abs(s.rho_prev)) return IterationStatus::rho_growth;
    s.beta = s.rho / s.rho_prev;
    if (std::abs(s.beta) < kBetaFloor) return IterationStatus::beta_vanished;
    for (int64_t i = 0; i < n; ++i) pj[i] = zj[i] + s.beta * (T(2) * qj[i] + s.beta * pj[i]);
  }
  return IterationStatus::converged;
}

template <class T>
IterationStatus cgs_b(int64_t n, bool first, std::vector<ColumnState<T>>& cols, const T* z, const T* b,
                      const T* vhat, T* q, T* c, T* x) {
  for (size_t j = 0; j < cols.size(); ++j) {
    ColumnState<T>& s = cols[j];
    if (!s.active) continue;
    s.sigma = dot(n, b + j * n, vhat + j * n, true);
    if (!first && std::abs(s.rho) > kRhoGrowth * std::abs(s.sigma)) return IterationStatus::rho_over_sigma;
    // On the first step a zero σ leaves nothing to divide by: the same breakdown.
    if (s.sigma == T(0)) return IterationStatus::rho_over_sigma;
    s.alpha = s.rho / s.sigma;
    if (!first && std::abs(s.alpha) < kAlphaFloor) return IterationStatus::alpha_vanished;
    const T beta = first ? T(0) : s.beta;
    const T* zj = z + j * n;
    const T* vj = vhat + j * n;
    T* qj = q + j * n;
    T* cj = c + j * n;
    T* xj = x + j * n;
    for (int64_t i = 0; i < n; ++i) {
      const T u = zj[i] + beta * qj[i];
      qj[i] = u - s.alpha * vj[i];
      cj[i] = s.alpha * (u + qj[i]);
      xj[i] += cj[i];
    }
    s.rho_prev = s.rho;
  }
  return IterationStatus::converged;
}

template <class T>
void cgstep1(int64_t n, std::vector<ColumnState<T>>& cols, const T* z, const T* r, T* p, bool hermitian) {
  for (size_t j = 0; j < cols.size(); ++j) {
    ColumnState<T>& s = cols[j];
    if (!s.active) continue;
    const T rho = dot(n, z + j * n, r + j * n, hermitian);
    s.beta = s.rho == T(0) ? T(1) : rho / s.rho;
    s.rho = rho;
    const T* zj = z + j * n;
    T* pj = p + j * n;
    for (int64_t i = 0; i < n; ++i) pj[i] = zj[i] + s.beta * pj[i];
  }
}

template <class T>
bool cgstep2(int64_t n, std::vector<ColumnState<T>>& cols, T* p, const T* q, T* x, T* r, bool hermitian) {
  const double eps = std::numeric_limits<real_t<T>>::epsilon();
  for (size_t j = 0; j < cols.size(); ++j) {
    ColumnState<T>& s = cols[j];
    if (!s.active) continue;
    const T pi = dot(n, p + j * n, q + j * n, hermitian);
    if (!(std::abs(pi) > 100.0 * eps * std::abs(s.rho))) {
      for (ColumnState<T>& t : cols) t.rho = T(0);
      std::fill(p, p + n * (int64_t)cols.size(), T(0));
      return true;
    }
    s.alpha = s.rho / pi;
    const T* pj = p + j * n;
    const T* qj = q + j * n;
    T* xj = x + j * n;
    T* rj = r + j * n;
    for (int64_t i = 0; i < n; ++i) {
      xj[i] += s.alpha * pj[i];
      rj[i] -= s.alpha * qj[i];
    }
  }
  return false;
}

template <class T>
IterationResult pre_cgs(const IterationOperators<T>& op, const T* b, T* x, const IterationOptions& opt,
                        T* work, int64_t work_values) {
  if (work == nullptr || work_values != cgs_work_values(op.n, op.nb)) {
    IterationResult res;
    res.status = IterationStatus::work_length;
    return res;
  }
  const Blocks<T> w = carve(work, op.n * op.nb);
  return opt.conjugate_gradient ? run_cg(op, b, x, opt, w) : run_cgs(op, b, x, opt, w);
}

#define VARNEXO_CGS_INSTANCES(T)                                                                           \
  template T dot<T>(int64_t, const T*, const T*, bool);                                                    \
  template real_t<T> norm2<T>(int64_t, const T*);                                                          \
  template double relative_measure<T>(int64_t, const std::vector<ColumnState<T>>&, const T*);              \
  template void cgs_i<T>(int64_t, std::vector<ColumnState<T>>&, T*, T*);                                   \
  template IterationStatus cgs_a<T>(int64_t, bool, std::vector<ColumnState<T>>&, const T*, const T*, T*,   \
                                    const T*);                                                             \
  template IterationStatus cgs_b<T>(int64_t, bool, std::vector<ColumnState<T>>&, const T*, const T*,       \
                                    const T*, T*, T*, T*);                                                 \
  template void cgstep1<T>(int64_t, std::vector<ColumnState<T>>&, const T*, const T*, T*, bool);           \
  template bool cgstep2<T>(int64_t, std::vector<ColumnState<T>>&, T*, const T*, T*, T*, bool);             \
  template IterationResult pre_cgs<T>(const IterationOperators<T>&, const T*, T*, const IterationOptions&, \
                                      T*, int64_t);

VARNEXO_CGS_INSTANCES(double)
VARNEXO_CGS_INSTANCES(std::complex<double>)
#undef VARNEXO_CGS_INSTANCES

}  // namespace varnexo::solve
