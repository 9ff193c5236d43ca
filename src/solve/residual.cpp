// Products with the caller's matrix and residuals (solve -> refine), see residual.h; and their
// Fortran-style entries for real and complex values.
#include "solve/residual.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "common/export.h"
#include "common/scalar.h"
#include "solve/solve_entries.h"

namespace varnexo::solve {

Storage storage_of(const MatrixKind* kind) {
  if (kind == nullptr || !kind->symmetric_storage()) return Storage::full;
  return kind->hermitian() ? Storage::hermitian : Storage::symmetric;
}

namespace {

// out = sign·op(A)·x accumulated into out (which holds y = 0 or r = b on entry).
template <class T>
void accumulate(bool transposed, int32_t n, int32_t nb, Storage storage, const int32_t* ia, const int32_t* ja,
                const T* a, const T* x, T* out, T sign, T* rowbuf) {
  const int64_t ld = n;
  if (storage != Storage::full) {
    for (int32_t i = 1; i <= n; ++i) {
      const int32_t d = ia[i - 1];
      for (int32_t j = 0; j < nb; ++j) rowbuf[j] = a[d - 1] * x[j * ld + i - 1];
      for (int32_t k = d + 1; k < ia[i]; ++k) {
        const int32_t c = ja[k - 1];
        const T v = a[k - 1];
        const T mirrored = storage == Storage::hermitian ? conj(v) : v;
        for (int32_t j = 0; j < nb; ++j) {
          out[j * ld + c - 1] += sign * mirrored * x[j * ld + i - 1];
          rowbuf[j] += v * x[j * ld + c - 1];
        }
      }
      for (int32_t j = 0; j < nb; ++j) out[j * ld + i - 1] += sign * rowbuf[j];
    }
    return;
  }
  if (transposed) {
    for (int32_t i = 1; i <= n; ++i)
      for (int32_t k = ia[i - 1]; k < ia[i]; ++k)
        for (int32_t j = 0; j < nb; ++j) out[j * ld + ja[k - 1] - 1] += sign * a[k - 1] * x[j * ld + i - 1];
    return;
  }
  for (int32_t i = 1; i <= n; ++i) {
    std::fill(rowbuf, rowbuf + nb, T(0));
    for (int32_t k = ia[i - 1]; k < ia[i]; ++k)
      for (int32_t j = 0; j < nb; ++j) rowbuf[j] += a[k - 1] * x[j * ld + ja[k - 1] - 1];
    for (int32_t j = 0; j < nb; ++j) out[j * ld + i - 1] += sign * rowbuf[j];
  }
}

// nr / (na·nx + nb) for nonnegative norms, without the overflow or underflow of the product: the
// terms are scaled by the power of two of the larger first, which leaves the quotient as it is.
// NaN when a norm is not finite (a matrix whose row sums overflow has no backward error);
// 1 for r ≠ 0 over a zero denominator, 0 for 0/0.
double relative_residual(double nr, double na, double nx, double nb) {
  if (!std::isfinite(nr) || !std::isfinite(na) || !std::isfinite(nx) || !std::isfinite(nb))
    return std::numeric_limits<double>::quiet_NaN();
  const bool product = na > 0.0 && nx > 0.0;
  if (!product && nb == 0.0) return nr > 0.0 ? 1.0 : 0.0;
  const int ep = product ? std::ilogb(na) + std::ilogb(nx) : std::numeric_limits<int>::min();
  const int e = nb > 0.0 ? std::max(ep, std::ilogb(nb)) : ep;
  // Each mantissa lies in [1, 2): the scaled denominator lies in (0, 6].
  const double scaled_product =
      product ? std::scalbn(std::scalbn(na, -std::ilogb(na)) * std::scalbn(nx, -std::ilogb(nx)), ep - e)
              : 0.0;
  return std::scalbn(nr, -e) / (scaled_product + std::scalbn(nb, -e));
}

}  // namespace

template <class T>
void amuxy(bool transposed, int32_t n, int32_t nb, Storage storage, const int32_t* ia, const int32_t* ja,
           const T* a, const T* x, T* y, T* rowbuf) {
  std::fill(y, y + static_cast<int64_t>(n) * nb, T(0));
  accumulate(transposed, n, nb, storage, ia, ja, a, x, y, T(1), rowbuf);
}

template <class T>
double amuxy_res(bool transposed, int32_t n, int32_t nb, Storage storage, const int32_t* ia,
                 const int32_t* ja, const T* a, const T* x, T* r, const T* b, T* rowbuf) {
  std::copy(b, b + static_cast<int64_t>(n) * nb, r);
  accumulate(transposed, n, nb, storage, ia, ja, a, x, r, T(-1), rowbuf);
  double norm = 0.0;
  for (int32_t i = 0; i < n; ++i)
    for (int32_t j = 0; j < nb; ++j) norm += std::abs(r[static_cast<int64_t>(j) * n + i]);
  return norm;
}

template <class T>
double maxnorm_a(int32_t n, const int32_t* ia, const int32_t* ja, const T* a) {
  double m = 0.0;
  for (int32_t i = 1; i <= n; ++i)
    for (int32_t k = ia[i - 1]; k < ia[i]; ++k)
      if (ja[k - 1] != i) m = std::max(m, static_cast<double>(std::abs(a[k - 1])));
  return m;
}

template <class T>
double norm_inf(bool transposed, int32_t n, Storage storage, const int32_t* ia, const int32_t* ja,
                const T* a) {
  // The row sums of |op(A)|; a transposed full matrix sums its columns, and the one-triangle
  // storage adds each off-diagonal entry to its row and to its mirror's.
  std::vector<double> sums(static_cast<size_t>(n), 0.0);
  for (int32_t i = 1; i <= n; ++i) {
    for (int32_t k = ia[i - 1]; k < ia[i]; ++k) {
      const int32_t j = ja[k - 1];
      const double v = std::abs(a[k - 1]);
      sums[(storage == Storage::full && transposed ? j : i) - 1] += v;
      if (storage != Storage::full && j != i) sums[j - 1] += v;
    }
  }
  return n > 0 ? *std::max_element(sums.begin(), sums.end()) : 0.0;
}

template <class T>
double backward_error(bool transposed, int32_t n, int32_t nb, Storage storage, const int32_t* ia,
                      const int32_t* ja, const T* a, const T* x, const T* b, T* r, T* rowbuf) {
  amuxy_res(transposed, n, nb, storage, ia, ja, a, x, r, b, rowbuf);
  const double norm_a = norm_inf(transposed, n, storage, ia, ja, a);
  double worst = 0.0;
  for (int32_t j = 0; j < nb; ++j) {
    // Maxima that keep a NaN (an entry of A·x that overflowed into ∞ - ∞), which std::max drops.
    double nr = 0.0, nx = 0.0, nbv = 0.0;
    const auto keep_max = [](double& m, double v) {
      if (!(v <= m)) m = v;
    };
    for (int64_t i = 0; i < n; ++i) {
      const int64_t at = static_cast<int64_t>(j) * n + i;
      keep_max(nr, static_cast<double>(std::abs(r[at])));
      keep_max(nx, static_cast<double>(std::abs(x[at])));
      keep_max(nbv, static_cast<double>(std::abs(b[at])));
    }
    const double omega = relative_residual(nr, norm_a, nx, nbv);
    if (!(omega <= worst)) worst = omega;
    if (std::isnan(worst)) break;  // kept as the worst: no later column compares above a NaN
  }
  return worst;
}

template void amuxy<double>(bool, int32_t, int32_t, Storage, const int32_t*, const int32_t*, const double*,
                            const double*, double*, double*);
template void amuxy<std::complex<double>>(bool, int32_t, int32_t, Storage, const int32_t*, const int32_t*,
                                          const std::complex<double>*, const std::complex<double>*,
                                          std::complex<double>*, std::complex<double>*);
template double amuxy_res<double>(bool, int32_t, int32_t, Storage, const int32_t*, const int32_t*,
                                  const double*, const double*, double*, const double*, double*);
template double amuxy_res<std::complex<double>>(bool, int32_t, int32_t, Storage, const int32_t*,
                                                const int32_t*, const std::complex<double>*,
                                                const std::complex<double>*, std::complex<double>*,
                                                const std::complex<double>*, std::complex<double>*);
template double backward_error<double>(bool, int32_t, int32_t, Storage, const int32_t*, const int32_t*,
                                       const double*, const double*, const double*, double*, double*);
template double backward_error<std::complex<double>>(bool, int32_t, int32_t, Storage, const int32_t*,
                                                     const int32_t*, const std::complex<double>*,
                                                     const std::complex<double>*, const std::complex<double>*,
                                                     std::complex<double>*, std::complex<double>*);
template double norm_inf<double>(bool, int32_t, Storage, const int32_t*, const int32_t*, const double*);
template double norm_inf<std::complex<double>>(bool, int32_t, Storage, const int32_t*, const int32_t*,
                                               const std::complex<double>*);
template double maxnorm_a<double>(int32_t, const int32_t*, const int32_t*, const double*);
template double maxnorm_a<std::complex<double>>(int32_t, const int32_t*, const int32_t*,
                                                const std::complex<double>*);

}  // namespace varnexo::solve

