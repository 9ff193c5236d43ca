// Dense routines applying a Bunch–Kaufman factored diagonal block (the block solves, and the
// off-diagonal block of the factorisation): forward sweep, D solve, backward sweep, written once
// over the scalar type and the Symmetric/Hermitian policy; with their exported entries.
#include "dense/block_diagonal.h"

#include <algorithm>
#include <cstring>

#include "common/export.h"
#include "common/onebased.h"
#include "dense/dense_entries.h"
#include "dense/dense_view.h"

namespace varnexo::dense {
namespace {

// Interchange and L elimination of step k; returns the width of the step (1 or 2).
template <class T>
int forward_step(const DenseView<const T>& a, int n, int nrhs, const OneBased<const int32_t>& ipiv, int k,
                 const DenseView<T>& b) {
  const int ldb = int(b.lda());
  if (ipiv(k) > 0) {
    if (ipiv(k) != k) blas::swap(nrhs, b.at(k, 1), ldb, b.at(ipiv(k), 1), ldb);
    if (k < n) blas::ger(n - k, nrhs, T(-1), a.at(k + 1, k), 1, b.at(k, 1), ldb, b.at(k + 1, 1), ldb);
    return 1;
  }
  const int p = -ipiv(k);
  if (p != k + 1) blas::swap(nrhs, b.at(k + 1, 1), ldb, b.at(p, 1), ldb);
  if (k < n - 1) {
    blas::ger(n - k - 1, nrhs, T(-1), a.at(k + 2, k), 1, b.at(k, 1), ldb, b.at(k + 2, 1), ldb);
    blas::ger(n - k - 1, nrhs, T(-1), a.at(k + 2, k + 1), 1, b.at(k + 1, 1), ldb, b.at(k + 2, 1), ldb);
  }
  return 2;
}

// D solve of the block starting at k; returns its width.
template <class T, class P>
int diagonal_step(const DenseView<const T>& a, int nrhs, const OneBased<const int32_t>& ipiv, int k,
                  const DenseView<T>& b) {
  if (ipiv(k) > 0) {
    // A Hermitian pivot is real; its imaginary part is not part of D.
    const T d = P::diagonal(a(k, k));
    blas::scal(nrhs, T(1) / d, b.at(k, 1), int(b.lda()));
    return 1;
  }
  const T e = a(k + 1, k);
  const T alpha = a(k, k) / P::mirror(e);
  const T beta = a(k + 1, k + 1) / e;
  const T delta = alpha * beta - T(1);
  for (int j = 1; j <= nrhs; ++j) {
    const T u = b(k, j) / P::mirror(e);
    const T v = b(k + 1, j) / e;
    b(k, j) = (beta * u - v) / delta;
    b(k + 1, j) = (alpha * v - u) / delta;
  }
  return 2;
}

// B(row, :) -= L(k+1..n, col)ᵀ·B(k+1..n, :), conjugating L for a Hermitian block.
template <class T, class P>
void backward_update(const DenseView<const T>& a, int n, int nrhs, int k, int col, int row,
                     const DenseView<T>& b) {
  const int ldb = int(b.lda());
  if constexpr (P::conjugate && is_complex_v<T>) {
    for (int j = 1; j <= nrhs; ++j) {
      T sum = 0;
      for (int i = k + 1; i <= n; ++i) sum += varnexo::conj(a(i, col)) * b(i, j);
      b(row, j) -= sum;
    }
  } else {
    blas::gemv('T', n - k, nrhs, T(-1), b.at(k + 1, 1), ldb, a.at(k + 1, col), 1, T(1), b.at(row, 1), ldb);
  }
}

}  // namespace

template <class T, class P>
void sytrs_bklfw_noscal(int n, int nrhs, const T* ap, int lda, const int32_t* ipiv_p, T* bp, int ldb) {
  const DenseView<const T> a(ap, lda, n, n);
  const DenseView<T> b(bp, ldb, n, nrhs);
  const OneBased<const int32_t> ipiv(ipiv_p, n);
  for (int k = 1; k <= n;) k += forward_step(a, n, nrhs, ipiv, k, b);
}

template <class T, class P>
void sytrs_bkl_scal(int n, int nrhs, const T* ap, int lda, const int32_t* ipiv_p, T* bp, int ldb) {
  const DenseView<const T> a(ap, lda, n, n);
  const DenseView<T> b(bp, ldb, n, nrhs);
  const OneBased<const int32_t> ipiv(ipiv_p, n);
  for (int k = 1; k <= n;) k += diagonal_step<T, P>(a, nrhs, ipiv, k, b);
}

template <class T, class P>
void sytrs_bklfw(int n, int nrhs, const T* ap, int lda, const int32_t* ipiv_p, T* bp, int ldb) {
  const DenseView<const T> a(ap, lda, n, n);
  const DenseView<T> b(bp, ldb, n, nrhs);
  const OneBased<const int32_t> ipiv(ipiv_p, n);
  for (int k = 1; k <= n;) {
    forward_step(a, n, nrhs, ipiv, k, b);
    k += diagonal_step<T, P>(a, nrhs, ipiv, k, b);
  }
}

template <class T, class P>
void sytrs_bklbw(int n, int nrhs, const T* ap, int lda, const int32_t* ipiv_p, T* bp, int ldb) {
  const DenseView<const T> a(ap, lda, n, n);
  const DenseView<T> b(bp, ldb, n, nrhs);
  const OneBased<const int32_t> ipiv(ipiv_p, n);
  for (int k = n; k >= 1;) {
    if (ipiv(k) > 0) {
      if (k < n) backward_update<T, P>(a, n, nrhs, k, k, k, b);
      if (ipiv(k) != k) blas::swap(nrhs, b.at(k, 1), ldb, b.at(ipiv(k), 1), ldb);
      k -= 1;
    } else {
      if (k < n) {
        backward_update<T, P>(a, n, nrhs, k, k, k, b);
        backward_update<T, P>(a, n, nrhs, k, k - 1, k - 1, b);
      }
      const int p = -ipiv(k);
      if (p != k) blas::swap(nrhs, b.at(k, 1), ldb, b.at(p, 1), ldb);
      k -= 2;
    }
  }
}

#define VARNEXO_INSTANTIATE(T, P)                                                           \
  template void sytrs_bklfw_noscal<T, P>(int, int, const T*, int, const int32_t*, T*, int); \
  template void sytrs_bkl_scal<T, P>(int, int, const T*, int, const int32_t*, T*, int);     \
  template void sytrs_bklfw<T, P>(int, int, const T*, int, const int32_t*, T*, int);        \
  template void sytrs_bklbw<T, P>(int, int, const T*, int, const int32_t*, T*, int);
VARNEXO_INSTANTIATE(double, Symmetric)
VARNEXO_INSTANTIATE(float, Symmetric)
VARNEXO_INSTANTIATE(dcomplex, Symmetric)
VARNEXO_INSTANTIATE(scomplex, Symmetric)
VARNEXO_INSTANTIATE(dcomplex, Hermitian)
VARNEXO_INSTANTIATE(scomplex, Hermitian)
#undef VARNEXO_INSTANTIATE

namespace {

// Argument checks of the entry points, then the routine. Returns nothing; info carries the result.
template <class T>
void checked(const char* name, void (*routine)(int, int, const T*, int, const int32_t*, T*, int),
             const int32_t* n, const int32_t* nrhs, const T* a, const int32_t* lda, const int32_t* ipiv, T* b,
             const int32_t* ldb, int32_t* info) {
  *info = *n < 0 ? -2 : *nrhs < 0 ? -3 : *lda < std::max(1, *n) ? -5 : *ldb < std::max(1, *n) ? -8 : 0;
  if (*info != 0) {
    const int position = -*info;
    xerbla_(name, &position, std::strlen(name));
    return;
  }
  if (*n == 0 || *nrhs == 0) return;
  routine(*n, *nrhs, a, *lda, ipiv, b, *ldb);
}

}  // namespace
}  // namespace varnexo::dense

