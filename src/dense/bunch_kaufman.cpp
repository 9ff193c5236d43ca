// Bunch–Kaufman factorisation of an indefinite diagonal block with pivot perturbation and
// inertia counts, written once over the scalar type and the Symmetric/Hermitian policy, and its
// exported entries (dsytf2, ssytf2, zsytf2 symmetric; zhetf2 Hermitian).
#include "dense/bunch_kaufman.h"

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
namespace {

struct Step {
  int kp, kstep;  // the row and column brought to k (1×1) or k+1 (2×2), and the pivot's width
};

// Chooses the pivot of step k, perturbing it first when the whole column is below the
// threshold. α = (1 + √17)/8 bounds the growth of the entries of L.
template <class T, class P>
Step choose_pivot(const DenseView<T>& a, int n, int k, const Perturbation<T>& pert, int32_t& npert) {
  using R = real_t<T>;
  const R alpha = std::is_same_v<R, float> ? R(0.6403882f) : R(0.6403882032022076);
  const R absakk = P::diagonal_magnitude(a(k, k));
  R colmax = 0;
  int imax = k;
  for (int i = k + 1; i <= n; ++i)
    if (abs1(a(i, k)) > colmax) colmax = abs1(a(i, k)), imax = i;
  if (std::max(absakk, colmax) <= pert.threshold) {
    ++npert;
    if (!(P::perturbs_offdiagonal && absakk < colmax)) {
      a(k, k) = signed_replacement(a(k, k), pert.replacement);
      return {k, 1};
    }
    a(imax, k) *= pert.replacement / colmax;
    colmax = pert.replacement;
  }
  // A NaN diagonal (an update that overflowed) compares false both ways: it takes a 1×1 step at k
  // like a column without candidates (colmax = 0), so that a 2×2 step below always has imax > k
  // and never reaches past the block.
  if (!(absakk < alpha * colmax)) return {k, 1};
  R rowmax = 0;  // largest off-diagonal magnitude in row/column imax of the trailing triangle
  for (int j = k; j < imax; ++j) rowmax = std::max(rowmax, abs1(a(imax, j)));
  for (int i = imax + 1; i <= n; ++i) rowmax = std::max(rowmax, abs1(a(i, imax)));
  if (absakk >= alpha * colmax * (colmax / rowmax)) return {k, 1};
  if (P::diagonal_magnitude(a(imax, imax)) >= alpha * rowmax) return {imax, 1};
  return {imax, 2};
}

// The matched 2×2 block at k, k+1 as the pivot, when it is safe: its off-diagonal entry
// dominates its diagonal (as for a 2×2 pivot of the search), it is clearly nonsingular, and the
// multipliers it gives the rest of the two columns stay below 1/u. A block of the symmetric
// matching usually passes (after scaling: off-diagonal 1, diagonal ~0, other entries <= 1);
// otherwise the search decides.
template <class T, class P>
bool matched_pair_is_stable(const DenseView<T>& a, int n, int k, const Perturbation<T>& pert) {
  using R = real_t<T>;
  const R alpha = std::is_same_v<R, float> ? R(0.6403882f) : R(0.6403882032022076);
  const R u = R(0.1);
  const R d11 = P::diagonal_magnitude(a(k, k)), d22 = P::diagonal_magnitude(a(k + 1, k + 1));
  const R e = abs1(a(k + 1, k));
  if (!(e > pert.threshold) || e < alpha * std::max(d11, d22)) return false;
  const R det = abs1(T(a(k, k) * a(k + 1, k + 1) - a(k + 1, k) * P::mirror(a(k + 1, k))));
  if (!(det > pert.threshold * e)) return false;
  R c1 = 0, c2 = 0;
  for (int i = k + 2; i <= n; ++i) c1 = std::max(c1, abs1(a(i, k))), c2 = std::max(c2, abs1(a(i, k + 1)));
  return u * (d22 * c1 + e * c2) <= det && u * (e * c1 + d11 * c2) <= det;
}

// Symmetric interchange of rows and columns kk and kp (kk < kp) of the trailing lower
// triangle; for a 2×2 step also the element (k+1, k) with (kp, k). The entries between kk and
// kp cross the diagonal, and so does (kp, kk): a Hermitian block conjugates them.
template <class T, class P>
void interchange(const DenseView<T>& a, int n, int k, int kk, int kp, int kstep) {
  for (int i = kp + 1; i <= n; ++i) std::swap(a(i, kk), a(i, kp));
  for (int j = kk + 1; j < kp; ++j) {
    const T t = P::mirror(a(j, kk));
    a(j, kk) = P::mirror(a(kp, j));
    a(kp, j) = t;
  }
  a(kp, kk) = P::mirror(a(kp, kk));
  std::swap(a(kk, kk), a(kp, kp));
  if (kstep == 2) std::swap(a(k + 1, k), a(kp, k));
}

// 1×1 step at k: A := A - x·op(x)ᵀ/d over the trailing lower triangle (op the mirror of the
// policy), then x scaled by 1/d. Real kernels count the sign of d.
template <class T, class P>
void eliminate_1x1(const DenseView<T>& a, int n, int k, int32_t* npos, int32_t* nneg) {
  if (k == n) {
    count_sign(a(k, k), true, npos, nneg);
    return;
  }
  const auto d = P::reciprocal(a(k, k));
  count_sign(T(d), true, npos, nneg);
  for (int j = k + 1; j <= n; ++j) {
    const T xj = d * P::mirror(a(j, k));
    for (int i = j; i <= n; ++i) a(i, j) -= a(i, k) * xj;
    a(j, j) = P::diagonal(a(j, j));
  }
  for (int i = k + 1; i <= n; ++i) a(i, k) *= d;
}

// 2×2 step at k, k+1 of a symmetric block: trailing update with the inverse of the block
// [d11 e; e d22] scaled by e, and the block's inertia for real scalars.
template <class T>
void eliminate_2x2_symmetric(const DenseView<T>& a, int n, int k, int32_t* npos, int32_t* nneg) {
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

// 2×2 step at k, k+1 of a Hermitian block [d11 conj(e); e d22]: the multipliers are the two
// columns times the block's inverse, formed from |e| so that its determinant stays real.
template <class T>
void eliminate_2x2_hermitian(const DenseView<T>& a, int n, int k) {
  using R = real_t<T>;
  const R d = std::abs(a(k + 1, k));
  const R d11 = a(k + 1, k + 1).real() / d, d22 = a(k, k).real() / d;
  const R tt = R(1) / (d11 * d22 - R(1));
  const T d21 = a(k + 1, k) / d;
  const R s = tt / d;
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

template <class T, class P>
void bunch_kaufman(int n, T* ap, int lda, int32_t* ipiv_p, int32_t& npert, int32_t* npos, int32_t* nneg,
                   double eps, const int32_t* pair_first) {
  const DenseView<T> a(ap, lda, n, n);
  const OneBased<int32_t> ipiv(ipiv_p, n);
  const Perturbation<T> pert = perturbation<T>(eps, 1.0e-8);
  // A matched pair can be taken only while both of its columns stand where they started. Until
  // step p writes its record, ipiv(p) holds the column of the block that now stands at p.
  if (pair_first)
    for (int p = 1; p <= n; ++p) ipiv(p) = p;
  auto pair_in_place = [&](int k) {
    return pair_first && k < n && pair_first[ipiv(k) - 1] != 0 && ipiv(k + 1) == ipiv(k) + 1;
  };
  for (int k = 1; k <= n;) {
    const auto [kp, kstep] = pair_in_place(k) && matched_pair_is_stable<T, P>(a, n, k, pert)
                                 ? Step{k + 1, 2}
                                 : choose_pivot<T, P>(a, n, k, pert, npert);
    const int kk = k + kstep - 1;
    if (kp != kk) {
      interchange<T, P>(a, n, k, kk, kp, kstep);
      if (pair_first) std::swap(ipiv(kk), ipiv(kp));  // both are still ahead of their step
    }
    // The pivot's diagonal entries, and the one moved to kp, are entries of the matrix (real
    // for a Hermitian block).
    for (int i = k; i <= kk; ++i) a(i, i) = P::diagonal(a(i, i));
    if (kp != kk) a(kp, kp) = P::diagonal(a(kp, kp));
    if (kstep == 1) {
      eliminate_1x1<T, P>(a, n, k, npos, nneg);
      ipiv(k) = kp;
    } else {
      if constexpr (P::conjugate)
        eliminate_2x2_hermitian(a, n, k);
      else
        eliminate_2x2_symmetric(a, n, k, npos, nneg);
      ipiv(k) = ipiv(k + 1) = -kp;
    }
    k += kstep;
  }
}

template void bunch_kaufman<double, Symmetric>(int, double*, int, int32_t*, int32_t&, int32_t*, int32_t*,
                                               double, const int32_t*);
template void bunch_kaufman<float, Symmetric>(int, float*, int, int32_t*, int32_t&, int32_t*, int32_t*,
                                              double, const int32_t*);
template void bunch_kaufman<dcomplex, Symmetric>(int, dcomplex*, int, int32_t*, int32_t&, int32_t*, int32_t*,
                                                 double, const int32_t*);
template void bunch_kaufman<scomplex, Symmetric>(int, scomplex*, int, int32_t*, int32_t&, int32_t*, int32_t*,
                                                 double, const int32_t*);
template void bunch_kaufman<dcomplex, Hermitian>(int, dcomplex*, int, int32_t*, int32_t&, int32_t*, int32_t*,
                                                 double, const int32_t*);
template void bunch_kaufman<scomplex, Hermitian>(int, scomplex*, int, int32_t*, int32_t&, int32_t*, int32_t*,
                                                 double, const int32_t*);

namespace {

// The checked entry: n < 0 gives info -2, lda < max(1, n) gives -4, both reported through
// xerbla_ with `name`; the lower triangle is always used.
template <class T, class P>
void entry(const char* name, const int32_t* n, T* a, const int32_t* lda, int32_t* ipiv, int32_t* npert,
           int32_t* npos, int32_t* nneg, const double* eps, int32_t* info) {
  *info = *n < 0 ? -2 : *lda < std::max(1, *n) ? -4 : 0;
  if (*info != 0) {
    const int position = -*info;
    xerbla_(name, &position, std::strlen(name));
    return;
  }
  bunch_kaufman<T, P>(*n, a, *lda, ipiv, *npert, npos, nneg, *eps, nullptr);
}

}  // namespace
}  // namespace varnexo::dense

namespace vd = varnexo::dense;

extern "C" VARNEXO_EXPORT void dsytf2_varnexo_(const char*, const int32_t* n, double* a, const int32_t* lda,
                                               int32_t* ipiv, int32_t* npert, int32_t* npos, int32_t* nneg,
                                               const double* eps, int32_t* info) {
  vd::entry<double, vd::Symmetric>("DSYTF2", n, a, lda, ipiv, npert, npos, nneg, eps, info);
}
VARNEXO_UNDERSCORE_ALIAS(dsytf2_varnexo_);

extern "C" VARNEXO_EXPORT void ssytf2_varnexo_(const char*, const int32_t* n, float* a, const int32_t* lda,
                                               int32_t* ipiv, int32_t* npert, int32_t* npos, int32_t* nneg,
                                               const double* eps, int32_t* info) {
  vd::entry<float, vd::Symmetric>("SSYTF2", n, a, lda, ipiv, npert, npos, nneg, eps, info);
}
VARNEXO_UNDERSCORE_ALIAS(ssytf2_varnexo_);

extern "C" VARNEXO_EXPORT void zsytf2_varnexo_(const char*, const int32_t* n, dcomplex* a, const int32_t* lda,
                                               int32_t* ipiv, int32_t* npert, const double* eps,
                                               int32_t* info) {
  vd::entry<dcomplex, vd::Symmetric>("ZSYTF2", n, a, lda, ipiv, npert, nullptr, nullptr, eps, info);
}
VARNEXO_UNDERSCORE_ALIAS(zsytf2_varnexo_);

extern "C" VARNEXO_EXPORT void zhetf2_varnexo_(const char*, const int32_t* n, dcomplex* a, const int32_t* lda,
                                               int32_t* ipiv, int32_t* npert, const double* eps,
                                               int32_t* info) {
  vd::entry<dcomplex, vd::Hermitian>("ZHETF2", n, a, lda, ipiv, npert, nullptr, nullptr, eps, info);
}
VARNEXO_UNDERSCORE_ALIAS(zhetf2_varnexo_);
