// The diagonal-block kernels of the indefinite and unsymmetric factorisations: the matrix
// rebuilt from the factor, the inertia against LAPACK eigenvalues, perturbation counts, the
// small examples whose pivot choice is fixed, and the argument errors.
#include <gtest/gtest.h>

#include <string>

#include "dense/bunch_kaufman.h"
#include "dense/dense_entries.h"
#include "dense/pivoted_lu.h"
#include "dense_helpers.h"
#include "support/inertia.h"

namespace {
using namespace kernel_test;
using varnexo::real_t;

template <class T>
double tolerance(int n) {
  return 200.0 * n * std::numeric_limits<real_t<T>>::epsilon();
}

// Eigenvalue signs of a real symmetric matrix by LAPACK.
std::pair<int, int> eigen_inertia(int n, std::vector<double> a) {
  return testsupport::inertia(n, std::move(a));
}

template <class T>
class SymmetricKernels : public ::testing::Test {};
using SymmetricTypes = ::testing::Types<double, float, std::complex<double>, std::complex<float>>;
TYPED_TEST_SUITE(SymmetricKernels, SymmetricTypes);

TYPED_TEST(SymmetricKernels, BunchKaufmanRebuildsTheMatrixAndCountsInertia) {
  using T = TypeParam;
  std::mt19937 rng(7);
  int two_by_two = 0;
  for (int n : {1, 2, 3, 5, 8, 13, 24, 40}) {
    for (int trial = 0; trial < 4; ++trial) {
      Dense<T> a = random_symmetric<T>(n, rng);
      if (trial == 1)
        for (int i = 0; i < n; ++i) a[i + i * n] *= real_t<T>(0.01);  // small diagonal: 2×2 pivots
      Dense<T> f = a;
      const int lda = n + 3;  // a leading dimension larger than n
      Dense<T> padded(lda * n, T(99));
      for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) padded[i + j * lda] = f[i + j * n];
      std::vector<int32_t> ipiv(n, 0);
      int32_t npert = 0, npos = 0, nneg = 0;
      varnexo::dense::sytf2(n, padded.data(), lda, ipiv.data(), npert, &npos, &nneg, 0.0);
      for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) f[i + j * n] = i >= j ? padded[i + j * lda] : T(0);
      EXPECT_EQ(padded[n], T(99)) << "padding below the block untouched";
      EXPECT_EQ(npert, 0);
      for (int k = 0; k < n; ++k) two_by_two += ipiv[k] < 0;
      Dense<T> back = rebuild_ldlt(n, f, ipiv);
      ASSERT_LE(max_diff(back, a), tolerance<T>(n) * max_abs(a) * 10) << "n = " << n;
      if constexpr (!varnexo::is_complex_v<T>) {
        std::vector<double> ad(a.begin(), a.end());
        auto [pos, neg] = eigen_inertia(n, ad);
        EXPECT_EQ(npos, pos) << "n = " << n;
        EXPECT_EQ(nneg, neg) << "n = " << n;
      } else {
        EXPECT_EQ(npos + nneg, 0);  // no inertia for complex
      }
    }
  }
  EXPECT_GT(two_by_two, 10);
}

TYPED_TEST(SymmetricKernels, DiagonalPivotingRebuildsTheSymmetricPermutation) {
  using T = TypeParam;
  std::mt19937 rng(11);
  for (int n : {1, 2, 4, 9, 20}) {
    Dense<T> a = random_symmetric<T>(n, rng);
    for (int i = 0; i < n; ++i) a[i + i * n] += T(real_t<T>(i % 2 ? -3 : 3));  // indefinite, dominant
    Dense<T> f = a;
    std::vector<int32_t> ipiv(n, 0);
    int32_t npert = 0, npos = 0, nneg = 0;
    varnexo::dense::getf2(n, n, f.data(), n, ipiv.data(), npert, &npos, &nneg, 0.0);
    Dense<T> l(n * n, T(0)), u(n * n, T(0));
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i) (i > j ? l : u)[i + j * n] = f[i + j * n];
    for (int i = 0; i < n; ++i) l[i + i * n] = T(1);
    Dense<T> pap = a;
    for (int j = 0; j < n; ++j) swap_rows_and_columns(n, pap, j, ipiv[j] - 1);
    ASSERT_LE(max_diff(multiply(n, l, u), pap), tolerance<T>(n) * max_abs(a) * 10);
    if constexpr (!varnexo::is_complex_v<T>) {
      auto [pos, neg] = eigen_inertia(n, std::vector<double>(a.begin(), a.end()));
      EXPECT_EQ(npos, pos);
      EXPECT_EQ(nneg, neg);
    }
  }
}