using varnexo::dense::checked;
namespace vd = varnexo::dense;

extern "C" VARNEXO_EXPORT void dsytrs_bklfw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(double)) {
  (void)uplo;
  checked("DSYTRS", vd::sytrs_bklfw<double>, n, nrhs, a, lda, ipiv, b, ldb, info);
}
VARNEXO_UNDERSCORE_ALIAS(dsytrs_bklfw_varnexo_);

extern "C" VARNEXO_EXPORT void dsytrs_bklfw_noscal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(double)) {
  (void)uplo;
  checked("DSYTRS", vd::sytrs_bklfw_noscal<double>, n, nrhs, a, lda, ipiv, b, ldb, info);
}
VARNEXO_UNDERSCORE_ALIAS(dsytrs_bklfw_noscal_varnexo_);

extern "C" VARNEXO_EXPORT void dsytrs_bkl_scal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(double)) {
  (void)uplo;
  checked("DSYTRS", vd::sytrs_bkl_scal<double>, n, nrhs, a, lda, ipiv, b, ldb, info);
}
VARNEXO_UNDERSCORE_ALIAS(dsytrs_bkl_scal_varnexo_);

extern "C" VARNEXO_EXPORT void dsytrs_bklbw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(double)) {
  (void)uplo;
  checked("DSYTRS", vd::sytrs_bklbw<double>, n, nrhs, a, lda, ipiv, b, ldb, info);
}
VARNEXO_UNDERSCORE_ALIAS(dsytrs_bklbw_varnexo_);

