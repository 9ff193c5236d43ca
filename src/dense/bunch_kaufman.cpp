// Pivoting kernels of the symmetric indefinite factorisation (factor stage): Bunch–Kaufman
// factorisation and diagonal-pivoting LU of a supernode's diagonal block with pivot
// perturbation and inertia counts, written once over the scalar type.
#include "dense/bunch_kaufman.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "common/export.h"
#include "common/onebased.h"
#include "dense/dense_view.h"

namespace varnexo::factor {
namespace {

// Pivot magnitude of the Bunch–Kaufman search: |x| for real, |Re| + |Im| for complex.
template <class T>
real_t<T> bk_magnitude(T x) {
  return abs1(x);
}

// The replacement of a perturbed pivot: ±replacement with the sign of the real part (+ for 0).
template <class T>
T signed_replacement(T old, real_t<T> replacement) {
  const real_t<T> r = std::abs(replacement);
  if constexpr (is_complex_v<T>)
    return T(old.real() < 0 ? -r : r, 0);
  else
    return old < 0 ? -r : r;
}

template <class T>
void count_sign(T d, bool zero_is_positive, int32_t* npos, int32_t* nneg) {
  if constexpr (!is_complex_v<T>) {
    const bool positive = zero_is_positive ? d >= 0 : d > 0;
    if (positive && npos) ++*npos;
    if (!positive && nneg) ++*nneg;
  } else {
    (void)d, (void)zero_is_positive, (void)npos, (void)nneg;
  }
}

// Symmetric interchange of rows and columns kk and kp (kk < kp) of the trailing lower
// triangle; for a 2×2 step also the element (k+1, k) with (kp, k).
template <class T>
void interchange(const DenseView<T>& a, int n, int k, int kk, int kp, int kstep) {
  for (int i = kp + 1; i <= n; ++i) std::swap(a(i, kk), a(i, kp));
  for (int j = kk + 1; j < kp; ++j) std::swap(a(j, kk), a(kp, j));
  std::swap(a(kk, kk), a(kp, kp));
  if (kstep == 2) std::swap(a(k + 1, k), a(kp, k));
}

// 1×1 step at k: trailing update with -d·x·xᵀ and x scaled by d = 1/a(k,k).
template <class T>
void eliminate_1x1(const DenseView<T>& a, int n, int k, int32_t* npos, int32_t* nneg) {
  if (k == n) {
    count_sign(a(k, k), true, npos, nneg);
    return;
  }
  const T d = T(1) / a(k, k);
  count_sign(d, true, npos, nneg);
  for (int j = k + 1; j <= n; ++j) {
    const T xj = d * a(j, k);
    for (int i = j; i <= n; ++i) a(i, j) -= a(i, k) * xj;
  }
  for (int i = k + 1; i <= n; ++i) a(i, k) *= d;
}

// 2×2 step at k, k+1: trailing update with the inverse of the block, and the block's inertia.
template <class T>
void eliminate_2x2(const DenseView<T>& a, int n, int k, int32_t* npos, int32_t* nneg) {
  T d21 = a(k + 1, k);
  const T d11 = a(k + 1, k + 1) / d21;
  const T d22 = a(k, k) / d21;
  const T t = T(1) / (d11 * d22 - T(1));
  d21 = t / d21;
  for (int j = k + 2; j <= n; ++j) {
    const T wk = d21 * (d11 * a(j, k) - a(j, k + 1));
    const T wkp1 = d21 * (d22 * a(j, k + 1) - a(j, k));
    for (int i = j; i <= n; ++i) a(i, j) -= a(i, k) * wk + a(i, k + 1) * wkp1;
    a(j, k) = wk;
    a(j, k + 1) = wkp1;
  }
  if constexpr (!is_complex_v<T>) {
    // t has the sign of the block's determinant.
    if (t <= 0) {
      if (npos) ++*npos;
      if (nneg) ++*nneg;
    } else {
      const bool negative = a(k, k) <= 0 || a(k + 1, k + 1) <= 0;
      int32_t* counter = negative ? nneg : npos;
      if (counter) *counter += 2;
    }
  } else {
    (void)npos, (void)nneg;
  }
}

void report(const char* name, int32_t info) {
  const int position = -info;
  xerbla_(name, &position, std::strlen(name));
}

}  // namespace

template <class T>
Perturbation<T> perturbation(double eps, double replacement_at_zero) {
  using R = real_t<T>;
  eps = std::fabs(eps);  // a negative ε would disable the protection against zero pivots
  if constexpr (std::is_same_v<R, float>) {
    if (eps <= 5.0e-8) return {0.0f, R(replacement_at_zero)};
    return {R(eps), R(eps)};
  } else {
    if (eps == 0.0) return {0.0, replacement_at_zero};
    return {eps, eps};
  }
}

template <class T>
void sytf2(int n, T* ap, int lda, int32_t* ipiv_p, int32_t& npert, int32_t* npos, int32_t* nneg, double eps) {
  using R = real_t<T>;
  const DenseView<T> a(ap, lda, n, n);
  const OneBased<int32_t> ipiv(ipiv_p, n);
  const Perturbation<T> pert = perturbation<T>(eps, 1.0e-8);
  const R alpha = std::is_same_v<R, float> ? R(0.6403882f) : R(0.6403882032022076);
  for (int k = 1; k <= n;) {
    int kstep = 1, kp = k, imax = k;
    const R absakk = bk_magnitude(a(k, k));
    R colmax = 0;
    for (int i = k + 1; i <= n; ++i)
      if (bk_magnitude(a(i, k)) > colmax) colmax = bk_magnitude(a(i, k)), imax = i;
    if (std::max(absakk, colmax) <= pert.threshold) {
      ++npert;
      a(k, k) = signed_replacement(a(k, k), pert.replacement);
    } else if (absakk < alpha * colmax) {
      R rowmax = 0;  // largest off-diagonal magnitude in row/column imax of the trailing triangle
      for (int j = k; j < imax; ++j) rowmax = std::max(rowmax, bk_magnitude(a(imax, j)));
      for (int i = imax + 1; i <= n; ++i) rowmax = std::max(rowmax, bk_magnitude(a(i, imax)));
      if (absakk >= alpha * colmax * (colmax / rowmax)) {
        kp = k;
      } else if (bk_magnitude(a(imax, imax)) >= alpha * rowmax) {
        kp = imax;
      } else {
        kp = imax;
        kstep = 2;
      }
    }
    const int kk = k + kstep - 1;
    if (kp != kk) interchange(a, n, k, kk, kp, kstep);
    if (kstep == 1) {
      eliminate_1x1(a, n, k, npos, nneg);
      ipiv(k) = kp;
    } else {
      eliminate_2x2(a, n, k, npos, nneg);
      ipiv(k) = ipiv(k + 1) = -kp;
    }
    k += kstep;
  }
}

template <class T>
void getf2(int m, int n, T* ap, int lda, int32_t* ipiv_p, int32_t& npert, int32_t* npos, int32_t* nneg,
           double eps) {
  const DenseView<T> a(ap, lda, m, n);
  const int mn = std::min(m, n);
  const OneBased<int32_t> ipiv(ipiv_p, mn);
  const Perturbation<T> pert = perturbation<T>(eps, 1.0e-8);
  for (int j = 1; j <= mn; ++j) {
    int p = j;
    real_t<T> best = modulus(a(j, j));
    for (int i = j + 1; i <= mn; ++i)
      if (modulus(a(i, i)) >= best) best = modulus(a(i, i)), p = i;  // later index on ties
    if (p != j) {
      for (int c = 1; c <= n; ++c) std::swap(a(j, c), a(p, c));
      for (int r = 1; r <= m; ++r) std::swap(a(r, j), a(r, p));
    }
    ipiv(j) = p;
    if (modulus(a(j, j)) <= pert.threshold) {
      ++npert;
      a(j, j) = signed_replacement(a(j, j), pert.replacement);
    }
    if constexpr (!is_complex_v<T>) count_sign(a(j, j), false, npos, nneg);
    if (j < m) {
      const T r = T(1) / a(j, j);
      for (int i = j + 1; i <= m; ++i) a(i, j) *= r;
    }
    if (j < mn)
      blas::ger(m - j, n - j, T(-1), a.at(j + 1, j), 1, a.at(j, j + 1), lda, a.at(j + 1, j + 1), lda);
  }
}

#define VARNEXO_INSTANTIATE(T)                                                          \
  template Perturbation<T> perturbation<T>(double, double);                             \
  template void sytf2<T>(int, T*, int, int32_t*, int32_t&, int32_t*, int32_t*, double); \
  template void getf2<T>(int, int, T*, int, int32_t*, int32_t&, int32_t*, int32_t*, double);
VARNEXO_INSTANTIATE(double)
VARNEXO_INSTANTIATE(float)
VARNEXO_INSTANTIATE(dcomplex)
VARNEXO_INSTANTIATE(scomplex)
#undef VARNEXO_INSTANTIATE

namespace {

// Argument checks shared by the wrappers; returns info (0 when the arguments are valid).
int32_t check_sytf2(const char* name, int32_t n, int32_t lda) {
  const int32_t info = n < 0 ? -2 : lda < std::max(1, n) ? -4 : 0;
  if (info != 0) report(name, info);
  return info;
}

int32_t check_getf2(const char* name, int32_t m, int32_t n, int32_t lda) {
  const int32_t info = m < 0 ? -1 : n < 0 ? -2 : lda < std::max(1, m) ? -4 : 0;
  if (info != 0) report(name, info);
  return info;
}

template <class T>
void sytf2_entry(const char* name, const int32_t* n, T* a, const int32_t* lda, int32_t* ipiv, int32_t* npert,
                 int32_t* npos, int32_t* nneg, const double* eps, int32_t* info) {
  *info = check_sytf2(name, *n, *lda);
  if (*info == 0) sytf2(*n, a, *lda, ipiv, *npert, npos, nneg, *eps);
}

template <class T>
void getf2_entry(const char* name, const int32_t* m, const int32_t* n, T* a, const int32_t* lda,
                 int32_t* ipiv, int32_t* npert, int32_t* npos, int32_t* nneg, const double* eps,
                 int32_t* info) {
  *info = check_getf2(name, *m, *n, *lda);
  if (*info == 0) getf2(*m, *n, a, *lda, ipiv, *npert, npos, nneg, *eps);
}

}  // namespace
}  // namespace varnexo::factor

