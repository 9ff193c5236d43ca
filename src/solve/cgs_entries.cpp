// Exported entries of the CGS/CG iteration (see cgs.h): the iteration with a stored factor as
// preconditioner, its steps and its vector kernels, Fortran style (every argument by pointer).
// The complex iteration takes pairs of doubles; each name is also exported with a leading underscore.
#include <algorithm>
#include <complex>

#include "common/export.h"
#include "common/guard.h"
#include "solve/cgs.h"
#include "solve/residual.h"
#include "solve/solve_entries.h"

namespace {

using varnexo::solve::ColumnState;
using varnexo::solve::IterationStatus;
using dcplx = std::complex<double>;

// The control words an iteration reads: ibasic 11 message level, 12 type, 18 method code (±2 CG),
// 40 divergence bound, 41 iteration budget, 42 check iteration, 68 transposed; rbasic 13 tolerance.
// CG needs a symmetric or Hermitian matrix and preconditioner: for the other storage the code
// asking for it runs CGS.
varnexo::solve::IterationOptions control_options(const int32_t* ibasic, const double* rbasic) {
  varnexo::solve::IterationOptions o;
  const varnexo::solve::Storage storage = varnexo::solve::storage_of(ibasic[11]);
  o.tolerance = rbasic[12];
  o.divergence_bound = ibasic[39];
  o.max_iterations = ibasic[40];
  o.check_iteration = ibasic[41];
  o.conjugate_gradient = varnexo::magnitude(ibasic[17]) == 2 && storage != varnexo::solve::Storage::full;
  o.hermitian = storage == varnexo::solve::Storage::hermitian;
  o.print = ibasic[10] >= 1;
  return o;
}

struct SolveArgs {
  const int32_t *perm, *xsuper, *xlindx, *lindx, *xlnz;
  const double* lnz;
  const int32_t* xunz;
  const double* unz;
  const int32_t *pivot, *colpivot, *part_first, *part_rows;
  double* W;
  const int32_t* q;
  const double* s;
};

template <class T>
void pre_cgs_entry(int32_t n, int32_t nb, const T* a, const int32_t* ia, const int32_t* ja, T* b, T* x,
                   const SolveArgs& f, int32_t* ibasic, const double* rbasic, T* work, int64_t work_len,
                   int32_t* status, int32_t* iterations, int32_t copy) {
  varnexo::solve::IterationOperators<T> op;
  op.n = n;
  op.nb = nb;
  std::vector<T> rowbuf((size_t)std::max(nb, 1));
  const bool transposed = ibasic[67] == 1;
  op.multiply = [&](const T* v, T* y) {
    varnexo::solve::amuxy<T>(transposed, n, nb, varnexo::solve::storage_of(ibasic[11]), ia, ja, a, v, y,
                             rowbuf.data());
  };
  // The preconditioner always solves into sol, whatever output switch the caller's words hold.
  int32_t words[100];
  std::copy(ibasic, ibasic + 100, words);
  words[51] = 0;
  op.precondition = [&](const T* rhs, T* sol) {
    int32_t err = 0, one = nb;
    solve_varnexo_(&one, reinterpret_cast<double*>(sol), reinterpret_cast<double*>(const_cast<T*>(rhs)),
                   f.perm, f.xsuper, f.xlindx, f.lindx, f.xlnz, f.lnz, f.xunz, f.unz, f.pivot, f.colpivot,
                   f.part_first, f.part_rows, words, f.W, f.q, f.s, &err);
    return err;
  };
  varnexo::solve::IterationOptions opt = control_options(ibasic, rbasic);
  opt.matrix_norm =
      varnexo::solve::norm_inf(transposed, n, varnexo::solve::storage_of(ibasic[11]), ia, ja, a);
  const varnexo::solve::IterationResult r = varnexo::solve::pre_cgs<T>(op, b, x, opt, work, work_len);
  *status = (int32_t)r.status;
  *iterations = r.iterations;
  if (!r.ok()) ibasic[42] = 1;  // the fall-back flag: refactorise
  if (r.status == IterationStatus::work_length)
    ibasic[49] = -2;
  else if (r.solve_status != 0)
    ibasic[49] = r.status == IterationStatus::converged ? -3 : r.solve_status;
  if (r.ok() && copy != 0) std::copy(x, x + (int64_t)n * nb, b);
}

// The per-column scalars of the step entries, from and back to their arrays (nb values each).
std::vector<ColumnState<double>> columns(int32_t nb, const double* rho, const double* rho_prev,
                                         const double* beta) {
  std::vector<ColumnState<double>> cols((size_t)std::max(nb, 0));
  for (int32_t j = 0; j < nb; ++j) {
    cols[j].rho = rho ? rho[j] : 0.0;
    cols[j].rho_prev = rho_prev ? rho_prev[j] : 0.0;
    cols[j].beta = beta ? beta[j] : 0.0;
  }
  return cols;
}

}  // namespace

