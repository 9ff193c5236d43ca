// Bunch–Kaufman factorisation of a Hermitian indefinite diagonal block (factor stage): real
// 1×1 pivots, 2×2 pivots with a conjugate off-diagonal pair, small pivots perturbed. Written
// over the complex scalar type; the symmetric twin is in bunch_kaufman.cpp.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/export.h"
#include "common/onebased.h"
#include "dense/bunch_kaufman.h"
#include "dense/dense_view.h"

namespace varnexo::factor {
namespace {

template <class T>
using R = real_t<T>;

// Symmetric interchange of kk and kp (kk < kp) in the trailing lower triangle of a Hermitian
// block: the entries between them cross the diagonal and are conjugated; diagonals stay real.
template <class T>
void interchange(const DenseView<T>& a, int n, int k, int kk, int kp, int kstep) {
  for (int i = kp + 1; i <= n; ++i) std::swap(a(i, kk), a(i, kp));
  for (int j = kk + 1; j < kp; ++j) {
    const T t = std::conj(a(j, kk));
    a(j, kk) = std::conj(a(kp, j));
    a(kp, j) = t;
  }
  a(kp, kk) = std::conj(a(kp, kk));
  const R<T> r = a(kk, kk).real();
  a(kk, kk) = T(a(kp, kp).real(), 0);
  a(kp, kp) = T(r, 0);
  if (kstep == 2) {
    a(k, k) = T(a(k, k).real(), 0);
    std::swap(a(k + 1, k), a(kp, k));
  }
}

// 1×1 step: A := A - x·xᴴ/d over the trailing lower triangle, x scaled by the real 1/d.
template <class T>
void eliminate_1x1(const DenseView<T>& a, int n, int k) {
  const R<T> d = R<T>(1) / a(k, k).real();
  for (int j = k + 1; j <= n; ++j) {
    const T xj = d * std::conj(a(j, k));
    for (int i = j; i <= n; ++i) a(i, j) -= a(i, k) * xj;
    a(j, j) = T(a(j, j).real(), 0);
  }
  for (int i = k + 1; i <= n; ++i) a(i, k) *= d;
}

// 2×2 step at k, k+1: the multipliers are the two columns times the inverse of the Hermitian
// block [d11 conj(e); e d22], formed from |e| so that the block's determinant stays real.
template <class T>
void eliminate_2x2(const DenseView<T>& a, int n, int k) {
  const R<T> d = std::abs(a(k + 1, k));
  const R<T> d11 = a(k + 1, k + 1).real() / d, d22 = a(k, k).real() / d;
  const R<T> tt = R<T>(1) / (d11 * d22 - R<T>(1));
  const T d21 = a(k + 1, k) / d;
  const R<T> s = tt / d;
  for (int j = k + 2; j <= n; ++j) {
    const T wk = s * (d11 * a(j, k) - d21 * a(j, k + 1));
    const T wkp1 = s * (d22 * a(j, k + 1) - std::conj(d21) * a(j, k));
    for (int i = j; i <= n; ++i) a(i, j) -= a(i, k) * std::conj(wk) + a(i, k + 1) * std::conj(wkp1);
    a(j, k) = wk;
    a(j, k + 1) = wkp1;
    a(j, j) = T(a(j, j).real(), 0);
  }
}

}  // namespace

template <class T>
void hetf2(int n, T* ap, int lda, int32_t* ipiv_p, int32_t& npert, double eps) {
  const DenseView<T> a(ap, lda, n, n);
  const OneBased<int32_t> ipiv(ipiv_p, n);
  const Perturbation<T> pert = perturbation<T>(eps, 1.0e-8);
  const R<T> alpha = std::is_same_v<R<T>, float> ? R<T>(0.6403882f) : R<T>(0.6403882032022076);
  for (int k = 1; k <= n;) {
    int kstep = 1, kp = k, imax = k;
    const R<T> absakk = std::abs(a(k, k).real());
    R<T> colmax = 0;
    for (int i = k + 1; i <= n; ++i)
      if (abs1(a(i, k)) > colmax) colmax = abs1(a(i, k)), imax = i;
    bool choose = true;
    if (std::max(absakk, colmax) <= pert.threshold) {
      ++npert;
      if (colmax == 0 && absakk == 0) {
        a(k, k) = T(pert.replacement, 0);
        choose = false;
      } else if (absakk < colmax) {
        // The largest off-diagonal entry grows to the replacement; the choice below goes on.
        a(imax, k) *= pert.replacement / colmax;
        colmax = pert.replacement;
      } else {
        a(k, k) = T(a(k, k).real() < 0 ? -std::abs(pert.replacement) : std::abs(pert.replacement), 0);
        choose = false;
      }
    }
    if (choose && absakk < alpha * colmax) {
      R<T> rowmax = 0;
      for (int j = k; j < imax; ++j) rowmax = std::max(rowmax, abs1(a(imax, j)));
      for (int i = imax + 1; i <= n; ++i) rowmax = std::max(rowmax, abs1(a(i, imax)));
      if (absakk >= alpha * colmax * (colmax / rowmax)) {
        kp = k;
      } else if (std::abs(a(imax, imax).real()) >= alpha * rowmax) {
        kp = imax;
      } else {
        kp = imax;
        kstep = 2;
      }
    }
    const int kk = k + kstep - 1;
    if (kp != kk) {
      interchange(a, n, k, kk, kp, kstep);
    } else {
      a(k, k) = T(a(k, k).real(), 0);
      if (kstep == 2) a(k + 1, k + 1) = T(a(k + 1, k + 1).real(), 0);
    }
    if (kstep == 1) {
      if (k < n) eliminate_1x1(a, n, k);
      ipiv(k) = kp;
    } else {
      if (k < n - 1) eliminate_2x2(a, n, k);
      ipiv(k) = ipiv(k + 1) = -kp;
    }
    k += kstep;
  }
}

template void hetf2<dcomplex>(int, dcomplex*, int, int32_t*, int32_t&, double);
template void hetf2<scomplex>(int, scomplex*, int, int32_t*, int32_t&, double);

}  // namespace varnexo::factor

// Argument errors (n < 0: info -2, lda < max(1, n): info -4) through xerbla_ with "ZHETF2";
// the lower triangle is always used.
extern "C" VARNEXO_EXPORT void zhetf2_varnexo_(const char*, const int32_t* n, dcomplex* a, const int32_t* lda,
                                               int32_t* ipiv, int32_t* npert, const double* eps,
                                               int32_t* info) {
  *info = *n < 0 ? -2 : *lda < std::max(1, *n) ? -4 : 0;
  if (*info != 0) {
    const int position = -*info;
    xerbla_("ZHETF2", &position, 6);
    return;
  }
  varnexo::factor::hetf2(*n, a, *lda, ipiv, *npert, *eps);
}
VARNEXO_UNDERSCORE_ALIAS(zhetf2_varnexo_);