using varnexo::factor::getf2_entry;
using varnexo::factor::sytf2_entry;

extern "C" VARNEXO_EXPORT void dsytf2_varnexo_(const char*, const int32_t* n, double* a, const int32_t* lda,
                                               int32_t* ipiv, int32_t* npert, int32_t* npos, int32_t* nneg,
                                               const double* eps, int32_t* info) {
  sytf2_entry("DSYTF2", n, a, lda, ipiv, npert, npos, nneg, eps, info);
}
VARNEXO_UNDERSCORE_ALIAS(dsytf2_varnexo_);

extern "C" VARNEXO_EXPORT void ssytf2_varnexo_(const char*, const int32_t* n, float* a, const int32_t* lda,
                                               int32_t* ipiv, int32_t* npert, int32_t* npos, int32_t* nneg,
                                               const double* eps, int32_t* info) {
  sytf2_entry("SSYTF2", n, a, lda, ipiv, npert, npos, nneg, eps, info);
}
VARNEXO_UNDERSCORE_ALIAS(ssytf2_varnexo_);

extern "C" VARNEXO_EXPORT void zsytf2_varnexo_(const char*, const int32_t* n, dcomplex* a, const int32_t* lda,
                                               int32_t* ipiv, int32_t* npert, const double* eps,
                                               int32_t* info) {
  sytf2_entry<dcomplex>("ZSYTF2", n, a, lda, ipiv, npert, nullptr, nullptr, eps, info);
}
VARNEXO_UNDERSCORE_ALIAS(zsytf2_varnexo_);