extern "C" {

// The iteration on A·x = b (A given by n, a, ia, ja in the storage of ibasic(12)) with the factor
// arguments of solve_varnexo_ as preconditioner; x holds the start (M⁻¹·b) and receives the
// solution. work: work_len doubles, exactly 6·n·nb. status out: the iteration's code (0 converged,
// -1 diverged, -2 stagnation, -3 budget, -4 work length, 1..4 breakdowns); iterations out: its
// counter. On failure ibasic(43) := 1 (refactorise) and ibasic(50) the solve error (-2 for the
// work length, -3 for a failed solve with status 0). With copy != 0 a converged x is copied into b.
VARNEXO_EXPORT void pre_cgs_varnexo_(const int32_t* n, const int32_t* nb, const double* a, const int32_t* ia,
                                     const int32_t* ja, double* b, double* x, const int32_t* perm,
                                     const int32_t* xsuper, const int32_t* xlindx, const int32_t* lindx,
                                     const int32_t* xlnz, const double* lnz, const int32_t* xunz,
                                     const double* unz, const int32_t* pivot, const int32_t* colpivot,
                                     const int32_t* part_first, const int32_t* part_rows, double* W,
                                     const int32_t* q, const double* s, int32_t* ibasic, double* rbasic,
                                     double* work, const int64_t* work_len, int32_t* status,
                                     int32_t* iterations, const int32_t* copy) {
  const SolveArgs f{perm,  xsuper,   xlindx,     lindx,     xlnz, lnz, xunz, unz,
                    pivot, colpivot, part_first, part_rows, W,    q,   s};
  varnexo::guard_entry(status, {-4, -4}, [&] {
    pre_cgs_entry<double>(*n, *nb, a, ia, ja, b, x, f, ibasic, rbasic, work, *work_len, status, iterations,
                          *copy);
  });
}
VARNEXO_UNDERSCORE_ALIAS(pre_cgs_varnexo_);

// Complex twin of pre_cgs_varnexo_: a, b, x and work hold pairs of doubles (work_len counts pairs).
VARNEXO_EXPORT void c_pre_cgs_varnexo_(const int32_t* n, const int32_t* nb, const double* a,
                                       const int32_t* ia, const int32_t* ja, double* b, double* x,
                                       const int32_t* perm, const int32_t* xsuper, const int32_t* xlindx,
                                       const int32_t* lindx, const int32_t* xlnz, const double* lnz,
                                       const int32_t* xunz, const double* unz, const int32_t* pivot,
                                       const int32_t* colpivot, const int32_t* part_first,
                                       const int32_t* part_rows, double* W, const int32_t* q, const double* s,
                                       int32_t* ibasic, double* rbasic, double* work, const int64_t* work_len,
                                       int32_t* status, int32_t* iterations, const int32_t* copy) {
  const SolveArgs f{perm,  xsuper,   xlindx,     lindx,     xlnz, lnz, xunz, unz,
                    pivot, colpivot, part_first, part_rows, W,    q,   s};
  varnexo::guard_entry(status, {-4, -4}, [&] {
    pre_cgs_entry<dcplx>(*n, *nb, reinterpret_cast<const dcplx*>(a), ia, ja, reinterpret_cast<dcplx*>(b),
                         reinterpret_cast<dcplx*>(x), f, ibasic, rbasic, reinterpret_cast<dcplx*>(work),
                         *work_len, status, iterations, *copy);
  });
}
VARNEXO_UNDERSCORE_ALIAS(c_pre_cgs_varnexo_);

// CGS start for nb columns of n values: q := 0, c := 0, rho_prev := 1.
VARNEXO_EXPORT void cgs_i_(const int32_t* n, const int32_t* nb, double* q, double* c, double* rho_prev) {
  std::vector<ColumnState<double>> cols = columns(*nb, nullptr, nullptr, nullptr);
  varnexo::solve::cgs_i<double>((int64_t)*n * *nb, cols, q, c);
  std::fill(rho_prev, rho_prev + *nb, 1.0);
}
VARNEXO_UNDERSCORE_ALIAS(cgs_i_);

// First half of a CGS step (first != 0 on the first step): rho, beta and p; status out 0, 1 or 2.
VARNEXO_EXPORT void cgs_a_(const int32_t* n, const int32_t* nb, const int32_t* first, const double* z,
                           const double* b, double* p, const double* q, double* rho, const double* rho_prev,
                           double* beta, int32_t* status) {
  std::vector<ColumnState<double>> cols = columns(*nb, rho, rho_prev, beta);
  *status = (int32_t)varnexo::solve::cgs_a<double>(*n, *first != 0, cols, z, b, p, q);
  for (int32_t j = 0; j < *nb; ++j) rho[j] = cols[j].rho, beta[j] = cols[j].beta;
}
VARNEXO_UNDERSCORE_ALIAS(cgs_a_);

// Second half of a CGS step: sigma, alpha, q, the correction c and x += c; rho becomes rho_prev.
// status out 0, 3 or 4.
VARNEXO_EXPORT void cgs_b_(const int32_t* n, const int32_t* nb, const int32_t* first, const double* z,
                           const double* b, const double* vhat, double* q, double* c, double* x,
                           const double* rho, double* rho_prev, const double* beta, double* alpha,
                           double* sigma, int32_t* status) {
  std::vector<ColumnState<double>> cols = columns(*nb, rho, rho_prev, beta);
  *status = (int32_t)varnexo::solve::cgs_b<double>(*n, *first != 0, cols, z, b, vhat, q, c, x);
  for (int32_t j = 0; j < *nb; ++j)
    rho_prev[j] = cols[j].rho_prev, alpha[j] = cols[j].alpha, sigma[j] = cols[j].sigma;
}
VARNEXO_UNDERSCORE_ALIAS(cgs_b_);

// First half of a CG step: rho (in: the old values, out: the new) and p := z + beta·p.
VARNEXO_EXPORT void cgstep1_(const int32_t* n, const int32_t* nb, const double* z, const double* r, double* p,
                             double* rho, double* beta) {
  std::vector<ColumnState<double>> cols = columns(*nb, rho, nullptr, nullptr);
  varnexo::solve::cgstep1<double>(*n, cols, z, r, p, false);
  for (int32_t j = 0; j < *nb; ++j) rho[j] = cols[j].rho, beta[j] = cols[j].beta;
}
VARNEXO_UNDERSCORE_ALIAS(cgstep1_);

// Second half of a CG step with q = A·p: x += alpha·p, r -= alpha·q. breakdown out: 1 when the
// step broke down (rho and p cleared), else 0.
VARNEXO_EXPORT void cgstep2_(const int32_t* n, const int32_t* nb, double* p, const double* q, double* x,
                             double* r, double* rho, double* alpha, int32_t* breakdown) {
  std::vector<ColumnState<double>> cols = columns(*nb, rho, nullptr, nullptr);
  *breakdown = varnexo::solve::cgstep2<double>(*n, cols, p, q, x, r, false) ? 1 : 0;
  for (int32_t j = 0; j < *nb; ++j) rho[j] = cols[j].rho, alpha[j] = cols[j].alpha;
}
VARNEXO_UNDERSCORE_ALIAS(cgstep2_);

// ---- Vector kernels, length first ----

VARNEXO_EXPORT void pvclrr_(const int32_t* n, double* x) { std::fill(x, x + std::max(*n, 0), 0.0); }
VARNEXO_UNDERSCORE_ALIAS(pvclrr_);

VARNEXO_EXPORT void pvclrr_32_(const int32_t* n, float* x) { std::fill(x, x + std::max(*n, 0), 0.0f); }
VARNEXO_UNDERSCORE_ALIAS(pvclrr_32_);

VARNEXO_EXPORT void pvclri_(const int32_t* n, int32_t* x) { std::fill(x, x + std::max(*n, 0), 0); }
VARNEXO_UNDERSCORE_ALIAS(pvclri_);

// y := x
VARNEXO_EXPORT void pvmovxy_(const int32_t* n, const double* x, double* y) {
  std::copy(x, x + std::max(*n, 0), y);
}
VARNEXO_UNDERSCORE_ALIAS(pvmovxy_);

VARNEXO_EXPORT void pvmovxy_32_(const int32_t* n, const float* x, float* y) {
  std::copy(x, x + std::max(*n, 0), y);
}
VARNEXO_UNDERSCORE_ALIAS(pvmovxy_32_);

VARNEXO_EXPORT void pimovxy_(const int32_t* n, const int32_t* x, int32_t* y) {
  std::copy(x, x + std::max(*n, 0), y);
}
VARNEXO_UNDERSCORE_ALIAS(pimovxy_);

VARNEXO_EXPORT void pi4movxy_(const int32_t* n, const int32_t* x, int32_t* y) {
  std::copy(x, x + std::max(*n, 0), y);
}
VARNEXO_UNDERSCORE_ALIAS(pi4movxy_);

// Σ x(i)²
VARNEXO_EXPORT double pvnorm2_(const int32_t* n, const double* x) {
  return varnexo::solve::norm2<double>(*n, x);
}
VARNEXO_UNDERSCORE_ALIAS(pvnorm2_);

// Σ x(i)·y(i)
VARNEXO_EXPORT double pdscap1_(const int32_t* n, const double* x, const double* y) {
  return varnexo::solve::dot<double>(*n, x, y, false);
}
VARNEXO_UNDERSCORE_ALIAS(pdscap1_);

// y := y + x
VARNEXO_EXPORT void pvaxyry_(const int32_t* n, const double* x, double* y) {
  for (int32_t i = 0; i < *n; ++i) y[i] += x[i];
}
VARNEXO_UNDERSCORE_ALIAS(pvaxyry_);

// x := a·x + y
VARNEXO_EXPORT void pvrxayx_(const int32_t* n, const double* a, double* x, const double* y) {
  for (int32_t i = 0; i < *n; ++i) x[i] = *a * x[i] + y[i];
}
VARNEXO_UNDERSCORE_ALIAS(pvrxayx_);

// y := y + a·x
VARNEXO_EXPORT void pvrmxay_(const int32_t* n, const double* a, const double* x, double* y) {
  for (int32_t i = 0; i < *n; ++i) y[i] += *a * x[i];
}
VARNEXO_UNDERSCORE_ALIAS(pvrmxay_);

// z := x + y
VARNEXO_EXPORT void pvaxyrz_(const int32_t* n, const double* x, const double* y, double* z) {
  for (int32_t i = 0; i < *n; ++i) z[i] = x[i] + y[i];
}
VARNEXO_UNDERSCORE_ALIAS(pvaxyrz_);

// y := x − y
VARNEXO_EXPORT void pvsxyry_(const int32_t* n, const double* x, double* y) {
  for (int32_t i = 0; i < *n; ++i) y[i] = x[i] - y[i];
}
VARNEXO_UNDERSCORE_ALIAS(pvsxyry_);

}  // extern "C"
