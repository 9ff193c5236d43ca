// Exported entries of the CGS/CG iteration (see cgs.h): its steps and its vector kernels, Fortran
// style (every argument by pointer); each name is also exported with a leading underscore. The
// iteration entries over the control arrays are in src/abi.
#include <algorithm>
#include <complex>

#include "common/export.h"
#include "common/guard.h"
#include "solve/cgs.h"
#include "solve/residual.h"
#include "solve/solve_entries.h"

namespace {

using varnexo::solve::ColumnState;

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