extern "C" VARNEXO_EXPORT void dgetf2_varnexo_(const int32_t* m, const int32_t* n, double* a,
                                               const int32_t* lda, int32_t* ipiv, int32_t* npert,
                                               int32_t* npos, int32_t* nneg, const double* eps,
                                               int32_t* info) {
  getf2_entry("DGETF2", m, n, a, lda, ipiv, npert, npos, nneg, eps, info);
}
VARNEXO_UNDERSCORE_ALIAS(dgetf2_varnexo_);

extern "C" VARNEXO_EXPORT void sgetf2_varnexo_(const int32_t* m, const int32_t* n, float* a,
                                               const int32_t* lda, int32_t* ipiv, int32_t* npert,
                                               int32_t* npos, int32_t* nneg, const double* eps,
                                               int32_t* info) {
  getf2_entry("SGETF2", m, n, a, lda, ipiv, npert, npos, nneg, eps, info);
}
VARNEXO_UNDERSCORE_ALIAS(sgetf2_varnexo_);

extern "C" VARNEXO_EXPORT void zgetf2_varnexo_(const int32_t* m, const int32_t* n, dcomplex* a,
                                               const int32_t* lda, int32_t* ipiv, int32_t* npert,
                                               const double* eps, int32_t* info) {
  getf2_entry<dcomplex>("ZGETF2", m, n, a, lda, ipiv, npert, nullptr, nullptr, eps, info);
}
VARNEXO_UNDERSCORE_ALIAS(zgetf2_varnexo_);