TYPED_TEST(SymmetricKernels, CompletePivotingRebuildsTheMatrix) {
  using T = TypeParam;
  std::mt19937 rng(13);
  for (int n : {1, 2, 3, 6, 17, 32}) {
    Dense<T> a(n * n);
    for (auto& x : a) x = random_scalar<T>(rng);
    Dense<T> f = a;
    std::vector<int32_t> ipiv(n), jpiv(n);
    int32_t npert = 0;
    varnexo::dense::getc2(n, f.data(), n, ipiv.data(), jpiv.data(), npert, 0.0);
    EXPECT_EQ(npert, 0);
    Dense<T> l(n * n, T(0)), u(n * n, T(0));
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i) (i > j ? l : u)[i + j * n] = f[i + j * n];
    for (int i = 0; i < n; ++i) l[i + i * n] = T(1);
    Dense<T> paq = a;
    for (int k = 0; k < n; ++k) {
      for (int j = 0; j < n; ++j) std::swap(paq[k + j * n], paq[ipiv[k] - 1 + j * n]);
      for (int i = 0; i < n; ++i) std::swap(paq[i + k * n], paq[i + (jpiv[k] - 1) * n]);
    }
    ASSERT_LE(max_diff(multiply(n, l, u), paq), tolerance<T>(n) * max_abs(a) * 10) << "n = " << n;
    for (int k = 0; k < n; ++k)  // complete pivoting keeps every multiplier at most 1
      for (int i = k + 1; i < n; ++i) EXPECT_LE(std::abs(f[i + k * n]), 1.0 + 1e-6);
  }
}

TYPED_TEST(SymmetricKernels, ZeroBlocksArePerturbedAndCounted) {
  using T = TypeParam;
  const int n = 4;
  const double replacement = 1.0e-8;
  {
    Dense<T> a(n * n, T(0));
    std::vector<int32_t> ipiv(n);
    int32_t npert = 0, npos = 0, nneg = 0;
    varnexo::dense::sytf2(n, a.data(), n, ipiv.data(), npert, &npos, &nneg, 0.0);
    EXPECT_EQ(npert, n);
    for (int k = 0; k < n; ++k) {
      EXPECT_EQ(a[k + k * n], T(real_t<T>(replacement)));
      EXPECT_EQ(ipiv[k], k + 1);
    }
    if constexpr (!varnexo::is_complex_v<T>) {
      EXPECT_EQ(npos, n);
    }
  }
  {
    Dense<T> a(n * n, T(0));
    std::vector<int32_t> ipiv(n);
    int32_t npert = 0, npos = 0, nneg = 0;
    varnexo::dense::getf2(n, n, a.data(), n, ipiv.data(), npert, &npos, &nneg, 0.0);
    EXPECT_EQ(npert, n);
    if constexpr (!varnexo::is_complex_v<T>) {
      EXPECT_EQ(npos, n);
    }
    for (int k = 0; k < n; ++k) EXPECT_EQ(ipiv[k], n) << "ties on the diagonal take the later index";
  }
  {
    Dense<T> a(n * n, T(0));
    std::vector<int32_t> ipiv(n), jpiv(n);
    int32_t npert = 0;
    varnexo::dense::getc2(n, a.data(), n, ipiv.data(), jpiv.data(), npert, 0.0);
    EXPECT_EQ(npert, n);
    for (int k = 0; k < n; ++k) EXPECT_EQ(a[k + k * n], T(real_t<T>(1.0e-13)));
    EXPECT_EQ(ipiv[0], n);  // the last maximal element of the row-wise scan
    EXPECT_EQ(jpiv[0], n);
  }
}

TEST(BunchKaufman, SwappedTwoByTwoPivotHasOnePositiveAndOneNegative) {
  double a[4] = {0, 1, 1, 0};
  int32_t ipiv[2], npert = 0, npos = 0, nneg = 0, info = 5, n = 2, lda = 2;
  const double eps = 0.0;
  dsytf2_varnexo_("L", &n, a, &lda, ipiv, &npert, &npos, &nneg, &eps, &info);
  EXPECT_EQ(info, 0);
  EXPECT_EQ(ipiv[0], -2);
  EXPECT_EQ(ipiv[1], -2);
  EXPECT_EQ(npos, 1);
  EXPECT_EQ(nneg, 1);
  EXPECT_EQ(npert, 0);
  EXPECT_EQ(a[1], 1.0);  // D keeps the block
}