namespace {
using varnexo::find_kind;
using varnexo::solve::storage_of;
using dcplx = std::complex<double>;
}  // namespace

// y = A·x (Aᵀ·x when transposed != 0, full storage only). procs: (processor count, buffer
// size), not read: one pass serves every count. rowbuf: nb values.
extern "C" VARNEXO_EXPORT void amuxy_varnexo_(const int32_t* transposed, const int32_t* n, const int32_t* nb,
                                              const int32_t* type, const int32_t* procs, const int32_t* ia,
                                              const int32_t* ja, const double* a, const double* x, double* y,
                                              double* rowbuf) {
  (void)procs;
  varnexo::solve::amuxy(*transposed != 0, *n, *nb, storage_of(find_kind(*type)), ia, ja, a, x, y, rowbuf);
}
VARNEXO_UNDERSCORE_ALIAS(amuxy_varnexo_);

// r = b - A·x (or b - Aᵀ·x) and norm = Σ|r(i, j)|. work is not read.
extern "C" VARNEXO_EXPORT void amuxy_res_varnexo_(const int32_t* transposed, const int32_t* n,
                                                  const int32_t* nb, const int32_t* type,
                                                  const int32_t* procs, const int32_t* ia, const int32_t* ja,
                                                  const double* a, const double* x, double* r, double* rowbuf,
                                                  const double* b, double* work, double* norm) {
  (void)procs;
  (void)work;
  *norm = varnexo::solve::amuxy_res(*transposed != 0, *n, *nb, storage_of(find_kind(*type)), ia, ja, a, x, r,
                                    b, rowbuf);
}
VARNEXO_UNDERSCORE_ALIAS(amuxy_res_varnexo_);

