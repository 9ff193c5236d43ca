// The Hermitian Bunch–Kaufman block routine and the solves with a factored block of either
// symmetry: the matrix rebuilt from L·D·Lᴴ, the inertia of D against LAPACK's eigenvalues, the
// perturbation that raises an off-diagonal pivot, and solves checked by their residual.
#include <gtest/gtest.h>

#include <string>

#include "dense/block_diagonal.h"
#include "dense/bunch_kaufman.h"
#include "dense/dense_entries.h"
#include "dense_helpers.h"
#include "support/inertia.h"

namespace {
using namespace kernel_test;
using varnexo::real_t;
namespace dense = varnexo::dense;

template <class T>
double tolerance(int n) {
  return 2000.0 * n * std::numeric_limits<real_t<T>>::epsilon();
}

// Numbers of positive and negative eigenvalues of a Hermitian matrix, by LAPACK in double.
template <class T>
std::pair<int, int> eigen_inertia(int n, const Dense<T>& a) {
  return testsupport::inertia(n, std::vector<std::complex<double>>(a.begin(), a.end()));
}

// Inertia of the block-diagonal D of a factor: 1×1 pivots by their sign, a Hermitian 2×2 block
// [d11 conj(e); e d22] by its determinant (negative: one of each) and its trace.
template <class T>
std::pair<int, int> factor_inertia(int n, const Dense<T>& f, const std::vector<int32_t>& ipiv) {
  int pos = 0, neg = 0;
  for (int k = 0; k < n;) {
    const double d11 = std::real(f[k + k * n]);
    if (ipiv[k] > 0) {
      (d11 > 0 ? pos : neg)++;
      k += 1;
      continue;
    }
    const double d22 = std::real(f[k + 1 + (k + 1) * n]), e = std::abs(f[k + 1 + k * n]);
    const double det = d11 * d22 - e * e;
    if (det < 0)
      ++pos, ++neg;
    else
      (d11 + d22 > 0 ? pos : neg) += 2;
    k += 2;
  }
  return {pos, neg};
}

template <class T>
class HermitianBunchKaufman : public ::testing::Test {};
using ComplexTypes = ::testing::Types<std::complex<double>, std::complex<float>>;
TYPED_TEST_SUITE(HermitianBunchKaufman, ComplexTypes);

TYPED_TEST(HermitianBunchKaufman, RebuildsThePermutedMatrixAndKeepsTheInertia) {
  using T = TypeParam;
  std::mt19937 rng(17);
  int two_by_two = 0;
  for (int n : {1, 2, 3, 5, 8, 13, 24, 40}) {
    for (int trial = 0; trial < 4; ++trial) {
      Dense<T> a = random_symmetric<T>(n, rng, true);
      if (trial == 1)
        for (int i = 0; i < n; ++i) a[i + i * n] *= real_t<T>(0.01);  // small diagonal: 2×2 pivots
      if (trial == 2)
        for (int i = 0; i < n; ++i) a[i + i * n] += T(real_t<T>(i % 2 ? -2 : 2));
      // The lower triangle in a block with a larger leading dimension; the diagonal carries an
      // imaginary part, which is not part of a Hermitian matrix and must be ignored.
      const int lda = n + 2;
      Dense<T> padded(lda * n, T(99));
      for (int j = 0; j < n; ++j)
        for (int i = j; i < n; ++i) padded[i + j * lda] = a[i + j * n] + (i == j ? T(0, 1e-3) : T(0));
      std::vector<int32_t> ipiv(n, 0);
      int32_t npert = 0;
      dense::hetf2(n, padded.data(), lda, ipiv.data(), npert, 0.0);
      EXPECT_EQ(npert, 0);
      EXPECT_EQ(padded[n], T(99)) << "rows below the block untouched";
      Dense<T> f(n * n, T(0));
      for (int j = 0; j < n; ++j)
        for (int i = j; i < n; ++i) f[i + j * n] = padded[i + j * lda];
      for (int k = 0; k < n; ++k) {
        EXPECT_EQ(std::imag(f[k + k * n]), 0) << "D's diagonal is real, n = " << n << ", k = " << k;
        if (ipiv[k] < 0) {
          ASSERT_LT(k + 1, n);
          EXPECT_EQ(ipiv[k + 1], ipiv[k]);
          ++two_by_two;
          ++k;
        }
      }
      const Dense<T> back = rebuild_ldlt(n, f, ipiv, true);
      ASSERT_LE(max_diff(back, a), tolerance<T>(n) * max_abs(a)) << "n = " << n << ", trial " << trial;
      EXPECT_EQ(factor_inertia(n, f, ipiv), eigen_inertia(n, a)) << "n = " << n << ", trial " << trial;
    }
  }
  EXPECT_GT(two_by_two, 10);
}

TYPED_TEST(HermitianBunchKaufman, ZeroBlockGetsRealReplacementPivots) {
  using T = TypeParam;
  const int n = 5;
  Dense<T> a(n * n, T(0));
  std::vector<int32_t> ipiv(n);
  int32_t npert = 0;
  dense::hetf2(n, a.data(), n, ipiv.data(), npert, 0.0);
  EXPECT_EQ(npert, n);
  for (int k = 0; k < n; ++k) {
    EXPECT_EQ(a[k + k * n], T(real_t<T>(1.0e-8)));
    EXPECT_EQ(ipiv[k], k + 1);
  }
}

// A column below the threshold whose off-diagonal entry is larger than the diagonal: the entry
// grows to the replacement and the pair becomes one 2×2 pivot with one eigenvalue of each sign.
TYPED_TEST(HermitianBunchKaufman, SmallColumnRaisesItsOffDiagonalPivot) {
  using T = TypeParam;
  const int n = 2;
  const T e = T(real_t<T>(3e-13), real_t<T>(-1e-13));
  Dense<T> a = {T(0), e, T(0), T(0)};
  std::vector<int32_t> ipiv(n);
  int32_t npert = 0;
  dense::hetf2(n, a.data(), n, ipiv.data(), npert, 1.0e-6);
  EXPECT_EQ(npert, 1);
  EXPECT_EQ(ipiv[0], -2);
  EXPECT_EQ(ipiv[1], -2);
  EXPECT_NEAR(varnexo::abs1(a[1]), 1.0e-6, 1.0e-6 * 1e-5) << "|Re| + |Im| raised to the replacement";
  EXPECT_NEAR(std::arg(a[1]), std::arg(e), 1e-6) << "the direction of the entry is kept";
  EXPECT_EQ(factor_inertia(n, a, ipiv), std::make_pair(1, 1));
}

// A diagonal whose only magnitude is an imaginary part (not part of a Hermitian matrix) is a zero
// pivot: the exchange matrix takes one 2×2 pivot instead of dividing by zero.
TYPED_TEST(HermitianBunchKaufman, ImaginaryPartOfTheDiagonalIsNoPivot) {
  using T = TypeParam;
  const int n = 2;
  Dense<T> a = {T(0, 1), T(1), T(0), T(0, -1)};
  std::vector<int32_t> ipiv(n);
  int32_t npert = 0;
  dense::hetf2(n, a.data(), n, ipiv.data(), npert, 0.0);
  EXPECT_EQ(ipiv[0], -2);
  EXPECT_EQ(ipiv[1], -2);
  EXPECT_EQ(npert, 0);
  const Dense<T> exchange = {T(0), T(1), T(1), T(0)};
  EXPECT_EQ(max_diff(rebuild_ldlt(n, a, ipiv, true), exchange), 0.0);
}

TEST(HermitianBunchKaufman, ArgumentErrorsAreReportedThroughXerbla) {
  int32_t n = -1, lda = 1, ipiv[2], npert = 0, info = 0;
  std::complex<double> a[4] = {};
  const double eps = 0;
  testing::internal::CaptureStdout();
  zhetf2_varnexo_("L", &n, a, &lda, ipiv, &npert, &eps, &info);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            " ** On entry to ZHETF2 parameter number  2 had an illegal value\n");
  EXPECT_EQ(info, -2);
  n = 2;
  testing::internal::CaptureStdout();
  zhetf2_varnexo_("L", &n, a, &lda, ipiv, &npert, &eps, &info);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            " ** On entry to ZHETF2 parameter number  4 had an illegal value\n");
  EXPECT_EQ(info, -4);
}

