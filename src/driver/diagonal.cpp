// Diagonal systems: the short cut of the public call for matrices with one entry per row on
// the diagonal. No handle block, ordering or factorisation is involved.
#include "driver/diagonal.h"

#include <cmath>
#include <complex>
#include <cstring>

#include "common/export.h"
#include "common/onebased.h"
#include "driver/driver_entries.h"

namespace varnexo::driver {

bool is_diagonal_system(int32_t n, const int32_t* ia, const int32_t* ja) {
  if (n < 1 || ia == nullptr || ja == nullptr || ia[0] != 1 || (int64_t)ia[n] - 1 != n) return false;
  for (int32_t i = 1; i <= n; ++i) {
    if (ia[i] < ia[i - 1]) return false;
  }
  for (int32_t i = 1; i <= n; ++i) {
    if (ia[i] - ia[i - 1] == 1 && ja[ia[i - 1] - 1] != i) return false;
  }
  return true;
}

namespace {

// Complex division u / v in the scaled form that avoids overflow of |v|².
std::complex<double> scaled_divide(std::complex<double> u, std::complex<double> v) {
  const double p = v.real(), q = v.imag();
  if (std::abs(q) <= std::abs(p)) {
    const double s = q / p, d = p + q * s;
    return {(u.real() + u.imag() * s) / d, (u.imag() - u.real() * s) / d};
  }
  const double s = p / q, d = q + p * s;
  return {(u.real() * s + u.imag()) / d, (u.imag() * s - u.real()) / d};
}

double divide(double u, double v) { return u / v; }
std::complex<double> divide(std::complex<double> u, std::complex<double> v) { return scaled_divide(u, v); }

}  // namespace

template <class T>
void diag_solve(int32_t n, int32_t nb, const int32_t* ia_p, const int32_t* ja_p, const T* a_p, T* b, T* x,
                int32_t& status, int32_t solution_on_b, int32_t solve, int32_t* positive, int32_t* negative) {
  OneBased<const int32_t> ia(ia_p, n + 1), ja(ja_p, n);
  OneBased<const T> a(a_p, n);
  constexpr bool real = std::is_same_v<T, double>;
  if (positive) *positive = 0;
  if (negative) *negative = 0;
  for (int32_t i = 1; i <= n; ++i) {
    if (ia(i + 1) - 1 != ia(i)) {
      status = i;
      return;
    }
    if (std::abs(a(i)) == 0.0) {
      status = -i;
      return;
    }
    if constexpr (real) {
      if (a(i) < 0) {
        if (negative) ++*negative;
      } else if (positive) {
        ++*positive;
      }
    }
  }
  if constexpr (!real) status = 0;
  if (solve != 1) return;
  status = 0;
  if (nb == 1) {
    for (int32_t i = 1; i <= n; ++i) x[ja(ia(i)) - 1] = divide(b[i - 1], a(i));
  } else {
    for (int32_t i = 1; i <= n; ++i) {
      const int64_t c = ja(ia(i));
      const T r = divide(T(1.0), a(i));
      for (int64_t k = 0; k < nb; ++k) x[k * n + c - 1] = b[k * n + c - 1] * r;
    }
  }
  if (solution_on_b == 1) std::memmove(b, x, sizeof(T) * (size_t)n * (size_t)nb);
}

template void diag_solve<double>(int32_t, int32_t, const int32_t*, const int32_t*, const double*, double*,
                                 double*, int32_t&, int32_t, int32_t, int32_t*, int32_t*);
template void diag_solve<std::complex<double>>(int32_t, int32_t, const int32_t*, const int32_t*,
                                               const std::complex<double>*, std::complex<double>*,
                                               std::complex<double>*, int32_t&, int32_t, int32_t, int32_t*,
                                               int32_t*);

}  // namespace varnexo::driver

using varnexo::driver::diag_solve;
using dcomplex_t = std::complex<double>;

extern "C" {

VARNEXO_EXPORT void diag_varnexo_(const int32_t* neqns, const int32_t* nb, const int32_t* ia,
                                  const int32_t* ja, const double* a, double* b, double* x, int32_t* status,
                                  const int32_t* solution_on_b, const int32_t* solve, int32_t* positive_count,
                                  int32_t* negative_count) {
  diag_solve<double>(*neqns, *nb, ia, ja, a, b, x, *status, *solution_on_b, *solve, positive_count,
                     negative_count);
}
VARNEXO_UNDERSCORE_ALIAS(diag_varnexo_);

VARNEXO_EXPORT void c_diag_varnexo_(const int32_t* neqns, const int32_t* nb, const int32_t* ia,
                                    const int32_t* ja, const double* a, double* b, double* x, int32_t* status,
                                    const int32_t* solution_on_b, const int32_t* solve) {
  diag_solve<dcomplex_t>(*neqns, *nb, ia, ja, reinterpret_cast<const dcomplex_t*>(a),
                         reinterpret_cast<dcomplex_t*>(b), reinterpret_cast<dcomplex_t*>(x), *status,
                         *solution_on_b, *solve, nullptr, nullptr);
}
VARNEXO_UNDERSCORE_ALIAS(c_diag_varnexo_);

}  // extern "C"
