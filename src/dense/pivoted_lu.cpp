// LU of a diagonal block with diagonal pivoting (symmetric indefinite blocks mirrored to full
// storage) or complete pivoting (unsymmetric blocks), small pivots perturbed, written once over
// the scalar type; with their exported entries (d/s/zgetf2, d/zgetc2).
#include "dense/pivoted_lu.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/blas.h"
#include "common/export.h"
#include "common/onebased.h"
#include "dense/dense_entries.h"
#include "dense/dense_view.h"
#include "dense/perturbation.h"

namespace varnexo::dense {

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
    count_sign(a(j, j), false, npos, nneg);
    if (j < m) {
      const T r = T(1) / a(j, j);
      for (int i = j + 1; i <= m; ++i) a(i, j) *= r;
    }
    if (j < mn)
      blas::ger(m - j, n - j, T(-1), a.at(j + 1, j), 1, a.at(j, j + 1), lda, a.at(j + 1, j + 1), lda);
  }
}

template <class T>
void getc2(int n, T* ap, int lda, int32_t* ipiv_p, int32_t* jpiv_p, int32_t& npert, double eps) {
  const DenseView<T> a(ap, lda, n, n);
  const OneBased<int32_t> ipiv(ipiv_p, n), jpiv(jpiv_p, n);
  const Perturbation<T> pert = perturbation<T>(eps, 1.0e-13);
  for (int k = 1; k <= n; ++k) {
    int ipv = k, jpv = k;
    real_t<T> best = 0;
    for (int i = k; i <= n; ++i)
      for (int j = k; j <= n; ++j)
        if (modulus(a(i, j)) >= best) best = modulus(a(i, j)), ipv = i, jpv = j;  // last maximum wins
    if (ipv != k)
      for (int c = 1; c <= n; ++c) std::swap(a(k, c), a(ipv, c));
    ipiv(k) = ipv;
    if (jpv != k)
      for (int r = 1; r <= n; ++r) std::swap(a(r, k), a(r, jpv));
    jpiv(k) = jpv;
    if (modulus(a(k, k)) <= pert.threshold) {
      ++npert;
      a(k, k) = signed_replacement(a(k, k), pert.replacement);
    }
    const T pivot = a(k, k);
    for (int i = k + 1; i <= n; ++i) a(i, k) /= pivot;
    if (k < n)
      blas::ger(n - k, n - k, T(-1), a.at(k + 1, k), 1, a.at(k, k + 1), lda, a.at(k + 1, k + 1), lda);
  }
}

template void getf2<double>(int, int, double*, int, int32_t*, int32_t&, int32_t*, int32_t*, double);
template void getf2<float>(int, int, float*, int, int32_t*, int32_t&, int32_t*, int32_t*, double);
template void getf2<dcomplex>(int, int, dcomplex*, int, int32_t*, int32_t&, int32_t*, int32_t*, double);
template void getf2<scomplex>(int, int, scomplex*, int, int32_t*, int32_t&, int32_t*, int32_t*, double);
template void getc2<double>(int, double*, int, int32_t*, int32_t*, int32_t&, double);
template void getc2<float>(int, float*, int, int32_t*, int32_t*, int32_t&, double);
template void getc2<dcomplex>(int, dcomplex*, int, int32_t*, int32_t*, int32_t&, double);
template void getc2<scomplex>(int, scomplex*, int, int32_t*, int32_t*, int32_t&, double);

namespace {

void report(const char* name, int32_t info) {
  const int position = -info;
  xerbla_(name, &position, std::strlen(name));
}

// getf2's argument checks: m < 0 gives info -1, n < 0 gives -2, lda < max(1, m) gives -4.
template <class T>
void getf2_entry(const char* name, const int32_t* m, const int32_t* n, T* a, const int32_t* lda,
                 int32_t* ipiv, int32_t* npert, int32_t* npos, int32_t* nneg, const double* eps,
                 int32_t* info) {
  *info = *m < 0 ? -1 : *n < 0 ? -2 : *lda < std::max(1, *m) ? -4 : 0;
  if (*info != 0) return report(name, *info);
  getf2(*m, *n, a, *lda, ipiv, *npert, npos, nneg, *eps);
}

// getc2's argument checks: n < 0 gives info -1, lda < max(1, n) gives -3.
template <class T>
void getc2_entry(const char* name, const int32_t* n, T* a, const int32_t* lda, int32_t* ipiv, int32_t* jpiv,
                 int32_t* npert, const double* eps, int32_t* info) {
  *info = *n < 0 ? -1 : *lda < std::max(1, *n) ? -3 : 0;
  if (*info != 0) return report(name, *info);
  getc2(*n, a, *lda, ipiv, jpiv, *npert, *eps);
}

}  // namespace
}  // namespace varnexo::dense

namespace vd = varnexo::dense;

extern "C" VARNEXO_EXPORT void dgetf2_varnexo_(const int32_t* m, const int32_t* n, double* a,
                                               const int32_t* lda, int32_t* ipiv, int32_t* npert,
                                               int32_t* npos, int32_t* nneg, const double* eps,
                                               int32_t* info) {
  vd::getf2_entry("DGETF2", m, n, a, lda, ipiv, npert, npos, nneg, eps, info);
}
VARNEXO_UNDERSCORE_ALIAS(dgetf2_varnexo_);

extern "C" VARNEXO_EXPORT void sgetf2_varnexo_(const int32_t* m, const int32_t* n, float* a,
                                               const int32_t* lda, int32_t* ipiv, int32_t* npert,
                                               int32_t* npos, int32_t* nneg, const double* eps,
                                               int32_t* info) {
  vd::getf2_entry("SGETF2", m, n, a, lda, ipiv, npert, npos, nneg, eps, info);
}
VARNEXO_UNDERSCORE_ALIAS(sgetf2_varnexo_);

extern "C" VARNEXO_EXPORT void zgetf2_varnexo_(const int32_t* m, const int32_t* n, dcomplex* a,
                                               const int32_t* lda, int32_t* ipiv, int32_t* npert,
                                               const double* eps, int32_t* info) {
  vd::getf2_entry<dcomplex>("ZGETF2", m, n, a, lda, ipiv, npert, nullptr, nullptr, eps, info);
}
VARNEXO_UNDERSCORE_ALIAS(zgetf2_varnexo_);

extern "C" VARNEXO_EXPORT void dgetc2_varnexo_(const int32_t* n, double* a, const int32_t* lda, int32_t* ipiv,
                                               int32_t* jpiv, int32_t* npert, const double* eps,
                                               int32_t* info) {
  vd::getc2_entry("DGETC2", n, a, lda, ipiv, jpiv, npert, eps, info);
}
VARNEXO_UNDERSCORE_ALIAS(dgetc2_varnexo_);

extern "C" VARNEXO_EXPORT void zgetc2_varnexo_(const int32_t* n, dcomplex* a, const int32_t* lda,
                                               int32_t* ipiv, int32_t* jpiv, int32_t* npert,
                                               const double* eps, int32_t* info) {
  vd::getc2_entry("ZGETC2", n, a, lda, ipiv, jpiv, npert, eps, info);
}
VARNEXO_UNDERSCORE_ALIAS(zgetc2_varnexo_);