// The solves with a factored block, for each scalar and symmetry the factorisations produce.
template <class T, class Symmetry>
struct Case {
  using scalar = T;
  using symmetry = Symmetry;
};
template <class C>
class BlockSolves : public ::testing::Test {};
using BlockCases = ::testing::Types<
    Case<double, dense::Symmetric>, Case<float, dense::Symmetric>,
    Case<std::complex<double>, dense::Symmetric>, Case<std::complex<float>, dense::Symmetric>,
    Case<std::complex<double>, dense::Hermitian>, Case<std::complex<float>, dense::Hermitian>>;
TYPED_TEST_SUITE(BlockSolves, BlockCases);

TYPED_TEST(BlockSolves, ForwardThenBackwardSolvesTheBlock) {
  using T = typename TypeParam::scalar;
  using P = typename TypeParam::symmetry;
  constexpr bool hermitian = std::is_same_v<P, dense::Hermitian>;
  std::mt19937 rng(23);
  for (int n : {1, 2, 5, 12, 30}) {
    const int nrhs = 3, ldb = n + 1;
    Dense<T> a = random_symmetric<T>(n, rng, hermitian);
    for (int i = 0; i < n; ++i) a[i + i * n] *= real_t<T>(0.05);  // mostly 2×2 pivots
    Dense<T> f = a;
    std::vector<int32_t> ipiv(n);
    int32_t npert = 0;
    if constexpr (hermitian)
      dense::hetf2(n, f.data(), n, ipiv.data(), npert, 0.0);
    else
      dense::sytf2(n, f.data(), n, ipiv.data(), npert, nullptr, nullptr, 0.0);
    Dense<T> b(ldb * nrhs);
    for (auto& x : b) x = random_scalar<T>(rng);
    // Whole solve in one forward sweep with D, and in separate L and D sweeps.
    Dense<T> x1 = b, x2 = b;
    dense::sytrs_bklfw<T, P>(n, nrhs, f.data(), n, ipiv.data(), x1.data(), ldb);
    dense::sytrs_bklfw_noscal<T, P>(n, nrhs, f.data(), n, ipiv.data(), x2.data(), ldb);
    dense::sytrs_bkl_scal<T, P>(n, nrhs, f.data(), n, ipiv.data(), x2.data(), ldb);
    ASSERT_LE(max_diff(x1, x2), tolerance<T>(n) * max_abs(x1));
    dense::sytrs_bklbw<T, P>(n, nrhs, f.data(), n, ipiv.data(), x1.data(), ldb);
    // Backward error of each column against the unfactored matrix.
    for (int j = 0; j < nrhs; ++j) {
      double r = 0, ax = 0, bn = 0, xn = 0;
      for (int i = 0; i < n; ++i) {
        T s = 0;
        for (int k = 0; k < n; ++k) s += a[i + k * n] * x1[k + j * ldb];
        r = std::max(r, double(std::abs(s - b[i + j * ldb])));
        bn = std::max(bn, double(std::abs(b[i + j * ldb])));
        xn = std::max(xn, double(std::abs(x1[i + j * ldb])));
      }
      for (int i = 0; i < n; ++i) {
        double row = 0;
        for (int k = 0; k < n; ++k) row += std::abs(a[i + k * n]);
        ax = std::max(ax, row);
      }
      EXPECT_LE(r / (ax * xn + bn), tolerance<T>(n)) << "n = " << n << ", column " << j;
    }
    EXPECT_EQ(x1[n], b[n]) << "rows below n untouched";
  }
}

