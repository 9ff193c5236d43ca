// Complete-pivoting LU of an unsymmetric supernode's diagonal block (factor stage), with
// perturbation of small pivots, written once over the scalar type.
#include "dense/pivoted_lu.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/export.h"
#include "common/onebased.h"
#include "dense/bunch_kaufman.h"
#include "dense/dense_view.h"

namespace varnexo::factor {

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
      const real_t<T> r = std::abs(pert.replacement);
      a(k, k) = std::real(a(k, k)) < 0 ? T(-r) : T(r);
    }
    const T pivot = a(k, k);
    for (int i = k + 1; i <= n; ++i) a(i, k) /= pivot;
    if (k < n)
      blas::ger(n - k, n - k, T(-1), a.at(k + 1, k), 1, a.at(k, k + 1), lda, a.at(k + 1, k + 1), lda);
  }
}

template void getc2<double>(int, double*, int, int32_t*, int32_t*, int32_t&, double);
template void getc2<float>(int, float*, int, int32_t*, int32_t*, int32_t&, double);
template void getc2<dcomplex>(int, dcomplex*, int, int32_t*, int32_t*, int32_t&, double);
template void getc2<scomplex>(int, scomplex*, int, int32_t*, int32_t*, int32_t&, double);

namespace {

template <class T>
void getc2_entry(const char* name, const int32_t* n, T* a, const int32_t* lda, int32_t* ipiv, int32_t* jpiv,
                 int32_t* npert, const double* eps, int32_t* info) {
  *info = *n < 0 ? -1 : *lda < std::max(1, *n) ? -3 : 0;
  if (*info != 0) {
    const int position = -*info;
    xerbla_(name, &position, std::strlen(name));
    return;
  }
  getc2(*n, a, *lda, ipiv, jpiv, *npert, *eps);
}

}  // namespace
}  // namespace varnexo::factor

extern "C" VARNEXO_EXPORT void dgetc2_varnexo_(const int32_t* n, double* a, const int32_t* lda, int32_t* ipiv,
                                               int32_t* jpiv, int32_t* npert, const double* eps,
                                               int32_t* info) {
  varnexo::factor::getc2_entry("DGETC2", n, a, lda, ipiv, jpiv, npert, eps, info);
}
VARNEXO_UNDERSCORE_ALIAS(dgetc2_varnexo_);

extern "C" VARNEXO_EXPORT void zgetc2_varnexo_(const int32_t* n, dcomplex* a, const int32_t* lda,
                                               int32_t* ipiv, int32_t* jpiv, int32_t* npert,
                                               const double* eps, int32_t* info) {
  varnexo::factor::getc2_entry("ZGETC2", n, a, lda, ipiv, jpiv, npert, eps, info);
}
VARNEXO_UNDERSCORE_ALIAS(zgetc2_varnexo_);