extern "C" VARNEXO_EXPORT void ssytrs_bklfw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(float)) {
  (void)uplo;
  checked("SSYTRS", vd::sytrs_bklfw<float>, n, nrhs, a, lda, ipiv, b, ldb, info);
}
VARNEXO_UNDERSCORE_ALIAS(ssytrs_bklfw_varnexo_);

extern "C" VARNEXO_EXPORT void ssytrs_bklfw_noscal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(float)) {
  (void)uplo;
  checked("SSYTRS", vd::sytrs_bklfw_noscal<float>, n, nrhs, a, lda, ipiv, b, ldb, info);
}
VARNEXO_UNDERSCORE_ALIAS(ssytrs_bklfw_noscal_varnexo_);

extern "C" VARNEXO_EXPORT void ssytrs_bkl_scal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(float)) {
  (void)uplo;
  checked("SSYTRS", vd::sytrs_bkl_scal<float>, n, nrhs, a, lda, ipiv, b, ldb, info);
}
VARNEXO_UNDERSCORE_ALIAS(ssytrs_bkl_scal_varnexo_);

extern "C" VARNEXO_EXPORT void ssytrs_bklbw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(float)) {
  (void)uplo;
  checked("SSYTRS", vd::sytrs_bklbw<float>, n, nrhs, a, lda, ipiv, b, ldb, info);
}
VARNEXO_UNDERSCORE_ALIAS(ssytrs_bklbw_varnexo_);

extern "C" VARNEXO_EXPORT void zsytrs_bklfw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(dcomplex)) {
  (void)uplo;
  checked("ZSYTRS", vd::sytrs_bklfw<dcomplex>, n, nrhs, a, lda, ipiv, b, ldb, info);
}
VARNEXO_UNDERSCORE_ALIAS(zsytrs_bklfw_varnexo_);

extern "C" VARNEXO_EXPORT void zsytrs_bklfw_noscal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(dcomplex)) {
  (void)uplo;
  checked("ZSYTRS", vd::sytrs_bklfw_noscal<dcomplex>, n, nrhs, a, lda, ipiv, b, ldb, info);
}
VARNEXO_UNDERSCORE_ALIAS(zsytrs_bklfw_noscal_varnexo_);

extern "C" VARNEXO_EXPORT void zsytrs_bkl_scal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(dcomplex)) {
  (void)uplo;
  checked("ZSYTRS", vd::sytrs_bkl_scal<dcomplex>, n, nrhs, a, lda, ipiv, b, ldb, info);
}
VARNEXO_UNDERSCORE_ALIAS(zsytrs_bkl_scal_varnexo_);

extern "C" VARNEXO_EXPORT void zsytrs_bklbw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(dcomplex)) {
  (void)uplo;
  checked("ZSYTRS", vd::sytrs_bklbw<dcomplex>, n, nrhs, a, lda, ipiv, b, ldb, info);
}
VARNEXO_UNDERSCORE_ALIAS(zsytrs_bklbw_varnexo_);

extern "C" VARNEXO_EXPORT void zhetrs_bklfw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(dcomplex)) {
  (void)uplo;
  checked("ZHETRS", vd::sytrs_bklfw<dcomplex, vd::Hermitian>, n, nrhs, a, lda, ipiv, b, ldb, info);
}
VARNEXO_UNDERSCORE_ALIAS(zhetrs_bklfw_varnexo_);

extern "C" VARNEXO_EXPORT void zhetrs_bklfw_noscal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(dcomplex)) {
  (void)uplo;
  checked("ZHETRS", vd::sytrs_bklfw_noscal<dcomplex, vd::Hermitian>, n, nrhs, a, lda, ipiv, b, ldb, info);
}
VARNEXO_UNDERSCORE_ALIAS(zhetrs_bklfw_noscal_varnexo_);

extern "C" VARNEXO_EXPORT void zhetrs_bkl_scal_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(dcomplex)) {
  (void)uplo;
  checked("ZHETRS", vd::sytrs_bkl_scal<dcomplex, vd::Hermitian>, n, nrhs, a, lda, ipiv, b, ldb, info);
}
VARNEXO_UNDERSCORE_ALIAS(zhetrs_bkl_scal_varnexo_);

extern "C" VARNEXO_EXPORT void zhetrs_bklbw_varnexo_(VARNEXO_BLOCK_SOLVE_ARGS(dcomplex)) {
  (void)uplo;
  checked("ZHETRS", vd::sytrs_bklbw<dcomplex, vd::Hermitian>, n, nrhs, a, lda, ipiv, b, ldb, info);
}
VARNEXO_UNDERSCORE_ALIAS(zhetrs_bklbw_varnexo_);