TEST(BlockSolveArguments, ErrorsAreReportedWithTheFamilyName) {
  int32_t n = 2, nrhs = 1, lda = 2, ldb = 1, ipiv[2] = {1, 2}, info = 0;
  std::complex<double> a[4] = {1, 0, 0, 1}, b[2] = {1, 1};
  testing::internal::CaptureStdout();
  zhetrs_bklbw_varnexo_("L", &n, &nrhs, a, &lda, ipiv, b, &ldb, &info);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            " ** On entry to ZHETRS parameter number  8 had an illegal value\n");
  EXPECT_EQ(info, -8);
  double d[4] = {1, 0, 0, 1}, x[2] = {3, 4};
  nrhs = -1;
  testing::internal::CaptureStdout();
  dsytrs_bklfw_varnexo_("L", &n, &nrhs, d, &lda, ipiv, x, &lda, &info);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            " ** On entry to DSYTRS parameter number  3 had an illegal value\n");
  EXPECT_EQ(info, -3);
  nrhs = 1;
  dsytrs_bkl_scal_varnexo_("L", &n, &nrhs, d, &lda, ipiv, x, &lda, &info);
  EXPECT_EQ(info, 0);
  EXPECT_EQ(x[0], 3.0);
  EXPECT_EQ(x[1], 4.0);
}

}  // namespace