TEST(BunchKaufman, TinyNegativePivotIsPerturbedInDoubleButNotInSingle) {
  int32_t n = 1, lda = 1, ipiv, npert = 0, npos = 0, nneg = 0, info;
  const double eps = 1.0e-8;
  double a = -1.0e-12;
  dsytf2_varnexo_("L", &n, &a, &lda, &ipiv, &npert, &npos, &nneg, &eps, &info);
  EXPECT_EQ(a, -1.0e-8);
  EXPECT_EQ(npert, 1);
  EXPECT_EQ(nneg, 1);
  float s = -1.0e-12f;
  npert = npos = nneg = 0;
  ssytf2_varnexo_("L", &n, &s, &lda, &ipiv, &npert, &npos, &nneg, &eps, &info);
  EXPECT_EQ(s, -1.0e-12f);  // ε <= 5e-8: the single kernel perturbs exact zeros only
  EXPECT_EQ(npert, 0);
  EXPECT_EQ(nneg, 1);
}

TEST(DiagonalPivoting, OrderFollowsTheLargestDiagonalLaterOnTies) {
  double a[16] = {1, 0, 0, 0, 0, 3, 0, 0, 0, 0, -3, 0, 0, 0, 0, 2};
  int32_t n = 4, lda = 4, ipiv[4], npert = 0, npos = 0, nneg = 0, info;
  const double eps = 1e-8;
  dgetf2_varnexo_(&n, &n, a, &lda, ipiv, &npert, &npos, &nneg, &eps, &info);
  EXPECT_EQ(ipiv[0], 3);  // |3| = |-3|: the later index
  EXPECT_EQ(ipiv[1], 2);
  EXPECT_EQ(ipiv[2], 4);
  EXPECT_EQ(ipiv[3], 4);
  EXPECT_EQ(a[0], -3.0);
  EXPECT_EQ(a[5], 3.0);
  EXPECT_EQ(a[10], 2.0);
  EXPECT_EQ(a[15], 1.0);
  EXPECT_EQ(npos, 3);
  EXPECT_EQ(nneg, 1);
}

TEST(CompletePivoting, AntiDiagonalTakesTheLastMaximum) {
  double a[4] = {0, 1, 1, 0};
  int32_t n = 2, lda = 2, ipiv[2], jpiv[2], npert = 0, info = 3;
  const double eps = 0.0;
  dgetc2_varnexo_(&n, a, &lda, ipiv, jpiv, &npert, &eps, &info);
  EXPECT_EQ(info, 0);
  EXPECT_EQ(ipiv[0], 2);
  EXPECT_EQ(jpiv[0], 1);
  EXPECT_EQ(npert, 0);
  EXPECT_EQ(a[0], 1.0);
  EXPECT_EQ(a[3], 1.0);
}

std::string captured_error(void (*call)()) {
  testing::internal::CaptureStdout();
  call();
  std::fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

TEST(KernelArguments, ErrorsAreReportedThroughXerbla) {
  static int32_t info;
  EXPECT_EQ(captured_error([] {
              int32_t n = -1, lda = 1, ipiv, np, pp, nn;
              double a = 0, eps = 0;
              dsytf2_varnexo_("L", &n, &a, &lda, &ipiv, &np, &pp, &nn, &eps, &info);
            }),
            " ** On entry to DSYTF2 parameter number  2 had an illegal value\n");
  EXPECT_EQ(info, -2);
  EXPECT_EQ(captured_error([] {
              int32_t n = 3, lda = 2, ipiv[3], np, pp, nn;
              float a[9] = {};
              double eps = 0;
              ssytf2_varnexo_("L", &n, a, &lda, ipiv, &np, &pp, &nn, &eps, &info);
            }),
            " ** On entry to SSYTF2 parameter number  4 had an illegal value\n");
  EXPECT_EQ(info, -4);
  EXPECT_EQ(captured_error([] {
              int32_t m = -2, n = 1, lda = 1, ipiv, np, pp, nn;
              double a = 0, eps = 0;
              dgetf2_varnexo_(&m, &n, &a, &lda, &ipiv, &np, &pp, &nn, &eps, &info);
            }),
            " ** On entry to DGETF2 parameter number  1 had an illegal value\n");
  EXPECT_EQ(info, -1);
  EXPECT_EQ(captured_error([] {
              int32_t n = 2, lda = 1, ipiv[2], jpiv[2], np;
              double a[4] = {}, eps = 0;
              dgetc2_varnexo_(&n, a, &lda, ipiv, jpiv, &np, &eps, &info);
            }),
            " ** On entry to DGETC2 parameter number  3 had an illegal value\n");
  EXPECT_EQ(info, -3);
}

}  // namespace
