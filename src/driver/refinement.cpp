// Iterative refinement and its step lines. The step lines are Fortran list edits (f3.0 and
// e12.3), reproduced here by a small interpreter of the format records.
#include "driver/refinement.h"

#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/export.h"
#include "common/guard.h"
#include "common/scalar.h"
#include "driver/driver_entries.h"

namespace varnexo::driver {
namespace {

template <class T>
double sum_abs(const T* v, int64_t len) {
  double s = 0.0;
  for (int64_t k = 0; k < len; ++k) s += abs1(v[k]);
  return s;
}

void report(bool print, int32_t k, double sumres, double sumdx, double sb, double sx, double& v) {
  if (sb == 0.0 || sx == 0.0) {
    const double l1[3] = {(double)k, sumdx, sx}, l2[3] = {(double)k, sumres, sb};
    if (print) write_fortran_line("(' ref_it:',f3.0,' sumdx,sumx',2e12.3)", 3, l1, 1);
    if (print) write_fortran_line("(' ref_it:',f3.0,' sumres,sumrhs',2e12.3)", 3, l2, 1);
    v = sb;
  } else {
    const double l[3] = {(double)k, sumres / sb, sumdx / sx};
    if (print) write_fortran_line("(' ref_it:',f3.0,' rel res',e12.3,' rel err',e12.3)", 3, l, 1);
    v = sumdx / sx;
  }
}

}  // namespace

template <class T>
RefinementResult refine(const RefinementIo<T>& io, const T* b, T* x, int32_t max_steps, bool wanted,
                        bool print, T* work) {
  RefinementResult res;
  const int64_t len = io.n * io.nb;
  const double sb = wanted ? sum_abs(b, len) : 0.0;
  res.status = io.solve(b, x);
  if (res.status != 0 || !wanted) return res;
  const double sx = sum_abs(x, len);
  double res_ref = sb;
  T* r = work;
  T* d = work + len;
  const int64_t limit = max_steps < 0 ? -(int64_t)max_steps : max_steps;  // 64 bits: INT32_MIN is allowed
  for (int32_t k = 1;; ++k) {
    const double sumres = io.residual(x, b, r);
    if (io.converged && io.converged(x, b, r)) {
      res.steps = k - 1;
      res.converged = true;
      return res;
    }
    res.status = io.solve(r, d);
    if (res.status != 0) {
      res.steps = k;
      return res;
    }
    for (int64_t i = 0; i < len; ++i) x[i] += d[i];
    const double sumdx = sum_abs(d, len);
    double v = 0.0;
    report(print, k, sumres, sumdx, sb, sx, v);
    res.steps = k;
    if (k == 2 && max_steps == 0) {
      res.perturbed_only = true;
      return res;
    }
    if (k == 1 && sumres > sb) {
      const double w[3] = {(double)k, sumres, sb};
      if (print) write_fortran_line("('*** warning ref_it:',f3.0,' sumres,sumrhs',2e12.3)", 3, w, 1);
      res_ref = 2.0 * sumres;
      v = sb;
    }
    if (k == limit) return res;
    if (sumres < 0.9 * res_ref) {
      res_ref = sumres;
      continue;
    }
    if (k > 3 || limit <= k) {
      if (std::fabs(v) > 0.5) res.status = -112;
      return res;
    }
  }
}

template RefinementResult refine<double>(const RefinementIo<double>&, const double*, double*, int32_t, bool,
                                         bool, double*);
template RefinementResult refine<std::complex<double>>(const RefinementIo<std::complex<double>>&,
                                                       const std::complex<double>*, std::complex<double>*,
                                                       int32_t, bool, bool, std::complex<double>*);

}  // namespace varnexo::driver

extern "C" {

// Writes `count` values with a Fortran format record, when `level` >= 1.
VARNEXO_EXPORT void wr_test_cgs_(const char* format, const int32_t* count, const double* values,
                                 const int32_t* level) {
  varnexo::guard_entry(nullptr, {},
                       [&] { varnexo::driver::write_fortran_line(format, *count, values, *level); });
}
VARNEXO_UNDERSCORE_ALIAS(wr_test_cgs_);

}  // extern "C"