// Complex twin of amuxy_varnexo_: a, x, y, rowbuf hold pairs of doubles.
extern "C" VARNEXO_EXPORT void c_amuxy_varnexo_(const int32_t* transposed, const int32_t* n,
                                                const int32_t* nb, const int32_t* type, const int32_t* procs,
                                                const int32_t* ia, const int32_t* ja, const dcplx* a,
                                                const dcplx* x, dcplx* y, dcplx* rowbuf) {
  (void)procs;
  varnexo::solve::amuxy(*transposed != 0, *n, *nb, storage_of(find_kind(*type)), ia, ja, a, x, y, rowbuf);
}
VARNEXO_UNDERSCORE_ALIAS(c_amuxy_varnexo_);

// Complex twin of amuxy_res_varnexo_; the norm sums the moduli.
extern "C" VARNEXO_EXPORT void c_amuxy_res_varnexo_(const int32_t* transposed, const int32_t* n,
                                                    const int32_t* nb, const int32_t* type,
                                                    const int32_t* procs, const int32_t* ia,
                                                    const int32_t* ja, const dcplx* a, const dcplx* x,
                                                    dcplx* r, dcplx* rowbuf, const dcplx* b, dcplx* work,
                                                    double* norm) {
  (void)procs;
  (void)work;
  *norm = varnexo::solve::amuxy_res(*transposed != 0, *n, *nb, storage_of(find_kind(*type)), ia, ja, a, x, r,
                                    b, rowbuf);
}
VARNEXO_UNDERSCORE_ALIAS(c_amuxy_res_varnexo_);

// Largest |a(k)| off the diagonal; the second argument is not read.
extern "C" VARNEXO_EXPORT void maxnorm_a_(const int32_t* n, const int32_t* unused, const int32_t* ia,
                                          const int32_t* ja, const double* a, double* result) {
  (void)unused;
  *result = varnexo::solve::maxnorm_a(*n, ia, ja, a);
}
VARNEXO_UNDERSCORE_ALIAS(maxnorm_a_);

// Complex twin of maxnorm_a_ (moduli).
extern "C" VARNEXO_EXPORT void c_maxnorm_a_(const int32_t* n, const int32_t* unused, const int32_t* ia,
                                            const int32_t* ja, const dcplx* a, double* result) {
  (void)unused;
  *result = varnexo::solve::maxnorm_a(*n, ia, ja, a);
}
VARNEXO_UNDERSCORE_ALIAS(c_maxnorm_a_);
